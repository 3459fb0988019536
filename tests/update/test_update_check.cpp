// The update check against a real HTTP server on the loopback address: the
// answer rule, the request on the wire, the interactive outcome, the
// background result in temp.txt, cancelling at exit and the start-up sequence.
#include "support/loopback_http_server.h"
#include "support/test_support.h"

#include "platform/scripted_dialogs.h"
#include "update/check_for_update.h"
#include "update/update_host.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using namespace std::string_literals;

using TestServer = testsupport::LoopbackHttpServer;
using Behaviour = TestServer::Behaviour;
using testsupport::htmlPage;

// A loopback port on which nothing listens: connecting is refused.
int closedPort() {
    int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(probe);
    return ntohs(address.sin_port);
}

UpdateServer loopback(int port) {
    UpdateServer server;
    server.address = "127.0.0.1";
    server.port = port;
    server.host = "updates.plastora.test";
    server.homepage = "http://www.plastora.test/";
    return server;
}

const UpdateTimeouts kQuick{2000, 2000};

// Records what the update check asks of the application.
class HostRecorder : public UpdateHost {
public:
    void clearHelpState() override { calls.push_back("clear help"); }
    void beginWait(const String& statusText) override { calls.push_back("wait " + statusText.str()); }
    void endWait() override { calls.push_back("ready"); }
    void clearKeyTable() override { calls.push_back("clear keys"); }
    void releaseCapture() override { calls.push_back("release capture"); }
    void minimiseWindow() override { calls.push_back("minimise"); }
    bool openUrl(const String& address) override {
        calls.push_back("open " + address.str());
        return true;
    }

    std::vector<std::string> calls;
};

const std::vector<std::string> kHomepageCalls = {"release capture", "minimise", "open http://www.plastora.test/"};

struct Outcome {
    const char* caption;
    const char* text;
    MessageButtons buttons;
    MessageIcon icon;
};

const Outcome kAvailable{"Update available!",
                         "A new update for Plastora is available! Do you want to go to the homepage of\n"
                         "Plastora to update to the new version?",
                         MessageButtons::YesNo, MessageIcon::Warning};
const Outcome kNoUpdate{"No update available", "There is currently no update available. Please check again later.",
                        MessageButtons::Ok, MessageIcon::Information};
const Outcome kUnrecognised{"Connection error", "Some error occured while parsing the response of the server.",
                            MessageButtons::Ok, MessageIcon::Error};
const Outcome kNoConnection{"No connection to internet?",
                            "Plastora is not able to connect to the internet. Please make sure you have access to "
                            "the internet.",
                            MessageButtons::Ok, MessageIcon::Error};

void expectSingleBox(const ScriptedDialogs& dialogs, const Outcome& expected) {
    ASSERT_EQ(dialogs.calls().size(), 1u);
    const DialogCall& call = dialogs.calls()[0];
    EXPECT_EQ(call.caption.str(), expected.caption);
    EXPECT_EQ(call.text.str(), expected.text);
    EXPECT_EQ(call.buttons, expected.buttons);
    EXPECT_EQ(call.icon, expected.icon);
    EXPECT_TRUE(call.cursorVisible);
    EXPECT_FALSE(dialogs.cursorVisible());
}

struct ServerCase {
    const char* name;
    std::string response;
    Behaviour behaviour;
    const Outcome* outcome;
};

std::vector<ServerCase> serverCases() {
    return {
        {"Yes", htmlPage("<body>Yes, version 1.03</body>"), Behaviour::Answer, &kAvailable},
        {"No update", htmlPage("<body>No update</body>"), Behaviour::Answer, &kNoUpdate},
        {"Nope", htmlPage("<body>Nope</body>"), Behaviour::Answer, &kNoUpdate},
        {"lower-case yes", htmlPage("<body>yes, version 1.03</body>"), Behaviour::Answer, &kUnrecognised},
        {"too short after the tag", "HTTP/1.1 200 OK\r\n\r\n<body>Yes", Behaviour::Answer, &kUnrecognised},
        {"no body", htmlPage("<p>Yes</p>"), Behaviour::Answer, &kUnrecognised},
        {"zero byte before the body", "HTTP/1.1 200 OK\r\n\r\n\0<body>Yes</body>"s,
         Behaviour::Answer, &kUnrecognised},
        {"closed at once", "", Behaviour::CloseAtOnce, &kUnrecognised},
    };
}

}  // namespace

