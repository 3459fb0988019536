// AnimationTimePanel: the floating panel of "Animation Time...": one slider
// "Animation Time (ms):" (0 to 3000 milliseconds, the maximum adjustable)
// that writes the animation time setting as it moves, as a value is typed
// into its dialog and as the wheel turns it. Either mode shows it over its
// screen.
#pragma once

#include "gui/gui_listeners.h"
#include "gui/gui_slider.h"
#include "gui/panel_window.h"

class AnimationTimePanel : public PanelWindow, private GuiSliderListener {
public:
    // A hidden panel centred on a back buffer `screenWidth` pixels wide that
    // writes `animationTime` (which must outlive the panel).
    AnimationTimePanel(int screenWidth, float& animationTime, const SliderServices& services);

    // The slider takes the setting's present value.
    void refresh();
    GuiSlider& slider() const { return *slider_; }

private:
    void valueChanged(GuiSlider* slider) override;
    void released(GuiSlider* slider) override;

    float& animationTime_;
    GuiSlider* slider_ = nullptr;
};
