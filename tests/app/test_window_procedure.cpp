// The window procedure and the message loop of the base application: which
// operation each message reaches, with which arguments, and how a pass of
// the loop reads messages, draws frames and rides out a lost device.
#include "app/shell/application.h"
#include "app/shell/window_procedure.h"
#include "core/logger.h"
#include "render/camera.h"
#include "render/renderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::MessageKind;
using platform::SizeKind;
using platform::WindowMessage;

std::string buttonName(InputIdentifier button) {
    if (button == Application::kLeftButton) return "left";
    if (button == Application::kRightButton) return "right";
    if (button == Application::kMiddleButton) return "middle";
    return "?";
}

std::string position(float x, float y) {
    return std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y));
}

// Writes every operation it receives into `calls`.
class RecordingApplication : public Application {
public:
    RecordingApplication(platform::Window& window, int width, int height)
        : Application(window, width, height, String("/tmp/")) {}

    std::vector<std::string> calls;
    int frames = 0;
    int exits = 0;
    int lostHooks = 0;
    int resetHooks = 0;

    void frame() override { ++frames; }
    void exitApplication() override { ++exits; }
    void onDeviceLost() override { ++lostHooks; }
    void onDeviceReset() override { ++resetHooks; }
    void onKeyDown(int key) override { calls.push_back("keyDown " + std::to_string(key)); }
    void onKeyUp(int key) override { calls.push_back("keyUp " + std::to_string(key)); }
    void onMouseDown(InputIdentifier b, float x, float y) override {
        calls.push_back("down " + buttonName(b) + " " + position(x, y));
    }
    void onMouseUp(InputIdentifier b, float x, float y) override {
        calls.push_back("up " + buttonName(b) + " " + position(x, y));
    }
    void onMouseDoubleClick(InputIdentifier b, float x, float y) override {
        calls.push_back("double " + buttonName(b) + " " + position(x, y));
    }
    void onMouseMove(float x, float y) override { calls.push_back("move " + position(x, y)); }
    void onMiddleDown() override { calls.push_back("middleDown"); }
    void onMiddleUp() override { calls.push_back("middleUp"); }
    void onMouseWheel(int step) override { calls.push_back("wheel " + std::to_string(step)); }
    void onRestore() override { calls.push_back("restore"); }
    void onDropFile(const String& path) override { calls.push_back("drop " + path.str()); }
    void onActivate() override { calls.push_back("activate"); }
    void onDeactivate() override { calls.push_back("deactivate"); }
};

WindowMessage message(MessageKind kind, int x = 0, int y = 0) {
    WindowMessage m;
    m.kind = kind;
    m.x = x;
    m.y = y;
    return m;
}

WindowMessage keyMessage(MessageKind kind, int key) {
    WindowMessage m = message(kind);
    m.key = key;
    return m;
}

WindowMessage sizeMessage(SizeKind kind, int width, int height) {
    WindowMessage m = message(MessageKind::Size);
    m.sizeKind = kind;
    m.width = width;
    m.height = height;
    return m;
}

WindowMessage wheelMessage(int delta) {
    WindowMessage m = message(MessageKind::MouseWheel);
    m.wheelDelta = delta;
    return m;
}

class WindowProcedureTest : public ::testing::Test {
protected:
    platform::HeadlessWindow window{1280, 800};
    RecordingApplication app{window, 800, 600};

    std::vector<std::string> send(const WindowMessage& m) {
        app.calls.clear();
        windowProcedure(app, m);
        return app.calls;
    }
};

using Calls = std::vector<std::string>;

TEST_F(WindowProcedureTest, KeysReachKeyOperationsWithTheirCodes) {
    EXPECT_EQ(send(keyMessage(MessageKind::KeyDown, 65)), Calls{"keyDown 65"});
    EXPECT_EQ(send(keyMessage(MessageKind::KeyUp, 18)), Calls{"keyUp 18"});
}

TEST_F(WindowProcedureTest, ButtonsReachTheirOperationsInWindowPixels) {
    app.setWindowSize(400, 300);  // buttons are not scaled here, only moves
    EXPECT_EQ(send(message(MessageKind::LButtonDown, 10, 20)), Calls{"down left 10,20"});
    EXPECT_EQ(send(message(MessageKind::LButtonUp, 11, 21)), Calls{"up left 11,21"});
    EXPECT_EQ(send(message(MessageKind::LButtonDblClk, 12, 22)), Calls{"double left 12,22"});
    EXPECT_EQ(send(message(MessageKind::RButtonDown, 13, 23)), Calls{"down right 13,23"});
    EXPECT_EQ(send(message(MessageKind::RButtonUp, 14, 24)), Calls{"up right 14,24"});
    EXPECT_EQ(send(message(MessageKind::RButtonDblClk, 15, 25)), Calls{"double right 15,25"});
    EXPECT_EQ(send(message(MessageKind::MButtonDown, 16, 26)), Calls{"middleDown"});
    EXPECT_EQ(send(message(MessageKind::MButtonUp, 17, 27)), Calls{"middleUp"});
    EXPECT_EQ(send(message(MessageKind::MButtonDblClk, 18, 28)), Calls{"double middle 18,28"});
}

