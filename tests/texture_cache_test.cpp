// Shared textures: one handle and one upload per name pointer, counted
// references, failed loads cached until their last release.
#include "gfx/texture_cache.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/sprite.h"
#include "tests/recording_gl.h"
#include "tests/test_support.h"

namespace {

// A 1 x 1 red Targa, uncompressed 24-bit.
void writeTinyTarga(const char* path) {
    const unsigned char bytes[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 0, 0, 255};
    std::FILE* f = std::fopen(path, "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes, 1, sizeof bytes, f);
    std::fclose(f);
}

class TextureCacheTest : public ::testing::Test {
protected:
    char path[64];
    void SetUp() override {
        resetGameGlobals();
        std::snprintf(path, sizeof path, "/tmp/velmora-cache-%d.tga", int(::getpid()));
        writeTinyTarga(path);
    }
    void TearDown() override {
        std::remove(path);
        EXPECT_TRUE(textureCache.empty());
    }
};

TEST_F(TextureCacheTest, ElevenLoadsShareOneHandleUntilTheLastRelease) {
    TextureHandle* handles[11];
    for (auto& h : handles) h = loadTexture(path);
    for (auto* h : handles) EXPECT_EQ(h, handles[0]);
    EXPECT_EQ(handles[0]->refCount, 11);
    EXPECT_EQ(countCalls("glTexImage2D"), 1);
    EXPECT_EQ(countCalls("glGenTextures"), 1);
    const unsigned int name = handles[0]->glName;
    EXPECT_NE(name, 0u);
    for (int i = 0; i < 10; ++i) releaseTexture(handles[i]);
    EXPECT_EQ(handles[10]->refCount, 1);
    EXPECT_EQ(textureCache.size(), 1u);
    EXPECT_TRUE(deletedTextures.empty());
    releaseTexture(handles[10]);
    EXPECT_TRUE(textureCache.empty());
    EXPECT_EQ(deletedTextures, std::vector<unsigned int>{name});
}

TEST_F(TextureCacheTest, NameIsReadAgainAfterItsHandleDied) {
    TextureHandle* h = loadTexture(path);
    releaseTexture(h);
    TextureHandle* again = loadTexture(path);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->refCount, 1);
    EXPECT_EQ(countCalls("glTexImage2D"), 2);
    releaseTexture(again);
}

TEST_F(TextureCacheTest, MissingFileIsCachedWithoutTextureAndRetriedAfterRelease) {
    static const char missing[] = "img/none.tga";
    TextureHandle* h = nullptr;
    std::string said = captureDiagnostics([&] { h = loadTexture(missing); });
    EXPECT_EQ(said, "Texture file img/none.tga not found\n");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->glName, 0u);
    EXPECT_EQ(h->refCount, 1);
    TextureHandle* second = nullptr;
    said = captureDiagnostics([&] { second = loadTexture(missing); });
    EXPECT_EQ(said, "");
    EXPECT_EQ(second, h);
    EXPECT_EQ(h->refCount, 2);
    releaseTexture(second);
    releaseTexture(h);
    EXPECT_TRUE(textureCache.empty());
    said = captureDiagnostics([&] { h = loadTexture(missing); });
    EXPECT_EQ(said, "Texture file img/none.tga not found\n");
    releaseTexture(h);
}

TEST_F(TextureCacheTest, SameTextAtTwoAddressesGivesTwoHandles) {
    std::string copyA = path, copyB = path;
    TextureHandle* a = loadTexture(copyA.c_str());
    TextureHandle* b = loadTexture(copyB.c_str());
    EXPECT_NE(a, b);
    EXPECT_NE(a->glName, b->glName);
    EXPECT_EQ(textureCache.size(), 2u);
    releaseTexture(a);
    releaseTexture(b);
}

TEST_F(TextureCacheTest, UnknownExtensionsGiveNullSilently) {
    for (const char* name : {"img/pic.TGA", "img/pic.tga.bak", "img/pic", "img.d/pic", "img/pic.bmp"}) {
        TextureHandle* h = reinterpret_cast<TextureHandle*>(1);
        std::string said = captureDiagnostics([&] { h = loadTexture(name); });
        EXPECT_EQ(h, nullptr) << name;
        EXPECT_EQ(said, "") << name;
    }
    EXPECT_TRUE(textureCache.empty());
    EXPECT_TRUE(glCalls.empty());
}

TEST_F(TextureCacheTest, ReleasingNullDoesNothing) {
    releaseTexture(nullptr);
    EXPECT_TRUE(glCalls.empty());
}

TEST_F(TextureCacheTest, DestroyingTheLastSpriteFreesItsTexture) {
    Sprite a, b, plain;
    initSprite(a);
    initSprite(b);
    initSprite(plain);
    a.texture = loadTexture(path);
    b.texture = loadTexture(path);
    destroySprite(a);
    EXPECT_TRUE(deletedTextures.empty());
    destroySprite(b);
    EXPECT_EQ(deletedTextures.size(), 1u);
    destroySprite(plain);
    EXPECT_EQ(deletedTextures.size(), 1u);
}

// Closing the window: the game state outlives its OpenGL context, so every
// texture, display list and kept copy goes while the context is current, and
// destroying the sprites afterwards makes no OpenGL call at all.
TEST_F(TextureCacheTest, AtCloseEveryGlObjectGoesWhileTheContextLastsAndNoneAfter) {
    // 16 x 16, clear but for one opaque texel: its sprites draw trimmed quads
    // from display lists of their own.
    char spotPath[80];
    std::snprintf(spotPath, sizeof spotPath, "%s-spot.tga", path);
    std::vector<unsigned char> spot = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 16, 0, 32, 32};
    for (int i = 0; i < 256; ++i) spot.insert(spot.end(), {0, 0, 255, static_cast<unsigned char>(i == 136 ? 255 : 0)});
    std::FILE* f = std::fopen(spotPath, "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(spot.data(), 1, spot.size(), f);
    std::fclose(f);

    Sprite plain, upright, turned;
    for (Sprite* s : {&plain, &upright, &turned}) initSprite(*s);
    plain.texture = loadTexture(path);
    upright.texture = loadTexture(spotPath);
    turned.texture = loadTexture(spotPath);
    turned.angle = 30;
    for (Sprite* s : {&plain, &upright, &turned}) drawSprite(*s);
    const unsigned int names[] = {plain.texture->glName, upright.texture->glName};
    const int listsMade = countCalls("glGenLists");
    EXPECT_EQ(listsMade, 3) << "the quad, the spot's upright and turned outlines";

    glCalls.clear();
    deletedTextures.clear();
    releaseGlObjects();
    EXPECT_EQ(countCalls("glDeleteLists"), listsMade);
    std::vector<unsigned int> deleted = deletedTextures;
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ(deleted, (std::vector<unsigned int>{std::min(names[0], names[1]), std::max(names[0], names[1])}));

    glCalls.clear();
    for (Sprite* s : {&plain, &upright, &turned}) destroySprite(*s);
    Sprite late;
    initSprite(late);
    EXPECT_EQ(callNames(), std::vector<std::string>{}) << "OpenGL called after the context went";
    EXPECT_TRUE(textureCache.empty());
    std::remove(spotPath);
}

}  // namespace
