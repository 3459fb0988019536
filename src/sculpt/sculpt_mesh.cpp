#include "sculpt/sculpt_mesh.h"

#include "sculpt/clipping.h"

#include <cmath>
#include <cstdio>

std::string objectInfoText(const ObjectInfo& info) {
    char text[128];
    std::snprintf(text, sizeof text, "Object consits of %d vertices and %d triangles.", info.vertices, info.triangles);
    return text;
}

void SculptVertex::reset(const D3DXVECTOR3& at) {
    position = at;
    edges.clear();
    registered = false;
    curvature = 0.0f;
    triangles.clear();
    normal = D3DXVECTOR3();
    textureSamples.clear();
    index = -1;
    insideMask = 0;
    insideKnown = false;
}

namespace {

float distance(const SculptVertex* a, const SculptVertex* b) {
    const D3DXVECTOR3 d = a->position - b->position;
    return D3DXVec3Length(&d);
}

}  // namespace

float MeshCreationTriangle::getValue() const { return distance(e, f) + distance(f, g) + distance(g, e); }

// --- records -----------------------------------------------------------------------------

void SculptMesh::clearEdges() {
    edges_.clear();
    edgePool_.reset();
}

void SculptMesh::clearVerticesAndTriangles() {
    vertices_.clear();
    triangles_.clear();
    vertexPool_.reset();
    trianglePool_.reset();
}

SculptVertex* SculptMesh::makeVertex(const D3DXVECTOR3& position) {
    SculptVertex* vertex = vertexPool_.acquire();
    vertex->reset(position);
    return vertex;
}

void SculptMesh::registerVertex(SculptVertex* vertex) {
    if (!vertex->registered) {
        vertex->index = vertices_.append(vertex);
        vertex->registered = true;
    }
}

MeshCreationTriangle* SculptMesh::appendTriangle(SculptVertex* e, SculptVertex* f, SculptVertex* g) {
    MeshCreationTriangle* triangle = trianglePool_.acquire();
    triangle->e = e;
    triangle->f = f;
    triangle->g = g;
    for (int corner = 0; corner < 3; ++corner) {
        triangle->u[corner] = 0.0f;
        triangle->v[corner] = 0.0f;
    }
    computeFaceNormal(*triangle);
    triangle->index = triangles_.append(triangle);
    return triangle;
}

VertexConnection* SculptMesh::connect(SculptVertex* a, SculptVertex* b, bool* isNew) {
    for (VertexConnection* edge : a->edges) {
        if (edge != nullptr && (edge->a == b || edge->b == b)) {
            if (isNew != nullptr) {
                *isNew = false;
            }
            return edge;
        }
    }
    VertexConnection* edge = edgePool_.acquire();
    edge->valid = true;
    edge->b = b;
    edge->a = a;
    edge->cost = 0.0f;
    edge->orderedSetPosition[0] = nullptr;
    edge->orderedSetPosition[1] = nullptr;
    a->edges.push_back(edge);
    b->edges.push_back(edge);
    if (isNew != nullptr) {
        *isNew = true;
    }
    return edge;
}

void SculptMesh::connectAndRecord(SculptVertex* a, SculptVertex* b) {
    bool isNew = false;
    VertexConnection* edge = connect(a, b, &isNew);
    if (isNew) {
        edges_.append(edge);
    }
}

void SculptMesh::addQuad(SculptVertex* e, SculptVertex* f, SculptVertex* g, SculptVertex* h) {
    registerVertex(e);
    registerVertex(f);
    registerVertex(g);
    registerVertex(h);
    MeshCreationTriangle* first = appendTriangle(e, f, g);
    MeshCreationTriangle* second = appendTriangle(f, h, g);
    e->triangles.push_back(first);
    f->triangles.push_back(first);
    f->triangles.push_back(second);
    g->triangles.push_back(first);
    g->triangles.push_back(second);
    h->triangles.push_back(second);
    connectAndRecord(e, g);
    connectAndRecord(e, f);
    connectAndRecord(f, h);
    connectAndRecord(f, g);
    connectAndRecord(g, h);
}

void SculptMesh::removeVertex(int index) {
    if (index >= 0 && index < vertices_.count() && vertices_[index] != nullptr) {
        vertices_[index]->registered = false;
        vertices_[index] = nullptr;
    }
}

void SculptMesh::removeTriangle(int index) {
    if (index >= 0 && index < triangles_.count()) {
        triangles_[index] = nullptr;
    }
}

void SculptMesh::removeEdge(int index) {
    if (index >= 0 && index < edges_.count() && edges_[index] != nullptr) {
        edges_[index]->valid = false;
        edges_[index] = nullptr;
    }
}

// --- normals and curvature -------------------------------------------------------------------

void SculptMesh::computeFaceNormal(MeshCreationTriangle& triangle) {
    const D3DXVECTOR3 eg = triangle.g->position - triangle.e->position;
    const D3DXVECTOR3 ef = triangle.f->position - triangle.e->position;
    D3DXVECTOR3 cross;
    D3DXVec3Cross(&cross, &eg, &ef);
    D3DXVec3Normalize(&triangle.normal, &cross);
}

