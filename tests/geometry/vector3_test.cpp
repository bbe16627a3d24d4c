#include "geometry/vector3.h"

#include "tests/support/vectorcheck.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(VectorLength, VectorsNotLongerThanOneHundredthHaveLengthZero)
{
    EXPECT_EQ(vecLength({0.01, 0.0, 0.0}), 0.0);
    EXPECT_EQ(vecLength({0.0, -0.01, 0.0}), 0.0);
    EXPECT_EQ(vecLength({0.005, 0.005, 0.005}), 0.0);
    EXPECT_EQ(vecLength({0.0, 0.0, 0.0}), 0.0);
    EXPECT_DOUBLE_EQ(vecLength({0.011, 0.0, 0.0}), 0.011);
    EXPECT_DOUBLE_EQ(vecLength({3.0, 0.0, -4.0}), 5.0);
}

TEST(VectorNormalize, ScalesToUnitLengthOrLeavesShortVectorsExactlyAsTheyAre)
{
    Vector3 v = {3.0, 0.0, 4.0};
    vecNormalize(v);
    expectVector(v, 0.6, 0.0, 0.8);

    Vector3 zero = {0.0, 0.0, 0.0};
    vecNormalize(zero);
    expectVector(zero, {0.0, 0.0, 0.0}, 0.0);

    Vector3 tiny = {0.005, 0.0, 0.0};
    vecNormalize(tiny);
    expectVector(tiny, {0.005, 0.0, 0.0}, 0.0);

    // Just above the threshold a vector is normalised like any other.
    Vector3 small = {0.0, 0.011, 0.0};
    vecNormalize(small);
    expectVector(small, 0.0, 1.0, 0.0);
}

TEST(VectorCross, FollowsTheRightHandRuleAndMayOverwriteAnOperand)
{
    Vector3 out;
    vecCross(out, {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0});
    expectVector(out, {0.0, 0.0, 1.0}, 0.0);
    vecCross(out, {0.0, 0.0, 1.0}, {0.0, 1.0, 0.0});
    expectVector(out, {-1.0, 0.0, 0.0}, 0.0);

    const Vector3 a = {1.0, 2.0, 3.0};
    const Vector3 b = {-4.0, 5.0, 0.5};
    Vector3 separate;
    vecCross(separate, a, b);

    Vector3 first = a;
    vecCross(first, first, b);
    expectVector(first, separate, 0.0);

    Vector3 second = b;
    vecCross(second, a, second);
    expectVector(second, separate, 0.0);

    Vector3 both = a;
    vecCross(both, both, both);
    expectVector(both, {0.0, 0.0, 0.0}, 0.0);
}

TEST(VectorArithmetic, ComponentWiseOperationsWorkInPlace)
{
    const Vector3 b = {0.5, -2.0, 4.0};
    Vector3 v = {1.0, 2.0, 3.0};
    vecAdd(v, v, b);
    expectVector(v, {1.5, 0.0, 7.0}, 0.0);
    vecSub(v, v, b);
    expectVector(v, {1.0, 2.0, 3.0}, 0.0);
    vecScale(v, v, -2.0);
    expectVector(v, {-2.0, -4.0, -6.0}, 0.0);
    vecDivide(v, v, 4.0);
    expectVector(v, {-0.5, -1.0, -1.5}, 0.0);
    vecMulComponents(v, v, b);
    expectVector(v, {-0.25, 2.0, -6.0}, 0.0);
    vecDivComponents(v, v, b);
    expectVector(v, {-0.5, -1.0, -1.5}, 0.0);

    Vector3 w = {5.0, 6.0, 7.0};
    vecSubScalar(w, w, 1.0);
    expectVector(w, {4.0, 5.0, 6.0}, 0.0);
    w = {5.0, 6.0, 7.0};
    vecAddScalar(w, w, 1.0);
    expectVector(w, {6.0, 7.0, 8.0}, 0.0);
    vecSetAll(w, -3.5);
    expectVector(w, {-3.5, -3.5, -3.5}, 0.0);

    EXPECT_EQ(vecDot({1.0, 2.0, 3.0}, {4.0, -5.0, 6.0}), 12.0);
}

