#include "rendermodels.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace gltest {

ModelPtr makeModelWithNormals(const std::vector<Vector3>& positions, const std::vector<std::vector<int>>& faces)
{
    ModelPtr model = ::makeModel(positions, faces);
    buildMeshModel(model.get());
    return model;
}

void addColours(MeshModel& model)
{
    model.colours = static_cast<float*>(std::malloc(3 * sizeof(float) * std::max(model.vertexCount, 1u)));
    for (uint32_t i = 0; i < model.vertexCount; ++i) {
        const double t = 6.0 * i / std::max(model.vertexCount, 1u);
        model.colours[3 * i] = static_cast<float>(0.5 + 0.5 * std::sin(t));
        model.colours[3 * i + 1] = static_cast<float>(0.5 + 0.5 * std::sin(t + 2.1));
        model.colours[3 * i + 2] = static_cast<float>(0.5 + 0.5 * std::sin(t + 4.2));
    }
}

void addFaceColours(MeshModel& model)
{
    model.faceColours = static_cast<float*>(std::malloc(3 * sizeof(float) * std::max(model.faceCount, 1u)));
    for (uint32_t i = 0; i < model.faceCount; ++i) {
        const float channels[3] = {(i % 7) / 6.0f, (i % 3) / 2.0f, (i % 5) / 4.0f};
        for (int c = 0; c < 3; ++c)
            model.faceColours[3 * i + c] = i % 5 == 4 ? kNoFaceColour : channels[c];
    }
}

ModelPtr makeMixedBall()
{
    // Rings of a sphere; each band between two rings is cut into faces of
    // one to four cells, so their corner counts run from 3 to 6.
    constexpr int kRings = 12;
    constexpr int kSegments = 24;
    constexpr double kPi = 3.14159265358979323846;
    std::vector<Vector3> points;
    points.push_back({0, 0.9, 0});
    for (int r = 1; r < kRings; ++r) {
        const double theta = kPi * r / kRings;
        for (int s = 0; s < kSegments; ++s) {
            const double phi = 2 * kPi * s / kSegments;
            const double radius = 0.9 + 0.06 * std::sin(3 * phi + r);
            points.push_back({radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                              -radius * std::sin(theta) * std::sin(phi)});
        }
    }
    points.push_back({0, -0.9, 0});
    const int south = static_cast<int>(points.size()) - 1;
    auto at = [](int ring, int s) { return 1 + (ring - 1) * kSegments + (s % kSegments); };

    std::vector<std::vector<int>> faces;
    for (int s = 0; s < kSegments; ++s) {
        faces.push_back({0, at(1, s), at(1, s + 1)});
        faces.push_back({south, at(kRings - 1, s + 1), at(kRings - 1, s)});
    }
    for (int r = 1; r + 1 < kRings; ++r) {
        int s = 0;
        int width = 1 + r % 3;
        while (s < kSegments) {
            const int w = std::min(width, kSegments - s);
            // Corners counter-clockwise seen from outside, starting at a
            // different corner for every face.
            std::vector<int> face;
            for (int k = 0; k <= w; ++k)
                face.push_back(at(r, s + k));
            for (int k = w; k >= 0; --k)
                face.push_back(at(r + 1, s + k));
            if (w == 1 && (s / 2) % 2 == 0) {
                // Split some cells into two triangles.
                faces.push_back({face[0], face[2], face[1]});
                faces.push_back({face[0], face[3], face[2]});
            } else {
                if (w == 1 && s % 3 == 0)
                    face.erase(face.begin() + 1); // a triangle and a gap
                std::rotate(face.begin(), face.begin() + (s % face.size()), face.end());
                faces.push_back(face);
            }
            s += w;
            width = width % 4 + 1;
        }
    }
    faces.push_back({0, 1});
    faces.push_back({2});
    faces.push_back({});
    return makeModelWithNormals(points, faces);
}

ModelPtr makeTriangleGrid(int side)
{
    std::vector<Vector3> points;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            const double x = 2.0 * i / (side - 1) - 1.0;
            const double y = 2.0 * j / (side - 1) - 1.0;
            points.push_back({x, y, 0.1 * std::sin(9 * x) * std::cos(7 * y)});
        }
    std::vector<std::vector<int>> faces;
    for (int j = 0; j + 1 < side; ++j)
        for (int i = 0; i + 1 < side; ++i) {
            const int a = j * side + i;
            faces.push_back({a, a + 1, a + side});
            faces.push_back({a + 1, a + side + 1, a + side});
        }
    return makeModelWithNormals(points, faces);
}

} // namespace gltest
