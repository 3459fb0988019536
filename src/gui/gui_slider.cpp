#include "gui/gui_slider.h"

#include "gui/help_box.h"
#include "platform/dialogs.h"
#include "render/renderer.h"
#include "render/texture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

const char* const kSliderFolder = "data/gui/general/slider/";

String sliderArt(const char* file) { return String(kSliderFolder).append(String(file)); }

// printf into a String (the texts here are short apart from the name and
// description, which are bounded by the component's text limit).
template <typename... Args>
String formatted(const char* format, Args... args) {
    const int size = std::snprintf(nullptr, 0, format, args...);
    if (size <= 0) return String();
    std::string text(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    return String(size, text.data());
}

int truncatedInt(float value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(std::clamp(value, -2.0e9f, 2.0e9f));
}

}  // namespace

GuiSlider::GuiSlider(SliderKind kind, const String& name)
    : GuiComponent(name),
      kind_(kind),
      back_(loadGuiTexture(sliderArt("back.dds"))),
      backDisabled_(loadGuiTexture(sliderArt("backdisabled.dds"))),
      knob_(GuiArt::fromPaths(sliderArt("btnactive.dds"), sliderArt("btnover.dds"), sliderArt("btnpressed.dds"),
                              sliderArt("btndisabled.dds"))),
      labelOver_(loadGuiTexture(String("data/gui/general/btn/over.dds"))),
      labelPressed_(loadGuiTexture(String("data/gui/general/btn/pressed.dds"))),
      labelFont_("Arial", 8) {
    if (kind_ == SliderKind::PowerOfTwo) maximum_ = static_cast<float>(kLastPowerIndex);
    value_ = std::min(value_, maximum_);
    layout();
}

void GuiSlider::addListener(GuiSliderListener* listener) {
    if (listener != nullptr) listeners_.push_back(listener);
}

template <typename Call>
void GuiSlider::notify(Call call) {
    if (silent_) return;
    const size_t count = listeners_.size();
    for (size_t i = 0; i < count && i < listeners_.size(); ++i) call(listeners_[i]);
}

// ------------------------------------------------------------- value and range --

void GuiSlider::setValue(float value) {
    if (!std::isfinite(value)) return;
    if (isWhole()) value = std::floor(value + 0.5f);
    if (value <= minimum_) {
        if (minimumFollows_ && value < minimum_) setMinimum(value);
        value = std::max(value, minimum_);
    }
    if (value >= maximum_) {
        if (maximumFollows_ && value > maximum_) setMaximum(value);
        value = std::min(value, maximum_);
    }
    value_ = value;
}

void GuiSlider::setMinimum(float minimum) {
    if (!std::isfinite(minimum)) return;
    if (hasMinimumLimit_) minimum = std::max(minimum, minimumLimit_);
    // A minimum above the maximum would turn the track round.
    minimum_ = std::min(minimum, maximum_);
    if (value_ < minimum_) value_ = minimum_;
    layout();
}

void GuiSlider::setMaximum(float maximum) {
    if (!std::isfinite(maximum)) return;
    if (hasMaximumLimit_) maximum = std::min(maximum, maximumLimit_);
    maximum_ = std::max(maximum, minimum_);
    if (value_ > maximum_) value_ = maximum_;
    layout();
}

void GuiSlider::setStep(float step) {
    if (!std::isfinite(step) || step <= 0.0f) return;
    step_ = step;
    useStepCount_ = false;
}

void GuiSlider::setStepCount(int count) {
    stepCount_ = std::max(count, 1);
    useStepCount_ = true;
}

float GuiSlider::step() const {
    if (useStepCount_) return (maximum_ - minimum_) / static_cast<float>(stepCount_);
    return step_;
}

void GuiSlider::setMinimumLimit(float limit) {
    hasMinimumLimit_ = true;
    minimumLimit_ = limit;
}

void GuiSlider::setMaximumLimit(float limit) {
    hasMaximumLimit_ = true;
    maximumLimit_ = limit;
}

// ------------------------------------------------------------------- mapping --

