// Preloaded into the game by a test: counts the sounds OpenAL is asked to
// start, by the buffer each plays, looping voices aside, and writes the counts
// to the file named by VELMORA_AL_PLAYS when the game ends ("BUFFER COUNT" a
// line). The calls go on to the real OpenAL unchanged.
#include <AL/al.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

namespace {

std::map<ALuint, ALint> bufferOf;
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
        for (const auto& [buffer, count] : plays) std::fprintf(out, "%d %ld\n", buffer, count);
        std::fclose(out);
    }
}

}  // namespace

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
