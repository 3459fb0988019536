// The window of runs without a display: a message queue filled by post(),
// the null device, and window operations that are only recorded. Size
// changes report a Size message, as a real window's would.
#include "platform/window.h"

#include "platform/web_address.h"

#include <chrono>

namespace platform {

namespace {

WindowMessage sizeMessage(SizeKind kind, int width, int height) {
    WindowMessage message;
    message.kind = MessageKind::Size;
    message.sizeKind = kind;
    message.width = width;
    message.height = height;
    return message;
}

}  // namespace

HeadlessWindow::HeadlessWindow(int screenWidth, int screenHeight)
    : screenWidth_(screenWidth), screenHeight_(screenHeight) {}

void HeadlessWindow::post(const WindowMessage& message) { queue_.push_back(message); }

bool HeadlessWindow::create(const std::string& windowTitle, int left, int top, int width, int height) {
    if (width <= 0 || height <= 0) return false;
    title = windowTitle;
    x = left;
    y = top;
    width_ = width;
    height_ = height;
    return true;
}

std::unique_ptr<gfx::GraphicsDevice> HeadlessWindow::createDevice(int width, int height) {
    return gfx::createNullDevice(width, height);
}

bool HeadlessWindow::peekMessage(WindowMessage& message) {
    if (next_ >= queue_.size()) {
        queue_.clear();
        next_ = 0;
        return false;
    }
    message = std::move(queue_[next_++]);
    return true;
}

// Nothing but post() on this thread can add a message, so waiting would
// never end with one: answers at once.
bool HeadlessWindow::waitMessage(WindowMessage& message, int /*timeoutMs*/) { return peekMessage(message); }

void HeadlessWindow::postDestroy() {
    WindowMessage destroy;
    destroy.kind = MessageKind::Destroy;
    post(destroy);
}

void HeadlessWindow::warpMouse(int toX, int toY) {
    warpX = toX;
    warpY = toY;
}

void HeadlessWindow::move(int left, int top, int width, int height) {
    x = left;
    y = top;
    if (width <= 0 || height <= 0 || (width == width_ && height == height_)) return;
    width_ = width;
    height_ = height;
    post(sizeMessage(SizeKind::Restored, width_, height_));
}

void HeadlessWindow::minimise() {
    captured_ = false;
    if (minimised_) return;
    minimised_ = true;
    post(sizeMessage(SizeKind::Minimised, 0, 0));
}

void HeadlessWindow::maximise() {
    x = 0;
    y = 0;
    width_ = screenWidth_;
    height_ = screenHeight_;
    minimised_ = false;
    post(sizeMessage(SizeKind::Maximised, width_, height_));
}

bool HeadlessWindow::openUrl(const std::string& address) {
    if (!isWebAddress(address)) return false;
    openedUrls.push_back(address);
    return true;
}

uint64_t HeadlessWindow::milliseconds() const {
    auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
}

}  // namespace platform
