// Bacterium movement. Everything is single precision and in a fixed order so a
// run is reproducible draw for draw.
#include "game/bacterium.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/frame_clock.h"
#include "game/random.h"
#include "game/tooth_record.h"

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

namespace {

Vec3 pullTowardOwner(const Bacterium& b) {
    const Vec3& centre = b.owner->sprite.position;
    const Vec3& p = b.sprite.position;
    return {pullStrength * (centre.x - p.x), pullStrength * (centre.y - p.y), pullStrength * (centre.z - p.z)};
}

// The push of one neighbour at offset r from it, added to the force: strength
// 200 / distance squared, pointing away from the neighbour.
inline void addPush(Vec3& force, float rx, float ry, float rz) {
    const float d2 = rx * rx + ry * ry + rz * rz;
    if (d2 > minPushDistance2) {
        const float d = std::sqrt(d2);
        const float strength = pushStrength / d2;
        force.x = force.x + (rx / d) * strength;
        force.y = force.y + (ry / d) * strength;
        force.z = force.z + (rz / d) * strength;
    }
}

// Jitter, acceleration, movement, confinement to the box and heading, once the
// pull and the pushes are in the force.
void finishMove(Bacterium& b, Vec3 force) {
    const Tooth& t = *b.owner;
    const float dt = frameDelta;
    Vec3& p = b.sprite.position;
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

// A tooth's bacteria positions side by side, kept current while they move one
// after another, so the pushes can be worked out several neighbours at a time.
struct Swarm {
    float x[maxBacteriaPerTooth];
    float y[maxBacteriaPerTooth];
    // Terms of the current bacterium's pushes, and whether each counts.
    float pushX[maxBacteriaPerTooth];
    float pushY[maxBacteriaPerTooth];
    bool counts[maxBacteriaPerTooth];
    std::size_t count;
};

bool isPositiveZero(float value) { return value == 0 && !std::signbit(value); }

// Everything on the plane z = +0, as it always is once a bacterium has moved:
// then every z term of the push is exactly +0 and adds nothing, and the x and y
// terms can be worked out on their own.
bool flatSwarm(const Tooth& tooth) {
    if (!isPositiveZero(tooth.sprite.position.z)) return false;
    for (const Bacterium* b : tooth.bacteria)
        if (!isPositiveZero(b->sprite.position.z)) return false;
    return true;
}

// The pushes' terms from every bacterium of the swarm, in list order, each
// computed exactly as addPush does.
void pushTerms(Swarm& s, float px, float py) {
    std::size_t j = 0;
#if defined(__SSE2__)
    const __m128 vx = _mm_set1_ps(px), vy = _mm_set1_ps(py);
    const __m128 nearest = _mm_set1_ps(minPushDistance2), push = _mm_set1_ps(pushStrength);
    for (; j + 4 <= s.count; j += 4) {
        const __m128 rx = _mm_sub_ps(vx, _mm_loadu_ps(s.x + j));
        const __m128 ry = _mm_sub_ps(vy, _mm_loadu_ps(s.y + j));
        const __m128 d2 = _mm_add_ps(_mm_mul_ps(rx, rx), _mm_mul_ps(ry, ry));
        const __m128 d = _mm_sqrt_ps(d2);
        const __m128 strength = _mm_div_ps(push, d2);
        _mm_storeu_ps(s.pushX + j, _mm_mul_ps(_mm_div_ps(rx, d), strength));
        _mm_storeu_ps(s.pushY + j, _mm_mul_ps(_mm_div_ps(ry, d), strength));
        const int far = _mm_movemask_ps(_mm_cmpgt_ps(d2, nearest));
        for (int k = 0; k < 4; ++k) s.counts[j + k] = (far >> k) & 1;
    }
#endif
    for (; j < s.count; ++j) {
        const float rx = px - s.x[j];
        const float ry = py - s.y[j];
        const float d2 = rx * rx + ry * ry;
        const float d = std::sqrt(d2);
        const float strength = pushStrength / d2;
        s.counts[j] = d2 > minPushDistance2;
        s.pushX[j] = (rx / d) * strength;
        s.pushY[j] = (ry / d) * strength;
    }
}

void updateFlatSwarm(Tooth& tooth) {
    Swarm s;
    s.count = tooth.bacteria.size();
    for (std::size_t i = 0; i < s.count; ++i) {
        s.x[i] = tooth.bacteria[i]->sprite.position.x;
        s.y[i] = tooth.bacteria[i]->sprite.position.y;
    }
    for (std::size_t i = 0; i < s.count; ++i) {
        Bacterium& b = *tooth.bacteria[i];
        Vec3 force = pullTowardOwner(b);
        pushTerms(s, b.sprite.position.x, b.sprite.position.y);
        // Added one by one in list order: single-precision sums depend on it.
        for (std::size_t j = 0; j < s.count; ++j) {
            if (!s.counts[j]) continue;
            force.x = force.x + s.pushX[j];
            force.y = force.y + s.pushY[j];
        }
        finishMove(b, force);
        s.x[i] = b.sprite.position.x;
        s.y[i] = b.sprite.position.y;
    }
}

}  // namespace

void updateBacterium(Bacterium& b) {
    Vec3 force = pullTowardOwner(b);
    // Every bacterium of the tooth pushes, this one included: it is at distance
    // zero from itself and so adds nothing.
    const Vec3& p = b.sprite.position;
    for (const Bacterium* other : b.owner->bacteria) {
        const Vec3& q = other->sprite.position;
        addPush(force, p.x - q.x, p.y - q.y, p.z - q.z);
    }
    finishMove(b, force);
}

void updateSwarm(Tooth& tooth) {
    if (tooth.bacteria.size() <= maxBacteriaPerTooth && flatSwarm(tooth)) {
        updateFlatSwarm(tooth);
        return;
    }
    for (std::size_t i = 0; i < tooth.bacteria.size(); ++i) updateBacterium(*tooth.bacteria[i]);
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
