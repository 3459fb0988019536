// The pointer kinds the GUI and the modes ask for, and the picture, hot spot
// and drawn size each one shows. The pictures are the seventeen pointer
// textures, numbered in their load order.
#pragma once

#include <array>
#include <optional>

// The pointer pictures in load order, from "data/gui/cursors/" of the
// application directory. Pictures 0 and 3 are the same file.
inline constexpr int kCursorTextureCount = 17;
extern const std::array<const char*, kCursorTextureCount> kCursorTextureFiles;

// Kinds with a name of their own (the others are numbers of the table).
inline constexpr int kCursorArrow = 0;
inline constexpr int kCursorWait = 7;
inline constexpr int kCursorMoving = 11;
inline constexpr int kCursorZooming = 15;
inline constexpr int kCursorRotating = 18;

// What a kind does to the pressed and over flags of the pointer.
enum class FlagChange { Keep, Off, On };

struct CursorLook {
    int texture = 0;      // index into kCursorTextureFiles
    float hotX = 0.0f;    // hot spot in pixels of the drawn pointer
    float hotY = 0.0f;
    float size = 25.0f;   // drawn size (square), pixels
    FlagChange pressed = FlagChange::Keep;
    FlagChange over = FlagChange::Keep;
};

// The look of `kind` (0 to 18); nothing for any other kind, which is stored
// but changes nothing else.
std::optional<CursorLook> cursorLookOf(int kind);

// Applies a flag change to a flag.
inline void applyFlagChange(FlagChange change, bool& flag) {
    if (change == FlagChange::On) flag = true;
    if (change == FlagChange::Off) flag = false;
}
