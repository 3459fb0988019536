// Application: the reusable base of the program's application object. It owns
// the drawing device of the window, the camera, the optional raw input and
// the texture manager, works the renderer, runs the message loop and hands
// every window message to a virtual event operation. The operations have
// empty or trivial bodies here; ApplicationMain gives them their meaning.
//
// One global refers to the application and one to its window; both are set
// at start-up and read by every part that must reach the application.
#pragma once

#include "core/string.h"
#include "platform/graphics_device.h"
#include "platform/input_identifiers.h"
#include "platform/raw_input.h"
#include "platform/window.h"

#include <memory>

class Camera;
class DxRenderer;
class Texture;
class TextureManager;

class Application : public InputIdentifiers {
public:
    // Stores title "Plastora", position (0, 0) and the window and back-buffer
    // size, and makes this object the global application. The window is not
    // created before init().
    Application(platform::Window& window, int width, int height, const String& applicationDirectory);
    // Releases what init() made (texture manager, input, camera, renderer,
    // device) unless the shut-down sequence did already, and clears the
    // globals that refer to this object and its window.
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // --- virtual operations, in slot order ------------------------------------
    // A special pointer picture chosen by a part of the program.
    virtual void setCustomCursor(Texture* texture);
    // Chooses the pointer kind (0 arrow, 7 wait, ...). Here: stores the kind.
    virtual void setCursor(int kind);
    // Creates window, device, renderer, optional raw input, camera and
    // texture manager, then calls initApplication(). Each step writes its log
    // line first. False (with an error line) when the window, the renderer or
    // the raw input could not be made; the message loop then returns at once.
    virtual bool init();
    // Builds the program on top of the ready window and renderer.
    virtual void initApplication();
    // Runs after the message loop, before the base shut-down.
    virtual void exitApplication();
    // Draws one frame.
    virtual void frame();
    // Recovers a lost device: the renderer's reset, a bounded number of
    // attempts per call (resetAttemptsPerPass()).
    virtual void restoreDevice();
    // Around a device reset: release and re-create what depends on it.
    virtual void onDeviceLost();
    virtual void onDeviceReset();
    // A menu item was chosen: its label, with " checked" / " unchecked" for
    // check items.
    virtual void onMenuCommand(const String& text);
    // A numbered command of the GUI.
    virtual void onCommand(int number);
    // Keys by virtual-key code (letters A-Z 65-90, ALT 18, ...).
    virtual void onKeyDown(int key);
    virtual void onKeyUp(int key);
    // Button presses in window client pixels; the button is one of the
    // mouse-button identifiers (kLeftButton, kRightButton, kMiddleButton).
    virtual void onMouseDown(InputIdentifier button, float x, float y);
    virtual void onMouseDoubleClick(InputIdentifier button, float x, float y);
    virtual void onMouseUp(InputIdentifier button, float x, float y);
    // Pointer position in back-buffer pixels.
    virtual void onMouseMove(float x, float y);
    virtual void onMiddleDown();
    virtual void onMiddleUp();
    // +1 for a wheel step away from the user, -1 towards.
    virtual void onMouseWheel(int step);
    // The window was restored from minimised.
    virtual void onRestore();
    virtual bool isCursorPressed() const;
    virtual bool isCursorOver() const;
    // A file dropped on the window (full path).
    virtual void onDropFile(const String& path);
    // The program became active / inactive among the desktop's windows.
    virtual void onActivate();
    virtual void onDeactivate();

    // --- the message loop ------------------------------------------------------------
    // Runs the loop until the running flag is cleared or a quit message
    // arrives, then the shut-down sequence. Returns at once (without the
    // shut-down) when init() did not succeed.
    void run();
    // One pass of the loop: checks the device (a lost device is restored
    // and no message is read in that pass), takes and dispatches the waiting
    // messages, then draws a frame. Sets the running flag on the first call.
    // False when the loop must end: the running flag is clear or a quit
    // message arrived while waiting (no frame is drawn then). Headless
    // drivers post messages to the window and call this once per frame.
    bool runPass();
    // The end of the loop: releases the mouse capture, exitApplication(),
    // then deletes input, camera and texture manager with their log lines.
    // Runs once; later calls do nothing.
    void shutDown();
    // Routes one message through the window procedure.
    void dispatch(const platform::WindowMessage& message);

    // --- operations other parts call ---------------------------------------------------
    // Clears the running flag and posts a destroy request to the window.
    void stop();
    // Moves the mouse pointer to client pixel (x, y).
    void warpMouse(int x, int y);
    // Releases the capture and minimises the window.
    void minimise();
    // Places the window at the top left of the screen at the screen's size.
    void maximise();
    // Moves and sizes the window (desktop pixels), kept on the screen and at
    // least 64 × 64 pixels; the back buffer keeps its size.
    void moveWindow(int x, int y, int width, int height);
    // Back-buffer pixels to window client pixels and back; a size of 0 on
    // either side leaves the value as it is.
    float backBufferToWindowX(float x) const;
    float backBufferToWindowY(float y) const;
    float windowToBackBufferX(float x) const;
    float windowToBackBufferY(float y) const;

