#include "bench_support.h"

#include "core/file_io.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace benchsupport {

namespace fs = std::filesystem;

namespace {

std::string readWhole(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void replaceOnce(std::string& text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
}

}  // namespace

std::string applicationFolder() {
    if (const char* dir = std::getenv("PLASTORA_APP_DIR")) return dir;
    return (fs::path(executableDirectory().str()) / ".." / "bin").lexically_normal().string();
}

BenchFolder::BenchFolder() {
    const fs::path source = applicationFolder();
    path_ = fs::temp_directory_path() / ("plastora-bench-" + std::to_string(::getpid()));
    fs::create_directories(path_);
    std::string config = readWhole(source / "data" / "config.xml");
    replaceOnce(config, "<screenwidth>-1</screenwidth>", "<screenwidth>1280</screenwidth>");
    replaceOnce(config, "<screenheight>-1</screenheight>", "<screenheight>800</screenheight>");
    replaceOnce(config, "<checkforupdateatstartup>1</checkforupdateatstartup>",
                "<checkforupdateatstartup>0</checkforupdateatstartup>");
    std::ofstream(path_ / "config.xml") << config;
    std::error_code error;
    for (const char* art : {"data", "datav1_01"}) fs::create_directory_symlink(fs::absolute(source / art), path_ / art, error);
    fs::create_hard_link(source / "plastora", path_ / "plastora", error);
    if (error) fs::copy_file(source / "plastora", path_ / "plastora", error);
    ok_ = !config.empty() && fs::exists(path_ / "plastora");
}

BenchFolder::~BenchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

BenchFolder& benchFolder() {
    static BenchFolder folder;
    return folder;
}

bool haveDisplay() { return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr; }

std::unique_ptr<platform::Window> openSdlWindow() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (std::unique_ptr<platform::Window> window = platform::createSdlWindow()) return window;
        if (!haveDisplay()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

}  // namespace benchsupport
