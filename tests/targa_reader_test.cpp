// The Targa reader: pictures built byte by byte, files bigger than the read
// buffer and cut short anywhere, compared with a reader that takes one byte at a
// time, and files written by ImageMagick as an independent encoder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/targa.h"
#include "tests/targa_packing.h"
#include "tests/temp_files.h"

namespace {

constexpr int uncompressedColour = 2;
constexpr int uncompressedGrey = 3;
constexpr int runLength = 10;
constexpr unsigned char topRowFirst = 32;

struct Header {
    int imageType = uncompressedColour;
    int depth = 24;
    int width = 1;
    int height = 1;
    unsigned char descriptor = 0;
    unsigned char idLength = 0;
    unsigned char colorMapType = 0;
    int colorMapLength = 0;
    unsigned char colorMapEntrySize = 0;
    int colorMapOrigin = 0;
    int xOrigin = 0;
    int yOrigin = 0;
};

void put16(Bytes& out, int value) {
    out.push_back(static_cast<unsigned char>(value & 255));
    out.push_back(static_cast<unsigned char>((value >> 8) & 255));
}

Bytes headerBytes(const Header& h) {
    Bytes out{h.idLength, h.colorMapType, static_cast<unsigned char>(h.imageType)};
    put16(out, h.colorMapOrigin);
    put16(out, h.colorMapLength);
    out.push_back(h.colorMapEntrySize);
    put16(out, h.xOrigin);
    put16(out, h.yOrigin);
    put16(out, h.width);
    put16(out, h.height);
    out.push_back(static_cast<unsigned char>(h.depth));
    out.push_back(h.descriptor);
    return out;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// File pixels (B, G, R) and the block pixels they become (R, G, B, 255).
const Bytes blueFile{255, 0, 0}, greenFile{0, 255, 0}, redFile{0, 0, 255}, whiteFile{255, 255, 255};
const Bytes blue{0, 0, 255, 255}, green{0, 255, 0, 255}, red{255, 0, 0, 255}, white{255, 255, 255, 255};

struct Decoded {
    bool ok = false;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    Bytes pixels;
};

// Where two decodes part, in words, or empty when they agree.
std::string difference(const Decoded& a, const Decoded& b) {
    std::ostringstream out;
    if (a.ok != b.ok) out << "accepted " << a.ok << " vs " << b.ok;
    if (!a.ok || !b.ok) return out.str();
    if (a.width != b.width || a.height != b.height || a.bitsPerPixel != b.bitsPerPixel)
        out << a.width << "x" << a.height << "x" << a.bitsPerPixel << " vs " << b.width << "x" << b.height << "x"
            << b.bitsPerPixel;
    else if (a.pixels.size() != b.pixels.size())
        out << a.pixels.size() << " bytes vs " << b.pixels.size();
    else
        for (std::size_t i = 0; i < a.pixels.size(); ++i)
            if (a.pixels[i] != b.pixels[i]) {
                out << "first difference at byte " << i << ": " << int(a.pixels[i]) << " vs " << int(b.pixels[i]);
                break;
            }
    return out.str();
}

Decoded takeImage(bool ok, TargaImage& image) {
    Decoded d;
    d.ok = ok;
    if (ok) {
        d.width = image.imageWidth;
        d.height = image.imageHeight;
        d.bitsPerPixel = image.bitsPerPixel;
        std::size_t size = static_cast<std::size_t>(d.width) * d.height * (d.bitsPerPixel / 8);
        d.pixels.assign(image.pixels, image.pixels + size);
    }
    std::free(image.pixels);
    return d;
}

Decoded fromMemory(const Bytes& file) {
    TargaImage image;
    bool ok = decodeTarga(image, file.data(), file.size());
    return takeImage(ok, image);
}

Decoded fromFile(const Bytes& file) {
    TempFolder folder;
    std::string name = folder.file("picture.tga");
    writeFile(name, file);
    TargaImage image;
    bool ok = readTarga(image, name.c_str());
    return takeImage(ok, image);
}

// Reading a file and decoding the same bytes in memory must agree.
Decoded decodeBoth(const Bytes& file) {
    Decoded memory = fromMemory(file);
    Decoded disk = fromFile(file);
    EXPECT_EQ(difference(memory, disk), "") << "memory vs file";
    return memory;
}

// The reading rules taken literally: one byte at a time, every missing byte
// 255, each pixel placed by its index in file order. Shares no code with the
// game's buffered reader.
Decoded referenceDecode(const Bytes& file) {
    std::size_t pos = 0;
    auto next = [&]() -> unsigned { return pos < file.size() ? file[pos++] : 255u; };
    auto next16 = [&]() -> unsigned {
        unsigned low = next();
        return low | next() << 8;
    };
    const unsigned idLength = next();
    const unsigned colorMapType = next();
    const unsigned type = next();
    next16();
    const unsigned colorMapLength = next16();
    const unsigned entrySize = next();
    next16();
    next16();
    const int width = static_cast<std::int16_t>(next16());
    const int height = static_cast<std::int16_t>(next16());
    const unsigned depth = next();
    const unsigned descriptor = next();

    Decoded d;
    if (type != 2 && type != 3 && type != 10) return d;
    if (depth != 8 && depth != 24 && depth != 32) return d;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return d;
    const std::size_t skipped = idLength + (colorMapType == 1 ? colorMapLength * ((entrySize + 7) / 8) : 0);
    const std::size_t count = static_cast<std::size_t>(width) * height;
    const std::size_t fileBytes = depth / 8;
    const std::size_t least = type == 10 ? (count + 127) / 128 * (1 + fileBytes) : count * fileBytes;
    const std::size_t start = 18 + skipped;
    const std::size_t present = file.size() > start ? file.size() - start : 0;
    if (least > present + 65536) return d;
    pos = start;

    const std::size_t blockBytes = depth == 8 ? 1 : 4;
    Bytes block(count * blockBytes, 0xCD);
    auto readPixel = [&](unsigned char* px) {
        if (depth == 8) {
            px[0] = static_cast<unsigned char>(next());
            return;
        }
        px[2] = static_cast<unsigned char>(next());
        px[1] = static_cast<unsigned char>(next());
        px[0] = static_cast<unsigned char>(next());
        px[3] = depth == 32 ? static_cast<unsigned char>(next()) : 255;
    };
    auto store = [&](std::size_t index, const unsigned char* px) {
        if (index >= count) return;
        std::size_t row = index / width;
        std::size_t col = index % width;
        if (!(descriptor & 32)) row = height - 1 - row;
        std::memcpy(&block[(row * width + col) * blockBytes], px, blockBytes);
    };
    unsigned char px[4];
    std::size_t index = 0;
    while (index < count) {
        if (type != 10) {
            readPixel(px);
            store(index++, px);
            continue;
        }
        const unsigned h = next();
        const unsigned n = (h & 127) + 1;
        if (h & 128) readPixel(px);
        for (unsigned i = 0; i < n; ++i) {
            if (!(h & 128)) readPixel(px);
            store(index++, px);
        }
    }
    d.ok = true;
    d.width = width;
    d.height = height;
    d.bitsPerPixel = depth == 8 ? 8 : 32;
    d.pixels = block;
    return d;
}

// ---------------------------------------------------------------------------
// Small pictures with known results.

struct PictureCase {
    const char* name;
    Bytes file;
    int width;
    int height;
    int bitsPerPixel;
    Bytes pixels;
};

Header header(int type, int depth, int width, int height, unsigned char descriptor = 0) {
    Header h;
    h.imageType = type;
    h.depth = depth;
    h.width = width;
    h.height = height;
    h.descriptor = descriptor;
    return h;
}

Header withIdLength(Header h, unsigned char idLength) {
    h.idLength = idLength;
    return h;
}

Header withColourMap(Header h, unsigned char mapType, int length, unsigned char entrySize) {
    h.colorMapType = mapType;
    h.colorMapLength = length;
    h.colorMapEntrySize = entrySize;
    return h;
}

std::vector<PictureCase> pictureCases() {
    return {
        {"BottomRowFirstFilesAreTurnedUpright",
         join({headerBytes(header(2, 24, 2, 2)), blueFile, greenFile, redFile, whiteFile}), 2, 2, 32,
         join({red, white, blue, green})},
        {"TopRowFirstFilesKeepTheirRowOrder",
         join({headerBytes(header(2, 24, 2, 2, topRowFirst)), blueFile, greenFile, redFile, whiteFile}), 2, 2, 32,
         join({blue, green, red, white})},
        {"DescriptorBitsOtherThanTopRowFirstAreIgnored",
         join({headerBytes(header(2, 24, 2, 2, 8 | 16 | 64 | 128)), blueFile, greenFile, redFile, whiteFile}), 2, 2, 32,
         join({red, white, blue, green})},
        {"ThirtyTwoBitPixelsKeepTheirAlpha", join({headerBytes(header(2, 32, 2, 1)), Bytes{1, 2, 3, 4, 5, 6, 7, 8}}), 2,
         1, 32, Bytes{3, 2, 1, 4, 7, 6, 5, 8}},
        {"GreyPicturesKeepOneBytePerPixelAndAreTurnedUpright",
         join({headerBytes(header(3, 8, 2, 2)), Bytes{10, 20, 30, 40}}), 2, 2, 8, Bytes{30, 40, 10, 20}},
        {"EightBitColourTypeIsReadAsGrey", join({headerBytes(header(2, 8, 3, 1)), Bytes{1, 2, 3}}), 3, 1, 8,
         Bytes{1, 2, 3}},
        {"TwentyFourBitGreyTypeIsReadAsColour", join({headerBytes(header(3, 24, 1, 1)), Bytes{1, 2, 3}}), 1, 1, 32,
         Bytes{3, 2, 1, 255}},
        {"RunPacketRepeatsOnePixel", join({headerBytes(header(10, 24, 4, 1)), Bytes{131, 0, 0, 255}}), 4, 1, 32,
         join({red, red, red, red})},
        {"RawPacketKeepsItsPixelsInOrder", join({headerBytes(header(10, 24, 2, 1)), Bytes{1}, greenFile, blueFile}), 2,
         1, 32, join({green, blue})},
        {"RunLengthThirtyTwoBitPixelsKeepTheirAlpha",
         join({headerBytes(header(10, 32, 3, 1)), Bytes{129, 1, 2, 3, 4, 0, 5, 6, 7, 8}}), 3, 1, 32,
         Bytes{3, 2, 1, 4, 3, 2, 1, 4, 7, 6, 5, 8}},
        // Bottom row: run of four fills it and spills into the top row.
        {"PacketsRunOnAcrossRows",
         join({headerBytes(header(10, 24, 3, 2)), Bytes{131}, redFile, Bytes{1}, greenFile, blueFile}), 3, 2, 32,
         join({red, green, blue, red, red, red})},
        {"RunLengthGreyDecodesOneBytePerPixel",
         join({headerBytes(header(10, 8, 3, 2, topRowFirst)), Bytes{130, 7, 1, 8, 9, 128, 5}}), 3, 2, 8,
         Bytes{7, 7, 7, 8, 9, 5}},
        {"RunPacketsPastTheLastPixelAreClipped",
         join({headerBytes(header(10, 24, 2, 1)), Bytes{255}, greenFile, Bytes{255}, redFile}), 2, 1, 32,
         join({green, green})},
        {"RawPacketsPastTheLastPixelAreClipped",
         join({headerBytes(header(10, 32, 2, 1)), Bytes{3, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4}}), 2, 1, 32,
         Bytes{1, 1, 1, 1, 2, 2, 2, 2}},
        {"ImageIdIsSkipped", join({headerBytes(withIdLength(header(2, 24, 1, 1), 3)), Bytes{'i', 'd', '!'}, redFile}),
         1, 1, 32, red},
        {"ColourMapIsSkipped",
         join({headerBytes(withColourMap(header(2, 24, 1, 1), 1, 2, 24)), blueFile, greenFile, redFile}), 1, 1, 32,
         red},
        {"ColourMapEntriesRoundUpToWholeBytes",
         join({headerBytes(withColourMap(withIdLength(header(2, 24, 1, 1), 1), 1, 3, 15)), Bytes(7, 9), redFile}), 1, 1,
         32, red},
        {"ColourMapIsSkippedOnlyWhenTheHeaderSaysThereIsOne",
         join({headerBytes(withColourMap(header(2, 24, 1, 1), 0, 5, 24)), redFile}), 1, 1, 32, red},
        {"MissingPixelDataReadsAsWhite", headerBytes(header(2, 24, 2, 2)), 2, 2, 32,
         join({white, white, white, white})},
        {"MissingGreyPixelsReadAs255", join({headerBytes(header(3, 8, 3, 1)), Bytes{4}}), 3, 1, 8, Bytes{4, 255, 255}},
        {"AFileCutInsideAPixelReadsTheRestAs255", join({headerBytes(header(2, 32, 1, 1)), Bytes{10, 20}}), 1, 1, 32,
         Bytes{255, 20, 10, 255}},
        {"AMissingPacketHeaderIsARunOfWhite",
         join({headerBytes(header(10, 24, 3, 1, topRowFirst)), Bytes{128}, redFile}), 3, 1, 32,
         join({red, white, white})},
        {"ARunPacketCutInsideItsPixelRepeatsThe255s", join({headerBytes(header(10, 32, 2, 1)), Bytes{129, 10}}), 2, 1,
         32, Bytes{255, 255, 10, 255, 255, 255, 10, 255}},
        {"BytesAfterTheLastPixelAreIgnored", join({headerBytes(header(2, 24, 1, 1)), greenFile, Bytes{1, 2, 3, 4, 5}}),
         1, 1, 32, green},
        {"AHeaderCutBeforeItsDescriptorStillDecodes", Bytes{0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 8}, 2, 1, 8,
         Bytes{255, 255}},
    };
}

class TargaPicture : public testing::TestWithParam<PictureCase> {};

TEST_P(TargaPicture, DecodesToTheExpectedBlock) {
    const PictureCase& c = GetParam();
    Decoded d = decodeBoth(c.file);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, c.width);
    EXPECT_EQ(d.height, c.height);
    EXPECT_EQ(d.bitsPerPixel, c.bitsPerPixel);
    EXPECT_EQ(d.pixels, c.pixels);
    // The stated rules give the same block when followed byte by byte.
    EXPECT_EQ(difference(referenceDecode(c.file), d), "");
}

INSTANTIATE_TEST_SUITE_P(Targa, TargaPicture, testing::ValuesIn(pictureCases()),
                         [](const testing::TestParamInfo<PictureCase>& info) { return info.param.name; });

TEST(TargaHeader, SixteenBitFieldsAreLittleEndian) {
    Header h = withColourMap(header(2, 24, 0x0102, 1), 0, 0x0506, 24);
    h.colorMapOrigin = 0x0304;
    h.xOrigin = 0x0708;
    h.yOrigin = 0x090A;
    Bytes file = headerBytes(h);
    TargaImage image;
    ASSERT_TRUE(decodeTarga(image, file.data(), file.size()));
    EXPECT_EQ(image.colorMapOrigin, 0x0304);
    EXPECT_EQ(image.colorMapLength, 0x0506);
    EXPECT_EQ(image.xOrigin, 0x0708);
    EXPECT_EQ(image.yOrigin, 0x090A);
    EXPECT_EQ(image.width, 0x0102);
    EXPECT_EQ(image.imageWidth, 0x0102);
    std::free(image.pixels);
}

TEST(TargaHeader, TheWidestAllowedRowIsRead) {
    Bytes file = headerBytes(header(3, 8, 16384, 1, topRowFirst));
    for (int i = 0; i < 16384; ++i) file.push_back(static_cast<unsigned char>(i * 7));
    Decoded d = decodeBoth(file);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.pixels, Bytes(file.begin() + 18, file.end()));
}

