#include "model/threemf/threemfassembly.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "model/threemf/threemfpackage.h"

namespace {

// Counts beyond these are refused long before they are reached: they only
// keep the sums from overflowing.
constexpr uint64_t kCountCeiling = uint64_t{1} << 40;
// The most places (build items and components, all told) a model may have.
constexpr uint64_t kMostPlaces = uint64_t{1} << 24;
// The deepest nesting of components taken (each level a call deeper).
constexpr std::size_t kDeepestNesting = 1000;
// Cancel is looked at every this many vertices or triangles.
constexpr std::size_t kCancelStride = 65536;

uint64_t saturatingSum(uint64_t a, uint64_t b)
{
    return std::min(a + b, kCountCeiling);
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The transform that applies `inner` and then `outer`.
ThreeMfTransform compose(const ThreeMfTransform& inner, const ThreeMfTransform& outer)
{
    ThreeMfTransform result{};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            double sum = row == 3 ? outer[9 + column] : 0.0;
            for (int k = 0; k < 3; ++k)
                sum += inner[3 * row + k] * outer[3 * k + column];
            result[3 * row + column] = sum;
        }
    }
    return result;
}

Vector3 apply(const ThreeMfTransform& m, const double* p)
{
    return {p[0] * m[0] + p[1] * m[3] + p[2] * m[6] + m[9], p[0] * m[1] + p[1] * m[4] + p[2] * m[7] + m[10],
            p[0] * m[2] + p[1] * m[5] + p[2] * m[8] + m[11]};
}

std::string objectText(const ThreeMfObject& object)
{
    std::string text = "object " + std::to_string(object.id);
    if (!object.name.empty())
        text += " (\"" + object.name + "\")";
    return text;
}

bool cancelled(const LoadControl* control)
{
    return control != nullptr && control->cancel.load();
}

} // namespace

const ThreeMfPart* ThreeMfAssembly::partOf(const ThreeMfPart& from, const ThreeMfReference& reference) const
{
    if (reference.path.empty())
        return &from;
    const auto found = parts_.find(lowerCase(ThreeMfPackage::partName(reference.path)));
    return found != parts_.end() ? &found->second : nullptr;
}

const ThreeMfObject* ThreeMfAssembly::resolve(const ThreeMfPart& from, const ThreeMfReference& reference,
                                              const std::string& who, const ThreeMfPart*& part,
                                              std::string& reason) const
{
    part = partOf(from, reference);
    if (part != nullptr) {
        const auto found = part->objects.find(reference.objectId);
        if (found != part->objects.end())
            return &found->second;
    }
    reason = from.path + ", line " + std::to_string(reference.line) + ": " + who + " names object "
             + std::to_string(reference.objectId) + ", which "
             + (part != nullptr ? part->path : ThreeMfPackage::partName(reference.path)) + " does not hold";
    return nullptr;
}

bool ThreeMfAssembly::total(const ThreeMfPart& part, const ThreeMfObject& object, Totals& totals, std::string& reason)
{
    auto known = totals_.find(&object);
    if (known == totals_.end()) {
        open_[&object] = true;
        Totals own;
        own.vertices = object.positions.size() / 3;
        own.triangles = object.corners.size() / 3;
        own.places = 1;
        own.colours = object.pid >= 0 || !object.properties.empty();
        for (std::size_t i = 0; i < object.components.size(); ++i) {
            const ThreeMfReference& component = object.components[i];
            const ThreeMfPart* childPart = nullptr;
            const ThreeMfObject* child
                = resolve(part, component, objectText(object) + ", component " + std::to_string(i), childPart, reason);
            if (child == nullptr)
                return false;
            if (open_.size() >= kDeepestNesting) {
                reason = part.path + ", line " + std::to_string(component.line) + ": components nest more than "
                         + std::to_string(kDeepestNesting) + " deep";
                return false;
            }
            if (open_.count(child) != 0) {
                reason = part.path + ", line " + std::to_string(component.line) + ": " + objectText(*child)
                         + " holds itself through its components";
                return false;
            }
            if (!total(*childPart, *child, own, reason))
                return false;
        }
        open_.erase(&object);
        known = totals_.emplace(&object, own).first;
    }
    totals.vertices = saturatingSum(totals.vertices, known->second.vertices);
    totals.triangles = saturatingSum(totals.triangles, known->second.triangles);
    totals.places = saturatingSum(totals.places, known->second.places);
    totals.colours = totals.colours || known->second.colours;
    return true;
}

void ThreeMfAssembly::collect(const ThreeMfPart& part, const ThreeMfObject& object, const ThreeMfTransform& transform)
{
    if (!object.positions.empty())
        placed_.push_back({&part, &object, transform});
    for (const ThreeMfReference& component : object.components) {
        const ThreeMfPart* childPart = partOf(part, component);
        collect(*childPart, childPart->objects.at(component.objectId), compose(component.transform, transform));
    }
}

