// Simplification at amount 0.5 of the carved ring-with-post at depth 8,
// against meshoptimizer's meshopt_simplify reducing the same mesh to the same
// triangle count. Both are timed in the same run; the counter "ratio" is our
// time over meshoptimizer's (target: at most 1.2), and "hausdorff_ratio" our
// symmetric Hausdorff distance to the unsimplified mesh over meshoptimizer's
// (target: at most 1.1).
#include "../tests/sculpt/hausdorff.h"
#include "../tests/sculpt/synthetic_scene.h"
#include "sculpt/face_creation.h"
#include "sculpt/octree_carving.h"
#include "sculpt/sculpt_scene.h"
#include "sculpt/simplification.h"

#include <benchmark/benchmark.h>
#include <meshoptimizer.h>

#include <chrono>
#include <vector>

namespace {

constexpr float kAmount = 0.5f;
constexpr float kNormalParticipation = 1.0f;

// The carved object, ready to have its faces made again for every round.
struct CarvedObject {
    int depth;
    synthetic::Scene scene{synthetic::ringWithPost(), synthetic::sixViews()};
    SculptScene captured;
    std::vector<const SculptClipping*> list;
    LevelTables tables;
    OctreeCarver carver;
    FaceCreation faces;

    explicit CarvedObject(int depth) : depth(depth) {
        std::vector<Clipping*> clippings = scene.clippings();
        captured = SculptScene::capture(clippings, SculptScene::Pictures::No);
        for (SculptClipping* c : captured.sculptList()) list.push_back(c);
        const OwnRunControl control;
        carver.carve(depth, list, tables, control);
    }
    void makeFaces(SculptMesh& mesh) {
        const OwnRunControl control;
        faces.createFaces(carver.finestCells(), depth, tables, list, mesh, control, carver.finestInsideMarks());
    }
};

// The live part of a sculpt mesh as an indexed triangle list.
hausdorff::Mesh indexedMesh(const SculptMesh& mesh) {
    hausdorff::Mesh out;
    std::vector<std::uint32_t> slot(mesh.vertexSlots(), 0);
    for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
        if (!mesh.isVertex(v)) continue;
        slot[v] = static_cast<std::uint32_t>(out.positions.size());
        out.positions.push_back(mesh.position(v));
    }
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (!mesh.isTriangle(t)) continue;
        const MeshCreationTriangle& tri = mesh.triangle(t);
        out.triangles.push_back({slot[tri.e], slot[tri.f], slot[tri.g]});
    }
    return out;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SimplifyHalfVersusMeshopt(benchmark::State& state) {
    static CarvedObject carved(8);
    SculptMesh mesh;
    const OwnRunControl control(nullptr, 1);
    double ours = 0.0, theirs = 0.0;
    int trianglesBefore = 0, trianglesAfter = 0;
    std::size_t meshoptTriangles = 0;
    hausdorff::Mesh original, simplified, reference;
    for (auto _ : state) {
        carved.makeFaces(mesh);
        original = indexedMesh(mesh);
        trianglesBefore = mesh.objectInfo().triangles;

        auto start = std::chrono::steady_clock::now();
        simplify(mesh, {kAmount, kNormalParticipation}, control);
        const double oursSeconds = secondsSince(start);
        trianglesAfter = mesh.objectInfo().triangles;
        simplified = indexedMesh(mesh);

        std::vector<unsigned int> indices;
        for (const auto& t : original.triangles) indices.insert(indices.end(), t.begin(), t.end());
        std::vector<unsigned int> output(indices.size());
        start = std::chrono::steady_clock::now();
        meshoptTriangles = meshopt_simplify(output.data(), indices.data(), indices.size(), &original.positions[0].x,
                                            original.positions.size(), sizeof(D3DXVECTOR3),
                                            static_cast<std::size_t>(trianglesAfter) * 3, 1.0f, 0, nullptr) /
                           3;
        const double theirSeconds = secondsSince(start);
        reference.positions = original.positions;
        reference.triangles.clear();
        for (std::size_t t = 0; t < meshoptTriangles; ++t) {
            reference.triangles.push_back({output[3 * t], output[3 * t + 1], output[3 * t + 2]});
        }
        state.SetIterationTime(oursSeconds);
        ours += oursSeconds;
        theirs += theirSeconds;
    }
    const double rounds = static_cast<double>(state.iterations());
    const double oursError = hausdorff::symmetric(original, simplified);
    const double theirError = hausdorff::symmetric(original, reference);
    state.counters["ours_ms"] = ours / rounds * 1e3;
    state.counters["meshopt_ms"] = theirs / rounds * 1e3;
    state.counters["ratio"] = ours / theirs;
    state.counters["T_before"] = trianglesBefore;
    state.counters["T_after"] = trianglesAfter;
    state.counters["T_meshopt"] = static_cast<double>(meshoptTriangles);
    state.counters["hausdorff_ours"] = oursError;
    state.counters["hausdorff_meshopt"] = theirError;
    state.counters["hausdorff_ratio"] = oursError / theirError;
}
BENCHMARK(BM_SimplifyHalfVersusMeshopt)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
