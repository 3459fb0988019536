// Progress of a command-line run on standard error.
//
// On a terminal the run shows one line that is rewritten in place: the
// command, the percentage, the stage caption and the seconds since the run
// began ("plastora sculpt: [ 35%] Sculpturing - Sharpening mesh   2.4 s").
// When standard error is a file or a pipe every step becomes a line of its
// own, so that logs read well. --quiet shows no progress at all; messages
// (warnings and errors) are shown in every style.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

class TerminalProgress {
public:
    enum class Style {
        Quiet,     // no progress
        Lines,     // one line per step
        Updating,  // one line rewritten in place
    };

    // The style for standard error (or `out`): Quiet when asked, Updating on
    // a terminal, Lines otherwise.
    static Style styleFor(bool quiet, std::FILE* out = stderr);

    // `command` starts every line ("plastora sculpt"). The clock starts now.
    TerminalProgress(const char* command, Style style, std::FILE* out = stderr);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // A step: `caption` at `percent` (clamped to 0 .. 100). On a terminal
    // the line is redrawn when the caption or the whole percentage changes,
    // or at most ten times a second for the clock.
    void step(const std::string& caption, float percent);
    // A message line ("warning: ..."), printed after the command's name; an
    // updating progress line is cleared first and drawn again after it.
    void message(const std::string& text);
    // As message(), but only when progress is shown (not with --quiet): for
    // what the run did, not for what went wrong.
    void info(const std::string& text);
    // Ends the updating line (the last state stays visible) so that later
    // output starts on a fresh line. Called by the destructor too.
    void finish();

    Style style() const { return style_; }
    // Seconds since construction.
    double elapsedSeconds() const;

private:
    void draw();
    void clearLine();

    std::string command_;
    Style style_;
    std::FILE* out_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    std::string caption_;
    int percent_ = -1;
    bool lineShown_ = false;
};
