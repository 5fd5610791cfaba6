// Where the game's pictures are: the game reads them as img/NAME relative to
// the working folder, so at start-up it moves into the first folder whose img/
// holds them: the current folder, the executable's own folder (a build tree),
// or ../share/velmora beside it (an installed or unpacked package).
#pragma once
#include <string>
#include <vector>

// The folders to look in, in order, for an executable at executablePath
// (an absolute path; empty if unknown, leaving only the current folder).
std::vector<std::string> pictureFolderCandidates(const std::string& executablePath);

// True when folder/img holds at least one of the pictures the game loads. One is
// enough: a folder with damaged or missing pictures is still where the player
// put them, and the game reports each bad one when it loads it.
bool holdsPictures(const std::string& folder);

// Changes into the first candidate that holds the pictures and returns it; if
// none does, reports one line naming the folders tried, stays where it is and
// returns an empty string.
std::string enterPictureFolder(const std::vector<std::string>& candidates);

// The running program's own path, from /proc/self/exe; empty if unreadable.
std::string runningExecutablePath();

// The path as seen from the folder the game was started in, so that it still
// names the same file after the game has moved into its picture folder. An
// empty path stays empty.
std::string pathFromStartFolder(const std::string& path);
