// The shell on the real window at 1280 x 800 (OpenGL; under Xvfb the
// software rasteriser):
//  - StartUp: wall time from starting the program (`plastora --script`)
//    until the splash, and the first frame of the message loop, have been
//    presented (the script echoes a line at each moment);
//  - IdleShellFrame: one pass of the message loop of the idle shell;
//  - EmptyFrame: clearing and presenting alone, the floor under every frame;
//  - SpritesAndText: a frame of 2,000 sprites and 200 text lines drawn
//    through the renderer.
// Targets: the first frame within 1 s, an idle frame within 5 ms.
// The program and its art are taken from PLASTORA_APP_DIR, else from the
// bin/ folder beside the folder of this program.
#include "app/shell/application_main.h"
#include "app/shell/run_application.h"
#include "bench_support.h"
#include "core/file_io.h"
#include "platform/scripted_dialogs.h"
#include "platform/window.h"
#include "render/renderer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <string>
#include <thread>
#include <sys/wait.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using benchsupport::benchFolder;
using benchsupport::haveDisplay;
using benchsupport::openSdlWindow;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr int kSprites = 2000;
constexpr int kTextLines = 200;
constexpr int kStartTimeoutMs = 30000;

// True when `printed` holds `mark` as a whole line.
bool holdsLine(const std::string& printed, const std::string& mark) {
    const std::string wanted = mark + "\n";
    for (size_t at = printed.find(wanted); at != std::string::npos; at = printed.find(wanted, at + 1)) {
        if (at == 0 || printed[at - 1] == '\n') return true;
    }
    return false;
}

// Starts the program with `script` and returns the seconds until it printed
// each line of `marks` (negative for a mark never printed). The program is
// always waited for.
std::vector<double> secondsUntilLines(const std::string& script, const std::vector<std::string>& marks) {
    std::vector<double> seconds(marks.size(), -1.0);
    benchsupport::BenchFolder& folder = benchFolder();
    const std::string scriptPath = (folder.path() / "start.txt").string();
    std::ofstream(scriptPath) << script;
    const std::string executable = (folder.path() / "plastora").string();

    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return seconds;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> arguments = {const_cast<char*>(executable.c_str()), const_cast<char*>("--script"),
                                    const_cast<char*>(scriptPath.c_str()), nullptr};

    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, executable.c_str(), &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return seconds;
    }

    std::string printed;
    size_t found = 0;
    pollfd readable{pipeEnds[0], POLLIN, 0};
    while (found < marks.size() && ::poll(&readable, 1, kStartTimeoutMs) > 0) {
        char buffer[4096];
        const ssize_t count = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (count <= 0) break;
        printed.append(buffer, static_cast<size_t>(count));
        const double now = std::chrono::duration<double>(Clock::now() - start).count();
        for (size_t i = 0; i < marks.size(); ++i) {
            if (seconds[i] < 0.0 && holdsLine(printed, marks[i])) {
                seconds[i] = now;
                ++found;
            }
        }
    }
    if (found < marks.size()) ::kill(child, SIGKILL);
    // Let the program finish its script (it quits) before the next start.
    char drain[4096];
    while (::read(pipeEnds[0], drain, sizeof drain) > 0) {
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return seconds;
}

// Time from starting the program to the presented splash (the iteration
// time), and to the first presented frame of the message loop (the counter
// "loop_frame_ms").
void StartUp(benchmark::State& state) {
    if (!haveDisplay()) {
        state.SkipWithError("no display (scripts/bench starts Xvfb)");
        return;
    }
    if (!benchFolder().ok()) {
        state.SkipWithError("the built program or its config.xml is missing (set PLASTORA_APP_DIR)");
        return;
    }
    double loopFrameSeconds = 0.0;
    for (auto _ : state) {
        const std::vector<double> seconds =
            secondsUntilLines("echo splash-shown\nwait 1\necho loop-frame-shown\nquit\n",
                              {"splash-shown", "loop-frame-shown"});
        if (seconds[0] < 0.0 || seconds[1] < 0.0) {
            state.SkipWithError("the program did not print its marks");
            return;
        }
        state.SetIterationTime(seconds[0]);
        loopFrameSeconds += seconds[1];
    }
    state.counters["loop_frame_ms"] =
        benchmark::Counter(loopFrameSeconds * 1000.0 / static_cast<double>(state.iterations()));
}
BENCHMARK(StartUp)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void IdleShellFrame(benchmark::State& state) {
    if (!benchFolder().ok()) {
        state.SkipWithError("the program's config.xml is missing (set PLASTORA_APP_DIR)");
        return;
    }
    std::unique_ptr<platform::Window> window = openSdlWindow();
    if (!window) {
        state.SkipWithError("no display (scripts/bench starts Xvfb)");
        return;
    }
    ScriptedDialogs dialogs;
    std::unique_ptr<ApplicationMain> application =
        startApplication(*window, String((benchFolder().path().string() + "/").c_str()), dialogs, dialogs);
    if (!application->isInitialised() || application->renderer()->width() != kWidth) {
        state.SkipWithError("the shell could not start at 1280 x 800");
        return;
    }
    application->setNoWait(true);
    for (int i = 0; i < 10; ++i) application->runPass();
    for (auto _ : state) {
        if (!application->runPass()) {
            state.SkipWithError("the loop ended");
            break;
        }
    }
    application->shutDown();
}
BENCHMARK(IdleShellFrame)->UseRealTime()->Unit(benchmark::kMillisecond);

// A real window with its OpenGL device and a renderer of its own.
struct WindowRenderer {
    std::unique_ptr<platform::Window> window;
    std::unique_ptr<gfx::GraphicsDevice> device;
    DxRenderer renderer;

    // Empty `problem` when everything is up.
    std::string open() {
        window = openSdlWindow();
        if (!window || !window->create("bench", 0, 0, kWidth, kHeight)) return "no display (scripts/bench starts Xvfb)";
        device = window->createDevice(kWidth, kHeight);
        if (!device || !renderer.init(*device, kWidth, kHeight)) return "no OpenGL 3.3 device";
        renderer.setClearColour(60, 60, 66);
        return {};
    }
    ~WindowRenderer() {
        renderer.release();
        device.reset();
    }
};

// The floor under every frame: clear the back buffer and present it.
void EmptyFrame(benchmark::State& state) {
    WindowRenderer target;
    if (const std::string problem = target.open(); !problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }
    for (auto _ : state) {
        target.renderer.beginScene();
        target.renderer.endScene();
        target.renderer.present();
    }
}
BENCHMARK(EmptyFrame)->UseRealTime()->Unit(benchmark::kMillisecond);

// Scattered 32 x 32 sprites in many colours and lines of text over the
// whole back buffer, in one sprite batch like the GUI draws.
void SpritesAndText(benchmark::State& state) {
    WindowRenderer target;
    if (const std::string problem = target.open(); !problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }
    DxRenderer& renderer = target.renderer;
    gfx::GraphicsDevice& device = *target.device;
    std::vector<unsigned char> texels(32 * 32 * 4);
    for (size_t i = 0; i < texels.size(); i += 4) {
        const size_t texel = i / 4;
        texels[i] = static_cast<unsigned char>(texel * 7);
        texels[i + 1] = static_cast<unsigned char>(255 - texel);
        texels[i + 2] = 128;
        texels[i + 3] = static_cast<unsigned char>((texel % 32) * 8);
    }
    const gfx::TextureHandle texture = device.createTexture(32, 32, texels.data());
    const int font = renderer.createFont(String("Arial"), 12, false, true);

    struct Placed {
        D3DXVECTOR2 position;
        uint32_t colour;
    };
    std::vector<Placed> sprites;
    uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int i = 0; i < kSprites; ++i) {
        const float x = static_cast<float>(next() % (kWidth - 32));
        const float y = static_cast<float>(next() % (kHeight - 32));
        sprites.push_back({D3DXVECTOR2(x, y), 0xFF000000u | (next() & 0xFFFFFFu)});
    }
    std::vector<String> lines;
    for (int i = 0; i < kTextLines; ++i) {
        lines.emplace_back(("Line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog 0123456789").c_str());
    }

    for (auto _ : state) {
        renderer.beginScene();
        renderer.beginSprite();
        for (const Placed& sprite : sprites) renderer.drawSprite(texture, 32, 32, sprite.position, sprite.colour);
        renderer.setFont(font);
        for (int i = 0; i < kTextLines; ++i) {
            const int column = (i % 2) * (kWidth / 2);
            const int top = (i / 2) * (kHeight / (kTextLines / 2));
            renderer.drawText(PixelRect{column, top, column + kWidth / 2, top + 20}, lines[static_cast<size_t>(i)],
                              0xFFFFFFFFu);
        }
        renderer.endScene();
        renderer.present();
    }
    device.destroyTexture(texture);
}
BENCHMARK(SpritesAndText)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
