#include "render/scene/floor.h"

#include "render/scene/grid_face.h"

#include <algorithm>

int Floor::classType() {
    static const int type = registerSceneClass();
    return type;
}

Floor::Floor(gfx::GraphicsDevice& device, int cells, float cellSize, Texture* texture)
    : Mesh(device, classType()), cells_(std::clamp(cells, 1, kMaxGridCells)), cellSize_(cellSize) {
    if (texture != nullptr) addTexture(texture);
    build();
}

void Floor::rebuild() {
    clearChunks();
    build();
}

void Floor::build() {
    const float half = cellSize_ * static_cast<float>(cells_) / 2.0f;
    const float extent = cellSize_ * static_cast<float>(cells_);
    GridFace face;
    face.corner = {-half, 0.0f, -half};
    face.uEdge = {extent, 0.0f, 0.0f};
    face.vEdge = {0.0f, 0.0f, extent};
    face.normal = {0.0f, 1.0f, 0.0f};
    face.cells = cells_;
    face.colour = kColour;
    for (const GridPiece& piece : buildGridFace(face)) createBuffer(piece.vertices, piece.indices);
}
