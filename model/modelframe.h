#pragma once

// A model's file frame: the bounding box of the positions as the file gave
// them, and the centring and scaling that brought them into [-1, 1] for
// drawing (normalisePositions), so that a drawn point maps back to the
// file's coordinates.

#include "geometry/vector3.h"

struct MeshModel;

struct ModelFrame {
    Vector3 low = {0.0, 0.0, 0.0}; // the file's bounding box, in file coordinates
    Vector3 high = {0.0, 0.0, 0.0};
    // The usual way: drawn = (file - centre) * scale.
    Vector3 centre = {0.0, 0.0, 0.0};
    double scale = 1.0;
    // The careful way, for extents too small or too wide for the usual one:
    // drawn = (a - (half - a)) / longest with a = (file - low) / 2, per axis.
    bool halves = false;
    Vector3 half = {0.0, 0.0, 0.0};
    double longest = 0.0;
};

// The file's coordinates of a drawn point. The usual way inverts to within
// a rounding step or two of the larger of the coordinate and the box's
// extent (the centre's subtraction and the scaling each round once, and so
// does each step back); a box end that normalising clamped to +-1 (at most
// 1e-12 past it) comes back that much short. The careful way inverts to the
// same bound, and for extents wider than the largest double, where the
// halves are worked with, to a rounding step of the extent. A model whose
// positions all lay at one point maps every drawn point back to it.
Vector3 toFileCoordinates(const ModelFrame& frame, const Vector3& drawn);
Vector3 toFileCoordinates(const MeshModel& model, const Vector3& drawn);
// The same less the box's centre, which spares the centre's rounding where
// only differences of positions matter: drawn / scale, or drawn * longest.
Vector3 fromFrameCentre(const ModelFrame& frame, const Vector3& drawn);

// The box's sides in file units: high - low per axis (infinite for a side
// wider than the largest double).
Vector3 frameSize(const ModelFrame& frame);

// The frame of the positions (x, y, z) turned into (y, z, x), as
// swapModelAxes turns them.
ModelFrame swappedFrame(const ModelFrame& frame);
