#pragma once

// Writing a model as an ASCII PLY file that readPlyModel reads back.

#include <cstdio>

#include "model/meshmodel.h"

// The writer's formatting buffer: each piece of output is formatted here
// and then written to the stream. Longer pieces are written directly.
extern char g_lineBuffer[128];

// Writes the model with writePlyModel when the first three characters of the
// extension are "ply" (case-sensitive); otherwise writes nothing and
// returns false.
bool saveModel(const MeshModel* model, FILE* stream, const char* extension);

// Writes the header (counts, float32 x y z, a uint8/int32 index list), one
// line "x y z " per vertex with six decimals and '.' whatever the locale, and
// one line per face: the corner count and the corners' vertex indices.
// Flushes the stream. Returns false when the model is null or any write
// failed. Does not close the stream.
bool writePlyModel(const MeshModel* model, FILE* stream);
