// The 2D mode on a headless workspace: rubric switching, selection by keys
// and wheel, the File menu's refresh rules, the view toggles and their check
// marks, panning and zooming with ESC, the switch to the transformation mode
// and the `state` snapshot.
#include "twod/two_d.h"

#include "twod/border_rubric.h"
#include "twod/general_rubric.h"

#include "core/json.h"
#include "gui/gui_menu.h"
#include "headless_workspace.h"

#include <gtest/gtest.h>

namespace {

constexpr InputIdentifier kLeft = InputIdentifier::MouseButton0;
constexpr InputIdentifier kRight = InputIdentifier::MouseButton1;

class TwoDTest : public ::testing::Test {
protected:
    void SetUp() override {
        workspace.currentModeObject = [this] { return &mode; };
        mode.applySettings();
        mode.enter();
    }

    // Adds a 512 × 512 image (bottom margin `marginBottom`) named `name`.
    void addImage(const char* name, int marginBottom = 0) {
        Image picture(512, 512, Rgb{90, 120, 150});
        picture.marginBottom = marginBottom;
        auto entry = std::make_unique<ImageEntry>(Image(), std::move(picture), Image());
        entry->setName(String(name));
        mode.images().append(std::move(entry));
    }

    std::string selectedName() {
        ImageEntry* entry = mode.selectedEntry();
        return entry != nullptr ? entry->name().str() : "";
    }

    JsonValue state() {
        JsonValue root = JsonValue::object();
        mode.describeState(root);
        return root;
    }

