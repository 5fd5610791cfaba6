// The context's remembered state starts as a fresh context has it: nothing
// bound, no list built, blending and GL_REPLACE off.
#include "gfx/gl_state.h"

unsigned int quadList = 0;
unsigned int lastTexture = 0;
bool lastBlend = false;
bool lastReplace = false;
bool boundTextureKnown = true;
bool quadDisplayLists = true;
bool glObjectsReleased = false;

void forgetBoundTexture() { boundTextureKnown = false; }
