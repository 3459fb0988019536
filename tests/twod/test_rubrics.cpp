// The three rubrics of the 2D mode on a headless workspace: the image rubric's
// buttons and their refusals, the mask tools through the pointer and the keys
// (ESC puts a stroke back), and the border rubric's vertex selection and
// smoothing modes.
#include "twod/border_rubric.h"
#include "twod/general_rubric.h"
#include "twod/masking_rubric.h"
#include "twod/two_d.h"

#include "headless_workspace.h"
#include "image/border.h"

#include <gtest/gtest.h>

namespace {

constexpr InputIdentifier kLeft = InputIdentifier::MouseButton0;

int setPixels(const Image& mask) {
    int count = 0;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x) count += mask.isSet(x, y) ? 1 : 0;
    return count;
}

class RubricTest : public ::testing::Test {
protected:
    void SetUp() override {
        workspace.currentModeObject = [this] { return &mode; };
        mode.applySettings();
        mode.enter();
    }

    // An image of a plain picture (with a bigger picture of `biggerSide` when
    // given) and a filled square in its mask at 200..299.
    ImageEntry& addImage(const char* name, int biggerSide = 0) {
        Image bigger = biggerSide > 0 ? Image(biggerSide, biggerSide, Rgb{80, 90, 100}) : Image();
        Image working = bigger.isValid() ? makeWorkingCopy(bigger) : Image(512, 512, Rgb{80, 90, 100});
        Image mask(512, 512);
        for (int y = 200; y < 300; ++y)
            for (int x = 200; x < 300; ++x) mask.setPixel(x, y, Rgb{192, 192, 192});
        auto entry = std::make_unique<ImageEntry>(std::move(bigger), std::move(working), std::move(mask));
        entry->setName(String(name));
        const int slot = mode.images().append(std::move(entry));
        mode.afterImagesAdded(mode.images().imageCount() - 1);
        return *mode.images().entry(slot);
    }

    // The screen point of canvas pixel (x, y) of the selected image.
    std::pair<float, float> onScreen(float x, float y) {
        const ImagePoint point = mode.imageToScreen(x + 0.5f, y + 0.5f);
        return {point.x, point.y};
    }

    void pressAt(float x, float y) {
        const auto [sx, sy] = onScreen(x, y);
        mode.onMouseDown(kLeft, sx, sy);
    }
    void moveTo(float x, float y) {
        const auto [sx, sy] = onScreen(x, y);
        mode.onMouseMove(sx, sy);
    }
    void releaseAt(float x, float y) {
        const auto [sx, sy] = onScreen(x, y);
        mode.onMouseUp(kLeft, sx, sy);
    }

    HeadlessWorkspace workspace;
    TwoD mode{workspace};
};

// --- the image rubric ---------------------------------------------------------------------------

TEST_F(RubricTest, ImageButtonsFollowTheSelectionAndExplainWhyTheyCannot) {
    GeneralRubric& rubric = mode.generalRubric();
    EXPECT_FALSE(rubric.button(GeneralRubric::kClone).isEnabled());
    EXPECT_EQ(rubric.button(GeneralRubric::kClone).helpText().str(), "No image selected to clone. Select an image first.");
    addImage("1");
    addImage("2", 1500);
    mode.selectByNumber(1);
    mode.refreshRubrics();
    EXPECT_TRUE(rubric.button(GeneralRubric::kClone).isEnabled());
    EXPECT_FALSE(rubric.button(GeneralRubric::kMoveUp).isEnabled());  // already the first
    EXPECT_TRUE(rubric.button(GeneralRubric::kMoveDown).isEnabled());
    EXPECT_FALSE(rubric.button(GeneralRubric::kCutOut).isEnabled());  // no bigger picture
    EXPECT_NE(rubric.button(GeneralRubric::kCutOut).helpText().str().find("no bigger image attached"),
              std::string::npos);

    // A letter presses only an enabled button: U on the first image does nothing.
    workspace.pressKey(mode, 'U');
    EXPECT_EQ(mode.images().selectedIndex(), 0);
    workspace.pressKey(mode, 'D');
    EXPECT_EQ(mode.images().selectedIndex(), 1);
    EXPECT_EQ(mode.images().entry(1)->name().str(), "1");
    mode.selectByNumber(1);  // the picture larger than the canvas
    EXPECT_TRUE(rubric.button(GeneralRubric::kCutOut).isEnabled());
}

