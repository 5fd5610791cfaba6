// Sprite drawing on the recording OpenGL: the call order, the transform, and
// the skipping of texture and blend calls that would repeat the last setting.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "gfx/sprite.h"
#include "tests/recording_gl.h"
#include "tests/test_support.h"

namespace {

class SpriteDrawing : public ::testing::Test {
protected:
    TextureHandle first{7, 1, "a.tga"};
    TextureHandle second{9, 1, "b.tga"};

    void SetUp() override { resetGameGlobals(); }

    Sprite made() {
        Sprite s;
        initSprite(s);
        return s;
    }
    std::vector<std::string> stateCalls() {
        std::vector<std::string> out;
        for (const GlCall& c : glCalls) {
            if (c.name == "glEnable" || c.name == "glDisable" || c.name == "glBindTexture" || c.name == "glBlendFunc") {
                std::string text = c.name;
                for (double a : c.args) text += " " + std::to_string(long(a));
                out.push_back(text);
            }
        }
        return out;
    }
};

const std::string enableTexture = "glEnable " + std::to_string(GL_TEXTURE_2D);
const std::string disableTexture = "glDisable " + std::to_string(GL_TEXTURE_2D);
const std::string enableBlend = "glEnable " + std::to_string(GL_BLEND);
const std::string disableBlend = "glDisable " + std::to_string(GL_BLEND);
const std::string blendFunc =
    "glBlendFunc " + std::to_string(GL_SRC_ALPHA) + " " + std::to_string(GL_ONE_MINUS_SRC_ALPHA);
std::string bind(int name) { return "glBindTexture " + std::to_string(GL_TEXTURE_2D) + " " + std::to_string(name); }

TEST_F(SpriteDrawing, FirstSpriteBuildsTheSharedQuadOnce) {
    Sprite a = made();
    Sprite b = made();
    EXPECT_EQ(countCalls("glGenLists"), 1);
    EXPECT_EQ(quadList, 1u);
    auto texCoords = callsNamed("glTexCoord2f");
    auto vertices = callsNamed("glVertex3f");
    ASSERT_EQ(vertices.size(), 4u);
    // Texture row 0 along the top edge, corners counter-clockwise from +z.
    const std::vector<std::vector<double>> expectTex = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    const std::vector<std::vector<double>> expectVertex = {
        {-0.5, -0.5, 0}, {0.5, -0.5, 0}, {0.5, 0.5, 0}, {-0.5, 0.5, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(texCoords[i].args, expectTex[i]);
        EXPECT_EQ(vertices[i].args, expectVertex[i]);
    }
    EXPECT_EQ(a.scale.x, 1);
    EXPECT_TRUE(b.blend);
    EXPECT_EQ(b.texture, nullptr);
}

TEST_F(SpriteDrawing, SameTextureTwiceBindsOnce) {
    Sprite s = made();
    s.texture = &first;
    resetRecordingGl();
    drawSprite(s);
    drawSprite(s);
    EXPECT_EQ(stateCalls(), (std::vector<std::string>{enableTexture, bind(7), enableBlend, blendFunc}));
}

TEST_F(SpriteDrawing, UntexturedSpriteDisablesOnceAndTheNextTexturedOneReenables) {
    Sprite textured = made();
    textured.texture = &first;
    Sprite plain = made();
    Sprite other = made();
    other.texture = &second;
    drawSprite(textured);
    resetRecordingGl();
    drawSprite(plain);
    drawSprite(plain);
    drawSprite(other);
    EXPECT_EQ(stateCalls(), (std::vector<std::string>{disableTexture, enableTexture, bind(9)}));
}

TEST_F(SpriteDrawing, UntexturedSpriteAtStartMakesNoTextureCall) {
    Sprite plain = made();
    plain.blend = false;
    resetRecordingGl();
    drawSprite(plain);
    EXPECT_TRUE(stateCalls().empty());
}

TEST_F(SpriteDrawing, BlendIsSwitchedOnlyWhenItChanges) {
    Sprite blended = made();
    Sprite opaque = made();
    opaque.blend = false;
    resetRecordingGl();
    drawSprite(blended);
    drawSprite(blended);
    drawSprite(opaque);
    drawSprite(opaque);
    drawSprite(blended);
    EXPECT_EQ(stateCalls(), (std::vector<std::string>{enableBlend, blendFunc, disableBlend, enableBlend, blendFunc}));
}

TEST_F(SpriteDrawing, TransformIsAppliedInTheGameOrder) {
    Sprite s = made();
    s.position = {10, 20, 0};
    s.angle = 90;
    s.offset = {0, 50, 0};
    s.scale = {100, 50, 1};
    s.color[3] = 0.5f;
    resetRecordingGl();
    drawSprite(s);
    EXPECT_EQ(callNames(),
              (std::vector<std::string>{"glEnable", "glBlendFunc", "glPushMatrix", "glColor4fv", "glTranslatef",
                                        "glRotatef", "glTranslatef", "glScalef", "glCallList", "glPopMatrix"}));
    EXPECT_EQ(glCalls[3].args, (std::vector<double>{1, 1, 1, 0.5}));
    EXPECT_EQ(glCalls[4].args, (std::vector<double>{10, 20, 0}));
    EXPECT_EQ(glCalls[5].args, (std::vector<double>{90, 0, 0, 1}));
    EXPECT_EQ(glCalls[6].args, (std::vector<double>{0, 50, 0}));
    EXPECT_EQ(glCalls[7].args, (std::vector<double>{100, 50, 1}));
    EXPECT_EQ(glCalls[8].args[0], double(quadList));
}

// The composed transform position + R(angle) (offset + S v) puts a quad corner
// where the game expects it; worked out here with the recorded arguments.
TEST_F(SpriteDrawing, RotatedSpriteCoversTheExpectedArea) {
    Sprite s = made();
    s.position = {10, 20, 0};
    s.angle = 90;
    s.scale = {100, 50, 1};
    resetRecordingGl();
    drawSprite(s);
    auto place = [&](double vx, double vy) {
        const auto moves = callsNamed("glTranslatef");
        const double a = callsNamed("glRotatef")[0].args[0] * M_PI / 180;
        const auto scale = callsNamed("glScalef")[0].args;
        const double lx = moves[1].args[0] + vx * scale[0];
        const double ly = moves[1].args[1] + vy * scale[1];
        return std::pair<double, double>{moves[0].args[0] + std::cos(a) * lx - std::sin(a) * ly,
                                         moves[0].args[1] + std::sin(a) * lx + std::cos(a) * ly};
    };
    auto corner = place(0.5, 0.5);
    EXPECT_NEAR(corner.first, 10 - 25, 1e-9);
    EXPECT_NEAR(corner.second, 20 + 50, 1e-9);
    s.scale = {1, 1, 1};
    s.offset = {0, 50, 0};
    resetRecordingGl();
    drawSprite(s);
    auto centre = place(0, 0);
    EXPECT_NEAR(centre.first, 10 - 50, 1e-9);
    EXPECT_NEAR(centre.second, 20, 1e-9);
}

TEST_F(SpriteDrawing, TextureMatrixIsUsedOnlyWhenAskedAndRestored) {
    Sprite s = made();
    s.blend = false;
    resetRecordingGl();
    drawSprite(s);
    EXPECT_EQ(countCalls("glMatrixMode"), 0);

    s.useTexMatrix = true;
    s.texOffset[0] = 0.5f;
    s.texOffset[1] = 0.25f;
    s.texScale[0] = 1 / 6.0f;
    s.texScale[1] = 0.3f;
    resetRecordingGl();
    drawSprite(s);
    EXPECT_EQ(callNames(),
              (std::vector<std::string>{"glPushMatrix", "glColor4fv", "glTranslatef", "glRotatef", "glTranslatef",
                                        "glScalef", "glMatrixMode", "glPushMatrix", "glLoadIdentity", "glTranslatef",
                                        "glScalef", "glCallList", "glPopMatrix", "glMatrixMode", "glPopMatrix"}));
    EXPECT_EQ(glCalls[6].args[0], GL_TEXTURE);
    EXPECT_EQ(glCalls[9].args, (std::vector<double>{0.5, 0.25, 0}));
    EXPECT_EQ(glCalls[10].args, (std::vector<double>{1 / 6.0f, 0.3f, 0}));
    EXPECT_EQ(glCalls[13].args[0], GL_MODELVIEW);
}

// A measured picture: opaque everywhere, or a small blob in an 8 x 8 picture.
PictureCoverage opaquePicture() {
    const std::vector<unsigned char> rgb(8 * 8 * 3, 100);
    return measureCoverage(rgb.data(), 8, 8, 3);
}
PictureCoverage blobPicture() {
    std::vector<unsigned char> rgba(8 * 8 * 4, 0);
    for (int y = 3; y <= 4; ++y)
        for (int x = 2; x <= 4; ++x) rgba[(y * 8 + x) * 4 + 3] = 200;
    return measureCoverage(rgba.data(), 8, 8, 4);
}

std::vector<std::vector<double>> argsOf(const std::vector<GlCall>& calls) {
    std::vector<std::vector<double>> out;
    for (const GlCall& c : calls) out.push_back(c.args);
    return out;
}

TEST_F(SpriteDrawing, OpaquePictureWithOpaqueTintIsDrawnUnblended) {
    TextureHandle handle{7, 1, "opaque.tga"};
    handle.coverage = opaquePicture();
    Sprite s = made();
    s.texture = &handle;
    resetRecordingGl();
    drawSprite(s);
    drawSprite(s);
    EXPECT_EQ(stateCalls(), (std::vector<std::string>{enableTexture, bind(7)})) << "blending stays off";
    EXPECT_EQ(callsNamed("glCallList").back().args[0], double(quadList)) << "an opaque picture keeps its whole quad";
    s.color[3] = 0.5f;
    resetRecordingGl();
    drawSprite(s);
    EXPECT_EQ(stateCalls(), (std::vector<std::string>{enableBlend, blendFunc})) << "a see-through tint blends";
    s.color[3] = 1;
    wholeQuads = true;
    resetRecordingGl();
    drawSprite(s);
    wholeQuads = false;
    EXPECT_TRUE(stateCalls().empty()) << "whole quads blend as the sprite says";
}

TEST_F(SpriteDrawing, TrimmedQuadIsTheSameFromAListAsVertexByVertex) {
    TextureHandle handle{7, 1, "blob.tga"};
    handle.coverage = blobPicture();
    Sprite s = made();
    s.texture = &handle;
    s.scale = {40, 40, 1};
    resetRecordingGl();
    drawSprite(s);
    drawSprite(s);
    EXPECT_EQ(countCalls("glNewList"), 1) << "compiled once";
    const auto lists = callsNamed("glCallList");
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[0].args[0], callsNamed("glNewList")[0].args[0]) << "the sprite's own list";
    EXPECT_EQ(lists[0].args, lists[1].args);
    const auto listed = argsOf(callsNamed("glVertex3f"));
    const auto listedTex = argsOf(callsNamed("glTexCoord2f"));
    ASSERT_FALSE(listed.empty());
    EXPECT_EQ(listed.size() % 6, 0u) << "two triangles a rectangle";
    for (const auto& v : listed) {
        EXPECT_LT(std::fabs(v[0]), 0.5) << "the blob leaves out every edge of the quad";
        EXPECT_LT(std::fabs(v[1]), 0.5);
    }

    quadDisplayLists = false;
    resetRecordingGl();
    drawSprite(s);
    quadDisplayLists = true;
    EXPECT_EQ(countCalls("glCallList") + countCalls("glGenLists") + countCalls("glNewList"), 0);
    EXPECT_EQ(argsOf(callsNamed("glVertex3f")), listed);
    EXPECT_EQ(argsOf(callsNamed("glTexCoord2f")), listedTex);
    deleteSpriteShapes(handle.shapes);
}

}  // namespace

namespace {

// The renderer is told to start every two hundred sprites, after a sprite is
// whole (its matrix popped), never between its calls; whole quads, the game as
// it drew before, leave the flushing to the buffer swap.
TEST_F(SpriteDrawing, FramesAreFlushedEveryTwoHundredSpritesUnlessDrawnWhole) {
    Sprite s = made();
    s.texture = &first;
    resetRecordingGl();
    for (int i = 0; i < 450; ++i) drawSprite(s);
    EXPECT_EQ(countCalls("glFlush"), 2);
    int popsBeforeFirstFlush = 0;
    for (const GlCall& c : glCalls) {
        if (c.name == "glFlush") break;
        popsBeforeFirstFlush += c.name == "glPopMatrix";
    }
    EXPECT_EQ(popsBeforeFirstFlush, 200);
    EXPECT_EQ(glCalls.back().name, "glPopMatrix") << "the 450th sprite ends unflushed";

    wholeQuads = true;
    resetRecordingGl();
    for (int i = 0; i < 450; ++i) drawSprite(s);
    wholeQuads = false;
    EXPECT_EQ(countCalls("glFlush"), 0);
}

}  // namespace
