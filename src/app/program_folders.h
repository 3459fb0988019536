// Where the program finds its art and keeps its settings.
//
// A portable build (the executable with data/ beside it) reads and writes
// everything beside the executable, as long as that folder can be written.
// An installed program (PREFIX/bin/plastora with PREFIX/share/plastora/)
// reads its art, data/defaultconfig.xml and the factory config.xml from
// PREFIX/share/plastora/ and keeps "config.xml", "log.log" and "temp.txt" in
// $XDG_CONFIG_HOME/plastora/ (~/.config/plastora/ when that is not set); so
// does a portable build whose folder cannot be written. A new settings
// folder starts with a copy of the factory config.xml.
#pragma once

#include "core/string.h"

struct ProgramFolders {
    // The art (data/...) and the factory config.xml, with a trailing '/'.
    String data;
    // config.xml, log.log and temp.txt, with a trailing '/'.
    String settings;
    // PREFIX/bin beside PREFIX/share/plastora.
    bool installed = false;
};

// The folders for an executable in `executableDirectory` (with its trailing
// '/'), given the environment's XDG_CONFIG_HOME and HOME (either may be
// empty; a relative XDG_CONFIG_HOME is ignored, as the XDG rules say).
// `writable` tells whether a folder can be written.
ProgramFolders programFoldersFor(const String& executableDirectory, const String& xdgConfigHome, const String& home,
                                 bool (*writable)(const String& folder));

// programFoldersFor the running program and its environment.
ProgramFolders programFolders();

// Makes the settings folder (and its parents) when missing and, when it
// holds no "config.xml" and is not the data folder, copies the factory one
// into it. False, with the reason in `error`, when that fails; the program
// can still run on its defaults then.
bool prepareSettingsFolder(const ProgramFolders& folders, String& error);
