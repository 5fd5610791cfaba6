// Finding the folder that holds img/, so the game runs from any folder.
#include "session/picture_folder.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "gfx/diagnostic.h"

namespace fs = std::filesystem;

namespace {
const char* const pictureNames[] = {"bg.tga", "teeth.tga", "bacteria.tga", "brush.tga", "drill.tga", "food.tga"};
}  // namespace

std::vector<std::string> pictureFolderCandidates(const std::string& executablePath) {
    // Named in full, so that the line saying where the game looked is useful.
    std::error_code error;
    const fs::path here = fs::current_path(error);
    std::vector<std::string> folders{error ? std::string(".") : here.string()};
    if (executablePath.empty()) return folders;
    const fs::path beside = fs::path(executablePath).parent_path();
    folders.push_back(beside.string());
    folders.push_back((beside.parent_path() / "share" / "velmora").string());
    return folders;
}

bool holdsPictures(const std::string& folder) {
    std::error_code error;
    for (const char* name : pictureNames)
        if (fs::is_regular_file(fs::path(folder) / "img" / name, error)) return true;
    return false;
}

std::string enterPictureFolder(const std::vector<std::string>& candidates) {
    std::string tried;
    for (const std::string& folder : candidates) {
        if (holdsPictures(folder) && chdir(folder.c_str()) == 0) return folder;
        tried += (tried.empty() ? "" : ", ") + folder;
    }
    reportLine("Pictures not found: no img/ in " + tried);
    return "";
}

std::string runningExecutablePath() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.string();
}

std::string pathFromStartFolder(const std::string& path) {
    if (path.empty()) return path;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}
