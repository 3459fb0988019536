#include "platform/input_identifiers.h"

#include <array>

namespace {

struct IdentifierCodes {
    std::string_view name;
    int directInput;
    int virtualKey;
};

// One row per identifier, in enumeration order.
constexpr std::array<IdentifierCodes, kInputIdentifierCount> kCodes = {{
    {"", 0, 0},
    {"0", 0x0B, '0'}, {"1", 0x02, '1'}, {"2", 0x03, '2'}, {"3", 0x04, '3'}, {"4", 0x05, '4'},
    {"5", 0x06, '5'}, {"6", 0x07, '6'}, {"7", 0x08, '7'}, {"8", 0x09, '8'}, {"9", 0x0A, '9'},
    {"A", 0x1E, 'A'},
    {"ADD", 0x4E, 0x6B},
    {"B", 0x30, 'B'},
    {"BACK", 0x0E, 0x08},
    {"BACKSLASH", 0x2B, 0xDC},
    {"C", 0x2E, 'C'},
    {"COMMA", 0x33, 0xBC},
    {"D", 0x20, 'D'},
    {"DECIMAL", 0x53, 0x6E},
    {"DELETE", 0xD3, 0x2E},
    {"DIVIDE", 0xB5, 0x6F},
    {"DOWN", 0xD0, 0x28},
    {"E", 0x12, 'E'},
    {"END", 0xCF, 0x23},
    {"EQUALS", 0x0D, 0xBB},
    {"ESCAPE", 0x01, 0x1B},
    {"F", 0x21, 'F'},
    {"F1", 0x3B, 0x70}, {"F2", 0x3C, 0x71}, {"F3", 0x3D, 0x72}, {"F4", 0x3E, 0x73}, {"F5", 0x3F, 0x74},
    {"F6", 0x40, 0x75}, {"F7", 0x41, 0x76}, {"F8", 0x42, 0x77}, {"F9", 0x43, 0x78}, {"F10", 0x44, 0x79},
    {"F11", 0x57, 0x7A}, {"F12", 0x58, 0x7B},
    {"G", 0x22, 'G'},
    {"GRAVE", 0x29, 0xC0},
    {"H", 0x23, 'H'},
    {"HOME", 0xC7, 0x24},
    {"I", 0x17, 'I'},
    {"INSERT", 0xD2, 0x2D},
    {"J", 0x24, 'J'},
    {"K", 0x25, 'K'},
    {"L", 0x26, 'L'},
    {"LBRACKET", 0x1A, 0xDB},
    {"LCONTROL", 0x1D, 0x11},
    {"LEFT", 0xCB, 0x25},
    {"LMENU", 0x38, 0x12},
    {"LSHIFT", 0x2A, 0x10},
    {"M", 0x32, 'M'},
    {"MINUS", 0x0C, 0xBD},
    {"MULTIPLY", 0x37, 0x6A},
    {"N", 0x31, 'N'},
    {"NEXT", 0xD1, 0x22},
    {"NUMLOCK", 0x45, 0x90},
    {"NUMPAD0", 0x52, 0x60}, {"NUMPAD1", 0x4F, 0x61}, {"NUMPAD2", 0x50, 0x62}, {"NUMPAD3", 0x51, 0x63},
    {"NUMPAD4", 0x4B, 0x64}, {"NUMPAD5", 0x4C, 0x65}, {"NUMPAD6", 0x4D, 0x66}, {"NUMPAD7", 0x47, 0x67},
    {"NUMPAD8", 0x48, 0x68}, {"NUMPAD9", 0x49, 0x69},
    {"NUMPADCOMMA", 0xB3, 0x6C},
    {"NUMPADENTER", 0x9C, 0x0D},
    {"NUMPADEQUALS", 0x8D, 0x92},
    {"O", 0x18, 'O'},
    {"P", 0x19, 'P'},
    {"PERIOD", 0x34, 0xBE},
    {"PRIOR", 0xC9, 0x21},
    {"Q", 0x10, 'Q'},
    {"R", 0x13, 'R'},
    {"RBRACKET", 0x1B, 0xDD},
    {"RCONTROL", 0x9D, 0x11},
    {"RETURN", 0x1C, 0x0D},
    {"RIGHT", 0xCD, 0x27},
    {"RMENU", 0xB8, 0x12},
    {"RSHIFT", 0x36, 0x10},
    {"S", 0x1F, 'S'},
    {"SEMICOLON", 0x27, 0xBA},
    {"SPACE", 0x39, 0x20},
    {"SUBTRACT", 0x4A, 0x6D},
    {"T", 0x14, 'T'},
    {"TAB", 0x0F, 0x09},
    {"U", 0x16, 'U'},
    {"UP", 0xC8, 0x26},
    {"V", 0x2F, 'V'},
    {"W", 0x11, 'W'},
    {"X", 0x2D, 'X'},
    {"Y", 0x15, 'Y'},
    {"Z", 0x2C, 'Z'},
    {"MOUSE0", 0, 0x01},
    {"MOUSE1", 0, 0x02},
    {"MOUSE2", 0, 0x04},
    {"MOUSE3", 0, 0x05},
}};

const IdentifierCodes* rowOf(InputIdentifier id) {
    int index = static_cast<int>(id);
    if (index < 0 || index >= kInputIdentifierCount) return nullptr;
    return &kCodes[static_cast<size_t>(index)];
}

}  // namespace

int directInputCode(InputIdentifier id) {
    const IdentifierCodes* row = rowOf(id);
    return row ? row->directInput : 0;
}

int virtualKeyCode(InputIdentifier id) {
    const IdentifierCodes* row = rowOf(id);
    return row ? row->virtualKey : 0;
}

std::string_view inputIdentifierName(InputIdentifier id) {
    const IdentifierCodes* row = rowOf(id);
    return row ? row->name : std::string_view();
}

InputIdentifier identifierFromDirectInputCode(int code) {
    if (code <= 0) return InputIdentifier::None;
    for (int index = 1; index < kInputIdentifierCount; ++index)
        if (kCodes[static_cast<size_t>(index)].directInput == code) return static_cast<InputIdentifier>(index);
    return InputIdentifier::None;
}
