#include "geometry/matrix4.h"

#include "tests/support/comma_locale.h"
#include "tests/support/vectorcheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr double kPi = M_PI;

Matrix4 identity()
{
    Matrix4 M;
    matIdentity(M);
    return M;
}

Matrix4 filled(double v)
{
    Matrix4 M;
    matFill(M, v);
    return M;
}

Matrix4 translation(double x, double y, double z)
{
    Matrix4 M = identity();
    matSetTranslation(M, Vector3{x, y, z});
    return M;
}

Vector3 transform(const Matrix4& M, const Vector3& p)
{
    Vector3 out;
    matTransformPoint(out, p, M);
    return out;
}

// A transform with rotation, unequal scale and translation.
Matrix4 generalAffine()
{
    Matrix4 M = identity();
    matSetEulerXYZ(M, 0.4, -1.1, 2.3);
    matScaleAfter(M, 2.0, 0.5, 3.0);
    matTranslateAfter(M, 4.0, -5.0, 6.5);
    return M;
}

::testing::AssertionResult transformEqual(const Matrix4& a, const Matrix4& b, double tolerance)
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (!(std::fabs(a.m[i][j] - b.m[i][j]) <= tolerance)) {
                return ::testing::AssertionFailure()
                       << "element [" << i << "][" << j << "]: " << a.m[i][j] << " vs " << b.m[i][j];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult vectorNear(const Vector3& a, const Vector3& b, double tolerance = 1e-12)
{
    if (std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", " << b.y
                                         << ", " << b.z << ")";
}

bool allFinite(const Matrix4& M)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            if (!std::isfinite(M.m[i][j]))
                return false;
    return true;
}

// The image of the unit direction u without the translation.
Vector3 localAxis(const Matrix4& M, const Vector3& u)
{
    Vector3 p = transform(M, u);
    const Vector3 t = matTranslation(M);
    vecSub(p, p, t);
    return p;
}

// --- The four operations of the orbit camera -------------------------------

TEST(MatrixPointTransform, TranslationIsAddedAfterTheBlock)
{
    Matrix4 M = identity();
    matSetTranslation(M, Vector3{1.0, 2.0, 3.0});
    EXPECT_TRUE(vectorNear(transform(M, {0.0, 0.0, 0.0}), {1.0, 2.0, 3.0}));
    EXPECT_TRUE(vectorNear(transform(M, {1.0, 1.0, 1.0}), {2.0, 3.0, 4.0}));

    // Each output component comes from a column: p' = p * M.
    Matrix4 S = identity();
    matSetScale(S, 2.0, 3.0, 4.0);
    S.m[1][0] = 10.0; // y feeds into x
    EXPECT_TRUE(vectorNear(transform(S, {1.0, 1.0, 1.0}), {12.0, 3.0, 4.0}));
}

TEST(MatrixPointTransform, OutputMayBeTheInputPoint)
{
    const Matrix4 M = generalAffine();
    const Vector3 p = {0.3, -0.7, 1.9};
    const Vector3 separate = transform(M, p);
    Vector3 inPlace = p;
    matTransformPoint(inPlace, inPlace, M);
    EXPECT_EQ(inPlace.x, separate.x);
    EXPECT_EQ(inPlace.y, separate.y);
    EXPECT_EQ(inPlace.z, separate.z);
}

TEST(MatrixPointTransform, FourthColumnTakesNoPart)
{
    Matrix4 M = generalAffine();
    const Vector3 before = transform(M, {1.0, 2.0, 3.0});
    M.m[0][3] = M.m[1][3] = M.m[2][3] = M.m[3][3] = NAN;
    EXPECT_TRUE(vectorNear(transform(M, {1.0, 2.0, 3.0}), before, 0.0));
}

TEST(MatrixRotation, AxisLengthDoesNotMatterAndTranslationIsReset)
{
    Matrix4 M = filled(7.0);
    matSetRotation(M, Vector3{0.0, 0.0, 5.0}, kPi / 2);
    EXPECT_TRUE(vectorNear(transform(M, {1.0, 0.0, 0.0}), {0.0, 1.0, 0.0}));
    EXPECT_TRUE(vectorNear(matTranslation(M), {0.0, 0.0, 0.0}, 0.0));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(M.m[i][3], 7.0) << "fourth column row " << i;
}

TEST(MatrixRotation, PositiveAnglesFollowTheRightHandRule)
{
    Matrix4 M = identity();
    matSetRotationZ(M, kPi / 2);
    EXPECT_TRUE(vectorNear(transform(M, {1.0, 0.0, 0.0}), {0.0, 1.0, 0.0}));
    matSetRotationX(M, kPi / 2);
    EXPECT_TRUE(vectorNear(transform(M, {0.0, 1.0, 0.0}), {0.0, 0.0, 1.0}));
    matSetRotationY(M, kPi / 2);
    EXPECT_TRUE(vectorNear(transform(M, {0.0, 0.0, 1.0}), {1.0, 0.0, 0.0}));

    // A third of a turn about the diagonal cycles x -> y -> z.
    matSetRotation(M, Vector3{1.0, 1.0, 1.0}, 2.0 * kPi / 3.0);
    EXPECT_TRUE(vectorNear(transform(M, {1.0, 0.0, 0.0}), {0.0, 1.0, 0.0}));
    EXPECT_TRUE(vectorNear(transform(M, {0.0, 1.0, 0.0}), {0.0, 0.0, 1.0}));
}

TEST(MatrixRotation, ArbitraryAxisMatchesTheCoordinateAxisRotations)
{
    for (double a : {-2.5, -0.3, 0.0, 0.7, kPi / 2, 3.0}) {
        Matrix4 general = identity();
        Matrix4 specific = identity();
        matSetRotation(general, Vector3{2.0, 0.0, 0.0}, a);
        matSetRotationX(specific, a);
        EXPECT_TRUE(transformEqual(general, specific, 1e-15)) << "x, angle " << a;
        matSetRotation(general, Vector3{0.0, 0.5, 0.0}, a);
        matSetRotationY(specific, a);
        EXPECT_TRUE(transformEqual(general, specific, 1e-15)) << "y, angle " << a;
        matSetRotation(general, Vector3{0.0, 0.0, 1.0}, a);
        matSetRotationZ(specific, a);
        EXPECT_TRUE(transformEqual(general, specific, 1e-15)) << "z, angle " << a;
    }
}

TEST(MatrixRotation, AxisWithoutLengthGivesNoTurnInsteadOfNaN)
{
    Matrix4 M = translation(1.0, 2.0, 3.0);
    matSetRotation(M, Vector3{0.0, 0.0, 0.0}, 1.0);
    EXPECT_TRUE(transformEqual(M, identity(), 0.0));
    matSetRotation(M, Vector3{0.005, 0.0, 0.0}, 1.0);
    EXPECT_TRUE(transformEqual(M, identity(), 0.0));
}

// --- Composition ------------------------------------------------------------

TEST(MatrixProduct, LeftOperandIsAppliedFirst)
{
    const Matrix4 T = translation(1.0, 0.0, 0.0);
    Matrix4 R = identity();
    matSetRotationZ(R, kPi / 2);
    Matrix4 out;
    matMultiply(out, T, R);
    EXPECT_TRUE(vectorNear(transform(out, {0.0, 0.0, 0.0}), {0.0, 1.0, 0.0}));
    matMultiply(out, R, T);
    EXPECT_TRUE(vectorNear(transform(out, {0.0, 0.0, 0.0}), {1.0, 0.0, 0.0}));
}

TEST(MatrixProduct, ResultMayBeEitherOperand)
{
    const Matrix4 A = generalAffine();
    Matrix4 B = identity();
    matSetEulerYXZ(B, -0.2, 0.9, 1.7);
    matSetTranslation(B, Vector3{-1.0, 0.5, 2.0});

    Matrix4 expected;
    matMultiply(expected, A, B);
    // The product maps points as applying A and then B.
    const Vector3 p = {0.25, -1.5, 2.0};
    EXPECT_TRUE(vectorNear(transform(expected, p), transform(B, transform(A, p)), 1e-12));

    Matrix4 left = A;
    matMultiply(left, left, B);
    EXPECT_TRUE(transformEqual(left, expected, 0.0));
    Matrix4 right = B;
    matMultiply(right, A, right);
    EXPECT_TRUE(transformEqual(right, expected, 0.0));
    Matrix4 inPlace = A;
    matMultiplyInPlace(inPlace, B);
    EXPECT_TRUE(transformEqual(inPlace, expected, 0.0));

    Matrix4 square;
    matMultiply(square, A, A);
    Matrix4 self = A;
    matMultiplyInPlace(self, self);
    EXPECT_TRUE(transformEqual(self, square, 0.0));
}

TEST(MatrixProduct, AfterAppliesTheStepLastAndBeforeFirst)
{
    const Matrix4 M = generalAffine();
    const Vector3 p = {0.5, 1.5, -2.0};
    Matrix4 R = identity();
    matSetRotation(R, Vector3{1.0, -2.0, 0.5}, 0.8);
    Matrix4 S = identity();
    matSetScale(S, 2.0, -1.0, 0.5);
    const Matrix4 T = translation(3.0, -4.0, 5.0);

    struct Case {
        const char* name;
        void (*apply)(Matrix4&);
        const Matrix4* step;
        bool after;
    };
    const Case cases[] = {
        {"rotate after",
         [](Matrix4& m) {
             matRotateAfter(m, Vector3{1.0, -2.0, 0.5}, 0.8);
         },
         &R, true},
        {"rotate before",
         [](Matrix4& m) {
             matRotateBefore(m, Vector3{1.0, -2.0, 0.5}, 0.8);
         },
         &R, false},
        {"scale after", [](Matrix4& m) { matScaleAfter(m, 2.0, -1.0, 0.5); }, &S, true},
        {"scale before", [](Matrix4& m) { matScaleBefore(m, 2.0, -1.0, 0.5); }, &S, false},
        {"translate after", [](Matrix4& m) { matTranslateAfter(m, 3.0, -4.0, 5.0); }, &T, true},
        {"translate before", [](Matrix4& m) { matTranslateBefore(m, 3.0, -4.0, 5.0); }, &T, false},
    };
    for (const Case& c : cases) {
        Matrix4 composed = M;
        c.apply(composed);
        const Vector3 expected = c.after ? transform(*c.step, transform(M, p)) : transform(M, transform(*c.step, p));
        EXPECT_TRUE(vectorNear(transform(composed, p), expected, 1e-12)) << c.name;
    }
}

TEST(MatrixProduct, EulerStepsComposeAfterTheMatrix)
{
    const Matrix4 M = generalAffine();
    const Vector3 angles = {0.3, -0.6, 1.2};
    Matrix4 E = identity();

    Matrix4 xyz = M;
    matRotateEulerXYZ(xyz, angles);
    matSetEulerXYZ(E, angles.x, angles.y, angles.z);
    Matrix4 expected;
    matMultiply(expected, M, E);
    EXPECT_TRUE(transformEqual(xyz, expected, 1e-15));

    Matrix4 yxz = M;
    matRotateEulerYXZ(yxz, angles);
    matSetEulerYXZ(E, angles.x, angles.y, angles.z);
    matMultiply(expected, M, E);
    EXPECT_TRUE(transformEqual(yxz, expected, 1e-15));
}

TEST(MatrixProduct, RotationAboutOwnOriginKeepsTheTranslationPoint)
{
    Matrix4 M = generalAffine();
    const Vector3 t = matTranslation(M);
    Matrix4 R = identity();
    matSetRotation(R, Vector3{0.0, 1.0, 1.0}, 0.9);
    Matrix4 expectedBlock;
    matMultiply(expectedBlock, M, R);

    matRotateAboutOwnOrigin(M, Vector3{0.0, 1.0, 1.0}, 0.9);
    const Vector3 after = matTranslation(M);
    EXPECT_EQ(after.x, t.x);
    EXPECT_EQ(after.y, t.y);
    EXPECT_EQ(after.z, t.z);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(M.m[i][j], expectedBlock.m[i][j], 1e-12) << i << "," << j;
}

// --- Euler angles -------------------------------------------------------------

TEST(MatrixEuler, BlocksAreProductsOfAxisRotationsInTheirOrder)
{
    const double a = 0.3, b = -0.7, c = 1.1;
    Matrix4 X = identity(), Y = identity(), Z = identity();
    matSetRotationX(X, a);
    matSetRotationY(Y, b);
    matSetRotationZ(Z, c);

    Matrix4 product;
    matMultiply(product, X, Y);
    matMultiply(product, product, Z);
    Matrix4 E = filled(9.0);
    matSetEulerXYZ(E, a, b, c);
    EXPECT_TRUE(transformEqual(E, product, 1e-15));

    matMultiply(product, Y, X);
    matMultiply(product, product, Z);
    matSetEulerYXZ(E, a, b, c);
    EXPECT_TRUE(transformEqual(E, product, 1e-15));
}

TEST(MatrixEuler, AnglesRoundTripAwayFromThePoles)
{
    Matrix4 M = identity();
    matSetEulerXYZ(M, 0.3, -0.7, 1.1);
    const Vector3 angles = matToEulerXYZ(M);
    EXPECT_TRUE(vectorNear(angles, {0.3, -0.7, 1.1}));

    for (double a = -3.0; a <= 3.0; a += 0.75)
        for (double b = -1.5; b <= 1.5; b += 0.5)
            for (double c = -3.0; c <= 3.0; c += 0.75) {
                matSetEulerXYZ(M, a, b, c);
                EXPECT_TRUE(vectorNear(matToEulerXYZ(M), {a, b, c}, 1e-9)) << a << " " << b << " " << c;
            }
}

TEST(MatrixEuler, PolesGiveAQuarterTurnAndNoThirdAngle)
{
    Matrix4 M = identity();
    matSetEulerXYZ(M, 0.3, kPi / 2, 1.1);
    Vector3 angles = matToEulerXYZ(M);
    EXPECT_EQ(angles.y, 1.5708);
    EXPECT_EQ(angles.z, 0.0);
    Matrix4 rebuilt = identity();
    matSetEulerXYZ(rebuilt, angles.x, angles.y, angles.z);
    EXPECT_TRUE(matNearlyEqual(rebuilt, M));

    // The other pole is a turn the other way, not the same one.
    matSetEulerXYZ(M, 0.3, -kPi / 2, 1.1);
    angles = matToEulerXYZ(M);
    EXPECT_EQ(angles.y, -1.5708);
    EXPECT_EQ(angles.z, 0.0);
    matSetEulerXYZ(rebuilt, angles.x, angles.y, angles.z);
    EXPECT_TRUE(matNearlyEqual(rebuilt, M));
}

TEST(MatrixEuler, PoleReachedThroughProductsIsRecognisedDespiteRounding)
{
    // Composing leaves rounding noise where the pole has exact zeros.
    Matrix4 M = identity();
    matRotateAfter(M, Vector3{1.0, 0.0, 0.0}, 0.8);
    matRotateAfter(M, Vector3{0.0, 1.0, 0.0}, kPi / 2);
    matRotateAfter(M, Vector3{0.0, 0.0, 1.0}, -0.35);
    matRotateAfter(M, Vector3{0.0, 0.0, 1.0}, 1.05);
    const Vector3 angles = matToEulerXYZ(M);
    EXPECT_TRUE(std::isfinite(angles.x));
    Matrix4 rebuilt = identity();
    matSetEulerXYZ(rebuilt, angles.x, angles.y, angles.z);
    EXPECT_TRUE(matNearlyEqual(rebuilt, M));
}

// --- Alignment ------------------------------------------------------------------

void expectAligned(const Matrix4& A, const Matrix4& B)
{
    for (const Vector3& u : {Vector3{1.0, 0.0, 0.0}, Vector3{0.0, 1.0, 0.0}, Vector3{0.0, 0.0, 1.0}})
        EXPECT_TRUE(vectorNear(localAxis(A, u), localAxis(B, u), 1e-5))
            << "local axis (" << u.x << ", " << u.y << ", " << u.z << ")";
}

TEST(MatrixAlign, AlignedMatricesAreNotTurned)
{
    Matrix4 A = identity();
    matSetEulerXYZ(A, 0.2, 0.4, 0.6);
    matSetTranslation(A, Vector3{1.0, 2.0, 3.0});
    Matrix4 B = A;
    matSetTranslation(B, Vector3{-7.0, 0.0, 0.0});
    const Matrix4 before = A;
    Vector3 axis1, axis2;
    double angle1 = -1.0, angle2 = -1.0;
    matAlign(A, B, &axis1, &angle1, &axis2, &angle2);
    EXPECT_EQ(angle1, 0.0);
    EXPECT_EQ(angle2, 0.0);
    EXPECT_TRUE(vectorNear(axis1, localAxis(before, {0.0, 0.0, 1.0})));
    EXPECT_TRUE(transformEqual(A, before, 0.0));
}

TEST(MatrixAlign, GeneralCaseTurnsByTheAngleBetweenTheAxesAndKeepsTheTranslation)
{
    Matrix4 A = translation(1.0, 2.0, 3.0);
    Matrix4 B = identity();
    matSetEulerXYZ(B, 0.5, -0.4, 1.3);
    matSetTranslation(B, Vector3{9.0, 9.0, 9.0});
    const double expectedFirst = std::acos(vecDot(Vector3{0.0, 0.0, 1.0}, localAxis(B, {0.0, 0.0, 1.0})));

    Vector3 axis1, axis2;
    double angle1 = 0.0, angle2 = 0.0;
    matAlign(A, B, &axis1, &angle1, &axis2, &angle2);
    EXPECT_NEAR(angle1, expectedFirst, 1e-12);
    EXPECT_GT(angle2, 0.0);
    expectAligned(A, B);
    EXPECT_TRUE(vectorNear(matTranslation(A), {1.0, 2.0, 3.0}, 0.0));
}

TEST(MatrixAlign, OppositeAxesAreTurnedByAHalfTurn)
{
    // B faces the other way in both z and y.
    Matrix4 A = identity();
    Matrix4 B = identity();
    matSetRotationX(B, kPi);
    Vector3 axis1, axis2;
    double angle1 = 0.0, angle2 = 0.0;
    matAlign(A, B, &axis1, &angle1, &axis2, &angle2);
    EXPECT_EQ(angle1, 3.14159);
    EXPECT_EQ(angle2, 3.14159);
    EXPECT_TRUE(vectorNear(axis1, {0.0, 1.0, 0.0}));
    expectAligned(A, B);
}

TEST(MatrixAlign, OppositeAxisAlongMinusXStillHasATurnAxis)
{
    // A's local z points along -x, B's along +x.
    Matrix4 A = identity();
    matSetRotationY(A, -kPi / 2);
    Matrix4 B = identity();
    matSetRotationY(B, kPi / 2);
    Vector3 axis1;
    double angle1 = 0.0;
    matAlign(A, B, &axis1, &angle1);
    EXPECT_TRUE(allFinite(A));
    EXPECT_GT(vecLength(axis1), 0.5);
    EXPECT_EQ(angle1, 3.14159);
    expectAligned(A, B);
}

TEST(MatrixAlign, OppositeSecondAxisKeepsTheFirstAlignment)
{
    // Same local z; local y opposite and lying along z of the world.
    Matrix4 A = identity();
    matSetRotationY(A, kPi / 2);
    matRotateBefore(A, Vector3{0.0, 0.0, 1.0}, kPi / 2);
    Matrix4 B = identity();
    matSetRotationY(B, kPi / 2);
    matRotateBefore(B, Vector3{0.0, 0.0, 1.0}, -kPi / 2);
    ASSERT_TRUE(vectorNear(localAxis(A, {0.0, 0.0, 1.0}), localAxis(B, {0.0, 0.0, 1.0})));
    ASSERT_TRUE(vectorNear(localAxis(A, {0.0, 1.0, 0.0}), {0.0, 0.0, 1.0}));
    ASSERT_TRUE(vectorNear(localAxis(B, {0.0, 1.0, 0.0}), {0.0, 0.0, -1.0}));

    Vector3 axis2;
    double angle2 = 0.0;
    matAlign(A, B, nullptr, nullptr, &axis2, &angle2);
    EXPECT_EQ(angle2, 3.14159);
    expectAligned(A, B);
}

TEST(MatrixAlign, AlignedCopyTakesOrientationAndTranslation)
{
    Matrix4 src = identity();
    matSetEulerYXZ(src, -0.3, 2.2, 0.8);
    matSetTranslation(src, Vector3{5.0, -6.0, 7.0});
    Matrix4 dst = filled(3.0);
    matAlignedCopy(dst, src);
    EXPECT_TRUE(matNearlyEqual(dst, src));
    EXPECT_TRUE(vectorNear(matTranslation(dst), {5.0, -6.0, 7.0}, 0.0));
}

// --- Element-wise operations, copies and queries -----------------------------

TEST(MatrixElements, OperationsCoverTheTwelveTransformElementsOnly)
{
    Matrix4 A, B;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            A.m[i][j] = j == 3 ? NAN : 1.0 + 4 * i + j;
            B.m[i][j] = j == 3 ? NAN : 0.5 * (j + 1);
        }
    Matrix4 out = identity();
    struct Case {
        const char* name;
        void (*op)(Matrix4&, const Matrix4&, const Matrix4&);
        double (*expected)(double, double);
    };
    const Case binary[] = {
        {"add", matAdd, [](double a, double b) { return a + b; }},
        {"sub", matSub, [](double a, double b) { return a - b; }},
        {"mul", matMulElements, [](double a, double b) { return a * b; }},
        {"div", matDivElements, [](double a, double b) { return a / b; }},
    };
    for (const Case& c : binary) {
        c.op(out, A, B);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 3; ++j)
                EXPECT_EQ(out.m[i][j], c.expected(A.m[i][j], B.m[i][j])) << c.name << " " << i << j;
        Matrix4 inPlace = A;
        c.op(inPlace, inPlace, B);
        EXPECT_TRUE(transformEqual(inPlace, out, 0.0)) << c.name;
    }

    matScaleElements(out, A, 2.0);
    EXPECT_EQ(out.m[3][2], 2.0 * A.m[3][2]);
    matDivideScalar(out, A, 4.0);
    EXPECT_EQ(out.m[2][1], A.m[2][1] / 4.0);
    matSubScalar(out, A, 1.5);
    EXPECT_EQ(out.m[0][0], A.m[0][0] - 1.5);
    EXPECT_TRUE(allFinite(out));
}

