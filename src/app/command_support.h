// What the command-line subcommands share besides their progress display.
#pragma once

#include "core/configuration.h"
#include "core/string.h"

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
