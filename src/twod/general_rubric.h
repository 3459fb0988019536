// GeneralRubric: the "Image" rubric of the 2D mode: the operations on whole
// images (add, clone, delete, mirror, rotate, move up and down, cut out) and
// the tools that set an image's rotation centre, field-of-view centre and
// snap point.
#pragma once

#include "gui/gui_button.h"
#include "gui/gui_container.h"
#include "gui/gui_listeners.h"
#include "gui/gui_slider.h"
#include "twod/rubric.h"

#include <memory>

class PanelWindow;
class TwoD;

class GeneralRubric : public Rubric, private GuiButtonListener, private GuiSliderListener {
public:
    explicit GeneralRubric(TwoD& mode);
    ~GeneralRubric() override;

    const char* label() const override { return "Image"; }
    GuiContainer& panel() override { return panel_; }
    void enter() override;
    void refresh() override;

    // "Load Images...": the file dialog, then the pictures are loaded with
    // the progress shown; files that are no usable picture are reported and
    // left out.
    void loadImages();
    // "Animation Time...": the panel with the animation time slider.
    void showAnimationTimePanel();

private:
    void released(GuiButton* button) override;
    void valueChanged(GuiSlider* slider) override;

    TwoD& mode_;
    GuiContainer panel_;
    GuiButton* add_ = nullptr;
    std::unique_ptr<PanelWindow> animationPanel_;
    GuiSlider* animationTime_ = nullptr;
};
