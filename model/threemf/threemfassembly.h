#pragma once

// Places the objects of a 3MF package's build: every build item's object,
// and the objects of its components, recursively, each with its transform
// composed with those above it, their vertices transformed once per place
// and their triangles coloured from the colour groups.

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/loadcontrol.h"
#include "model/modelbuilder.h"
#include "model/threemf/threemfpart.h"

class ThreeMfAssembly {
public:
    // The parts by their name in lower case ("/3d/3dmodel.model"); the root
    // part holds the build.
    ThreeMfAssembly(const std::map<std::string, ThreeMfPart>& parts, const ThreeMfPart& root)
        : parts_(parts), root_(root)
    {
    }

    // Finds every placed object and counts the model; false with the reason
    // for an object that is missing, a component cycle or a model too large.
    bool place(std::string& reason);

    // Hands the placed objects to the builder (prepared here); false with
    // the reason when memory runs out or the load is cancelled.
    bool build(ModelBuilder& builder, std::string& reason, const LoadControl* control) const;

private:
    struct Placed {
        const ThreeMfPart* part;
        const ThreeMfObject* object;
        ThreeMfTransform transform;
    };
    struct Totals {
        uint64_t vertices = 0;
        uint64_t triangles = 0;
        uint64_t places = 0;
        bool colours = false;
    };

    // The part a reference from `from` names, or null.
    const ThreeMfPart* partOf(const ThreeMfPart& from, const ThreeMfReference& reference) const;
    const ThreeMfObject* resolve(const ThreeMfPart& from, const ThreeMfReference& reference, const std::string& who,
                                 const ThreeMfPart*& part, std::string& reason) const;
    // Counts an object's places below it, memoised; refuses cycles.
    bool total(const ThreeMfPart& part, const ThreeMfObject& object, Totals& totals, std::string& reason);
    void collect(const ThreeMfPart& part, const ThreeMfObject& object, const ThreeMfTransform& transform);
    bool colourOf(const Placed& placed, std::size_t triangle, float* rgb, std::string& reason) const;

    const std::map<std::string, ThreeMfPart>& parts_;
    const ThreeMfPart& root_;
    std::unordered_map<const ThreeMfObject*, Totals> totals_;
    std::unordered_map<const ThreeMfObject*, bool> open_; // being counted: a cycle when met again
    Totals sum_;
    std::vector<Placed> placed_;
};