// ---------------------------------------------------------------------------
// Files the reader refuses.

struct RefusedCase {
    const char* name;
    Bytes file;
};

std::vector<RefusedCase> refusedCases() {
    Bytes someData(64, 0);
    return {
        {"ColourMappedType1", join({headerBytes(withColourMap(header(1, 8, 2, 2), 1, 2, 24)), someData})},
        {"NoImageType0", join({headerBytes(header(0, 24, 2, 2)), someData})},
        {"RunLengthColourMappedType9", join({headerBytes(header(9, 8, 2, 2)), someData})},
        {"RunLengthGreyType11", join({headerBytes(header(11, 8, 2, 2)), someData})},
        {"Depth16", join({headerBytes(header(2, 16, 2, 2)), someData})},
        {"Depth15", join({headerBytes(header(2, 15, 2, 2)), someData})},
        {"Depth0", join({headerBytes(header(2, 0, 2, 2)), someData})},
        {"RunLengthDepth16", join({headerBytes(header(10, 16, 2, 2)), someData})},
        {"ZeroWidth", join({headerBytes(header(2, 24, 0, 2)), someData})},
        {"ZeroHeight", join({headerBytes(header(2, 24, 2, 0)), someData})},
        {"NegativeWidth", join({headerBytes(header(2, 24, 0xFFFF, 2)), someData})},
        {"NegativeHeight", join({headerBytes(header(3, 8, 2, 0x8000)), someData})},
        {"WidthPastTheLargestTexture", join({headerBytes(header(3, 8, 16385, 1)), Bytes(16385, 0)})},
        {"HeightPastTheLargestTexture", join({headerBytes(header(3, 8, 1, 16385)), Bytes(16385, 0)})},
        {"TinyFileClaiming30000By30000", headerBytes(header(2, 32, 30000, 30000))},
        {"TinyFileClaiming16000By16000", headerBytes(header(2, 32, 16000, 16000))},
        {"TinyRunLengthFileClaiming16000By16000", join({headerBytes(header(10, 32, 16000, 16000)), someData})},
        {"EmptyFile", Bytes{}},
        // The depth byte itself is missing and reads as 255.
        {"FileEndingBeforeTheDepth", Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0}},
    };
}

