// Logger. The logger is a process-wide singleton: every test opens
// it afresh in its own temporary folder and sets the enabled flag itself, so
// the tests do not depend on their order. The state before the first open is
// checked in a re-executed child process (death-test machinery).
#include "core/logger.h"

#include "core/file_io.h"
#include "core/string.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

using testsupport::TempDir;

namespace {

// "hh:mm:ss" at the start of `line`.
bool startsWithTime(const std::string& line) {
    if (line.size() < 8) return false;
    for (int i = 0; i < 8; ++i) {
        char c = line[static_cast<size_t>(i)];
        if (i == 2 || i == 5 ? c != ':' : (c < '0' || c > '9')) return false;
    }
    return true;
}

// "Logfile created on " + asctime (24 characters and a line break, such as
// "Fri Jun  7 09:05:03 2024") + "(-Info #Error)\n" + "\n".
bool isHeader(const std::string& text) {
    const std::string lead = "Logfile created on ";
    const std::string tail = "\n(-Info #Error)\n\n";
    if (text.size() != lead.size() + 24 + tail.size()) return false;
    if (text.compare(0, lead.size(), lead) != 0 || text.compare(lead.size() + 24, tail.size(), tail) != 0) return false;
    std::string stamp = text.substr(lead.size(), 24);
    return stamp[3] == ' ' && stamp[7] == ' ' && stamp[10] == ' ' && startsWithTime(stamp.substr(11)) &&
           stamp[19] == ' ' && stamp.find('\n') == std::string::npos;
}

// A log line: the time, then exactly `rest`.
bool isLine(const std::string& line, const std::string& rest) { return startsWithTime(line) && line.substr(8) == rest; }

// Opens the singleton in `dir`, enabled, with the initial indent.
Logger& freshLogger(const TempDir& dir) {
    Logger& log = Logger::instance();
    log.enable();
    EXPECT_TRUE(log.openIn(String(dir.path().c_str())));
    return log;
}

std::string logText(const TempDir& dir) { return testsupport::readText(dir.file("log.log")); }

// The lines after the header.
std::vector<std::string> bodyLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type pos = text.find("\n\n");
    if (pos == std::string::npos) return lines;
    pos += 2;
    while (pos < text.size()) {
        std::string::size_type end = text.find('\n', pos);
        if (end == std::string::npos) {
            lines.push_back(text.substr(pos) + "<no line break>");
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

}  // namespace

TEST(Logger, InstanceIsOneObject) { EXPECT_EQ(&Logger::instance(), &Logger::instance()); }

TEST(Logger, OpenWritesOnlyTheHeader) {
    TempDir dir;
    Logger& log = freshLogger(dir);
    EXPECT_TRUE(log.isOpen());
    EXPECT_TRUE(log.path().equals((dir.path() + "/log.log").c_str()));
    std::string text = logText(dir);
    EXPECT_TRUE(isHeader(text)) << text;
}

TEST(Logger, OpenInAcceptsTrailingSlash) {
    TempDir dir;
    Logger& log = Logger::instance();
    log.enable();
    ASSERT_TRUE(log.openIn(String((dir.path() + "/").c_str())));
    EXPECT_TRUE(log.path().equals((dir.path() + "/log.log").c_str()));
    EXPECT_TRUE(testsupport::fileExists(dir.file("log.log")));
}

TEST(Logger, InfoLineFormat) {
    TempDir dir;
    Logger& log = freshLogger(dir);
    EXPECT_TRUE(log.info(String("Register Window")));
    std::vector<std::string> lines = bodyLines(logText(dir));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(isLine(lines[0], "  - Register Window")) << lines[0];
}

TEST(Logger, ErrorLineFormats) {
    TempDir dir;
    Logger& log = freshLogger(dir);
    EXPECT_TRUE(log.error(String("Device lost")));
    EXPECT_TRUE(log.error(String("DxRenderer::init"), String("CreateDevice failed")));
    std::vector<std::string> lines = bodyLines(logText(dir));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(isLine(lines[0], "  # Device lost")) << lines[0];
    EXPECT_TRUE(isLine(lines[1], "  # in DxRenderer::init CreateDevice failed")) << lines[1];
}

TEST(Logger, TimeIsTheLocalClock) {
    TempDir dir;
    Logger& log = freshLogger(dir);
    std::time_t before = std::time(nullptr);
    log.info(String("now"));
    std::time_t after = std::time(nullptr);
    std::vector<std::string> lines = bodyLines(logText(dir));
    ASSERT_EQ(lines.size(), 1u);
    auto stamp = [](std::time_t t) {
        std::tm local{};
        localtime_r(&t, &local);
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
        return std::string(text);
    };
    std::string written = lines[0].substr(0, 8);
    EXPECT_TRUE(written == stamp(before) || written == stamp(after)) << written;
}

TEST(Logger, IndentAndUnindent) {
    TempDir dir;
    Logger& log = freshLogger(dir);
    log.info(String("a"));
    log.indent();
    log.info(String("b"));
    log.indent();
    log.error(String("c"));
    log.unindent();
    log.info(String("d"));
    log.unindent();
    log.unindent();
    log.unindent();
    log.info(String("e"));
    std::vector<std::string> lines = bodyLines(logText(dir));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(isLine(lines[0], "  - a")) << lines[0];
    EXPECT_TRUE(isLine(lines[1], "      - b")) << lines[1];
    EXPECT_TRUE(isLine(lines[2], "          # c")) << lines[2];
    EXPECT_TRUE(isLine(lines[3], "      - d")) << lines[3];
    EXPECT_TRUE(isLine(lines[4], "  - e")) << lines[4];
}

TEST(Logger, UnindentThreeTimesAfterOneIndentLeavesTwoSpaces) {
    TempDir dir;
    Logger& log = freshLogger(dir);
    log.indent();
    log.unindent();
    log.unindent();
    log.unindent();
    log.info(String("x"));
    std::vector<std::string> lines = bodyLines(logText(dir));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(isLine(lines[0], "  - x")) << lines[0];
}

TEST(Logger, DisabledWritesNothingAndReportsSuccess) {
    TempDir dir;
    Logger& log = freshLogger(dir);
    std::string header = logText(dir);
    log.disable();
    EXPECT_FALSE(log.isEnabled());
    EXPECT_TRUE(log.info(String("hidden")));
    EXPECT_TRUE(log.error(String("hidden")));
    EXPECT_TRUE(log.error(String("where"), String("hidden")));
    EXPECT_EQ(logText(dir), header);
    log.enable();
    EXPECT_TRUE(log.info(String("shown")));
    std::vector<std::string> lines = bodyLines(logText(dir));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(isLine(lines[0], "  - shown")) << lines[0];
}

TEST(Logger, IndentHasNoEffectWhileDisabled) {
    TempDir dir;
    Logger& log = freshLogger(dir);
    log.disable();
    log.indent();
    log.indent();
    log.enable();
    log.info(String("flat"));
    log.indent();
    log.disable();
    log.unindent();
    log.enable();
    log.info(String("deeper"));
    std::vector<std::string> lines = bodyLines(logText(dir));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(isLine(lines[0], "  - flat")) << lines[0];
    EXPECT_TRUE(isLine(lines[1], "      - deeper")) << lines[1];
}

TEST(Logger, SecondOpenTruncatesAndStartsAgain) {
    TempDir dir;
    Logger& log = freshLogger(dir);
    log.indent();
    log.info(String("first run"));
    ASSERT_EQ(bodyLines(logText(dir)).size(), 1u);
    ASSERT_TRUE(log.openIn(String(dir.path().c_str())));
    std::string text = logText(dir);
    EXPECT_TRUE(isHeader(text)) << text;
    log.info(String("second run"));
    std::vector<std::string> lines = bodyLines(logText(dir));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(isLine(lines[0], "  - second run")) << lines[0];  // the indent starts again at two
}

TEST(Logger, LinesFollowTheLatestOpen) {
    TempDir first, second;
    Logger& log = freshLogger(first);
    log.info(String("one"));
    ASSERT_TRUE(log.openIn(String(second.path().c_str())));
    log.info(String("two"));
    ASSERT_EQ(bodyLines(logText(first)).size(), 1u);
    std::vector<std::string> lines = bodyLines(logText(second));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(isLine(lines[0], "  - two")) << lines[0];
}

TEST(Logger, EveryLineIsAppendedToTheFile) {
    // The file is opened and closed for every line: what was written is on
    // disk at once, and a line appended by someone else stays in place.
    TempDir dir;
    Logger& log = freshLogger(dir);
    log.info(String("one"));
    String path = log.path();
    ASSERT_TRUE(appendFile(path, "foreign\n", 8));
    log.info(String("two"));
    std::vector<std::string> lines = bodyLines(logText(dir));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "foreign");
    EXPECT_TRUE(isLine(lines[2], "  - two")) << lines[2];
}

TEST(Logger, WriteFailureReturnsFalse) {
    TempDir dir;
    Logger& log = Logger::instance();
    log.enable();
    EXPECT_FALSE(log.openIn(String(dir.file("missing/folder").c_str())));
    EXPECT_TRUE(log.isOpen());
    EXPECT_FALSE(log.info(String("nowhere")));
    EXPECT_FALSE(log.error(String("nowhere")));
    EXPECT_FALSE(log.error(String("a"), String("b")));
    log.disable();
    EXPECT_TRUE(log.info(String("off")));
    log.enable();
}

TEST(Logger, StringLengthErrorIsLogged) {
    TempDir dir;
    freshLogger(dir);
    String bad(-3, "abc");
    String null(2, nullptr);
    EXPECT_EQ(bad.length(), 0);
    EXPECT_EQ(null.length(), 0);
    std::vector<std::string> lines = bodyLines(logText(dir));
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines)
        EXPECT_TRUE(isLine(line, "  # in Error in String::String(int, const char*) Length < 0 || pText == null")) << line;
}