TEST(UpdateAnswerRule, RecognisesYesAndNoDirectlyAfterTheFirstBodyTag) {
    struct Case {
        const char* text;
        UpdateAnswer answer;
    };
    const Case cases[] = {
        {"<body>Yes!", UpdateAnswer::Available},
        {"<body>Yes", UpdateAnswer::Unrecognised},  // p + 10 beyond the text
        {"xx<body>Yes\n", UpdateAnswer::Available},
        {"<body>No u", UpdateAnswer::NoUpdate},
        {"<body>Nope", UpdateAnswer::NoUpdate},
        {"<body>No", UpdateAnswer::Unrecognised},
        {"<body>yes!", UpdateAnswer::Unrecognised},
        {"<body>NO update", UpdateAnswer::Unrecognised},
        {"<body> Yes!", UpdateAnswer::Unrecognised},
        {"<BODY>Yes!", UpdateAnswer::Unrecognised},
        {"<body>Hmm <body>Yes!", UpdateAnswer::Unrecognised},  // only the first tag counts
        {"Yes No", UpdateAnswer::Unrecognised},
        {"", UpdateAnswer::Unrecognised},
    };
    for (const Case& c : cases) EXPECT_EQ(answerOf(String(c.text)), c.answer) << c.text;
}

TEST(UpdateRequest, IsSentExactlyOnTheWire) {
    EXPECT_EQ(updateRequest(String("example.test")).str(),
              "GET /updatev1_02.html HTTP/1.1\r\nHost: example.test\r\nConnection: close\r\n\r\n");

    TestServer server(htmlPage("<body>No update</body>"));
    UpdateResponse response = askUpdateServer(loopback(server.port()), kQuick);
    EXPECT_TRUE(response.connected);
    EXPECT_EQ(response.answer, UpdateAnswer::NoUpdate);
    EXPECT_EQ(response.text.str(), htmlPage("<body>No update</body>"));
    EXPECT_EQ(server.request(),
              "GET /updatev1_02.html HTTP/1.1\r\nHost: updates.plastora.test\r\nConnection: close\r\n\r\n");
}

TEST(UpdateRequest, UnusableServerSettingsMakeNoConnection) {
    TestServer server(htmlPage("<body>Yes</body>"));
    UpdateServer name = loopback(server.port());
    name.address = "localhost";
    UpdateServer port = loopback(0);
    UpdateServer injected = loopback(server.port());
    injected.host = "a\r\nX-Injected: 1";
    for (const UpdateServer& settings : {name, port, injected})
        EXPECT_FALSE(askUpdateServer(settings, kQuick).connected) << settings.address.str();
    EXPECT_EQ(server.connections(), 0);
}

TEST(InteractiveCheck, ReportsEachServerAnswerInOneMessageBox) {
    for (const ServerCase& c : serverCases()) {
        SCOPED_TRACE(c.name);
        TestServer server(c.response, c.behaviour);
        ScriptedDialogs dialogs;
        dialogs.answerMessage(c.outcome->buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok);
        HostRecorder host;
        checkForUpdateInteractively(loopback(server.port()), dialogs, dialogs, host, kQuick);
        expectSingleBox(dialogs, *c.outcome);
        EXPECT_EQ(dialogs.unexpectedCount(), 0);
        // Declining the offer opens nothing.
        EXPECT_EQ(host.calls,
                  (std::vector<std::string>{"clear help", "wait Checking For Update", "ready", "clear keys"}));
    }
}

TEST(InteractiveCheck, AcceptingTheUpdateGoesToTheHomepage) {
    TestServer server(htmlPage("<body>Yes</body>"));
    ScriptedDialogs dialogs;
    dialogs.answerMessage(MessageAnswer::Yes);
    HostRecorder host;
    checkForUpdateInteractively(loopback(server.port()), dialogs, dialogs, host, kQuick);
    expectSingleBox(dialogs, kAvailable);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"clear help", "wait Checking For Update", "release capture",
                                                    "minimise", "open http://www.plastora.test/", "ready",
                                                    "clear keys"}));
}