TEST_F(WindowProcedureTest, MouseMoveIsScaledToBackBufferPixels) {
    EXPECT_EQ(send(message(MessageKind::MouseMove, 100, 150)), Calls{"move 100,150"});
    app.setWindowSize(400, 300);  // half the back buffer
    EXPECT_EQ(send(message(MessageKind::MouseMove, 100, 150)), Calls{"move 200,300"});
}

TEST_F(WindowProcedureTest, WheelStepFollowsTheUnsignedDeltaWord) {
    EXPECT_EQ(send(wheelMessage(120)), Calls{"wheel 1"});
    EXPECT_EQ(send(wheelMessage(-120)), Calls{"wheel -1"});  // word 65416
    EXPECT_EQ(wheelStep(4999), 1);
    EXPECT_EQ(wheelStep(5000), -1);
    EXPECT_EQ(wheelStep(0), 1);
}

TEST_F(WindowProcedureTest, DroppedFilesArriveOneByOneInOrder) {
    WindowMessage drop = message(MessageKind::DropFiles);
    drop.files = {"/a/one.png", "/b/two.qz", "/c/three.jpg"};
    EXPECT_EQ(send(drop), (Calls{"drop /a/one.png", "drop /b/two.qz", "drop /c/three.jpg"}));
}

TEST_F(WindowProcedureTest, CloseAndDestroyStopTheLoopAndQuitIsLeftAlone) {
    app.setRunning(true);
    EXPECT_EQ(windowProcedure(app, message(MessageKind::Close)), MessageResult::Handled);
    EXPECT_FALSE(app.isRunning());
    app.setRunning(true);
    windowProcedure(app, message(MessageKind::Destroy));
    EXPECT_FALSE(app.isRunning());
    app.setRunning(true);
    EXPECT_EQ(windowProcedure(app, message(MessageKind::Quit)), MessageResult::Default);
    EXPECT_TRUE(app.isRunning());
    EXPECT_TRUE(app.calls.empty());
}

TEST_F(WindowProcedureTest, SizeRestoresMinimisesAndKeepsTheWindowOnTheScreen) {
    window.setCapture(true);
    EXPECT_EQ(send(sizeMessage(SizeKind::Minimised, 0, 0)), Calls{});
    EXPECT_TRUE(app.isMinimised());
    EXPECT_FALSE(window.captured_);
    EXPECT_EQ(app.windowWidth(), 800);  // a 0 × 0 size is not taken

    EXPECT_EQ(send(sizeMessage(SizeKind::Restored, 2000, 700)), Calls{"restore"});
    EXPECT_EQ(app.windowWidth(), 1280);  // clamped to the screen
    EXPECT_EQ(app.windowHeight(), 700);
    EXPECT_EQ(app.backBufferWidth(), 800);  // the back buffer keeps its size

    EXPECT_EQ(send(sizeMessage(SizeKind::Maximised, 1280, 800)), Calls{});
    EXPECT_EQ(app.windowHeight(), 800);
}

TEST_F(WindowProcedureTest, ActivationCallsTheOperationAndSetsTheActiveFlag) {
    WindowMessage activation = message(MessageKind::ActivateApp);
    activation.active = false;
    EXPECT_EQ(send(activation), Calls{"deactivate"});
    EXPECT_FALSE(app.isActive());
    activation.active = true;
    EXPECT_EQ(send(activation), Calls{"activate"});
    EXPECT_TRUE(app.isActive());
}

// --- the message loop ---------------------------------------------------------------------

class MessageLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        Logger::instance().disable();
        ASSERT_TRUE(app.init());
        DxRenderer::instance().setResetSleep([](std::chrono::milliseconds) {});
    }
    void TearDown() override { Logger::instance().enable(); }

    platform::HeadlessWindow window{1280, 800};
    RecordingApplication app{window, 320, 240};
};

