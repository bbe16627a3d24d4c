#include "geometry/vector3.h"

#include <cmath>

void vecAdd(Vector3& out, const Vector3& a, const Vector3& b)
{
    out.x = a.x + b.x;
    out.y = a.y + b.y;
    out.z = a.z + b.z;
}

void vecSub(Vector3& out, const Vector3& a, const Vector3& b)
{
    out.x = a.x - b.x;
    out.y = a.y - b.y;
    out.z = a.z - b.z;
}

void vecScale(Vector3& out, const Vector3& a, double s)
{
    out.x = a.x * s;
    out.y = a.y * s;
    out.z = a.z * s;
}

void vecDivide(Vector3& out, const Vector3& a, double s)
{
    out.x = a.x / s;
    out.y = a.y / s;
    out.z = a.z / s;
}

double vecDot(const Vector3& a, const Vector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

void vecCross(Vector3& out, const Vector3& a, const Vector3& b)
{
    const double x = a.y * b.z - a.z * b.y;
    const double y = a.z * b.x - a.x * b.z;
    const double z = a.x * b.y - a.y * b.x;
    out.x = x;
    out.y = y;
    out.z = z;
}

double vecLength(const Vector3& a)
{
    const double q = a.x * a.x + a.y * a.y + a.z * a.z;
    return q > kVectorEpsilon ? std::sqrt(q) : 0.0;
}

void vecNormalize(Vector3& v)
{
    const double len = vecLength(v);
    if (len > kVectorEpsilon)
        vecDivide(v, v, len);
}

double pointDistance(const Vector3& a, const Vector3& b)
{
    Vector3 d;
    vecSub(d, a, b);
    return vecLength(d);
}

void vecAddScalar(Vector3& out, const Vector3& a, double s)
{
    out.x = a.x + s;
    out.y = a.y + s;
    out.z = a.z + s;
}

void vecSubScalar(Vector3& out, const Vector3& a, double s)
{
    out.x = a.x - s;
    out.y = a.y - s;
    out.z = a.z - s;
}

void vecMulComponents(Vector3& out, const Vector3& a, const Vector3& b)
{
    out.x = a.x * b.x;
    out.y = a.y * b.y;
    out.z = a.z * b.z;
}

void vecDivComponents(Vector3& out, const Vector3& a, const Vector3& b)
{
    out.x = a.x / b.x;
    out.y = a.y / b.y;
    out.z = a.z / b.z;
}

void vecSetAll(Vector3& v, double s)
{
    v.x = s;
    v.y = s;
    v.z = s;
}

double vecAngle(const Vector3& a, const Vector3& b)
{
    // Rounding can carry the cosine of (anti)parallel vectors just past +-1,
    // where acos has no value.
    double c = vecDot(a, b) / (vecLength(a) * vecLength(b));
    if (c > 1.0)
        c = 1.0;
    else if (c < -1.0)
        c = -1.0;
    return std::acos(c);
}

bool vecNearlyEqual(const Vector3& a, const Vector3& b)
{
    return std::fabs(a.x - b.x) < kVectorEpsilon && std::fabs(a.y - b.y) < kVectorEpsilon
           && std::fabs(a.z - b.z) < kVectorEpsilon;
}

bool vecSameLength(const Vector3& a, const Vector3& b)
{
    return std::fabs(vecLength(a) - vecLength(b)) < kVectorEpsilon;
}

bool vecHasLength(const Vector3& a, double s)
{
    return std::fabs(vecLength(a) - s) < kVectorEpsilon;
}

bool vecLonger(const Vector3& a, const Vector3& b)
{
    return vecLength(a) > vecLength(b);
}
bool vecLongerThan(const Vector3& a, double s)
{
    return vecLength(a) > s;
}
bool vecShorter(const Vector3& a, const Vector3& b)
{
    return vecLength(a) < vecLength(b);
}
bool vecShorterThan(const Vector3& a, double s)
{
    return vecLength(a) < s;
}

bool vecNotBehind(const Vector3& a, const Vector3& b, const Vector3& c)
{
    Vector3 d;
    vecSub(d, a, b);
    vecNormalize(d);
    return !(vecDot(d, c) < -kVectorEpsilon);
}
