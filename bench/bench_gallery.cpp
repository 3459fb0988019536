// One frame of the widget gallery (every widget in every state over the
// small 3D scene) at 1280 x 800 on the real window (OpenGL; under Xvfb the
// software rasteriser): scene, GUI sprite batch, pointer, present.
// Target: a gallery frame within 8 ms.
// The art is taken from PLASTORA_APP_DIR, else from the bin/ folder beside
// the folder of this program. Skipped without a display.
#include "app/gallery/gallery_application.h"
#include "core/file_io.h"
#include "platform/scripted_dialogs.h"
#include "platform/window.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

String applicationFolder() {
    std::string folder;
    if (const char* dir = std::getenv("PLASTORA_APP_DIR")) folder = dir;
    else folder = (std::filesystem::path(executableDirectory().str()) / ".." / "bin").lexically_normal().string();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return String(folder.c_str());
}

void GalleryFrame(benchmark::State& state) {
    std::unique_ptr<platform::Window> window = platform::createSdlWindow();
    if (!window) {
        state.SkipWithError("no display");
        return;
    }
    ScriptedDialogs dialogs;
    GalleryApplication application(*window, applicationFolder(), dialogs, dialogs, nullptr);
    if (!application.init()) {
        state.SkipWithError("the gallery could not start");
        return;
    }
    application.setNoWait(true);
    // Hover a widget, so that the help box is drawn too.
    application.onMouseMove(875.0f, 492.0f);
    for (int i = 0; i < 5; ++i) application.runPass();
    for (auto _ : state) application.runPass();
    application.shutDown();
}
BENCHMARK(GalleryFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
