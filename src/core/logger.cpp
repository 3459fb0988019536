#include "core/logger.h"

#include "core/file_io.h"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace {

// The log is written from the GUI thread; appends are serialised
// anyway so that a line written from another thread cannot interleave.
std::mutex& logMutex() {
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

void appendTwoDigits(String& text, int value) {
    if (value < 10) text.append('0');
    text.append(value);
}

const char* const kInitialIndent = "  ";

}  // namespace

Logger& Logger::instance() {
    // Created on first use and never destroyed (usable during static
    // destruction too).
    static Logger* logger = new Logger();
    return *logger;
}

bool Logger::open() {
    String directory = executableDirectory();
    if (directory.length() == 0) {
        // The original waited for a key here; a GUI program must not block,
        // so the log goes to the current directory instead.
        std::fputs("FATAL ERROR IN Logger calc Application Path\n", stdout);
        std::fflush(stdout);
    }
    return openIn(directory);
}

bool Logger::openIn(const String& directory) {
    std::lock_guard<std::mutex> lock(logMutex());
    String path(directory);
    if (path.length() > 0 && path.text()[path.length() - 1] != '/') path.append('/');
    path.append(String("log.log"));

    // Only one log-file entry is ever created; opening again reuses it and
    // starts the new file with the initial indent.
    if (files_.empty()) files_.push_back(LogFile{String("log.log"), String(), String()});
    current_ = 0;
    files_[0].path = path;
    files_[0].indent = String(kInitialIndent);

    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[64] = {0};
    if (!asctime_r(&local, stamp)) std::snprintf(stamp, sizeof stamp, "?\n");

    String header("Logfile created on ");
    header.append(String(stamp)).append(String("(-Info #Error)\n")).append(String("\n"));
    bool ok = writeFile(path, header.text(), header.length());
    open_ = true;
    return ok;
}

String Logger::path() const {
    if (files_.empty()) return String();
    return files_[static_cast<size_t>(current_)].path;
}

bool Logger::writeLine(const char* mark, const String& text) {
    std::lock_guard<std::mutex> lock(logMutex());
    if (!open_ || !enabled_ || files_.empty()) return true;
    const LogFile& file = files_[static_cast<size_t>(current_)];

    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);

    String line;
    appendTwoDigits(line, local.tm_hour);
    line.append(':');
    appendTwoDigits(line, local.tm_min);
    line.append(':');
    appendTwoDigits(line, local.tm_sec);
    line.append(file.indent).append(String(mark)).append(text).append('\n');
    return appendFile(file.path, line.text(), line.length());
}

bool Logger::info(const String& text) { return writeLine("- ", text); }

bool Logger::error(const String& text) { return writeLine("# ", text); }

bool Logger::error(const String& where, const String& what) {
    String text(where);
    text.append(' ').append(what);
    return writeLine("# in ", text);
}

void Logger::indent() {
    std::lock_guard<std::mutex> lock(logMutex());
    if (!open_ || !enabled_ || files_.empty()) return;
    files_[static_cast<size_t>(current_)].indent.append(String("    "));
}

void Logger::unindent() {
    std::lock_guard<std::mutex> lock(logMutex());
    if (!open_ || !enabled_ || files_.empty()) return;
    String& indent = files_[static_cast<size_t>(current_)].indent;
    int length = indent.length() - 4;
    if (length < 2) length = 2;
    indent = String(length, indent.text());
}