TEST(Logger, TextIsWrittenByteForByte) {
    TempDir dir;
    Logger& log = freshLogger(dir);
    const char text[] = {'a', '\t', '\xe4', 'b', 0};
    log.info(String(text));
    std::vector<std::string> lines = bodyLines(logText(dir));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(isLine(lines[0], std::string("  - ") + text)) << lines[0];
}

// A logger that was never opened writes nothing, whatever it is asked. The
// singleton is checked in a freshly started copy of this test program (the
// "threadsafe" death-test style re-executes the binary for this test alone).
namespace {

int neverOpenedChecks(const std::string& dir) {
    if (chdir(dir.c_str()) != 0) return 10;
    Logger& log = Logger::instance();
    if (log.isOpen()) return 11;
    if (!log.isEnabled()) return 12;
    if (log.path().length() != 0) return 13;
    log.indent();
    if (!log.info(String("x")) || !log.error(String("y")) || !log.error(String("w"), String("z"))) return 14;
    String bad(-1, "q");  // its error line goes nowhere
    if (testsupport::fileExists(dir + "/log.log")) return 15;
    // Opening now starts with the initial indent: the indent above was ignored.
    if (!log.openIn(String(dir.c_str()))) return 16;
    log.info(String("after"));
    std::string text = testsupport::readText(dir + "/log.log");
    if (text.find("  - after\n") == std::string::npos || text.find("      - after") != std::string::npos) return 17;
    return 0;
}

int neverOpenedChild() {
    TempDir dir;  // made and removed inside the child process
    int code = neverOpenedChecks(dir.path());
    if (chdir("/") != 0) code = 18;
    return code;
}

}  // namespace

