// Logger: the process-wide log "log.log" in the application directory.
// Lines carry the local time, an indentation following the nesting of
// start-up and shut-down steps, and "- " (info) or "# " (error). The file is
// opened and closed for every line so that the log survives a crash.
// Nothing is written unless the log was opened and is enabled.
#pragma once

#include "core/string.h"

#include <vector>

class Logger {
public:
    // The singleton, created on first use and never destroyed.
    static Logger& instance();

    // Computes the log path (application directory + "log.log"), replaces any
    // old file with the header and sets the open flag. False if the header
    // could not be written.
    bool open();
    // As open(), in the given directory (with or without trailing slash).
    bool openIn(const String& directory);

    // Every writer returns true when nothing was written because logging is
    // off, false when a write failed.
    bool info(const String& text);
    bool error(const String& text);
    bool error(const String& where, const String& what);

    // Four spaces more / less (never fewer than two); no effect while the log
    // is not open or not enabled.
    void indent();
    void unindent();

    void enable() { enabled_ = true; }
    void disable() { enabled_ = false; }
    bool isOpen() const { return open_; }
    bool isEnabled() const { return enabled_; }
    // Full path of the current log file (empty before open).
    String path() const;

private:
    struct LogFile {
        String name;
        String path;
        String indent;
    };

    Logger() = default;
    bool writeLine(const char* mark, const String& text);

    bool open_ = false;
    bool enabled_ = true;
    int current_ = 0;
    std::vector<LogFile> files_;
};
