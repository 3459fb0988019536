#include "app/script/injecting_window.h"

bool InjectingWindow::popInjected(platform::WindowMessage& message) {
    if (injected_.empty()) return false;
    message = std::move(injected_.front());
    injected_.pop_front();
    return true;
}

bool InjectingWindow::peekMessage(platform::WindowMessage& message) {
    if (inner_.peekMessage(message)) return true;
    return popInjected(message);
}

bool InjectingWindow::waitMessage(platform::WindowMessage& message, int timeoutMs) {
    if (inner_.peekMessage(message)) return true;
    if (popInjected(message)) return true;
    return inner_.waitMessage(message, timeoutMs);
}
