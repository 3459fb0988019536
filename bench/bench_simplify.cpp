// Simplification at amount 0.5 of the carved ring-with-post at depth 8,
// against meshoptimizer's meshopt_simplify reducing the same mesh to the same
// triangle count. Both are timed in the same run; the counter "ratio" is
// our time over meshoptimizer's (target: no more than 3).
#include "../tests/sculpt/synthetic_scene.h"
#include "sculpt/face_creation.h"
#include "sculpt/octree_carving.h"
#include "sculpt/sculpture.h"
#include "sculpt/simplification.h"

#include <benchmark/benchmark.h>
#include <meshoptimizer.h>

#include <chrono>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kDepth = 8;
constexpr float kAmount = 0.5f;
constexpr float kNormalParticipation = 1.0f;

// The carved object, ready to have its faces made again for every round.
struct CarvedObject {
    synthetic::Scene scene{synthetic::ringWithPost(), synthetic::sixViews()};
    std::vector<Clipping*> list = Sculpture::buildSculptList(scene.clippings());
    LevelTables tables;
    OctreeCarver carver;
    FaceCreation faces;

    CarvedObject() {
        for (Clipping* c : list) c->prepareProjection();
        carver.carve(kDepth, list, tables);
    }
    void makeFaces(SculptMesh& mesh) {
        mesh.clearEdges();
        faces.createFaces(carver.finestList(), tables.half[kDepth], list, mesh);
    }
};

CarvedObject& object() {
    static CarvedObject carved;
    return carved;
}

// The mesh as an indexed triangle list for meshoptimizer.
struct IndexedMesh {
    std::vector<float> positions;
    std::vector<unsigned int> indices;
};

IndexedMesh indexedMesh(const SculptMesh& mesh) {
    IndexedMesh out;
    std::unordered_map<const SculptVertex*, unsigned int> slot;
    for (int i = 0; i < mesh.vertices().count(); ++i) {
        const SculptVertex* v = mesh.vertices()[i];
        if (v == nullptr) continue;
        slot[v] = static_cast<unsigned int>(out.positions.size() / 3);
        out.positions.insert(out.positions.end(), {v->position.x, v->position.y, v->position.z});
    }
    for (int i = 0; i < mesh.triangles().count(); ++i) {
        const MeshCreationTriangle* t = mesh.triangles()[i];
        if (t == nullptr) continue;
        out.indices.insert(out.indices.end(), {slot[t->e], slot[t->f], slot[t->g]});
    }
    return out;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SimplifyHalfVersusMeshopt(benchmark::State& state) {
    CarvedObject& carved = object();
    SculptMesh mesh;
    SilentProgress progress;
    double ours = 0.0, theirs = 0.0;
    int trianglesBefore = 0, trianglesAfter = 0, verticesBefore = 0, verticesAfter = 0;
    std::size_t meshoptTriangles = 0;
    for (auto _ : state) {
        carved.makeFaces(mesh);
        const IndexedMesh input = indexedMesh(mesh);
        verticesBefore = mesh.objectInfo().vertices;
        trianglesBefore = mesh.objectInfo().triangles;

        auto start = std::chrono::steady_clock::now();
        simplify(mesh, {kAmount, kNormalParticipation}, progress);
        const double oursSeconds = secondsSince(start);
        verticesAfter = mesh.objectInfo().vertices;
        trianglesAfter = mesh.objectInfo().triangles;

        std::vector<unsigned int> output(input.indices.size());
        start = std::chrono::steady_clock::now();
        meshoptTriangles =
            meshopt_simplify(output.data(), input.indices.data(), input.indices.size(), input.positions.data(),
                             input.positions.size() / 3, 3 * sizeof(float),
                             static_cast<std::size_t>(trianglesAfter) * 3, 1.0f, 0, nullptr) /
            3;
        const double theirSeconds = secondsSince(start);
        benchmark::DoNotOptimize(output.data());

        state.SetIterationTime(oursSeconds);
        ours += oursSeconds;
        theirs += theirSeconds;
    }
    const double rounds = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = ours / rounds * 1e3;
    state.counters["meshopt_ms"] = theirs / rounds * 1e3;
    state.counters["ratio"] = ours / theirs;
    state.counters["V_before"] = verticesBefore;
    state.counters["T_before"] = trianglesBefore;
    state.counters["V_after"] = verticesAfter;
    state.counters["T_after"] = trianglesAfter;
    state.counters["T_meshopt"] = static_cast<double>(meshoptTriangles);
}
BENCHMARK(BM_SimplifyHalfVersusMeshopt)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
