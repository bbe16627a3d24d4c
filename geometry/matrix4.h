#pragma once

#include "geometry/vector3.h"

#include <cstddef>

// Affine transforms of Vector3 points.
//
// m[i][j] is stored row after row. Points are row vectors: p' = p * M, so
//   p'[j] = p.x * m[0][j] + p.y * m[1][j] + p.z * m[2][j] + m[3][j].
// The block m[0..2][0..2] holds rotation and scale (its rows are the images of
// the unit x, y and z directions); m[3][0..2] is the translation. Only these
// twelve elements carry the transform: the fourth column m[0..3][3] is read by
// no operation. A product A * B applies A first, then B.
//
// Rotations follow the right-hand rule (a positive angle about z turns x
// towards y) and angles are in radians. Results come first in the argument
// list; a composed result is formed completely before it is stored, so the
// result may be one of the operands. Nothing allocates.
struct Matrix4 {
    double m[4][4];
};

// The half turn of matAlign and the pole angle of matToEulerXYZ, rounded.
constexpr double kHalfTurn = 3.14159;
constexpr double kQuarterTurn = 1.5708;

// All sixteen elements: 1 on the diagonal, 0 elsewhere.
void matIdentity(Matrix4& M);
// Block = rotation by angle about axis (any length above 0.01), translation 0;
// the fourth column is not written. An axis of length 0 (as vecLength reports
// it) has no direction: the block becomes the identity, so no turn happens.
void matSetRotation(Matrix4& M, const Vector3& axis, double angle);
// Translation = v; nothing else changes.
void matSetTranslation(Matrix4& M, const Vector3& v);
// out = p * M including the translation; out may be p.
void matTransformPoint(Vector3& out, const Vector3& p, const Matrix4& M);

void matFill(Matrix4& M, double v); // all sixteen elements = v
void matClear(Matrix4& M);          // the twelve transform elements = 0
void matCopy(Matrix4& dst, const Matrix4& src);
// As matCopy, but dst keeps its own translation.
void matCopyKeepTranslation(Matrix4& dst, const Matrix4& src);

// The setters below write the block and set the translation to 0.
void matSetScale(Matrix4& M, double sx, double sy, double sz);
void matSetRotationX(Matrix4& M, double a);
void matSetRotationY(Matrix4& M, double a);
void matSetRotationZ(Matrix4& M, double a);
// Block = X(a) * Y(b) * Z(c): about x by a first, then y by b, then z by c.
void matSetEulerXYZ(Matrix4& M, double a, double b, double c);
// Block = Y(b) * X(a) * Z(c): about y by b first, then x by a, then z by c.
void matSetEulerYXZ(Matrix4& M, double a, double b, double c);
// The angles (a, b, c) that matSetEulerXYZ turns into M's block, returned as
// (x, y, z). At the poles (cos b = 0, including the rounding noise of a
// computed matrix) b is +-kQuarterTurn, c is 0 and a carries the whole turn
// about the remaining axis.
Vector3 matToEulerXYZ(const Matrix4& M);

// out = A * B.
void matMultiply(Matrix4& out, const Matrix4& A, const Matrix4& B);
// M = M * B.
void matMultiplyInPlace(Matrix4& M, const Matrix4& B);
// "After" composes M * X (X applied after M), "Before" composes X * M.
void matRotateAfter(Matrix4& M, const Vector3& axis, double a);
void matRotateBefore(Matrix4& M, const Vector3& axis, double a);
void matScaleAfter(Matrix4& M, double sx, double sy, double sz);
void matScaleBefore(Matrix4& M, double sx, double sy, double sz);
void matTranslateAfter(Matrix4& M, double x, double y, double z);
void matTranslateBefore(Matrix4& M, double x, double y, double z);
// M = M * E, E built from (v.x, v.y, v.z) by matSetEulerXYZ / matSetEulerYXZ.
void matRotateEulerXYZ(Matrix4& M, const Vector3& v);
void matRotateEulerYXZ(Matrix4& M, const Vector3& v);
// Turns M about an axis through its own translation point: the block becomes
// block * R and the translation stays where it is.
void matRotateAboutOwnOrigin(Matrix4& M, const Vector3& axis, double a);

// Turns A about its own translation point so that its local z axis, and then
// its local y axis, point as B's do. Each stage reports the axis and angle of
// its turn through the optional outputs (angle 0 when no turn was needed);
// a null output is skipped. Local axes that are opposite are turned by a half
// turn about an axis that keeps what is already aligned: the second stage
// turns about A's local z axis. A local axis of length 0 is not turned.
void matAlign(Matrix4& A, const Matrix4& B, Vector3* axis1 = nullptr, double* angle1 = nullptr,
              Vector3* axis2 = nullptr, double* angle2 = nullptr);
// dst = identity turned by matAlign to src's orientation, with src's translation.
void matAlignedCopy(Matrix4& dst, const Matrix4& src);

// Element by element over the twelve transform elements.
void matAdd(Matrix4& out, const Matrix4& A, const Matrix4& B);
void matSub(Matrix4& out, const Matrix4& A, const Matrix4& B);
void matMulElements(Matrix4& out, const Matrix4& A, const Matrix4& B);
void matDivElements(Matrix4& out, const Matrix4& A, const Matrix4& B);
void matScaleElements(Matrix4& out, const Matrix4& A, double s);
void matDivideScalar(Matrix4& out, const Matrix4& A, double s);
void matSubScalar(Matrix4& out, const Matrix4& A, double s);

// (m[3][0], m[3][1], m[3][2]).
Vector3 matTranslation(const Matrix4& M);
// pointDistance of the two translations (so distances up to 0.01 are 0).
double matTranslationDistance(const Matrix4& A, const Matrix4& B);
// True when each of the twelve transform elements differs by less than
// kVectorEpsilon; the fourth column is ignored.
bool matNearlyEqual(const Matrix4& A, const Matrix4& B);

// out = M^-1 for the affine transform, by Gauss-Jordan elimination
// (solveGaussJordan). Returns 0 when done, -1 when M is singular (no pivot of
// at least kVectorEpsilon in some column); out is then left unchanged. A pivot
// within kVectorEpsilon of 1 is used as if it were 1.
int matInverse(Matrix4& out, const Matrix4& M);
// Gauss-Jordan elimination of the 4x4 matrix work, applying every row
// operation to result as well. On entry result holds the right-hand side (the
// identity for an inverse); on return 0 it holds work^-1 * result. Pivots are
// the first rows at or below the diagonal whose entry is at least
// kVectorEpsilon in magnitude; returns -1 when a column has none, leaving both
// matrices partly reduced.
int solveGaussJordan(Matrix4& result, Matrix4& work);

// Reads up to twelve numbers, separated by white space, into m[0][0],
// m[0][1], m[0][2], m[1][0], ..., m[3][2] (row by row, the fourth column
// skipped), as "%lf" reads them but always with "." as the decimal point.
// Reading stops at the first text that is not a number; the elements not read
// keep their values. Returns how many elements were read (a null text reads
// none).
int matFromText(const char* text, Matrix4& M);
// Writes the same twelve elements in the same order, each as "%lf" prints it
// (six decimals, "." as the decimal point whatever the locale), separated by
// single blanks and followed by a newline. Returns false, leaving an empty
// string (when size > 0), if the text does not fit into size characters
// including the terminating zero. kMatrixTextSize always suffices.
bool matToText(char* buffer, std::size_t size, const Matrix4& M);
constexpr std::size_t kMatrixTextSize = 12 * 330;

// Three successive rand() values, in the order x, y, z, each scaled to [0, 1).
Vector3 randomVector();
