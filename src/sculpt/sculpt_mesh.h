// SculptMesh: the triangle mesh that the sculpting run builds from the carved
// octree and that every later stage (sharpening, smoothing, simplification,
// texturing, export, "Object Info") reads and edits in place.
//
// The mesh is three arrays of records, addressed by their index (slot):
// vertices (position, normal, curvature), triangles (MeshCreationTriangle:
// corners E, F, G) and edges (VertexConnection: ends b and a). A removed
// record leaves its slot behind, marked removed, so indices stay stable and
// every user skips removed slots. Records are plain values packed in
// contiguous arrays, so memory grows with the surface and nothing is
// allocated per record.
//
// Orientation: a triangle E, F, G faces outwards along (G - E) x (F - E)
// (the program's left-handed frame).
#pragma once

#include "core/math3d.h"
#include "render/scene/mesh_repr.h"
#include "sculpt/parallel.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu;

// A triangle: its corners E, F, G (vertex slots).
struct MeshCreationTriangle {
    std::uint32_t e = kNoIndex;
    std::uint32_t f = kNoIndex;
    std::uint32_t g = kNoIndex;

    std::uint32_t corner(int k) const { return k == 0 ? e : (k == 1 ? f : g); }
    bool has(std::uint32_t v) const { return e == v || f == v || g == v; }
};

// An edge between two vertices; a collapse keeps end b and removes end a.
struct VertexConnection {
    std::uint32_t b = kNoIndex;
    std::uint32_t a = kNoIndex;

    // The end that is not `v`.
    std::uint32_t other(std::uint32_t v) const { return v == a ? b : a; }
};

// Texture coordinates of a triangle's three corners, v from the top.
struct TriangleTexture {
    float u[3] = {0.0f, 0.0f, 0.0f};
    float v[3] = {0.0f, 0.0f, 0.0f};
};

// Counts shown by "Object Info": the vertices and triangles not removed.
struct ObjectInfo {
    int vertices = 0;
    int triangles = 0;
};

// "Object consits of %d vertices and %d triangles." for `info`.
std::string objectInfoText(const ObjectInfo& info);

// Neighbour lists of every vertex slot in one block: the neighbours of v are
// items[start[v]] .. items[start[v + 1] - 1].
struct VertexLists {
    UninitialisedVector<std::uint32_t> start;
    UninitialisedVector<std::uint32_t> items;

    std::span<const std::uint32_t> of(std::uint32_t v) const {
        return {items.data() + start[v], items.data() + start[v + 1]};
    }
};

class SculptMesh {
public:
    SculptMesh() = default;
    SculptMesh(const SculptMesh&) = delete;
    SculptMesh& operator=(const SculptMesh&) = delete;
    SculptMesh(SculptMesh&&) = default;
    SculptMesh& operator=(SculptMesh&&) = default;

    // --- building --------------------------------------------------------------------

    // Removes everything (storage kept).
    void clear();
    void reserve(std::size_t vertices, std::size_t triangles);
    // A new vertex at `position`; its slot.
    std::uint32_t addVertex(const D3DXVECTOR3& position);
    // A new triangle E, F, G (distinct vertex slots) with its face normal;
    // its slot. Edges are not touched: buildEdges() makes them.
    std::uint32_t addTriangle(std::uint32_t e, std::uint32_t f, std::uint32_t g);
    // Replaces the whole mesh by `positions` and `triangles` (corners valid
    // and distinct), then makes the face normals, the edges, the vertex
    // normals and the curvatures.
    void assign(std::vector<D3DXVECTOR3>&& positions, std::vector<MeshCreationTriangle>&& triangles,
                ParallelRunner& runner);
    // Pairs of vertices (smaller slot first) joined by more than two
    // triangles when the edges were last built (by assign() or
    // buildEdges()), in the order of the edge array.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& overusedEdges() const { return overused_; }
    // Replaces the edge array by one edge per pair of vertices that share a
    // triangle, ordered by their smaller end, then by first use. End b is the
    // smaller slot.
    void buildEdges();
    // The same from the mesh's triangle lists, on the runner's threads.
    void buildEdges(const VertexLists& triangleLists, ParallelRunner& runner);

    // --- vertices --------------------------------------------------------------------

    // Number of vertex slots, removed ones included.
    std::uint32_t vertexSlots() const { return static_cast<std::uint32_t>(positions_.size()); }
    bool isVertex(std::uint32_t v) const { return v < vertexSlots() && alive_[v] != 0; }
    D3DXVECTOR3& position(std::uint32_t v) { return positions_[v]; }
    const D3DXVECTOR3& position(std::uint32_t v) const { return positions_[v]; }
    const D3DXVECTOR3& normal(std::uint32_t v) const { return normals_[v]; }
    float curvature(std::uint32_t v) const { return curvatures_[v]; }
    void setCurvature(std::uint32_t v, float curvature) { curvatures_[v] = curvature; }
    void setNormal(std::uint32_t v, const D3DXVECTOR3& normal) { normals_[v] = normal; }
    // Marks the slot removed (its triangles and edges are the caller's), or
    // live again.
    void removeVertex(std::uint32_t v);
    void reviveVertex(std::uint32_t v) { alive_[v] = 1; }
    std::vector<D3DXVECTOR3>& positions() { return positions_; }
    const std::vector<D3DXVECTOR3>& positions() const { return positions_; }

