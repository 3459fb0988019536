#include "app/terminal_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

// Columns of the terminal behind `out`; 80 when it does not say.
int terminalColumns(std::FILE* out) {
    winsize size{};
    if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col;
    return 80;
}

int wholePercent(float percent) {
    if (!std::isfinite(percent)) return 0;
    return static_cast<int>(std::clamp(percent, 0.0f, 100.0f));
}

}  // namespace

TerminalProgress::Style TerminalProgress::styleFor(bool quiet, std::FILE* out) {
    if (quiet) return Style::Quiet;
    return ::isatty(::fileno(out)) != 0 ? Style::Updating : Style::Lines;
}

TerminalProgress::TerminalProgress(const char* command, Style style, std::FILE* out)
    : command_(command), style_(style), out_(out), start_(Clock::now()), lastDraw_(start_) {}

TerminalProgress::~TerminalProgress() { finish(); }

double TerminalProgress::elapsedSeconds() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

void TerminalProgress::step(const std::string& caption, float percent) {
    const int whole = wholePercent(percent);
    if (style_ == Style::Quiet) return;
    if (style_ == Style::Lines) {
        std::fprintf(out_, "%s: [%3d%%] %s\n", command_.c_str(), whole, caption.c_str());
        std::fflush(out_);
        return;
    }
    const Clock::time_point now = Clock::now();
    const bool changed = caption != caption_ || whole != percent_;
    caption_ = caption;
    percent_ = whole;
    if (!changed && lineShown_ && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;
    draw();
}

void TerminalProgress::message(const std::string& text) {
    const bool redraw = lineShown_;
    clearLine();
    std::fprintf(out_, "%s: %s\n", command_.c_str(), text.c_str());
    if (redraw) draw();
    std::fflush(out_);
}

void TerminalProgress::info(const std::string& text) {
    if (style_ != Style::Quiet) message(text);
}

void TerminalProgress::finish() {
    if (!lineShown_) return;
    std::fputc('\n', out_);
    std::fflush(out_);
    lineShown_ = false;
}

void TerminalProgress::draw() {
    char clock[32];
    std::snprintf(clock, sizeof clock, " %6.1f s", elapsedSeconds());
    std::string line = command_;
    char head[16];
    std::snprintf(head, sizeof head, ": [%3d%%] ", percent_);
    line += head;
    // Keep to one terminal row, so that the carriage return rewrites all of it.
    const std::size_t columns = static_cast<std::size_t>(terminalColumns(out_)) - 1;
    const std::size_t room = columns > line.size() + std::strlen(clock) ? columns - line.size() - std::strlen(clock) : 0;
    std::string caption = caption_.substr(0, room);
    caption.resize(room, ' ');
    line += caption;
    line += clock;
    std::fprintf(out_, "\r%s\033[K", line.c_str());
    std::fflush(out_);
    lineShown_ = true;
}

void TerminalProgress::clearLine() {
    if (!lineShown_) return;
    std::fputs("\r\033[K", out_);
    lineShown_ = false;
}
