// What the benchmarks that run the program's window share: a private folder
// to run it from, the display check and a real window.
#pragma once

#include "platform/window.h"

#include <filesystem>
#include <memory>
#include <string>

namespace benchsupport {

// The built program's folder: PLASTORA_APP_DIR, else bin/ beside the folder
// of this benchmark.
std::string applicationFolder();

// A folder to run the program from: the shipped config.xml at 1280 x 800
// without the update check, the art linked in and the executable linked (or
// copied). Its config.xml rewrite at exit touches nothing shared. Removed
// with the object.
class BenchFolder {
public:
    BenchFolder();
    ~BenchFolder();
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    bool ok() const { return ok_; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    bool ok_ = false;
};

// The process's bench folder (made on first use).
BenchFolder& benchFolder();

bool haveDisplay();

// A real window; a busy X server may refuse a connection for a moment, so a
// few attempts are made. Null without a display.
std::unique_ptr<platform::Window> openSdlWindow();

}  // namespace benchsupport
