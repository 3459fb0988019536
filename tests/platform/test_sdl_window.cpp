// A real window on the display (skipped without one): events pushed into
// SDL come back as WindowMessages, the window operations reach SDL.
#include "platform/raw_input.h"
#include "platform/sdl_window.h"

#include <gtest/gtest.h>

#include <cstdlib>

using platform::MessageKind;
using platform::WindowMessage;

// Under the leak checker: what the desktop's libraries keep for the life of
// the process (the D-Bus session SDL opens, the OpenGL driver) is theirs, not
// ours. Full stacks are needed to tell them apart, as those libraries are
// built without frame pointers.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\nleak:libGLX_mesa.so\n"; }
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace {

class SdlWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
        window_ = platform::createSdlWindow();
        if (!window_) GTEST_SKIP() << "SDL video cannot start here";
        ASSERT_TRUE(window_->create("Plastora", 10, 10, 320, 240));
        sdl_ = platform::sdlWindowOf(*window_);
        ASSERT_NE(sdl_, nullptr);
        drain();
    }

    // Everything the desktop sent so far (mapping, focus, ...).
    std::vector<WindowMessage> drain() {
        std::vector<WindowMessage> messages;
        WindowMessage message;
        while (window_->peekMessage(message)) messages.push_back(message);
        return messages;
    }

    void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

    std::unique_ptr<platform::Window> window_;
    SDL_Window* sdl_ = nullptr;
};

}  // namespace

TEST_F(SdlWindowTest, PushedEventsComeBackAsMessagesInOrder) {
    uint32_t id = SDL_GetWindowID(sdl_);

    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.windowID = id;
    key.key.keysym.sym = SDLK_a;
    key.key.keysym.scancode = SDL_SCANCODE_A;
    push(key);

    SDL_Event click{};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.windowID = id;
    click.button.button = SDL_BUTTON_LEFT;
    click.button.clicks = 2;
    click.button.x = 40;
    click.button.y = 50;
    push(click);

    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.windowID = id;
    wheel.wheel.y = -1;
    push(wheel);

    SDL_Event drop{};
    drop.type = SDL_DROPFILE;
    drop.drop.windowID = id;
    drop.drop.file = SDL_strdup("/tmp/two words; 'quoted'.png");  // freed by the window
    push(drop);

    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = id;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    push(close);

    window_->postDestroy();

    std::vector<WindowMessage> received = drain();
    std::vector<WindowMessage> ours;
    for (const WindowMessage& message : received)
        if (message.kind != MessageKind::MouseMove && message.kind != MessageKind::ActivateApp &&
            message.kind != MessageKind::Size)
            ours.push_back(message);
    ASSERT_EQ(ours.size(), 6u);
    // A message the program posted itself is taken before the desktop's.
    EXPECT_EQ(ours[0].kind, MessageKind::Destroy);
    EXPECT_EQ(ours[1].kind, MessageKind::KeyDown);
    EXPECT_EQ(ours[1].key, 65);
    EXPECT_EQ(ours[2].kind, MessageKind::LButtonDblClk);
    EXPECT_EQ(ours[2].x, 40);
    EXPECT_EQ(ours[2].y, 50);
    EXPECT_EQ(ours[3].kind, MessageKind::MouseWheel);
    EXPECT_EQ(ours[3].wheelDelta, -120);
    EXPECT_EQ(ours[4].kind, MessageKind::DropFiles);
    ASSERT_EQ(ours[4].files.size(), 1u);
    EXPECT_EQ(ours[4].files[0], "/tmp/two words; 'quoted'.png");
    EXPECT_EQ(ours[5].kind, MessageKind::Close);
}

TEST_F(SdlWindowTest, WaitingEndsWithTheNextMessageOrTheTimeout) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);
    WindowMessage message;
    bool gotQuit = false;
    // Stray desktop events may come first.
    for (int tries = 0; tries < 20 && !gotQuit; ++tries)
        if (window_->waitMessage(message, 500)) gotQuit = message.kind == MessageKind::Quit;
    EXPECT_TRUE(gotQuit);

    drain();
    uint64_t before = window_->milliseconds();
    while (window_->waitMessage(message, 30)) {
    }
    EXPECT_GE(window_->milliseconds() - before, 30u);
}

TEST_F(SdlWindowTest, WindowOperations) {
    EXPECT_FALSE(window_->isSystemCursorShown());
    window_->showSystemCursor(true);
    EXPECT_TRUE(window_->isSystemCursorShown());
    window_->showSystemCursor(false);
    EXPECT_FALSE(window_->isSystemCursorShown());

    EXPECT_TRUE(window_->isReal());
    EXPECT_GT(window_->screenWidth(), 0);
    EXPECT_GT(window_->screenHeight(), 0);
    EXPECT_EQ(window_->clientWidth(), 320);
    EXPECT_EQ(window_->clientHeight(), 240);

    window_->move(0, 0, 400, 300);
    EXPECT_EQ(window_->clientWidth(), 400);
    EXPECT_EQ(window_->clientHeight(), 300);
    window_->maximise();
    EXPECT_EQ(window_->clientWidth(), window_->screenWidth());
    EXPECT_EQ(window_->clientHeight(), window_->screenHeight());

    window_->warpMouse(10, 10);
    window_->setCapture(true);
    window_->setCapture(false);
    EXPECT_FALSE(window_->openUrl("file:///etc/passwd"));
    EXPECT_NE(platform::desktopWindowIdOf(*window_), 0u);
}

TEST_F(SdlWindowTest, MakesAnOpenGlDevice) {
    auto device = window_->createDevice(320, 240);
    ASSERT_NE(device, nullptr);
    device.reset();  // before the window and its context go
}

TEST_F(SdlWindowTest, RawInputFollowsTheWindowsEvents) {
    DInput input;
    ASSERT_TRUE(input.init(*window_));
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.windowID = SDL_GetWindowID(sdl_);
    wheel.wheel.y = 2;
    push(wheel);
    ASSERT_TRUE(input.update());
    EXPECT_EQ(input.state().mouseWheel, 240);
    ASSERT_TRUE(input.update());
    EXPECT_EQ(input.state().mouseWheel, 0);
    input.clearMouseMovement();
    EXPECT_EQ(input.state().mouseX, 0);
}
