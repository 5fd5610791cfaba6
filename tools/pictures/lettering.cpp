// Setting text with stb_truetype. Its rasterizer measures each pixel's covered
// area, so edges are smooth without oversampling; glyphs are placed at
// fractions of a pixel and kerned as the font says.
#include "tools/pictures/lettering.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb/stb_truetype.h>
#pragma GCC diagnostic pop

namespace {

const char* const fontFiles[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                 "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"};

struct Font {
    std::vector<unsigned char> bytes;
    stbtt_fontinfo info{};
    bool ready = false;
};

Font& font(Weight weight) {
    static Font fonts[2];
    int index = weight == Weight::Bold ? 1 : 0;
    Font& f = fonts[index];
    if (!f.ready && f.bytes.empty()) {
        std::ifstream file(fontFiles[index], std::ios::binary);
        f.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        f.ready = !f.bytes.empty() && stbtt_InitFont(&f.info, f.bytes.data(), 0) != 0;
        if (!f.ready) std::printf("make-pictures: cannot read the font %s\n", fontFiles[index]);
    }
    return f;
}

float scaleFor(Font& f, double em) { return stbtt_ScaleForMappingEmToPixels(&f.info, static_cast<float>(em)); }

// Adds one glyph's coverage with its origin at (x, y), in pixels, y down.
void setGlyph(Ink& ink, Font& f, int glyph, float scale, double x, double y) {
    double wholeX = std::floor(x);
    double wholeY = std::floor(y);
    float shiftX = static_cast<float>(x - wholeX);
    float shiftY = static_cast<float>(y - wholeY);
    int x0, y0, x1, y1;
    stbtt_GetGlyphBitmapBoxSubpixel(&f.info, glyph, scale, scale, shiftX, shiftY, &x0, &y0, &x1, &y1);
    int w = x1 - x0;
    int h = y1 - y0;
    if (w <= 0 || h <= 0) return;
    std::vector<unsigned char> bitmap(static_cast<std::size_t>(w) * h, 0);
    stbtt_MakeGlyphBitmapSubpixel(&f.info, bitmap.data(), w, h, w, scale, scale, shiftX, shiftY, glyph);
    for (int row = 0; row < h; ++row) {
        for (int column = 0; column < w; ++column) {
            int px = static_cast<int>(wholeX) + x0 + column;
            int py = static_cast<int>(wholeY) + y0 + row;
            if (px < 0 || py < 0 || px >= ink.width || py >= ink.height) continue;
            double& c = ink.at(px, py);
            c = std::min(1.0, c + bitmap[static_cast<std::size_t>(row) * w + column] / 255.0);
        }
    }
}

// A box blur `radius` pixels either way, along rows then columns.
Ink blurred(const Ink& ink, int radius) {
    Ink across = ink;
    Ink out = ink;
    double share = 1.0 / (2 * radius + 1);
    for (int y = 0; y < ink.height; ++y) {
        for (int x = 0; x < ink.width; ++x) {
            double sum = 0;
            for (int k = -radius; k <= radius; ++k)
                if (x + k >= 0 && x + k < ink.width) sum += ink.at(x + k, y);
            across.at(x, y) = sum * share;
        }
    }
    for (int y = 0; y < ink.height; ++y) {
        for (int x = 0; x < ink.width; ++x) {
            double sum = 0;
            for (int k = -radius; k <= radius; ++k)
                if (y + k >= 0 && y + k < ink.height) sum += across.at(x, y + k);
            out.at(x, y) = sum * share;
        }
    }
    return out;
}

}  // namespace

bool fontsFound() { return font(Weight::Regular).ready && font(Weight::Bold).ready; }

Ink makeInk(const Picture& picture) {
    Ink ink;
    ink.width = picture.width;
    ink.height = picture.height;
    ink.coverage.assign(static_cast<std::size_t>(ink.width) * ink.height, 0.0);
    return ink;
}

double textWidth(const std::string& text, Weight weight, double em) {
    Font& f = font(weight);
    if (!f.ready) return 0;
    float scale = scaleFor(f, em);
    double width = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int advance, bearing;
        stbtt_GetCodepointHMetrics(&f.info, text[i], &advance, &bearing);
        width += scale * advance;
        if (i + 1 < text.size()) width += scale * stbtt_GetCodepointKernAdvance(&f.info, text[i], text[i + 1]);
    }
    return width;
}

void setText(Ink& ink, const std::string& text, Weight weight, double em, double left, double baseline) {
    Font& f = font(weight);
    if (!f.ready) return;
    float scale = scaleFor(f, em);
    double x = left;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int glyph = stbtt_FindGlyphIndex(&f.info, text[i]);
        setGlyph(ink, f, glyph, scale, x, baseline);
        int advance, bearing;
        stbtt_GetGlyphHMetrics(&f.info, glyph, &advance, &bearing);
        x += scale * advance;
        if (i + 1 < text.size()) x += scale * stbtt_GetCodepointKernAdvance(&f.info, text[i], text[i + 1]);
    }
}

void setCharacterCentred(Ink& ink, char character, Weight weight, double em, double centreX, double centreY) {
    Font& f = font(weight);
    if (!f.ready) return;
    float scale = scaleFor(f, em);
    int glyph = stbtt_FindGlyphIndex(&f.info, character);
    int x0, y0, x1, y1;  // the outline's box in font units, y up
    if (!stbtt_GetGlyphBox(&f.info, glyph, &x0, &y0, &x1, &y1)) return;
    double originX = centreX - scale * 0.5 * (x0 + x1);
    double originY = centreY + scale * 0.5 * (y0 + y1);
    setGlyph(ink, f, glyph, scale, originX, originY);
}

InkBox inkBox(const Ink& ink) {
    InkBox box;
    for (int y = 0; y < ink.height; ++y) {
        for (int x = 0; x < ink.width; ++x) {
            if (ink.at(x, y) <= 0) continue;
            box.left = std::min<double>(box.left, x);
            box.right = std::max<double>(box.right, x);
            box.top = std::min<double>(box.top, y);
            box.bottom = std::max<double>(box.bottom, y);
        }
    }
    return box;
}

void paintInk(Picture& picture, const Ink& ink, Color colour, bool shadowed) {
    const int shadowBlur = 2;
    const int shadowRight = 1;
    const int shadowDown = 1;
    const double shadowStrength = 0.7;
    Ink shadow = blurred(ink, shadowBlur);
    const Color shadowColour = rgb(0.05, 0.02, 0.03);
    for (int y = 0; y < ink.height; ++y) {
        for (int x = 0; x < ink.width; ++x) {
            Color& target = picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
            int sx = x - shadowRight;
            int sy = y - shadowDown;
            if (shadowed && sx >= 0 && sy >= 0)
                blendOver(target, shadowColour, shadowStrength * std::min(1.0, 1.5 * shadow.at(sx, sy)));
            blendOver(target, colour, ink.at(x, y));
        }
    }
}
