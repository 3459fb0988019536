#include "platform/window.h"

#include <gtest/gtest.h>

using platform::HeadlessWindow;
using platform::MessageKind;
using platform::SizeKind;
using platform::WindowMessage;

namespace {

WindowMessage keyDown(int key) {
    WindowMessage message;
    message.kind = MessageKind::KeyDown;
    message.key = key;
    return message;
}

std::vector<WindowMessage> drain(HeadlessWindow& window) {
    std::vector<WindowMessage> messages;
    WindowMessage message;
    while (window.peekMessage(message)) messages.push_back(message);
    return messages;
}

}  // namespace

TEST(HeadlessWindow, PostedMessagesComeBackInOrderThenDestroy) {
    HeadlessWindow window;
    ASSERT_TRUE(window.create("Plastora", 0, 0, 800, 600));
    window.post(keyDown(65));
    WindowMessage drop;
    drop.kind = MessageKind::DropFiles;
    drop.files = {"/a.png", "/b c.qz"};
    window.post(drop);
    window.postDestroy();

    WindowMessage message;
    ASSERT_TRUE(window.waitMessage(message, -1));
    EXPECT_EQ(message.kind, MessageKind::KeyDown);
    EXPECT_EQ(message.key, 65);
    ASSERT_TRUE(window.peekMessage(message));
    EXPECT_EQ(message.files, drop.files);
    ASSERT_TRUE(window.peekMessage(message));
    EXPECT_EQ(message.kind, MessageKind::Destroy);
    EXPECT_FALSE(window.peekMessage(message));
    // Nothing can arrive while waiting: the wait ends at once.
    EXPECT_FALSE(window.waitMessage(message, -1));

    // The queue keeps working after it ran dry.
    window.post(keyDown(66));
    ASSERT_TRUE(window.peekMessage(message));
    EXPECT_EQ(message.key, 66);
}

TEST(HeadlessWindow, CreateRecordsPlaceAndRefusesAnEmptyArea) {
    HeadlessWindow window(1920, 1080);
    EXPECT_FALSE(window.create("Plastora", 0, 0, 0, 600));
    ASSERT_TRUE(window.create("Plastora", 10, 20, 800, 600));
    EXPECT_EQ(window.title, "Plastora");
    EXPECT_EQ(window.x, 10);
    EXPECT_EQ(window.y, 20);
    EXPECT_EQ(window.clientWidth(), 800);
    EXPECT_EQ(window.clientHeight(), 600);
    EXPECT_EQ(window.screenWidth(), 1920);
    EXPECT_EQ(window.screenHeight(), 1080);
    EXPECT_FALSE(window.isReal());

    auto device = window.createDevice(800, 600);
    EXPECT_NE(device, nullptr);
}

TEST(HeadlessWindow, SizeChangesAreReportedLikeARealWindows) {
    HeadlessWindow window(1280, 800);
    ASSERT_TRUE(window.create("Plastora", 0, 0, 640, 480));

    window.move(5, 6, 640, 480);  // same size: only moved
    EXPECT_EQ(window.x, 5);
    EXPECT_TRUE(drain(window).empty());

    window.move(0, 0, 700, 500);
    auto moved = drain(window);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].kind, MessageKind::Size);
    EXPECT_EQ(moved[0].sizeKind, SizeKind::Restored);
    EXPECT_EQ(moved[0].width, 700);
    EXPECT_EQ(moved[0].height, 500);

    window.setCapture(true);
    window.minimise();
    window.minimise();
    auto minimised = drain(window);
    ASSERT_EQ(minimised.size(), 1u);
    EXPECT_EQ(minimised[0].sizeKind, SizeKind::Minimised);
    EXPECT_TRUE(window.minimised_);
    EXPECT_FALSE(window.captured_);
    EXPECT_EQ(window.clientWidth(), 700);

    window.maximise();
    auto maximised = drain(window);
    ASSERT_EQ(maximised.size(), 1u);
    EXPECT_EQ(maximised[0].sizeKind, SizeKind::Maximised);
    EXPECT_EQ(maximised[0].width, 1280);
    EXPECT_EQ(maximised[0].height, 800);
    EXPECT_FALSE(window.minimised_);
    EXPECT_EQ(window.x, 0);
    EXPECT_EQ(window.y, 0);
    EXPECT_EQ(window.clientWidth(), 1280);
}

TEST(HeadlessWindow, RecordsCursorWarpAndAddresses) {
    HeadlessWindow window;
    window.showSystemCursor(false);
    EXPECT_FALSE(window.isSystemCursorShown());
    window.showSystemCursor(true);
    EXPECT_TRUE(window.isSystemCursorShown());
    window.warpMouse(12, 34);
    EXPECT_EQ(window.warpX, 12);
    EXPECT_EQ(window.warpY, 34);

    EXPECT_TRUE(window.openUrl("http://www.example.com/updatev1_02.html"));
    EXPECT_TRUE(window.openUrl("HTTPS://example.com/a?b=c"));
    // Only web addresses reach the browser.
    EXPECT_FALSE(window.openUrl("file:///etc/passwd"));
    EXPECT_FALSE(window.openUrl("/usr/bin/xterm"));
    EXPECT_FALSE(window.openUrl("http://"));
    EXPECT_FALSE(window.openUrl("http://example.com/ --new-window"));
    EXPECT_EQ(window.openedUrls.size(), 2u);

    uint64_t first = window.milliseconds();
    EXPECT_GE(window.milliseconds(), first);
}
