// Scratch files for tests: a temporary folder removed with everything in it,
// and whole-file reading and writing.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const std::string& name) const { return (path / name).string(); }

private:
    std::filesystem::path path;
};

void writeFile(const std::string& name, const Bytes& bytes);
Bytes readFile(const std::string& name);
// The whole file as text; empty when it cannot be read.
std::string readText(const std::string& name);
// Text's lines, without their newlines.
std::vector<std::string> linesOf(const std::string& text);
// How many of lines start with start.
int countStarting(const std::vector<std::string>& lines, const std::string& start);
