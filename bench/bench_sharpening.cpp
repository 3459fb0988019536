// The whole "Sculpture" run at depth 10 with 10 sharpening passes (and with
// 10 smoothing passes on top) on the ring-with-post object from six views,
// sharpening alone on the carved mesh, and the depth 9 fit to the visual
// hull before and after sharpening (worst silhouette IoU, volume error).
#include "../tests/sculpt/hull_measures.h"
#include "../tests/sculpt/synthetic_scene.h"
#include "sculpt/sculpture.h"
#include "sculpt/sharpening.h"
#include "sculpt/smoothing.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

const synthetic::Scene& ring() {
    static const synthetic::Scene scene(synthetic::ringWithPost(), synthetic::sixViews(), 2.0, true);
    return scene;
}

SculptSettings settingsOf(int depth, int sharpening, int smoothing) {
    SculptSettings s;
    s.depth = depth;
    s.sharpeningPasses = sharpening;
    s.smoothingPasses = smoothing;
    return s;
}

void runSculpture(benchmark::State& state, int smoothing) {
    const std::vector<Clipping*> clippings = ring().clippings();
    SilentProgress quiet;
    for (auto _ : state) {
        Sculpture run(settingsOf(10, 10, smoothing), SculptStages{sharpenStage, smoothStage, {}});
        run.execute(clippings, quiet);
        state.counters["vertices"] = run.objectInfo().vertices;
    }
}

void BM_SculptureDepth10Sharpening10(benchmark::State& state) { runSculpture(state, 0); }
BENCHMARK(BM_SculptureDepth10Sharpening10)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SculptureDepth10Sharpening10Smoothing10(benchmark::State& state) { runSculpture(state, 10); }
BENCHMARK(BM_SculptureDepth10Sharpening10Smoothing10)->Unit(benchmark::kMillisecond)->Iterations(3);

// The fit to the hull at depth 9 with 10 passes, printed once per object.
void BM_HullFitDepth9(benchmark::State& state) {
    const bool sphere = state.range(0) == 0;
    const synthetic::Scene sphereScene(synthetic::sphere(),
                                       {synthetic::View{0, 0}, synthetic::View{90, 0}, synthetic::View{0, 90}}, 2.0,
                                       true);
    const synthetic::Scene& scene = sphere ? sphereScene : ring();
    const std::vector<Clipping*> clippings = scene.clippings();
    SilentProgress quiet;
    for (auto _ : state) {
        state.PauseTiming();
        Sculpture run(settingsOf(9, 0, 0));
        run.execute(clippings, quiet);
        const double hull = hullmeasures::hullVolume(scene, 2.0, 440.0);
        const double iouBefore = hullmeasures::worstSilhouetteIoU(scene, run.mesh());
        const double volumeBefore = run.mesh().signedVolume() / hull - 1.0;
        state.ResumeTiming();
        sharpenMesh(run.mesh(), 10, run.sculptList(), run.cellRadius(), nullptr);
        state.PauseTiming();
        const double iouAfter = hullmeasures::worstSilhouetteIoU(scene, run.mesh());
        const double volumeAfter = run.mesh().signedVolume() / hull - 1.0;
        std::printf("%s depth 9: worst IoU %.4f -> %.4f, volume %+.2f %% -> %+.2f %% of the hull\n",
                    sphere ? "sphere" : "ring with post", iouBefore, iouAfter, 100.0 * volumeBefore,
                    100.0 * volumeAfter);
        state.counters["iou_before"] = iouBefore;
        state.counters["iou_after"] = iouAfter;
        state.counters["volume_error_before_pct"] = 100.0 * volumeBefore;
        state.counters["volume_error_after_pct"] = 100.0 * volumeAfter;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HullFitDepth9)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
