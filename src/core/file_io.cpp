#include "core/file_io.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes `count` bytes with fopen mode `mode`; on Linux text mode is plain
// bytes (no CR is inserted before a line break).
bool putFile(const String& path, const char* mode, const void* bytes, int count) {
    if (!bytes || count < 1) return false;
    std::FILE* file = std::fopen(path.text(), mode);
    if (!file) return false;
    size_t written = std::fwrite(bytes, 1, static_cast<size_t>(count), file);
    bool closed = std::fclose(file) == 0;
    return written == static_cast<size_t>(count) && closed;
}

bool writeAll(int fd, const unsigned char* bytes, size_t count) {
    while (count > 0) {
        ssize_t n = ::write(fd, bytes, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool readFile(const String& path, std::vector<unsigned char>& bytes) {
    bytes.clear();
    struct stat info;
    if (::stat(path.text(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    std::FILE* file = std::fopen(path.text(), "rb");
    if (!file) return false;
    // The size comes from the file system; every byte of it must be read.
    size_t size = static_cast<size_t>(info.st_size);
    std::vector<unsigned char> buffer;
    bool ok = true;
    try {
        buffer.resize(size);
    } catch (...) {
        ok = false;
    }
    if (ok && size > 0) ok = std::fread(buffer.data(), 1, size, file) == size;
    bool closed = std::fclose(file) == 0;
    if (!ok || !closed) return false;
    bytes.swap(buffer);
    return true;
}

bool writeFile(const String& path, const void* bytes, int count) { return putFile(path, "w", bytes, count); }

bool appendFile(const String& path, const void* bytes, int count) { return putFile(path, "a", bytes, count); }

bool replaceFile(const String& path, const void* bytes, int count) {
    if (count < 0 || (count > 0 && !bytes) || path.length() == 0) return false;

    // The temporary file lies in the target's folder, so rename() is atomic.
    // Created with 0666 so that the kernel applies the umask as for any new
    // file; a file being replaced keeps its own permissions.
    std::string target = path.str();
    std::string temp;
    int fd = -1;
    // Several threads may replace files at once (saving a project writes
    // its companion files in parallel).
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    bool ok = true;
    struct stat info;
    if (::stat(target.c_str(), &info) == 0) ok = ::fchmod(fd, info.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, static_cast<const unsigned char*>(bytes), static_cast<size_t>(count));
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }

    // Make the rename itself durable (best effort).
    std::string::size_type slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

String executableDirectory() {
    std::string buffer(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return String();
    buffer.resize(static_cast<size_t>(n));
    std::string::size_type slash = buffer.rfind('/');
    if (slash == std::string::npos) return String();
    return String(static_cast<int>(slash + 1), buffer.data());
}
