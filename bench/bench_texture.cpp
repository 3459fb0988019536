// "Texturise" on a sculpted sphere photographed from six directions: atlas
// layout, texture samples and the refill that chooses each triangle's
// picture, at depths 8 and 9 (cells of edge 8 and 4 in the 2048 cube).
#include "../tests/sculpt/synthetic_scene.h"
#include "sculpt/sculpture.h"
#include "sculpt/texture_atlas.h"

#include <benchmark/benchmark.h>

namespace {

const synthetic::Scene& scene() {
    static const synthetic::Scene sphere(synthetic::sphere(), synthetic::sixViews());
    return sphere;
}

void BM_Texturise(benchmark::State& state) {
    const std::vector<Clipping*> clippings = scene().clippings();
    SculptSettings settings;
    settings.depth = static_cast<int>(state.range(0));
    Sculpture run(settings);
    SilentProgress quiet;
    if (!run.execute(clippings, quiet)) {
        state.SkipWithError("the sphere did not sculpt");
        return;
    }
    for (auto _ : state) {
        const TexturingReport report = texturise(run, clippings, quiet);
        benchmark::DoNotOptimize(report.tiles);
    }
    state.counters["triangles"] = static_cast<double>(run.objectInfo().triangles);
    state.counters["vertices"] = static_cast<double>(run.objectInfo().vertices);
}
BENCHMARK(BM_Texturise)->Arg(8)->Arg(9)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

}  // namespace
