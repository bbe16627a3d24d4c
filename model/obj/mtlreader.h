#pragma once

// Reading a Wavefront material library (.mtl): the materials it names and
// the diffuse colour of each.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/loadcontrol.h"

// One material of a library: its name and, when its Kd line gave one, its
// diffuse colour, each channel in [0, 1].
struct MtlMaterial {
    std::string name;
    float colour[3] = {1.0f, 1.0f, 1.0f};
    bool coloured = false;
};

// Reads the library on `stream` (called `name` in notes) and appends its
// materials to `materials`. "newmtl NAME" starts a material (the name is the
// rest of the line, without the blanks around it), "Kd r g b" gives the
// colour of the material it follows (channels outside 0..1 are taken as
// the nearest end), '#' starts a comment and every other keyword is read
// past; lines end in LF, CR LF or CR. A Kd line without three finite numbers
// leaves its material with no colour and the first of them is noted in
// `control` (when given: "scene.mtl line 7: a Kd colour needs three numbers
// r g b"); so is a line
// the block reader refuses, which ends the library where it stands.
// `budget` is the memory the materials may still take, in bytes; a library
// that would need more ends there, with a note. Stops early, quietly, once
// `cancel` (when given) is set.
void readMtlLibrary(FILE* stream, const std::string& name, std::vector<MtlMaterial>& materials, uint64_t& budget,
                    LoadControl* control, const std::atomic<bool>* cancel);
