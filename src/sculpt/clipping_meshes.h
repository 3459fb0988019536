// The display meshes of a clipping, in the model coordinates of
// ClippingModelFrame (x = depth - 0.5 as a share of the slab, y and z in
// picture pixels from the rotation centre):
//  - ClippingSide: the walls of the silhouette swept through the slab, one
//    strip of quads per outline chain, lit, translucent;
//  - ClippingBorder: the outline at the near and the far face as lines in
//    the colour of adding or removing images;
//  - ClippingFront and ClippingBack: the picture as a textured quad at the
//    near and the far face (the back one fainter);
//  - ClippingLayer: the decals, small textured quads of the picture laid
//    where the other images' silhouettes say the object is.
// The builders below make the vertices and indices without a device, so the
// geometry can be checked on its own; the mesh classes upload them and set
// the render states each one is drawn with.
#pragma once

#include "render/scene/line_list.h"
#include "render/scene/mesh.h"
#include "render/scene/picking.h"
#include "sculpt/clipping_frame.h"

#include <cstdint>
#include <vector>

class Border;

// One drawing chunk of position-normal vertices.
struct SidePiece {
    std::vector<VertexPN> vertices;
    std::vector<uint16_t> indices;
};

// Chunks of the side walls hold at most this many vertices.
inline constexpr int kSideChunkVertices = 40000;

// The sample positions of the outline that the walls and lines follow: for
// each closed chain with more than `quality` vertices, every quality-th
// vertex and the chain's last one (quality below 1 counts as 1). Outline
// coordinates (u, w) with the outline normal pointing into the silhouette.
struct OutlineSample {
    float u = 0.0f;
    float w = 0.0f;
    float normalU = 0.0f;
    float normalW = 0.0f;
};
std::vector<std::vector<OutlineSample>> sampleOutline(const Border& border, int quality);

// `chain` with the samples left out that lie within `tolerance` (outline
// units) of the line through their kept neighbours (Douglas-Peucker); the
// first and last samples stay. The outline's staircase needs far fewer
// walls drawn this way, with no visible difference at half a pixel.
std::vector<OutlineSample> simplifiedChain(const std::vector<OutlineSample>& chain, float tolerance);

// The walls of `chains` from the near face (s = 0) to the far face (s = 1):
// every pair of neighbouring samples makes a quad of two triangles, the
// normals pointing out of the silhouette. Chunks never exceed
// kSideChunkVertices vertices.
std::vector<SidePiece> buildSideWalls(const std::vector<std::vector<OutlineSample>>& chains,
                                      const ClippingModelFrame& frame);

// Line-list points of the chains at the near and the far face.
std::vector<D3DXVECTOR3> buildOutlineLines(const std::vector<std::vector<OutlineSample>>& chains,
                                           const ClippingModelFrame& frame);

// A rectangle of the picture in outline coordinates.
struct PictureRect {
    float u0 = 0.0f;
    float w0 = 0.0f;
    float u1 = 0.0f;
    float w1 = 0.0f;
};

// One textured quad of the picture rectangle `rect` at depth `s`, coloured
// `colour` (0xAARRGGBB, modulating the texture), its texture coordinates
// taken from the canvas of textureWidth x textureHeight texels (outline
// point (u, w) is picture pixel (W - u, H - w)). The normal faces the viewer
// of the picture (towards the near side). Vertices are appended at `base`.
void appendPictureQuad(const ClippingModelFrame& frame, const PictureRect& rect, float s, uint32_t colour,
                       int textureWidth, int textureHeight, std::vector<VertexPNCT>& vertices,
                       std::vector<uint16_t>& indices);

// The rectangle a clipping shows of its picture: the whole picture, or only
// the silhouette's box grown by four pixels (clamped to the picture) when
// the background around it is not drawn.
PictureRect shownPictureRect(const ClippingModelFrame& frame, const GridBox& silhouetteBox, bool wholePicture);

// --- meshes ---------------------------------------------------------------------------

// Translucent lit walls, both sides drawn, depth not written.
class ClippingSide : public Mesh {
public:
    explicit ClippingSide(gfx::GraphicsDevice& device);
    // Replaces the walls; `colour` and `opacity` (0..255) set the material.
    void setWalls(const std::vector<SidePiece>& pieces);
    void setColour(uint8_t red, uint8_t green, uint8_t blue, int opacity);
    void applyRenderstates(gfx::GraphicsDevice& device) override;
    static int classType();
};

// The outline lines, unlit, in one colour.
class ClippingBorder : public LineList {
public:
    explicit ClippingBorder(gfx::GraphicsDevice& device);
    void setLines(const std::vector<D3DXVECTOR3>& points);
    void setColour(uint8_t red, uint8_t green, uint8_t blue);
    static int classType();
};

// A textured picture quad, blended, texels without alpha skipped.
class ClippingFront : public Mesh {
public:
    explicit ClippingFront(gfx::GraphicsDevice& device, int typeNumber = classType());
    // Replaces the quad.
    void setQuad(const std::vector<VertexPNCT>& vertices, const std::vector<uint16_t>& indices);
    void applyRenderstates(gfx::GraphicsDevice& device) override;
    static int classType();
};

class ClippingBack : public ClippingFront {
public:
    explicit ClippingBack(gfx::GraphicsDevice& device);
    static int classType();
};

// The decal quads; at most kCapacity vertices (one chunk).
class ClippingLayer : public ClippingFront {
public:
    static constexpr int kCapacity = 60000;
    explicit ClippingLayer(gfx::GraphicsDevice& device);
    // Replaces the decals by the first kCapacity / 4 quads of the vertices
    // (four per quad, indices two triangles per quad). False (and the
    // message "Could not allocate verts in clipping layer" printed) when the
    // device refused the buffer.
    bool setQuads(const std::vector<VertexPNCT>& vertices, const std::vector<uint16_t>& indices);
    int quadCount() const { return quadCount_; }
    static int classType();

private:
    int quadCount_ = 0;
};