bool ThreeMfAssembly::place(std::string& reason)
{
    std::vector<std::pair<const ThreeMfPart*, const ThreeMfObject*>> items;
    for (std::size_t i = 0; i < root_.items.size(); ++i) {
        const ThreeMfPart* part = nullptr;
        const ThreeMfObject* object = resolve(root_, root_.items[i], "build item " + std::to_string(i), part, reason);
        if (object == nullptr || !total(*part, *object, sum_, reason))
            return false;
        items.emplace_back(part, object);
    }
    if (sum_.places > kMostPlaces) {
        reason = "the build places objects more than " + std::to_string(kMostPlaces) + " times";
        return false;
    }
    if (sum_.vertices >= ModelBuilder::kUnknownCount || sum_.triangles >= UINT32_MAX) {
        reason = "the build places " + std::to_string(sum_.vertices) + " vertices and " + std::to_string(sum_.triangles)
                 + " triangles, more than a model can hold";
        return false;
    }
    for (std::size_t i = 0; i < items.size(); ++i)
        collect(*items[i].first, *items[i].second, root_.items[i].transform);
    return true;
}

bool ThreeMfAssembly::colourOf(const Placed& placed, std::size_t triangle, float* rgb, std::string& reason) const
{
    const ThreeMfObject& object = *placed.object;
    int32_t pid = object.pid;
    int32_t index = object.pindex;
    if (2 * triangle + 1 < object.properties.size()) {
        const int32_t ownPid = object.properties[2 * triangle];
        const int32_t ownIndex = object.properties[2 * triangle + 1];
        if (ownPid >= 0 && ownPid != pid) {
            pid = ownPid;
            index = 0;
        }
        if (ownIndex >= 0)
            index = ownIndex;
    }
    const auto group = pid >= 0 ? placed.part->colourGroups.find(pid) : placed.part->colourGroups.end();
    if (group == placed.part->colourGroups.end())
        return false; // no colour, or another kind of property
    const std::size_t entries = group->second.size() / 3;
    if (index < 0 || static_cast<std::size_t>(index) >= entries) {
        reason = placed.part->path + ": " + objectText(object) + ", triangle " + std::to_string(triangle) + ": colour "
                 + std::to_string(index) + " is outside group " + std::to_string(pid)
                 + (entries == 0 ? std::string(", which is empty") : "'s 0.." + std::to_string(entries - 1));
        return false;
    }
    std::copy_n(group->second.data() + 3 * static_cast<std::size_t>(index), 3, rgb);
    return true;
}

bool ThreeMfAssembly::build(ModelBuilder& builder, std::string& reason, const LoadControl* control) const
{
    const auto outOfMemory = [&builder, &reason] {
        reason = builder.memoryReason().empty() ? "not enough memory for the model" : builder.memoryReason();
        return false;
    };
    if (!builder.prepare(static_cast<uint32_t>(sum_.vertices), static_cast<uint32_t>(sum_.triangles), false, true))
        return outOfMemory();
    builder.populateAhead(control);
    std::vector<uint32_t> firsts;
    firsts.reserve(placed_.size());
    for (const Placed& placed : placed_) {
        const uint32_t first = builder.vertexCount();
        const std::size_t count = placed.object->positions.size() / 3;
        firsts.push_back(first);
        if (!builder.reserveVertices(first + static_cast<uint32_t>(count)))
            return outOfMemory();
        MeshVertex* slots = builder.vertexSlots(first);
        const double* positions = placed.object->positions.data();
        PositionBox box;
        for (std::size_t i = 0; i < count; ++i) {
            if (i % kCancelStride == 0 && cancelled(control)) {
                reason = "loading was cancelled";
                return false;
            }
            const Vector3 p = apply(placed.transform, positions + 3 * i);
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                reason = placed.part->path + ": " + objectText(*placed.object) + ", vertex " + std::to_string(i)
                         + " is beyond the range of numbers once placed";
                return false;
            }
            slots[i].position = p;
            box.widen(p);
        }
        builder.commitVertices(static_cast<uint32_t>(count), box);
    }
    if (!builder.verticesDone())
        return outOfMemory();
    MeshVertex* const base = builder.cornerBase();
    for (std::size_t n = 0; n < placed_.size(); ++n) {
        const ThreeMfObject& object = *placed_[n].object;
        const std::size_t triangles = object.corners.size() / 3;
        MeshVertex* const first = base + firsts[n];
        const uint32_t* corners = object.corners.data();
        const bool coloured = object.pid >= 0 || !object.properties.empty();
        for (std::size_t t = 0; t < triangles;) {
            if (cancelled(control)) {
                reason = "loading was cancelled";
                return false;
            }
            const std::size_t run = std::min(kCancelStride, triangles - t);
            if (coloured) {
                for (std::size_t i = t; i < t + run; ++i) {
                    MeshVertex** slots = builder.addTriangle();
                    if (slots == nullptr)
                        return outOfMemory();
                    for (int k = 0; k < 3; ++k)
                        slots[k] = first + corners[3 * i + static_cast<std::size_t>(k)];
                    float rgb[3];
                    if (colourOf(placed_[n], i, rgb, reason)) {
                        if (!builder.setFaceColour(rgb))
                            return outOfMemory();
                    } else if (!reason.empty()) {
                        return false;
                    }
                }
            } else {
                if (!builder.reserveFaces(run, 3 * run))
                    return outOfMemory();
                MeshVertex** slots = builder.cornerSlots();
                for (std::size_t i = 0; i < 3 * run; ++i)
                    slots[i] = first + corners[3 * t + i];
                builder.commitTriangles(static_cast<uint32_t>(run));
            }
            t += run;
        }
    }
    return true;
}