    // --- triangles -------------------------------------------------------------------

    std::uint32_t triangleSlots() const { return static_cast<std::uint32_t>(triangles_.size()); }
    bool isTriangle(std::uint32_t t) const { return t < triangleSlots() && triangles_[t].e != kNoIndex; }
    const MeshCreationTriangle& triangle(std::uint32_t t) const { return triangles_[t]; }
    MeshCreationTriangle& triangle(std::uint32_t t) { return triangles_[t]; }
    const D3DXVECTOR3& faceNormal(std::uint32_t t) const { return faceNormals_[t]; }
    // Sets the slot's corners and recomputes its face normal.
    void setTriangle(std::uint32_t t, std::uint32_t e, std::uint32_t f, std::uint32_t g);
    void removeTriangle(std::uint32_t t);
    // The triangle's perimeter, the sum of its three edge lengths.
    float perimeter(std::uint32_t t) const;

    // --- edges -----------------------------------------------------------------------

    std::uint32_t edgeSlots() const { return static_cast<std::uint32_t>(edges_.size()); }
    bool isEdge(std::uint32_t i) const { return i < edgeSlots() && edges_[i].a != kNoIndex; }
    const VertexConnection& edge(std::uint32_t i) const { return edges_[i]; }
    VertexConnection& edge(std::uint32_t i) { return edges_[i]; }
    // Marks the edge invalid (removed).
    void removeEdge(std::uint32_t i) { edges_[i] = VertexConnection{}; }
    std::vector<VertexConnection>& edges() { return edges_; }
    const std::vector<VertexConnection>& edges() const { return edges_; }

    // --- normals and curvature ---------------------------------------------------------

    // Face normal of (E, F, G): normalise((G - E) x (F - E)).
    static D3DXVECTOR3 faceNormalOf(const D3DXVECTOR3& e, const D3DXVECTOR3& f, const D3DXVECTOR3& g);
    void computeFaceNormal(std::uint32_t t);
    // Face normals of every triangle, then vertex normals (the normalised,
    // unweighted sum of the face normals around each vertex), then
    // curvatures (the mean over each vertex's edges of (1 - nA . nB) / 2,
    // nA and nB the vertex normals of the edge's ends).
    void computeNormalsAndCurvature();
    // The same on the runner's threads; `around` must be triangleLists() of
    // the mesh as it is, and the edges current.
    void computeNormalsAndCurvature(const VertexLists& around, ParallelRunner& runner);

    // --- lists -------------------------------------------------------------------------

    // The live vertex slots and the live triangle slots, in slot order,
    // gathered on the runner's threads.
    std::vector<std::uint32_t> liveVertices(ParallelRunner& runner) const {
        return indicesWhere(vertexSlots(), [this](std::uint32_t v) { return isVertex(v); }, runner);
    }
    std::vector<std::uint32_t> liveTriangles(ParallelRunner& runner) const {
        return indicesWhere(triangleSlots(), [this](std::uint32_t t) { return isTriangle(t); }, runner);
    }

    // The edge neighbours of every vertex (through live edges), each in edge
    // array order.
    VertexLists neighbourLists() const;
    VertexLists neighbourLists(ParallelRunner& runner) const;
    // The live triangles around every vertex, in triangle order.
    VertexLists triangleLists() const;
    VertexLists triangleLists(ParallelRunner& runner) const;

    // --- texture ----------------------------------------------------------------------

    // One record per triangle slot once texture coordinates were chosen;
    // empty before.
    const std::vector<TriangleTexture>& textureCoordinates() const { return textures_; }
    void setTextureCoordinates(std::vector<TriangleTexture> textures) { textures_ = std::move(textures); }

    // --- summaries ----------------------------------------------------------------------

    ObjectInfo objectInfo() const;
    // Signed volume enclosed by the live triangles (positive when they face
    // outwards).
    double signedVolume() const;
    // Bytes held by the arrays (capacity).
    std::size_t memoryBytes() const;

    // What the drawable is filled with: one record per live triangle in
    // slot order. Each corner carries the position, the vertex normal
    // (`flatShading` false) or the face normal (true), the colour
    // ARGB(255, round((1 - curvature) * 255), 0, 0) and the texture
    // coordinates of the triangle from `textures` (one per triangle slot;
    // null: the mesh's own), (0, 0) without any.
    std::vector<MeshReprTriangle> reprTriangles(bool flatShading,
                                                const std::vector<TriangleTexture>* textures = nullptr) const;

private:
    std::vector<D3DXVECTOR3> positions_;
    std::vector<D3DXVECTOR3> normals_;
    std::vector<float> curvatures_;
    std::vector<std::uint8_t> alive_;
    std::vector<MeshCreationTriangle> triangles_;
    std::vector<D3DXVECTOR3> faceNormals_;
    std::vector<VertexConnection> edges_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> overused_;
    std::vector<TriangleTexture> textures_;
};
