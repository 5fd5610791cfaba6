// Preloaded into the game by a test: the driver refuses every framebuffer, as
// a driver without room for one would, so the game's way around it is seen.
#include <GL/gl.h>
#include <GL/glext.h>

extern "C" GLenum glCheckFramebufferStatus(GLenum) { return GL_FRAMEBUFFER_UNSUPPORTED; }
