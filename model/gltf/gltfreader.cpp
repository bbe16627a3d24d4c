#include "model/gltf/gltfreader.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include <simdjson.h>

#include "model/gltf/gltfbuffers.h"
#include "model/gltf/gltfdocument.h"
#include "model/gltf/gltffile.h"
#include "model/gltf/gltfprimitive.h"
#include "model/gltf/gltfscene.h"
#include "model/modelbuilder.h"
#include "model/readerentry.h"

namespace {

constexpr uint32_t kCancelMask = 65535;

// The extensions a file may require: those read here, and those whose
// content only changes how a surface looks or what else the scene holds.
bool canReadExtension(const std::string& name)
{
    static const char* const kRead[]
        = {"KHR_mesh_quantization", "KHR_draco_mesh_compression", "EXT_meshopt_compression",
           "KHR_texture_transform", "KHR_lights_punctual",        "KHR_materials_variants"};
    if (name.compare(0, 14, "KHR_materials_") == 0)
        return true;
    for (const char* known : kRead)
        if (name == known)
            return true;
    return false;
}

class GltfReader {
public:
    GltfReader(const GltfDocument& document, GltfBuffers& buffers, LoadControl* control, std::string& reason)
        : document_(document), buffers_(buffers), control_(control), reason_(reason)
    {
    }

    MeshModel* read()
    {
        for (const std::string& name : document_.extensionsRequired)
            if (!canReadExtension(name)) {
                reason_ = "the file needs the extension " + name + ", which Brenvik cannot read";
                return nullptr;
            }
        std::vector<GltfInstance> instances;
        if (!gltfInstances(document_, instances, reason_) || !readPrimitives(instances))
            return nullptr;
        if (lines_ != 0)
            control_->addNote(std::to_string(lines_)
                              + (lines_ == 1 ? " line primitive was not read" : " line primitives were not read"));
        return build(instances);
    }

private:
    bool stopAsked() const { return control_ != nullptr && control_->cancel.load(std::memory_order_relaxed); }
    bool cancelled()
    {
        reason_ = "loading was cancelled";
        return false;
    }

    // Reads every primitive of the meshes drawn, once however often drawn.
    bool readPrimitives(const std::vector<GltfInstance>& instances)
    {
        for (const GltfInstance& instance : instances) {
            if (geometry_.count(instance.mesh) != 0)
                continue;
            std::vector<GltfGeometry>& primitives = geometry_[instance.mesh];
            const GltfMesh& mesh = document_.meshes[instance.mesh];
            for (uint32_t p = 0; p < mesh.primitives.size(); ++p) {
                if (stopAsked())
                    return cancelled();
                GltfGeometry geometry;
                const GltfPrimitiveRead read
                    = readGltfPrimitive(document_, buffers_, instance.mesh, p, geometry, control_, reason_);
                if (read == GltfPrimitiveRead::failed)
                    return stopAsked() ? cancelled() : false;
                if (read == GltfPrimitiveRead::lines)
                    ++lines_;
                else
                    primitives.push_back(std::move(geometry));
            }
        }
        return true;
    }

    MeshModel* build(const std::vector<GltfInstance>& instances)
    {
        uint64_t vertices = 0;
        uint64_t faces = 0;
        bool vertexColours = false;
        bool faceColours = false;
        for (const GltfInstance& instance : instances)
            for (const GltfGeometry& g : geometry_[instance.mesh]) {
                vertices += g.positions.size() / 3;
                faces += g.triangles.size() / 3;
                vertexColours = vertexColours || !g.colours.empty();
                faceColours = faceColours || (g.hasFaceColour && !g.triangles.empty());
            }
        if (vertices >= ModelBuilder::kUnknownCount || faces >= UINT32_MAX) {
            reason_ = "the scene draws more than 4294967294 vertices or faces";
            return nullptr;
        }
        ModelBuilder builder;
        if (!builder.prepare(static_cast<uint32_t>(vertices), static_cast<uint32_t>(faces), vertexColours, true)) {
            reason_ = builder.memoryReason();
            return nullptr;
        }
        builder.populateAhead(control_);
        for (const GltfInstance& instance : instances)
            for (const GltfGeometry& g : geometry_[instance.mesh])
                if (!addVertices(builder, instance, g, vertexColours))
                    return nullptr;
        if (!builder.verticesDone()) {
            reason_ = builder.memoryReason();
            return nullptr;
        }
        uint32_t base = 0;
        for (const GltfInstance& instance : instances) {
            const bool mirror = gltfDeterminant(instance.matrix) < 0.0;
            for (const GltfGeometry& g : geometry_[instance.mesh]) {
                if (!addFaces(builder, g, base, mirror, faceColours))
                    return nullptr;
                base += static_cast<uint32_t>(g.positions.size() / 3);
            }
        }
        builder.setUnit(ModelUnit::meter); // glTF's unit, always
        return builder.finishLoad(control_, reason_);
    }

