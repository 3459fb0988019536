// SDL events filled by hand → WindowMessages; no display needed.
#include "platform/sdl_window.h"

#include <gtest/gtest.h>

using platform::MessageKind;
using platform::SdlWindowState;
using platform::SizeKind;
using platform::translateSdlEvent;
using platform::virtualKeyFromSdl;
using platform::WindowMessage;

namespace {

constexpr uint32_t kOurWindow = 7;

SdlWindowState window(int width = 800, int height = 600, bool maximised = false) {
    return SdlWindowState{kOurWindow, width, height, maximised};
}

SDL_Event windowEvent(uint8_t kind, int data1 = 0, int data2 = 0) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = kOurWindow;
    event.window.event = kind;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return event;
}

SDL_Event keyEvent(uint32_t type, SDL_Keycode key, SDL_Scancode scancode) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = kOurWindow;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = scancode;
    return event;
}

SDL_Event buttonEvent(uint32_t type, uint8_t button, int x, int y, uint8_t clicks = 1) {
    SDL_Event event{};
    event.type = type;
    event.button.windowID = kOurWindow;
    event.button.button = button;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = clicks;
    event.button.x = x;
    event.button.y = y;
    return event;
}

SDL_Event wheelEvent(int notches, uint32_t direction = SDL_MOUSEWHEEL_NORMAL) {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = kOurWindow;
    event.wheel.y = notches;
    event.wheel.preciseY = static_cast<float>(notches);
    event.wheel.direction = direction;
    event.wheel.mouseX = 30;
    event.wheel.mouseY = 40;
    return event;
}

WindowMessage translated(const SDL_Event& event, const SdlWindowState& state = window()) {
    std::optional<WindowMessage> message = translateSdlEvent(event, state);
    EXPECT_TRUE(message.has_value()) << "event type " << event.type;
    return message.value_or(WindowMessage{});
}

int keyCode(SDL_Keycode key, SDL_Scancode scancode) { return virtualKeyFromSdl(key, scancode); }

}  // namespace

TEST(EventTranslation, QuitAndCloseAreDistinct) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(translated(quit).kind, MessageKind::Quit);
    EXPECT_EQ(translated(windowEvent(SDL_WINDOWEVENT_CLOSE)).kind, MessageKind::Close);
}

TEST(EventTranslation, SizeChangesReportKindAndClientSize) {
    WindowMessage resized = translated(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 700));
    EXPECT_EQ(resized.kind, MessageKind::Size);
    EXPECT_EQ(resized.sizeKind, SizeKind::Restored);
    EXPECT_EQ(resized.width, 1024);
    EXPECT_EQ(resized.height, 700);

    WindowMessage whileMaximised = translated(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1920, 1080), window(800, 600, true));
    EXPECT_EQ(whileMaximised.sizeKind, SizeKind::Maximised);
    EXPECT_EQ(whileMaximised.width, 1920);

    // Minimised reports no client area, so the program keeps its size.
    WindowMessage minimised = translated(windowEvent(SDL_WINDOWEVENT_MINIMIZED));
    EXPECT_EQ(minimised.kind, MessageKind::Size);
    EXPECT_EQ(minimised.sizeKind, SizeKind::Minimised);
    EXPECT_EQ(minimised.width, 0);
    EXPECT_EQ(minimised.height, 0);

    WindowMessage maximised = translated(windowEvent(SDL_WINDOWEVENT_MAXIMIZED), window(1280, 1024));
    EXPECT_EQ(maximised.sizeKind, SizeKind::Maximised);
    EXPECT_EQ(maximised.width, 1280);
    EXPECT_EQ(maximised.height, 1024);

    WindowMessage restored = translated(windowEvent(SDL_WINDOWEVENT_RESTORED), window(640, 480));
    EXPECT_EQ(restored.sizeKind, SizeKind::Restored);
    EXPECT_EQ(restored.width, 640);
    EXPECT_EQ(restored.height, 480);
}

