#include "sculpt/smoothing.h"

#include "sculpt/mesh_repair.h"
#include "sculpt/sculpt_mesh.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kPassesPerReport = 30;
// Vertices between two looks at the stop request.
constexpr std::uint32_t kVerticesPerCheck = 8192;

void reportPass(const RunControl& control, int pass, int passes) {
    if (pass % kPassesPerReport != 0) return;
    char caption[64];
    std::snprintf(caption, sizeof caption, "Sculpturing - Smoothing mesh - Pass %d", pass);
    control.step(caption, static_cast<float>(pass) / static_cast<float>(passes) * 15.0f + 60.0f);
}

// Moves vertex v to the mean of its neighbours.
void relax(SculptMesh& mesh, std::uint32_t v, const VertexLists& neighbours) {
    D3DXVECTOR3 offset(0.0f, 0.0f, 0.0f);
    int count = 0;
    const D3DXVECTOR3 here = mesh.position(v);
    for (std::uint32_t other : neighbours.of(v)) {
        if (other == v) continue;
        offset += mesh.position(other) - here;
        ++count;
    }
    if (count > 0) mesh.position(v) = here + offset * (1.0f / static_cast<float>(count));
}

}  // namespace

bool smoothMesh(SculptMesh& mesh, int passes, float cellEdge, const RunControl& control) {
    if (passes <= 0) return true;
    const MeshBeforeStage before = MeshBeforeStage::of(mesh);
    const VertexLists neighbours = mesh.neighbourLists();
    const std::uint32_t count = mesh.vertexSlots();
    for (int pass = 0; pass < passes; ++pass) {
        reportPass(control, pass, passes);
        for (std::uint32_t v = 0; v < count; ++v) {
            if (v % kVerticesPerCheck == 0 && control.stopRequested()) return false;
            if (mesh.isVertex(v)) relax(mesh, v, neighbours);
        }
    }
    return repairMesh(mesh, before, cellEdge, control);
}
