#include "gui/cursor_kinds.h"

const std::array<const char*, kCursorTextureCount> kCursorTextureFiles{
    "arrow.dds",           "arrowover.dds",          "arrowpressed.dds",        "arrow.dds",
    "arrowwait.dds",       "cursormoving.dds",       "cursormovingover.dds",    "cursormovingpressed.dds",
    "cross.dds",           "crossover.dds",          "crosspressed.dds",        "cursorloop.dds",
    "cursorloopover.dds",  "cursorlooppressed.dds",  "cursorrotation.dds",      "cursorrotationover.dds",
    "cursorrotationpressed.dds",
};

namespace {

constexpr FlagChange Keep = FlagChange::Keep;
constexpr FlagChange Off = FlagChange::Off;
constexpr FlagChange On = FlagChange::On;

// Indexed by kind.
constexpr std::array<CursorLook, 19> kLooks{{
    {0, 0.0f, 0.0f, 25.0f, Off, Off},     // 0 arrow
    {1, 0.0f, 0.0f, 25.0f, Off, On},      // 1 arrow over
    {2, 0.0f, 0.0f, 25.0f, On, Off},      // 2 arrow pressed
    {8, 17.5f, 17.5f, 35.0f, Keep, Off},  // 3 cross
    {9, 17.5f, 17.5f, 35.0f, Off, On},    // 4 cross over
    {10, 17.5f, 17.5f, 35.0f, On, Off},   // 5 cross pressed
    {8, 15.0f, 15.0f, 30.0f, Off, Keep},  // 6 small cross
    {4, 13.0f, 13.0f, 25.0f, Off, Keep},  // 7 wait
    {8, 15.0f, 15.0f, 30.0f, Off, Keep},  // 8 small cross
    {5, 22.0f, 22.0f, 45.0f, Off, Keep},  // 9 moving
    {6, 22.0f, 22.0f, 45.0f, Off, Keep},  // 10 moving over
    {7, 22.0f, 22.0f, 45.0f, Off, Keep},  // 11 moving pressed
    {3, 0.0f, 0.0f, 22.0f, Off, Keep},    // 12 small arrow
    {11, 15.0f, 15.0f, 50.0f, Off, Keep}, // 13 loop
    {12, 15.0f, 15.0f, 50.0f, Off, Keep}, // 14 loop over
    {13, 15.0f, 15.0f, 50.0f, Off, Keep}, // 15 loop pressed
    {14, 30.0f, 30.0f, 50.0f, Off, Keep}, // 16 rotation
    {15, 30.0f, 30.0f, 50.0f, Off, Keep}, // 17 rotation over
    {16, 30.0f, 30.0f, 50.0f, Off, Keep}, // 18 rotation pressed
}};

}  // namespace

std::optional<CursorLook> cursorLookOf(int kind) {
    if (kind < 0 || kind >= static_cast<int>(kLooks.size())) return std::nullopt;
    return kLooks[static_cast<size_t>(kind)];
}
