// The built program run with a script: the splash, the idle shell and the
// caption overlay on the real window (needs a display; scripts/test starts
// Xvfb), compared with the baselines in tests/baselines/, and the exit code
// of a bad script.
//
// The program runs from a private folder (a link to the executable, the art
// linked in, config.xml with a fixed window size), so that its config.xml
// rewrite at exit touches nothing shared. Screenshots stay in
// screenshots/ of the test's working folder for inspection.
#include "support/program_runner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using testsupport::readPicture;
using testsupport::runProgram;

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// Pixels of the rows [top, bottom) (and the columns from `left` on) whose
// channels are all at least (or, with `dark`, all at most) `level`.
int countPixels(const RgbaImage& image, int top, int bottom, int level, bool dark, int left = 0) {
    int count = 0;
    for (int y = top; y < bottom && y < image.height; ++y) {
        for (int x = left; x < image.width; ++x) {
            const unsigned char* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
            const bool hit = dark ? (p[0] <= level && p[1] <= level && p[2] <= level)
                                  : (p[0] >= level && p[1] >= level && p[2] >= level);
            if (hit) ++count;
        }
    }
    return count;
}

class ProgramScreens : public testsupport::ProgramScreensTest {
protected:
    ProgramScreens() : ProgramScreensTest(kWidth, kHeight) {}
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
    // The 2D mode no longer shows it (right of its left column), and has the
    // pointer's white near (200, 150).
    EXPECT_EQ(countPixels(idle, kHeight / 2 - 100, kHeight / 2 - 20, 240, false, kWidth / 4), 0);
    EXPECT_GT(countPixels(idle, 150, 175, 240, false), 5);
    // The black caption "Load Images" at half the height minus 270.
    EXPECT_GT(countPixels(caption, kHeight / 2 - 270, kHeight / 2 - 200, 10, true),
              countPixels(idle, kHeight / 2 - 270, kHeight / 2 - 200, 10, true) + 300);

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
