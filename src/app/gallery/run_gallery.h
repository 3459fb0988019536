// `plastora --gallery [--script FILE] [--headless]`: the widget gallery,
// interactive or driven by a script (docs/SCRIPTING.md) for screenshots.
#pragma once

#include "core/string.h"

#include <cstdio>
#include <string>

struct GalleryRunOptions {
    // Empty: interactive on the real window until it is closed.
    std::string scriptPath;
    bool headless = false;
    // Folder of the art (with its trailing slash).
    String applicationDirectory;
};

// Runs the gallery. With a script, the script's commands are played frame
// by frame and the gallery ends after the last one (or at `quit`); dialogs
// are answered from the script. `output` receives the echo lines and the
// gallery's "gallery: ..." listener lines, `messages` the faults. Returns
// the exit codes of a scripted run (kScriptRunOk, kScriptRunFailed,
// kScriptRunBadScript).
int runGallery(const GalleryRunOptions& options, std::FILE* output, std::FILE* messages);
