// Texture upload: linear filtering, repeat wrapping, no mipmaps. The internal
// format is named like the pixel format: WebGL accepts no bare channel counts.
#include "gfx/texture_upload.h"

#include <GL/gl.h>

#include "gfx/diagnostic.h"
#include "gfx/gl_state.h"

unsigned int uploadTexture(TextureHandle& handle, const unsigned char* pixels, int width, int height, int channels) {
    // Rows are tightly packed whatever their width.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glGenTextures(1, &handle.glName);
    glBindTexture(GL_TEXTURE_2D, handle.glName);
    forgetBoundTexture();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    switch (channels) {
        case 4:
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
            break;
        case 3:
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
            break;
        case 1:
            glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, width, height, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, pixels);
            break;
        default:
            reportLine("Invalid Number of Channels");
            break;
    }
    // Where the picture is clear or opaque decides how its sprites are drawn.
    handle.coverage = measureCoverage(pixels, width, height, channels);
    return handle.glName;
}
