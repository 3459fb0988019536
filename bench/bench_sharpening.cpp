// The whole "Sculpture" run at depth 10 with 10 sharpening passes (and with
// 10 smoothing passes and half simplification on top) on the ring-with-post
// object from six views, and how soon a run stops when asked to in each
// stage.
#include "../tests/sculpt/synthetic_scene.h"
#include "sculpt/sculpture.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <stop_token>
#include <string>

namespace {

const synthetic::Scene& ring() {
    static const synthetic::Scene scene(synthetic::ringWithPost(), synthetic::sixViews(), 2.0, true);
    return scene;
}

SculptSettings settingsOf(int depth, int sharpening, int smoothing, float simplification, int threads) {
    SculptSettings s;
    s.depth = depth;
    s.sharpeningPasses = sharpening;
    s.smoothingPasses = smoothing;
    s.simplification = simplification;
    s.normalParticipation = 1.0f;
    s.threads = threads;
    return s;
}

void runSculpture(benchmark::State& state, int smoothing, float simplification) {
    std::vector<Clipping*> clippings = ring().clippings();
    SilentProgress quiet;
    for (auto _ : state) {
        Sculpture run(settingsOf(10, 10, smoothing, simplification, static_cast<int>(state.range(0))));
        run.execute(clippings, quiet);
        state.counters["vertices"] = run.objectInfo().vertices;
    }
}

// Threads: 0 every core, 1 one.
void BM_SculptureDepth10Sharpening10(benchmark::State& state) { runSculpture(state, 0, 0.0f); }
BENCHMARK(BM_SculptureDepth10Sharpening10)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SculptureDepth10AllStages(benchmark::State& state) { runSculpture(state, 10, 0.5f); }
BENCHMARK(BM_SculptureDepth10AllStages)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

// Asks the run to stop when a caption starting with `caption` comes, and
// notes when.
struct StopAt : SculptProgress {
    explicit StopAt(std::string caption) : caption(std::move(caption)) {}
    void step(const std::string& text, float) override {
        if (!source.stop_requested() && text.rfind(caption, 0) == 0) {
            asked = std::chrono::steady_clock::now();
            source.request_stop();
        }
    }
    std::string caption;
    std::stop_source source;
    std::chrono::steady_clock::time_point asked;
};

// Milliseconds from the stop request to the run's return, in the stage
// whose caption starts with the given one; the worst over the stages is the
// counter "worst_ms".
void BM_StopLatency(benchmark::State& state) {
    const char* const stages[] = {
        "Sculpturing - Creating Octree Depth 10", "Sculpturing - Creating Faces",
        "Sculpturing - Sharpening mesh create sides - Pass 0", "Sculpturing - Sharpening mesh create edges - Pass 9",
        "Sculpturing - Smoothing mesh - Pass 0", "Sculpturing - Simplification - Removing"};
    std::vector<Clipping*> clippings = ring().clippings();
    double worst = 0.0;
    for (auto _ : state) {
        for (const char* stage : stages) {
            Sculpture run(settingsOf(10, 10, 10, 0.5f, 0));
            run.prepare(clippings);
            StopAt progress(stage);
            run.run(progress, progress.source.get_token());
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - progress.asked).count();
            state.counters[std::string(stage).substr(15, 30)] = ms;
            worst = std::max(worst, ms);
        }
    }
    state.counters["worst_ms"] = worst;
}
BENCHMARK(BM_StopLatency)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