TEST(InteractiveCheck, NoServerOrASilentOneEndsInBoundedTime) {
    {
        ScriptedDialogs dialogs;
        HostRecorder host;
        checkForUpdateInteractively(loopback(closedPort()), dialogs, dialogs, host, kQuick);
        expectSingleBox(dialogs, kNoConnection);
    }
    {
        TestServer server("", Behaviour::NeverAnswer);
        ScriptedDialogs dialogs;
        HostRecorder host;
        auto started = Clock::now();
        checkForUpdateInteractively(loopback(server.port()), dialogs, dialogs, host, UpdateTimeouts{2000, 300});
        EXPECT_LT(Clock::now() - started, 5s);
        expectSingleBox(dialogs, kUnrecognised);
    }
}

TEST(GoToHomepage, ReleasesCaptureMinimisesAndOpensTheAddress) {
    HostRecorder host;
    goToHomepage(String("http://www.plastora.test/"), host);
    EXPECT_EQ(host.calls, kHomepageCalls);
}

TEST(BackgroundCheck, WritesOneIntoTheAnswerFileOnlyForAnAvailableUpdate) {
    for (const ServerCase& c : serverCases()) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        ASSERT_TRUE(testsupport::writeText(dir.file("temp.txt"), "0"));
        TestServer server(c.response, c.behaviour);
        CheckForUpdate check(String(dir.file("temp.txt").c_str()), loopback(server.port()), kQuick);
        ASSERT_TRUE(check.start());
        check.join();
        EXPECT_FALSE(check.isRunning());
        EXPECT_EQ(testsupport::readText(dir.file("temp.txt")), c.outcome == &kAvailable ? "1" : "0");
    }
}

TEST(BackgroundCheck, DestroyingARunningCheckCancelsItPromptly) {
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("temp.txt"), "0"));
    TestServer server("", Behaviour::NeverAnswer);
    auto check = std::make_unique<CheckForUpdate>(String(dir.file("temp.txt").c_str()), loopback(server.port()),
                                                  UpdateTimeouts{60000, 60000});
    ASSERT_TRUE(check->start());
    ASSERT_TRUE(server.waitForRequest());
    EXPECT_TRUE(check->isRunning());
    auto started = Clock::now();
    check.reset();
    EXPECT_LT(Clock::now() - started, 1s);
    EXPECT_EQ(testsupport::readText(dir.file("temp.txt")), "0");

    // Destroyed before its thread got anywhere.
    auto early = std::make_unique<CheckForUpdate>(String(dir.file("temp.txt").c_str()), loopback(closedPort()));
    ASSERT_TRUE(early->start());
    early.reset();
}

TEST(BackgroundCheck, ResponsesFillingTheBufferAreReadWithinIt) {
    // 9999 bytes fit one receive with room for the terminator.
    std::string exact = "<body>Yes</body>";
    exact.resize(kUpdateBufferSize - 1, 'x');
    TestServer fits(exact);
    UpdateResponse response = askUpdateServer(loopback(fits.port()), kQuick);
    EXPECT_EQ(response.text.length(), kUpdateBufferSize - 1);
    EXPECT_EQ(response.answer, UpdateAnswer::Available);

    // Longer responses: the second receive starts again at the buffer's start,
    // and its bytes are the text.
    for (size_t size : {static_cast<size_t>(kUpdateBufferSize), static_cast<size_t>(3 * kUpdateBufferSize)}) {
        std::string big = "<body>Yes</body>";
        big.resize(size, 'x');
        TestServer server(big);
        UpdateResponse answer = askUpdateServer(loopback(server.port()), kQuick);
        EXPECT_TRUE(answer.connected);
        EXPECT_GT(answer.text.length(), 0);
        EXPECT_LT(answer.text.length(), kUpdateBufferSize);
        EXPECT_EQ(answer.text.view().find_first_not_of('x'), std::string_view::npos);
        EXPECT_EQ(answer.answer, UpdateAnswer::Unrecognised);
    }
}