TEST_F(RubricTest, DeleteAsksAndAnswerNoChangesNothing) {
    addImage("1");
    mode.selectByNumber(1);
    workspace.scripted.answerMessage(MessageAnswer::No);
    workspace.pressKey(mode, kKeyDelete);
    EXPECT_EQ(mode.loadedCount(), 1);
    ASSERT_FALSE(workspace.scripted.calls().empty());
    EXPECT_STREQ(workspace.scripted.calls().back().caption.text(), "Really deleting image?");
    workspace.scripted.answerMessage(MessageAnswer::Yes);
    workspace.pressKey(mode, kKeyDelete);
    EXPECT_EQ(mode.loadedCount(), 0);
    EXPECT_EQ(mode.selectedEntry(), nullptr);
    EXPECT_EQ(mode.undoList().stackCount(), 0);
}

TEST_F(RubricTest, CloneSelectsTheCopyAndTheRotationCentreIsSetByAClick) {
    addImage("1");
    mode.selectByNumber(1);
    workspace.pressKey(mode, 'C');
    ASSERT_EQ(mode.loadedCount(), 2);
    EXPECT_EQ(mode.images().selectedIndex(), 1);
    EXPECT_EQ(setPixels(mode.selectedEntry()->mask), 100 * 100);

    workspace.pressKey(mode, 'R');
    EXPECT_EQ(mode.generalRubric().tool(), GeneralRubric::Tool::RotationCentre);
    pressAt(100.0f, 60.0f);
    EXPECT_NEAR(mode.selectedEntry()->workingCopy.rotationCentre.x, 100.5f, 0.01f);
    EXPECT_NEAR(mode.selectedEntry()->workingCopy.rotationCentre.y, 60.5f, 0.01f);
    workspace.pressKey(mode, 'R');
    EXPECT_EQ(mode.generalRubric().tool(), GeneralRubric::Tool::None);
}

TEST_F(RubricTest, CutOutAsksAndAnEscapedRectangleCutsNothing) {
    ImageEntry& entry = addImage("1", 1500);
    mode.selectByNumber(1);
    workspace.pressKey(mode, 'X');
    pressAt(100.0f, 100.0f);
    moveTo(300.0f, 200.0f);
    workspace.pressKey(mode, kKeyEscape);
    releaseAt(300.0f, 200.0f);
    EXPECT_TRUE(workspace.scripted.calls().empty());

    workspace.scripted.answerMessage(MessageAnswer::Yes);
    pressAt(100.0f, 100.0f);
    moveTo(300.0f, 200.0f);
    releaseAt(300.0f, 200.0f);
    ASSERT_EQ(workspace.scripted.calls().size(), 1u);
    EXPECT_STREQ(workspace.scripted.calls()[0].caption.text(), "Really cutting out object?");
    // About 200 x 100 canvas pixels of a 1500 pixel picture: some 585 x 292
    // pixels, scaled to the canvas width.
    EXPECT_EQ(entry.workingCopy.marginRight, 0);
    EXPECT_NEAR(entry.workingCopy.marginBottom, 256, 4);
    EXPECT_FALSE(workspace.operations.isBusy());
}

// --- the mask rubric ----------------------------------------------------------------------------

TEST_F(RubricTest, PanelKeysReachTheOpenToolsControlsInOrder) {
    addImage("1");
    mode.selectByNumber(1);
    workspace.pressKey(mode, 'S');
    MaskingRubric& masking = mode.maskingRubric();
    const MaskToolSettings& settings = masking.session().settings;
    workspace.pressKey(mode, 'W');
    workspace.pressKey(mode, 'R');
    EXPECT_EQ(settings.operation, MaskOperation::Remove);
    EXPECT_EQ(settings.brushType, BrushType::Square);

    // T on a slider opens its value dialog.
    workspace.scripted.answerSliderValue(SliderValueAction::SetValue, String("17"));
    workspace.pressKey(mode, 'T');
    EXPECT_EQ(settings.brushSize, 17);

    // The threshold panel adds D, F, G for its colour sliders.
    workspace.pressKey(mode, '5');
    EXPECT_EQ(masking.tool(), MaskTool::Threshold);
    workspace.scripted.answerSliderValue(SliderValueAction::SetValue, String("200"));
    workspace.pressKey(mode, 'F');
    EXPECT_EQ(settings.greenThreshold, 200);
    EXPECT_EQ(settings.redThreshold, 128);
}

