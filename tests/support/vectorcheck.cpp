#include "tests/support/vectorcheck.h"

#include <gtest/gtest.h>

void expectVector(const Vector3& actual, double x, double y, double z, double tolerance)
{
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

void expectVector(const Vector3& actual, const Vector3& expected, double tolerance)
{
    expectVector(actual, expected.x, expected.y, expected.z, tolerance);
}