TEST(EventTranslation, FocusBecomesActivation) {
    WindowMessage gained = translated(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    EXPECT_EQ(gained.kind, MessageKind::ActivateApp);
    EXPECT_TRUE(gained.active);
    WindowMessage lost = translated(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
    EXPECT_EQ(lost.kind, MessageKind::ActivateApp);
    EXPECT_FALSE(lost.active);
}

TEST(EventTranslation, IgnoresEventsThatMeanNothingToTheProgram) {
    EXPECT_FALSE(translateSdlEvent(windowEvent(SDL_WINDOWEVENT_EXPOSED), window()).has_value());
    EXPECT_FALSE(translateSdlEvent(windowEvent(SDL_WINDOWEVENT_RESIZED, 10, 10), window()).has_value());
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    EXPECT_FALSE(translateSdlEvent(text, window()).has_value());
    // The fourth and fifth mouse buttons have no message.
    EXPECT_FALSE(translateSdlEvent(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1, 1, 1), window()).has_value());
    // A purely horizontal scroll.
    EXPECT_FALSE(translateSdlEvent(wheelEvent(0), window()).has_value());
    // A key the program has no code for.
    EXPECT_FALSE(translateSdlEvent(keyEvent(SDL_KEYDOWN, SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP), window()).has_value());
}

TEST(EventTranslation, EventsOfAnotherWindowAreIgnored) {
    SDL_Event close = windowEvent(SDL_WINDOWEVENT_CLOSE);
    close.window.windowID = kOurWindow + 1;
    EXPECT_FALSE(translateSdlEvent(close, window()).has_value());
    SDL_Event key = keyEvent(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A);
    key.key.windowID = kOurWindow + 1;
    EXPECT_FALSE(translateSdlEvent(key, window()).has_value());
    // Without a known window every event counts.
    EXPECT_TRUE(translateSdlEvent(close, SdlWindowState{}).has_value());
}

TEST(EventTranslation, KeysCarryVirtualKeyCodes) {
    WindowMessage down = translated(keyEvent(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A));
    EXPECT_EQ(down.kind, MessageKind::KeyDown);
    EXPECT_EQ(down.key, 65);
    WindowMessage up = translated(keyEvent(SDL_KEYUP, SDLK_DELETE, SDL_SCANCODE_DELETE));
    EXPECT_EQ(up.kind, MessageKind::KeyUp);
    EXPECT_EQ(up.key, 46);
    // Auto-repeat sends further key-downs, as the classic messages did.
    SDL_Event repeat = keyEvent(SDL_KEYDOWN, SDLK_n, SDL_SCANCODE_N);
    repeat.key.repeat = 1;
    EXPECT_EQ(translated(repeat).key, 78);
}

TEST(EventTranslation, KeyTable) {
    EXPECT_EQ(keyCode(SDLK_a, SDL_SCANCODE_A), 65);
    EXPECT_EQ(keyCode(SDLK_z, SDL_SCANCODE_Z), 90);
    EXPECT_EQ(keyCode(SDLK_0, SDL_SCANCODE_0), 48);
    EXPECT_EQ(keyCode(SDLK_1, SDL_SCANCODE_1), 49);
    EXPECT_EQ(keyCode(SDLK_F1, SDL_SCANCODE_F1), 112);
    EXPECT_EQ(keyCode(SDLK_F12, SDL_SCANCODE_F12), 123);
    // Left and right modifiers share one code.
    EXPECT_EQ(keyCode(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT), 16);
    EXPECT_EQ(keyCode(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT), 16);
    EXPECT_EQ(keyCode(SDLK_RCTRL, SDL_SCANCODE_RCTRL), 17);
    EXPECT_EQ(keyCode(SDLK_LALT, SDL_SCANCODE_LALT), 18);
    EXPECT_EQ(keyCode(SDLK_TAB, SDL_SCANCODE_TAB), 9);
    EXPECT_EQ(keyCode(SDLK_SPACE, SDL_SCANCODE_SPACE), 32);
    EXPECT_EQ(keyCode(SDLK_DELETE, SDL_SCANCODE_DELETE), 46);
    EXPECT_EQ(keyCode(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE), 8);
    EXPECT_EQ(keyCode(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER), 13);
    EXPECT_EQ(keyCode(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE), 27);
    EXPECT_EQ(keyCode(SDLK_PAGEUP, SDL_SCANCODE_PAGEUP), 33);
    EXPECT_EQ(keyCode(SDLK_HOME, SDL_SCANCODE_HOME), 36);
    EXPECT_EQ(keyCode(SDLK_LEFT, SDL_SCANCODE_LEFT), 37);
    EXPECT_EQ(keyCode(SDLK_DOWN, SDL_SCANCODE_DOWN), 40);
    EXPECT_EQ(keyCode(SDLK_INSERT, SDL_SCANCODE_INSERT), 45);
    EXPECT_EQ(keyCode(SDLK_KP_0, SDL_SCANCODE_KP_0), 96);
    EXPECT_EQ(keyCode(SDLK_KP_9, SDL_SCANCODE_KP_9), 105);
    EXPECT_EQ(keyCode(SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE), 111);
    // The punctuation keys: the period is 190, never Delete's 46.
    EXPECT_EQ(keyCode(SDLK_PERIOD, SDL_SCANCODE_PERIOD), 190);
    EXPECT_EQ(keyCode(SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON), 186);
    EXPECT_EQ(keyCode(SDLK_BACKQUOTE, SDL_SCANCODE_GRAVE), 192);
    EXPECT_EQ(keyCode(SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE), 222);
}

TEST(EventTranslation, LettersFollowTheLayoutOtherKeysTheirPlace) {
    // German layout: the key right of T types z, so it is Z.
    EXPECT_EQ(keyCode(SDLK_z, SDL_SCANCODE_Y), 90);
    // French layout: the digit row types '&' unshifted; it is still 1.
    EXPECT_EQ(keyCode(SDLK_AMPERSAND, SDL_SCANCODE_1), 49);
    // A letter outside ASCII (German ö on the semicolon key).
    EXPECT_EQ(keyCode(0xF6, SDL_SCANCODE_SEMICOLON), 186);
    // The extra key of ISO keyboards.
    EXPECT_EQ(keyCode(SDLK_LESS, SDL_SCANCODE_NONUSBACKSLASH), 226);
}

TEST(EventTranslation, MouseMotionAndButtonsInClientPixels) {
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = kOurWindow;
    motion.motion.x = 321;
    motion.motion.y = 123;
    WindowMessage moved = translated(motion);
    EXPECT_EQ(moved.kind, MessageKind::MouseMove);
    EXPECT_EQ(moved.x, 321);
    EXPECT_EQ(moved.y, 123);

    struct Case {
        uint32_t type;
        uint8_t button;
        MessageKind expected;
    };
    const Case cases[] = {
        {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, MessageKind::LButtonDown},
        {SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, MessageKind::LButtonUp},
        {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, MessageKind::RButtonDown},
        {SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, MessageKind::RButtonUp},
        {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, MessageKind::MButtonDown},
        {SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, MessageKind::MButtonUp},
    };
    for (const Case& c : cases) {
        WindowMessage message = translated(buttonEvent(c.type, c.button, 17, 29));
        EXPECT_EQ(message.kind, c.expected) << int(c.button) << " " << c.type;
        EXPECT_EQ(message.x, 17);
        EXPECT_EQ(message.y, 29);
    }
}

TEST(EventTranslation, SecondClickOfASeriesIsADoubleClick) {
    EXPECT_EQ(translated(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5, 6, 2)).kind, MessageKind::LButtonDblClk);
    EXPECT_EQ(translated(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 5, 6, 2)).kind, MessageKind::RButtonDblClk);
    EXPECT_EQ(translated(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 5, 6, 2)).kind, MessageKind::MButtonDblClk);
    // The third click starts the next pair, the fourth completes it.
    EXPECT_EQ(translated(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5, 6, 3)).kind, MessageKind::LButtonDown);
    EXPECT_EQ(translated(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5, 6, 4)).kind, MessageKind::LButtonDblClk);
    // The release of a double click is an ordinary release.
    EXPECT_EQ(translated(buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 5, 6, 2)).kind, MessageKind::LButtonUp);
    WindowMessage doubled = translated(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 55, 66, 2));
    EXPECT_EQ(doubled.x, 55);
    EXPECT_EQ(doubled.y, 66);
}