TEST(MatrixElements, FillClearAndCopies)
{
    Matrix4 M = filled(2.5);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(M.m[i][j], 2.5);
    matClear(M);
    EXPECT_TRUE(transformEqual(M, filled(0.0), 0.0));

    const Matrix4 src = generalAffine();
    Matrix4 dst = translation(-1.0, -2.0, -3.0);
    matCopyKeepTranslation(dst, src);
    EXPECT_TRUE(vectorNear(matTranslation(dst), {-1.0, -2.0, -3.0}, 0.0));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(dst.m[i][j], src.m[i][j]);

    matCopy(dst, src);
    EXPECT_EQ(std::memcmp(dst.m, src.m, sizeof dst.m), 0);

    Matrix4 S = translation(1.0, 1.0, 1.0);
    matSetScale(S, 2.0, 3.0, 4.0);
    EXPECT_TRUE(vectorNear(transform(S, {1.0, 1.0, 1.0}), {2.0, 3.0, 4.0}, 0.0));
}

TEST(MatrixElements, NearlyEqualIsStrictAndIgnoresTheFourthColumn)
{
    Matrix4 A = identity();
    Matrix4 B = identity();
    B.m[3][3] = 42.0;
    B.m[0][3] = NAN;
    EXPECT_TRUE(matNearlyEqual(A, B));
    B.m[3][1] = 0.00009;
    EXPECT_TRUE(matNearlyEqual(A, B));
    B.m[3][1] = 0.0001;
    EXPECT_FALSE(matNearlyEqual(A, B));
    B.m[3][1] = 0.0;
    B.m[2][0] = -0.0001;
    EXPECT_FALSE(matNearlyEqual(A, B));
    B.m[2][0] = NAN;
    EXPECT_FALSE(matNearlyEqual(A, B));
}

TEST(MatrixElements, TranslationQueriesDoNotShareTheirResult)
{
    const Matrix4 A = translation(0.0, 0.0, 0.0);
    const Matrix4 B = translation(3.0, 4.0, 0.0);
    EXPECT_DOUBLE_EQ(matTranslationDistance(A, B), 5.0);
    EXPECT_DOUBLE_EQ(matTranslationDistance(B, A), 5.0);
    // Closer than 0.01 counts as the same point.
    EXPECT_EQ(matTranslationDistance(A, translation(0.005, 0.0, 0.0)), 0.0);

    const Vector3 ta = matTranslation(B);
    const Vector3 tb = matTranslation(A);
    EXPECT_EQ(ta.x, 3.0);
    EXPECT_EQ(tb.x, 0.0);
}

// --- Inverse ------------------------------------------------------------------

TEST(MatrixInverse, TranslationRotationAndScale)
{
    Matrix4 inv = filled(5.0);
    EXPECT_EQ(matInverse(inv, translation(1.0, 2.0, 3.0)), 0);
    EXPECT_TRUE(transformEqual(inv, translation(-1.0, -2.0, -3.0), 1e-15));

    // The first pivot is found only by exchanging rows.
    Matrix4 R = identity();
    matSetRotationZ(R, kPi / 2);
    Matrix4 expected = identity();
    matSetRotationZ(expected, -kPi / 2);
    EXPECT_EQ(matInverse(inv, R), 0);
    EXPECT_TRUE(transformEqual(inv, expected, 1e-15));

    Matrix4 S = identity();
    matSetScale(S, 2.0, 1.0, 1.0);
    matSetScale(expected, 0.5, 1.0, 1.0);
    EXPECT_EQ(matInverse(inv, S), 0);
    EXPECT_TRUE(transformEqual(inv, expected, 1e-15));
}

TEST(MatrixInverse, GeneralTransformTimesItsInverseIsTheIdentity)
{
    const Matrix4 M = generalAffine();
    Matrix4 inv;
    ASSERT_EQ(matInverse(inv, M), 0);
    Matrix4 product;
    matMultiply(product, M, inv);
    EXPECT_TRUE(transformEqual(product, identity(), 1e-12));
    matMultiply(product, inv, M);
    EXPECT_TRUE(transformEqual(product, identity(), 1e-12));

    Matrix4 self = M;
    ASSERT_EQ(matInverse(self, self), 0);
    EXPECT_TRUE(transformEqual(self, inv, 0.0));
}

TEST(MatrixInverse, PivotWithinToleranceOfOneIsNotDivided)
{
    Matrix4 S = identity();
    matSetScale(S, 1.00005, 1.0, 1.0);
    Matrix4 inv;
    EXPECT_EQ(matInverse(inv, S), 0);
    EXPECT_TRUE(transformEqual(inv, identity(), 0.0));

    matSetScale(S, 1.0002, 1.0, 1.0);
    EXPECT_EQ(matInverse(inv, S), 0);
    EXPECT_NEAR(inv.m[0][0], 1.0 / 1.0002, 1e-15);
}

TEST(MatrixInverse, PivotsSmallerThanTheToleranceMakeTheMatrixSingular)
{
    Matrix4 S = identity();
    matSetScale(S, 0.0001, 1.0, 1.0);
    Matrix4 inv;
    EXPECT_EQ(matInverse(inv, S), 0);
    EXPECT_NEAR(inv.m[0][0], 10000.0, 1e-8);

    const Matrix4 untouched = filled(5.0);
    for (const double tiny : {0.00005, 0.0, static_cast<double>(NAN)}) {
        matSetScale(S, 1.0, tiny, 1.0);
        inv = untouched;
        EXPECT_EQ(matInverse(inv, S), -1) << tiny;
        EXPECT_EQ(std::memcmp(inv.m, untouched.m, sizeof inv.m), 0) << "output changed for " << tiny;
    }

    Matrix4 flat = identity();
    matClear(flat);
    EXPECT_EQ(matInverse(inv, flat), -1);
}

