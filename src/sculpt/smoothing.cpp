#include "sculpt/smoothing.h"

#include "sculpt/sculpt_mesh.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kPassesPerReport = 30;

void reportPass(SculptProgress* progress, int pass, int passes) {
    if (progress == nullptr || pass % kPassesPerReport != 0) {
        return;
    }
    char caption[64];
    std::snprintf(caption, sizeof caption, "Sculpturing - Smoothing mesh - Pass %d", pass);
    progress->step(caption, static_cast<float>(pass) / static_cast<float>(passes) * 15.0f + 60.0f);
}

// Moves `vertex` to the mean of the other ends of its edges.
void relax(SculptVertex& vertex) {
    D3DXVECTOR3 offset(0.0f, 0.0f, 0.0f);
    int neighbours = 0;
    for (const VertexConnection* edge : vertex.edges) {
        if (edge == nullptr) {
            continue;
        }
        const SculptVertex* other = edge->other(&vertex);
        if (other == nullptr || other == &vertex) {
            continue;
        }
        offset += other->position - vertex.position;
        ++neighbours;
    }
    if (neighbours > 0) {
        vertex.position += offset * (1.0f / static_cast<float>(neighbours));
    }
}

}  // namespace

void smoothMesh(SculptMesh& mesh, int passes, SculptProgress* progress) {
    if (passes <= 0) {
        return;
    }
    GrowableArray<SculptVertex*>& vertices = mesh.vertices();
    const int count = vertices.count();
    for (int pass = 0; pass < passes; ++pass) {
        reportPass(progress, pass, passes);
        for (int i = 0; i < count; ++i) {
            if (vertices[i] != nullptr) {
                relax(*vertices[i]);
            }
        }
    }
    recomputeNormals(mesh);
}

void smoothStage(SculptMesh& mesh, int passes, const SculptStageContext& context) {
    smoothMesh(mesh, passes, context.progress);
}

void recomputeNormals(SculptMesh& mesh) {
    GrowableArray<MeshCreationTriangle*>& triangles = mesh.triangles();
    for (int i = 0; i < triangles.count(); ++i) {
        if (triangles[i] != nullptr) {
            SculptMesh::computeFaceNormal(*triangles[i]);
        }
    }
    mesh.computeNormalsAndCurvature();
}
