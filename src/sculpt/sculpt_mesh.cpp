#include "sculpt/sculpt_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string objectInfoText(const ObjectInfo& info) {
    char text[128];
    std::snprintf(text, sizeof text, "Object consits of %d vertices and %d triangles.", info.vertices, info.triangles);
    return text;
}

// --- building -----------------------------------------------------------------------------

void SculptMesh::clear() {
    positions_.clear();
    normals_.clear();
    curvatures_.clear();
    alive_.clear();
    triangles_.clear();
    faceNormals_.clear();
    edges_.clear();
    overused_.clear();
    textures_.clear();
}

void SculptMesh::reserve(std::size_t vertices, std::size_t triangles) {
    positions_.reserve(vertices);
    normals_.reserve(vertices);
    curvatures_.reserve(vertices);
    alive_.reserve(vertices);
    triangles_.reserve(triangles);
    faceNormals_.reserve(triangles);
}

std::uint32_t SculptMesh::addVertex(const D3DXVECTOR3& position) {
    positions_.push_back(position);
    normals_.push_back(D3DXVECTOR3());
    curvatures_.push_back(0.0f);
    alive_.push_back(1);
    return static_cast<std::uint32_t>(positions_.size() - 1);
}

std::uint32_t SculptMesh::addTriangle(std::uint32_t e, std::uint32_t f, std::uint32_t g) {
    triangles_.push_back(MeshCreationTriangle{e, f, g});
    faceNormals_.push_back(faceNormalOf(positions_[e], positions_[f], positions_[g]));
    return static_cast<std::uint32_t>(triangles_.size() - 1);
}

void SculptMesh::assign(std::vector<D3DXVECTOR3>&& positions, std::vector<MeshCreationTriangle>&& triangles,
                        ParallelRunner& runner) {
    clear();
    positions_ = std::move(positions);
    normals_.assign(positions_.size(), D3DXVECTOR3());
    curvatures_.assign(positions_.size(), 0.0f);
    alive_.assign(positions_.size(), 1);
    triangles_ = std::move(triangles);
    faceNormals_.resize(triangles_.size());
    const VertexLists around = triangleLists(runner);
    buildEdges(around, runner);
    computeNormalsAndCurvature(around, runner);
}

void SculptMesh::buildEdges(const VertexLists& around, ParallelRunner& runner) {
    const ChunkPlan plan{positions_.size(), 16384};
    // Each chunk's finds on cache lines of their own: neighbouring chunks
    // grow their lists at the same time.
    struct alignas(64) Found {
        std::vector<VertexConnection> edges;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> overused;
    };
    std::vector<Found> found(plan.chunks());
    runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
        // The vertex's neighbours above it and how many of its triangles
        // each shares.
        std::vector<std::pair<std::uint32_t, std::uint32_t>> uses;
        for (std::size_t vertex = plan.begin(chunk); vertex < plan.end(chunk); ++vertex) {
            const std::uint32_t v = static_cast<std::uint32_t>(vertex);
            uses.clear();
            for (std::uint32_t t : around.of(v)) {
                const MeshCreationTriangle& tri = triangles_[t];
                for (int k = 0; k < 3; ++k) {
                    const std::uint32_t w = tri.corner(k);
                    if (w <= v) continue;
                    const auto it = std::find_if(uses.begin(), uses.end(), [w](const auto& use) { return use.first == w; });
                    if (it != uses.end()) {
                        ++it->second;
                    } else {
                        uses.emplace_back(w, 1);
                    }
                }
            }
            for (const auto& [w, count] : uses) {
                found[chunk].edges.push_back(VertexConnection{v, w});
                if (count > 2) found[chunk].overused.emplace_back(v, w);
            }
        }
    });
    edges_.clear();
    overused_.clear();
    std::size_t total = 0;
    for (const Found& list : found) total += list.edges.size();
    edges_.reserve(total);
    for (const Found& list : found) {
        edges_.insert(edges_.end(), list.edges.begin(), list.edges.end());
        overused_.insert(overused_.end(), list.overused.begin(), list.overused.end());
    }
}

void SculptMesh::buildEdges() {
    ParallelRunner single(1);
    buildEdges(triangleLists(), single);
}

// --- vertices and triangles -------------------------------------------------------------------

void SculptMesh::removeVertex(std::uint32_t v) {
    if (v < vertexSlots()) alive_[v] = 0;
}

void SculptMesh::setTriangle(std::uint32_t t, std::uint32_t e, std::uint32_t f, std::uint32_t g) {
    triangles_[t] = MeshCreationTriangle{e, f, g};
    computeFaceNormal(t);
}

void SculptMesh::removeTriangle(std::uint32_t t) {
    if (t < triangleSlots()) triangles_[t] = MeshCreationTriangle{};
}

float SculptMesh::perimeter(std::uint32_t t) const {
    const MeshCreationTriangle& tri = triangles_[t];
    const D3DXVECTOR3 ef = positions_[tri.f] - positions_[tri.e];
    const D3DXVECTOR3 fg = positions_[tri.g] - positions_[tri.f];
    const D3DXVECTOR3 ge = positions_[tri.e] - positions_[tri.g];
    return D3DXVec3Length(&ef) + D3DXVec3Length(&fg) + D3DXVec3Length(&ge);
}

