// Kept apart: the window-system header defines macros (None, Status, ...)
// that clash with ordinary names elsewhere.
#include "platform/sdl_window.h"

#include <SDL_syswm.h>

namespace platform {

unsigned long desktopWindowIdOf(Window& window) {
    SDL_Window* sdl = sdlWindowOf(window);
    if (sdl == nullptr) return 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(sdl, &info) != SDL_TRUE) return 0;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (info.subsystem == SDL_SYSWM_X11) return static_cast<unsigned long>(info.info.x11.window);
#endif
    return 0;
}

}  // namespace platform
