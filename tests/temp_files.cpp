#include "tests/temp_files.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <sstream>

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

void writeFile(const std::string& name, const Bytes& bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readText(const std::string& name) {
    const Bytes bytes = readFile(name);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int countStarting(const std::vector<std::string>& lines, const std::string& start) {
    int n = 0;
    for (const std::string& line : lines) n += line.rfind(start, 0) == 0;
    return n;
}
