#include "gui/animation_time_panel.h"

#include "gui/gui_label.h"

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 90;
constexpr int kTop = 120;

}  // namespace

AnimationTimePanel::AnimationTimePanel(int screenWidth, float& animationTime, const SliderServices& services)
    : PanelWindow(String("Animation Time"), (screenWidth - kWidth) / 2, kTop, kWidth, kHeight),
      animationTime_(animationTime) {
    auto* label = new GuiLabel(String("Animation Time (ms):"));
    label->setFont(String("Arial"), 10);
    label->setRect(contentLeft(), contentTop(), contentRight(), contentTop() + 18);
    add(label);
    slider_ = new GuiSlider(SliderKind::Whole, String("Animation Time"));
    slider_->setMinimum(0.0f);
    slider_->setMaximum(3000.0f);
    slider_->setStep(50.0f);
    slider_->setMaximumAdjustable(true);
    slider_->setDescription(String("How long one animation takes, in milliseconds."));
    slider_->setRect(contentLeft(), contentTop() + 20, contentRight(), contentTop() + 50);
    slider_->setServices(services);
    slider_->addListener(this);
    add(slider_);
    refresh();
}

void AnimationTimePanel::refresh() { slider_->setValue(animationTime_); }

void AnimationTimePanel::valueChanged(GuiSlider* slider) { animationTime_ = slider->value(); }

void AnimationTimePanel::released(GuiSlider* slider) { animationTime_ = slider->value(); }
