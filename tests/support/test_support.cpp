#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plastora-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const { return path_ + "/" + name; }

std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string readText(const std::string& path) {
    std::vector<unsigned char> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

bool writeBytes(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

bool writeText(const std::string& path, const std::string& text) {
    return writeBytes(path, text.data(), text.size());
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

std::string sourceDir() {
    const char* dir = std::getenv("PLASTORA_SOURCE_DIR");
    return dir ? dir : ".";
}

std::string appDir() {
    const char* dir = std::getenv("PLASTORA_APP_DIR");
    return dir ? dir : ".";
}

std::string largePageMode() {
    std::ifstream file("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string line;
    std::getline(file, line);
    const auto open = line.find('[');
    const auto close = line.find(']');
    return open != std::string::npos && close > open ? line.substr(open + 1, close - open - 1) : std::string();
}

std::size_t largePageBytes() {
    std::ifstream file("/proc/self/smaps_rollup");
    std::string key;
    std::size_t kilobytes = 0;
    while (file >> key) {
        if (key == "AnonHugePages:" && file >> kilobytes) return kilobytes * 1024;
    }
    return 0;
}

}  // namespace testsupport
