#include "viewer/arrivalarrays.h"

#include "model/meshmodel.h"
#include "render/modelbuffers.h"
#include "render/modelcolours.h"
#include "viewer/viewerstate.h"

#include <array>
#include <utility>

ArraysFiller arraysForViewerState()
{
    const int shadingMode = g_shadingMode;
    const bool vertexColours = g_vertexColours != 0;
    const std::array<float, 3> colour = {g_modelColor[0], g_modelColor[1], g_modelColor[2]};
    return [shadingMode, vertexColours, colour](const MeshModel& model) {
        const ModelLayout layout = layoutFor(model, shadingMode);
        const bool fileColours = model.colours != nullptr || model.faceColours != nullptr || vertexColours;
        ModelArrays arrays;
        arrays.fill(model, layout, colourSourceFor(model, layout, fileColours), colour.data());
        return arrays;
    };
}

BackgroundLoad::Preparation arrivalForViewerState(bool showCopyFirst, const ReductionLimits& limits)
{
    return [fill = arraysForViewerState(), showCopyFirst, limits](const MeshModel& model,
                                                                  const std::atomic<bool>& cancel) {
        PreparedArrival prepared;
        if (showCopyFirst && reducesModel(model, limits, true)) {
            prepared.copy = buildReducedModel(model, limits, cancel);
            if (prepared.copy != nullptr) {
                prepared.copyArrays = fill(*prepared.copy);
                return prepared;
            }
        }
        if (!cancel.load())
            prepared.arrays = fill(model);
        return prepared;
    };
}

BackgroundLoad::Preview previewForViewerState(bool showCopyFirst, const ReductionLimits& limits)
{
    if (!showCopyFirst)
        return {};
    return [fill = arraysForViewerState(), limits](const MeshModel& shape, bool packedTriangles,
                                                   const std::atomic<bool>& cancel) {
        PreparedArrival made;
        if (!reducesModel(shape, limits, true, packedTriangles))
            return made;
        made.copy = buildReducedModel(shape, limits, cancel, packedTriangles);
        if (made.copy != nullptr)
            made.copyArrays = fill(*made.copy);
        return made;
    };
}