void GuiSlider::layout() {
    const float half = static_cast<float>(kKnobSize) / 2.0f;
    trackLeft_ = static_cast<float>(left()) + half;
    trackRight_ = std::max(trackLeft_, static_cast<float>(right()) - half);
}

float GuiSlider::clampedToRange(float value) const { return std::clamp(value, minimum_, maximum_); }

float GuiSlider::extrapolatedValueAt(float x) const {
    const float width = trackRight_ - trackLeft_;
    if (width <= 0.0f) return minimum_;
    return minimum_ + (maximum_ - minimum_) * (x - trackLeft_) / width;
}

float GuiSlider::valueAt(float x) const {
    float value;
    if (x <= trackLeft_) value = minimum_;
    else if (x >= trackRight_) value = maximum_;
    else value = extrapolatedValueAt(x);
    if (isWhole()) value = std::max(std::trunc(value + 0.5f), std::ceil(minimum_));
    return clampedToRange(value);
}

float GuiSlider::positionOf(float value) const {
    const float range = maximum_ - minimum_;
    if (range <= 0.0f) return trackLeft_;
    return trackLeft_ + (trackRight_ - trackLeft_) * (clampedToRange(value) - minimum_) / range;
}

String GuiSlider::powerLabel(int index) {
    if (index >= kLastPowerIndex) return String("0.5");
    index = std::max(index, 0);
    return formatted("%d", 1 << (11 - index));
}

String GuiSlider::valueText(float pointerValue) const {
    const bool withDescription = description_.length() > 0;
    const char* name = this->name().text();
    const char* description = description_.text();
    if (kind_ == SliderKind::PowerOfTwo) {
        const int index = truncatedInt(value_);
        if (index >= kLastPowerIndex)
            return withDescription ? formatted("%s: 0.5\n%s", name, description) : formatted("%s: 0.5", name);
        const int shown = 1 << (11 - std::max(index, 0));
        return withDescription ? formatted("%s: %d\n%s", name, shown, description) : formatted("%s: %d", name, shown);
    }
    if (kind_ == SliderKind::Real) {
        const double value = value_;
        const double under = pointerValue;
        return withDescription ? formatted("%s: %f. On value: %f\n%s", name, value, under, description)
                               : formatted("%s: %f. On value: %f", name, value, under);
    }
    const int value = truncatedInt(value_);
    if (dragging_) return withDescription ? formatted("%s: %d\n%s", name, value, description) : formatted("%s: %d", name, value);
    const int under = truncatedInt(pointerValue);
    return withDescription ? formatted("%s: %d. On value: %d\n%s", name, value, under, description)
                           : formatted("%s: %d. On value: %d", name, value, under);
}

bool GuiSlider::showsTickLabels() const { return kind_ == SliderKind::PowerOfTwo && (isOver() || dragging_); }

int GuiSlider::tickLabelAt(float x, float y) const {
    if (kind_ != SliderKind::PowerOfTwo) return -1;
    const float bottom = static_cast<float>(top() - kTickLabelGap);
    const float top = bottom - static_cast<float>(kTickLabelHeight);
    if (y < top || y > bottom) return -1;
    const float spacing = (trackRight_ - trackLeft_) / static_cast<float>(kLastPowerIndex);
    for (int index = 0; index <= kLastPowerIndex; ++index) {
        const float centre = positionOf(static_cast<float>(index));
        const float half = std::max(spacing / 2.0f, 1.0f);
        if (x >= centre - half && x < centre + half) return index;
    }
    return -1;
}

bool GuiSlider::isUnderPointer(float x, float y) const {
    if (contains(x, y)) return true;
    return showsTickLabels() && tickLabelAt(x, y) >= 0;
}

// ------------------------------------------------------------------- events --

void GuiSlider::setBounds(int left, int top, int bottom, int right) {
    GuiComponent::setBounds(left, top, bottom, right);
    layout();
}

bool GuiSlider::hitTest(float x, float y) { return isVisible() && isUnderPointer(x, y); }

void GuiSlider::showCurrentHelp(float pointerValue) {
    if (isEnabled()) setCurrentHelpText(valueText(pointerValue));
    else applyStateHelpText();
}

