// What emscripten's emulation of fixed-function OpenGL lacks or gets wrong, for
// the browser build. Display lists are missing: the quad goes vertex by vertex
// (quadDisplayLists is false), so these stand-ins are never reached. A normal
// given in immediate mode shears the emulation's quads; without lighting the
// game's normals change nothing, so they are dropped here. WebGL 1 cannot blit
// between framebuffers; keepOpaquePixels is false, so that stand-in is not
// reached either. WebGL knows only the mipmap hint, which the game never
// gives; the perspective hint it does give would log an error at every start.
#include <GL/gl.h>

GLuint glGenLists(GLsizei) { return 0; }
void glNewList(GLuint, GLenum) {}
void glEndList() {}
void glCallList(GLuint) {}
void glDeleteLists(GLuint, GLsizei) {}
void glNormal3f(GLfloat, GLfloat, GLfloat) {}
void glHint(GLenum, GLenum) {}
extern "C" void glBlitFramebuffer(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum) {}
