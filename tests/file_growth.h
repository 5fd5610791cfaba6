// How files grew while a game wrote them, watched from outside: each file's
// size every two milliseconds, on the test's steady clock.
#pragma once
#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Seconds on the steady clock, the one FileGrowth stamps its looks with.
double steadySeconds();

class FileGrowth {
public:
    explicit FileGrowth(std::vector<std::string> paths);
    ~FileGrowth();
    FileGrowth(const FileGrowth&) = delete;
    FileGrowth& operator=(const FileGrowth&) = delete;
    void stop();

    // The size of the file (by its place in the list given) seen last before
    // moment t and first after it; -1 while it was not there.
    std::pair<long, long> sizesAround(std::size_t file, double t) const;
    // The first moment the file was seen holding at least so many bytes; the
    // last look's moment when it never was.
    double firstMomentWith(std::size_t file, long bytes) const;
    double firstMoment() const;

private:
    struct Look {
        double moment;
        std::vector<long> sizes;
    };
    std::vector<std::string> paths;
    std::atomic<bool> running{true};
    std::vector<Look> looks;
    std::thread watcher;
};
