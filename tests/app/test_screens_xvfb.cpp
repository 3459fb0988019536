// The built program run with a script: the splash, the idle shell and the
// caption overlay on the real window (needs a display; scripts/test starts
// Xvfb), compared with the baselines in tests/baselines/, and the exit code
// of a bad script.
//
// The program runs from a private folder (a link to the executable, the art
// linked in, config.xml with a fixed window size), so that its config.xml
// rewrite at exit touches nothing shared. Screenshots stay in
// screenshots/ of the test's working folder for inspection.
#include "support/screenshot_compare.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

constexpr int kWidth = 800;
constexpr int kHeight = 600;

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        if (c == '\'') result += "'\\''";
        else result += c;
    }
    return result + "'";
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// A folder the program can run from: its executable (hard link, or a copy
// across file systems), the art folders linked, and config.xml from the
// source tree with a fixed window size and no update check.
bool makeAppFolder(const std::string& folder, std::string& executable) {
    const fs::path built = fs::path(testsupport::appDir()) / "plastora";
    if (!fs::exists(built)) return false;
    executable = (fs::path(folder) / "plastora").string();
    std::error_code error;
    fs::create_hard_link(built, executable, error);
    if (error && !fs::copy_file(built, executable, error)) return false;
    for (const char* art : {"data", "datav1_01"}) {
        const fs::path source = fs::path(testsupport::appDir()) / art;
        if (fs::exists(source)) fs::create_directory_symlink(fs::absolute(source), fs::path(folder) / art, error);
    }
    std::string config = testsupport::readText(testsupport::sourceDir() + "/data/config.xml");
    if (config.empty()) return false;
    config = replaced(config, "<screenwidth>-1</screenwidth>", "<screenwidth>" + std::to_string(kWidth) + "</screenwidth>");
    config = replaced(config, "<screenheight>-1</screenheight>",
                      "<screenheight>" + std::to_string(kHeight) + "</screenheight>");
    config = replaced(config, "<checkforupdateatstartup>1</checkforupdateatstartup>",
                      "<checkforupdateatstartup>0</checkforupdateatstartup>");
    return testsupport::writeText(folder + "/config.xml", config);
}

// Runs the program with the script text; returns its exit code and leaves
// what it printed in `printed`.
int runProgram(const std::string& executable, const std::string& folder, const std::string& script,
               const std::string& options, std::string& printed) {
    const std::string scriptPath = folder + "/script.txt";
    const std::string outputPath = folder + "/output.txt";
    if (!testsupport::writeText(scriptPath, script)) return -1;
    std::string environment = "LIBGL_ALWAYS_SOFTWARE=1 ";
    // D-Bus and fontconfig keep allocations until exit; a sanitized build
    // must not count them as the program's leaks.
    if (std::getenv("LSAN_OPTIONS") == nullptr) {
        environment += "LSAN_OPTIONS=" + quoted("suppressions=" + testsupport::sourceDir() + "/tests/lsan.supp") + " ";
    }
    // Mesa's software driver leaks a little on the first draw and is unloaded
    // before the leak report, so no suppression can name it: a sanitized
    // build checks leaks of the program's own code in the headless runs.
    if (options.find("--headless") == std::string::npos) {
        const char* asan = std::getenv("ASAN_OPTIONS");
        environment += "ASAN_OPTIONS=" + quoted(std::string(asan != nullptr ? asan : "") + ":detect_leaks=0") + " ";
    }
    const std::string command = environment + "timeout 120 " + quoted(executable) + " --script " + quoted(scriptPath) +
                                " " + options + " >" + quoted(outputPath) + " 2>&1";
    const int status = std::system(command.c_str());
    printed = testsupport::readText(outputPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

RgbaImage readPicture(const std::string& path) {
    RgbaImage image;
    String error;
    EXPECT_TRUE(decodeImageFile(String(path.c_str()), image, error)) << error.text();
    return image;
}

// Pixels of the rows [top, bottom) whose channels are all at least (or, with
// `dark`, all at most) `level`.
int countPixels(const RgbaImage& image, int top, int bottom, int level, bool dark) {
    int count = 0;
    for (int y = top; y < bottom && y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const unsigned char* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
            const bool hit = dark ? (p[0] <= level && p[1] <= level && p[2] <= level)
                                  : (p[0] >= level && p[1] >= level && p[2] >= level);
            if (hit) ++count;
        }
    }
    return count;
}

class ProgramScreens : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(makeAppFolder(dir.path(), executable)) << "no built program in " << testsupport::appDir();
        shots = (fs::current_path() / "screenshots").string();
        fs::create_directories(shots);
    }

    std::string shot(const std::string& name) const { return shots + "/" + name; }

    void expectBaseline(const std::string& name) {
        const testsupport::ImageComparison comparison =
            testsupport::compareWithBaseline(name, shot(name), testsupport::ImageTolerance{16, 0.005});
        EXPECT_TRUE(comparison.matches) << name << ": " << comparison.reason;
    }

    TempDir dir;
    std::string executable;
    std::string shots;
};