TEST(MatrixInverse, EliminationSolvesAGeneralSystem)
{
    // work * X = rhs with a zero in the first pivot position.
    const double w[4][4] = {{0, 2, 1, 0}, {3, 0, 0, 1}, {1, 1, 4, 0}, {0, 0, 2, 5}};
    Matrix4 work, rhs, X;
    std::memcpy(work.m, w, sizeof w);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            rhs.m[i][j] = i * 4 + j - 3.0;
    X = rhs;
    ASSERT_EQ(solveGaussJordan(X, work), 0);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0.0;
            for (int k = 0; k < 4; ++k)
                s += w[i][k] * X.m[k][j];
            EXPECT_NEAR(s, rhs.m[i][j], 1e-12) << i << "," << j;
        }
}

// --- Text form ------------------------------------------------------------------

const char* const kIdentityText = "1.000000 0.000000 0.000000 0.000000 1.000000 0.000000 "
                                  "0.000000 0.000000 1.000000 0.000000 0.000000 0.000000\n";

TEST(MatrixText, IdentityIsWrittenWithSixDecimalsAndReadBack)
{
    char text[kMatrixTextSize];
    ASSERT_TRUE(matToText(text, sizeof text, identity()));
    EXPECT_STREQ(text, kIdentityText);

    Matrix4 M = filled(9.0);
    EXPECT_EQ(matFromText(text, M), 12);
    EXPECT_TRUE(transformEqual(M, identity(), 0.0));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(M.m[i][3], 9.0) << "fourth column is not part of the text";
}

