#include "platform/raw_input.h"

#include "platform/window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <set>

TEST(RawInput, EveryNamedKeyCanBeReadFromSomeScancode) {
    std::set<int> reachable;
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
        int code = directInputCodeOfScancode(scancode);
        EXPECT_GE(code, 0);
        EXPECT_LT(code, 256);
        if (code != 0) reachable.insert(code);
    }
    for (int index = 1; index < static_cast<int>(InputIdentifier::MouseButton0); ++index) {
        auto id = static_cast<InputIdentifier>(index);
        EXPECT_TRUE(reachable.count(directInputCode(id))) << inputIdentifierName(id);
    }
    EXPECT_EQ(directInputCodeOfScancode(SDL_SCANCODE_A), directInputCode(InputIdentifier::A));
    EXPECT_EQ(directInputCodeOfScancode(SDL_SCANCODE_0), directInputCode(InputIdentifier::Key0));
    EXPECT_EQ(directInputCodeOfScancode(SDL_SCANCODE_KP_ENTER), directInputCode(InputIdentifier::NumpadEnter));
    EXPECT_EQ(directInputCodeOfScancode(SDL_SCANCODE_RALT), directInputCode(InputIdentifier::RMenu));
    EXPECT_EQ(directInputCodeOfScancode(-1), 0);
}

TEST(RawInput, SnapshotsKeepTheStateBeforeForEdges) {
    std::array<uint8_t, SDL_NUM_SCANCODES> pressed{};
    InputState state;
    const int space = directInputCode(InputIdentifier::Space);
    const int up = directInputCode(InputIdentifier::Up);

    pressed[SDL_SCANCODE_SPACE] = 1;
    takeInputSnapshot(state, pressed.data(), SDL_NUM_SCANCODES, kSnapshotLeft, 3, -4, 120);
    EXPECT_EQ(state.keys[static_cast<size_t>(space)], 0x80);
    EXPECT_TRUE(state.isKeyDown(space));
    EXPECT_TRUE(state.wasKeyPressed(space));
    EXPECT_TRUE(state.isDown(InputIdentifier::Space));
    EXPECT_FALSE(state.isDown(InputIdentifier::Up));
    EXPECT_TRUE(state.isButtonDown(0));
    EXPECT_TRUE(state.wasButtonPressed(0));
    EXPECT_TRUE(state.isDown(InputIdentifier::MouseButton0));
    EXPECT_EQ(state.mouseX, 3);
    EXPECT_EQ(state.mouseY, -4);
    EXPECT_EQ(state.mouseWheel, 120);

    // Held: down but no longer newly pressed. Up arrives, movement is replaced.
    pressed[SDL_SCANCODE_UP] = 1;
    takeInputSnapshot(state, pressed.data(), SDL_NUM_SCANCODES, kSnapshotLeft | kSnapshotRight, 0, 1, 0);
    EXPECT_TRUE(state.isKeyDown(space));
    EXPECT_FALSE(state.wasKeyPressed(space));
    EXPECT_TRUE(state.wasKeyPressed(up));
    EXPECT_TRUE(state.isButtonDown(1));
    EXPECT_FALSE(state.wasButtonPressed(0));
    EXPECT_EQ(state.mouseX, 0);
    EXPECT_EQ(state.mouseWheel, 0);

    pressed.fill(0);
    takeInputSnapshot(state, pressed.data(), SDL_NUM_SCANCODES, kSnapshotMiddle | kSnapshotFourth, 0, 0, 0);
    EXPECT_TRUE(state.wasKeyReleased(space));
    EXPECT_TRUE(state.wasButtonReleased(0));
    EXPECT_TRUE(state.isDown(InputIdentifier::MouseButton2));
    EXPECT_TRUE(state.isDown(InputIdentifier::MouseButton3));
    EXPECT_FALSE(state.isDown(InputIdentifier::None));

    // Out-of-range codes are never down and never read outside the arrays.
    EXPECT_FALSE(state.isKeyDown(-1));
    EXPECT_FALSE(state.isKeyDown(256));
    EXPECT_FALSE(state.wasKeyReleased(256));
    EXPECT_FALSE(state.isButtonDown(4));
    EXPECT_FALSE(state.wasButtonReleased(-1));

    state.clear();
    EXPECT_FALSE(state.isDown(InputIdentifier::MouseButton2));
    EXPECT_FALSE(state.wasKeyReleased(space));
}

TEST(RawInput, ShortKeyboardStatesAreReadOnlyAsFarAsTheyGo) {
    std::array<uint8_t, SDL_SCANCODE_A + 1> pressed{};
    pressed[SDL_SCANCODE_A] = 1;
    InputState state;
    takeInputSnapshot(state, pressed.data(), static_cast<int>(pressed.size()), 0, 0, 0, 0);
    EXPECT_TRUE(state.isDown(InputIdentifier::A));
    takeInputSnapshot(state, nullptr, 100, 0, 0, 0, 0);
    EXPECT_FALSE(state.isDown(InputIdentifier::A));
}

TEST(RawInput, NeedsAWindowOnADisplay) {
    platform::HeadlessWindow window;
    ASSERT_TRUE(window.create("Plastora", 0, 0, 320, 200));
    DInput input;
    EXPECT_FALSE(input.init(window));
    EXPECT_FALSE(input.update());
}