// --- normals and curvature ---------------------------------------------------------------------

D3DXVECTOR3 SculptMesh::faceNormalOf(const D3DXVECTOR3& e, const D3DXVECTOR3& f, const D3DXVECTOR3& g) {
    const D3DXVECTOR3 eg = g - e;
    const D3DXVECTOR3 ef = f - e;
    D3DXVECTOR3 cross;
    D3DXVec3Cross(&cross, &eg, &ef);
    D3DXVECTOR3 normal;
    D3DXVec3Normalize(&normal, &cross);
    return normal;
}

void SculptMesh::computeFaceNormal(std::uint32_t t) {
    const MeshCreationTriangle& tri = triangles_[t];
    faceNormals_[t] = faceNormalOf(positions_[tri.e], positions_[tri.f], positions_[tri.g]);
}

void SculptMesh::computeNormalsAndCurvature() {
    ParallelRunner single(1);
    computeNormalsAndCurvature(triangleLists(), single);
}

void SculptMesh::computeNormalsAndCurvature(const VertexLists& around, ParallelRunner& runner) {
    const ChunkPlan triangles{triangles_.size(), 65536};
    runner.forEachChunk(triangles.chunks(), [&](std::size_t chunk) {
        for (std::size_t t = triangles.begin(chunk); t < triangles.end(chunk); ++t) {
            if (isTriangle(static_cast<std::uint32_t>(t))) computeFaceNormal(static_cast<std::uint32_t>(t));
        }
    });
    // Vertex normals, then curvatures, each vertex on its own; the sums go
    // in triangle and edge order.
    const ChunkPlan vertices{positions_.size(), 65536};
    runner.forEachChunk(vertices.chunks(), [&](std::size_t chunk) {
        for (std::size_t v = vertices.begin(chunk); v < vertices.end(chunk); ++v) {
            D3DXVECTOR3 sum(0.0f, 0.0f, 0.0f);
            for (std::uint32_t t : around.of(static_cast<std::uint32_t>(v))) sum += faceNormals_[t];
            D3DXVec3Normalize(&normals_[v], &sum);
        }
    });
    const VertexLists neighbours = neighbourLists(runner);
    runner.forEachChunk(vertices.chunks(), [&](std::size_t chunk) {
        for (std::size_t v = vertices.begin(chunk); v < vertices.end(chunk); ++v) {
            float sum = 0.0f;
            const auto list = neighbours.of(static_cast<std::uint32_t>(v));
            for (std::uint32_t w : list) sum += (1.0f - D3DXVec3Dot(&normals_[v], &normals_[w])) * 0.5f;
            curvatures_[v] = list.size() > 1 ? sum / static_cast<float>(list.size()) : sum;
        }
    });
}

// --- lists ---------------------------------------------------------------------------------------

namespace {

// Lists per vertex of the values `emit(i, add)` adds, add(vertex, value),
// for the records i = 0 .. count - 1, each list in record order. The
// records are split into one part per thread; each part counts and then
// places its own values, behind those of the parts before it.
template <typename Emit>
VertexLists listsPerVertex(std::size_t vertices, std::size_t count, const Emit& emit, ParallelRunner& runner) {
    constexpr std::size_t kLeastPerPart = 65536;
    const std::size_t parts = std::clamp<std::size_t>(count / kLeastPerPart, 1, static_cast<std::size_t>(runner.threads()));
    const ChunkPlan plan{count, (count + parts - 1) / parts};
    std::vector<std::vector<std::uint32_t>> at(parts);
    runner.forEachChunk(plan.chunks(), [&](std::size_t part) {
        std::vector<std::uint32_t>& counts = at[part];
        counts.assign(vertices, 0);
        for (std::size_t i = plan.begin(part); i < plan.end(part); ++i) {
            emit(i, [&counts](std::uint32_t v, std::uint32_t) { ++counts[v]; });
        }
    });
    // Each list's start: the vertices' totals per block of vertices, the
    // blocks' starts from those, then every list's start (and each part's
    // first place in it) within its block.
    VertexLists lists;
    lists.start.resize(vertices + 1);
    const ChunkPlan blocks{vertices, kLeastPerPart};
    std::vector<std::uint32_t> blockStart(blocks.chunks() + 1, 0);
    runner.forEachChunk(blocks.chunks(), [&](std::size_t block) {
        std::uint32_t sum = 0;
        for (std::size_t v = blocks.begin(block); v < blocks.end(block); ++v) {
            for (std::size_t part = 0; part < plan.chunks(); ++part) sum += at[part][v];
        }
        blockStart[block + 1] = sum;
    });
    for (std::size_t block = 0; block < blocks.chunks(); ++block) blockStart[block + 1] += blockStart[block];
    runner.forEachChunk(blocks.chunks(), [&](std::size_t block) {
        std::uint32_t total = blockStart[block];
        for (std::size_t v = blocks.begin(block); v < blocks.end(block); ++v) {
            lists.start[v] = total;
            for (std::size_t part = 0; part < plan.chunks(); ++part) {
                const std::uint32_t n = at[part][v];
                at[part][v] = total;
                total += n;
            }
        }
    });
    const std::uint32_t total = blockStart[blocks.chunks()];
    lists.start[vertices] = total;
    // Every place is written below.
    lists.items.resize(total);
    runner.forEachChunk(plan.chunks(), [&](std::size_t part) {
        std::vector<std::uint32_t>& next = at[part];
        for (std::size_t i = plan.begin(part); i < plan.end(part); ++i) {
            emit(i, [&](std::uint32_t v, std::uint32_t value) { lists.items[next[v]++] = value; });
        }
    });
    return lists;
}

}  // namespace

