#include "app/shell/application.h"

#include "app/shell/window_procedure.h"
#include "core/logger.h"
#include "render/camera.h"
#include "render/renderer.h"
#include "render/texture_manager.h"

#include <algorithm>

namespace {

Application* gApplication = nullptr;
platform::Window* gWindow = nullptr;

// The camera of the 3D view as the program starts it.
constexpr float kCameraNear = 10.0f;
constexpr float kCameraFar = 250000.0f;
constexpr float kCameraOpeningAngle = 67.0f;

float scaled(float value, int from, int to) {
    if (from <= 0 || to <= 0) return value;
    return value / static_cast<float>(from) * static_cast<float>(to);
}

void logInfo(const char* text) { Logger::instance().info(String(text)); }

}  // namespace

Application* theApplication() { return gApplication; }
platform::Window* applicationWindow() { return gWindow; }

Application::Application(platform::Window& window, int width, int height, const String& applicationDirectory)
    : window_(window),
      title_("Plastora"),
      width_(width),
      height_(height),
      backBufferWidth_(width),
      backBufferHeight_(height),
      applicationDirectory_(applicationDirectory) {
    gApplication = this;
}

Application::~Application() {
    releaseDeviceObjects();
    if (gApplication == this) gApplication = nullptr;
    if (gWindow == &window_) gWindow = nullptr;
}

void Application::releaseDeviceObjects() {
    input_.reset();
    camera_.reset();
    textureManager_.reset();
    if (renderer_ != nullptr) {
        renderer_->setCamera(nullptr);
        renderer_->setDeviceHooks({}, {});
        DxRenderer::destroyInstance();
        renderer_ = nullptr;
    }
    device_.reset();
}

// --- virtual operations with their base bodies ----------------------------------------

void Application::setCustomCursor(Texture* /*texture*/) {}
void Application::setCursor(int kind) { cursorKind_ = kind; }
void Application::initApplication() {}
void Application::exitApplication() {}
void Application::frame() {}
void Application::onDeviceLost() {}
void Application::onDeviceReset() {}
void Application::onMenuCommand(const String& /*text*/) {}
void Application::onCommand(int /*number*/) {}
void Application::onKeyDown(int /*key*/) {}
void Application::onKeyUp(int /*key*/) {}
void Application::onMouseDown(InputIdentifier /*button*/, float /*x*/, float /*y*/) {}
void Application::onMouseDoubleClick(InputIdentifier /*button*/, float /*x*/, float /*y*/) {}
void Application::onMouseUp(InputIdentifier /*button*/, float /*x*/, float /*y*/) {}
void Application::onMouseMove(float /*x*/, float /*y*/) {}
void Application::onMiddleDown() {}
void Application::onMiddleUp() {}
void Application::onMouseWheel(int /*step*/) {}
void Application::onRestore() {}
bool Application::isCursorPressed() const { return false; }
bool Application::isCursorOver() const { return false; }
void Application::onDropFile(const String& /*path*/) {}
void Application::onActivate() {}
void Application::onDeactivate() {}

void Application::restoreDevice() {
    if (renderer_ != nullptr) renderer_->reset(resetAttemptsPerPass_);
}

// --- start-up ----------------------------------------------------------------------------

bool Application::init() {
    Logger& log = Logger::instance();
    logInfo("Initialize Application");
    log.indent();
    // The input identifiers are fixed tables; nothing to set up.

    // A desktop window needs no class registration; the step keeps its line
    // so that logs of all platforms read alike.
    logInfo("Register Window");
    logInfo("create Window");
    if (!createWindow()) {
        log.error(String("Could not create the window! Initialization failed!"));
        log.unindent();
        return false;
    }
    logInfo("Show window");
    window_.setCapture(true);

    if (!createRenderer()) {
        log.error(String("Could not initialize the DXRenderer! Initialization failed!"));
        log.unindent();
        return false;
    }

    logInfo("Initialize dx input");
    if (useRawInput_ && !createInput()) {
        log.error(String("Could not initialize DInput! Initialization failed!"));
        log.unindent();
        return false;
    }
    window_.showSystemCursor(false);

    logInfo("Initialize Camera");
    createCamera();

    logInfo("Initialize application");
    initialised_ = true;
    initApplication();

    log.unindent();
    logInfo("Initialization Complete");
    return true;
}

bool Application::createWindow() {
    if (!window_.create(title_.str(), x_, y_, width_, height_)) return false;
    // The program draws its own pointer.
    window_.showSystemCursor(false);
    gWindow = &window_;
    return true;
}

