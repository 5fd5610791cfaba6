// Joins a loop's takes in a random order of its own: a plain sequence seeded
// by the caller, so every opening of the player builds the same loop.
#include "audio/loop_takes.h"

std::vector<std::int16_t> joinTakes(const std::vector<WavSound>& takes, double seconds, std::uint32_t seed) {
    std::vector<const WavSound*> usable;
    for (const WavSound& take : takes)
        if (!take.samples.empty() && take.rate == takes.front().rate) usable.push_back(&take);
    std::vector<std::int16_t> loop;
    if (usable.empty()) return loop;
    const double wanted = seconds * usable.front()->rate;
    std::size_t last = usable.size();
    while (static_cast<double>(loop.size()) < wanted) {
        seed = seed * 1664525u + 1013904223u;
        std::size_t pick = (seed >> 8) % usable.size();
        // One of the others: the draw is over the takes but the last.
        if (usable.size() > 1 && last < usable.size()) pick = (last + 1 + (seed >> 8) % (usable.size() - 1)) % usable.size();
        loop.insert(loop.end(), usable[pick]->samples.begin(), usable[pick]->samples.end());
        last = pick;
    }
    return loop;
}
