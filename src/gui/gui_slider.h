// GuiSlider: a knob on a track that sets a number. Three kinds: whole
// numbers, real numbers, and a power-of-two scale whose value is an index
// 0..12 shown as 2048, 1024, ... 1, 0.5. Dragging, clicking on the track and
// the wheel change the value; a double click opens the value dialog, where a
// number can be typed and, when allowed, made the new minimum or maximum.
#pragma once

#include "gui/gui_art.h"
#include "gui/gui_component.h"
#include "gui/gui_listeners.h"

#include <functional>
#include <vector>

class Dialogs;
class SystemCursor;

enum class SliderKind { Whole = 0, Real = 1, PowerOfTwo = 2 };

// What a slider needs from the application besides drawing: the value
// dialog, the system cursor shown around it, and a way to move the pointer
// onto the knob after a wheel turn. Every member may stay empty: then the
// dialog is not offered and the pointer stays where it is.
struct SliderServices {
    Dialogs* dialogs = nullptr;
    SystemCursor* systemCursor = nullptr;
    // Moves the pointer to (x, y) in back-buffer pixels.
    std::function<void(float, float)> movePointer;
};

class GuiSlider : public GuiComponent {
public:
    // Size of the knob in pixels (square).
    static constexpr int kKnobSize = 30;
    // Highest index of a power-of-two slider (it shows "0.5").
    static constexpr int kLastPowerIndex = 12;
    // Height of the tick labels of a power-of-two slider and their gap to
    // the track.
    static constexpr int kTickLabelHeight = 18;
    static constexpr int kTickLabelGap = 2;

    // A slider named "Slider" of `kind` from 0 to 100 at 40 (a power-of-two
    // slider from 0 to 12 at 12), step 1, not silent.
    explicit GuiSlider(SliderKind kind, const String& name = String("Slider"));

    void addListener(GuiSliderListener* listener);
    void setServices(SliderServices services) { services_ = std::move(services); }

    // --- value and range
    // A value at or below the minimum becomes the minimum (or moves the
    // minimum there while it follows the value); likewise for the maximum.
    // Whole-number and power-of-two sliders round to the nearest integer.
    // Listeners are not called. Non-finite values are ignored.
    void setValue(float value);
    float value() const { return value_; }
    // Raised to the lower limit when one is set and kept at most the
    // maximum; a value below the new minimum is raised to it.
    void setMinimum(float minimum);
    // Lowered to the upper limit when one is set and kept at least the
    // minimum; a value above the new maximum is lowered to it.
    void setMaximum(float maximum);
    float minimum() const { return minimum_; }
    float maximum() const { return maximum_; }
    // Wheel step in value units (the step count is switched off).
    void setStep(float step);
    // One wheel step is (maximum − minimum) / count from now on (count ≥ 1).
    void setStepCount(int count);
    // The wheel step now in force.
    float step() const;
    // While set, the minimum (maximum) moves to a value set below (above) it.
    void setMinimumFollowsValue(bool follows) { minimumFollows_ = follows; }
    void setMaximumFollowsValue(bool follows) { maximumFollows_ = follows; }
    // Whether the value dialog offers "Set Min" / "Set Max", and whether a
    // drag past the track's end extends the range.
    void setMinimumAdjustable(bool adjustable) { minimumAdjustable_ = adjustable; }
    void setMaximumAdjustable(bool adjustable) { maximumAdjustable_ = adjustable; }
    bool isMinimumAdjustable() const { return minimumAdjustable_; }
    bool isMaximumAdjustable() const { return maximumAdjustable_; }
    // The lowest minimum and highest maximum the user may choose.
    void setMinimumLimit(float limit);
    void setMaximumLimit(float limit);
    void clearLimits() { hasMinimumLimit_ = hasMaximumLimit_ = false; }

    // While silent, no listener is called.
    void setSilent(bool silent) { silent_ = silent; }
    bool isSilent() const { return silent_; }
    // A line added below the value in the help texts (empty: none).
    void setDescription(const String& description) { description_ = description; }
    const String& description() const { return description_; }
    SliderKind kind() const { return kind_; }

