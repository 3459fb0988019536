// InputIdentifiers: the program's own names for keys and mouse buttons, with
// two codes for each: the DirectInput scan code (the index into the raw
// keyboard state of the optional raw input) and the Windows virtual-key code
// that the same key carries in window messages (KeyDown/KeyUp).
//
// Pure tables: no platform headers, usable everywhere.
#pragma once

#include <string_view>

// In enumeration order; None names no key. The mouse buttons come last.
enum class InputIdentifier : int {
    None,
    Key0, Key1, Key2, Key3, Key4, Key5, Key6, Key7, Key8, Key9,
    A, Add, B, Back, Backslash, C, Comma, D, Decimal, Delete, Divide, Down,
    E, End, Equals, Escape,
    F, F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    G, Grave, H, Home, I, Insert, J, K, L, LBracket, LControl, Left, LMenu, LShift,
    M, Minus, Multiply, N, Next, NumLock,
    Numpad0, Numpad1, Numpad2, Numpad3, Numpad4, Numpad5, Numpad6, Numpad7, Numpad8, Numpad9,
    NumpadComma, NumpadEnter, NumpadEquals,
    O, P, Period, Prior, Q, R, RBracket, RControl, Return, Right, RMenu, RShift,
    S, Semicolon, Space, Subtract, T, Tab, U, Up, V, W, X, Y, Z,
    MouseButton0, MouseButton1, MouseButton2, MouseButton3,
    Count
};

inline constexpr int kInputIdentifierCount = static_cast<int>(InputIdentifier::Count);

// DirectInput scan code of a key (Key0 → 11, A → 30, Escape → 1, Space → 57,
// NumpadEnter → 156, Up → 200); 0 for None and the mouse buttons.
int directInputCode(InputIdentifier id);

// Virtual-key code the key carries in window messages (letters 65-90, digits
// 48-57, F1-F12 112-123, both Shift keys 16, both Control keys 17, both Alt
// keys 18, NumpadEnter 13 like Return); the mouse buttons give the
// button codes 1 (left), 2 (right), 4 (middle), 5 (fourth); 0 for None.
int virtualKeyCode(InputIdentifier id);

// Upper-case name as listed ("0", "A", "NUMPADENTER", "MOUSE0"); "" for None.
std::string_view inputIdentifierName(InputIdentifier id);

// The identifier whose DirectInput scan code is `code`, or None.
InputIdentifier identifierFromDirectInputCode(int code);

// The program's input identifiers, kept by the application (its base class)
// so that every part reads key and button codes from one place.
class InputIdentifiers {
public:
    // The mouse-button identifiers handed to the mouse operations.
    static constexpr InputIdentifier kLeftButton = InputIdentifier::MouseButton0;
    static constexpr InputIdentifier kRightButton = InputIdentifier::MouseButton1;
    static constexpr InputIdentifier kMiddleButton = InputIdentifier::MouseButton2;
    static constexpr InputIdentifier kFourthButton = InputIdentifier::MouseButton3;

    int keyCode(InputIdentifier id) const { return directInputCode(id); }
    int virtualKey(InputIdentifier id) const { return virtualKeyCode(id); }
};
