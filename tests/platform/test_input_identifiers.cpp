#include "platform/input_identifiers.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

InputIdentifier at(int index) { return static_cast<InputIdentifier>(index); }

}  // namespace

TEST(InputIdentifiers, ScanCodesOfNamedKeys) {
    EXPECT_EQ(directInputCode(InputIdentifier::Key0), 11);
    EXPECT_EQ(directInputCode(InputIdentifier::Key1), 2);
    EXPECT_EQ(directInputCode(InputIdentifier::A), 30);
    EXPECT_EQ(directInputCode(InputIdentifier::Escape), 1);
    EXPECT_EQ(directInputCode(InputIdentifier::Space), 57);
    EXPECT_EQ(directInputCode(InputIdentifier::NumpadEnter), 156);
    EXPECT_EQ(directInputCode(InputIdentifier::Up), 200);
    EXPECT_EQ(directInputCode(InputIdentifier::Return), 28);
    EXPECT_EQ(directInputCode(InputIdentifier::F10), 68);
    EXPECT_EQ(directInputCode(InputIdentifier::F11), 87);
    EXPECT_EQ(directInputCode(InputIdentifier::Delete), 211);
    EXPECT_EQ(directInputCode(InputIdentifier::RControl), 157);
    EXPECT_EQ(directInputCode(InputIdentifier::None), 0);
    EXPECT_EQ(directInputCode(InputIdentifier::MouseButton0), 0);
}

TEST(InputIdentifiers, EnumerationOrder) {
    const std::vector<std::string> expected = {
        "", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
        "A", "ADD", "B", "BACK", "BACKSLASH", "C", "COMMA", "D", "DECIMAL", "DELETE", "DIVIDE", "DOWN",
        "E", "END", "EQUALS", "ESCAPE", "F", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11",
        "F12", "G", "GRAVE", "H", "HOME", "I", "INSERT", "J", "K", "L", "LBRACKET", "LCONTROL", "LEFT", "LMENU",
        "LSHIFT", "M", "MINUS", "MULTIPLY", "N", "NEXT", "NUMLOCK", "NUMPAD0", "NUMPAD1", "NUMPAD2", "NUMPAD3",
        "NUMPAD4", "NUMPAD5", "NUMPAD6", "NUMPAD7", "NUMPAD8", "NUMPAD9", "NUMPADCOMMA", "NUMPADENTER",
        "NUMPADEQUALS", "O", "P", "PERIOD", "PRIOR", "Q", "R", "RBRACKET", "RCONTROL", "RETURN", "RIGHT", "RMENU",
        "RSHIFT", "S", "SEMICOLON", "SPACE", "SUBTRACT", "T", "TAB", "U", "UP", "V", "W", "X", "Y", "Z",
        "MOUSE0", "MOUSE1", "MOUSE2", "MOUSE3"};
    ASSERT_EQ(kInputIdentifierCount, static_cast<int>(expected.size()));
    for (int index = 0; index < kInputIdentifierCount; ++index)
        EXPECT_EQ(inputIdentifierName(at(index)), expected[static_cast<size_t>(index)]) << index;
    EXPECT_EQ(inputIdentifierName(InputIdentifier::Count), "");
}

TEST(InputIdentifiers, EveryKeyHasItsOwnScanCodeAndTheTableReadsBack) {
    std::set<int> seen;
    for (int index = 1; index < static_cast<int>(InputIdentifier::MouseButton0); ++index) {
        int code = directInputCode(at(index));
        EXPECT_GT(code, 0) << inputIdentifierName(at(index));
        EXPECT_LT(code, 256);
        EXPECT_TRUE(seen.insert(code).second) << "duplicate code " << code;
        EXPECT_EQ(identifierFromDirectInputCode(code), at(index));
    }
    EXPECT_EQ(identifierFromDirectInputCode(0), InputIdentifier::None);
    EXPECT_EQ(identifierFromDirectInputCode(0x3A), InputIdentifier::None);  // caps lock has no name
    EXPECT_EQ(identifierFromDirectInputCode(999), InputIdentifier::None);
}

TEST(InputIdentifiers, VirtualKeysAreThoseOfWindowMessages) {
    // Each one-letter name carries its letter as code.
    for (int index = 1; index < kInputIdentifierCount; ++index) {
        std::string_view name = inputIdentifierName(at(index));
        if (name.size() == 1) {
            EXPECT_EQ(virtualKeyCode(at(index)), name[0]) << name;
        }
    }
    EXPECT_EQ(virtualKeyCode(InputIdentifier::Key0), 48);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::Key9), 57);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::F1), 112);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::F12), 123);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::LShift), 16);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::RShift), 16);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::LControl), 17);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::LMenu), 18);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::Tab), 9);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::Delete), 46);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::NumpadEnter), 13);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::Numpad7), 103);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::Prior), 33);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::Down), 40);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::MouseButton0), 1);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::MouseButton2), 4);
    EXPECT_EQ(virtualKeyCode(InputIdentifier::None), 0);

    InputIdentifiers identifiers;
    EXPECT_EQ(identifiers.keyCode(InputIdentifier::Space), 57);
    EXPECT_EQ(identifiers.virtualKey(InputIdentifier::Space), 32);
    EXPECT_EQ(InputIdentifiers::kLeftButton, InputIdentifier::MouseButton0);
    EXPECT_EQ(InputIdentifiers::kMiddleButton, InputIdentifier::MouseButton2);
}
