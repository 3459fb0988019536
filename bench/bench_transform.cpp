// The transformation mode's work per event, on the bundled sample (a mug
// photographed from seven sides) placed as the project says:
//  - recomputing the collision lines (and decals) after one gesture step,
//  - picking the clipping under the pointer among 25 clippings.
// Targets: a gesture step's recompute with 7 clippings within 10 ms, a pick
// within 1 ms. The recomputes spread their rays over the cores: their times
// are wall-clock, with the CPU time of the whole process beside them.
// The sample is read from data/sample beside the executable (PLASTORA_APP_DIR
// or ../bin relative to this benchmark).
#include "platform/graphics_device.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "project/status_sink.h"
#include "render/camera.h"
#include "sculpt/clipping.h"
#include "sculpt/clipping_node.h"
#include "transform/clipping_picking.h"
#include "transform/collision_display.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace {

std::string samplePath() {
    if (const char* dir = std::getenv("PLASTORA_APP_DIR")) return std::string(dir) + "/data/sample/sample.qz";
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "bin/data/sample/sample.qz").string();
}

// The sample loaded `copies` times over; copy k is turned by k * 13 degrees
// so that the clippings stand all around.
struct Scene {
    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createNullDevice(1280, 800);
    ImageList images;
    ClippingTable clippings{images};
    std::vector<std::unique_ptr<ClippingNode>> nodes;

    explicit Scene(int copies, int limit) {
        for (int copy = 0; copy < copies; ++copy) {
            const int first = images.slotCount();
            ProjectSettings settings;
            StatusSink quiet;
            loadProject(String(samplePath().c_str()), images, settings, quiet, &clippings);
            for (int slot = first; slot < images.slotCount(); ++slot) {
                Clipping* clipping = clippings.clipping(slot);
                if (clipping == nullptr || static_cast<int>(nodes.size()) >= limit) continue;
                ClippingPlacement placement = clipping->placement();
                placement.angle += 13.0f * copy;
                clipping->setPlacement(placement);
                nodes.push_back(std::make_unique<ClippingNode>(*device, *clipping, clippingLookOf(Settings{})));
            }
        }
    }
    std::vector<ClippingNode*> shown() const {
        std::vector<ClippingNode*> list;
        for (const auto& node : nodes) list.push_back(node.get());
        return list;
    }
};

void gestureRefresh(benchmark::State& state, bool decals) {
    Scene scene(1, 7);
    if (scene.nodes.size() != 7) {
        state.SkipWithError("the sample project could not be loaded");
        return;
    }
    CollisionDisplay display;
    display.setNodes(scene.shown());
    CollisionSettings settings = collisionSettingsOf(Settings{}, 1);
    settings.decals = decals;
    display.setSettings(settings);
    ClippingNode& moved = *scene.nodes[3];
    display.setFocus(&moved);
    display.refresh();
    long long stepsBefore = 0;
    for (auto& node : scene.nodes) stepsBefore += node->field().walkSteps();
    float step = 1.0f;
    for (auto _ : state) {
        // One gesture step: the clipping moves a unit along its depth axis.
        ClippingPlacement placement = moved.clipping().placement();
        placement.translation += moved.clipping().worldAxis(0) * step;
        step = -step;
        moved.clipping().setPlacement(placement);
        moved.placementChanged();
        display.focusMoved();
        display.refresh();
    }
    state.counters["lineRays"] = display.counts().lineRays;
    state.counters["decalRays"] = display.counts().decalRays;
    long long steps = -stepsBefore;
    for (auto& node : scene.nodes) steps += node->field().walkSteps();
    state.counters["walkSteps"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kAvgIterations);
}

void BM_CollisionLinesAfterGestureStep7(benchmark::State& state) { gestureRefresh(state, false); }
BENCHMARK(BM_CollisionLinesAfterGestureStep7)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_CollisionLinesAndDecalsAfterGestureStep7(benchmark::State& state) { gestureRefresh(state, true); }
BENCHMARK(BM_CollisionLinesAndDecalsAfterGestureStep7)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_PickAmong25(benchmark::State& state) {
    Scene scene(4, 25);
    if (scene.nodes.size() != 25) {
        state.SkipWithError("the sample project could not be loaded");
        return;
    }
    Camera camera;
    camera.setPosition(D3DXVECTOR3(-1743.0f, 1349.0f, -1342.0f));
    camera.setAngles(320.0f, -32.0f);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.5235988f, 1280.0f / 800.0f, 1.0f, 250000.0f);
    const ViewGeometry geometry = viewGeometryOf(camera, projection, 1280, 800);
    const std::vector<ClippingNode*> nodes = scene.shown();
    std::mt19937 random(3);
    std::uniform_real_distribution<float> x(340.0f, 940.0f);
    std::uniform_real_distribution<float> y(150.0f, 650.0f);
    int hits = 0;
    for (auto _ : state) {
        const auto ray = pointerRay(x(random), y(random), geometry);
        const PickResult picked = pickClipping(nodes, *ray);
        hits += picked.index >= 0;
        benchmark::DoNotOptimize(picked);
    }
    state.counters["hitShare"] = benchmark::Counter(hits, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PickAmong25)->Unit(benchmark::kMicrosecond);

}  // namespace
namespace {

// Everything anew, as after another image was selected or a setting changed.
void BM_CollisionLinesAnew7(benchmark::State& state) {
    Scene scene(1, 7);
    CollisionDisplay display;
    display.setNodes(scene.shown());
    display.setSettings(collisionSettingsOf(Settings{}, 1));
    display.setFocus(scene.nodes[3].get());
    for (auto _ : state) {
        display.invalidate();
        display.refresh();
    }
    long long steps = 0;
    for (auto& node : scene.nodes) steps += node->field().walkSteps();
    state.counters["walkSteps"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CollisionLinesAnew7)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
