// The whole "Sculpture" run at depth 12, the finest the voxel size allows,
// with 10 sharpening passes on the ring-with-post object from six views: its
// time and the peak memory of the process (nothing else runs in it).
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

void BM_SculptureDepth12Sharpening10(benchmark::State& state) {
    const synthetic::Scene scene(synthetic::ringWithPost(), synthetic::sixViews(), 2.0, true);
    std::vector<Clipping*> clippings = scene.clippings();
    SculptSettings settings;
    settings.depth = 12;
    settings.sharpeningPasses = 10;
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
BENCHMARK(BM_SculptureDepth12Sharpening10)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace
