// GuiSlider: the mapping from pointer to value, bounds and their limits, the
// help texts, pointer gestures with their listener calls, the wheel, and the
// value dialog with its validation.
#include "gui/gui_container.h"
#include "gui/gui_slider.h"
#include "gui_fixture.h"
#include "platform/scripted_dialogs.h"

#include <string>
#include <vector>

namespace {

constexpr InputIdentifier kLeft = InputIdentifier::MouseButton0;

struct CallLog : GuiSliderListener {
    std::vector<std::string> calls;
    void valueChanged(GuiSlider*) override { calls.push_back("changed"); }
    void released(GuiSlider*) override { calls.push_back("released"); }
    void over(GuiSlider*) override { calls.push_back("over"); }
    void pressed(GuiSlider*) override { calls.push_back("pressed"); }
};

class SliderTest : public GuiFixture {
protected:
    // A slider whose track runs from x = 115 to x = 315 (200 pixels).
    GuiSlider& make(SliderKind kind) {
        slider = std::make_unique<GuiSlider>(kind);
        slider->setRect(100, 50, 330, 80);
        slider->addListener(&log);
        SliderServices services;
        services.dialogs = &dialogs;
        services.systemCursor = &dialogs;
        slider->setServices(services);
        return *slider;
    }

    std::unique_ptr<GuiSlider> slider;
    CallLog log;
    ScriptedDialogs dialogs;
};

TEST_F(SliderTest, PointerPositionsMapOntoTheRangeAndWholeSlidersRoundHalfUp) {
    GuiSlider& whole = make(SliderKind::Whole);
    ASSERT_FLOAT_EQ(whole.trackLeft(), 115.0f);
    ASSERT_FLOAT_EQ(whole.trackRight(), 315.0f);
    EXPECT_FLOAT_EQ(whole.valueAt(216.0f), 51.0f);  // one pixel past the middle
    EXPECT_FLOAT_EQ(whole.valueAt(115.0f), 0.0f);
    EXPECT_FLOAT_EQ(whole.valueAt(-40.0f), 0.0f);
    EXPECT_FLOAT_EQ(whole.valueAt(315.0f), 100.0f);
    EXPECT_FLOAT_EQ(whole.valueAt(900.0f), 100.0f);
    whole.setMinimum(10.0f);
    EXPECT_FLOAT_EQ(whole.valueAt(116.0f), 10.0f);

    GuiSlider& real = make(SliderKind::Real);
    EXPECT_FLOAT_EQ(real.valueAt(216.0f), 50.5f);
    EXPECT_FLOAT_EQ(real.positionOf(50.5f), 216.0f);
}

TEST_F(SliderTest, PowerOfTwoLabelsAndHelpTexts) {
    EXPECT_EQ(GuiSlider::powerLabel(0).str(), "2048");
    EXPECT_EQ(GuiSlider::powerLabel(3).str(), "256");
    EXPECT_EQ(GuiSlider::powerLabel(11).str(), "1");
    EXPECT_EQ(GuiSlider::powerLabel(12).str(), "0.5");

    GuiSlider& power = make(SliderKind::PowerOfTwo);
    EXPECT_FLOAT_EQ(power.maximum(), 12.0f);
    power.setValue(12.0f);
    EXPECT_EQ(power.valueText(0.0f).str(), "Slider: 0.5");
    power.setValue(2.0f);
    power.setDescription(String("Size of one voxel."));
    EXPECT_EQ(power.valueText(0.0f).str(), "Slider: 512\nSize of one voxel.");

    GuiSlider& whole = make(SliderKind::Whole);
    EXPECT_EQ(whole.valueText(51.0f).str(), "Slider: 40. On value: 51");
    GuiSlider& real = make(SliderKind::Real);
    real.setDescription(String("Opacity."));
    EXPECT_EQ(real.valueText(2.5f).str(), "Slider: 40.000000. On value: 2.500000\nOpacity.");
}

TEST_F(SliderTest, HoveringATickLabelOfAPowerSliderAndPressingItChoosesThatLabel) {
    GuiSlider& power = make(SliderKind::PowerOfTwo);
    power.setValue(3.0f);
    ASSERT_TRUE(power.hover(200.0f, 65.0f));  // over the track: the labels show
    const float labelY = 50.0f - GuiSlider::kTickLabelGap - 5.0f;
    const float lastLabel = power.positionOf(12.0f);
    EXPECT_EQ(power.tickLabelAt(lastLabel, labelY), 12);
    ASSERT_TRUE(power.hover(lastLabel, labelY));
    EXPECT_TRUE(power.isOnTickLabel());
    ASSERT_TRUE(power.mousePressed(kLeft, lastLabel, labelY));
    EXPECT_FLOAT_EQ(power.value(), 12.0f);
}

TEST_F(SliderTest, PressDragAndReleaseTellTheListenersInOrderUnlessSilent) {
    GuiSlider& whole = make(SliderKind::Whole);
    ASSERT_TRUE(whole.hover(216.0f, 65.0f));
    EXPECT_EQ(pointer.last(), kPointerOver);
    ASSERT_TRUE(whole.mousePressed(kLeft, 216.0f, 65.0f));
    EXPECT_FLOAT_EQ(whole.value(), 51.0f);
    EXPECT_EQ(pointer.last(), kPointerPressed);
    // Dragging follows the pointer even far off the slider.
    EXPECT_TRUE(whole.hover(900.0f, 400.0f));
    EXPECT_FLOAT_EQ(whole.value(), 100.0f);
    EXPECT_EQ(whole.helpText().str(), "Slider: 100");
    EXPECT_TRUE(whole.mouseReleased(kLeft, 900.0f, 400.0f));
    EXPECT_FALSE(whole.isDragging());
    EXPECT_EQ(log.calls, (std::vector<std::string>{"over", "pressed", "changed", "changed", "released"}));

    log.calls.clear();
    whole.setSilent(true);
    whole.hover(216.0f, 65.0f);
    whole.mousePressed(kLeft, 216.0f, 65.0f);
    whole.mouseReleased(kLeft, 216.0f, 65.0f);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_FLOAT_EQ(whole.value(), 51.0f);

    // A press beside the slider is not its business; a disabled one ignores it.
    EXPECT_FALSE(whole.mousePressed(kLeft, 90.0f, 65.0f));
    whole.setEnabled(false);
    EXPECT_FALSE(whole.mousePressed(kLeft, 216.0f, 65.0f));
}

TEST_F(SliderTest, EscapeDuringADragPutsTheValueBackAndTellsTheListeners) {
    GuiSlider& whole = make(SliderKind::Whole);
    GuiContainer root;
    root.setRect(0, 0, 1024, 768);
    root.addShared(&whole);
    EXPECT_FALSE(root.cancelPointerDrag());  // no drag: nothing to put back
    whole.hover(216.0f, 65.0f);
    whole.mousePressed(kLeft, 216.0f, 65.0f);
    whole.hover(900.0f, 400.0f);
    ASSERT_FLOAT_EQ(whole.value(), 100.0f);
    log.calls.clear();
    EXPECT_TRUE(root.cancelPointerDrag());
    EXPECT_FLOAT_EQ(whole.value(), 40.0f);
    EXPECT_FALSE(whole.isDragging());
    EXPECT_EQ(log.calls, (std::vector<std::string>{"changed", "released"}));
    root.removeShared(&whole);
}

TEST_F(SliderTest, BoundsClampFollowAndRespectTheirLimits) {
    GuiSlider& real = make(SliderKind::Real);
    real.setValue(150.0f);
    EXPECT_FLOAT_EQ(real.value(), 100.0f);
    real.setMaximumFollowsValue(true);
    real.setValue(150.0f);
    EXPECT_FLOAT_EQ(real.maximum(), 150.0f);
    EXPECT_FLOAT_EQ(real.value(), 150.0f);

    real.setMinimumLimit(-5.0f);
    real.setMinimum(-20.0f);
    EXPECT_FLOAT_EQ(real.minimum(), -5.0f);
    real.setMaximumLimit(120.0f);
    real.setMaximum(500.0f);
    EXPECT_FLOAT_EQ(real.maximum(), 120.0f);
    EXPECT_FLOAT_EQ(real.value(), 120.0f);  // lowered with the maximum
    real.setMinimum(130.0f);                 // never above the maximum
    EXPECT_FLOAT_EQ(real.minimum(), 120.0f);
}

TEST_F(SliderTest, TheWheelStepsWithinTheRangeAndEndsWithReleased) {
    GuiSlider& whole = make(SliderKind::Whole);
    EXPECT_FALSE(whole.mouseWheel(120));  // not over it
    whole.hover(200.0f, 65.0f);
    whole.setValue(100.0f);
    log.calls.clear();
    EXPECT_TRUE(whole.mouseWheel(120));
    EXPECT_FLOAT_EQ(whole.value(), 100.0f);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"released"}));
    whole.setStepCount(4);
    EXPECT_TRUE(whole.mouseWheel(-120));
    EXPECT_FLOAT_EQ(whole.value(), 75.0f);
}

TEST_F(SliderTest, TheValueDialogSetsValueMinimumAndMaximum) {
    GuiSlider& real = make(SliderKind::Real);
    real.setMinimumAdjustable(true);
    dialogs.answerSliderValue(SliderValueAction::SetMin, String("-3.5"));
    ASSERT_TRUE(real.openValueDialog());
    EXPECT_FLOAT_EQ(real.minimum(), -3.5f);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"released"}));
    ASSERT_EQ(dialogs.calls().size(), 1u);
    EXPECT_EQ(dialogs.calls()[0].text.str(), "40.000000");
    EXPECT_TRUE(dialogs.calls()[0].minimumAdjustable);
    EXPECT_FALSE(dialogs.calls()[0].maximumAdjustable);
    EXPECT_TRUE(dialogs.calls()[0].cursorVisible);

    GuiSlider& whole = make(SliderKind::Whole);
    whole.hover(200.0f, 65.0f);
    dialogs.answerSliderValue(SliderValueAction::SetValue, String("+77"));
    EXPECT_TRUE(whole.mouseDoubleClicked());
    EXPECT_FLOAT_EQ(whole.value(), 77.0f);
    EXPECT_EQ(dialogs.calls().back().text.str(), "40");
    EXPECT_FALSE(whole.isOver());

    dialogs.answerCancel();
    EXPECT_FALSE(whole.openValueDialog());
    EXPECT_FLOAT_EQ(whole.value(), 77.0f);
}

