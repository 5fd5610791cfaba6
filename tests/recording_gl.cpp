// Definitions of every gl/glu/glut entry point the game library uses; each one
// records itself. Names are handed out as a driver would, counting up from 1.
#define GL_GLEXT_PROTOTYPES
#include "tests/recording_gl.h"

#include <GL/glut.h>

#include <algorithm>
#include <initializer_list>

std::vector<GlCall> glCalls;
std::vector<UploadedImage> uploadedImages;
std::vector<unsigned int> deletedTextures;
int fakeElapsedMs = 0;

namespace {
unsigned int nextTextureName = 1;
unsigned int nextListName = 1;

void record(const char* name, std::initializer_list<double> args = {}) { glCalls.push_back({name, args}); }
}  // namespace

void resetRecordingGl() {
    glCalls.clear();
    uploadedImages.clear();
    deletedTextures.clear();
    fakeElapsedMs = 0;
    nextTextureName = 1;
    nextListName = 1;
}

int countCalls(const std::string& name) {
    int n = 0;
    for (const GlCall& c : glCalls) n += c.name == name;
    return n;
}

std::vector<GlCall> callsNamed(const std::string& name) {
    std::vector<GlCall> out;
    for (const GlCall& c : glCalls)
        if (c.name == name) out.push_back(c);
    return out;
}

std::vector<std::string> callNames() {
    std::vector<std::string> out;
    for (const GlCall& c : glCalls) out.push_back(c.name);
    return out;
}

extern "C" {
void glClear(GLbitfield mask) { record("glClear", {double(mask)}); }
void glPushMatrix() { record("glPushMatrix"); }
void glPopMatrix() { record("glPopMatrix"); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    record("glViewport", {double(x), double(y), double(w), double(h)});
}
void glMatrixMode(GLenum mode) { record("glMatrixMode", {double(mode)}); }
void glLoadIdentity() { record("glLoadIdentity"); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { record("glTranslatef", {x, y, z}); }
void glScalef(GLfloat x, GLfloat y, GLfloat z) { record("glScalef", {x, y, z}); }
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) { record("glRotatef", {a, x, y, z}); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { record("glClearColor", {r, g, b, a}); }
void glShadeModel(GLenum mode) { record("glShadeModel", {double(mode)}); }
void glPolygonMode(GLenum face, GLenum mode) { record("glPolygonMode", {double(face), double(mode)}); }
void glHint(GLenum target, GLenum mode) { record("glHint", {double(target), double(mode)}); }
void glEnable(GLenum cap) { record("glEnable", {double(cap)}); }
void glDisable(GLenum cap) { record("glDisable", {double(cap)}); }
void glFrontFace(GLenum mode) { record("glFrontFace", {double(mode)}); }
void glCullFace(GLenum mode) { record("glCullFace", {double(mode)}); }
void glClearDepth(GLclampd depth) { record("glClearDepth", {depth}); }
void glDepthFunc(GLenum func) { record("glDepthFunc", {double(func)}); }
GLuint glGenLists(GLsizei range) {
    record("glGenLists", {double(range)});
    GLuint first = nextListName;
    nextListName += static_cast<GLuint>(range);
    return first;
}
void glNewList(GLuint list, GLenum mode) { record("glNewList", {double(list), double(mode)}); }
void glEndList() { record("glEndList"); }
void glDeleteLists(GLuint list, GLsizei range) { record("glDeleteLists", {double(list), double(range)}); }
void glBegin(GLenum mode) { record("glBegin", {double(mode)}); }
void glEnd() { record("glEnd"); }
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { record("glNormal3f", {x, y, z}); }
void glTexCoord2f(GLfloat s, GLfloat t) { record("glTexCoord2f", {s, t}); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record("glVertex3f", {x, y, z}); }
void glCallList(GLuint list) { record("glCallList", {double(list)}); }
void glFlush() { record("glFlush"); }
void glBindTexture(GLenum target, GLuint texture) { record("glBindTexture", {double(target), double(texture)}); }
void glBlendFunc(GLenum s, GLenum d) { record("glBlendFunc", {double(s), double(d)}); }
void glTexEnvi(GLenum target, GLenum name, GLint value) {
    record("glTexEnvi", {double(target), double(name), double(value)});
}
void glColor4fv(const GLfloat* c) { record("glColor4fv", {c[0], c[1], c[2], c[3]}); }
void glGenTextures(GLsizei n, GLuint* names) {
    record("glGenTextures", {double(n)});
    for (GLsizei i = 0; i < n; ++i) names[i] = nextTextureName++;
}
void glDeleteTextures(GLsizei n, const GLuint* names) {
    record("glDeleteTextures", {double(n), n > 0 ? double(names[0]) : 0.0});
    for (GLsizei i = 0; i < n; ++i) deletedTextures.push_back(names[i]);
}
void glPixelStorei(GLenum name, GLint value) { record("glPixelStorei", {double(name), double(value)}); }
void glTexParameteri(GLenum target, GLenum name, GLint value) {
    record("glTexParameteri", {double(target), double(name), double(value)});
}
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
    record("glTexImage2D", {double(target), double(level), double(internalFormat), double(width), double(height),
                            double(border), double(format), double(type)});
    UploadedImage image{0, internalFormat, width, height, format, {}};
    for (auto it = glCalls.rbegin(); it != glCalls.rend(); ++it)
        if (it->name == "glBindTexture") {
            image.texture = static_cast<unsigned int>(it->args[1]);
            break;
        }
    int channels = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 1;
    const auto* bytes = static_cast<const unsigned char*>(pixels);
    if (bytes) image.pixels.assign(bytes, bytes + static_cast<size_t>(width) * height * channels);
    uploadedImages.push_back(image);
}

// No matrices are kept here: queries answer zeros, which no sprite's pixels
// can be kept for, so the framebuffer calls below are linked but not reached.
void glGetFloatv(GLenum, GLfloat* values) { std::fill(values, values + 16, 0.0f); }
void glGetIntegerv(GLenum name, GLint* values) { std::fill(values, values + (name == GL_VIEWPORT ? 4 : 1), 0); }
void glGenFramebuffers(GLsizei, GLuint*) { record("glGenFramebuffers"); }
void glBindFramebuffer(GLenum, GLuint) { record("glBindFramebuffer"); }
void glFramebufferTexture2D(GLenum, GLenum, GLenum, GLuint, GLint) { record("glFramebufferTexture2D"); }
GLenum glCheckFramebufferStatus(GLenum) { return 0; }
void glBlitFramebuffer(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum) {
    record("glBlitFramebuffer");
}
void glDeleteFramebuffers(GLsizei, const GLuint*) { record("glDeleteFramebuffers"); }
const GLubyte* glGetString(GLenum name) {
    static const GLubyte version[] = "3.0 recording", none[] = "";
    return name == GL_VERSION ? version : none;
}
GLenum glGetError() { return GL_NO_ERROR; }

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    record("gluPerspective", {fovy, aspect, zNear, zFar});
}
void gluOrtho2D(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top) {
    record("gluOrtho2D", {left, right, bottom, top});
}

int glutGet(GLenum what) {
    record("glutGet", {double(what)});
    return what == GLUT_ELAPSED_TIME ? fakeElapsedMs : 0;
}
void glutPostRedisplay() { record("glutPostRedisplay"); }
void glutSwapBuffers() { record("glutSwapBuffers"); }
void glutReshapeWindow(int w, int h) { record("glutReshapeWindow", {double(w), double(h)}); }
}
