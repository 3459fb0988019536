// The program's window on a display: SDL2 with an OpenGL 3.3 core context.
#include "platform/sdl_window.h"

#include "core/logger.h"
#include "platform/gl_device.h"
#include "platform/web_address.h"

#include <cstdlib>
#include <deque>
#include <string_view>

namespace platform {

namespace {

void logSdlError(const char* where, const char* what) {
    String text(what);
    text.append(String(": ")).append(String(SDL_GetError()));
    Logger::instance().error(String(where), text);
}

class SdlWindow final : public Window {
public:
    SdlWindow() = default;
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    bool create(const std::string& title, int x, int y, int width, int height) override;
    std::unique_ptr<gfx::GraphicsDevice> createDevice(int width, int height) override;
    bool peekMessage(WindowMessage& message) override;
    bool waitMessage(WindowMessage& message, int timeoutMs) override;
    void postDestroy() override;
    int screenWidth() const override { return desktopBounds().w; }
    int screenHeight() const override { return desktopBounds().h; }
    int clientWidth() const override;
    int clientHeight() const override;
    void showSystemCursor(bool shown) override { SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE); }
    bool isSystemCursorShown() const override { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }
    void warpMouse(int x, int y) override;
    void setCapture(bool captured) override;
    void move(int x, int y, int width, int height) override;
    void minimise() override;
    void maximise() override;
    bool openUrl(const std::string& address) override;
    uint64_t milliseconds() const override { return SDL_GetTicks64(); }
    bool isReal() const override { return true; }

    SDL_Window* handle() const { return window_; }

private:
    // Position and size of the display the window is on (the first display
    // before the window exists).
    SDL_Rect desktopBounds() const;
    SdlWindowState state() const;
    // Translates one event (freeing what SDL allocated for it) and queues
    // the message, if any. True when a message was queued.
    bool take(SDL_Event& event);
    bool popPending(WindowMessage& message);

    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    std::deque<WindowMessage> pending_;
};

SdlWindow::~SdlWindow() {
    // The device made by createDevice() must be gone by now: it needs the
    // context to release its objects.
    if (context_ != nullptr) SDL_GL_DeleteContext(context_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlWindow::create(const std::string& title, int x, int y, int width, int height) {
    if (window_ != nullptr) {
        Logger::instance().error(String("SdlWindow::create"), String("The window exists already"));
        return false;
    }
    configureGlAttributes();
    uint32_t flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN;
    window_ = SDL_CreateWindow(title.c_str(), x, y, width, height, flags);
    if (window_ == nullptr) {
        logSdlError("SdlWindow::create", "Could not create the window");
        return false;
    }
    // The program draws its own pointer, and reads keys, not text.
    SDL_ShowCursor(SDL_DISABLE);
    SDL_StopTextInput();
    return true;
}

std::unique_ptr<gfx::GraphicsDevice> SdlWindow::createDevice(int width, int height) {
    if (window_ == nullptr) return nullptr;
    if (context_ == nullptr) {
        context_ = SDL_GL_CreateContext(window_);
        if (context_ == nullptr) {
            logSdlError("SdlWindow::createDevice", "Could not create the OpenGL context");
            return nullptr;
        }
    }
    if (SDL_GL_MakeCurrent(window_, context_) != 0) {
        logSdlError("SdlWindow::createDevice", "Could not make the OpenGL context current");
        return nullptr;
    }
    return createGlDevice(window_, width, height);
}

SdlWindowState SdlWindow::state() const {
    SdlWindowState result;
    if (window_ == nullptr) return result;
    result.windowId = SDL_GetWindowID(window_);
    SDL_GetWindowSize(window_, &result.width, &result.height);
    result.maximised = (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED) != 0;
    return result;
}

bool SdlWindow::take(SDL_Event& event) {
    std::optional<WindowMessage> message = translateSdlEvent(event, state());
    if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT) SDL_free(event.drop.file);
    if (!message) return false;
    pending_.push_back(std::move(*message));
    return true;
}

bool SdlWindow::popPending(WindowMessage& message) {
    if (pending_.empty()) return false;
    message = std::move(pending_.front());
    pending_.pop_front();
    return true;
}

bool SdlWindow::peekMessage(WindowMessage& message) {
    if (popPending(message)) return true;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0)
        if (take(event)) return popPending(message);
    return false;
}

bool SdlWindow::waitMessage(WindowMessage& message, int timeoutMs) {
    if (peekMessage(message)) return true;
    uint64_t deadline = SDL_GetTicks64() + static_cast<uint64_t>(timeoutMs < 0 ? 0 : timeoutMs);
    SDL_Event event;
    for (;;) {
        if (timeoutMs < 0) {
            if (SDL_WaitEvent(&event) == 0) return false;
        } else {
            uint64_t now = SDL_GetTicks64();
            if (now >= deadline) return false;
            if (SDL_WaitEventTimeout(&event, static_cast<int>(deadline - now)) == 0) return false;
        }
        if (take(event)) return popPending(message);
    }
}

void SdlWindow::postDestroy() {
    WindowMessage destroy;
    destroy.kind = MessageKind::Destroy;
    pending_.push_back(std::move(destroy));
}

SDL_Rect SdlWindow::desktopBounds() const {
    int display = window_ != nullptr ? SDL_GetWindowDisplayIndex(window_) : 0;
    if (display < 0) display = 0;
    SDL_Rect bounds{0, 0, 0, 0};
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(display, &mode) == 0) {
        bounds.w = mode.w;
        bounds.h = mode.h;
    }
    SDL_Rect placed;
    if (SDL_GetDisplayBounds(display, &placed) == 0) {
        bounds.x = placed.x;
        bounds.y = placed.y;
    }
    return bounds;
}

