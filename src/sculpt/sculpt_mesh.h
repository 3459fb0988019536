// SculptMesh: the triangle mesh that the sculpting run builds from the carved
// octree and that every later stage (sharpening, smoothing, simplification,
// texturing, export, "Object Info") reads and edits in place.
//
// The mesh is three growable arrays of record pointers: vertices, triangles
// (MeshCreationTriangle) and edges (VertexConnection). A removed record leaves
// a null entry behind, so every user skips nulls; a record's `index` is its
// slot in its array. Records come from block pools that are reset (never
// freed one by one) when the next run starts; pointers stay valid until then.
#pragma once

#include "core/math3d.h"
#include "image/record_pool.h"
#include "render/scene/mesh.h"
#include "render/scene/mesh_repr.h"

#include <cstdint>
#include <string>
#include <vector>

class Clipping;
struct VertexConnection;
struct MeshCreationTriangle;

// An array of records that grows in widening steps: when an append overflows,
// the growth step is multiplied by 4 and the capacity grows by the new step.
// clear() empties it and keeps its storage.
template <typename T>
class GrowableArray {
public:
    explicit GrowableArray(int capacity = 1000, int step = 1000) : capacity_(capacity), step_(step) {
        items_.resize(static_cast<std::size_t>(capacity_));
    }

    // Appends `item` and returns its index.
    int append(const T& item) {
        if (count_ == capacity_) {
            step_ *= 4;
            capacity_ += step_;
            items_.resize(static_cast<std::size_t>(capacity_));
        }
        items_[static_cast<std::size_t>(count_)] = item;
        return count_++;
    }
    // Number of entries (null entries included).
    int count() const { return count_; }
    int capacity() const { return capacity_; }
    int step() const { return step_; }
    // Entry `index`, 0 <= index < count().
    T& operator[](int index) { return items_[static_cast<std::size_t>(index)]; }
    const T& operator[](int index) const { return items_[static_cast<std::size_t>(index)]; }
    // Count 0; capacity, step and storage kept.
    void clear() { count_ = 0; }

private:
    std::vector<T> items_;
    int count_ = 0;
    int capacity_;
    int step_;
};

// One texture sample of a vertex: where the vertex falls in a clipping's
// picture, and whether the clipping sees it from behind.
struct TextureSample {
    float u = 0.0f;
    float v = 0.0f;
    const Clipping* clipping = nullptr;
    bool fromBack = false;
};

// A vertex of the sculpt mesh.
struct SculptVertex {
    D3DXVECTOR3 position;
    // Every edge that touches the vertex.
    std::vector<VertexConnection*> edges;
    // True while the vertex is in the vertex array.
    bool registered = false;
    // 0 (flat) .. 1: mean over the edges of (1 - nA . nB) / 2 of the vertex
    // normals of the edge's two ends.
    float curvature = 0.0f;
    // Every triangle that uses the vertex (entries may be null after
    // simplification).
    std::vector<MeshCreationTriangle*> triangles;
    D3DXVECTOR3 normal;
    std::vector<TextureSample> textureSamples;
    // Slot in the vertex array; -1 while unregistered.
    std::int32_t index = -1;
    // Face creation's memo of which clippings of the sculpt list hold the
    // vertex inside their silhouette (bit i: clipping i), valid when
    // `insideKnown` is set.
    std::uint64_t insideMask = 0;
    bool insideKnown = false;

    // A fresh vertex at `at`: lists emptied (their storage kept), not
    // registered, curvature 0, normal zero.
    void reset(const D3DXVECTOR3& at);
};

// A triangle E, F, G of the sculpt mesh. Its value is its perimeter.
struct MeshCreationTriangle : public Valuable {
    SculptVertex* e = nullptr;
    SculptVertex* f = nullptr;
    SculptVertex* g = nullptr;
    D3DXVECTOR3 normal;
    // Slot in the triangle array.
    std::int32_t index = -1;
    // Texture coordinates of E, F and G chosen when the drawable is filled.
    float u[3] = {0.0f, 0.0f, 0.0f};
    float v[3] = {0.0f, 0.0f, 0.0f};

    // Sum of the three edge lengths.
    float getValue() const override;
};

// An edge between two vertices. Its value is its simplification cost.
struct VertexConnection : public Valuable {
    bool valid = false;
    SculptVertex* b = nullptr;
    SculptVertex* a = nullptr;
    float cost = 0.0f;
    // Position in the simplification's ordered edge set; null when made.
    void* orderedSetPosition[2] = {nullptr, nullptr};

