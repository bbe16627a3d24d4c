#pragma once

// The materials an OBJ file uses: the libraries its mtllib lines name, read
// once each from the file's folder, and the colour each usemtl line gives
// the faces that follow it. What cannot be found is noted in the load's
// control, once a name.

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/loadcontrol.h"
#include "model/obj/mtlreader.h"

// A face colour, or none.
struct ObjColour {
    float rgb[3] = {1.0f, 1.0f, 1.0f};
    bool given = false;
};

class ObjMaterials {
public:
    // `folder` is where the libraries are looked for; without one (null)
    // nothing is read and nothing noted. `control` may be null.
    ObjMaterials(const char* folder, LoadControl* control);

    // Reads the libraries an mtllib line names: `names` is the rest of the
    // line, one name when it names a file as a whole (names may hold
    // spaces), otherwise names apart by blanks. A library read before is
    // not read again; one that is missing is noted ("material library
    // scene.mtl was not found"). Names beyond the first 64 are read past.
    // A material defined twice keeps its first definition.
    void readLibraries(const std::string& names);

    // The colour of a usemtl line's material among those read so far: none
    // for an empty name, a material without Kd, or one no library defines
    // ("material Steel is not defined", noted once).
    ObjColour colourOf(const std::string& name);

private:
    void readLibrary(const std::string& name);
    void note(const std::string& sentence);

    std::string folder_;
    bool known_;
    LoadControl* control_;
    const std::atomic<bool>* cancel_;
    std::vector<MtlMaterial> materials_;
    std::unordered_map<std::string, std::size_t> index_;
    std::unordered_set<std::string> libraries_; // read or noted
    std::unordered_set<std::string> undefined_; // noted
    uint64_t budget_ = 0;                       // memory the materials may still take
    bool budgetKnown_ = false;
    int notes_ = 0;
};
