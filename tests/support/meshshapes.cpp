#include "tests/support/meshshapes.h"

#include <cmath>

Mesh wavySheet(int side, bool quads)
{
    Mesh mesh;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            const double x = i / (side - 1.0) * 2.0 - 1.0;
            const double y = j / (side - 1.0) * 2.0 - 1.0;
            mesh.positions.push_back({x, y, 0.1 * std::sin(3.0 * x) * std::cos(2.0 * y)});
        }
    for (int j = 0; j + 1 < side; ++j)
        for (int i = 0; i + 1 < side; ++i) {
            const int a = j * side + i;
            if (quads) {
                mesh.faces.push_back({a, a + 1, a + side + 1, a + side});
            } else {
                mesh.faces.push_back({a, a + 1, a + side + 1});
                mesh.faces.push_back({a, a + side + 1, a + side});
            }
        }
    return mesh;
}

Mesh sphereMesh(int rings, int segments)
{
    const double pi = std::acos(-1.0);
    Mesh mesh;
    mesh.positions.push_back({0.0, 0.0, -1.0});
    for (int r = 1; r < rings; ++r) {
        const double polar = pi * r / rings;
        for (int s = 0; s < segments; ++s) {
            const double around = 2.0 * pi * s / segments;
            mesh.positions.push_back(
                {std::sin(polar) * std::cos(around), std::sin(polar) * std::sin(around), -std::cos(polar)});
        }
    }
    const int top = static_cast<int>(mesh.positions.size());
    mesh.positions.push_back({0.0, 0.0, 1.0});
    const auto ring = [&](int r, int s) { return 1 + (r - 1) * segments + (s % segments); };
    for (int s = 0; s < segments; ++s)
        mesh.faces.push_back({0, ring(1, s + 1), ring(1, s)});
    for (int r = 1; r + 1 < rings; ++r)
        for (int s = 0; s < segments; ++s)
            mesh.faces.push_back({ring(r, s), ring(r, s + 1), ring(r + 1, s + 1), ring(r + 1, s)});
    for (int s = 0; s < segments; ++s)
        mesh.faces.push_back({top, ring(rings - 1, s), ring(rings - 1, s + 1)});
    return mesh;
}
