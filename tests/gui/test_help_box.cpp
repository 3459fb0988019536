// Help box placement on a 1024 × 768 screen and the choice of its background.
#include "gui_fixture.h"

#include <filesystem>

namespace {

const String kThreeLines("first line\n0123456789012345678901234567890123456789\nthird");

class HelpBoxTest : public GuiFixture {
protected:
    HelpBox& box = HelpBox::instance();
};

TEST_F(HelpBoxTest, ThreeLinesWithFortyCharactersMakeA262By55Box) {
    box.show(kThreeLines, 100, 100);
    ASSERT_TRUE(box.isVisible());
    EXPECT_FLOAT_EQ(box.boxRight() - box.boxLeft(), 262.0f);
    EXPECT_FLOAT_EQ(box.boxBottom() - box.boxTop(), 55.0f);
    EXPECT_FLOAT_EQ(box.boxLeft(), 120.0f);
    EXPECT_FLOAT_EQ(box.boxTop(), 114.0f);
    EXPECT_FLOAT_EQ(box.textX(), 126.0f);
    EXPECT_FLOAT_EQ(box.textY(), 117.0f);
}

TEST_F(HelpBoxTest, BoxStaysOnTheScreen) {
    box.show(kThreeLines, 1000, 100);
    EXPECT_FLOAT_EQ(box.boxRight(), 1024.0f);
    EXPECT_FLOAT_EQ(box.boxRight() - box.boxLeft(), 262.0f);
    EXPECT_FLOAT_EQ(box.textX(), box.boxLeft() + 6.0f);

    box.show(String("x"), 10, -30);
    EXPECT_FLOAT_EQ(box.boxTop(), 0.0f);
    EXPECT_FLOAT_EQ(box.textY(), 3.0f);

    box.show(kThreeLines, 10, 760);
    EXPECT_FLOAT_EQ(box.boxBottom(), 768.0f - 25.0f);
    EXPECT_FLOAT_EQ(box.textY(), box.boxTop() + 3.0f);
}

TEST_F(HelpBoxTest, EmptyTextHidesAndLockKeepsTheBox) {
    box.show(String("tip"), 10, 10);
    const float left = box.boxLeft();
    box.setLocked(true);
    box.show(String("other"), 300, 300);
    EXPECT_STREQ(box.text().text(), "tip");
    EXPECT_FLOAT_EQ(box.boxLeft(), left);
    EXPECT_FLOAT_EQ(box.anchorX(), 326.0f);
    box.setLocked(false);
    box.show(String(), 10, 10);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(quadsDrawn([&] { box.render(); }), 0);
}

TEST_F(HelpBoxTest, BackgroundFollowsThePointerStateAndDisabledBoxDrawsNothing) {
    // A program folder holding only the pressed background tells by the
    // quad count which background was chosen.
    testsupport::TempDir dir;
    const std::string folder = dir.path() + "/data/gui/general/backgrounds";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(testsupport::appDir() + "/data/gui/general/backgrounds/helptextbackgroundpressed.dds",
                               folder + "/helptextbackgroundpressed.dds");
    useApplicationDirectory(dir.path());

    box.show(String("ab"), 10, 10);
    const int64_t textOnly = quadsDrawn([&] { box.render(); });
    EXPECT_EQ(textOnly, 2);
    pointer.pressed = true;
    EXPECT_EQ(quadsDrawn([&] { box.render(); }), textOnly + 1);
    pointer.pressed = false;
    pointer.over = true;
    EXPECT_EQ(quadsDrawn([&] { box.render(); }), textOnly);

    box.setEnabled(false);
    pointer.pressed = true;
    EXPECT_EQ(quadsDrawn([&] { box.render(); }), 0);
}

}  // namespace