TEST(PointDistance, MeasuresTheDifferenceWithTheLengthRule)
{
    EXPECT_NEAR(pointDistance({80.0, 80.0, 400.0}, {0.0, 0.0, 0.0}), 415.6922, 1e-4);
    EXPECT_EQ(pointDistance({1.0, 1.0, 1.0}, {1.005, 1.0, 1.0}), 0.0);
    EXPECT_DOUBLE_EQ(pointDistance({1.0, 1.0, 1.0}, {1.0, 4.0, 5.0}), 5.0);
}

TEST(VectorAngle, ParallelAndOppositeVectorsGiveZeroAndPi)
{
    // (1, 1, 1) with itself: rounding puts the cosine just above 1.
    const Vector3 d = {1.0, 1.0, 1.0};
    const Vector3 minusD = {-1.0, -1.0, -1.0};
    EXPECT_EQ(vecAngle(d, d), 0.0);
    EXPECT_DOUBLE_EQ(vecAngle(d, minusD), M_PI);
    EXPECT_DOUBLE_EQ(vecAngle({2.0, 0.0, 0.0}, {0.0, 0.0, 3.0}), M_PI / 2);
    EXPECT_NEAR(vecAngle({1.0, 0.0, 0.0}, {1.0, 1.0, 0.0}), M_PI / 4, 1e-12);
}

TEST(VectorComparison, NearlyEqualIsStrictPerComponent)
{
    EXPECT_FALSE(vecNearlyEqual({0.0, 0.0, 0.0}, {0.0001, 0.0, 0.0}));
    EXPECT_FALSE(vecNearlyEqual({0.0, 0.0, 0.0}, {0.0, 0.0, -0.0001}));
    EXPECT_TRUE(vecNearlyEqual({0.0, 0.0, 0.0}, {0.00009, 0.00009, 0.00009}));
    EXPECT_TRUE(vecNearlyEqual({1.0, 2.0, 3.0}, {1.0, 2.0, 3.0}));
    EXPECT_FALSE(vecNearlyEqual({1.0, 2.0, 3.0}, {1.0, 2.0, 3.5}));
}

TEST(VectorComparison, LengthComparisonsUseTheLengthRuleAndAreStrict)
{
    const Vector3 five = {3.0, 4.0, 0.0};
    const Vector3 alsoFive = {0.0, 0.0, -5.0};
    EXPECT_TRUE(vecSameLength(five, alsoFive));
    EXPECT_FALSE(vecSameLength(five, {0.0, 0.0, 5.001}));
    EXPECT_TRUE(vecHasLength(five, 5.00009));
    EXPECT_FALSE(vecHasLength(five, 5.0002));
    // A vector not longer than 0.01 has length 0.
    EXPECT_TRUE(vecHasLength({0.01, 0.0, 0.0}, 0.0));

    EXPECT_FALSE(vecLonger(five, alsoFive));
    EXPECT_FALSE(vecShorter(five, alsoFive));
    EXPECT_TRUE(vecLonger(five, {1.0, 0.0, 0.0}));
    EXPECT_TRUE(vecShorter({1.0, 0.0, 0.0}, five));
    EXPECT_FALSE(vecLongerThan(five, 5.0));
    EXPECT_TRUE(vecLongerThan(five, 4.99));
    EXPECT_FALSE(vecShorterThan(five, 5.0));
    EXPECT_TRUE(vecShorterThan(five, 5.01));
    EXPECT_FALSE(vecLongerThan({0.005, 0.0, 0.0}, 0.0));
}

TEST(VectorComparison, NotBehindCountsPointsOnThePlaneAsInFront)
{
    const Vector3 origin = {0.0, 0.0, 0.0};
    const Vector3 up = {0.0, 0.0, 1.0};
    EXPECT_TRUE(vecNotBehind({0.0, 0.0, 2.0}, origin, up));
    EXPECT_FALSE(vecNotBehind({0.0, 0.0, -2.0}, origin, up));
    EXPECT_TRUE(vecNotBehind({5.0, 0.0, 0.0}, origin, up));
    // Slightly below the plane, but within the tolerance of the unit direction.
    EXPECT_TRUE(vecNotBehind({1.0, 0.0, -0.00005}, origin, up));
    EXPECT_FALSE(vecNotBehind({1.0, 0.0, -0.001}, origin, up));
}

} // namespace
