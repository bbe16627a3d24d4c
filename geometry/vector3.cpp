#include "geometry/vector3.h"

#include <cmath>

double vecDot(const Vector3& a, const Vector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
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
