// Entering the transformation mode: every image gets its clipping made, then
// brought up to date on later entries, with a frame drawn for each; TAB
// returns to the 2D mode.
#include "transform/three_d.h"

#include "../twod/headless_workspace.h"
#include "gui/gui_menu.h"
#include "project/clipping_elements.h"
#include "twod/two_d.h"

#include <gtest/gtest.h>

namespace {

struct RecordingThreeD : ThreeD {
    using ThreeD::ThreeD;
    std::vector<std::string> statuses;
    void setStatus(const String& text) override {
        statuses.push_back(text.str());
        ThreeD::setStatus(text);
    }
};

void addImage(TwoD& twoD, const char* name) {
    Image mask(512, 512);
    for (int y = 100; y < 200; ++y)
        for (int x = 100; x < 200; ++x) mask.setPixel(x, y, Rgb{192, 192, 192});
    auto entry = std::make_unique<ImageEntry>(Image(), Image(512, 512, Rgb{50, 60, 70}), std::move(mask));
    entry->setName(String(name));
    twoD.images().append(std::move(entry));
}

TEST(ThreeDMode, EnteringMakesThenUpdatesEveryClippingWithItsStatus) {
    HeadlessWorkspace workspace;
    TwoD twoD(workspace);
    RecordingThreeD threeD(workspace, twoD);
    addImage(twoD, "1");
    addImage(twoD, "2");

    threeD.enter();
    EXPECT_EQ(threeD.statuses,
              (std::vector<std::string>{"Create 3d data for image 1", "Create 3d data for image 2"}));
    ASSERT_NE(threeD.clippings().clipping(1), nullptr);
    EXPECT_TRUE(threeD.clippings().clipping(1)->hasSilhouette());
    EXPECT_GE(workspace.frames, 2);
    EXPECT_FALSE(workspace.operations.isBusy());
    EXPECT_TRUE(threeD.statusBar().isReady());

    threeD.statuses.clear();
    addImage(twoD, "3");
    threeD.enter();
    EXPECT_EQ(threeD.statuses, (std::vector<std::string>{"Update 3d data for image 1", "Update 3d data for image 2",
                                                        "Create 3d data for image 3"}));

    workspace.pressKey(threeD, kKeyTab);
    EXPECT_EQ(workspace.switches, std::vector<int>{1});
}

TEST(ThreeDMode, TheFileMenuOffersProjectCommandsOnlyWithImages) {
    HeadlessWorkspace workspace;
    TwoD twoD(workspace);
    ThreeD threeD(workspace, twoD);
    GuiMenu* file = threeD.menuBar().findMenu(String("File"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->item(String("Save Image...")), nullptr);
    threeD.menuBar().openMenuNamed(String("File"));
    EXPECT_FALSE(file->item(String("Save Project..."))->isEnabled());
    threeD.menuBar().closeMenus();
    addImage(twoD, "1");
    threeD.menuBar().openMenuNamed(String("File"));
    EXPECT_TRUE(file->item(String("New Project"))->isEnabled());
    EXPECT_TRUE(file->item(String("Save 3d Object..."))->isEnabled());
}

}  // namespace