void SculptMesh::computeVertexNormal(SculptVertex& vertex) {
    D3DXVECTOR3 sum;
    for (const MeshCreationTriangle* triangle : vertex.triangles) {
        if (triangle != nullptr) {
            sum += triangle->normal;
        }
    }
    D3DXVec3Normalize(&vertex.normal, &sum);
}

void SculptMesh::computeCurvature(SculptVertex& vertex) {
    float sum = 0.0f;
    int count = 0;
    for (const VertexConnection* edge : vertex.edges) {
        if (edge == nullptr || !edge->valid) {
            continue;
        }
        sum += (1.0f - D3DXVec3Dot(&edge->a->normal, &edge->b->normal)) * 0.5f;
        ++count;
    }
    vertex.curvature = count > 1 ? sum / static_cast<float>(count) : sum;
}

void SculptMesh::computeNormalsAndCurvature() {
    for (int i = 0; i < vertices_.count(); ++i) {
        if (vertices_[i] != nullptr) {
            computeVertexNormal(*vertices_[i]);
        }
    }
    for (int i = 0; i < vertices_.count(); ++i) {
        if (vertices_[i] != nullptr) {
            computeCurvature(*vertices_[i]);
        }
    }
}

// --- counts ------------------------------------------------------------------------------------

ObjectInfo SculptMesh::objectInfo() const {
    ObjectInfo info;
    for (int i = 0; i < vertices_.count(); ++i) {
        info.vertices += vertices_[i] != nullptr ? 1 : 0;
    }
    for (int i = 0; i < triangles_.count(); ++i) {
        info.triangles += triangles_[i] != nullptr ? 1 : 0;
    }
    return info;
}

double SculptMesh::signedVolume() const {
    double volume = 0.0;
    for (int i = 0; i < triangles_.count(); ++i) {
        const MeshCreationTriangle* t = triangles_[i];
        if (t == nullptr) {
            continue;
        }
        // The face normal is (G - E) x (F - E), so (E, G, F) is the winding
        // whose right-hand normal points out.
        const D3DXVECTOR3& a = t->e->position;
        const D3DXVECTOR3& b = t->g->position;
        const D3DXVECTOR3& c = t->f->position;
        const double cx = double(b.y) * c.z - double(b.z) * c.y;
        const double cy = double(b.z) * c.x - double(b.x) * c.z;
        const double cz = double(b.x) * c.y - double(b.y) * c.x;
        volume += (a.x * cx + a.y * cy + a.z * cz) / 6.0;
    }
    return volume;
}

// --- drawable fill data --------------------------------------------------------------------

namespace {

const TextureSample* sampleFrom(const SculptVertex& vertex, const Clipping* clipping) {
    for (const TextureSample& sample : vertex.textureSamples) {
        if (sample.clipping == clipping) {
            return &sample;
        }
    }
    return nullptr;
}

std::uint32_t curvatureColour(float curvature) {
    const long red = std::lround((1.0f - curvature) * 255.0f);
    const std::uint32_t r = static_cast<std::uint32_t>(red < 0 ? 0 : (red > 255 ? 255 : red));
    return 0xFF000000u | (r << 16);
}

}  // namespace

void SculptMesh::chooseTextureCoordinates(MeshCreationTriangle& triangle) const {
    const TextureSample* best[3] = {nullptr, nullptr, nullptr};
    float bestCost = 0.0f;
    for (const TextureSample& s0 : triangle.e->textureSamples) {
        const TextureSample* s1 = sampleFrom(*triangle.f, s0.clipping);
        const TextureSample* s2 = sampleFrom(*triangle.g, s0.clipping);
        if (s0.clipping == nullptr || s1 == nullptr || s2 == nullptr) {
            continue;
        }
        D3DXVECTOR3 direction = s0.clipping->projection().viewingDirection();
        if (s0.fromBack) {
            direction = -direction;
        }
        const float cost = D3DXVec3Dot(&direction, &triangle.normal) -
                           100.0f * static_cast<float>(s0.clipping->flags().texturestrength);
        if (best[0] == nullptr || cost < bestCost) {
            best[0] = &s0;
            best[1] = s1;
            best[2] = s2;
            bestCost = cost;
        }
    }
    for (int corner = 0; corner < 3; ++corner) {
        triangle.u[corner] = best[corner] != nullptr ? best[corner]->u : 0.0f;
        triangle.v[corner] = best[corner] != nullptr ? best[corner]->v : 0.0f;
    }
}

std::vector<MeshReprTriangle> SculptMesh::reprTriangles(bool flatShading) {
    std::vector<MeshReprTriangle> out;
    out.reserve(static_cast<std::size_t>(triangles_.count()));
    for (int i = 0; i < triangles_.count(); ++i) {
        MeshCreationTriangle* triangle = triangles_[i];
        if (triangle == nullptr) {
            continue;
        }
        chooseTextureCoordinates(*triangle);
        MeshReprTriangle record;
        const SculptVertex* corners[3] = {triangle->e, triangle->f, triangle->g};
        for (int c = 0; c < 3; ++c) {
            VertexPNCT& v = record.corners[c];
            v.position = corners[c]->position;
            v.normal = flatShading ? triangle->normal : corners[c]->normal;
            v.colour = curvatureColour(corners[c]->curvature);
            v.u = triangle->u[c];
            v.v = triangle->v[c];
        }
        record.faceNormal = triangle->normal;
        out.push_back(record);
    }
    return out;
}
