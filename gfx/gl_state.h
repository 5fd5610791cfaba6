// What the game has told the current OpenGL context, kept where the sprites,
// their shapes, the texture cache and the upload can all reach it: the shared
// quad's display list, the settings drawSprite applied last, and whether the
// context's objects have been deleted. resetSpriteState starts it afresh.
#pragma once

extern unsigned int quadList;
extern unsigned int lastTexture;
extern bool lastBlend;
extern bool lastReplace;  // GL_REPLACE in force rather than GL_MODULATE
// False once something else may have bound another texture or set another
// environment: lastTexture and lastReplace then say only what drawSprite did.
extern bool boundTextureKnown;

// Display lists for the quads (the default); without them (where the OpenGL
// has none, as in a browser) the same corners are sent one by one each time.
extern bool quadDisplayLists;

// Set by releaseGlObjects once every texture, list and kept copy is deleted:
// whatever is destroyed after that makes no OpenGL call.
extern bool glObjectsReleased;

// For anything that binds a texture or changes the texture environment
// outside drawSprite (an upload, a deletion): the next textured sprite binds
// its texture and sets the environment again, whatever drawSprite last did.
void forgetBoundTexture();