class RefusedTarga : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedTarga, IsRefused) {
    Decoded d = decodeBoth(GetParam().file);
    EXPECT_FALSE(d.ok);
}

INSTANTIATE_TEST_SUITE_P(Targa, RefusedTarga, testing::ValuesIn(refusedCases()),
                         [](const testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

TEST(TargaFile, AMissingFileIsRefused) {
    TargaImage image;
    EXPECT_FALSE(readTarga(image, "/nonexistent/velmora/picture.tga"));
    EXPECT_EQ(image.pixels, nullptr);
}

// A short file is decoded with 255s as long as it lacks no more than 64 KiB of
// the least data its header needs; one byte more and it is refused.
struct ShortFileCase {
    const char* name;
    Header header;
    std::size_t idBytes;
    std::size_t pixelBytes;
    bool accepted;
};

class ShortTarga : public testing::TestWithParam<ShortFileCase> {};

TEST_P(ShortTarga, IsAcceptedOnlyWithinTheMissingDataAllowance) {
    const ShortFileCase& c = GetParam();
    Bytes file = join({headerBytes(c.header), Bytes(c.idBytes, 'x'), Bytes(c.pixelBytes, 0)});
    Decoded d = decodeBoth(file);
    EXPECT_EQ(d.ok, c.accepted);
    if (c.accepted) {
        EXPECT_EQ(difference(d, referenceDecode(file)), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Targa, ShortTarga,
                         testing::ValuesIn(std::vector<ShortFileCase>{
                             {"GreyLackingExactlyTheAllowance", header(3, 8, 256, 256), 0, 0, true},
                             {"GreyLackingOneByteMore", header(3, 8, 257, 256), 0, 255, false},
                             {"GreyLackingTheAllowanceAfterSomeData", header(3, 8, 257, 256), 0, 256, true},
                             {"ImageIdBytesAreNotPixelData", withIdLength(header(3, 8, 257, 256), 10), 10, 255, false},
                             {"ImageIdBytesAreNotNeededPixelData", withIdLength(header(3, 8, 257, 256), 10), 10, 256,
                              true},
                             {"ColourLackingOneByteMore", header(2, 32, 129, 128), 0, 511, false},
                             {"ColourLackingTheAllowance", header(2, 32, 129, 128), 0, 512, true},
                             // 2049 x 2047 pixels need ceil(pixels / 128) = 32768 packets of 4 bytes.
                             {"RunLengthCountsAPartPacketAsAWholeOne", header(10, 24, 2049, 2047), 0, 65535, false},
                             {"RunLengthLackingTheAllowance", header(10, 24, 2049, 2047), 0, 65536, true},
                         }),
                         [](const testing::TestParamInfo<ShortFileCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Files bigger than the reader's 64 KiB buffer, whole and cut short.

// A picture of smooth and flat areas, as the game's pictures are.
Bytes filePixels(int width, int height, int depth) {
    Bytes out;
    const int fileBytes = depth / 8;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            bool flat = (x / 37 + y / 23) % 3 == 0;
            unsigned char v[4] = {static_cast<unsigned char>(flat ? 40 : x), static_cast<unsigned char>(flat ? 80 : y),
                                  static_cast<unsigned char>(flat ? 120 : x ^ y),
                                  static_cast<unsigned char>(flat ? 255 : (x + y) & 255)};
            out.insert(out.end(), v, v + fileBytes);
        }
    return out;
}

struct BigFileCase {
    int type;
    int depth;
    unsigned char descriptor;
    unsigned char idLength;
};

std::string bigFileName(const testing::TestParamInfo<BigFileCase>& info) {
    const BigFileCase& c = info.param;
    return std::string(c.type == runLength ? "RunLength" : "Uncompressed") + std::to_string(c.depth) + "Bit" +
           (c.descriptor & topRowFirst ? "TopRowFirst" : "BottomRowFirst") + (c.idLength ? "WithImageId" : "");
}

class BigTarga : public testing::TestWithParam<BigFileCase> {
protected:
    Bytes file() const {
        const BigFileCase& c = GetParam();
        // Grey needs more pixels than colour to outgrow the buffer.
        const int side = c.depth == 8 ? 400 : 300;
        Bytes pixels = filePixels(side, side, c.depth);
        Bytes data = c.type == runLength ? runLengthEncode(pixels, c.depth / 8) : pixels;
        return join({headerBytes(withIdLength(header(c.type, c.depth, side, side, c.descriptor), c.idLength)),
                     Bytes(c.idLength, 'i'), data});
    }
};

TEST_P(BigTarga, DecodesLikeTheByteAtATimeReader) {
    Bytes whole = file();
    ASSERT_GT(whole.size(), 65536u);
    Decoded d = decodeBoth(whole);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(difference(d, referenceDecode(whole)), "");
}

TEST_P(BigTarga, FilesCutAnywhereReadTheMissingBytesAs255) {
    const Bytes whole = file();
    // Cuts around each refill of the buffer (inside pixels and packets), and
    // either side of the most a file may lack.
    std::vector<std::size_t> cuts{whole.size() - 1, whole.size() - 2, whole.size() / 2, whole.size() - 65536,
                                  whole.size() - 65537};
    for (std::size_t refill = 65536; refill < whole.size(); refill += 65536)
        for (std::size_t cut = refill - 3; cut <= refill + 3; ++cut) cuts.push_back(cut);
    int accepted = 0;
    for (std::size_t cut : cuts) {
        if (cut >= whole.size()) continue;
        SCOPED_TRACE("cut at " + std::to_string(cut) + " of " + std::to_string(whole.size()));
        Bytes shortFile(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        Decoded expected = referenceDecode(shortFile);
        accepted += expected.ok;
        EXPECT_EQ(difference(decodeBoth(shortFile), expected), "");
    }
    EXPECT_GE(accepted, 9);
}

INSTANTIATE_TEST_SUITE_P(Targa, BigTarga,
                         testing::Values(BigFileCase{2, 32, 0, 0}, BigFileCase{2, 32, topRowFirst, 0},
                                         BigFileCase{2, 24, 0, 5}, BigFileCase{3, 8, topRowFirst, 0},
                                         BigFileCase{10, 32, 0, 0}, BigFileCase{10, 32, topRowFirst, 0},
                                         BigFileCase{10, 24, 0, 7}, BigFileCase{10, 8, 0, 0}),
                         bigFileName);

// Many small random files, valid or nearly so, cut or padded at random.
TEST(TargaRandomFiles, DecodeLikeTheByteAtATimeReader) {
    std::mt19937 random(20240611);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const int types[] = {2, 3, 10, 10, 1, 11};
    const int depths[] = {8, 24, 32, 16};
    for (int round = 0; round < 3000; ++round) {
        Header h = header(types[pick(0, 5)], depths[pick(0, 3)], pick(-2, 40), pick(-2, 40),
                          static_cast<unsigned char>(pick(0, 255)));
        h.idLength = static_cast<unsigned char>(pick(0, 1) ? 0 : pick(0, 255));
        h = withColourMap(h, static_cast<unsigned char>(pick(0, 2)), pick(0, 20),
                          static_cast<unsigned char>(pick(0, 33)));
        Bytes file = headerBytes(h);
        const int extra = pick(0, 6000);
        for (int i = 0; i < extra; ++i) file.push_back(static_cast<unsigned char>(pick(0, 3) ? pick(0, 255) : 255));
        if (pick(0, 1)) file.resize(static_cast<std::size_t>(pick(0, static_cast<int>(file.size()))));
        SCOPED_TRACE("round " + std::to_string(round));
        Decoded expected = referenceDecode(file);
        ASSERT_EQ(difference(fromMemory(file), expected), "");
        if (round % 10 == 0) {
            ASSERT_EQ(difference(fromFile(file), expected), "");
        }
    }
}

// ---------------------------------------------------------------------------
// Files written by ImageMagick.

bool haveImageMagick() { return std::system("convert -version >/dev/null 2>&1") == 0; }

// A 5 x 3 picture, top row first, with runs for the run-length encoder to find.
struct Picture {
    int width = 5;
    int height = 3;
    int channels;
    Bytes pixels;
};

Picture testPicture(int channels) {
    const unsigned char rgba[15][4] = {
        {255, 0, 0, 255}, {255, 0, 0, 255},  {255, 0, 0, 255},  {0, 255, 0, 200}, {0, 0, 255, 100},
        {10, 20, 30, 40}, {200, 100, 50, 0}, {200, 100, 50, 0}, {1, 2, 3, 255},   {250, 251, 252, 253},
        {0, 0, 0, 255},   {0, 0, 0, 255},    {0, 0, 0, 255},    {0, 0, 0, 255},   {90, 180, 45, 255},
    };
    Picture p;
    p.channels = channels;
    for (const auto& px : rgba) {
        if (channels == 1)
            p.pixels.push_back(static_cast<unsigned char>(px[0] / 3 + px[1] / 2));
        else
            p.pixels.insert(p.pixels.end(), px, px + channels);
    }
    return p;
}

// Netpbm text ImageMagick reads without guessing: P5 grey, P6 RGB, P7 RGBA.
Bytes netpbm(const Picture& p) {
    std::ostringstream head;
    if (p.channels == 4)
        head << "P7\nWIDTH " << p.width << "\nHEIGHT " << p.height
             << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    else
        head << (p.channels == 1 ? "P5\n" : "P6\n") << p.width << " " << p.height << "\n255\n";
    std::string text = head.str();
    return join({Bytes(text.begin(), text.end()), p.pixels});
}

struct MagickCase {
    const char* name;
    int channels;
    const char* options;
    // ImageMagick writes rows in the order it holds them and only marks the
    // file bottom or top row first; a file marked bottom row first thus shows
    // the picture upside down unless it was flipped on the way in.
    bool showsUpsideDown;
};

// The picture as ImageMagick itself reads the file back, orientation applied:
// what the game's block must hold (RGBA for colour, one byte for grey).
Bytes imageMagickReading(const std::string& file, int channels, const std::string& rawName) {
    std::string command =
        "convert '" + file + "' -auto-orient -depth 8 " + (channels == 1 ? "gray:'" : "rgba:'") + rawName + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return readFile(rawName);
}

class ImageMagickTarga : public testing::TestWithParam<MagickCase> {};

TEST_P(ImageMagickTarga, DecodesToThePictureWritten) {
    if (!haveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    const MagickCase& c = GetParam();
    Picture picture = testPicture(c.channels);
    TempFolder folder;
    const std::string in = folder.file(c.channels == 4 ? "in.pam" : c.channels == 1 ? "in.pgm" : "in.ppm");
    const std::string out = folder.file("out.tga");
    writeFile(in, netpbm(picture));
    std::string command = "convert '" + in + "' " + c.options + " '" + out + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    Bytes expected;
    for (int row = 0; row < picture.height; ++row) {
        int from = c.showsUpsideDown ? picture.height - 1 - row : row;
        for (int col = 0; col < picture.width; ++col) {
            const unsigned char* px = &picture.pixels[(from * picture.width + col) * picture.channels];
            expected.insert(expected.end(), px, px + picture.channels);
            if (picture.channels == 3) expected.push_back(255);
        }
    }
    ASSERT_EQ(imageMagickReading(out, c.channels, folder.file("back.raw")), expected) << command;
    Decoded d = decodeBoth(readFile(out));
    ASSERT_TRUE(d.ok) << command;
    EXPECT_EQ(d.width, picture.width);
    EXPECT_EQ(d.height, picture.height);
    EXPECT_EQ(d.bitsPerPixel, c.channels == 1 ? 8 : 32);
    EXPECT_EQ(d.pixels, expected) << command;
}

INSTANTIATE_TEST_SUITE_P(
    Targa, ImageMagickTarga,
    testing::ValuesIn(std::vector<MagickCase>{
        {"RgbBottomRowFirst", 3, "-flip -type TrueColor -compress None", false},
        {"RgbRunLengthBottomRowFirst", 3, "-flip -type TrueColor -compress RLE", false},
        {"RgbTopRowFirst", 3, "-orient TopLeft -type TrueColor -compress None", false},
        {"RgbRunLengthTopRowFirst", 3, "-orient TopLeft -type TrueColor -compress RLE", false},
        {"RgbMarkedBottomRowFirst", 3, "-type TrueColor -compress None", true},
        {"RgbRunLengthMarkedBottomRowFirst", 3, "-type TrueColor -compress RLE", true},
        {"RgbWithImageId", 3, "-flip -set comment velmora -type TrueColor -compress None", false},
        {"RgbRunLengthWithImageId", 3, "-flip -set comment velmora -type TrueColor -compress RLE", false},
        {"RgbaBottomRowFirst", 4, "-flip -type TrueColorAlpha -compress None", false},
        {"RgbaRunLengthBottomRowFirst", 4, "-flip -type TrueColorAlpha -compress RLE", false},
        {"RgbaRunLengthTopRowFirst", 4, "-orient TopLeft -type TrueColorAlpha -compress RLE", false},
        {"GreyBottomRowFirst", 1, "-flip -type Grayscale -compress None", false},
        {"GreyTopRowFirst", 1, "-orient TopLeft -type Grayscale -compress None", false},
    }),
    [](const testing::TestParamInfo<MagickCase>& info) { return info.param.name; });

// A picture big enough to need several buffer refills, encoded by ImageMagick.
TEST(ImageMagickTargaLarge, PicturesBiggerThanTheBufferDecodeExactly) {
    if (!haveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    Picture picture;
    picture.width = 300;
    picture.height = 300;
    picture.channels = 4;
    Bytes bgra = filePixels(300, 300, 32);
    for (std::size_t i = 0; i < bgra.size(); i += 4)
        picture.pixels.insert(picture.pixels.end(), {bgra[i + 2], bgra[i + 1], bgra[i], bgra[i + 3]});
    TempFolder folder;
    writeFile(folder.file("in.pam"), netpbm(picture));
    for (const char* compress : {"RLE", "None"}) {
        SCOPED_TRACE(compress);
        std::string command = "convert '" + folder.file("in.pam") +
                              "' -orient TopLeft -type TrueColorAlpha -compress " + compress + " '" +
                              folder.file("out.tga") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        Bytes file = readFile(folder.file("out.tga"));
        ASSERT_GT(file.size(), 65536u);
        Decoded d = decodeBoth(file);
        ASSERT_TRUE(d.ok);
        EXPECT_TRUE(d.pixels == picture.pixels);
    }
}

}  // namespace
