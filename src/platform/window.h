// Window: the program's one window and its messages, behind an interface so
// that everything above the platform layer runs the same with a real SDL
// window and headless.
//
// The window reports what happens as WindowMessage records that mirror the
// classic window messages (close, size, activation, keys, mouse, wheel,
// dropped files); the application's window procedure maps them to its event
// operations. Key codes are Windows virtual-key values (letters 65-90 upper
// case, digits 48-57, TAB 9, SHIFT 16, CTRL 17, ALT 18, SPACE 32, DELETE 46,
// F1-F12 112-123, ...); mouse positions are window client pixels.
#pragma once

#include "platform/graphics_device.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class MessageKind {
    Close,          // the user asked to close the window
    Destroy,        // the window is going away (after postDestroy)
    Size,           // sizeKind + width/height of the client area
    ActivateApp,    // active = true (activated) or false
    KeyDown,        // key (virtual-key code)
    KeyUp,          // key
    MouseMove,      // x, y
    LButtonDown, LButtonUp, LButtonDblClk,  // x, y
    RButtonDown, RButtonUp, RButtonDblClk,  // x, y
    MButtonDown, MButtonUp, MButtonDblClk,  // x, y
    MouseWheel,     // wheelDelta: the signed wheel delta (120 per notch; up is positive)
    DropFiles,      // files, in the order the desktop reported them
    Quit,           // the message loop should end
};

enum class SizeKind { Restored, Minimised, Maximised };

struct WindowMessage {
    MessageKind kind = MessageKind::MouseMove;
    int key = 0;
    int x = 0;
    int y = 0;
    SizeKind sizeKind = SizeKind::Restored;
    int width = 0;
    int height = 0;
    bool active = false;
    int wheelDelta = 0;
    std::vector<std::string> files;
};

// Mouse wheel delta as the classic WM_MOUSEWHEEL packs it: the high word of
// wParam read as an unsigned 16-bit number (so one notch down is 65416).
inline unsigned wheelDeltaWord(int wheelDelta) { return static_cast<uint16_t>(static_cast<int16_t>(wheelDelta)); }

class Window {
public:
    virtual ~Window() = default;

    // Creates a borderless window of the given client size at (x, y) with the
    // title. False (with a logged reason) when no window can be made.
    virtual bool create(const std::string& title, int x, int y, int width, int height) = 0;
    // Creates the drawing device for the window's client area (OpenGL for a
    // real window, the null device headless). Null on failure.
    virtual std::unique_ptr<gfx::GraphicsDevice> createDevice(int width, int height) = 0;

    // Takes the next waiting message without waiting; false when none waits.
    virtual bool peekMessage(WindowMessage& message) = 0;
    // Waits up to `timeoutMs` (negative: no limit) for the next message.
    virtual bool waitMessage(WindowMessage& message, int timeoutMs) = 0;
    // Queues a Destroy message for the loop (the window itself stays until
    // the object is deleted).
    virtual void postDestroy() = 0;

    // Desktop size in pixels.
    virtual int screenWidth() const = 0;
    virtual int screenHeight() const = 0;
    virtual int clientWidth() const = 0;
    virtual int clientHeight() const = 0;

    // The program draws its own cursor: the system cursor is hidden except
    // around modal dialogs.
    virtual void showSystemCursor(bool shown) = 0;
    virtual bool isSystemCursorShown() const = 0;
    // Moves the mouse pointer to client pixel (x, y).
    virtual void warpMouse(int x, int y) = 0;
    virtual void setCapture(bool captured) = 0;
    virtual void move(int x, int y, int width, int height) = 0;
    virtual void minimise() = 0;
    virtual void maximise() = 0;
    // Opens an address in the desktop's browser; false when it could not.
    virtual bool openUrl(const std::string& address) = 0;
    // Milliseconds since an arbitrary start, monotonic.
    virtual uint64_t milliseconds() const = 0;
    // True for a real window on a display.
    virtual bool isReal() const = 0;
};

// A headless window: messages come from post(), the device is the null
// device, cursor and window operations are recorded. Like a real window it
// reports its own size changes (move with a new size, minimise, maximise)
// as Size messages; waitMessage() never waits.
class HeadlessWindow : public Window {
public:
    HeadlessWindow(int screenWidth = 1280, int screenHeight = 800);

    // Queues a message as if the desktop had sent it.
    void post(const WindowMessage& message);

    bool create(const std::string& title, int x, int y, int width, int height) override;
    std::unique_ptr<gfx::GraphicsDevice> createDevice(int width, int height) override;
    bool peekMessage(WindowMessage& message) override;
    bool waitMessage(WindowMessage& message, int timeoutMs) override;
    void postDestroy() override;
    int screenWidth() const override { return screenWidth_; }
    int screenHeight() const override { return screenHeight_; }
    int clientWidth() const override { return width_; }
    int clientHeight() const override { return height_; }
    void showSystemCursor(bool shown) override { cursorShown_ = shown; }
    bool isSystemCursorShown() const override { return cursorShown_; }
    void warpMouse(int x, int y) override;
    void setCapture(bool captured) override { captured_ = captured; }
    void move(int x, int y, int width, int height) override;
    void minimise() override;
    void maximise() override;
    bool openUrl(const std::string& address) override;
    uint64_t milliseconds() const override;
    bool isReal() const override { return false; }

    // What happened, for tests.
    std::string title;
    int x = 0, y = 0;
    bool captured_ = false;
    bool minimised_ = false;
    int warpX = -1, warpY = -1;
    std::vector<std::string> openedUrls;

private:
    int screenWidth_;
    int screenHeight_;
    int width_ = 0;
    int height_ = 0;
    bool cursorShown_ = true;
    std::vector<WindowMessage> queue_;
    size_t next_ = 0;
};

// The SDL window with an OpenGL 3.3 core device. Null when SDL cannot start
// (no display).
std::unique_ptr<Window> createSdlWindow();

}  // namespace platform