TEST(EventTranslation, WheelNotchesAre120UpPositive) {
    WindowMessage up = translated(wheelEvent(1));
    EXPECT_EQ(up.kind, MessageKind::MouseWheel);
    EXPECT_EQ(up.wheelDelta, 120);
    EXPECT_LT(platform::wheelDeltaWord(up.wheelDelta), 5000u);

    WindowMessage down = translated(wheelEvent(-1));
    EXPECT_EQ(down.wheelDelta, -120);
    EXPECT_EQ(platform::wheelDeltaWord(down.wheelDelta), 65416u);

    EXPECT_EQ(translated(wheelEvent(3)).wheelDelta, 360);
    // "Natural" scrolling reports flipped values; the program sees the hand's direction.
    EXPECT_EQ(translated(wheelEvent(-2, SDL_MOUSEWHEEL_FLIPPED)).wheelDelta, 240);
}

TEST(EventTranslation, DroppedFileKeepsItsNameByteForByte) {
    char name[] = "/home/user/my pictures/it's \"odd\"; name.png";
    SDL_Event drop{};
    drop.type = SDL_DROPFILE;
    drop.drop.windowID = kOurWindow;
    drop.drop.file = name;
    WindowMessage message = translated(drop);
    EXPECT_EQ(message.kind, MessageKind::DropFiles);
    ASSERT_EQ(message.files.size(), 1u);
    EXPECT_EQ(message.files[0], name);

    SDL_Event begin{};
    begin.type = SDL_DROPBEGIN;
    EXPECT_FALSE(translateSdlEvent(begin, window()).has_value());
    SDL_Event empty = drop;
    empty.drop.file = nullptr;
    EXPECT_FALSE(translateSdlEvent(empty, window()).has_value());
}