TEST(MatrixText, NumbersAreWrittenAsPrintfWritesThem)
{
    const double values[]
        = {-0.0, 1e-7,       -5e-7,    0.0000005,       2.5e-6, 123456.7890125, -1e20, 1.7976931348623157e308,
           0.1,  -2.0 / 3.0, 1.0e-300, 3.14159265358979};
    Matrix4 M = identity();
    std::string expected;
    int k = 0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) {
            M.m[i][j] = values[k];
            char one[400];
            std::snprintf(one, sizeof one, "%lf", values[k]);
            expected += one;
            expected += k == 11 ? "\n" : " ";
            ++k;
        }
    char text[kMatrixTextSize];
    ASSERT_TRUE(matToText(text, sizeof text, M));
    EXPECT_EQ(std::string(text), expected);

    Matrix4 back = identity();
    EXPECT_EQ(matFromText(text, back), 12);
    EXPECT_EQ(back.m[2][0], -1e20);
    EXPECT_EQ(back.m[2][1], 1.7976931348623157e308);
    EXPECT_NEAR(back.m[3][2], 3.141593, 1e-12);
}

TEST(MatrixText, SmallBufferGetsAnEmptyStringAndIsNeverOverrun)
{
    const std::string full(kIdentityText);
    char text[256];
    for (std::size_t size :
         {std::size_t{0}, std::size_t{1}, std::size_t{20}, full.size(), full.size() + 1, sizeof text - 8}) {
        std::memset(text, '#', sizeof text);
        const bool fits = matToText(text, size, identity());
        EXPECT_EQ(fits, size >= full.size() + 1) << "size " << size;
        for (std::size_t i = size; i < sizeof text; ++i)
            ASSERT_EQ(text[i], '#') << "wrote past " << size << " at " << i;
        if (size > 0) {
            EXPECT_EQ(std::string(text), fits ? full : std::string()) << "size " << size;
        }
    }
    EXPECT_FALSE(matToText(nullptr, 100, identity()));
}

