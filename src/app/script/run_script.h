// The scripted run of the program: `plastora --script FILE [--headless]`.
#pragma once

#include "core/string.h"

#include <cstdio>
#include <string>

// Exit codes of a scripted run.
inline constexpr int kScriptRunOk = 0;
// The program could not start, a screenshot failed, or the window closed
// before the script ended.
inline constexpr int kScriptRunFailed = 1;
// The script could not be read or has a fault; nothing was started.
inline constexpr int kScriptRunBadScript = 2;

struct ScriptRunOptions {
    std::string scriptPath;
    // Run without a window even when a display exists (the null device:
    // screenshots then hold only the cleared frame).
    bool headless = false;
    // Folder of the art (with its trailing slash).
    String applicationDirectory;
    // Folder of config.xml and log.log; the application directory when empty.
    String settingsDirectory;
};

// Parses the script, starts the program on the SDL window (or headless:
// asked for, or when no display can be used) with dialogs answered from
// the script, and plays the script frame by frame. With a real window the
// program goes on after the last command until the user closes it (unless
// the script quits); headless it ends after the last command.
// `output` receives the echo lines, `messages` the faults and warnings
// ("plastora: ..."). Returns one of the exit codes above.
int runScript(const ScriptRunOptions& options, std::FILE* output, std::FILE* messages);
