#include "render/modelcolours.h"

#include <cstddef>

#include "model/meshmodel.h"
#include "render/modelbuffers.h"

ColourSource colourSourceFor(const MeshModel& model, ModelLayout layout, bool fileColours)
{
    if (!fileColours)
        return ColourSource::none;
    const bool vertices = model.colours != nullptr;
    const bool faces = model.faceColours != nullptr;
    switch (layout) {
    case ModelLayout::flatFaces:
        return vertices || faces ? ColourSource::faces : ColourSource::none;
    case ModelLayout::smoothFaces:
        return vertices ? ColourSource::vertices : faces ? ColourSource::faces : ColourSource::none;
    case ModelLayout::points:
    case ModelLayout::outlines:
        return vertices ? ColourSource::vertices : ColourSource::none;
    case ModelLayout::none:
        break;
    }
    return ColourSource::none;
}

void faceColour(const MeshModel& model, uint32_t f, const float* fallback, float out[3])
{
    const float* own = model.faceColours != nullptr ? model.faceColours + 3 * std::size_t{f} : nullptr;
    const MeshFace& face = model.faces[f];
    if (own != nullptr && own[0] != kNoFaceColour) {
        out[0] = own[0];
        out[1] = own[1];
        out[2] = own[2];
    } else if (model.colours != nullptr && face.vertexCount > 0) {
        float sum[3] = {0.0f, 0.0f, 0.0f};
        for (uint32_t j = 0; j < face.vertexCount; ++j) {
            const float* c = model.colours + 3 * static_cast<std::size_t>(face.vertices[j] - model.vertices);
            sum[0] += c[0];
            sum[1] += c[1];
            sum[2] += c[2];
        }
        const auto n = static_cast<float>(face.vertexCount);
        out[0] = sum[0] / n;
        out[1] = sum[1] / n;
        out[2] = sum[2] / n;
    } else {
        out[0] = fallback[0];
        out[1] = fallback[1];
        out[2] = fallback[2];
    }
}

bool usesFallbackColour(const MeshModel& model)
{
    if (model.colours != nullptr)
        return false;
    if (model.faceColours == nullptr)
        return true;
    for (uint32_t f = 0; f < model.faceCount; ++f) {
        if (model.faceColours[3 * std::size_t{f}] == kNoFaceColour)
            return true;
    }
    return false;
}
