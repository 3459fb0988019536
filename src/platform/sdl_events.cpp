// SDL events → WindowMessages (see sdl_window.h).
#include "platform/sdl_window.h"

namespace platform {

namespace {

// Virtual-key codes that have no character.
constexpr int kVkBack = 0x08, kVkTab = 0x09, kVkReturn = 0x0D, kVkShift = 0x10, kVkControl = 0x11,
              kVkMenu = 0x12, kVkPause = 0x13, kVkCapital = 0x14, kVkEscape = 0x1B, kVkSpace = 0x20,
              kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23, kVkHome = 0x24, kVkLeft = 0x25, kVkUp = 0x26,
              kVkRight = 0x27, kVkDown = 0x28, kVkSnapshot = 0x2C, kVkInsert = 0x2D, kVkDelete = 0x2E,
              kVkLWin = 0x5B, kVkRWin = 0x5C, kVkApps = 0x5D, kVkNumpad0 = 0x60, kVkMultiply = 0x6A,
              kVkAdd = 0x6B, kVkSeparator = 0x6C, kVkSubtract = 0x6D, kVkDecimal = 0x6E, kVkDivide = 0x6F,
              kVkF1 = 0x70, kVkF13 = 0x7C, kVkNumLock = 0x90, kVkScroll = 0x91, kVkOemNecEqual = 0x92,
              kVkOem1 = 0xBA, kVkOemPlus = 0xBB, kVkOemComma = 0xBC, kVkOemMinus = 0xBD, kVkOemPeriod = 0xBE,
              kVkOem2 = 0xBF, kVkOem3 = 0xC0, kVkOem4 = 0xDB, kVkOem5 = 0xDC, kVkOem6 = 0xDD, kVkOem7 = 0xDE,
              kVkOem102 = 0xE2;

constexpr int kWheelDeltaPerNotch = 120;

// Keys whose code does not depend on the layout, and the characters of
// the layout's letter, digit and punctuation keys.
int virtualKeyFromKeycode(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return key;
    if (key >= SDLK_F1 && key <= SDLK_F12) return kVkF1 + (key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F24) return kVkF13 + (key - SDLK_F13);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return kVkNumpad0 + 1 + (key - SDLK_KP_1);
    switch (key) {
        case SDLK_BACKSPACE: return kVkBack;
        case SDLK_TAB: return kVkTab;
        case SDLK_RETURN: case SDLK_RETURN2: case SDLK_KP_ENTER: return kVkReturn;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return kVkShift;
        case SDLK_LCTRL: case SDLK_RCTRL: return kVkControl;
        case SDLK_LALT: case SDLK_RALT: return kVkMenu;
        case SDLK_PAUSE: return kVkPause;
        case SDLK_CAPSLOCK: return kVkCapital;
        case SDLK_ESCAPE: return kVkEscape;
        case SDLK_SPACE: return kVkSpace;
        case SDLK_PAGEUP: return kVkPrior;
        case SDLK_PAGEDOWN: return kVkNext;
        case SDLK_END: return kVkEnd;
        case SDLK_HOME: return kVkHome;
        case SDLK_LEFT: return kVkLeft;
        case SDLK_UP: return kVkUp;
        case SDLK_RIGHT: return kVkRight;
        case SDLK_DOWN: return kVkDown;
        case SDLK_PRINTSCREEN: return kVkSnapshot;
        case SDLK_INSERT: return kVkInsert;
        case SDLK_DELETE: return kVkDelete;
        case SDLK_LGUI: return kVkLWin;
        case SDLK_RGUI: return kVkRWin;
        case SDLK_APPLICATION: return kVkApps;
        case SDLK_KP_0: return kVkNumpad0;
        case SDLK_KP_MULTIPLY: return kVkMultiply;
        case SDLK_KP_PLUS: return kVkAdd;
        case SDLK_KP_COMMA: return kVkSeparator;
        case SDLK_KP_MINUS: return kVkSubtract;
        case SDLK_KP_PERIOD: case SDLK_KP_DECIMAL: return kVkDecimal;
        case SDLK_KP_DIVIDE: return kVkDivide;
        case SDLK_KP_EQUALS: return kVkOemNecEqual;
        case SDLK_NUMLOCKCLEAR: return kVkNumLock;
        case SDLK_SCROLLLOCK: return kVkScroll;
        case SDLK_SEMICOLON: return kVkOem1;
        case SDLK_EQUALS: case SDLK_PLUS: return kVkOemPlus;
        case SDLK_COMMA: return kVkOemComma;
        case SDLK_MINUS: return kVkOemMinus;
        case SDLK_PERIOD: return kVkOemPeriod;
        case SDLK_SLASH: return kVkOem2;
        case SDLK_BACKQUOTE: return kVkOem3;
        case SDLK_LEFTBRACKET: return kVkOem4;
        case SDLK_BACKSLASH: return kVkOem5;
        case SDLK_RIGHTBRACKET: return kVkOem6;
        case SDLK_QUOTE: return kVkOem7;
        default: return 0;
    }
}

// Keys of other layouts (characters outside the table above) by position.
int virtualKeyFromScancode(SDL_Scancode scancode) {
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 'A' + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
    switch (scancode) {
        case SDL_SCANCODE_0: return '0';
        case SDL_SCANCODE_MINUS: return kVkOemMinus;
        case SDL_SCANCODE_EQUALS: return kVkOemPlus;
        case SDL_SCANCODE_LEFTBRACKET: return kVkOem4;
        case SDL_SCANCODE_RIGHTBRACKET: return kVkOem6;
        case SDL_SCANCODE_BACKSLASH: case SDL_SCANCODE_NONUSHASH: return kVkOem5;
        case SDL_SCANCODE_SEMICOLON: return kVkOem1;
        case SDL_SCANCODE_APOSTROPHE: return kVkOem7;
        case SDL_SCANCODE_GRAVE: return kVkOem3;
        case SDL_SCANCODE_COMMA: return kVkOemComma;
        case SDL_SCANCODE_PERIOD: return kVkOemPeriod;
        case SDL_SCANCODE_SLASH: return kVkOem2;
        case SDL_SCANCODE_NONUSBACKSLASH: return kVkOem102;
        default: return 0;
    }
}

bool isOtherWindow(uint32_t eventWindow, const SdlWindowState& state) {
    return state.windowId != 0 && eventWindow != 0 && eventWindow != state.windowId;
}

WindowMessage message(MessageKind kind) {
    WindowMessage result;
    result.kind = kind;
    return result;
}

WindowMessage sizeMessage(SizeKind kind, int width, int height) {
    WindowMessage result = message(MessageKind::Size);
    result.sizeKind = kind;
    result.width = width;
    result.height = height;
    return result;
}

WindowMessage activateMessage(bool active) {
    WindowMessage result = message(MessageKind::ActivateApp);
    result.active = active;
    return result;
}

std::optional<WindowMessage> translateWindowEvent(const SDL_WindowEvent& event, const SdlWindowState& state) {
    switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE: return message(MessageKind::Close);
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            return sizeMessage(state.maximised ? SizeKind::Maximised : SizeKind::Restored, event.data1, event.data2);
        case SDL_WINDOWEVENT_MINIMIZED: return sizeMessage(SizeKind::Minimised, 0, 0);
        case SDL_WINDOWEVENT_MAXIMIZED: return sizeMessage(SizeKind::Maximised, state.width, state.height);
        case SDL_WINDOWEVENT_RESTORED: return sizeMessage(SizeKind::Restored, state.width, state.height);
        case SDL_WINDOWEVENT_FOCUS_GAINED: return activateMessage(true);
        case SDL_WINDOWEVENT_FOCUS_LOST: return activateMessage(false);
        default: return std::nullopt;
    }
}

std::optional<WindowMessage> translateKeyEvent(const SDL_KeyboardEvent& event) {
    int key = virtualKeyFromSdl(event.keysym.sym, event.keysym.scancode);
    if (key == 0) return std::nullopt;
    WindowMessage result = message(event.type == SDL_KEYDOWN ? MessageKind::KeyDown : MessageKind::KeyUp);
    result.key = key;
    return result;
}

// The messages of one button: down, up, double click.
struct ButtonKinds {
    MessageKind down, up, doubleClick;
};

std::optional<ButtonKinds> buttonKinds(uint8_t button) {
    switch (button) {
        case SDL_BUTTON_LEFT: return ButtonKinds{MessageKind::LButtonDown, MessageKind::LButtonUp, MessageKind::LButtonDblClk};
        case SDL_BUTTON_RIGHT: return ButtonKinds{MessageKind::RButtonDown, MessageKind::RButtonUp, MessageKind::RButtonDblClk};
        case SDL_BUTTON_MIDDLE: return ButtonKinds{MessageKind::MButtonDown, MessageKind::MButtonUp, MessageKind::MButtonDblClk};
        default: return std::nullopt;
    }
}

std::optional<WindowMessage> translateButtonEvent(const SDL_MouseButtonEvent& event) {
    std::optional<ButtonKinds> kinds = buttonKinds(event.button);
    if (!kinds) return std::nullopt;
    MessageKind kind = kinds->up;
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        // Like a window class with double clicks: a quick second click is a
        // double click, the third starts a new series.
        bool secondOfPair = event.clicks >= 2 && event.clicks % 2 == 0;
        kind = secondOfPair ? kinds->doubleClick : kinds->down;
    }
    WindowMessage result = message(kind);
    result.x = event.x;
    result.y = event.y;
    return result;
}