bool GuiSlider::hover(float x, float y) {
    if (!isVisible()) return false;
    pointerX_ = x;
    pointerY_ = y;
    if (dragging_) {
        followDragBeyondEnds(x);
        const float before = value_;
        setValue(valueAt(x));
        pointerValue_ = value_;
        if (value_ != before) notify([this](GuiSliderListener* l) { l->valueChanged(this); });
        showCurrentHelp(pointerValue_);
        reportPointerState(kPointerPressed);
        return true;
    }
    if (!isUnderPointer(x, y)) {
        setOver(false);
        onTickLabel_ = false;
        return false;
    }
    const int label = tickLabelAt(x, y);
    onTickLabel_ = showsTickLabels() && label >= 0;
    pointerValue_ = onTickLabel_ ? static_cast<float>(label) : valueAt(x);
    setOver(true);
    notify([this](GuiSliderListener* l) { l->over(this); });
    showCurrentHelp(pointerValue_);
    if (isEnabled()) reportPointerState(kPointerOver);
    return true;
}

void GuiSlider::followDragBeyondEnds(float x) {
    // Dragging past an end of the track extends an adjustable range.
    if (minimumAdjustable_ && x < trackLeft_) {
        float wanted = extrapolatedValueAt(x);
        if (isWhole()) wanted = std::floor(wanted);
        if (wanted < minimum_) setMinimum(wanted);
    }
    if (maximumAdjustable_ && x > trackRight_) {
        float wanted = extrapolatedValueAt(x);
        if (isWhole()) wanted = std::ceil(wanted);
        if (wanted > maximum_) setMaximum(wanted);
    }
}

bool GuiSlider::mousePressed(InputIdentifier, float x, float y) {
    if (!isVisible() || !isEnabled()) return false;
    if (!isUnderPointer(x, y)) {
        setOver(false);
        return false;
    }
    const int label = showsTickLabels() ? tickLabelAt(x, y) : -1;
    dragging_ = true;
    valueBeforeDrag_ = value_;
    setOver(true);
    setValue(label >= 0 ? static_cast<float>(label) : valueAt(x));
    pointerValue_ = value_;
    notify([this](GuiSliderListener* l) { l->pressed(this); });
    notify([this](GuiSliderListener* l) { l->valueChanged(this); });
    showCurrentHelp(pointerValue_);
    HelpBox::instance().show(helpText(), x, y);
    reportPointerState(kPointerPressed);
    return true;
}

bool GuiSlider::mouseReleased(InputIdentifier, float, float) {
    if (!dragging_) return false;
    dragging_ = false;
    notify([this](GuiSliderListener* l) { l->released(this); });
    return true;
}

bool GuiSlider::mouseDoubleClicked() {
    if (!isVisible() || !isEnabled() || !(isOver() || dragging_)) return false;
    openValueDialog();
    return true;
}

bool GuiSlider::mouseWheel(int delta) {
    if (!isVisible() || !isEnabled() || !(isOver() || dragging_)) return false;
    setValue(delta > 0 ? value_ + step() : value_ - step());
    if (services_.movePointer) {
        const float middle = static_cast<float>(top() + bottom()) / 2.0f;
        services_.movePointer(positionOf(value_), middle);
    }
    notify([this](GuiSliderListener* l) { l->released(this); });
    return true;
}

void GuiSlider::setEnabled(bool enabled) {
    GuiComponent::setEnabled(enabled);
    if (!enabled) dragging_ = false;
    applyStateHelpText();
}

void GuiSlider::resetState() {
    GuiComponent::resetState();
    dragging_ = false;
    onTickLabel_ = false;
}

// -------------------------------------------------------------- value dialog --

bool GuiSlider::isValidNumber(const String& text) {
    const int length = text.length();
    if (length == 0) return false;
    const char* bytes = text.text();
    const char first = bytes[0];
    const bool firstIsDigit = first >= '0' && first <= '9';
    if (!firstIsDigit && first != '+' && first != '-') return false;
    bool sawPoint = false;
    bool sawDigit = firstIsDigit;
    for (int i = 1; i < length; ++i) {
        const char c = bytes[i];
        if (c >= '0' && c <= '9') {
            sawDigit = true;
        } else if (c == '.' && !sawPoint) {
            sawPoint = true;
        } else {
            return false;
        }
    }
    // "-" or "+." alone hold no number at all.
    return sawDigit && std::isfinite(std::strtod(bytes, nullptr));
}

