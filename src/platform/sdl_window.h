// Internal to the platform layer: how SDL events become WindowMessages, and
// the SDL handle behind a platform::Window. Includes SDL; nothing outside
// src/platform (and its tests) may include this header.
#pragma once

#include "platform/window.h"

#include <SDL.h>

#include <optional>

namespace platform {

// What the translation needs to know about the window besides the event.
struct SdlWindowState {
    uint32_t windowId = 0;  // events of other windows are ignored; 0 takes every window's events
    int width = 0;          // current client size
    int height = 0;
    bool maximised = false;
};

// Windows virtual-key code of a key: by its keycode (which follows the
// keyboard layout) for letters, digits, the punctuation keys and the named
// keys, else by the position of the key (scancode, US layout). 0 for keys the
// program has no code for.
int virtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode);

// The message an SDL event stands for, or nothing for events the program
// does not use. Pure: reads nothing but its arguments.
//  - quit → Quit; window close → Close; focus gained/lost → ActivateApp;
//  - size changed → Size (Maximised when `state.maximised`, else Restored)
//    with the new client size; minimised → Size Minimised, 0 × 0 (like the
//    classic message); maximised/restored → Size with `state`'s size;
//  - key down/up → KeyDown/KeyUp with the virtual-key code (auto-repeat
//    sends further KeyDowns, keys without a code send nothing);
//  - motion → MouseMove; left/right/middle press → ButtonDown, or
//    ButtonDblClk for the second (fourth, ...) click of a quick series;
//    release → ButtonUp; other buttons send nothing;
//  - wheel → MouseWheel, ±120 per notch, up (away from the user) positive;
//  - dropped file → DropFiles with that one file (the event keeps
//    ownership of its text).
std::optional<WindowMessage> translateSdlEvent(const SDL_Event& event, const SdlWindowState& state);

// The SDL window behind `window`, or null when it is not an SDL window (or
// has not been created yet).
SDL_Window* sdlWindowOf(Window& window);

// The X11 id of the SDL window behind `window` (for attaching dialogs of
// other programs to it); 0 when there is none.
unsigned long desktopWindowIdOf(Window& window);

}  // namespace platform