TEST_F(ProgramScreens, SplashIdleShellAndCaptionMatchTheirBaselines) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display (scripts/test starts Xvfb)";
    for (const char* name : {"splash.png", "shell_idle.png", "shell_caption.png"}) fs::remove(shot(name));
    const std::string script = "screenshot " + shot("splash.png") +
                               "\n"
                               "wait 3\n"
                               "move 200 150\n"
                               "screenshot " + shot("shell_idle.png") +
                               "\n"
                               "key N\n"
                               "screenshot " + shot("shell_caption.png") +
                               "\n"
                               "quit\n";
    std::string printed;
    ASSERT_EQ(runProgram(executable, dir.path(), script, "", printed), 0) << printed;

    // What each picture must show, whatever the baselines say.
    const RgbaImage splash = readPicture(shot("splash.png"));
    const RgbaImage idle = readPicture(shot("shell_idle.png"));
    const RgbaImage caption = readPicture(shot("shell_caption.png"));
    ASSERT_EQ(splash.width, kWidth);
    ASSERT_EQ(splash.height, kHeight);
    // White title text around half the height minus 100.
    EXPECT_GT(countPixels(splash, kHeight / 2 - 100, kHeight / 2 - 20, 240, false), 500);
    // The shell no longer shows it, and has the pointer's white near (200, 150).
    EXPECT_EQ(countPixels(idle, kHeight / 2 - 100, kHeight / 2 - 20, 240, false), 0);
    EXPECT_GT(countPixels(idle, 150, 175, 240, false), 5);
    // The black caption "Load Images" at half the height minus 270.
    EXPECT_GT(countPixels(caption, kHeight / 2 - 270, kHeight / 2 - 200, 10, true), 300);
    EXPECT_EQ(countPixels(idle, kHeight / 2 - 270, kHeight / 2 - 200, 10, true), 0);

    expectBaseline("splash.png");
    expectBaseline("shell_idle.png");
    expectBaseline("shell_caption.png");
}

TEST_F(ProgramScreens, ABadScriptEndsWithExitCodeTwoAndTheLine) {
    std::string printed;
    EXPECT_EQ(runProgram(executable, dir.path(), "key N\n\npress left 1\n", "--headless", printed), 2);
    EXPECT_NE(printed.find("line 3: expected: press left|right|middle X Y"), std::string::npos) << printed;
}

TEST_F(ProgramScreens, AHeadlessRunScreenshotsTheClearedFrame) {
    std::string printed;
    ASSERT_EQ(runProgram(executable, dir.path(), "echo started\nwait 2\nscreenshot " + shot("headless.png") + "\n",
                         "--headless", printed),
              0)
        << printed;
    EXPECT_NE(printed.find("started"), std::string::npos);
    const RgbaImage image = readPicture(shot("headless.png"));
    ASSERT_EQ(image.width, kWidth);
    ASSERT_EQ(image.height, kHeight);
    // The background colour of the shipped config.xml everywhere.
    for (size_t i = 0; i < image.pixels.size(); i += 4) {
        ASSERT_TRUE(image.pixels[i] == 60 && image.pixels[i + 1] == 60 && image.pixels[i + 2] == 66) << "pixel " << i / 4;
    }
}

}  // namespace
