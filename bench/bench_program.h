// What the benchmarks on the real window share: where the built program and
// its art are, a private folder to run it from at 1280 x 800, and an SDL
// window that tolerates a busy X server.
#pragma once

#include "app/shell/application_main.h"
#include "app/shell/run_application.h"
#include "core/file_io.h"
#include "platform/scripted_dialogs.h"
#include "platform/window.h"
#include "render/renderer.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace benchprogram {

namespace fs = std::filesystem;

inline constexpr int kWidth = 1280;
inline constexpr int kHeight = 800;

// The program's folder: PLASTORA_APP_DIR, else bin/ beside the folder of
// this benchmark.
inline std::string applicationFolder() {
    if (const char* dir = std::getenv("PLASTORA_APP_DIR")) return dir;
    return (fs::path(executableDirectory().str()) / ".." / "bin").lexically_normal().string();
}

inline std::string readWhole(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void replaceOnce(std::string& text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
}

// A folder to run the program from: the shipped config.xml at 1280 x 800
// without the update check, the art linked in and the executable linked (or
// copied). Its config.xml rewrite at exit touches nothing shared.
class BenchFolder {
public:
    explicit BenchFolder(const std::string& name) {
        const fs::path source = applicationFolder();
        path_ = fs::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
        fs::create_directories(path_);
        std::string config = readWhole(source / "data" / "config.xml");
        replaceOnce(config, "<screenwidth>-1</screenwidth>", "<screenwidth>" + std::to_string(kWidth) + "</screenwidth>");
        replaceOnce(config, "<screenheight>-1</screenheight>",
                    "<screenheight>" + std::to_string(kHeight) + "</screenheight>");
        replaceOnce(config, "<checkforupdateatstartup>1</checkforupdateatstartup>",
                    "<checkforupdateatstartup>0</checkforupdateatstartup>");
        std::ofstream(path_ / "config.xml") << config;
        std::error_code error;
        for (const char* art : {"data", "datav1_01"}) fs::create_directory_symlink(fs::absolute(source / art), path_ / art, error);
        fs::create_hard_link(source / "plastora", path_ / "plastora", error);
        if (error) fs::copy_file(source / "plastora", path_ / "plastora", error);
        ok_ = !config.empty() && fs::exists(path_ / "plastora");
    }
    ~BenchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    bool ok() const { return ok_; }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
    bool ok_ = false;
};

inline bool haveDisplay() { return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr; }

// A busy X server may refuse a connection for a moment; try a few times.
inline std::unique_ptr<platform::Window> openSdlWindow() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (std::unique_ptr<platform::Window> window = platform::createSdlWindow()) return window;
        if (!haveDisplay()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

// The program running in a window of its own from a bench folder, its message
// loop not waiting for events.
struct RunningProgram {
    std::unique_ptr<platform::Window> window;
    ScriptedDialogs dialogs;
    std::unique_ptr<ApplicationMain> application;

    // Opens the window and starts the program from `folder` at 1280 x 800,
    // then runs ten passes so the first frames are behind. Returns an empty
    // text when it runs, else why not.
    std::string start(const BenchFolder& folder) {
        if (!folder.ok()) return "the program's config.xml is missing (set PLASTORA_APP_DIR)";
        window = openSdlWindow();
        if (!window) return "no display (scripts/bench starts Xvfb)";
        application = startApplication(*window, String((folder.path().string() + "/").c_str()), dialogs, dialogs);
        if (!application->isInitialised() || application->renderer()->width() != kWidth)
            return "the shell could not start at 1280 x 800";
        application->setNoWait(true);
        for (int i = 0; i < 10; ++i) application->runPass();
        return {};
    }
    ~RunningProgram() {
        if (application) application->shutDown();
    }
};

}  // namespace benchprogram
