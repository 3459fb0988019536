// The update commands of both modes' Info menu, run headless: the interactive
// check against a loopback server, going to the homepage, the messages shown
// when nothing is configured, and the start-up switch with its console line,
// check marks and the value written to "config.xml" at shut-down.
#include "app/shell/application_main.h"
#include "app/shell/mode_threed.h"
#include "app/shell/mode_twod.h"
#include "app/shell/run_application.h"
#include "core/logger.h"
#include "platform/scripted_dialogs.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using testsupport::TempDir;

// Serves one HTTP connection on 127.0.0.1 (ephemeral port) with a fixed
// response, then closes it. Every wait is bounded.
class OneShotServer {
public:
    explicit OneShotServer(std::string response) : response_(std::move(response)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 4) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ADD_FAILURE() << "test server could not listen";
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~OneShotServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listener_ >= 0) ::close(listener_);
    }

    int port() const { return port_; }
    std::string request() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return request_;
    }

private:
    bool waitReadable(int socket, Clock::time_point end) const {
        while (!stop_ && Clock::now() < end) {
            pollfd entry{socket, POLLIN, 0};
            if (::poll(&entry, 1, 20) > 0) return true;
        }
        return false;
    }

    void serve() {
        if (!waitReadable(listener_, Clock::now() + 10s)) return;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) return;
        std::string received;
        char chunk[512];
        const auto end = Clock::now() + 3s;
        while (received.find("\r\n\r\n") == std::string::npos && waitReadable(client, end)) {
            const ssize_t count = ::recv(client, chunk, sizeof chunk, 0);
            if (count <= 0) break;
            received.append(chunk, static_cast<size_t>(count));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            request_ = received;
        }
        size_t sent = 0;
        while (sent < response_.size()) {
            const ssize_t count = ::send(client, response_.data() + sent, response_.size() - sent, MSG_NOSIGNAL);
            if (count <= 0) break;
            sent += static_cast<size_t>(count);
        }
        ::close(client);
    }

    std::string response_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::string request_;
};

std::string page(const std::string& body) {
    const std::string html = "<html><head><title>update</title></head>" + body + "</html>";
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(html.size()) +
           "\r\nConnection: close\r\n\r\n" + html;
}

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
    OneShotServer server(page("<body>Yes, version 1.03</body>"));
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
