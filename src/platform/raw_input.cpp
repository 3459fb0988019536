#include "platform/raw_input.h"

#include "core/logger.h"
#include "platform/sdl_window.h"

namespace {

constexpr uint8_t kPressed = 0x80;
constexpr int kWheelDeltaPerNotch = 120;

static_assert(kSnapshotLeft == SDL_BUTTON_LMASK && kSnapshotMiddle == SDL_BUTTON_MMASK &&
              kSnapshotRight == SDL_BUTTON_RMASK && kSnapshotFourth == SDL_BUTTON_X1MASK);

bool inRange(int value, size_t size) { return value >= 0 && static_cast<size_t>(value) < size; }

// Collects wheel movement as the window's message loop takes events from the
// desktop; the keyboard and the rest of the mouse are read as states.
int SDLCALL watchWheel(void* userData, SDL_Event* event) {
    if (event->type == SDL_MOUSEWHEEL) {
        int notches = event->wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event->wheel.y : event->wheel.y;
        static_cast<DInput*>(userData)->addWheel(notches * kWheelDeltaPerNotch);
    }
    return 1;
}

}  // namespace

void InputState::clear() { *this = InputState(); }

bool InputState::isKeyDown(int code) const {
    return inRange(code, keys.size()) && (keys[static_cast<size_t>(code)] & kPressed) != 0;
}

bool InputState::wasKeyPressed(int code) const {
    return isKeyDown(code) && (previousKeys[static_cast<size_t>(code)] & kPressed) == 0;
}

bool InputState::wasKeyReleased(int code) const {
    return inRange(code, keys.size()) && !isKeyDown(code) && (previousKeys[static_cast<size_t>(code)] & kPressed) != 0;
}

bool InputState::isButtonDown(int button) const {
    return inRange(button, buttons.size()) && (buttons[static_cast<size_t>(button)] & kPressed) != 0;
}

bool InputState::wasButtonPressed(int button) const {
    return isButtonDown(button) && (previousButtons[static_cast<size_t>(button)] & kPressed) == 0;
}

bool InputState::wasButtonReleased(int button) const {
    return inRange(button, buttons.size()) && !isButtonDown(button) &&
           (previousButtons[static_cast<size_t>(button)] & kPressed) != 0;
}

bool InputState::isDown(InputIdentifier id) const {
    if (id >= InputIdentifier::MouseButton0 && id <= InputIdentifier::MouseButton3)
        return isButtonDown(static_cast<int>(id) - static_cast<int>(InputIdentifier::MouseButton0));
    int code = directInputCode(id);
    return code != 0 && isKeyDown(code);
}

