// Entering the transformation mode: every image gets its clipping made, then
// brought up to date on later entries, with a frame drawn for each; TAB
// returns to the 2D mode.
#include "transform/three_d.h"

#include "../twod/headless_workspace.h"
#include "gui/gui_menu.h"
#include "gui/key_table.h"
#include "project/clipping_elements.h"
#include "sculpt/clipping.h"
#include "sculpt/clipping_frame.h"
#include "transform/clipping_scene.h"
#include "twod/two_d.h"

#include <gtest/gtest.h>

#include <cmath>

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

namespace {

// The mode entered with two images, the first selected.
struct Placing {
    HeadlessWorkspace workspace;
    TwoD twoD{workspace};
    ThreeD threeD{workspace, twoD};

    Placing() {
        workspace.currentModeObject = [this]() -> WorkspaceMode* {
            return workspace.mode == 2 ? static_cast<WorkspaceMode*>(&threeD) : &twoD;
        };
        addImage(twoD, "1");
        addImage(twoD, "2");
        workspace.mode = 2;
        threeD.enter();
        twoD.selectSlot(0);
    }
    Clipping& clipping(int slot) { return *threeD.clippings().clipping(slot); }
    // Circles the selected clipping's centre with `key` held.
    void dial(int key, std::initializer_list<float> degrees) {
        const auto centre = threeD.screenCentre(threeD.selectedSlot());
        ASSERT_TRUE(centre.has_value());
        workspace.keyDown(threeD, key);
        for (float angle : degrees) {
            const float radians = angle * 3.14159265f / 180.0f;
            threeD.onMouseMove(centre->x - 100.0f * std::cos(radians), centre->y - 100.0f * std::sin(radians));
        }
    }
};

TEST(ThreeDMode, SelectingAnImagePutsItIntoTheSceneAndGesturesWriteIntoItsClipping) {
    Placing p;
    EXPECT_TRUE(p.clipping(0).flags().enabled);
    EXPECT_TRUE(p.threeD.scene().isShown(0));
    EXPECT_FALSE(p.threeD.scene().isShown(1));
    // Scaling with w: 100 degrees of the dial add 0.5 to the height.
    p.threeD.showRubric(TransformRubric::Scaling);
    p.dial('W', {0.0f, 50.0f, 100.0f});
    p.workspace.keyUp(p.threeD, 'W');
    EXPECT_NEAR(p.clipping(0).placement().scaling.y, 1.5f, 1e-3f);
    EXPECT_NE(p.threeD.helpText().view().find("Scal"), std::string_view::npos);
    // The saved scene rotation follows the angles.
    p.threeD.showRubric(TransformRubric::Rotation);
    p.dial('Q', {0.0f, 30.0f});
    p.workspace.keyUp(p.threeD, 'Q');
    const ClippingPlacement& placement = p.clipping(0).placement();
    EXPECT_NE(placement.angle, 0.0f);
    EXPECT_EQ(placement.rotation, nodeRotationOfAngles(placement.angle, placement.angleheight, placement.angleimage));
}

TEST(ThreeDMode, EachGestureAndAxisKeyIsOneUndoStepAndEscapePutsItBack) {
    Placing p;
    p.threeD.showRubric(TransformRubric::Translation);
    const D3DXVECTOR3 start = p.clipping(0).placement().translation;
    p.dial('E', {0.0f, 40.0f, 80.0f});
    p.workspace.keyUp(p.threeD, 'E');
    const D3DXVECTOR3 moved = p.clipping(0).placement().translation;
    ASSERT_FALSE(moved == start);
    EXPECT_TRUE(p.threeD.history().canUndo());

    // ESC during a gesture: everything it changed goes back.
    p.dial('E', {0.0f, 60.0f});
    ASSERT_FALSE(p.clipping(0).placement().translation == moved);
    p.workspace.pressKey(p.threeD, kKeyEscape);
    EXPECT_EQ(p.clipping(0).placement().translation, moved);
    p.workspace.keyUp(p.threeD, 'E');

    // An axis key grabs the first slider of the rubric and records a step.
    const size_t before = p.threeD.history().size();
    p.workspace.keyDown(p.threeD, 'X');
    GuiSlider* x = p.threeD.panels().slider(Control::TranslationX);
    EXPECT_TRUE(x->isDragging());
    EXPECT_FLOAT_EQ(p.workspace.pointerX(), x->positionOf(x->value()));
    p.threeD.onMouseMove(x->positionOf(250.0f), p.workspace.pointerY());
    p.workspace.keyUp(p.threeD, 'X');
    EXPECT_FALSE(x->isDragging());
    EXPECT_GT(p.threeD.history().size(), before);
    EXPECT_NEAR(p.clipping(0).placement().translation.x, 250.0f, 5.0f);

    // Undo walks back through the axis key's step and the gesture's.
    ASSERT_TRUE(p.threeD.undo());
    EXPECT_EQ(p.clipping(0).placement().translation, moved);
    ASSERT_TRUE(p.threeD.undo());
    EXPECT_EQ(p.clipping(0).placement().translation, start);
    ASSERT_TRUE(p.threeD.redo());
    EXPECT_EQ(p.clipping(0).placement().translation, moved);
}

TEST(ThreeDMode, WithoutASelectionGesturesAndViewsRefuse) {
    HeadlessWorkspace workspace;
    TwoD twoD(workspace);
    ThreeD threeD(workspace, twoD);
    workspace.mode = 2;
    threeD.enter();
    EXPECT_FALSE(threeD.viewAll());
    EXPECT_STREQ(threeD.helpText().text(), "Cannot view all images because no image is loaded.");
    addImage(twoD, "1");
    threeD.enter();
    workspace.pressKey(threeD, 'Q');
    EXPECT_EQ(threeD.history().size(), 0u);
    EXPECT_FALSE(threeD.viewOnlySelected());
    EXPECT_STREQ(threeD.helpText().text(), "No image is selected so it is not possible to view only the selected image.");
    EXPECT_FALSE(threeD.undo());
    EXPECT_STREQ(threeD.helpText().text(), "No transformation done so undo is not possible.");
    EXPECT_FALSE(threeD.startSculpture());
}

TEST(ThreeDMode, TheViewMenuFollowsTheCollisionAndDecalFlags) {
    Placing p;
    GuiMenu* view = p.threeD.menuBar().findMenu(String("View"));
    ASSERT_NE(view, nullptr);
    for (const char* label : {"Render Plane", "Render Cube", "Render Degrees", "Render Coordinate System",
                              "Render Collision Lines", "Decals On Object", "Object Info"})
        EXPECT_NE(view->item(String(label)), nullptr) << label;
    EXPECT_EQ(view->item(String("Render Mask")), nullptr);
    p.workspace.menuCommand(String("Render Collision Lines unchecked"));
    EXPECT_FALSE(p.workspace.settingsValue.viewcollisionlines);
    p.threeD.menuBar().openMenuNamed(String("View"));
    EXPECT_FALSE(view->item(String("Collision Lines With Borders"))->isEnabled());
    EXPECT_FALSE(view->item(String("Render Collision Lines Back"))->isEnabled());
    EXPECT_FALSE(view->item(String("Decals Quality..."))->isEnabled());
    // Without a sculpted object its items stay off.
    EXPECT_FALSE(view->item(String("Render Object"))->isEnabled());
    p.threeD.menuBar().closeMenus();
    p.workspace.menuCommand(String("Render Collision Lines checked"));
    p.workspace.menuCommand(String("Render Decals checked"));
    p.threeD.menuBar().openMenuNamed(String("View"));
    EXPECT_TRUE(view->item(String("Collision Lines With Borders"))->isEnabled());
    EXPECT_FALSE(view->item(String("Collision Lines With Object"))->isEnabled());
    EXPECT_TRUE(view->item(String("Decals Quality..."))->isEnabled());
    EXPECT_TRUE(view->isItemChecked(String("Render Decals")));
    p.threeD.menuBar().closeMenus();
    p.workspace.menuCommand(String("Render Cube unchecked"));
    EXPECT_FALSE(p.workspace.settingsValue.rendercube);
}

TEST(ThreeDMode, ViewButtonsShowOnlyOrAllButTheSelectedImage) {
    Placing p;
    p.twoD.selectSlot(1);
    p.twoD.selectSlot(0);
    ASSERT_TRUE(p.threeD.scene().isShown(1));
    EXPECT_TRUE(p.threeD.viewOnlySelected());
    EXPECT_STREQ(p.threeD.helpText().text(), "Only view the selected image 1.");
    EXPECT_FALSE(p.threeD.scene().isShown(1));
    EXPECT_TRUE(p.threeD.viewNotSelected());
    EXPECT_FALSE(p.threeD.scene().isShown(0));
    EXPECT_TRUE(p.threeD.scene().isShown(1));
    EXPECT_TRUE(p.threeD.viewNone());
    EXPECT_FALSE(p.threeD.viewNotSelected());
    EXPECT_STREQ(p.threeD.helpText().text(),
                 "You are not viewing any image so it is not possible to not view the selected image.");
    EXPECT_TRUE(p.threeD.viewAll());
    EXPECT_FALSE(p.threeD.viewAll());
    EXPECT_STREQ(p.threeD.helpText().text(), "You are already viewing all transfered images.");
}

}  // namespace