bool GuiSlider::openValueDialog() {
    dragging_ = false;
    setOver(false);
    if (services_.dialogs == nullptr) return false;
    const String initial = isWhole() ? formatted("%d", truncatedInt(value_)) : formatted("%f", static_cast<double>(value_));

    std::optional<SliderValueAnswer> answer;
    bool refused = false;
    {
        std::optional<ShownSystemCursor> shown;
        if (services_.systemCursor != nullptr) shown.emplace(*services_.systemCursor);
        answer = services_.dialogs->sliderValue(initial, minimumAdjustable_, maximumAdjustable_);
        if (answer && !isValidNumber(answer->text)) {
            refused = true;
            services_.dialogs->messageBox(String("Is no number"), String("You have not entered a valid number."),
                                          MessageButtons::Ok, MessageIcon::Warning);
        }
    }
    if (!answer || refused) return false;

    const float number = static_cast<float>(std::strtod(answer->text.text(), nullptr));
    switch (answer->action) {
        case SliderValueAction::SetValue: setValue(number); break;
        case SliderValueAction::SetMin:
            if (!minimumAdjustable_) return false;
            setMinimum(number);
            break;
        case SliderValueAction::SetMax:
            if (!maximumAdjustable_) return false;
            setMaximum(number);
            break;
    }
    notify([this](GuiSliderListener* l) { l->released(this); });
    return true;
}

// ------------------------------------------------------------------- drawing --

void GuiSlider::drawKnob(DxRenderer& renderer) {
    const ArtState state = artStateOf(isEnabled(), isOver(), dragging_);
    const float half = static_cast<float>(kKnobSize) / 2.0f;
    const float centreX = positionOf(value_);
    const float centreY = static_cast<float>(top() + bottom()) / 2.0f;
    drawStretched(renderer, knob_.texture(state), centreX - half, centreY - half, centreX + half, centreY + half);
}

void GuiSlider::drawTickLabels(DxRenderer& renderer) {
    const bool haveFont = labelFont_.select(renderer);
    const float spacing = (trackRight_ - trackLeft_) / static_cast<float>(kLastPowerIndex);
    const float half = std::max(spacing / 2.0f - 1.0f, 1.0f);
    const float bottom = static_cast<float>(top() - kTickLabelGap);
    const float top = bottom - static_cast<float>(kTickLabelHeight);
    const int active = dragging_ ? truncatedInt(value_) : (onTickLabel_ ? truncatedInt(pointerValue_) : -1);
    for (int index = 0; index <= kLastPowerIndex; ++index) {
        const float centre = positionOf(static_cast<float>(index));
        const bool chosen = index == active;
        drawStretched(renderer, chosen ? labelPressed_ : labelOver_, centre - half, top, centre + half, bottom);
        if (!haveFont) continue;
        const PixelRect rect{static_cast<int>(centre - half), static_cast<int>(top) + 3, static_cast<int>(centre + half),
                             static_cast<int>(bottom)};
        renderer.drawText(rect, powerLabel(index), chosen ? 0xFF000000u : 0xFFFFFFFFu, TextAlign::Centre);
    }
}

void GuiSlider::render() {
    if (!isVisible()) return;
    DxRenderer& renderer = guiRenderer();
    drawStretched(renderer, isEnabled() ? back_ : (backDisabled_ ? backDisabled_ : back_), static_cast<float>(left()),
                  static_cast<float>(top()), static_cast<float>(right()), static_cast<float>(bottom()));
    drawKnob(renderer);
    if (showsTickLabels()) drawTickLabels(renderer);
    GuiComponent::render();
}

bool GuiSlider::cancelPointerDrag() {
    if (!dragging_) return false;
    dragging_ = false;
    setValue(valueBeforeDrag_);
    notify([this](GuiSliderListener* l) { l->valueChanged(this); });
    notify([this](GuiSliderListener* l) { l->released(this); });
    return true;
}