TEST_F(RubricTest, ABrushStrokeIsUndoneRedoneAndEscapePutsItBack) {
    ImageEntry& entry = addImage("1");
    mode.selectByNumber(1);
    workspace.pressKey(mode, 'S');
    const int before = setPixels(entry.mask);
    EXPECT_FALSE(mode.maskingRubric().undoButton().isEnabled());

    pressAt(50.0f, 50.0f);
    moveTo(150.0f, 60.0f);
    releaseAt(150.0f, 60.0f);
    const int painted = setPixels(entry.mask);
    EXPECT_GT(painted, before + 1000);
    EXPECT_TRUE(mode.maskingRubric().undoButton().isEnabled());

    workspace.pressKey(mode, 'Z');
    EXPECT_EQ(setPixels(entry.mask), before);
    EXPECT_EQ(workspace.settingsValue.maskopac, 192.0f);
    workspace.pressKey(mode, 'Y');
    EXPECT_EQ(setPixels(entry.mask), painted);

    // ESC in the middle of a stroke: the mask is as it was before the press.
    pressAt(50.0f, 400.0f);
    moveTo(300.0f, 420.0f);
    EXPECT_GT(setPixels(entry.mask), painted);
    workspace.pressKey(mode, kKeyEscape);
    EXPECT_EQ(setPixels(entry.mask), painted);
    releaseAt(300.0f, 420.0f);
    EXPECT_EQ(setPixels(entry.mask), painted);
}

TEST_F(RubricTest, ParallelMaskingNeedsTwoImagesAndTransparencyRewritesEveryMask) {
    ImageEntry& first = addImage("1");
    mode.selectByNumber(1);
    workspace.pressKey(mode, 'S');
    MaskingRubric& masking = mode.maskingRubric();
    EXPECT_FALSE(masking.parallelBox().isEnabled());
    workspace.pressKey(mode, 'P');
    EXPECT_FALSE(masking.session().settings.parallelMasking);

    ImageEntry& second = addImage("2");
    EXPECT_TRUE(masking.parallelBox().isEnabled());
    workspace.pressKey(mode, 'P');
    EXPECT_TRUE(masking.session().settings.parallelMasking);
    workspace.pressKey(mode, 'X');  // erase whole mask, on both
    EXPECT_EQ(setPixels(first.mask), 0);
    EXPECT_EQ(setPixels(second.mask), 0);

    workspace.pressKey(mode, 'Z');  // undo restores the selected one
    EXPECT_EQ(setPixels(first.mask), 100 * 100);
    masking.setTransparency(60.0f);
    EXPECT_EQ(first.mask.pixel(250, 250), (Rgb{60, 60, 60}));
    EXPECT_EQ(workspace.settingsValue.maskopac, 60.0f);

    mode.images().remove(1);
    mode.afterImagesRemoved();
    EXPECT_FALSE(masking.session().settings.parallelMasking);
}

// --- the border rubric ---------------------------------------------------------------------------

TEST_F(RubricTest, BorderVerticesAreSelectedByClickAndRectangleAndGetTheirMode) {
    ImageEntry& entry = addImage("1");
    mode.selectByNumber(1);
    BorderRubric& border = mode.borderRubric();
    mode.showRubric(TwoD::kBorderRubric);
    EXPECT_FALSE(border.modeButton(0).isEnabled());
    EXPECT_NE(border.modeButton(0).helpText().str().find("You have not selected any vertices"), std::string::npos);

    // A rectangle over the square's left edge selects its vertices there.
    pressAt(190.0f, 220.0f);
    moveTo(210.0f, 240.0f);
    releaseAt(210.0f, 240.0f);
    const int selected = entry.border->selectedCount();
    EXPECT_GT(selected, 5);
    EXPECT_TRUE(border.modeButton(0).isEnabled());
    EXPECT_TRUE(border.modeButton(1).isLatched());  // new vertices are smoothed within the distance
    EXPECT_NE(mode.statusBar().text().str().find(std::to_string(selected) + " vertices selected of image 1."),
              std::string::npos);

    workspace.pressKey(mode, 'Q');  // not smoothed
    EXPECT_EQ(entry.border->selectedMode(), Border::kModeFixed);
    EXPECT_TRUE(border.modeButton(0).isLatched());
    EXPECT_NE(mode.statusBar().text().str().find("Selected vertices dont smooth."), std::string::npos);

    // ESC during a new rectangle gives the selection back.
    pressAt(250.0f, 250.0f);
    moveTo(260.0f, 260.0f);
    workspace.pressKey(mode, kKeyEscape);
    EXPECT_EQ(entry.border->selectedCount(), selected);

    // A click near a corner selects just that vertex.
    pressAt(199.6f, 199.6f);
    releaseAt(199.6f, 199.6f);
    EXPECT_EQ(entry.border->selectedCount(), 1);
}

}  // namespace
