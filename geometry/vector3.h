#pragma once

// Three-component double vector and the small set of free operations on it.
// Results are written through the first argument, which may alias an operand.

struct Vector3 {
    double x;
    double y;
    double z;
};

// The one tolerance of the geometry code.
constexpr double kVectorEpsilon = 0.0001;

void vecAdd(Vector3& out, const Vector3& a, const Vector3& b);
void vecSub(Vector3& out, const Vector3& a, const Vector3& b);
void vecScale(Vector3& out, const Vector3& a, double s);
void vecDivide(Vector3& out, const Vector3& a, double s);
double vecDot(const Vector3& a, const Vector3& b);
void vecCross(Vector3& out, const Vector3& a, const Vector3& b);
// Squared length not above kVectorEpsilon gives exactly 0.
double vecLength(const Vector3& a);
// Leaves vectors of length 0 (as vecLength reports it) unchanged.
void vecNormalize(Vector3& v);
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
