#include "model/modelfacts.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <vector>

#include "geometry/clocalescope.h"
#include "model/cores.h"

namespace {

// Models of at least this many faces or vertices are measured on two cores.
constexpr uint32_t kShareFrom = 100000;
// How often the loops look at the cancel flag.
constexpr uint32_t kCancelStride = 65536;

struct Sums {
    double area = 0.0;
    double volume = 0.0; // six times the signed volume
    uint32_t degenerate = 0;
};

bool stopped(const std::atomic<bool>* cancel, uint32_t i)
{
    return cancel != nullptr && i % kCancelStride == 0 && cancel->load(std::memory_order_relaxed);
}

uint32_t indexOf(const MeshModel& model, const MeshVertex* corner)
{
    return static_cast<uint32_t>(corner - model.vertices);
}

// A vector's length, without the squares' overflow or underflow.
double length(const Vector3& v)
{
    const double squared = v.x * v.x + v.y * v.y + v.z * v.z;
    if (squared > 1e-290 && squared < 1e290)
        return std::sqrt(squared);
    return std::hypot(v.x, v.y, v.z);
}

bool repeatsAVertex(const MeshFace& face)
{
    const uint32_t n = face.vertexCount;
    if (n <= 16) {
        for (uint32_t i = 1; i < n; ++i)
            for (uint32_t j = 0; j < i; ++j)
                if (face.vertices[i] == face.vertices[j])
                    return true;
        return false;
    }
    std::vector<const MeshVertex*> sorted(face.vertices, face.vertices + n);
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
}

// Area, volume and degenerate faces of faces [begin, end), in drawn units.
bool sumFaces(const MeshModel& model, uint32_t begin, uint32_t end, const std::atomic<bool>* cancel, Sums& sums)
{
    for (uint32_t i = begin; i < end; ++i) {
        if (stopped(cancel, i - begin))
            return false;
        const MeshFace& face = model.faces[i];
        double area = 0.0;
        if (face.vertexCount >= 3) {
            const Vector3& a = face.vertices[0]->position;
            for (uint32_t j = 1; j + 1 < face.vertexCount; ++j) {
                const Vector3& b = face.vertices[j]->position;
                const Vector3& c = face.vertices[j + 1]->position;
                Vector3 ab;
                Vector3 ac;
                vecSub(ab, b, a);
                vecSub(ac, c, a);
                Vector3 n;
                vecCross(n, ab, ac);
                area += 0.5 * length(n);
                Vector3 bc;
                vecCross(bc, b, c);
                sums.volume += a.x * bc.x + a.y * bc.y + a.z * bc.z;
            }
        }
        sums.area += area;
        if (face.vertexCount < 3 || !(area > 0.0) || repeatsAVertex(face))
            ++sums.degenerate;
    }
    return true;
}

// Counts the edges on one face and on three or more: every edge of every
// polygon, as (lower index, higher index), gathered by its lower index.
bool countEdges(const MeshModel& model, const std::atomic<bool>* cancel, ModelFacts& facts)
{
    std::vector<std::size_t> start(std::size_t{model.vertexCount} + 1, 0);
    const auto forEachEdge = [&](auto&& edge) {
        for (uint32_t i = 0; i < model.faceCount; ++i) {
            if (stopped(cancel, i))
                return false;
            const MeshFace& face = model.faces[i];
            for (uint32_t j = 0; j < face.vertexCount; ++j) {
                const uint32_t a = indexOf(model, face.vertices[j]);
                const uint32_t b = indexOf(model, face.vertices[j + 1 == face.vertexCount ? 0 : j + 1]);
                if (a != b)
                    edge(std::min(a, b), std::max(a, b));
            }
        }
        return true;
    };
    if (!forEachEdge([&](uint32_t low, uint32_t) { ++start[low + std::size_t{1}]; }))
        return false;
    for (std::size_t v = 1; v < start.size(); ++v)
        start[v] += start[v - 1];
    std::vector<uint32_t> higher(start.back());
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    if (!forEachEdge([&](uint32_t low, uint32_t high) { higher[next[low]++] = high; }))
        return false;
    for (uint32_t v = 0; v < model.vertexCount; ++v) {
        if (stopped(cancel, v))
            return false;
        uint32_t* first = higher.data() + start[v];
        uint32_t* last = higher.data() + start[v + std::size_t{1}];
        if (last - first > 16) {
            std::sort(first, last);
        } else {
            for (uint32_t* i = first; i != last; ++i) // a handful each, as a rule
                for (uint32_t* j = i; j != first && j[-1] > j[0]; --j)
                    std::swap(j[-1], j[0]);
        }
        for (uint32_t* run = first; run != last;) {
            uint32_t* runEnd = run + 1;
            while (runEnd != last && *runEnd == *run)
                ++runEnd;
            const std::ptrdiff_t faces = runEnd - run;
            facts.boundaryEdges += faces == 1 ? 1 : 0;
            facts.nonManifoldEdges += faces >= 3 ? 1 : 0;
            run = runEnd;
        }
    }
    return true;
}

uint32_t root(std::vector<uint32_t>& parent, uint32_t v)
{
    while (parent[v] != v) {
        parent[v] = parent[parent[v]];
        v = parent[v];
    }
    return v;
}

// Connected parts of the faces, joined through shared vertices.
bool countParts(const MeshModel& model, const std::atomic<bool>* cancel, ModelFacts& facts)
{
    std::vector<uint32_t> parent(model.vertexCount);
    for (uint32_t v = 0; v < model.vertexCount; ++v)
        parent[v] = v;
    std::vector<bool> used(model.vertexCount, false);
    for (uint32_t i = 0; i < model.faceCount; ++i) {
        if (stopped(cancel, i))
            return false;
        const MeshFace& face = model.faces[i];
        if (face.vertexCount == 0)
            continue;
        const uint32_t first = indexOf(model, face.vertices[0]);
        used[first] = true;
        for (uint32_t j = 1; j < face.vertexCount; ++j) {
            const uint32_t v = indexOf(model, face.vertices[j]);
            used[v] = true;
            const uint32_t a = root(parent, first);
            const uint32_t b = root(parent, v);
            if (a != b)
                parent[std::max(a, b)] = std::min(a, b);
        }
    }
    for (uint32_t v = 0; v < model.vertexCount; ++v)
        facts.parts += used[v] && root(parent, v) == v ? 1 : 0;
    return true;
}

} // namespace

