#pragma once

// Three-component double vector and the small set of free operations on it.
// Results are written through the first argument, which may alias an operand.
// The operations a model's positions and normals are built with are inline.

#include <cmath>

struct Vector3 {
    double x;
    double y;
    double z;
};

// The one tolerance of the geometry code.
constexpr double kVectorEpsilon = 0.0001;

inline void vecAdd(Vector3& out, const Vector3& a, const Vector3& b)
{
    out.x = a.x + b.x;
    out.y = a.y + b.y;
    out.z = a.z + b.z;
}

inline void vecSub(Vector3& out, const Vector3& a, const Vector3& b)
{
    out.x = a.x - b.x;
    out.y = a.y - b.y;
    out.z = a.z - b.z;
}

inline void vecScale(Vector3& out, const Vector3& a, double s)
{
    out.x = a.x * s;
    out.y = a.y * s;
    out.z = a.z * s;
}
inline void vecDivide(Vector3& out, const Vector3& a, double s)
{
    out.x = a.x / s;
    out.y = a.y / s;
    out.z = a.z / s;
}

double vecDot(const Vector3& a, const Vector3& b);
inline void vecCross(Vector3& out, const Vector3& a, const Vector3& b)
{
    const double x = a.y * b.z - a.z * b.y;
    const double y = a.z * b.x - a.x * b.z;
    const double z = a.x * b.y - a.y * b.x;
    out.x = x;
    out.y = y;
    out.z = z;
}

// Squared length not above kVectorEpsilon gives exactly 0.
inline double vecLength(const Vector3& a)
{
    const double q = a.x * a.x + a.y * a.y + a.z * a.z;
    return q > kVectorEpsilon ? std::sqrt(q) : 0.0;
}

// Leaves vectors of length 0 (as vecLength reports it) unchanged.
inline void vecNormalize(Vector3& v)
{
    const double len = vecLength(v);
    if (len > kVectorEpsilon)
        vecDivide(v, v, len);
}

double pointDistance(const Vector3& a, const Vector3& b);

void vecAddScalar(Vector3& out, const Vector3& a, double s);
void vecSubScalar(Vector3& out, const Vector3& a, double s);
void vecMulComponents(Vector3& out, const Vector3& a, const Vector3& b);
void vecDivComponents(Vector3& out, const Vector3& a, const Vector3& b);
void vecSetAll(Vector3& v, double s);
// Angle between a and b, 0 to pi; both must be longer than 0.01.
double vecAngle(const Vector3& a, const Vector3& b);
bool vecNearlyEqual(const Vector3& a, const Vector3& b);
bool vecSameLength(const Vector3& a, const Vector3& b);
bool vecHasLength(const Vector3& a, double s);
bool vecLonger(const Vector3& a, const Vector3& b);
bool vecLongerThan(const Vector3& a, double s);
bool vecShorter(const Vector3& a, const Vector3& b);
bool vecShorterThan(const Vector3& a, double s);
bool vecNotBehind(const Vector3& a, const Vector3& b, const Vector3& c);
