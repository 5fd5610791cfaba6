// Points and the few functions every picture is built from. Sine and angle are
// our own so the committed pictures come out byte for byte the same on every
// system: only arithmetic, sqrt, floor and fabs, which round the same everywhere.
#pragma once

constexpr double pi = 3.14159265358979323846;

struct Vec2 {
    double x = 0;
    double y = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, double k) { return {a.x * k, a.y * k}; }
inline double dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
double length(Vec2 a);

inline double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline double mix(double a, double b, double t) { return a + (b - a) * t; }
double smoothstep(double edge0, double edge1, double x);

double waveSin(double x);
double waveCos(double x);
// Angle of p from the x axis, -pi to pi.
double angleOf(Vec2 p);
Vec2 rotate(Vec2 p, double radians);
