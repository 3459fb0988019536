// The transformation mode on the real window at 1280 x 800 (OpenGL; under
// Xvfb Mesa's software rasteriser): one pass of the message loop while the
// camera turns around the bundled sample (a mug photographed from seven
// sides), with the 7 clippings of the sample, and with 25 (the sample loaded
// four times, the surplus removed). Each iteration turns the camera by three
// pixels' worth of the drag rotation and draws a frame; collision lines and
// decals are not recomputed by a camera turn.
// Targets: 7 clippings within 16 ms a frame, 25 within 33 ms.
// The program and its art are taken from PLASTORA_APP_DIR, else from the
// bin/ folder beside the folder of this program.
#include "app/shell/application_main.h"
#include "app/shell/run_application.h"
#include "bench_support.h"
#include "platform/scripted_dialogs.h"
#include "render/renderer.h"
#include "transform/three_d.h"
#include "twod/two_d.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

using benchsupport::applicationFolder;
using benchsupport::benchFolder;

// The program in a window of its own, its loop not waiting for events.
struct Program {
    std::unique_ptr<platform::Window> window;
    ScriptedDialogs dialogs;
    std::unique_ptr<ApplicationMain> application;

    // Empty when the program is up.
    std::string open() {
        if (!benchFolder().ok()) return "the built program or its config.xml is missing (set PLASTORA_APP_DIR)";
        window = benchsupport::openSdlWindow();
        if (!window) return "no display (scripts/bench starts Xvfb)";
        application = startApplication(*window, String((benchFolder().path().string() + "/").c_str()), dialogs, dialogs);
        if (!application->isInitialised() || application->renderer()->width() != 1280)
            return "the program could not start at 1280 x 800";
        application->setNoWait(true);
        return {};
    }
    ~Program() {
        if (application) application->shutDown();
    }
};

void cameraTurn(benchmark::State& state, int clippings) {
    const String sample((applicationFolder() + "/data/sample/sample.qz").c_str());
    if (!std::filesystem::exists(sample.str())) {
        state.SkipWithError("the sample project is missing (set PLASTORA_APP_DIR)");
        return;
    }
    Program program;
    if (const std::string problem = program.open(); !problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }
    ApplicationMain& application = *program.application;
    TwoD& twoD = *application.twoD();
    while (twoD.images().imageCount() < clippings) application.onDropFile(sample);
    for (int slot = twoD.images().slotCount() - 1; slot >= 0 && twoD.images().imageCount() > clippings; --slot)
        twoD.images().remove(slot);
    application.switchToThreeD();
    ThreeD& threeD = *application.threeD();
    for (int i = 0; i < 10; ++i) application.runPass();
    for (auto _ : state) {
        threeD.cameraRig().rotate(3.0f, 0.0f, application.settings().cameraspeed.lookaround);
        if (!application.runPass()) {
            state.SkipWithError("the loop ended");
            break;
        }
    }
    state.counters["clippings"] = twoD.images().imageCount();
}

void CameraTurnFrame7(benchmark::State& state) { cameraTurn(state, 7); }
BENCHMARK(CameraTurnFrame7)->UseRealTime()->Unit(benchmark::kMillisecond);

void CameraTurnFrame25(benchmark::State& state) { cameraTurn(state, 25); }
BENCHMARK(CameraTurnFrame25)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
