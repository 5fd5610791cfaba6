#include "tests/file_growth.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

FileGrowth::FileGrowth(std::vector<std::string> files) : paths(std::move(files)) {
    watcher = std::thread([this] {
        while (running) {
            Look look{steadySeconds(), {}};
            for (const std::string& path : paths) {
                struct stat status;
                look.sizes.push_back(::stat(path.c_str(), &status) == 0 ? long(status.st_size) : -1);
            }
            looks.push_back(std::move(look));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
}

FileGrowth::~FileGrowth() { stop(); }

void FileGrowth::stop() {
    running = false;
    if (watcher.joinable()) watcher.join();
}

std::pair<long, long> FileGrowth::sizesAround(std::size_t file, double t) const {
    if (looks.empty()) return {-1, -1};
    const auto after =
        std::lower_bound(looks.begin(), looks.end(), t, [](const Look& look, double m) { return look.moment < m; });
    const long before = after == looks.begin() ? -1 : std::prev(after)->sizes[file];
    return {before, after == looks.end() ? looks.back().sizes[file] : after->sizes[file]};
}

double FileGrowth::firstMomentWith(std::size_t file, long bytes) const {
    if (looks.empty()) return 0;
    // Files only grow while the game writes them: the sizes are in order.
    const auto found = std::lower_bound(looks.begin(), looks.end(), bytes,
                                        [file](const Look& look, long b) { return look.sizes[file] < b; });
    return found == looks.end() ? looks.back().moment : found->moment;
}

double FileGrowth::firstMoment() const { return looks.empty() ? 0 : looks.front().moment; }
