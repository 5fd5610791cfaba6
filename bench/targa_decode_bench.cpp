// How fast the game reads a large Targa (2048 x 2048, 32-bit, stored bottom
// row first), uncompressed and run-length, from a file and from memory, next
// to stb_image reading the very same bytes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/targa.h"
#include "tests/targa_packing.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

constexpr int side = 2048;

// Sky-like picture: smooth gradients (neighbours often equal, so runs are
// short), flat panels (long runs) and a noisy band (raw packets).
std::vector<unsigned char> bgraPixels() {
    std::vector<unsigned char> out;
    out.reserve(static_cast<std::size_t>(side) * side * 4);
    unsigned noise = 12345;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            unsigned char b, g, r, a = 255;
            if ((x / 256 + y / 256) % 4 == 0) {
                b = 200, g = 120, r = 40;
            } else if (y / 128 % 8 == 5) {
                noise = noise * 1103515245u + 12345u;
                b = static_cast<unsigned char>(noise >> 16), g = static_cast<unsigned char>(noise >> 8);
                r = static_cast<unsigned char>(x), a = static_cast<unsigned char>(noise >> 24);
            } else {
                b = static_cast<unsigned char>(x / 8), g = static_cast<unsigned char>(y / 8);
                r = static_cast<unsigned char>((x + y) / 16);
            }
            out.insert(out.end(), {b, g, r, a});
        }
    return out;
}

std::vector<unsigned char> header(int type) {
    return {0,          0,         static_cast<unsigned char>(type),
            0,          0,         0,
            0,          0,         0,
            0,          0,         0,
            side & 255, side >> 8, side & 255,
            side >> 8,  32,        8};
}

struct BenchFile {
    std::vector<unsigned char> bytes;
    std::string name;
};

BenchFile makeFile(bool runLength) {
    static const std::vector<unsigned char> pixels = bgraPixels();
    BenchFile f;
    f.bytes = header(runLength ? 10 : 2);
    std::vector<unsigned char> data = runLength ? runLengthEncode(pixels, 4) : pixels;
    f.bytes.insert(f.bytes.end(), data.begin(), data.end());
    char name[] = "/tmp/velmora-bench-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0 || write(fd, f.bytes.data(), f.bytes.size()) != static_cast<ssize_t>(f.bytes.size())) std::abort();
    close(fd);
    f.name = name;
    return f;
}

// Both files, made once and removed at exit.
struct Files {
    BenchFile uncompressed = makeFile(false);
    BenchFile runLength = makeFile(true);
    ~Files() {
        std::remove(uncompressed.name.c_str());
        std::remove(runLength.name.c_str());
    }
    const BenchFile& get(int which) const { return which ? runLength : uncompressed; }
};

const Files& files() {
    static Files f;
    return f;
}

void label(benchmark::State& state, const BenchFile& f) {
    state.SetLabel(std::string(&f == &files().runLength ? "run-length" : "uncompressed") + ", " +
                   std::to_string(f.bytes.size() / 1024) + " KiB");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * side * side * 4);
}

void readTargaFromFile(benchmark::State& state) {
    const BenchFile& f = files().get(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TargaImage image;
        if (!readTarga(image, f.name.c_str())) state.SkipWithError("readTarga failed");
        benchmark::DoNotOptimize(image.pixels);
        std::free(image.pixels);
    }
    label(state, f);
}

void stbLoadFromFile(benchmark::State& state) {
    const BenchFile& f = files().get(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        unsigned char* pixels = stbi_load(f.name.c_str(), &w, &h, &n, 4);
        if (!pixels) state.SkipWithError("stbi_load failed");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    label(state, f);
}

void decodeTargaFromMemory(benchmark::State& state) {
    const BenchFile& f = files().get(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TargaImage image;
        if (!decodeTarga(image, f.bytes.data(), f.bytes.size())) state.SkipWithError("decodeTarga failed");
        benchmark::DoNotOptimize(image.pixels);
        std::free(image.pixels);
    }
    label(state, f);
}

void stbLoadFromMemory(benchmark::State& state) {
    const BenchFile& f = files().get(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        unsigned char* pixels = stbi_load_from_memory(f.bytes.data(), static_cast<int>(f.bytes.size()), &w, &h, &n, 4);
        if (!pixels) state.SkipWithError("stbi_load_from_memory failed");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    label(state, f);
}

// Argument 0: uncompressed, 1: run-length.
BENCHMARK(readTargaFromFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(stbLoadFromFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(decodeTargaFromMemory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(stbLoadFromMemory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
