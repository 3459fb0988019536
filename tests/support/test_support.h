// Helpers shared by the unit tests: scratch folders and whole-file access that
// do not go through the code under test.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary directory, removed with its
// contents when the object goes out of scope. path() has no trailing slash.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// Whole file as bytes; empty when it cannot be read.
std::vector<unsigned char> readBytes(const std::string& path);
std::string readText(const std::string& path);
// Writes (creating or truncating); returns false on failure.
bool writeBytes(const std::string& path, const void* data, size_t size);
bool writeText(const std::string& path, const std::string& text);
bool fileExists(const std::string& path);

// Folder of the source tree and of the built program (set by CTest; fall back
// to the current folder when a test is run by hand).
std::string sourceDir();
std::string appDir();

// The system's setting for large memory pages ("always", "madvise",
// "never"), or empty where it cannot be read; and the bytes of this
// process's memory on large pages.
std::string largePageMode();
std::size_t largePageBytes();

}  // namespace testsupport
