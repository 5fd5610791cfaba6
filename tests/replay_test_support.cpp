// Process running and JSON reading for the replay tests.
#include "tests/replay_test_support.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

const ToothRow toothRows[11] = {
    {107, 217, 40, 110},  {106, 210, 140, 113}, {155, 219, 247, 108}, {155, 219, 400, 120},
    {120, 206, 548, 138}, {94, 167, 74, 279},   {99, 165, 166, 290},  {99, 165, 263, 304},
    {99, 165, 358, 305},  {99, 165, 451, 318},  {99, 165, 546, 317},
};

namespace {

const Json nullJson;

struct Reader {
    const std::string& s;
    std::size_t at = 0;
    bool ok = true;

    void space() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '\r' || s[at] == '\t')) ++at;
    }
    bool take(char c) {
        space();
        if (at < s.size() && s[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    bool word(const char* w) {
        const std::string text(w);
        if (s.compare(at, text.size(), text) != 0) return false;
        at += text.size();
        return true;
    }
    std::string string() {
        std::string out;
        if (!take('"')) {
            ok = false;
            return out;
        }
        while (at < s.size() && s[at] != '"') out += s[at++];
        ok = ok && at < s.size();
        ++at;
        return out;
    }
    Json value() {
        Json v;
        space();
        if (at >= s.size()) {
            ok = false;
        } else if (s[at] == '{') {
            v.type = Json::Object;
            ++at;
            if (take('}')) return v;
            do {
                std::string key = string();
                if (!take(':')) ok = false;
                v.fields.emplace_back(key, value());
            } while (ok && take(','));
            if (!take('}')) ok = false;
        } else if (s[at] == '[') {
            v.type = Json::Array;
            ++at;
            if (take(']')) return v;
            do v.items.push_back(value());
            while (ok && take(','));
            if (!take(']')) ok = false;
        } else if (s[at] == '"') {
            v.type = Json::Text;
            v.text = string();
        } else if (word("true")) {
            v.type = Json::Boolean;
            v.boolean = true;
        } else if (word("false")) {
            v.type = Json::Boolean;
        } else {
            char* end = nullptr;
            v.type = Json::Number;
            v.number = std::strtod(s.c_str() + at, &end);
            if (end == s.c_str() + at) ok = false;
            at = static_cast<std::size_t>(end - s.c_str());
        }
        return v;
    }
};

std::string readWhole(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

const Json& Json::operator[](const char* key) const {
    for (const auto& field : fields)
        if (field.first == key) return field.second;
    ADD_FAILURE() << "no key " << key;
    return nullJson;
}

const Json& Json::operator[](std::size_t index) const {
    if (index < items.size()) return items[index];
    ADD_FAILURE() << "no item " << index << " of " << items.size();
    return nullJson;
}

bool Json::has(const char* key) const {
    for (const auto& field : fields)
        if (field.first == key) return true;
    return false;
}

std::vector<std::string> Json::keys() const {
    std::vector<std::string> out;
    for (const auto& field : fields) out.push_back(field.first);
    return out;
}

Json parseJson(const std::string& text) {
    Reader reader{text};
    Json v = reader.value();
    reader.space();
    if (!reader.ok || reader.at != text.size()) {
        ADD_FAILURE() << "not one JSON value: " << text.substr(0, 200);
        return Json{};
    }
    return v;
}

std::vector<Json> ReplayRun::frames() const {
    std::vector<Json> out;
    out.reserve(lines.size());
    for (const std::string& line : lines) out.push_back(parseJson(line));
    return out;
}

std::string makeTemporaryFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/velmora-replay-XXXXXX";
    if (!mkdtemp(pattern.data())) ADD_FAILURE() << "cannot make a temporary folder";
    return pattern;
}

ReplayRun runReplayWith(const std::string& arguments, const std::string& folder) {
    const std::string errorPath = folder + "/stderr.txt";
    const std::string command = "cd '" + folder + "' && '" VELMORA_REPLAY "' " + arguments + " 2>'" + errorPath + "'";
    ReplayRun run;
    std::FILE* out = popen(command.c_str(), "r");
    if (!out) {
        ADD_FAILURE() << "cannot start " << command;
        return run;
    }
    std::string line;
    for (int c; (c = std::fgetc(out)) != EOF;) {
        if (c == '\n') {
            run.lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    if (!line.empty()) run.lines.push_back(line);
    const int status = pclose(out);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.errors = readWhole(errorPath);
    return run;
}

ReplayRun runReplay(const std::string& script, const std::string& options, const std::string& folder) {
    const std::string where = folder.empty() ? makeTemporaryFolder() : folder;
    const std::string scriptPath = where + "/script.txt";
    std::ofstream(scriptPath) << script;
    const ReplayRun run = runReplayWith(options + " '" + scriptPath + "'", where);
    if (folder.empty()) std::filesystem::remove_all(where);
    return run;
}

Picture readPng(const std::string& path) {
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << path << ": " << image.message;
        return picture;
    }
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr))
        ADD_FAILURE() << path << ": " << image.message;
    return picture;
}
