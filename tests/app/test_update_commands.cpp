// The update commands of both modes' Info menu, run headless: the interactive
// check against a loopback server, going to the homepage, the messages shown
// when nothing is configured, and the start-up switch with its console line,
// check marks and the value written to "config.xml" at shut-down.
#include "app/shell/application_main.h"
#include "transform/three_d.h"
#include "twod/two_d.h"
#include "app/shell/run_application.h"
#include "core/logger.h"
#include "platform/scripted_dialogs.h"
#include "support/loopback_http_server.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using testsupport::TempDir;

// A configuration with the start-up check off (no connection at start-up)
// and the given server and homepage.
std::string config(const std::string& server, int port, const std::string& homepage) {
    return "<config>\n"
           "    <screenwidth>640</screenwidth>\n"
           "    <screenheight>480</screenheight>\n"
           "    <logging>0</logging>\n"
           "    <checkforupdateatstartup>0</checkforupdateatstartup>\n"
           "    <updateserver>" + server + "</updateserver>\n"
           "    <updateport>" + std::to_string(port) + "</updateport>\n"
           "    <updatehost>plastora.test</updatehost>\n"
           "    <homepage>" + homepage + "</homepage>\n"
           "</config>\n";
}

constexpr const char* kHomepage = "http://plastora.test/";

class UpdateCommandsTest : public ::testing::Test {
protected:
    void start(const std::string& configText) {
        ASSERT_TRUE(testsupport::writeText(dir.file("config.xml"), configText));
        app = startApplication(window, String(dir.path().c_str()), dialogs, dialogs);
        ASSERT_TRUE(app->isInitialised());
        app->threeD()->statusBar().setReady(true);
    }
    void TearDown() override {
        app.reset();
        Logger::instance().disable();
    }

    // Every mode in turn, for the commands common to both.
    void inEachMode(const std::function<void(int)>& check) {
        for (int mode : {kModeTwoD, kModeThreeD}) {
            SCOPED_TRACE(mode);
            app->setCurrentMode(mode);
            check(mode);
        }
    }

    TempDir dir;
    platform::HeadlessWindow window{1280, 800};
    ScriptedDialogs dialogs;
    std::unique_ptr<ApplicationMain> app;
};

TEST_F(UpdateCommandsTest, WithoutAServerOrHomepageTheUserIsToldAndNothingIsOpened) {
    start(config("", 80, ""));
    for (int box = 0; box < 4; ++box) dialogs.answerMessage(MessageAnswer::Ok);
    inEachMode([&](int) {
        const size_t before = dialogs.calls().size();
        app->onMenuCommand(String("Check For Update..."));
        app->onMenuCommand(String("Go To Homepage..."));
        ASSERT_EQ(dialogs.calls().size(), before + 2);
        const DialogCall& noServer = dialogs.calls()[before];
        EXPECT_TRUE(noServer.caption.equals("No update server"));
        EXPECT_EQ(noServer.buttons, MessageButtons::Ok);
        EXPECT_TRUE(noServer.cursorVisible);
        EXPECT_TRUE(dialogs.calls()[before + 1].caption.equals("No homepage"));
        EXPECT_FALSE(dialogs.cursorVisible());
        EXPECT_TRUE(window.openedUrls.empty());
        EXPECT_FALSE(window.minimised_);
        EXPECT_TRUE(app->activeMode()->statusBar().isReady());
    });
    EXPECT_EQ(dialogs.unexpectedCount(), 0);
}

TEST_F(UpdateCommandsTest, InteractiveCheckOffersTheUpdateAndGoesToTheHomepage) {
    testsupport::LoopbackHttpServer server(testsupport::htmlPage("<body>Yes, version 1.03</body>"));
    start(config("127.0.0.1", server.port(), kHomepage));
    app->setCurrentMode(kModeThreeD);
    window.setCapture(true);
    dialogs.answerMessage(MessageAnswer::Yes);

    testing::internal::CaptureStdout();
    app->onMenuCommand(String("Check For Update..."));
    const std::string printed = testing::internal::GetCapturedStdout();

    EXPECT_NE(server.request().find("GET /updatev1_02.html HTTP/1.1\r\nHost: plastora.test\r\n"), std::string::npos);
    EXPECT_NE(printed.find("<body>Yes"), std::string::npos);
    ASSERT_EQ(dialogs.calls().size(), 1u);
    EXPECT_TRUE(dialogs.calls()[0].caption.equals("Update available!"));
    EXPECT_TRUE(dialogs.calls()[0].cursorVisible);
    EXPECT_EQ(window.openedUrls, (std::vector<std::string>{kHomepage}));
    EXPECT_FALSE(window.captured_);
    EXPECT_TRUE(window.minimised_);
    // The busy state is over: the mode is ready and shows the arrow.
    EXPECT_TRUE(app->threeD()->statusBar().isReady());
    EXPECT_EQ(app->cursorKind(), kCursorArrow);
    EXPECT_FALSE(dialogs.cursorVisible());
}

TEST_F(UpdateCommandsTest, GoToHomepageOpensTheConfiguredAddressInBothModes) {
    start(config("", 80, kHomepage));
    inEachMode([&](int mode) {
        window.setCapture(true);
        window.minimised_ = false;
        app->onMenuCommand(String("Go To Homepage..."));
        EXPECT_EQ(window.openedUrls.size(), static_cast<size_t>(mode));
        EXPECT_EQ(window.openedUrls.back(), kHomepage);
        EXPECT_FALSE(window.captured_);
        EXPECT_TRUE(window.minimised_);
    });
    EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(UpdateCommandsTest, StartupSwitchPrintsSetsBothCheckMarksAndIsStoredAtShutDown) {
    start(config("", 80, ""));
    EXPECT_FALSE(app->settings().checkforupdateatstartup);

    testing::internal::CaptureStdout();
    app->setCurrentMode(kModeThreeD);
    app->onMenuCommand(String("Check For Update At Startup checked"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "check for update at startup checked\n");
    EXPECT_TRUE(app->settings().checkforupdateatstartup);
    EXPECT_EQ(app->twoD()->itemChecked("Info", "Check For Update At Startup"), 1);
    EXPECT_EQ(app->threeD()->itemChecked("Info", "Check For Update At Startup"), 1);

    testing::internal::CaptureStdout();
    app->setCurrentMode(kModeTwoD);
    app->onMenuCommand(String("Check For Update At Startup unchecked"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Check for update at startup unchecked\n");
    EXPECT_FALSE(app->settings().checkforupdateatstartup);
    EXPECT_EQ(app->twoD()->itemChecked("Info", "Check For Update At Startup"), 0);
    EXPECT_EQ(app->threeD()->itemChecked("Info", "Check For Update At Startup"), 0);

    // Only the exact texts are commands.
    app->onMenuCommand(String("check for update at startup checked"));
    app->onMenuCommand(String("Check For Update At Startup"));
    EXPECT_FALSE(app->settings().checkforupdateatstartup);

    app->onMenuCommand(String("Check For Update At Startup checked"));
    app->shutDown();
    const std::string written = testsupport::readText(dir.file("config.xml"));
    EXPECT_NE(written.find("<checkforupdateatstartup>1</checkforupdateatstartup>"), std::string::npos) << written;
    EXPECT_TRUE(dialogs.calls().empty());
}

}  // namespace
