// A box for the mesh writers' tests.
#pragma once

#include "sculpt/mesh_export.h"

#include <array>
#include <utility>

// A box from (0, 1, 2) to (2, 3, 4), faces clockwise seen from outside (the
// program's left-handed convention). With `textured`, each corner's texture
// coordinates put vertices with y = 3 in the top half of the texture and
// those with y = 1 in the bottom half (v measured from the top).
inline ExportMesh exportBox(bool textured) {
    ExportMesh mesh;
    for (int i = 0; i < 8; ++i) {
        const float x = (i & 1) ? 2.0f : 0.0f;
        const float y = (i & 2) ? 3.0f : 1.0f;
        const float z = (i & 4) ? 4.0f : 2.0f;
        mesh.positions.push_back({x, y, z});
        mesh.normals.push_back({x - 1.0f, y - 2.0f, z - 3.0f});
    }
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (int q = 0; q < 6; ++q) {
        const int* c = quads[q];
        for (const auto& corners : {std::array<int, 3>{c[0], c[1], c[2]}, std::array<int, 3>{c[0], c[2], c[3]}}) {
            ExportMesh::Triangle t;
            for (int k = 0; k < 3; ++k) {
                t.corner[k] = static_cast<std::uint32_t>(corners[static_cast<std::size_t>(k)]);
                const bool top = mesh.positions[t.corner[k]].y > 2.0f;
                // Each face has its own column, so vertices are shared by
                // corners with different coordinates (seams).
                t.u[k] = (static_cast<float>(q) + 0.5f) / 6.0f;
                t.v[k] = top ? 0.25f : 0.75f;
            }
            mesh.triangles.push_back(t);
        }
    }
    if (signedVolumeLeftHanded(mesh) < 0.0) {
        for (auto& t : mesh.triangles) {
            std::swap(t.corner[1], t.corner[2]);
            std::swap(t.u[1], t.u[2]);
            std::swap(t.v[1], t.v[2]);
        }
    }
    mesh.hasTextureCoordinates = textured;
    return mesh;
}