    HeadlessWorkspace workspace;
    TwoD mode{workspace};
};

TEST_F(TwoDTest, StartsInTheImageRubricAndAAndSCycleThroughTheThree) {
    EXPECT_EQ(mode.rubricLabel().str(), "Image");
    EXPECT_EQ(mode.selectedEntry(), nullptr);
    const char* forward[] = {"Mask", "Border", "Image"};
    for (const char* expected : forward) {
        workspace.pressKey(mode, 'S');
        EXPECT_EQ(mode.rubricLabel().str(), expected);
    }
    workspace.pressKey(mode, 'A');
    EXPECT_EQ(mode.rubricLabel().str(), "Border");
    EXPECT_TRUE(mode.borderRubric().panel().isVisible());
    EXPECT_FALSE(mode.generalRubric().panel().isVisible());
}

TEST_F(TwoDTest, ShiftOrControlWithDigitsWheelAndTabSelectImages) {
    addImage("1");
    addImage("2");
    struct Step {
        int modifier;
        int key;      // 0: the wheel instead
        int wheel;
        const char* expected;
    };
    const Step steps[] = {
        {kKeyControl, '2', 0, "2"},
        {kKeyControl, '3', 0, "2"},  // no third image: nothing changes
        {kKeyShift, '1', 0, "1"},
        {kKeyControl, 0, -1, "2"},   // wheel down: the next one
        {kKeyControl, 0, -1, "1"},   // ... wrapping to the first
        {kKeyControl, 0, +1, "2"},   // wheel up: the previous one, wrapping to the last
        {kKeyShift, kKeyTab, 0, "1"},
    };
    for (const Step& step : steps) {
        workspace.keyDown(mode, step.modifier);
        if (step.key != 0) {
            workspace.pressKey(mode, step.key);
        } else {
            mode.onMouseWheel(step.wheel);
        }
        workspace.keyUp(mode, step.modifier);
        EXPECT_EQ(selectedName(), step.expected) << step.key << " " << step.wheel;
    }
    EXPECT_TRUE(workspace.switches.empty());  // TAB with a modifier stays in the mode
}

TEST_F(TwoDTest, TheFileMenuFollowsWhatIsLoadedAndSelected) {
    GuiMenu* file = mode.menuBar().findMenu(String("File"));
    ASSERT_NE(file, nullptr);
    auto enabled = [&](const char* label) { return file->item(String(label))->isEnabled(); };
    auto shownHelp = [&](const char* label) { return file->item(String(label))->helpText().str(); };

    ASSERT_TRUE(mode.menuBar().openMenuNamed(String("File")));
    EXPECT_FALSE(enabled("New Project") || enabled("Save Project...") || enabled("Save Images..."));
    EXPECT_FALSE(enabled("Save Image...") || enabled("Load Mask (Alpha Channel)..."));
    EXPECT_TRUE(enabled("Load Images...") && enabled("Save 3d Object..."));
    EXPECT_EQ(shownHelp("Load Mask (Color Channel)..."), "No image loaded for which mask should be loaded.");
    EXPECT_EQ(shownHelp("Save Mask (Color Channel)..."), "No image loaded for which the mask should be saved.");
    mode.menuBar().closeMenus();

    addImage("1");
    mode.selectSlot(-1);
    ASSERT_TRUE(mode.menuBar().openMenuNamed(String("File")));
    EXPECT_TRUE(enabled("New Project") && enabled("Save Project...") && enabled("Save Images..."));
    EXPECT_FALSE(enabled("Save Image...") || enabled("Save Mask (Color Channel)..."));
    EXPECT_EQ(shownHelp("Load Mask (Color Channel)..."), "No image selected for whcih the mask should be loaded.");
    EXPECT_EQ(shownHelp("Save Image..."), "No image selected which should be saved.");
    mode.menuBar().closeMenus();

    mode.selectSlot(0);
    ASSERT_TRUE(mode.menuBar().openMenuNamed(String("File")));
    EXPECT_TRUE(enabled("Save Image...") && enabled("Load Mask (Color Channel)..."));
    EXPECT_EQ(shownHelp("Save Image..."), "Save the selected image. The alpha channel will represent the mask");
}

TEST_F(TwoDTest, RenderTogglesFollowTheMenuAndTheFunctionKeysWithTheirCheckMarks) {
    ASSERT_EQ(mode.itemChecked("View", "Render Mask"), 1);
    GuiMenu* view = mode.menuBar().findMenu(String("View"));
    for (bool expected : {false, true}) {
        mode.menuBar().openMenuNamed(String("View"));
        view->choose(view->item(String("Render Mask")));
        EXPECT_EQ(mode.rendersMask(), expected);
        EXPECT_EQ(mode.itemChecked("View", "Render Mask"), expected ? 1 : 0);
    }
    EXPECT_EQ(workspace.commands, (std::vector<std::string>{"Render Mask unchecked", "Render Mask checked"}));

    const bool preview = mode.rendersPreview();
    workspace.pressKey(mode, kKeyF2);
    workspace.pressKey(mode, kKeyF3);
    EXPECT_FALSE(mode.rendersBorder());
    EXPECT_EQ(mode.itemChecked("View", "Render Border"), 0);
    EXPECT_EQ(mode.rendersPreview(), !preview);
    EXPECT_EQ(workspace.settingsValue.toggleintpreview, !preview);
    EXPECT_EQ(mode.itemChecked("View", "Render Interactive Preview"), preview ? 0 : 1);
}

TEST_F(TwoDTest, TheAnimationTimePanelShowsAndWritesTheSetting) {
    workspace.settingsValue.animtime = 400.0f;
    GuiMenu* view = mode.menuBar().findMenu(String("View"));
    ASSERT_TRUE(mode.menuBar().openMenuNamed(String("View")));
    view->choose(view->item(String("Animation Time...")));
    AnimationTimePanel* panel = mode.generalRubric().animationTimePanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    GuiSlider& slider = panel->slider();
    EXPECT_FLOAT_EQ(slider.value(), 400.0f);
    mode.onMouseMove(static_cast<float>(slider.left() + 5), static_cast<float>(slider.top() + slider.bottom()) / 2.0f);
    mode.onMouseWheel(+1);
    EXPECT_FLOAT_EQ(workspace.settingsValue.animtime, 450.0f);
}

TEST_F(TwoDTest, PanningAndZoomingMoveTheViewAndEscapePutsItBack) {
    addImage("1");
    mode.selectByNumber(1);
    const ViewRect start = mode.view();
    EXPECT_FLOAT_EQ(start.left, 320.0f);  // centred on selection

    mode.onMouseDown(kRight, 600.0f, 400.0f);
    mode.onMouseMove(650.0f, 420.0f);
    EXPECT_FLOAT_EQ(mode.view().left, 370.0f);
    EXPECT_FLOAT_EQ(mode.view().top, 140.0f);
    workspace.pressKey(mode, kKeyEscape);
    EXPECT_FLOAT_EQ(mode.view().left, start.left);
    mode.onMouseUp(kRight, 650.0f, 420.0f);

    workspace.warpPointer(640.0f, 440.0f);
    mode.onMouseWheel(+1);
    EXPECT_FLOAT_EQ(mode.view().right - mode.view().left, 640.0f + 2 * 64.0f);
    mode.onMouseDoubleClick(kRight, 10.0f, 700.0f);
    EXPECT_FLOAT_EQ(mode.view().left, start.left);

    // A left press on the view is the rubric's, never a pan.
    mode.onMouseDown(kLeft, 600.0f, 400.0f);
    mode.onMouseMove(700.0f, 400.0f);
    EXPECT_FLOAT_EQ(mode.view().left, start.left);
}

TEST_F(TwoDTest, TabAloneSwitchesToTheTransformationMode) {
    workspace.pressKey(mode, kKeyTab);
    EXPECT_EQ(workspace.switches, std::vector<int>{2});
}

TEST_F(TwoDTest, StateListsTheImagesInListOrderWithTheirMasks) {
    addImage("1", 128);
    addImage("2");
    Image& mask = mode.images().entry(1)->mask;
    for (int x = 10; x < 20; ++x) mask.setPixel(x, 30, Rgb{192, 192, 192});
    mode.selectByNumber(2);
    const JsonValue root = state();
    EXPECT_EQ(root.find("selected")->asString(), "2");
    ASSERT_EQ(root.find("view")->size(), 4u);
    const JsonValue* images = root.find("images");
    ASSERT_EQ(images->size(), 2u);
    EXPECT_EQ(images->item(0)->find("name")->asString(), "1");
    EXPECT_EQ(images->item(0)->find("marginBottom")->asNumber(), 128);
    EXPECT_EQ(images->item(0)->find("maskPixels")->asNumber(), 0);
    EXPECT_EQ(images->item(1)->find("maskPixels")->asNumber(), 10);
    EXPECT_EQ(images->item(1)->find("width")->asNumber(), 512);

    mode.selectSlot(-1);
    EXPECT_TRUE(state().find("selected")->isNull());
}

}  // namespace
