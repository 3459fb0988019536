// Flat grids of kind-1 vertices for the floor and the see-through cube:
// (n + 1) × (n + 1) vertices over n × n cells, two triangles per cell,
// texture coordinates alternating 0 and 1 from vertex to vertex, triangles
// wound so that their front faces look along the given normal. A grid too
// big for 16-bit indices is cut into bands of rows, one piece each.
#pragma once

#include "core/math3d.h"
#include "render/scene/mesh_chunk.h"

#include <cstdint>
#include <vector>

struct GridPiece {
    std::vector<VertexPNCT> vertices;
    std::vector<uint16_t> indices;
};

struct GridFace {
    D3DXVECTOR3 corner;  // position of vertex (0, 0)
    D3DXVECTOR3 uEdge;   // from vertex (0, 0) to vertex (n, 0)
    D3DXVECTOR3 vEdge;   // from vertex (0, 0) to vertex (0, n)
    D3DXVECTOR3 normal;  // unit normal every vertex gets
    int cells = 1;       // n, at least 1
    uint32_t colour = 0xFFFFFFFF;
};

// Largest number of cells per side a grid accepts; more are treated as this.
inline constexpr int kMaxGridCells = 1024;

// The pieces of `face`; cells are clamped into [1, kMaxGridCells].
std::vector<GridPiece> buildGridFace(const GridFace& face);