TEST_F(SliderTest, TheValueDialogRefusesTextsThatAreNoNumber) {
    GuiSlider& real = make(SliderKind::Real);
    real.setMinimumAdjustable(true);
    for (const char* text : {"1.2.3", "a12", "", "-", "1e5", "12 "}) {
        dialogs.answerSliderValue(SliderValueAction::SetMin, String(text));
        EXPECT_FALSE(real.openValueDialog()) << text;
        const DialogCall& box = dialogs.calls().back();
        EXPECT_EQ(box.kind, DialogKind::MessageBox) << text;
        EXPECT_EQ(box.caption.str(), "Is no number");
        EXPECT_EQ(box.text.str(), "You have not entered a valid number.");
    }
    EXPECT_FLOAT_EQ(real.minimum(), 0.0f);
    EXPECT_FLOAT_EQ(real.value(), 40.0f);
    EXPECT_TRUE(log.calls.empty());

    EXPECT_TRUE(GuiSlider::isValidNumber(String("-3.5")));
    EXPECT_TRUE(GuiSlider::isValidNumber(String("7.")));
    EXPECT_FALSE(GuiSlider::isValidNumber(String(".5")));
    EXPECT_FALSE(GuiSlider::isValidNumber(String(std::string(400, '9').c_str())));
}

}  // namespace