TEST(LoggerDeathTest, NeverOpenedWritesNothing) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(neverOpenedChild()), testing::ExitedWithCode(0), "");
}

// --- whole-file operations ---------------------------------------------------

TEST(FileIo, WriteReadAppend) {
    TempDir dir;
    String path(dir.file("a.txt").c_str());
    ASSERT_TRUE(writeFile(path, "line\n", 5));
    ASSERT_TRUE(appendFile(path, "more\r\n", 6));
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(readFile(path, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "line\nmore\r\n");  // no CR inserted
    ASSERT_TRUE(writeFile(path, "x", 1));
    ASSERT_TRUE(readFile(path, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "x");
}

TEST(FileIo, AppendCreatesAMissingFile) {
    TempDir dir;
    String path(dir.file("new.txt").c_str());
    ASSERT_TRUE(appendFile(path, "abc", 3));
    EXPECT_EQ(testsupport::readText(dir.file("new.txt")), "abc");
}

TEST(FileIo, WriteRefusesNullOrEmpty) {
    TempDir dir;
    String path(dir.file("n.txt").c_str());
    EXPECT_FALSE(writeFile(path, nullptr, 3));
    EXPECT_FALSE(writeFile(path, "abc", 0));
    EXPECT_FALSE(appendFile(path, "abc", -1));
    EXPECT_FALSE(testsupport::fileExists(dir.file("n.txt")));
}

TEST(FileIo, ReadFailures) {
    TempDir dir;
    std::vector<unsigned char> bytes{1, 2, 3};
    EXPECT_FALSE(readFile(String(dir.file("missing").c_str()), bytes));
    EXPECT_TRUE(bytes.empty());
    bytes = {1};
    EXPECT_FALSE(readFile(String(dir.path().c_str()), bytes));  // a folder
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(writeFile(String(dir.file("no/such/dir.txt").c_str()), "a", 1));
}

TEST(FileIo, ReadEmptyFile) {
    TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("empty"), ""));
    std::vector<unsigned char> bytes{9};
    EXPECT_TRUE(readFile(String(dir.file("empty").c_str()), bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(FileIo, ReplaceFileReplacesAndLeavesNoTemporary) {
    TempDir dir;
    String path(dir.file("config.xml").c_str());
    ASSERT_TRUE(testsupport::writeText(dir.file("config.xml"), "old content that is longer"));
    ASSERT_TRUE(replaceFile(path, "new", 3));
    EXPECT_EQ(testsupport::readText(dir.file("config.xml")), "new");
    ASSERT_TRUE(replaceFile(path, nullptr, 0));
    EXPECT_TRUE(testsupport::fileExists(dir.file("config.xml")));
    EXPECT_EQ(testsupport::readText(dir.file("config.xml")), "");
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(FileIo, ReplaceFileKeepsPermissions) {
    TempDir dir;
    std::string file = dir.file("p.txt");
    ASSERT_TRUE(testsupport::writeText(file, "a"));
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    ASSERT_TRUE(replaceFile(String(file.c_str()), "b", 1));
    auto perms = std::filesystem::status(file).permissions();
    EXPECT_EQ(perms, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                         std::filesystem::perms::group_read);
}

TEST(FileIo, ReplaceFileFailureLeavesOldFile) {
    TempDir dir;
    // The target is a non-empty folder: rename fails, the temporary goes.
    std::string target = dir.file("busy");
    std::filesystem::create_directory(target);
    ASSERT_TRUE(testsupport::writeText(target + "/inner", "keep"));
    EXPECT_FALSE(replaceFile(String(target.c_str()), "x", 1));
    EXPECT_EQ(testsupport::readText(target + "/inner"), "keep");
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
    EXPECT_FALSE(replaceFile(String(dir.file("no/such/file").c_str()), "x", 1));
    EXPECT_FALSE(replaceFile(String(dir.file("f").c_str()), nullptr, 1));
    EXPECT_FALSE(replaceFile(String(dir.file("f").c_str()), "x", -1));
}

TEST(FileIo, ExecutableDirectory) {
    String directory = executableDirectory();
    ASSERT_GT(directory.length(), 0);
    EXPECT_EQ(directory.text()[directory.length() - 1], '/');
    std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(directory.str(), exe.substr(0, exe.rfind('/') + 1));
}