    bool addVertices(ModelBuilder& builder, const GltfInstance& instance, const GltfGeometry& g, bool colours)
    {
        const double* m = instance.matrix;
        const auto count = static_cast<uint32_t>(g.positions.size() / 3);
        const uint32_t first = builder.vertexCount();
        if (!builder.reserveVertices(first + count)) {
            reason_ = builder.memoryReason();
            return false;
        }
        MeshVertex* slots = builder.vertexSlots(first);
        float* colourSlots = colours ? builder.colourSlots(first) : nullptr;
        PositionBox box;
        for (uint32_t v = 0; v < count; ++v) {
            if ((v & kCancelMask) == kCancelMask && stopAsked())
                return cancelled();
            const double x = g.positions[3 * std::size_t{v}];
            const double y = g.positions[3 * std::size_t{v} + 1];
            const double z = g.positions[3 * std::size_t{v} + 2];
            Vector3& p = slots[v].position;
            p = {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
                 m[2] * x + m[6] * y + m[10] * z + m[14]};
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                reason_ = (instance.node != kGltfNone ? "node " + std::to_string(instance.node) + ", " : std::string())
                          + gltfMeshName(document_, instance.mesh) + ": a position is not a finite number";
                return false;
            }
            box.widen(p);
        }
        if (colourSlots != nullptr) {
            if (g.colours.empty())
                std::fill_n(colourSlots, 3 * std::size_t{count}, 1.0f);
            else
                std::copy(g.colours.begin(), g.colours.end(), colourSlots);
        }
        builder.commitVertices(count, box);
        return true;
    }

    bool addFaces(ModelBuilder& builder, const GltfGeometry& g, uint32_t base, bool mirror, bool colours)
    {
        const auto count = static_cast<uint32_t>(g.triangles.size() / 3);
        const float white[3] = {1.0f, 1.0f, 1.0f};
        const float* colour = g.hasFaceColour ? g.faceColour : white;
        const uint32_t* corner = g.triangles.data();
        if (colours) {
            // Face by face, each with its colour.
            for (uint32_t f = 0; f < count; ++f, corner += 3) {
                if ((f & kCancelMask) == kCancelMask && stopAsked())
                    return cancelled();
                MeshVertex** slots = builder.addTriangle();
                if (slots == nullptr || !builder.setFaceColour(colour)) {
                    reason_ = builder.memoryReason();
                    return false;
                }
                slots[0] = builder.corner(base + corner[0]);
                slots[1] = builder.corner(base + corner[mirror ? 2 : 1]);
                slots[2] = builder.corner(base + corner[mirror ? 1 : 2]);
            }
            return true;
        }
        // The corners written straight into the builder's block, in runs.
        MeshVertex* const vertices = builder.cornerBase() + base;
        for (uint32_t done = 0; done < count;) {
            if (stopAsked())
                return cancelled();
            const uint32_t run = std::min<uint32_t>(count - done, kCancelMask + 1);
            if (!builder.reserveFaces(run, 3 * std::size_t{run})) {
                reason_ = builder.memoryReason();
                return false;
            }
            MeshVertex** slots = builder.cornerSlots();
            for (uint32_t f = 0; f < run; ++f, corner += 3, slots += 3) {
                slots[0] = vertices + corner[0];
                slots[1] = vertices + corner[mirror ? 2 : 1];
                slots[2] = vertices + corner[mirror ? 1 : 2];
            }
            builder.commitTriangles(run);
            done += run;
        }
        return true;
    }

    const GltfDocument& document_;
    GltfBuffers& buffers_;
    LoadControl* control_;
    std::string& reason_;
    std::map<uint32_t, std::vector<GltfGeometry>> geometry_;
    unsigned lines_ = 0;
};

MeshModel* readGltf(FILE* stream, const char* folder, LoadControl* control, std::string& reason)
{
    GltfFileBytes bytes;
    if (!readGltfStream(stream, simdjson::SIMDJSON_PADDING, bytes, control, reason))
        return nullptr;
    const char* text = bytes.data.get();
    const std::size_t size = bytes.size;
    GltfDocument document;
    GltfBinaryParts parts;
    if (isGltfBinary(text, size)) {
        if (!splitGltfBinary(text, size, parts, reason))
            return nullptr;
        if (!parseGltfDocument(parts.json, parts.jsonSize, false, document, reason))
            return nullptr;
    } else if (!parseGltfDocument(text, size, true, document, reason)) {
        return nullptr;
    }
    if (parts.binary == nullptr)
        bytes.data.reset(); // the text is no longer needed: its buffers are copied out
    GltfBuffers buffers(document, parts.binary, parts.binarySize, folder, control);
    return GltfReader(document, buffers, control, reason).read();
}

} // namespace

MeshModel* readGltfModel(FILE* stream, const char* folder, std::string* reason, LoadControl* control)
{
    return runReader(stream, reason, [stream, folder, control](std::string& why) -> MeshModel* {
        LoadControl ownControl;
        return readGltf(stream, folder, control != nullptr ? control : &ownControl, why);
    });
}
