#include "model/ply/plylayout.h"

#include <algorithm>

namespace {

bool fail(std::string& reason, const PlyElement& element, const std::string& message)
{
    reason = "line " + std::to_string(element.line) + ": " + message;
    return false;
}

// The scalar properties red, green and blue; false unless all three are there.
bool findColour(const PlyElement& element, int channels[3])
{
    static const char* const kChannels[] = {"red", "green", "blue"};
    for (int channel = 0; channel < 3; ++channel) {
        channels[channel] = element.find(kChannels[channel]);
        if (channels[channel] < 0 || element.properties[static_cast<std::size_t>(channels[channel])].isList)
            return false; // colours need all three channels
    }
    return true;
}

bool findVertices(const PlyHeader& header, int index, PlyVertexLayout& layout, std::string& reason)
{
    const PlyElement& element = header.elements[static_cast<std::size_t>(index)];
    layout.element = index;
    if (element.properties.empty() && (header.format == PlyFormat::ascii || element.count == 0)) {
        layout.implicit = true;
        return true;
    }
    static const char* const kAxes[] = {"x", "y", "z"};
    layout.needed = 0;
    // With no x, y or z, the first three scalar properties are the position
    // (px py pz, or properties without names).
    int scalars[3] = {-1, -1, -1};
    if (element.find("x") < 0 && element.find("y") < 0 && element.find("z") < 0) {
        int taken = 0;
        for (std::size_t k = 0; k < element.properties.size() && taken < 3; ++k) {
            if (!element.properties[k].isList)
                scalars[taken++] = static_cast<int>(k);
        }
    }
    for (int axis = 0; axis < 3; ++axis) {
        const int found = scalars[axis] >= 0 ? scalars[axis] : element.find(kAxes[axis]);
        if (found < 0)
            return fail(reason, element, std::string("the vertex element has no ") + kAxes[axis] + " property");
        if (element.properties[static_cast<std::size_t>(found)].isList)
            return fail(reason, element,
                        std::string("the ") + kAxes[axis] + " property of the vertex element is a list");
        layout.position[axis] = found;
        layout.needed = found + 1 > layout.needed ? found + 1 : layout.needed;
    }
    int channels[3];
    if (!findColour(element, channels))
        return true;
    for (int channel = 0; channel < 3; ++channel) {
        layout.colour[channel] = channels[channel];
        layout.needed = channels[channel] + 1 > layout.needed ? channels[channel] + 1 : layout.needed;
    }
    return true;
}

bool findList(const PlyHeader& header, int index, PlyListLayout& layout, std::string& reason)
{
    const PlyElement& element = header.elements[static_cast<std::size_t>(index)];
    layout.element = index;
    if (element.count == 0) {
        layout.element = -1; // nothing to read
        return true;
    }
    if (element.properties.empty() && header.format == PlyFormat::ascii && element.name == "face") {
        layout.implicit = true;
        return true;
    }
    const auto isList = [&element](int k) { return k >= 0 && element.properties[static_cast<std::size_t>(k)].isList; };
    int found = element.find("vertex_indices");
    if (!isList(found))
        found = element.find("vertex_index");
    // Without either, the first list gives the corners.
    for (std::size_t k = 0; !isList(found) && k < element.properties.size(); ++k)
        found = static_cast<int>(k);
    if (!isList(found))
        return fail(reason, element, "the " + element.name + " element has no vertex_indices list");
    if (header.format != PlyFormat::ascii
        && !plyTypeIsInteger(element.properties[static_cast<std::size_t>(found)].type))
        return fail(reason, element,
                    "the vertex_indices list of the " + element.name + " element is not of an integer type");
    layout.list = found;
    int channels[3];
    if (element.name == "face" && findColour(element, channels))
        std::copy_n(channels, 3, layout.colour);
    return true;
}

} // namespace

bool findPlyMeshLayout(const PlyHeader& header, PlyMeshLayout& layout, std::string& reason)
{
    for (std::size_t i = 0; i < header.elements.size(); ++i) {
        const std::string& name = header.elements[i].name;
        const int index = static_cast<int>(i);
        bool ok = true;
        if (name == "vertex")
            ok = findVertices(header, index, layout.vertices, reason);
        else if (name == "face")
            ok = findList(header, index, layout.faces, reason);
        else if (name == "tristrips")
            ok = findList(header, index, layout.strips, reason);
        if (!ok)
            return false;
    }
    return true;
}

int plyLastNeededElement(const PlyMeshLayout& layout)
{
    int last = layout.vertices.element;
    last = layout.faces.element > last ? layout.faces.element : last;
    return layout.strips.element > last ? layout.strips.element : last;
}

bool checkPlyBinarySizes(const PlyHeader& header, std::string& reason)
{
    if (header.format == PlyFormat::ascii)
        return true;
    std::size_t end = 0; // past the last element the mesh is read from
    for (std::size_t i = 0; i < header.elements.size(); ++i) {
        const PlyElement& element = header.elements[i];
        if (element.name == "vertex" || ((element.name == "face" || element.name == "tristrips") && element.count > 0))
            end = i + 1;
    }
    for (std::size_t i = 0; i < end; ++i) {
        if (!header.elements[i].binaryReadable()) {
            reason = header.elements[i].binaryFault;
            return false;
        }
    }
    return true;
}

float plyColourScale(PlyType type)
{
    switch (type) {
    case PlyType::float32:
    case PlyType::float64:
        return 1.0f;
    case PlyType::int16:
    case PlyType::uint16:
        return 1.0f / 65535.0f;
    default:
        return 1.0f / 255.0f;
    }
}