int SdlWindow::clientWidth() const { return state().width; }

int SdlWindow::clientHeight() const { return state().height; }

void SdlWindow::warpMouse(int x, int y) {
    if (window_ != nullptr) SDL_WarpMouseInWindow(window_, x, y);
}

// A held capture on X11 is a pointer grab that would lock every other
// program out of the mouse. The window keeps the classic meaning instead:
// while captured, a drag that started in the window keeps reporting outside
// it until the buttons are released (SDL's automatic capture).
void SdlWindow::setCapture(bool captured) {
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, captured ? "1" : "0");
    if (!captured) SDL_CaptureMouse(SDL_FALSE);
}

void SdlWindow::move(int x, int y, int width, int height) {
    if (window_ == nullptr) return;
    SDL_SetWindowPosition(window_, x, y);
    SDL_SetWindowSize(window_, width, height);
}

void SdlWindow::minimise() {
    if (window_ == nullptr) return;
    SDL_CaptureMouse(SDL_FALSE);
    SDL_MinimizeWindow(window_);
}

void SdlWindow::maximise() {
    if (window_ == nullptr) return;
    if ((SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0) SDL_RestoreWindow(window_);
    SDL_Rect screen = desktopBounds();
    SDL_SetWindowPosition(window_, screen.x, screen.y);
    SDL_SetWindowSize(window_, screen.w, screen.h);
    SDL_RaiseWindow(window_);
}

bool SdlWindow::openUrl(const std::string& address) {
    if (!isWebAddress(address)) {
        Logger::instance().error(String("SdlWindow::openUrl"), String("Refused to open a non-web address"));
        return false;
    }
    if (SDL_OpenURL(address.c_str()) != 0) {
        logSdlError("SdlWindow::openUrl", "Could not open the address");
        return false;
    }
    return true;
}

}  // namespace

SDL_Window* sdlWindowOf(Window& window) {
    auto* sdl = dynamic_cast<SdlWindow*>(&window);
    return sdl != nullptr ? sdl->handle() : nullptr;
}

std::unique_ptr<Window> createSdlWindow() {
    // A window closed by the desktop sends Close, and the program decides;
    // Quit stays for the session or a signal ending the program.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // The first click into the inactive window counts, as on other desktops.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // A busy X server may refuse a connection for a moment; SDL then falls
    // back to drawing into memory, where nobody would ever see the window.
    // With a display named, try again a few times before giving up.
    const bool displayNamed = std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
    const int attempts = displayNamed ? 5 : 1;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            logSdlError("createSdlWindow", "Could not start the video subsystem");
        } else {
            std::string_view driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
            if (driver != "offscreen" && driver != "dummy") return std::make_unique<SdlWindow>();
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        }
        if (attempt < attempts) SDL_Delay(100);
    }
    Logger::instance().error(String("createSdlWindow"), String("No display to open the window on"));
    return nullptr;
}

}  // namespace platform