TEST(MatrixText, ReadingStopsAtTheFirstNonNumberAndKeepsTheRest)
{
    Matrix4 M = filled(9.0);
    EXPECT_EQ(matFromText("1 2 3 x 5", M), 3);
    EXPECT_EQ(M.m[0][0], 1.0);
    EXPECT_EQ(M.m[0][2], 3.0);
    EXPECT_EQ(M.m[1][0], 9.0);
    EXPECT_EQ(M.m[3][2], 9.0);

    M = filled(9.0);
    EXPECT_EQ(matFromText("", M), 0);
    EXPECT_EQ(matFromText(nullptr, M), 0);
    EXPECT_EQ(matFromText("   \n", M), 0);
    EXPECT_TRUE(transformEqual(M, filled(9.0), 0.0));

    // White space of any kind separates; signs and exponents as "%lf" reads them.
    EXPECT_EQ(matFromText(" +1.5\t-2e1\n0x10 4 5 6 7 8 9 10 11 12 13", M), 12);
    EXPECT_EQ(M.m[0][0], 1.5);
    EXPECT_EQ(M.m[0][1], -20.0);
    EXPECT_EQ(M.m[0][2], 16.0);
    EXPECT_EQ(M.m[3][2], 12.0);

    // An exponent mark without digits ends its number, as "%lf" reads it.
    M = filled(9.0);
    EXPECT_EQ(matFromText("1e 2", M), 2);
    EXPECT_EQ(M.m[0][0], 1.0);
    EXPECT_EQ(M.m[0][1], 2.0);

    // A comma is not a decimal point.
    M = filled(9.0);
    EXPECT_EQ(matFromText("1,5 2", M), 1);
    EXPECT_EQ(M.m[0][0], 1.0);
    EXPECT_EQ(M.m[0][1], 9.0);
}