    // --- state --------------------------------------------------------------------------
    platform::Window& window() const { return window_; }
    const String& title() const { return title_; }
    const String& applicationDirectory() const { return applicationDirectory_; }
    int windowX() const { return x_; }
    int windowY() const { return y_; }
    int windowWidth() const { return width_; }
    int windowHeight() const { return height_; }
    // Sets the stored window size (what a Size message reports).
    void setWindowSize(int width, int height);
    // Size of the back buffer, fixed at construction.
    int backBufferWidth() const { return backBufferWidth_; }
    int backBufferHeight() const { return backBufferHeight_; }

    bool isInitialised() const { return initialised_; }
    bool isRunning() const { return running_; }
    void setRunning(bool running) { running_ = running; }
    bool isMinimised() const { return minimised_; }
    void setMinimised(bool minimised) { minimised_ = minimised; }
    bool isActive() const { return active_; }
    void setActive(bool active) { active_ = active; }
    bool isDeviceLost() const { return deviceLost_; }

    // Keyboard and mouse read as device states instead of window messages;
    // off by default. Set before init().
    void setUseRawInput(bool use) { useRawInput_ = use; }
    // Take waiting messages without waiting for one; off by default.
    void setNoWait(bool noWait) { noWait_ = noWait; }
    // How long a pass waits for the first message before it draws a frame
    // anyway (the GUI's animations need frames without input); negative:
    // no limit.
    void setMessageWaitMilliseconds(int milliseconds) { waitMilliseconds_ = milliseconds; }
    // Reset attempts of one restoreDevice() call; 0 tries until the device
    // is back.
    void setResetAttemptsPerPass(int attempts) { resetAttemptsPerPass_ = attempts; }
    int resetAttemptsPerPass() const { return resetAttemptsPerPass_; }

    // Made by init(); null before and after the shut-down.
    DxRenderer* renderer() const { return renderer_; }
    gfx::GraphicsDevice* device() const { return device_.get(); }
    Camera* camera() const { return camera_.get(); }
    Input* input() const { return input_.get(); }
    TextureManager* textureManager() const { return textureManager_.get(); }

    // The pointer: current kind, picture, hot spot and drawn size.
    int cursorKind() const { return cursorKind_; }
    Texture* cursorTexture() const { return cursorTexture_; }
    float cursorHotSpotX() const { return cursorHotX_; }
    float cursorHotSpotY() const { return cursorHotY_; }
    // Size the pointer pictures are made at, whatever the file says.
    static constexpr float kCursorTextureSize = 256.0f;
    float cursorSize() const { return cursorSize_; }

protected:
    // Used by setCursor of the derived class.
    void setCursorLook(Texture* texture, float hotX, float hotY, float size);
    void storeCursorKind(int kind) { cursorKind_ = kind; }

private:
    bool createWindow();
    bool createRenderer();
    bool createInput();
    void createCamera();
    // Asks the device whether it is lost (a missing device counts as not lost).
    bool askDeviceLost() const;
    // Takes and dispatches the waiting messages; false when a quit message
    // arrived while waiting for the first one.
    bool takeMessages();
    // Dispatches every waiting message; stops at a quit message.
    void drainMessages();
    void releaseDeviceObjects();

    platform::Window& window_;
    String title_;
    int x_ = 0;
    int y_ = 0;
    int width_;
    int height_;
    int backBufferWidth_;
    int backBufferHeight_;
    String applicationDirectory_;

    bool initialised_ = false;
    bool running_ = false;
    bool loopStarted_ = false;
    bool shutDown_ = false;
    bool deviceLost_ = false;
    bool minimised_ = false;
    bool active_ = true;
    bool useRawInput_ = false;
    bool noWait_ = false;
    int waitMilliseconds_ = 20;
    int resetAttemptsPerPass_ = 1;

    std::unique_ptr<gfx::GraphicsDevice> device_;
    DxRenderer* renderer_ = nullptr;
    std::unique_ptr<Camera> camera_;
    std::unique_ptr<Input> input_;
    std::unique_ptr<TextureManager> textureManager_;

    int cursorKind_ = 0;
    Texture* cursorTexture_ = nullptr;
    float cursorHotX_ = 0.0f;
    float cursorHotY_ = 0.0f;
    float cursorSize_ = 25.0f;
};

// The program's application object; null when none exists.
Application* theApplication();
// The program's window; null before an application created it.
platform::Window* applicationWindow();
