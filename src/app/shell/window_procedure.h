// The window procedure: how each message of the program's window reaches the
// application's event operations.
#pragma once

#include "platform/window.h"

class Application;

enum class MessageResult {
    Handled,  // the program took the message
    Default,  // left to the window's default processing
};

// Wheel step of a wheel delta: +1 when the delta, read as the unsigned
// 16-bit word the message carries, is below 5000, else -1.
int wheelStep(int wheelDelta);

// Maps `message` to the operations of `application`:
//  - Close, Destroy: running flag cleared;
//  - Size: Restored calls onRestore(), Minimised sets the minimised flag and
//    releases the capture; then a positive width and height become the
//    window size, reduced so that position plus size stays on the screen;
//  - ActivateApp: onActivate() and active flag set, or onDeactivate() and
//    the flag cleared;
//  - KeyDown / KeyUp: onKeyDown / onKeyUp with the key code;
//  - MouseMove: onMouseMove with the position scaled from window to
//    back-buffer pixels;
//  - L/R button down, up, double click: onMouseDown / onMouseUp /
//    onMouseDoubleClick with the left or right button identifier and the
//    position in window pixels; middle down / up: onMiddleDown /
//    onMiddleUp; middle double click: onMouseDoubleClick with the middle
//    button identifier;
//  - MouseWheel: onMouseWheel(wheelStep(delta));
//  - DropFiles: onDropFile for each file in order (then default processing).
// Everything else (Quit included) is left to default processing.
MessageResult windowProcedure(Application& application, const platform::WindowMessage& message);