int directInputCodeOfScancode(int scancode) {
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return 0x02 + (scancode - SDL_SCANCODE_1);
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F10) return 0x3B + (scancode - SDL_SCANCODE_F1);
    switch (scancode) {
        case SDL_SCANCODE_ESCAPE: return 0x01;
        case SDL_SCANCODE_0: return 0x0B;
        case SDL_SCANCODE_MINUS: return 0x0C;
        case SDL_SCANCODE_EQUALS: return 0x0D;
        case SDL_SCANCODE_BACKSPACE: return 0x0E;
        case SDL_SCANCODE_TAB: return 0x0F;
        case SDL_SCANCODE_Q: return 0x10;
        case SDL_SCANCODE_W: return 0x11;
        case SDL_SCANCODE_E: return 0x12;
        case SDL_SCANCODE_R: return 0x13;
        case SDL_SCANCODE_T: return 0x14;
        case SDL_SCANCODE_Y: return 0x15;
        case SDL_SCANCODE_U: return 0x16;
        case SDL_SCANCODE_I: return 0x17;
        case SDL_SCANCODE_O: return 0x18;
        case SDL_SCANCODE_P: return 0x19;
        case SDL_SCANCODE_LEFTBRACKET: return 0x1A;
        case SDL_SCANCODE_RIGHTBRACKET: return 0x1B;
        case SDL_SCANCODE_RETURN: return 0x1C;
        case SDL_SCANCODE_LCTRL: return 0x1D;
        case SDL_SCANCODE_A: return 0x1E;
        case SDL_SCANCODE_S: return 0x1F;
        case SDL_SCANCODE_D: return 0x20;
        case SDL_SCANCODE_F: return 0x21;
        case SDL_SCANCODE_G: return 0x22;
        case SDL_SCANCODE_H: return 0x23;
        case SDL_SCANCODE_J: return 0x24;
        case SDL_SCANCODE_K: return 0x25;
        case SDL_SCANCODE_L: return 0x26;
        case SDL_SCANCODE_SEMICOLON: return 0x27;
        case SDL_SCANCODE_APOSTROPHE: return 0x28;
        case SDL_SCANCODE_GRAVE: return 0x29;
        case SDL_SCANCODE_LSHIFT: return 0x2A;
        case SDL_SCANCODE_BACKSLASH: case SDL_SCANCODE_NONUSHASH: return 0x2B;
        case SDL_SCANCODE_Z: return 0x2C;
        case SDL_SCANCODE_X: return 0x2D;
        case SDL_SCANCODE_C: return 0x2E;
        case SDL_SCANCODE_V: return 0x2F;
        case SDL_SCANCODE_B: return 0x30;
        case SDL_SCANCODE_N: return 0x31;
        case SDL_SCANCODE_M: return 0x32;
        case SDL_SCANCODE_COMMA: return 0x33;
        case SDL_SCANCODE_PERIOD: return 0x34;
        case SDL_SCANCODE_SLASH: return 0x35;
        case SDL_SCANCODE_RSHIFT: return 0x36;
        case SDL_SCANCODE_KP_MULTIPLY: return 0x37;
        case SDL_SCANCODE_LALT: return 0x38;
        case SDL_SCANCODE_SPACE: return 0x39;
        case SDL_SCANCODE_CAPSLOCK: return 0x3A;
        case SDL_SCANCODE_NUMLOCKCLEAR: return 0x45;
        case SDL_SCANCODE_SCROLLLOCK: return 0x46;
        case SDL_SCANCODE_KP_7: return 0x47;
        case SDL_SCANCODE_KP_8: return 0x48;
        case SDL_SCANCODE_KP_9: return 0x49;
        case SDL_SCANCODE_KP_MINUS: return 0x4A;
        case SDL_SCANCODE_KP_4: return 0x4B;
        case SDL_SCANCODE_KP_5: return 0x4C;
        case SDL_SCANCODE_KP_6: return 0x4D;
        case SDL_SCANCODE_KP_PLUS: return 0x4E;
        case SDL_SCANCODE_KP_1: return 0x4F;
        case SDL_SCANCODE_KP_2: return 0x50;
        case SDL_SCANCODE_KP_3: return 0x51;
        case SDL_SCANCODE_KP_0: return 0x52;
        case SDL_SCANCODE_KP_PERIOD: return 0x53;
        case SDL_SCANCODE_NONUSBACKSLASH: return 0x56;
        case SDL_SCANCODE_F11: return 0x57;
        case SDL_SCANCODE_F12: return 0x58;
        case SDL_SCANCODE_F13: return 0x64;
        case SDL_SCANCODE_F14: return 0x65;
        case SDL_SCANCODE_F15: return 0x66;
        case SDL_SCANCODE_KP_EQUALS: return 0x8D;
        case SDL_SCANCODE_KP_ENTER: return 0x9C;
        case SDL_SCANCODE_RCTRL: return 0x9D;
        case SDL_SCANCODE_KP_COMMA: return 0xB3;
        case SDL_SCANCODE_KP_DIVIDE: return 0xB5;
        case SDL_SCANCODE_PRINTSCREEN: return 0xB7;
        case SDL_SCANCODE_RALT: return 0xB8;
        case SDL_SCANCODE_PAUSE: return 0xC5;
        case SDL_SCANCODE_HOME: return 0xC7;
        case SDL_SCANCODE_UP: return 0xC8;
        case SDL_SCANCODE_PAGEUP: return 0xC9;
        case SDL_SCANCODE_LEFT: return 0xCB;
        case SDL_SCANCODE_RIGHT: return 0xCD;
        case SDL_SCANCODE_END: return 0xCF;
        case SDL_SCANCODE_DOWN: return 0xD0;
        case SDL_SCANCODE_PAGEDOWN: return 0xD1;
        case SDL_SCANCODE_INSERT: return 0xD2;
        case SDL_SCANCODE_DELETE: return 0xD3;
        case SDL_SCANCODE_LGUI: return 0xDB;
        case SDL_SCANCODE_RGUI: return 0xDC;
        case SDL_SCANCODE_APPLICATION: return 0xDD;
        default: return 0;
    }
}

void takeInputSnapshot(InputState& state, const uint8_t* pressed, int count, uint32_t buttonMask, int dx, int dy,
                       int wheel) {
    state.previousKeys = state.keys;
    state.keys.fill(0);
    for (int scancode = 0; pressed != nullptr && scancode < count; ++scancode) {
        int code = directInputCodeOfScancode(scancode);
        if (code != 0 && pressed[scancode] != 0) state.keys[static_cast<size_t>(code)] = kPressed;
    }

    state.previousButtons = state.buttons;
    const uint32_t buttonBits[4] = {kSnapshotLeft, kSnapshotRight, kSnapshotMiddle, kSnapshotFourth};
    for (size_t button = 0; button < state.buttons.size(); ++button)
        state.buttons[button] = (buttonMask & buttonBits[button]) != 0 ? kPressed : 0;

    state.mouseX = dx;
    state.mouseY = dy;
    state.mouseWheel = wheel;
}

DInput::~DInput() {
    if (watching_) SDL_DelEventWatch(watchWheel, this);
    Logger::instance().info(String("DInput released."));
}

bool DInput::init(platform::Window& window) {
    state_.clear();
    pendingWheel_ = 0;
    if (platform::sdlWindowOf(window) == nullptr || SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        Logger::instance().error(String("DInput::init"), String("Raw input needs a window on a display."));
        return false;
    }
    // Movement before this point is not the user's answer to anything.
    SDL_GetRelativeMouseState(nullptr, nullptr);
    if (!watching_) SDL_AddEventWatch(watchWheel, this);
    watching_ = true;
    Logger::instance().info(String("DInput initialized."));
    return true;
}

bool DInput::update() {
    if (!watching_) return false;
    int dx = 0;
    int dy = 0;
    uint32_t buttonMask = SDL_GetRelativeMouseState(&dx, &dy);
    int count = 0;
    const uint8_t* pressed = SDL_GetKeyboardState(&count);
    takeInputSnapshot(state_, pressed, count, buttonMask, dx, dy, pendingWheel_);
    pendingWheel_ = 0;
    return true;
}

void DInput::clearMouseMovement() {
    state_.mouseX = 0;
    state_.mouseY = 0;
}
