// Writing a script's shots safely. A script may come from a stranger, so a
// shot only ever creates a new file: it never replaces one and never writes
// through a symbolic link. --overwrite lets a person's own scripts replace
// their earlier shots (regular files only, still never through a link).
#pragma once
#include <string>

enum class ShotResult { Written, Refused, Failed };

struct ShotOutcome {
    ShotResult result = ShotResult::Written;
    std::string reason;  // why it was refused or failed
};

// Whether a shot may go to path as things stand, before anything is played:
// Refused with the reason when it would replace a file or follow a link.
ShotOutcome checkShotTarget(const std::string& path, bool overwrite);

// Writes RGBA pixels (top row first) as an 8-bit RGB PNG picture at path,
// checking again as the file is opened, so a file or link that appeared
// meanwhile is still not touched.
ShotOutcome writeShotFile(const std::string& path, const unsigned char* rgba, int width, int height, bool overwrite);
