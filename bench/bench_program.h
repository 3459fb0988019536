// The program in a window of its own for the benchmarks that run it whole
// (they link the shell): its loop does not wait for events, the dialogs
// answer from a script and messages can be fed to it as if the user made
// them.
#pragma once

#include "app/script/injecting_window.h"
#include "app/shell/application_main.h"
#include "app/shell/run_application.h"
#include "bench_support.h"
#include "platform/scripted_dialogs.h"
#include "render/renderer.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

namespace benchsupport {

struct Program {
    std::unique_ptr<platform::Window> window;
    std::unique_ptr<InjectingWindow> injecting;
    ScriptedDialogs dialogs;
    std::unique_ptr<ApplicationMain> application;

    // Starts the program at 1280 x 800 from the bench folder and draws a few
    // frames. Empty when the program is up, else what is missing.
    std::string open() {
        if (!benchFolder().ok()) return "the built program or its config.xml is missing (set PLASTORA_APP_DIR)";
        window = openSdlWindow();
        if (!window) return "no display (scripts/bench starts Xvfb)";
        injecting = std::make_unique<InjectingWindow>(*window);
        application = startApplication(*injecting, String((benchFolder().path().string() + "/").c_str()), dialogs,
                                       dialogs);
        if (!application->isInitialised() || application->renderer()->width() != 1280)
            return "the program could not start at 1280 x 800";
        application->setNoWait(true);
        for (int i = 0; i < 5; ++i) application->runPass();
        return {};
    }
    ~Program() {
        if (application) application->shutDown();
    }
    // Queues a window message of `kind` at (x, y) for the next pass.
    void post(platform::MessageKind kind, int x, int y) {
        platform::WindowMessage message;
        message.kind = kind;
        message.x = x;
        message.y = y;
        injecting->inject(message);
    }
};

// Opens `program` for a benchmark on the bundled sample project and returns
// the sample's path; empty, with `state` skipped, when the sample or the
// window cannot be had.
inline std::string openOnSample(benchmark::State& state, Program& program) {
    const std::string sample = applicationFolder() + "/data/sample/sample.qz";
    if (!std::filesystem::exists(sample)) {
        state.SkipWithError("the sample project is missing (set PLASTORA_APP_DIR)");
        return {};
    }
    if (const std::string problem = program.open(); !problem.empty()) {
        state.SkipWithError(problem.c_str());
        return {};
    }
    return sample;
}

}  // namespace benchsupport
