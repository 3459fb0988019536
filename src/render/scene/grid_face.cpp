#include "render/scene/grid_face.h"

#include <algorithm>

namespace {

constexpr int kMaxVerticesPerPiece = 65536;

// True when triangle (a, b, c) faces along `normal`.
bool facesAlong(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c, const D3DXVECTOR3& normal) {
    const D3DXVECTOR3 ab = b - a;
    const D3DXVECTOR3 ac = c - a;
    D3DXVECTOR3 cross;
    D3DXVec3Cross(&cross, &ab, &ac);
    return D3DXVec3Dot(&cross, &normal) >= 0.0f;
}

VertexPNCT gridVertex(const GridFace& face, int cells, int i, int j) {
    VertexPNCT vertex;
    const float s = static_cast<float>(i) / static_cast<float>(cells);
    const float t = static_cast<float>(j) / static_cast<float>(cells);
    vertex.position = face.corner + face.uEdge * s + face.vEdge * t;
    vertex.normal = face.normal;
    vertex.colour = face.colour;
    vertex.u = static_cast<float>(i % 2);
    vertex.v = static_cast<float>(j % 2);
    return vertex;
}

// Rows [firstRow, lastRow] of vertices and the cells between them.
GridPiece buildBand(const GridFace& face, int cells, int firstRow, int lastRow, bool flip) {
    GridPiece piece;
    const int columns = cells + 1;
    for (int j = firstRow; j <= lastRow; ++j)
        for (int i = 0; i <= cells; ++i) piece.vertices.push_back(gridVertex(face, cells, i, j));
    for (int row = 0; row < lastRow - firstRow; ++row) {
        for (int i = 0; i < cells; ++i) {
            const auto v00 = static_cast<uint16_t>(row * columns + i);
            const auto v10 = static_cast<uint16_t>(v00 + 1);
            const auto v01 = static_cast<uint16_t>(v00 + columns);
            const auto v11 = static_cast<uint16_t>(v01 + 1);
            const uint16_t cell[6] = {v00, v01, v10, v10, v01, v11};
            for (int k = 0; k < 6; k += 3) {
                piece.indices.push_back(cell[k]);
                piece.indices.push_back(flip ? cell[k + 2] : cell[k + 1]);
                piece.indices.push_back(flip ? cell[k + 1] : cell[k + 2]);
            }
        }
    }
    return piece;
}

}  // namespace

std::vector<GridPiece> buildGridFace(const GridFace& face) {
    const int cells = std::clamp(face.cells, 1, kMaxGridCells);
    const D3DXVECTOR3 origin = face.corner;
    const D3DXVECTOR3 alongV = face.corner + face.vEdge;
    const D3DXVECTOR3 alongU = face.corner + face.uEdge;
    const bool flip = !facesAlong(origin, alongV, alongU, face.normal);

    const int columns = cells + 1;
    const int rowsPerBand = std::max(1, kMaxVerticesPerPiece / columns - 1);
    std::vector<GridPiece> pieces;
    for (int first = 0; first < cells; first += rowsPerBand)
        pieces.push_back(buildBand(face, cells, first, std::min(cells, first + rowsPerBand), flip));
    return pieces;
}
