// The logger is a process-wide singleton: every test opens it afresh in its own
// temporary folder and sets the enabled flag itself.
#include "core/logger.h"

#include "core/file_io.h"
#include "core/string.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
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

TEST(Logger, OpenWritesOnlyTheHeader) {
    TempDir dir;
    Logger& log = freshLogger(dir);
    EXPECT_TRUE(log.isOpen());
    EXPECT_TRUE(log.path().equals((dir.path() + "/log.log").c_str()));
    std::string text = logText(dir);
    EXPECT_TRUE(isHeader(text)) << text;
    TempDir other;
    ASSERT_TRUE(log.openIn(String((other.path() + "/").c_str())));
    EXPECT_TRUE(log.path().equals((other.path() + "/log.log").c_str()));
}

TEST(Logger, LineFormats) {
    TempDir dir;
    Logger& log = freshLogger(dir);
    EXPECT_TRUE(log.info(String("Register Window")));
    EXPECT_TRUE(log.error(String("Device lost")));
    EXPECT_TRUE(log.error(String("DxRenderer::init"), String("CreateDevice failed")));
    std::vector<std::string> lines = bodyLines(logText(dir));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(isLine(lines[0], "  - Register Window")) << lines[0];
    EXPECT_TRUE(isLine(lines[1], "  # Device lost")) << lines[1];
    EXPECT_TRUE(isLine(lines[2], "  # in DxRenderer::init CreateDevice failed")) << lines[2];
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

TEST(Logger, EveryLineIsAppendedToTheFile) {
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

// A never-opened logger is checked in a re-executed child ("threadsafe" style).
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
    ASSERT_TRUE(appendFile(String(dir.file("new.txt").c_str()), "abc", 3));  // creates a missing file
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
    ASSERT_TRUE(testsupport::writeText(dir.file("empty"), ""));
    bytes = {9};
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
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator{}), 1);
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
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator{}), 1);
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
