// Bacteria: sprites that swarm on their tooth, pulled to its centre, pushed
// apart from each other, jostled at random and held inside the tooth's box.
#pragma once
#include "gfx/sprite.h"

struct Tooth;

struct Bacterium {
    Sprite sprite;
    Vec3 velocity;
    Tooth* owner = nullptr;
};

// A new bacterium somewhere on the lower half of its tooth; four random draws.
Bacterium* createBacterium(Tooth& owner);
void destroyBacterium(Bacterium* bacterium);
// One frame of movement; two random draws.
void updateBacterium(Bacterium& bacterium);
// One frame for every bacterium of the tooth, oldest first, each seeing the
// ones before it already moved; the same results as updateBacterium on each.
void updateSwarm(Tooth& tooth);
// The angle between two vectors in radians, never NaN.
float angleBetween(float ax, float ay, float az, float bx, float by, float bz);
