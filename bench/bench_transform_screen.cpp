// The transformation mode on the real window at 1280 x 800 (OpenGL; under
// Xvfb Mesa's software rasteriser): one pass of the message loop while the
// camera turns around the bundled sample (a mug photographed from seven
// sides), with the 7 clippings of the sample, and with 25 (the sample loaded
// four times, the surplus removed). Collision lines and decals are not
// recomputed by a camera turn.
//  - CameraTurnFrame7/25: the user's turn, a left-button drag over empty
//    space moving the pointer three pixels a pass; while frames of the drag
//    prove slower than a 60 Hz frame, the view is drawn coarser (half, a
//    third, a quarter of the resolution, then a fifth and a sixth while
//    frames stay slow) until the pointer rests;
//  - CameraTurnFullResolution7/25: the same turns made directly, every
//    frame at full resolution (the cost of a still view).
// Targets: the drag with 7 clippings within 16 ms a frame, with 25 within
// 33 ms. The counter process_cpu_ms is the CPU time of the whole process
// per frame, the rasteriser's threads included: on a busy machine a steadier
// measure of the work than the wall clock. The counter frame_median_ms is
// the median of the single frames of a run: the time per iteration is their
// mean, which includes the first frames of a drag, drawn at full resolution
// before the drag proves slow.
// The program and its art are taken from PLASTORA_APP_DIR, else from the
// bin/ folder beside the folder of this program.
#include "bench_program.h"
#include "transform/clipping_picking.h"
#include "transform/clipping_scene.h"
#include "transform/three_d.h"
#include "twod/two_d.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <vector>
#include <optional>
#include <utility>
#include <sys/resource.h>
#include <memory>
#include <string>

namespace {


// Seconds of CPU the whole process has used, the rasteriser's threads
// included: on a busy machine a steadier measure of a frame's work than the
// wall clock.
double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
// The middle one of `values` (0 for none).
double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

using benchsupport::benchFolder;
using benchsupport::Program;

// A point of the 3D view with no clipping under it and no control over it;
// empty when none is found.
std::optional<std::pair<int, int>> emptySpot(const ThreeD& threeD) {
    for (int y = 420; y < 780; y += 20) {
        for (int x = 320; x < 1120; x += 20) {
            const auto ray = pointerRay(static_cast<float>(x), static_cast<float>(y), threeD.viewGeometry());
            if (ray && threeD.scene().pick(*ray) < 0) return std::pair{x, y};
        }
    }
    return std::nullopt;
}

enum class Turn { Dragged, Direct };

void cameraTurn(benchmark::State& state, int clippings, Turn turn) {
    Program program;
    const std::string samplePath = benchsupport::openOnSample(state, program);
    if (samplePath.empty()) return;
    const String sample(samplePath.c_str());
    ApplicationMain& application = *program.application;
    TwoD& twoD = *application.twoD();
    while (twoD.images().imageCount() < clippings) application.onDropFile(sample);
    for (int slot = twoD.images().slotCount() - 1; slot >= 0 && twoD.images().imageCount() > clippings; --slot)
        twoD.images().remove(slot);
    application.switchToThreeD();
    ThreeD& threeD = *application.threeD();
    for (int i = 0; i < 10; ++i) application.runPass();
    const auto spot = emptySpot(threeD);
    if (turn == Turn::Dragged && !spot) {
        state.SkipWithError("no empty spot to drag from");
        return;
    }
    const auto [x0, y] = spot.value_or(std::pair{0, 0});
    if (turn == Turn::Dragged) {
        program.post(platform::MessageKind::MouseMove, x0, y);
        program.post(platform::MessageKind::LButtonDown, x0, y);
        application.runPass();
    }
    const double cpuBefore = processCpuSeconds();
    std::vector<double> frameMs;
    int step = 0;
    for (auto _ : state) {
        const auto frameStart = std::chrono::steady_clock::now();
        ++step;
        if (turn == Turn::Dragged) {
            // Right and back again, three pixels a pass.
            const int phase = step % 200;
            program.post(platform::MessageKind::MouseMove, x0 + 3 * (phase < 100 ? phase : 200 - phase), y);
        } else {
            threeD.cameraRig().rotate(3.0f, 0.0f, application.settings().cameraspeed.lookaround);
        }
        if (!application.runPass()) {
            state.SkipWithError("the loop ended");
            break;
        }
        frameMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - frameStart).count());
    }
    state.counters["clippings"] = twoD.images().imageCount();
    state.counters["frame_median_ms"] = median(frameMs);
    state.counters["process_cpu_ms"] = (processCpuSeconds() - cpuBefore) * 1000.0 / static_cast<double>(state.iterations());
    if (turn == Turn::Dragged) {
        program.post(platform::MessageKind::LButtonUp, x0, y);
        application.runPass();
    }
}

void CameraTurnFrame7(benchmark::State& state) { cameraTurn(state, 7, Turn::Dragged); }
BENCHMARK(CameraTurnFrame7)->UseRealTime()->Unit(benchmark::kMillisecond);

void CameraTurnFrame25(benchmark::State& state) { cameraTurn(state, 25, Turn::Dragged); }
BENCHMARK(CameraTurnFrame25)->UseRealTime()->Unit(benchmark::kMillisecond);

void CameraTurnFullResolution7(benchmark::State& state) { cameraTurn(state, 7, Turn::Direct); }
BENCHMARK(CameraTurnFullResolution7)->UseRealTime()->Unit(benchmark::kMillisecond);

void CameraTurnFullResolution25(benchmark::State& state) { cameraTurn(state, 25, Turn::Direct); }
BENCHMARK(CameraTurnFullResolution25)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
