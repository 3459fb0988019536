#include "render/scene/transp_cube.h"

#include "render/scene/grid_face.h"

#include <algorithm>

namespace {

// The face of the unit cube whose outward normal is `normal`, spanned by the
// two other axes.
GridFace cubeFace(const D3DXVECTOR3& normal, const D3DXVECTOR3& uAxis, const D3DXVECTOR3& vAxis, int cells) {
    GridFace face;
    face.corner = normal * 0.5f - uAxis * 0.5f - vAxis * 0.5f;
    face.uEdge = uAxis;
    face.vEdge = vAxis;
    face.normal = normal;
    face.cells = cells;
    face.colour = TranspCube::kColour;
    return face;
}

}  // namespace

int TranspCube::classType() {
    static const int type = registerSceneClass();
    return type;
}

TranspCube::TranspCube(gfx::GraphicsDevice& device, int cells, Texture* texture)
    : Mesh(device, classType()), cells_(std::clamp(cells, 1, kMaxGridCells)) {
    if (texture != nullptr) addTexture(texture);
    build();
}

void TranspCube::rebuild() {
    clearChunks();
    build();
}

void TranspCube::build() {
    const D3DXVECTOR3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    const GridFace faces[6] = {
        cubeFace(-x, z, y, cells_), cubeFace(x, z, y, cells_), cubeFace(-y, x, z, cells_),
        cubeFace(y, x, z, cells_),  cubeFace(-z, x, y, cells_), cubeFace(z, x, y, cells_),
    };
    for (const GridFace& face : faces)
        for (const GridPiece& piece : buildGridFace(face)) createBuffer(piece.vertices, piece.indices);
}
