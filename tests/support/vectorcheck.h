#pragma once

// Checking vectors component by component.

#include "geometry/vector3.h"

// Each component of actual lies within tolerance of the expected one.
void expectVector(const Vector3& actual, double x, double y, double z, double tolerance = 1e-12);
void expectVector(const Vector3& actual, const Vector3& expected, double tolerance = 1e-12);
