// The widget gallery of the built program (`plastora --gallery --script`) on
// the real window (needs a display; scripts/test starts Xvfb): its screens
// compared with the baselines in tests/baselines/, and one scripted
// interaction (hover, press, open a menu, choose an item, drag a slider)
// checked by screenshot and by the listener calls the gallery prints.
#include "support/program_runner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using testsupport::readPicture;
using testsupport::runProgram;

constexpr int kWidth = 1280;
constexpr int kHeight = 800;

// Mean brightness of the rectangle [left, right) × [top, bottom).
double brightness(const RgbaImage& image, int left, int top, int right, int bottom) {
    double sum = 0.0;
    long count = 0;
    for (int y = top; y < bottom && y < image.height; ++y) {
        for (int x = left; x < right && x < image.width; ++x) {
            const unsigned char* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
            sum += (p[0] + p[1] + p[2]) / 3.0;
            ++count;
        }
    }
    return count > 0 ? sum / static_cast<double>(count) : 0.0;
}

class GalleryScreens : public testsupport::ProgramScreensTest {
protected:
    GalleryScreens() : ProgramScreensTest(kWidth, kHeight) {}
};

TEST_F(GalleryScreens, TheGalleryAndAScriptedInteractionMatchTheirBaselines) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display (scripts/test starts Xvfb)";
    const char* names[] = {"gallery.png", "gallery_hover.png", "gallery_menu.png", "gallery_drag.png"};
    for (const char* name : names) fs::remove(shot(name));
    // "Try me" lies at (820..930, 478..506); the View title at about x 110 of
    // the bar; its third line is "Render Keyshortcuts"; the knob of
    // "Animation Time" (0..1000 at 250) at x 887 on a track from 835 to 1045.
    const std::string script = "wait 2\n"
                               "move 1270 790\n"
                               "screenshot " + shot("gallery.png") + "\n"
                               "move 875 492\n"
                               "screenshot " + shot("gallery_hover.png") + "\n"
                               "press left 875 492\n"
                               "release left 875 492\n"
                               "move 110 14\n"
                               "press left 110 14\n"
                               "release left 110 14\n"
                               "move 150 78\n"
                               "screenshot " + shot("gallery_menu.png") + "\n"
                               "press left 150 78\n"
                               "release left 150 78\n"
                               "move 887 539\n"
                               "press left 887 539\n"
                               "move 1000 539\n"
                               "screenshot " + shot("gallery_drag.png") + "\n"
                               "release left 1000 539\n"
                               "wait 1\n"
                               "quit\n";
    std::string printed;
    ASSERT_EQ(runProgram(executable, dir.path(), script, "", printed, "--gallery"), 0) << printed;

    // The listener calls, in order.
    const size_t click = printed.find("gallery: button \"Try me\" released");
    const size_t menu = printed.find("gallery: menu command \"Render Keyshortcuts unchecked\"");
    const size_t drag = printed.find("gallery: slider \"Animation Time\" released at 786");
    EXPECT_NE(click, std::string::npos) << printed;
    EXPECT_NE(menu, std::string::npos) << printed;
    EXPECT_NE(drag, std::string::npos) << printed;
    EXPECT_LT(click, menu);
    EXPECT_LT(menu, drag);

    const RgbaImage idle = readPicture(shot("gallery.png"));
    const RgbaImage hover = readPicture(shot("gallery_hover.png"));
    const RgbaImage open = readPicture(shot("gallery_menu.png"));
    const RgbaImage dragged = readPicture(shot("gallery_drag.png"));
    ASSERT_EQ(idle.width, kWidth);
    ASSERT_EQ(idle.height, kHeight);
    // The help box appears beside the hovered button.
    EXPECT_GT(std::abs(brightness(hover, 880, 500, 1100, 540) - brightness(idle, 880, 500, 1100, 540)), 5.0);
    // The open View menu covers the state table below the bar.
    EXPECT_GT(std::abs(brightness(open, 80, 40, 240, 150) - brightness(idle, 80, 40, 240, 150)), 5.0);
    // The knob moved from 887 to 1000.
    EXPECT_GT(std::abs(brightness(dragged, 985, 526, 1015, 552) - brightness(idle, 985, 526, 1015, 552)), 5.0);

    for (const char* name : names) expectBaseline(name);
}

TEST_F(GalleryScreens, AHeadlessGalleryRunsItsScriptToTheEnd) {
    std::string printed;
    EXPECT_EQ(runProgram(executable, dir.path(), "wait 2\nmove 875 492\npress left 875 492\nrelease left 875 492\n",
                         "--headless", printed, "--gallery"),
              0)
        << printed;
    EXPECT_NE(printed.find("gallery: button \"Try me\" released"), std::string::npos) << printed;
    EXPECT_EQ(runProgram(executable, dir.path(), "press left 1\n", "--headless", printed, "--gallery"), 2);
}

}  // namespace