ModelFacts measureModel(const MeshModel& model, const std::atomic<bool>* cancel)
{
    ModelFacts facts;
    facts.size = frameSize(model.frame);
    facts.unit = model.unit;

    // The drawn positions are the file's moved and scaled by one factor on
    // every axis: areas and the volume of a closed surface are summed in
    // drawn units, where they round least, and brought to file units once.
    const double k = fromFrameCentre(model.frame, {1.0, 0.0, 0.0}).x; // file units a drawn unit

    // The faces' sums (a big model's in two halves at once), then the parts
    // on one core while the other counts the edges.
    Sums halves[2];
    bool summed[2] = {true, true};
    splitInTwo(model.faceCount, kShareFrom, 1, [&](uint32_t begin, uint32_t end) {
        const int half = begin == 0 ? 0 : 1;
        summed[half] = sumFaces(model, begin, end, cancel, halves[half]);
    });
    bool edgesCounted = true;
    bool partsCounted = true;
    const auto part = [&](int which) {
        if (which == 1)
            edgesCounted = countEdges(model, cancel, facts);
        else
            partsCounted = countParts(model, cancel, facts);
    };
    if (model.faceCount >= kShareFrom && usableCores() >= 2) {
        runInTwo(part);
    } else {
        part(0);
        part(1);
    }
    facts.complete = summed[0] && summed[1] && edgesCounted && partsCounted;
    // (A zero sum stays zero, even where the factor's powers overflow.)
    const auto inFileUnits = [k](double drawn, int power) {
        for (int i = 0; i < power && drawn != 0.0; ++i)
            drawn *= k;
        return drawn;
    };
    facts.area = inFileUnits(halves[0].area + halves[1].area, 2);
    facts.degenerateFaces = halves[0].degenerate + halves[1].degenerate;
    facts.closed = halves[0].area + halves[1].area > 0.0 && facts.boundaryEdges == 0 && facts.nonManifoldEdges == 0;
    facts.volume = facts.closed ? inFileUnits((halves[0].volume + halves[1].volume) / 6.0, 3) : 0.0;
    return facts;
}

namespace {

// A number as %.10g.
std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

} // namespace

std::string modelFactsLines(const ModelFacts& facts)
{
    const ScopedCLocale cLocale;
    std::string lines = "size " + number(facts.size.x) + ' ' + number(facts.size.y) + ' ' + number(facts.size.z);
    lines += "\nunit ";
    lines += unitName(facts.unit);
    lines += "\narea " + number(facts.area);
    lines += facts.closed ? "\nvolume " + number(facts.volume) : std::string("\nvolume open");
    lines += "\nparts " + std::to_string(facts.parts);
    lines += "\nboundary-edges " + std::to_string(facts.boundaryEdges);
    lines += "\nnon-manifold-edges " + std::to_string(facts.nonManifoldEdges);
    lines += "\ndegenerate-faces " + std::to_string(facts.degenerateFaces) + '\n';
    return lines;
}
