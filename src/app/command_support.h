// What the command-line subcommands share besides their progress display.
#pragma once

#include "core/configuration.h"
#include "core/string.h"
#include "project/status_sink.h"

class TerminalProgress;

// The user's settings: "config.xml" of the settings folder (see
// ProgramFolders), else the factory one, else the defaults.
Settings userSettings();

// The value of mask pixels taken from alpha channels: the mask opacity
// setting as a byte, at least 1 so that a mask stays visible.
unsigned char maskValueOf(const Settings& settings);

// The file `path` can be written: its folder exists and takes new files and
// the path is no folder. False otherwise, with the line
// "<command>: cannot write the <what>: <reason>" on standard error.
bool checkWritableFile(const char* command, const char* what, const String& path);

// A project being saved, shown as steps of a progress display: each image
// saved ("Save image and mask ...") is one step, at from + percent * share /
// 100 of the whole command.
class SaveProgress : public StatusSink {
public:
    SaveProgress(TerminalProgress& display, float from, float share)
        : display_(display), from_(from), share_(share) {}
    void setProgress(float percent) override { percent_ = percent; }
    void setStatus(const String& text) override;

private:
    TerminalProgress& display_;
    float from_;
    float share_;
    float percent_ = 0.0f;
};
