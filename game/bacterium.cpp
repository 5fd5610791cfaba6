// Bacterium movement. Everything is single precision and in a fixed order so a
// run is reproducible draw for draw.
#include "game/bacterium.h"

#include <cmath>

#include "app/shell.h"
#include "game/random.h"
#include "game/tooth.h"

namespace {
constexpr const char* bacteriumPicture = "img/bacteria.tga";
constexpr float bacteriumSize = 40;
constexpr float pullStrength = 50;
constexpr float pushStrength = 200;
constexpr float minPushDistance2 = 0.00001f;
constexpr float jitterStrength = 100;
constexpr float mass = 1000;
constexpr float minHeadingMove2 = 1e-7f;
// Not 180/pi: the heading has always been scaled by exactly this.
constexpr float degreesPerRadian = 57.0f;
}  // namespace

Bacterium* createBacterium(Tooth& owner) {
    auto* b = new Bacterium;
    initSprite(b->sprite);
    b->owner = &owner;
    b->sprite.texture = loadTexture(bacteriumPicture);
    const float w = owner.sprite.scale.x;
    const float h = owner.sprite.scale.y;
    const float ux = nextUnit();
    b->sprite.position.x = owner.sprite.position.x + ux * w - 0.5f * w;
    const float uy = nextUnit();
    b->sprite.position.y = owner.sprite.position.y - uy * h * 0.5f;
    b->sprite.position.z = owner.sprite.position.z;
    b->sprite.scale = {bacteriumSize, bacteriumSize, 1};
    const float vx = nextUnit();
    b->velocity.x = 10.0f * vx - 5.0f;
    const float vy = nextUnit();
    b->velocity.y = 10.0f * vy - 5.0f;
    return b;
}

void destroyBacterium(Bacterium* bacterium) {
    destroySprite(bacterium->sprite);
    delete bacterium;
}

void updateBacterium(Bacterium& b) {
    const Tooth& t = *b.owner;
    const float dt = frameDelta;
    Vec3& p = b.sprite.position;

    Vec3 force{pullStrength * (t.sprite.position.x - p.x), pullStrength * (t.sprite.position.y - p.y),
               pullStrength * (t.sprite.position.z - p.z)};
    // Every bacterium of the tooth pushes, this one included: it is at distance
    // zero from itself and so adds nothing.
    for (const Bacterium* other : t.bacteria) {
        const Vec3& q = other->sprite.position;
        const float rx = p.x - q.x;
        const float ry = p.y - q.y;
        const float rz = p.z - q.z;
        const float d2 = rx * rx + ry * ry + rz * rz;
        if (d2 > minPushDistance2) {
            const float d = std::sqrt(d2);
            const float strength = pushStrength / d2;
            force.x = force.x + (rx / d) * strength;
            force.y = force.y + (ry / d) * strength;
            force.z = force.z + (rz / d) * strength;
        }
    }
    force.x = force.x + (jitterStrength * nextUnit() - 50.0f);
    force.y = force.y + (jitterStrength * nextUnit() - 50.0f);

    b.velocity.x = b.velocity.x + (force.x / mass) * dt;
    b.velocity.y = b.velocity.y + (force.y / mass) * dt;
    b.velocity.z = b.velocity.z + (force.z / mass) * dt;

    const Vec3 before = p;
    p.x = p.x + b.velocity.x * dt;
    p.y = p.y + b.velocity.y * dt;
    p.z = p.z + b.velocity.z * dt;

    // The velocity is kept: a bacterium at an edge presses on until the pull
    // turns it back.
    if (p.x < t.minX)
        p.x = t.minX;
    else if (p.x > t.maxX)
        p.x = t.maxX;
    if (p.y < t.minY)
        p.y = t.minY;
    else if (p.y > t.maxY)
        p.y = t.maxY;
    p.z = 0;

    const float dx = p.x - before.x;
    const float dy = p.y - before.y;
    const float dz = p.z - before.z;
    if (dx * dx + dy * dy + dz * dz > minHeadingMove2)
        b.sprite.angle = angleBetween(dx, dy, dz, 0, 1, 0) * degreesPerRadian;
}

float angleBetween(float ax, float ay, float az, float bx, float by, float bz) {
    const float dot = ax * bx + ay * by + az * bz;
    const float lengthA = static_cast<float>(std::sqrt(static_cast<double>(ax * ax + ay * ay + az * az)));
    const float lengthB = static_cast<float>(std::sqrt(static_cast<double>(bx * bx + by * by + bz * bz)));
    float cosine = dot / (lengthA * lengthB);
    // Rounding can push the quotient just past 1, and acos would give NaN; a
    // zero-length vector (NaN quotient) counts as no turn at all.
    if (!(cosine < 1.0f)) cosine = 1.0f;
    if (cosine < -1.0f) cosine = -1.0f;
    return static_cast<float>(std::acos(static_cast<double>(cosine)));
}
