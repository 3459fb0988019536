// Floor: a see-through grid in the plane y = 0, centred on the origin, with
// n × n cells of size c (coordinates from −c·n/2 to +c·n/2), normal up,
// colour 0x4CFFFFFF (white, alpha 76), texture coordinates alternating 0 and
// 1 from vertex to vertex. The owner gives it the texture kTextureFile; the
// device takes the drawn colour from the vertex colour modulated by that
// texture.
#pragma once

#include "render/scene/mesh.h"

class Texture;

class Floor : public Mesh {
public:
    static constexpr uint32_t kColour = 0x4CFFFFFF;
    // The floor's texture, relative to the application directory.
    static constexpr const char* kTextureFile = "data/gui/general/backgrounds/pixel.dds";

    // `cells` per side (clamped into [1, 1024]), `cellSize` world units per
    // cell; `texture` (not owned, may be null) becomes texture 0.
    Floor(gfx::GraphicsDevice& device, int cells, float cellSize, Texture* texture);

    // Makes the grid's chunks again.
    void rebuild() override;

    int cells() const { return cells_; }
    float cellSize() const { return cellSize_; }

    static int classType();

private:
    void build();

    int cells_;
    float cellSize_;
};