TEST_F(MessageLoopTest, InitCreatesWindowRendererAndCamera) {
    EXPECT_TRUE(app.isInitialised());
    EXPECT_EQ(window.title, "Plastora");
    EXPECT_EQ(window.clientWidth(), 320);
    EXPECT_FALSE(window.isSystemCursorShown());
    EXPECT_TRUE(window.captured_);
    EXPECT_EQ(applicationWindow(), &window);
    EXPECT_EQ(theApplication(), &app);
    ASSERT_NE(app.camera(), nullptr);
    EXPECT_FLOAT_EQ(app.camera()->nearDistance(), 10.0f);
    EXPECT_FLOAT_EQ(app.camera()->farDistance(), 250000.0f);
    EXPECT_FLOAT_EQ(app.camera()->openingAngle(), 67.0f);
    ASSERT_NE(app.renderer(), nullptr);
    EXPECT_EQ(app.renderer()->camera(), app.camera());
    EXPECT_EQ(app.renderer()->width(), 320);
}

TEST_F(MessageLoopTest, APassDispatchesWaitingMessagesThenDrawsAFrame) {
    window.post(keyMessage(MessageKind::KeyDown, 65));
    window.post(keyMessage(MessageKind::KeyUp, 65));
    EXPECT_TRUE(app.runPass());
    EXPECT_EQ(app.calls, (Calls{"keyDown 65", "keyUp 65"}));
    EXPECT_EQ(app.frames, 1);
    EXPECT_TRUE(app.runPass());  // no input: still a frame
    EXPECT_EQ(app.frames, 2);
}

TEST_F(MessageLoopTest, CloseEndsTheLoopAfterTheCurrentPass) {
    window.post(message(MessageKind::Close));
    window.post(keyMessage(MessageKind::KeyDown, 66));
    EXPECT_FALSE(app.runPass());
    EXPECT_EQ(app.frames, 1);
    EXPECT_EQ(app.calls, Calls{"keyDown 66"});
}

TEST_F(MessageLoopTest, QuitWhileWaitingEndsAtOnceAndWhileDrainingOnlyStopsTheBatch) {
    window.post(keyMessage(MessageKind::KeyDown, 67));
    window.post(message(MessageKind::Quit));
    window.post(keyMessage(MessageKind::KeyDown, 68));
    EXPECT_TRUE(app.runPass());
    EXPECT_EQ(app.calls, Calls{"keyDown 67"});
    EXPECT_TRUE(app.runPass());  // the rest comes in the next pass
    EXPECT_EQ(app.calls, (Calls{"keyDown 67", "keyDown 68"}));

    const int frames = app.frames;
    window.post(message(MessageKind::Quit));
    EXPECT_FALSE(app.runPass());
    EXPECT_EQ(app.frames, frames);
}

TEST_F(MessageLoopTest, ALostDeviceReadsNoMessagesAndRedrawsOnceItIsBack) {
    app.runPass();
    app.device()->simulateLoss(2);  // two failed resets, then success
    window.post(keyMessage(MessageKind::KeyDown, 70));

    EXPECT_TRUE(app.runPass());
    EXPECT_TRUE(app.isDeviceLost());
    EXPECT_TRUE(app.runPass());
    EXPECT_TRUE(app.calls.empty());
    EXPECT_EQ(app.lostHooks, 1);
    EXPECT_EQ(app.resetHooks, 0);

    EXPECT_TRUE(app.runPass());  // the third attempt succeeds
    EXPECT_FALSE(app.isDeviceLost());
    EXPECT_EQ(app.resetHooks, 1);
    EXPECT_TRUE(app.calls.empty());
    EXPECT_EQ(app.frames, 4);

    EXPECT_TRUE(app.runPass());  // messages again, no further resets
    EXPECT_EQ(app.calls, Calls{"keyDown 70"});
    EXPECT_EQ(app.resetHooks, 1);
    EXPECT_EQ(app.frames, 5);
}

TEST_F(MessageLoopTest, RunEndsWithTheShutDownSequenceOnce) {
    window.post(message(MessageKind::Destroy));
    app.run();
    EXPECT_EQ(app.exits, 1);
    EXPECT_FALSE(window.captured_);
    EXPECT_EQ(app.camera(), nullptr);
    EXPECT_EQ(app.textureManager(), nullptr);
    app.shutDown();
    EXPECT_EQ(app.exits, 1);
}

TEST(MessageLoop, FailedInitRunsNoLoop) {
    Logger::instance().disable();
    platform::HeadlessWindow window;
    RecordingApplication app(window, 0, 0);  // no window can be made
    EXPECT_FALSE(app.init());
    EXPECT_EQ(app.renderer(), nullptr);
    app.run();
    EXPECT_EQ(app.frames, 0);
    EXPECT_EQ(app.exits, 0);
    Logger::instance().enable();
}

}  // namespace