    // --- mapping between pointer and value
    // Track ends in pixels: the rectangle less half a knob on each side.
    float trackLeft() const { return trackLeft_; }
    float trackRight() const { return trackRight_; }
    // The value at pointer x: the minimum at or left of the track's left end,
    // the maximum at or right of its right end, linear between; whole and
    // power-of-two sliders round half up and truncate.
    float valueAt(float x) const;
    // The pixel x of `value` on the track.
    float positionOf(float value) const;
    // The text a power-of-two slider shows for `index`: 2^(11 − index),
    // "0.5" for the last index.
    static String powerLabel(int index);
    // The help text for the current value with `pointerValue` as the value
    // under the pointer.
    String valueText(float pointerValue) const;
    // The tick label of a power-of-two slider under (x, y); -1 for none.
    int tickLabelAt(float x, float y) const;
    bool isDragging() const { return dragging_; }
    bool isOnTickLabel() const { return onTickLabel_; }

    // --- the value dialog
    // Asks for a number ("Set value of slider"). A valid answer sets the
    // value, minimum or maximum and calls released on every listener; an
    // invalid one shows "You have not entered a valid number." and changes
    // nothing. Ends dragging and clears over. False when no dialog could be
    // shown, it was cancelled or the text was refused.
    bool openValueDialog();
    // The dialog's rule: a digit, "+" or "-" first, then digits and at most
    // one "."; at least one digit; a finite number.
    static bool isValidNumber(const String& text);

    // --- component operations
    void setBounds(int left, int top, int bottom, int right) override;
    bool hover(float x, float y) override;
    bool mousePressed(InputIdentifier button, float x, float y) override;
    bool mouseReleased(InputIdentifier button, float x, float y) override;
    bool mouseDoubleClicked() override;
    bool mouseWheel(int delta) override;
    bool hitTest(float x, float y) override;
    void setEnabled(bool enabled) override;
    void render() override;
    void resetState() override;
    // ESC while dragging: the value the drag started from comes back and the
    // listeners hear it (valueChanged, then released).
    bool cancelPointerDrag() override;

private:
    template <typename Call>
    void notify(Call call);
    void layout();
    bool isWhole() const { return kind_ != SliderKind::Real; }
    // Over the rectangle, or over the tick labels while they are shown.
    bool isUnderPointer(float x, float y) const;
    bool showsTickLabels() const;
    float clampedToRange(float value) const;
    float extrapolatedValueAt(float x) const;
    void followDragBeyondEnds(float x);
    void showCurrentHelp(float pointerValue);
    void drawTickLabels(DxRenderer& renderer);
    void drawKnob(DxRenderer& renderer);

    SliderKind kind_;
    float minimum_ = 0.0f;
    float maximum_ = 100.0f;
    float value_ = 40.0f;
    float step_ = 1.0f;
    int stepCount_ = 0;
    bool useStepCount_ = false;
    float trackLeft_ = 0.0f;
    float trackRight_ = 100.0f;
    float pointerValue_ = 0.0f;
    float pointerX_ = 0.0f;
    float pointerY_ = 0.0f;
    bool onTickLabel_ = false;
    bool minimumFollows_ = false;
    bool maximumFollows_ = false;
    bool dragging_ = false;
    float valueBeforeDrag_ = 0.0f;
    bool silent_ = false;
    bool minimumAdjustable_ = false;
    bool maximumAdjustable_ = false;
    bool hasMinimumLimit_ = false;
    bool hasMaximumLimit_ = false;
    float minimumLimit_ = 0.0f;
    float maximumLimit_ = 0.0f;
    String description_;
    Texture* back_ = nullptr;
    Texture* backDisabled_ = nullptr;
    GuiArt knob_;
    Texture* labelOver_ = nullptr;
    Texture* labelPressed_ = nullptr;
    GuiFont labelFont_;
    SliderServices services_;
    std::vector<GuiSliderListener*> listeners_;
};
