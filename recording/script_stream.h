// A script played from its file as it is read: every line is checked first,
// in one pass that keeps nothing, then read again a command at a time, so a
// recording of any length plays in the same small memory. Standard input is
// copied aside while it is checked, to be read again from the copy.
#pragma once
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "recording/replay_script.h"

class ScriptBytes;  // the file's bytes, read a buffer at a time

struct ScriptStream {
    std::string name;
    int descriptor = -1;
    bool owned = false;          // closed with the stream (standard input is not)
    long long checkedBytes = 0;  // the second reading stops where the first did
    std::unique_ptr<ScriptBytes> bytes;
    ScriptReader reader;
    std::deque<ReplayCommand> ahead;  // read already, not yet handed out
    ScriptStream();
    ~ScriptStream();
};

// Called with each command as it is checked; false, with a fault, refuses the script.
using CommandCheck = std::function<bool(const ReplayCommand&, std::string& fault)>;

// Checks every line of the script in the file `name` ("-": standard input),
// then stands the stream at its first command. False with one line in fault
// (a file that cannot be read, the first bad line with its number); notice
// says a last line cut off without its newline, which is left out.
bool openScriptStream(ScriptStream& stream, const std::string& name, std::string& fault, std::string& notice,
                      const CommandCheck& check = {});

// The next command, or false at the end. A file changed since it was checked
// may hold a bad line after all: stream.reader.error then says which.
bool nextStreamCommand(ScriptStream& stream, ReplayCommand& command);

// Whether a shot comes before the next frame (and, when asked, before the
// next new game). Looks at most a few thousand commands ahead, and beyond
// that answers yes, which costs only a drawing.
bool shotBeforeNextFrame(ScriptStream& stream, bool orNewGame = false);

void closeScriptStream(ScriptStream& stream);
