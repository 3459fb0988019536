// Sculpting the bundled sample at voxel size 10 in the program's window
// (the run on its worker, a frame drawn for every pass of the loop while it
// works) against "plastora sculpt" with the same settings, both in every
// repetition so that the ratio compares runs made under the same load.
// Target: gui_ms / command_ms <= 1.2. The counters also give the meshes'
// sizes, which must agree.
#include "app/command_sculpt.h"
#include "bench_program.h"
#include "transform/sculpted_object.h"
#include "transform/three_d.h"
#include "twod/two_d.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using benchsupport::Program;
using Clock = std::chrono::steady_clock;

constexpr int kDepth = 10;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// "plastora sculpt SAMPLE -o OUT.stl --voxel-size 10 --no-texture --quiet"
// in this process; the command's own line goes to standard output.
double commandMilliseconds(const std::string& sample, const std::string& output) {
    std::vector<std::string> words = {"sculpt", sample, "-o", output, "--voxel-size", std::to_string(kDepth),
                                      "--no-texture", "--quiet"};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    const Clock::time_point start = Clock::now();
    const int exit = runSculptCommand(static_cast<int>(argv.size()), argv.data());
    const double elapsed = millisecondsSince(start);
    std::fflush(stdout);
    return exit == 0 ? elapsed : -1.0;
}

void GuiSculptAgainstCommandDepth10(benchmark::State& state) {
    Program program;
    const std::string sample = benchsupport::openOnSample(state, program);
    if (sample.empty()) return;
    ApplicationMain& application = *program.application;
    application.onDropFile(String(sample.c_str()));
    for (int i = 0; i < 1000 && application.longOperations().isBusy(); ++i) application.runPass();
    application.switchToThreeD();
    for (int i = 0; i < 10; ++i) application.runPass();
    ThreeD& threeD = *application.threeD();
    // The command's settings: the depth given, the rest from the project.
    Settings& settings = application.settings();
    settings.meshdetail = static_cast<float>(kDepth);
    const std::string output = (std::filesystem::temp_directory_path() / "plastora-bench-gui-sculpt.stl").string();
    double guiMs = 0.0;
    double commandMs = 0.0;
    int frames = 0;
    for (auto _ : state) {
        commandMs = commandMilliseconds(sample, output);
        if (commandMs < 0.0) {
            state.SkipWithError("plastora sculpt failed");
            break;
        }
        const Clock::time_point start = Clock::now();
        if (!threeD.startSculpture()) {
            state.SkipWithError(threeD.helpText().text());
            break;
        }
        frames = 0;
        while (threeD.sculptedObject().isRunning()) {
            application.runPass();
            ++frames;
        }
        guiMs = millisecondsSince(start);
        state.SetIterationTime(guiMs / 1000.0);
    }
    std::filesystem::remove(output);
    state.counters["gui_ms"] = guiMs;
    state.counters["command_ms"] = commandMs;
    state.counters["ratio"] = commandMs > 0.0 ? guiMs / commandMs : 0.0;
    state.counters["frames"] = frames;
    state.counters["triangles"] = threeD.sculptedObject().exists() ? threeD.sculptedObject().info().triangles : 0;
}
BENCHMARK(GuiSculptAgainstCommandDepth10)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
