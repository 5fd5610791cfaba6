// A recording stand-in for OpenGL, GLU and the few GLUT calls the shell makes:
// unit tests link it instead of the real libraries and assert which calls the
// game made, with which arguments, in which order.
#pragma once
#include <string>
#include <vector>

struct GlCall {
    std::string name;
    std::vector<double> args;
};

struct UploadedImage {
    unsigned int texture;
    int internalFormat;
    int width;
    int height;
    unsigned int format;
    std::vector<unsigned char> pixels;
};

extern std::vector<GlCall> glCalls;
extern std::vector<UploadedImage> uploadedImages;
extern int fakeElapsedMs;  // what glutGet(GLUT_ELAPSED_TIME) answers
extern std::vector<unsigned int> deletedTextures;

void resetRecordingGl();
int countCalls(const std::string& name);
std::vector<GlCall> callsNamed(const std::string& name);
std::vector<std::string> callNames();