VertexLists SculptMesh::neighbourLists() const {
    ParallelRunner single(1);
    return neighbourLists(single);
}

VertexLists SculptMesh::neighbourLists(ParallelRunner& runner) const {
    return listsPerVertex(
        positions_.size(), edges_.size(),
        [this](std::size_t i, const auto& add) {
            const VertexConnection& edge = edges_[i];
            if (edge.a == kNoIndex) return;
            add(edge.a, edge.b);
            add(edge.b, edge.a);
        },
        runner);
}

VertexLists SculptMesh::triangleLists() const {
    ParallelRunner single(1);
    return triangleLists(single);
}

VertexLists SculptMesh::triangleLists(ParallelRunner& runner) const {
    return listsPerVertex(
        positions_.size(), triangles_.size(),
        [this](std::size_t t, const auto& add) {
            const MeshCreationTriangle& tri = triangles_[t];
            if (tri.e == kNoIndex) return;
            const auto slot = static_cast<std::uint32_t>(t);
            add(tri.e, slot);
            add(tri.f, slot);
            add(tri.g, slot);
        },
        runner);
}

// --- summaries -----------------------------------------------------------------------------------

ObjectInfo SculptMesh::objectInfo() const {
    ObjectInfo info;
    for (std::uint8_t alive : alive_) info.vertices += alive != 0 ? 1 : 0;
    for (const MeshCreationTriangle& tri : triangles_) info.triangles += tri.e != kNoIndex ? 1 : 0;
    return info;
}

double SculptMesh::signedVolume() const {
    double volume = 0.0;
    for (const MeshCreationTriangle& t : triangles_) {
        if (t.e == kNoIndex) continue;
        // The face normal is (G - E) x (F - E), so (E, G, F) is the winding
        // whose right-hand normal points out.
        const D3DXVECTOR3& a = positions_[t.e];
        const D3DXVECTOR3& b = positions_[t.g];
        const D3DXVECTOR3& c = positions_[t.f];
        const double cx = double(b.y) * c.z - double(b.z) * c.y;
        const double cy = double(b.z) * c.x - double(b.x) * c.z;
        const double cz = double(b.x) * c.y - double(b.y) * c.x;
        volume += (a.x * cx + a.y * cy + a.z * cz) / 6.0;
    }
    return volume;
}

std::size_t SculptMesh::memoryBytes() const {
    return positions_.capacity() * sizeof(D3DXVECTOR3) * 2 + curvatures_.capacity() * sizeof(float) +
           alive_.capacity() + triangles_.capacity() * sizeof(MeshCreationTriangle) +
           faceNormals_.capacity() * sizeof(D3DXVECTOR3) + edges_.capacity() * sizeof(VertexConnection) +
           textures_.capacity() * sizeof(TriangleTexture);
}

// --- drawable fill data ----------------------------------------------------------------------------

namespace {

std::uint32_t curvatureColour(float curvature) {
    const long red = std::lround((1.0f - curvature) * 255.0f);
    const std::uint32_t r = static_cast<std::uint32_t>(red < 0 ? 0 : (red > 255 ? 255 : red));
    return 0xFF000000u | (r << 16);
}

}  // namespace

std::vector<MeshReprTriangle> SculptMesh::reprTriangles(bool flatShading,
                                                        const std::vector<TriangleTexture>* textures) const {
    std::vector<MeshReprTriangle> out;
    out.reserve(triangles_.size());
    const std::vector<TriangleTexture>& chosen = textures != nullptr ? *textures : textures_;
    const bool textured = chosen.size() == triangles_.size();
    for (std::uint32_t t = 0; t < triangleSlots(); ++t) {
        if (!isTriangle(t)) continue;
        const MeshCreationTriangle& tri = triangles_[t];
        MeshReprTriangle record;
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t v = tri.corner(c);
            VertexPNCT& corner = record.corners[c];
            corner.position = positions_[v];
            corner.normal = flatShading ? faceNormals_[t] : normals_[v];
            corner.colour = curvatureColour(curvatures_[v]);
            corner.u = textured ? chosen[t].u[c] : 0.0f;
            corner.v = textured ? chosen[t].v[c] : 0.0f;
        }
        record.faceNormal = faceNormals_[t];
        out.push_back(record);
    }
    return out;
}
