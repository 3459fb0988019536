// Carving and face creation at depth 10 (cells of edge 2 in the 2048 cube) on
// a synthetic ring-with-post object photographed from six directions, on
// every core and on one: the time per classifyCell, cells per level, peak
// memory, and the excess volume of the raw mesh over the visual hull at
// depths 7, 8 and 9.
#include "../tests/sculpt/synthetic_scene.h"
#include "sculpt/face_creation.h"
#include "sculpt/octree_carving.h"
#include "sculpt/sculpt_scene.h"
#include "sculpt/sculpture.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <string>

namespace {

const synthetic::Scene& scene() {
    static const synthetic::Scene ring(synthetic::ringWithPost(), synthetic::sixViews());
    return ring;
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The ring's clippings as a run sees them.
struct Captured {
    SculptScene scene;
    std::vector<const SculptClipping*> list;

    Captured() {
        std::vector<Clipping*> clippings = ::scene().clippings();
        scene = SculptScene::capture(clippings, SculptScene::Pictures::No);
        for (SculptClipping* c : scene.sculptList()) list.push_back(c);
    }
};

const Captured& captured() {
    static const Captured ring;
    return ring;
}

// Threads: 0 every core, 1 one.
void BM_CarveDepth10(benchmark::State& state) {
    const LevelTables tables;
    OctreeCarver carver;
    const OwnRunControl control(nullptr, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        carver.carve(10, captured().list, tables, control);
        benchmark::DoNotOptimize(carver.finestCells().data());
    }
    for (std::size_t level = 1; level < carver.cellsPerLevel().size(); ++level) {
        state.counters["L" + std::to_string(level)] = static_cast<double>(carver.cellsPerLevel()[level]);
    }
    state.counters["classifyCells"] = static_cast<double>(carver.cellTests());
}
BENCHMARK(BM_CarveDepth10)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_ClassifyCellFinest(benchmark::State& state) {
    const LevelTables tables;
    OctreeCarver carver;
    const OwnRunControl control;
    carver.carve(10, captured().list, tables, control);
    std::vector<D3DXVECTOR3> centres;
    for (CellKey key : carver.finestCells()) {
        std::uint32_t x = 0, y = 0, z = 0;
        cellPosition(key, x, y, z);
        centres.push_back(cellCentre(x, y, z, 10, tables));
    }
    std::size_t calls = 0;
    for (auto _ : state) {
        int sum = 0;
        for (const D3DXVECTOR3& c : centres) {
            for (const SculptClipping* clipping : captured().list) sum += clipping->classifyCell(c, tables.radius[10]);
        }
        calls += centres.size() * captured().list.size();
        benchmark::DoNotOptimize(sum);
    }
    state.counters["ns_per_classifyCell"] =
        benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ClassifyCellFinest)->Unit(benchmark::kMillisecond);

void BM_FacesDepth10(benchmark::State& state) {
    const LevelTables tables;
    OctreeCarver carver;
    const OwnRunControl control(nullptr, static_cast<int>(state.range(0)));
    carver.carve(10, captured().list, tables, control);
    FaceCreation faces;
    SculptMesh mesh;
    for (auto _ : state) {
        faces.createFaces(carver.finestCells(), 10, tables, captured().list, mesh, control, carver.finestInsideMarks());
    }
    state.counters["vertices"] = mesh.vertexSlots();
    state.counters["triangles"] = mesh.triangleSlots();
    state.counters["edges"] = mesh.edgeSlots();
}
BENCHMARK(BM_FacesDepth10)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The whole run as the command makes it (carving, faces, the edges and
// normals simplification would need; no later stage): the target of
// carving plus faces at depth 10.
void BM_SculptureDepth10(benchmark::State& state) {
    std::vector<Clipping*> clippings = scene().clippings();
    SculptSettings settings;
    settings.depth = 10;
    settings.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Sculpture run(settings);
        SilentProgress progress;
        run.execute(clippings, progress);
        benchmark::DoNotOptimize(run.mesh().positions().data());
    }
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_SculptureDepth10)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Excess of the raw mesh's volume over the hull's (sampled every 4 units).
void BM_ExcessVolume(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    static double hullVolume = 0.0;
    if (hullVolume == 0.0) {
        const double step = 4.0;
        std::size_t inside = 0;
        for (double x = -440.0 + 1.318; x < 440.0; x += step)
            for (double y = -440.0 + 1.414; y < 440.0; y += step)
                for (double z = -440.0 + 1.236; z < 440.0; z += step)
                    inside += scene().insideHull(synthetic::Vec3{x, y, z}) ? 1 : 0;
        hullVolume = static_cast<double>(inside) * step * step * step;
    }
    SculptSettings settings;
    settings.depth = depth;
    double meshVolume = 0.0;
    std::vector<Clipping*> clippings = scene().clippings();
    for (auto _ : state) {
        Sculpture run(settings);
        SilentProgress progress;
        run.execute(clippings, progress);
        meshVolume = run.mesh().signedVolume();
    }
    state.counters["excess_percent"] = 100.0 * (meshVolume - hullVolume) / hullVolume;
}
BENCHMARK(BM_ExcessVolume)->Arg(7)->Arg(8)->Arg(9)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