    float getValue() const override { return cost; }
    // The end that is not `v` (either end when `v` is neither).
    SculptVertex* other(const SculptVertex* v) const { return v == a ? b : a; }
};

// Counts shown by "Object Info": the non-null entries of the vertex and
// triangle arrays.
struct ObjectInfo {
    int vertices = 0;
    int triangles = 0;
};

// "Object consits of %d vertices and %d triangles." for `info`.
std::string objectInfoText(const ObjectInfo& info);

class SculptMesh {
public:
    SculptMesh() = default;
    SculptMesh(const SculptMesh&) = delete;
    SculptMesh& operator=(const SculptMesh&) = delete;

    // Empties the edge array and recycles every edge record (start of a run).
    void clearEdges();
    // Empties the vertex and triangle arrays and recycles their records
    // (start of face creation).
    void clearVerticesAndTriangles();

    // A fresh, unregistered vertex record at `position` from the pool.
    SculptVertex* makeVertex(const D3DXVECTOR3& position);

    // Adds the quad E, F, G, H: registers any unregistered corner, appends
    // the triangles (E, F, G) and (F, H, G) with their face normals, and
    // connects (E, G), (E, F), (F, H), (F, G), (G, H), appending every new
    // edge. All four pointers must be distinct vertices from makeVertex().
    void addQuad(SculptVertex* e, SculptVertex* f, SculptVertex* g, SculptVertex* h);

    // The edge between `a` and `b`: the one in a's edge list with `b` at
    // either end, or a new one (valid, ends (b, a)) listed by both vertices.
    // `isNew` (optional) tells which. A new edge is not put in the edge
    // array; addQuad does that.
    VertexConnection* connect(SculptVertex* a, SculptVertex* b, bool* isNew = nullptr);

    // Face normal of (E, F, G): normalise((G - E) x (F - E)).
    static void computeFaceNormal(MeshCreationTriangle& triangle);
    // Vertex normal: normalised sum of the face normals of the vertex's
    // non-null triangles.
    static void computeVertexNormal(SculptVertex& vertex);
    // Curvature from the vertex normals of both ends of each edge.
    static void computeCurvature(SculptVertex& vertex);
    // Vertex normals, then curvatures, of every non-null vertex.
    void computeNormalsAndCurvature();

    // Removes the record at `index` from its array (leaves a null entry).
    void removeVertex(int index);
    void removeTriangle(int index);
    void removeEdge(int index);

    GrowableArray<SculptVertex*>& vertices() { return vertices_; }
    const GrowableArray<SculptVertex*>& vertices() const { return vertices_; }
    GrowableArray<MeshCreationTriangle*>& triangles() { return triangles_; }
    const GrowableArray<MeshCreationTriangle*>& triangles() const { return triangles_; }
    GrowableArray<VertexConnection*>& edges() { return edges_; }
    const GrowableArray<VertexConnection*>& edges() const { return edges_; }

    // Non-null vertices and triangles.
    ObjectInfo objectInfo() const;
    // Signed volume enclosed by the non-null triangles (positive when the
    // face normals point outwards).
    double signedVolume() const;

    // What the drawable is filled with: one record per non-null triangle in
    // array order. Each corner carries the position, the vertex normal
    // (`flatShading` false) or the face normal (true), the colour
    // ARGB(255, round((1 - curvature) * 255), 0, 0) and the texture
    // coordinates chosen from the corners' texture samples (stored in the
    // triangle too; (0, 0) without a clipping common to all three corners).
    std::vector<MeshReprTriangle> reprTriangles(bool flatShading);

private:
    void registerVertex(SculptVertex* vertex);
    MeshCreationTriangle* appendTriangle(SculptVertex* e, SculptVertex* f, SculptVertex* g);
    void connectAndRecord(SculptVertex* a, SculptVertex* b);
    void chooseTextureCoordinates(MeshCreationTriangle& triangle) const;

    GrowableArray<SculptVertex*> vertices_;
    GrowableArray<MeshCreationTriangle*> triangles_;
    GrowableArray<VertexConnection*> edges_;
    RecordPool<SculptVertex, 4096> vertexPool_;
    RecordPool<MeshCreationTriangle, 4096> trianglePool_;
    RecordPool<VertexConnection, 4096> edgePool_;
};
