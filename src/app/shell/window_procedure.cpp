#include "app/shell/window_procedure.h"

#include "app/shell/application.h"

#include <algorithm>

namespace {

using platform::MessageKind;
using platform::SizeKind;
using platform::WindowMessage;

void handleSize(Application& application, const WindowMessage& message) {
    if (message.sizeKind == SizeKind::Restored) {
        application.onRestore();
    } else if (message.sizeKind == SizeKind::Minimised) {
        application.setMinimised(true);
        application.window().setCapture(false);
    }
    if (message.width <= 0 || message.height <= 0) return;
    const platform::Window& window = application.window();
    const int fitWidth = window.screenWidth() - application.windowX();
    const int fitHeight = window.screenHeight() - application.windowY();
    int width = message.width;
    int height = message.height;
    if (fitWidth > 0) width = std::min(width, fitWidth);
    if (fitHeight > 0) height = std::min(height, fitHeight);
    application.setWindowSize(width, height);
}

void handleActivation(Application& application, bool active) {
    if (active) {
        application.onActivate();
    } else {
        application.onDeactivate();
    }
    application.setActive(active);
}

float positionX(const WindowMessage& message) { return static_cast<float>(message.x); }
float positionY(const WindowMessage& message) { return static_cast<float>(message.y); }

}  // namespace

int wheelStep(int wheelDelta) { return platform::wheelDeltaWord(wheelDelta) < 5000u ? 1 : -1; }

MessageResult windowProcedure(Application& application, const WindowMessage& message) {
    const float x = positionX(message);
    const float y = positionY(message);
    switch (message.kind) {
        case MessageKind::Close:
        case MessageKind::Destroy:
            application.setRunning(false);
            return MessageResult::Handled;
        case MessageKind::Size:
            handleSize(application, message);
            return MessageResult::Handled;
        case MessageKind::ActivateApp:
            handleActivation(application, message.active);
            return MessageResult::Handled;
        case MessageKind::KeyDown:
            application.onKeyDown(message.key);
            return MessageResult::Handled;
        case MessageKind::KeyUp:
            application.onKeyUp(message.key);
            return MessageResult::Handled;
        case MessageKind::MouseMove:
            application.onMouseMove(application.windowToBackBufferX(x), application.windowToBackBufferY(y));
            return MessageResult::Handled;
        case MessageKind::LButtonDown:
            application.onMouseDown(Application::kLeftButton, x, y);
            return MessageResult::Handled;
        case MessageKind::LButtonUp:
            application.onMouseUp(Application::kLeftButton, x, y);
            return MessageResult::Handled;
        case MessageKind::LButtonDblClk:
            application.onMouseDoubleClick(Application::kLeftButton, x, y);
            return MessageResult::Handled;
        case MessageKind::RButtonDown:
            application.onMouseDown(Application::kRightButton, x, y);
            return MessageResult::Handled;
        case MessageKind::RButtonUp:
            application.onMouseUp(Application::kRightButton, x, y);
            return MessageResult::Handled;
        case MessageKind::RButtonDblClk:
            application.onMouseDoubleClick(Application::kRightButton, x, y);
            return MessageResult::Handled;
        case MessageKind::MButtonDown:
            application.onMiddleDown();
            return MessageResult::Handled;
        case MessageKind::MButtonUp:
            application.onMiddleUp();
            return MessageResult::Handled;
        case MessageKind::MButtonDblClk:
            application.onMouseDoubleClick(Application::kMiddleButton, x, y);
            return MessageResult::Handled;
        case MessageKind::MouseWheel:
            application.onMouseWheel(wheelStep(message.wheelDelta));
            return MessageResult::Handled;
        case MessageKind::DropFiles:
            for (const std::string& file : message.files)
                application.onDropFile(String(static_cast<int>(file.size()), file.data()));
            return MessageResult::Default;
        case MessageKind::Quit:
            return MessageResult::Default;
    }
    return MessageResult::Default;
}