bool Application::createRenderer() {
    device_ = window_.createDevice(backBufferWidth_, backBufferHeight_);
    if (!device_) return false;
    DxRenderer& renderer = DxRenderer::instance();
    if (!renderer.init(*device_, backBufferWidth_, backBufferHeight_)) {
        DxRenderer::destroyInstance();
        device_.reset();
        return false;
    }
    renderer.setDeviceHooks([this] { onDeviceLost(); }, [this] { onDeviceReset(); });
    renderer_ = &renderer;
    textureManager_ = std::make_unique<TextureManager>(*device_);
    return true;
}

bool Application::createInput() {
    auto input = std::make_unique<DInput>();
    if (!input->init(window_)) return false;
    input_ = std::move(input);
    return true;
}

void Application::createCamera() {
    camera_ = std::make_unique<Camera>();
    camera_->setNearDistance(kCameraNear);
    camera_->setFarDistance(kCameraFar);
    camera_->setOpeningAngle(kCameraOpeningAngle);
    renderer_->setCamera(camera_.get());
}

// --- the message loop ---------------------------------------------------------------------

void Application::run() {
    if (!initialised_) return;
    while (runPass()) {
    }
    shutDown();
}

bool Application::askDeviceLost() const { return device_ != nullptr && device_->isLost(); }

bool Application::runPass() {
    if (!loopStarted_) {
        loopStarted_ = true;
        running_ = true;
        deviceLost_ = false;
    }
    if (!deviceLost_) deviceLost_ = askDeviceLost();
    if (deviceLost_) {
        // No messages while the device is lost. Ask again after the attempt,
        // so that messages are read again as soon as the device is back.
        restoreDevice();
        deviceLost_ = askDeviceLost();
    } else {
        if (!takeMessages()) return false;
        if (askDeviceLost()) {
            deviceLost_ = true;
            restoreDevice();
            deviceLost_ = askDeviceLost();
        }
    }
    if (input_) input_->update();
    frame();
    return running_;
}

bool Application::takeMessages() {
    if (noWait_) {
        drainMessages();
        return true;
    }
    platform::WindowMessage message;
    if (window_.waitMessage(message, waitMilliseconds_)) {
        if (message.kind == platform::MessageKind::Quit) {
            running_ = false;
            return false;
        }
        dispatch(message);
    }
    drainMessages();
    return true;
}

void Application::drainMessages() {
    platform::WindowMessage message;
    while (window_.peekMessage(message)) {
        if (message.kind == platform::MessageKind::Quit) return;
        dispatch(message);
    }
}

void Application::dispatch(const platform::WindowMessage& message) { windowProcedure(*this, message); }

void Application::shutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    window_.setCapture(false);
    exitApplication();

    Logger& log = Logger::instance();
    logInfo("Delete application");
    log.indent();
    logInfo("Delete Input");
    input_.reset();
    logInfo("Delete camera");
    if (renderer_ != nullptr) renderer_->setCamera(nullptr);
    camera_.reset();
    logInfo("Delete texture manager");
    cursorTexture_ = nullptr;
    textureManager_.reset();
    log.unindent();
    logInfo("Application deleted");
}

// --- operations for other parts -------------------------------------------------------------

void Application::stop() {
    running_ = false;
    window_.postDestroy();
}

void Application::warpMouse(int x, int y) { window_.warpMouse(x, y); }

void Application::minimise() {
    window_.setCapture(false);
    window_.minimise();
}

void Application::maximise() {
    x_ = 0;
    y_ = 0;
    window_.maximise();
}

void Application::moveWindow(int x, int y, int width, int height) {
    constexpr int kLeast = 64;
    const int screenWidth = std::max(kLeast, window_.screenWidth());
    const int screenHeight = std::max(kLeast, window_.screenHeight());
    width = std::clamp(width, kLeast, screenWidth);
    height = std::clamp(height, kLeast, screenHeight);
    // Some of the window stays on the screen, so that it can be grabbed again.
    x_ = std::clamp(x, kLeast - width, screenWidth - kLeast);
    y_ = std::clamp(y, 0, screenHeight - kLeast);
    width_ = width;
    height_ = height;
    window_.move(x_, y_, width_, height_);
}

float Application::backBufferToWindowX(float x) const { return scaled(x, backBufferWidth_, width_); }
float Application::backBufferToWindowY(float y) const { return scaled(y, backBufferHeight_, height_); }
float Application::windowToBackBufferX(float x) const { return scaled(x, width_, backBufferWidth_); }
float Application::windowToBackBufferY(float y) const { return scaled(y, height_, backBufferHeight_); }

void Application::setWindowSize(int width, int height) {
    width_ = width;
    height_ = height;
}

void Application::setCursorLook(Texture* texture, float hotX, float hotY, float size) {
    cursorTexture_ = texture;
    cursorHotX_ = hotX;
    cursorHotY_ = hotY;
    cursorSize_ = size;
}
