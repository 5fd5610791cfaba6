// Targa decoding through a read buffer. A byte missing at the end of the file
// reads as 255, exactly as a byte-at-a-time reader hitting end-of-file would;
// nothing is ever written outside the pixel block.
#include "gfx/targa.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::uint8_t topRowFirstBit = 32;
constexpr std::size_t fileChunk = 1 << 16;
constexpr int headerBytes = 18;

// Bytes from memory or from a file, refilled in chunks.
struct ByteSource {
    const unsigned char* cur = nullptr;
    const unsigned char* end = nullptr;
    std::FILE* file = nullptr;
    unsigned char* chunk = nullptr;

    bool refill() {
        if (!file) return false;
        std::size_t got = std::fread(chunk, 1, fileChunk, file);
        cur = chunk;
        end = chunk + got;
        return got > 0;
    }
    unsigned char next() {
        if (cur == end && !refill()) return 255;
        return *cur++;
    }
    // Up to want bytes available contiguously right now (refilling if empty).
    std::size_t available(std::size_t want) {
        if (cur == end) refill();
        std::size_t have = static_cast<std::size_t>(end - cur);
        return have < want ? have : want;
    }
    void skip(std::size_t count) {
        while (count > 0) {
            std::size_t n = available(count);
            if (n == 0) return;
            cur += n;
            count -= n;
        }
    }
};

std::uint16_t next16(ByteSource& in) {
    std::uint16_t low = in.next();
    return static_cast<std::uint16_t>(low + 256 * in.next());
}

// n copies of one four-byte pixel: the long runs of a picture's clear or
// even areas are most of what a run-length file holds.
void fill32(unsigned char* out, const unsigned char* pixel, int n) {
    int i = 0;
#if defined(__SSE2__)
    std::uint32_t value;
    std::memcpy(&value, pixel, 4);
    const __m128i four = _mm_set1_epi32(static_cast<int>(value));
    for (; i + 4 <= n; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), four);
#endif
    for (; i < n; ++i) std::memcpy(out + 4 * i, pixel, 4);
}

// Where decoded pixels go: in file order, into rows flipped as needed, and
// clipped at the end of the block.
struct PixelSink {
    unsigned char* block;
    int width;
    int height;
    int bytesPerPixel;
    bool topRowFirst;
    int row = 0;
    int col = 0;
    unsigned char* out = nullptr;

    void startRow() {
        int target = topRowFirst ? row : height - 1 - row;
        out = block + static_cast<std::size_t>(target) * width * bytesPerPixel;
        col = 0;
    }
    bool full() const { return row >= height; }
    void advance() {
        if (++col == width) {
            ++row;
            if (!full()) startRow();
        }
    }
    // count copies of one pixel, clipped at the end of the block.
    void fill(const unsigned char* pixel, int count) {
        while (count > 0 && !full()) {
            int n = width - col < count ? width - col : count;
            if (bytesPerPixel == 1) {
                std::memset(out, pixel[0], static_cast<std::size_t>(n));
            } else {
                fill32(out, pixel, n);
            }
            out += n * bytesPerPixel;
            col += n - 1;
            advance();
            count -= n;
        }
    }
    void put(const unsigned char* pixel) {
        if (full()) return;
        std::memcpy(out, pixel, bytesPerPixel);
        out += bytesPerPixel;
        advance();
    }
};

// One file pixel in the block's own layout: grey byte, or R, G, B, A.
void readPixel(ByteSource& in, int depth, unsigned char* pixel) {
    if (depth == 8) {
        pixel[0] = in.next();
        return;
    }
    unsigned char b = in.next();
    unsigned char g = in.next();
    unsigned char r = in.next();
    pixel[0] = r;
    pixel[1] = g;
    pixel[2] = b;
    pixel[3] = depth == 32 ? in.next() : 255;
}

// File pixels B, G, R, A to block pixels R, G, B, A; the file bytes and the
// block never overlap.
void convert32(const unsigned char* __restrict src, unsigned char* __restrict dst, std::size_t count) {
#if defined(__SSE2__)
    // Four pixels per 128-bit register: bytes 0 and 2 of each swap places.
    const __m128i keep4 = _mm_set1_epi32(static_cast<int>(0xFF00FF00u));
    const __m128i low4 = _mm_set1_epi32(0xFF);
    for (; count >= 4; count -= 4, src += 16, dst += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
        __m128i swapped =
            _mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, 16), low4), _mm_slli_epi32(_mm_and_si128(v, low4), 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_or_si128(_mm_and_si128(v, keep4), swapped));
    }
#endif
    for (; count > 0; --count, src += 4, dst += 4) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
        dst[3] = src[3];
    }
}

// File pixels B, G, R to block pixels R, G, B, 255.
void convert24(const unsigned char* __restrict src, unsigned char* __restrict dst, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, src += 3, dst += 4) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
        dst[3] = 255;
    }
}

