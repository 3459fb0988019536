// The list of every picture and model the program loads from beside its
// executable, with the drawing that makes each one, and the writer that puts
// them in place.
#pragma once

#include "art.h"

#include <functional>
#include <string>
#include <vector>

namespace artgen {

enum class ArtKind { Texture, Cursor, Model };

struct ArtEntry {
    std::string path;  // below the application directory, forward slashes
    ArtKind kind = ArtKind::Texture;
    int width = 0;  // picture size in pixels; 0 for models
    int height = 0;
    int shownWidth = 0;  // a typical size on screen, for the contact sheet
    int shownHeight = 0;
    Vec2 hotSpot;                  // pointers: the hot spot in texture pixels
    std::function<Canvas()> draw;  // pictures and pointers
    std::function<Model()> build;  // models
};

// Every generated file, in a fixed order, each path once.
std::vector<ArtEntry> artManifest();

// Draws (or builds) `entry` and writes it below `appDir`, creating folders
// as needed; the file is written under a temporary name and renamed into
// place. On failure returns false and sets `error` to a one-line reason.
bool writeEntry(const std::string& appDir, const ArtEntry& entry, std::string& error);

// Writes every entry below `appDir`; stops at the first failure.
bool writeAll(const std::string& appDir, const std::vector<ArtEntry>& entries, std::string& error);

}  // namespace artgen
