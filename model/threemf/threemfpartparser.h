#pragma once

// Reads one model part of a 3MF package into a ThreeMfPart: the objects'
// meshes and components, basematerials and colorgroup colours, the build
// items and the unit. Beam lattices, slices, textures and the other
// property groups are read past.

#include <string>
#include <vector>

#include "model/threemf/threemfpart.h"
#include "model/threemf/threemfxml.h"

class ThreeMfPartParser : public ThreeMfXml::Handler {
public:
    explicit ThreeMfPartParser(ThreeMfPart& part) : part_(part) { }

    bool start(ThreeMfXml& xml, const char* name, const char** attributes) override;
    void end(const char* name) override;
    // Reads the content of <vertices> and <triangles> as runs
    // (threemfruns) when it is in their plain form.
    std::size_t content(ThreeMfXml& xml, const char* begin, const char* end) override;

private:
    enum class Tag {
        model,
        resources,
        object,
        mesh,
        vertices,
        vertex,
        triangles,
        triangle,
        components,
        component,
        baseMaterials,
        base,
        colourGroup,
        colour,
        build,
        item,
        other
    };

    Tag parent(std::size_t up = 0) const { return tags_.size() > up ? tags_[tags_.size() - 1 - up] : Tag::other; }
    bool startObject(ThreeMfXml& xml, const char** attributes);
    bool addVertex(ThreeMfXml& xml, const char** attributes);
    bool addTriangle(ThreeMfXml& xml, const char** attributes);
    bool addReference(ThreeMfXml& xml, const char** attributes, std::vector<ThreeMfReference>& to);
    bool startGroup(ThreeMfXml& xml, const char** attributes);
    bool addColour(ThreeMfXml& xml, const char* text);
    std::string objectName() const;

    ThreeMfPart& part_;
    std::vector<Tag> tags_;
    bool atRoot_ = true;
    ThreeMfObject* object_ = nullptr;
    std::vector<float>* group_ = nullptr;
};
