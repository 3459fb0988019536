// TranspCube: the see-through box from −0.5 to +0.5 on every axis. Each of
// its six faces is an n × n grid of kind-1 vertices coloured 0x4CFFFFFF with
// outward normals, one buffer chunk per face (a face too big for 16-bit
// indices takes several). Drawn like the floor.
#pragma once

#include "render/scene/mesh.h"

class Texture;

class TranspCube : public Mesh {
public:
    static constexpr uint32_t kColour = 0x4CFFFFFF;

    // `cells` per face side (clamped into [1, 1024]); `texture` (not owned,
    // may be null) becomes texture 0.
    TranspCube(gfx::GraphicsDevice& device, int cells, Texture* texture);

    // Makes the faces' chunks again.
    void rebuild() override;

    int cells() const { return cells_; }

    static int classType();

private:
    void build();

    int cells_;
};
