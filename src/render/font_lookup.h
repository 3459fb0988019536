// Finding the font file for a face name through the system's font
// configuration. A face that is not installed is replaced by the closest
// installed one (for example "Arial" by a metric-compatible sans face), the
// way the desktop's own programs do.
#pragma once

#include "core/string.h"

#include <functional>

// A font file and the face inside it.
struct FontFile {
    String path;       // file of the face
    int faceIndex = 0; // face inside a collection file
    String family;     // family name the file reports
    bool italic = false;  // the face itself is italic or oblique
};

// Finds the file for `face` in the italic or upright style. False with a
// reason in `error` when the font configuration offers no file at all.
bool findFontFile(const String& face, bool italic, FontFile& file, String& error);

// Where fonts come from; findFontFile unless the owner supplies another
// (bundled fonts, tests).
using FontResolver = std::function<bool(const String& face, bool italic, FontFile& file, String& error)>;
