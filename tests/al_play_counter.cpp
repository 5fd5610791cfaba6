// Preloaded into the game by a test: counts the sounds OpenAL is asked to
// start, by the buffer each plays (named by its place among the buffers the
// game made), looping voices aside, and writes the counts to the file named by
// VELMORA_AL_PLAYS when the game ends ("PLACE COUNT" a line). The calls go on
// to the real OpenAL unchanged.
#include <AL/al.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

namespace {

std::map<ALuint, ALint> bufferOf;
std::map<ALint, int> placeOf;  // each buffer's place in the order they were made
std::set<ALuint> looping;
std::map<ALint, long> plays;

template <typename Function>
Function real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

__attribute__((destructor)) void writeCounts() {
    const char* path = std::getenv("VELMORA_AL_PLAYS");
    if (!path) return;
    if (std::FILE* out = std::fopen(path, "w")) {
        for (const auto& [buffer, count] : plays) std::fprintf(out, "%d %ld\n", placeOf[buffer], count);
        std::fclose(out);
    }
}

}  // namespace

extern "C" void alGenBuffers(ALsizei count, ALuint* buffers) {
    static const auto next = real<void (*)(ALsizei, ALuint*)>("alGenBuffers");
    next(count, buffers);
    for (ALsizei i = 0; i < count; ++i)
        placeOf.emplace(static_cast<ALint>(buffers[i]), static_cast<int>(placeOf.size()));
}

extern "C" void alSourcei(ALuint source, ALenum parameter, ALint value) {
    static const auto next = real<void (*)(ALuint, ALenum, ALint)>("alSourcei");
    if (parameter == AL_BUFFER) bufferOf[source] = value;
    if (parameter == AL_LOOPING) {
        if (value)
            looping.insert(source);
        else
            looping.erase(source);
    }
    next(source, parameter, value);
}

extern "C" void alSourcePlay(ALuint source) {
    static const auto next = real<void (*)(ALuint)>("alSourcePlay");
    if (!looping.count(source)) ++plays[bufferOf[source]];
    next(source);
}