// Copies up to limit whole pixels straight from the buffer into the current
// row; returns how many (0 when the buffer does not hold one whole pixel).
std::size_t copyFromBuffer(ByteSource& in, int depth, PixelSink& sink, std::size_t limit) {
    const std::size_t fileBytes = static_cast<std::size_t>(depth / 8);
    const std::size_t rowLeft = static_cast<std::size_t>(sink.width - sink.col);
    const std::size_t run = in.available((limit < rowLeft ? limit : rowLeft) * fileBytes) / fileBytes;
    if (run == 0) return 0;
    if (depth == 8)
        std::memcpy(sink.out, in.cur, run);
    else if (depth == 32)
        convert32(in.cur, sink.out, run);
    else
        convert24(in.cur, sink.out, run);
    in.cur += run * fileBytes;
    sink.out += run * sink.bytesPerPixel;
    sink.col += static_cast<int>(run) - 1;
    sink.advance();
    return run;
}

// Up to limit file pixels into the block: whole rows' worth from the buffer
// where it has them, one byte at a time (255 past the end) where it does not.
void copyPixels(ByteSource& in, int depth, PixelSink& sink, std::size_t limit) {
    unsigned char pixel[4];
    while (limit > 0 && !sink.full()) {
        std::size_t copied = copyFromBuffer(in, depth, sink, limit);
        if (copied == 0) {
            readPixel(in, depth, pixel);
            sink.put(pixel);
            copied = 1;
        }
        limit -= copied;
    }
}

void decodeUncompressed(ByteSource& in, int depth, PixelSink& sink) {
    copyPixels(in, depth, sink, static_cast<std::size_t>(sink.width) * sink.height);
}

void decodeRunLength(ByteSource& in, int depth, PixelSink& sink) {
    unsigned char pixel[4];
    while (!sink.full()) {
        unsigned char header = in.next();
        int count = (header & 127) + 1;
        if (header & 128) {
            readPixel(in, depth, pixel);
            sink.fill(pixel, count);
        } else {
            // Pixels of the packet past the end of the block are never read:
            // nothing is decoded after them.
            copyPixels(in, depth, sink, static_cast<std::size_t>(count));
        }
    }
}

std::size_t leastDataBytes(std::size_t pixelCount, int depth, bool runLength) {
    std::size_t fileBytes = static_cast<std::size_t>(depth / 8);
    if (!runLength) return pixelCount * fileBytes;
    return (pixelCount + 127) / 128 * (1 + fileBytes);
}

bool decode(TargaImage& image, ByteSource& in, std::size_t totalBytes) {
    image.idLength = in.next();
    image.colorMapType = in.next();
    image.imageType = in.next();
    image.colorMapOrigin = next16(in);
    image.colorMapLength = next16(in);
    image.colorMapEntrySize = in.next();
    image.xOrigin = next16(in);
    image.yOrigin = next16(in);
    image.width = static_cast<std::int16_t>(next16(in));
    image.height = static_cast<std::int16_t>(next16(in));
    image.pixelDepth = in.next();
    image.imageDescriptor = in.next();

    const int type = image.imageType;
    const int depth = image.pixelDepth;
    if ((type != 2 && type != 3 && type != 10) || (depth != 8 && depth != 24 && depth != 32)) return false;
    const int width = image.width;
    const int height = image.height;
    if (width <= 0 || height <= 0 || width > maxPictureSide || height > maxPictureSide) return false;

    // Image ID and colour map come before the pixels; neither is used.
    std::size_t skipped = image.idLength;
    if (image.colorMapType == 1)
        skipped += static_cast<std::size_t>(image.colorMapLength) * ((image.colorMapEntrySize + 7) / 8);
    const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t dataStart = headerBytes + skipped;
    const std::size_t present = totalBytes > dataStart ? totalBytes - dataStart : 0;
    const std::size_t needed = leastDataBytes(pixelCount, depth, type == 10);
    if (needed > present && needed - present > maxMissingTargaBytes) return false;
    in.skip(skipped);

    const int bytesPerPixel = depth == 8 ? 1 : 4;
    auto* block = static_cast<unsigned char*>(std::malloc(pixelCount * bytesPerPixel));
    if (!block) return false;
    PixelSink sink{block, width, height, bytesPerPixel, (image.imageDescriptor & topRowFirstBit) != 0};
    sink.startRow();
    if (type == 10)
        decodeRunLength(in, depth, sink);
    else
        decodeUncompressed(in, depth, sink);

    image.pixels = block;
    image.imageWidth = width;
    image.imageHeight = height;
    image.bitsPerPixel = depth == 24 ? 32 : depth;
    return true;
}

}  // namespace

bool decodeTarga(TargaImage& image, const unsigned char* data, std::size_t size) {
    ByteSource in;
    in.cur = data;
    in.end = data + size;
    return decode(image, in, size);
}

bool readTarga(TargaImage& image, const char* fileName) {
    std::FILE* file = std::fopen(fileName, "rb");
    if (!file) return false;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    std::rewind(file);
    if (size < 0) {
        std::fclose(file);
        return false;
    }
    std::unique_ptr<unsigned char[]> chunk(new unsigned char[fileChunk]);
    ByteSource in;
    in.file = file;
    in.chunk = chunk.get();
    in.cur = in.end = chunk.get();
    bool ok = decode(image, in, static_cast<std::size_t>(size));
    std::fclose(file);
    return ok;
}
