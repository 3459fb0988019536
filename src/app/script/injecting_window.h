// InjectingWindow: a window that hands out messages put in by the program
// itself (a script) besides those of the window it wraps. Everything else
// goes to the wrapped window unchanged.
#pragma once

#include "platform/window.h"

#include <deque>

class InjectingWindow final : public platform::Window {
public:
    // `inner` must outlive this object.
    explicit InjectingWindow(platform::Window& inner) : inner_(inner) {}

    // Queues a message; it is handed out after the messages the wrapped
    // window has waiting at that moment, in the order injected.
    void inject(const platform::WindowMessage& message) { injected_.push_back(message); }
    // Injected messages not handed out yet.
    size_t injectedWaiting() const { return injected_.size(); }
    platform::Window& inner() const { return inner_; }

    bool create(const std::string& title, int x, int y, int width, int height) override {
        return inner_.create(title, x, y, width, height);
    }
    std::unique_ptr<gfx::GraphicsDevice> createDevice(int width, int height) override {
        return inner_.createDevice(width, height);
    }
    // The wrapped window's waiting messages first, then the injected ones.
    bool peekMessage(platform::WindowMessage& message) override;
    // An injected message is taken without waiting; otherwise waits on the
    // wrapped window.
    bool waitMessage(platform::WindowMessage& message, int timeoutMs) override;
    void postDestroy() override { inner_.postDestroy(); }
    int screenWidth() const override { return inner_.screenWidth(); }
    int screenHeight() const override { return inner_.screenHeight(); }
    int clientWidth() const override { return inner_.clientWidth(); }
    int clientHeight() const override { return inner_.clientHeight(); }
    void showSystemCursor(bool shown) override { inner_.showSystemCursor(shown); }
    bool isSystemCursorShown() const override { return inner_.isSystemCursorShown(); }
    void warpMouse(int x, int y) override { inner_.warpMouse(x, y); }
    void setCapture(bool captured) override { inner_.setCapture(captured); }
    void move(int x, int y, int width, int height) override { inner_.move(x, y, width, height); }
    void minimise() override { inner_.minimise(); }
    void maximise() override { inner_.maximise(); }
    bool openUrl(const std::string& address) override { return inner_.openUrl(address); }
    uint64_t milliseconds() const override { return inner_.milliseconds(); }
    bool isReal() const override { return inner_.isReal(); }

private:
    bool popInjected(platform::WindowMessage& message);

    platform::Window& inner_;
    std::deque<platform::WindowMessage> injected_;
};