std::optional<WindowMessage> translateWheelEvent(const SDL_MouseWheelEvent& event) {
    int notches = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.y : event.y;
    if (notches == 0) return std::nullopt;
    WindowMessage result = message(MessageKind::MouseWheel);
    result.wheelDelta = notches * kWheelDeltaPerNotch;
    result.x = event.mouseX;
    result.y = event.mouseY;
    return result;
}

std::optional<WindowMessage> translateDropEvent(const SDL_DropEvent& event) {
    if (event.file == nullptr) return std::nullopt;
    WindowMessage result = message(MessageKind::DropFiles);
    result.files.emplace_back(event.file);
    return result;
}

}  // namespace

int virtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode) {
    int code = virtualKeyFromKeycode(key);
    return code != 0 ? code : virtualKeyFromScancode(scancode);
}

std::optional<WindowMessage> translateSdlEvent(const SDL_Event& event, const SdlWindowState& state) {
    switch (event.type) {
        case SDL_QUIT: return message(MessageKind::Quit);
        case SDL_WINDOWEVENT:
            if (isOtherWindow(event.window.windowID, state)) return std::nullopt;
            return translateWindowEvent(event.window, state);
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (isOtherWindow(event.key.windowID, state)) return std::nullopt;
            return translateKeyEvent(event.key);
        case SDL_MOUSEMOTION: {
            if (isOtherWindow(event.motion.windowID, state)) return std::nullopt;
            WindowMessage result = message(MessageKind::MouseMove);
            result.x = event.motion.x;
            result.y = event.motion.y;
            return result;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (isOtherWindow(event.button.windowID, state)) return std::nullopt;
            return translateButtonEvent(event.button);
        case SDL_MOUSEWHEEL:
            if (isOtherWindow(event.wheel.windowID, state)) return std::nullopt;
            return translateWheelEvent(event.wheel);
        case SDL_DROPFILE:
            if (isOtherWindow(event.drop.windowID, state)) return std::nullopt;
            return translateDropEvent(event.drop);
        default: return std::nullopt;
    }
}

}  // namespace platform
