// The whole "Sculpture" run at depth 12, the finest the voxel size allows:
// its time and the peak memory of the process. The creature with thin legs,
// horns and a tail from four pictures 60 degrees apart, without sharpening
// (argument 0) and with 10 passes (10); the ring with a post from six views
// with 10 passes as the larger surface. The peak is the process's: run one
// benchmark per process (--benchmark_filter) for the peak of each.
#include "../tests/sculpt/synthetic_scene.h"
#include "sculpt/sculpture.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void runDepth12(benchmark::State& state, const synthetic::Scene& scene) {
    std::vector<Clipping*> clippings = scene.clippings();
    SculptSettings settings;
    settings.depth = 12;
    settings.sharpeningPasses = static_cast<int>(state.range(0));
    settings.normalParticipation = 1.0f;
    settings.threads = 0;
    SilentProgress quiet;
    const double before = peakMegabytes();
    for (auto _ : state) {
        Sculpture run(settings);
        run.execute(clippings, quiet);
        state.counters["vertices"] = run.objectInfo().vertices;
    }
    state.counters["peak_MB"] = peakMegabytes();
    state.counters["scene_MB"] = before;
}

void BM_CreatureDepth12(benchmark::State& state) {
    runDepth12(state, synthetic::Scene(synthetic::creature(), synthetic::fourViews60(), 2.0, true));
}
BENCHMARK(BM_CreatureDepth12)
    ->Arg(0)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_RingDepth12(benchmark::State& state) {
    runDepth12(state, synthetic::Scene(synthetic::ringWithPost(), synthetic::sixViews(), 2.0, true));
}
BENCHMARK(BM_RingDepth12)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace
