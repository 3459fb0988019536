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
#include "core/configuration.h"
#include "core/file_io.h"
#include "platform/scripted_dialogs.h"
#include "platform/window.h"
#include "render/renderer.h"
#include "transform/three_d.h"
#include "twod/two_d.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 1280;
constexpr int kHeight = 800;

std::string applicationFolder() {
    if (const char* dir = std::getenv("PLASTORA_APP_DIR")) return dir;
    return (fs::path(executableDirectory().str()) / ".." / "bin").lexically_normal().string();
}

std::string readWhole(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void replaceOnce(std::string& text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
}

// A private folder with the shipped config.xml at 1280 x 800 (no update
// check) and the art linked in.
struct Folder {
    fs::path path;
    bool ok = false;
    Folder() {
        const fs::path source = applicationFolder();
        path = fs::temp_directory_path() / ("plastora-transform-bench-" + std::to_string(::getpid()));
        fs::create_directories(path);
        std::string config = readWhole(source / "data" / "config.xml");
        replaceOnce(config, "<screenwidth>-1</screenwidth>", "<screenwidth>1280</screenwidth>");
        replaceOnce(config, "<screenheight>-1</screenheight>", "<screenheight>800</screenheight>");
        replaceOnce(config, "<checkforupdateatstartup>1</checkforupdateatstartup>",
                    "<checkforupdateatstartup>0</checkforupdateatstartup>");
        std::ofstream(path / "config.xml") << config;
        std::error_code error;
        for (const char* art : {"data", "datav1_01"}) fs::create_directory_symlink(fs::absolute(source / art), path / art, error);
        ok = !config.empty() && fs::exists(source / "data" / "sample" / "sample.qz");
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

std::unique_ptr<platform::Window> openSdlWindow() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (std::unique_ptr<platform::Window> window = platform::createSdlWindow()) return window;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

void cameraTurn(benchmark::State& state, int clippings) {
    Folder folder;
    if (!folder.ok) {
        state.SkipWithError("the sample project or config.xml is missing (set PLASTORA_APP_DIR)");
        return;
    }
    std::unique_ptr<platform::Window> window = openSdlWindow();
    if (!window) {
        state.SkipWithError("no display (scripts/bench starts Xvfb)");
        return;
    }
    ScriptedDialogs dialogs;
    std::unique_ptr<ApplicationMain> application =
        startApplication(*window, String((folder.path.string() + "/").c_str()), dialogs, dialogs);
    if (!application->isInitialised() || application->renderer()->width() != kWidth) {
        state.SkipWithError("the shell could not start at 1280 x 800");
        return;
    }
    application->setNoWait(true);
    const String sample((applicationFolder() + "/data/sample/sample.qz").c_str());
    TwoD& twoD = *application->twoD();
    while (twoD.images().imageCount() < clippings) application->onDropFile(sample);
    for (int slot = twoD.images().slotCount() - 1; slot >= 0 && twoD.images().imageCount() > clippings; --slot)
        twoD.images().remove(slot);
    application->switchToThreeD();
    ThreeD& threeD = *application->threeD();
    for (int i = 0; i < 10; ++i) application->runPass();
    for (auto _ : state) {
        threeD.cameraRig().rotate(3.0f, 0.0f, application->settings().cameraspeed.lookaround);
        if (!application->runPass()) {
            state.SkipWithError("the loop ended");
            break;
        }
    }
    state.counters["clippings"] = twoD.images().imageCount();
    application->shutDown();
}

void CameraTurnFrame7(benchmark::State& state) { cameraTurn(state, 7); }
BENCHMARK(CameraTurnFrame7)->UseRealTime()->Unit(benchmark::kMillisecond);

void CameraTurnFrame25(benchmark::State& state) { cameraTurn(state, 25); }
BENCHMARK(CameraTurnFrame25)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