TEST(StartupCheck, AnUpdateFoundLastRunIsOfferedOnceAndNoCheckRuns) {
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("temp.txt"), "1"));
    TestServer server(htmlPage("<body>Yes</body>"));
    ScriptedDialogs dialogs;
    dialogs.answerMessage(MessageAnswer::Yes);
    HostRecorder host;
    auto check = checkForUpdateAtStartup(true, String(dir.path().c_str()), loopback(server.port()), dialogs,
                                         dialogs, host, kQuick);
    EXPECT_EQ(check, nullptr);
    EXPECT_EQ(testsupport::readText(dir.file("temp.txt")), "0");
    expectSingleBox(dialogs, kAvailable);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"release capture", "minimise", "open http://www.plastora.test/",
                                                    "clear keys"}));
    EXPECT_EQ(server.connections(), 0);
}

TEST(StartupCheck, SettingOffLeavesEverythingAlone) {
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("temp.txt"), "1"));
    ScriptedDialogs dialogs;
    HostRecorder host;
    EXPECT_EQ(checkForUpdateAtStartup(false, String(dir.path().c_str()), loopback(closedPort()), dialogs, dialogs,
                                      host, kQuick),
              nullptr);
    EXPECT_EQ(testsupport::readText(dir.file("temp.txt")), "1");
    EXPECT_TRUE(dialogs.calls().empty());
    EXPECT_TRUE(host.calls.empty());
}

TEST(StartupCheck, BackgroundResultCarriesOverToTheNextStart) {
    testsupport::TempDir dir;
    String directory((dir.path() + "/").c_str());
    {
        // First run: no answer file yet.
        TestServer server(htmlPage("<body>Yes</body>"));
        ScriptedDialogs dialogs;
        HostRecorder host;
        auto check = checkForUpdateAtStartup(true, directory, loopback(server.port()), dialogs, dialogs, host, kQuick);
        ASSERT_NE(check, nullptr);
        check->join();
        EXPECT_EQ(testsupport::readText(dir.file("temp.txt")), "1");
        EXPECT_TRUE(dialogs.calls().empty());
        EXPECT_TRUE(host.calls.empty());
    }
    {
        // Second run: the update is offered, declined, and forgotten.
        ScriptedDialogs dialogs;
        dialogs.answerMessage(MessageAnswer::No);
        HostRecorder host;
        EXPECT_EQ(checkForUpdateAtStartup(true, directory, loopback(closedPort()), dialogs, dialogs, host, kQuick),
                  nullptr);
        expectSingleBox(dialogs, kAvailable);
        EXPECT_EQ(host.calls, std::vector<std::string>{"clear keys"});
        EXPECT_EQ(testsupport::readText(dir.file("temp.txt")), "0");
    }
}

TEST(StartupCheck, GarbledAnswerFileCountsAsNothingToReport) {
    for (const char* content : {"", "yes", "2", "true", " \n", "x1"}) {
        SCOPED_TRACE(content);
        testsupport::TempDir dir;
        ASSERT_TRUE(testsupport::writeText(dir.file("temp.txt"), content));
        TestServer server(htmlPage("<body>No update</body>"));
        ScriptedDialogs dialogs;
        HostRecorder host;
        auto check = checkForUpdateAtStartup(true, String(dir.path().c_str()), loopback(server.port()), dialogs,
                                             dialogs, host, kQuick);
        ASSERT_NE(check, nullptr);
        check->join();
        EXPECT_TRUE(dialogs.calls().empty());
        EXPECT_EQ(testsupport::readText(dir.file("temp.txt")), "0");
    }
    EXPECT_FALSE(answerFileSaysUpdate(String("/nonexistent/plastora/temp.txt")));
}

TEST(StartupCheck, AnswerFileIsReadAsABooleanValue) {
    testsupport::TempDir dir;
    for (const char* content : {"1", "1\n", " 1", "01"}) {
        ASSERT_TRUE(testsupport::writeText(dir.file("temp.txt"), content));
        EXPECT_TRUE(answerFileSaysUpdate(String(dir.file("temp.txt").c_str()))) << content;
    }
    EXPECT_EQ(answerFilePath(String("/opt/plastora/")).str(), "/opt/plastora/temp.txt");
    EXPECT_EQ(answerFilePath(String("/opt/plastora")).str(), "/opt/plastora/temp.txt");
}