TEST(MatrixText, PointIsTheDecimalSeparatorWhateverTheLocale)
{
    CommaLocale comma;
    if (!comma.available())
        GTEST_SKIP() << comma.reason();

    char text[kMatrixTextSize];
    Matrix4 M = identity();
    M.m[3][0] = 1.5;
    ASSERT_TRUE(matToText(text, sizeof text, M));
    EXPECT_EQ(std::string(text), "1.000000 0.000000 0.000000 0.000000 1.000000 0.000000 "
                                 "0.000000 0.000000 1.000000 1.500000 0.000000 0.000000\n");

    Matrix4 back = filled(0.0);
    EXPECT_EQ(matFromText("0.25 -1.75 2.5 1 0 0 0 1 0 0 0 1", back), 12);
    EXPECT_EQ(back.m[0][0], 0.25);
    EXPECT_EQ(back.m[0][1], -1.75);
    EXPECT_EQ(back.m[0][2], 2.5);

    // Reading leaves the process locale as it was.
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    EXPECT_STREQ(probe, "0,5");
}

// --- Random vectors -----------------------------------------------------------

TEST(RandomVector, RepeatsWithItsSeedAndFillsTheUnitInterval)
{
    // The C library's generator drives it: the same seed gives the same
    // vectors, and successive vectors and components differ.
    std::srand(12345);
    const Vector3 first = randomVector();
    const Vector3 second = randomVector();
    std::srand(12345);
    expectVector(randomVector(), first, 0.0);
    expectVector(randomVector(), second, 0.0);
    EXPECT_NE(first.x, first.y);
    EXPECT_NE(first.y, first.z);
    EXPECT_NE(first.x, second.x);

    // Every component lies in [0, 1), and together they cover the interval.
    std::srand(1);
    double lowest = 1.0;
    double highest = 0.0;
    double sum = 0.0;
    for (int i = 0; i < 2000; ++i) {
        const Vector3 r = randomVector();
        for (double c : {r.x, r.y, r.z}) {
            ASSERT_GE(c, 0.0);
            ASSERT_LT(c, 1.0);
            lowest = std::min(lowest, c);
            highest = std::max(highest, c);
            sum += c;
        }
    }
    EXPECT_LT(lowest, 0.01);
    EXPECT_GT(highest, 0.99);
    EXPECT_NEAR(sum / 6000.0, 0.5, 0.02);
}

} // namespace
