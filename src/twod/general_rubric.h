// GeneralRubric: the "Image" rubric of the 2D mode: the operations on whole
// images (add, clone, delete, mirror, rotate, move up and down in the list,
// cut the object out of a larger picture) and the tools that set an image's
// rotation centre, field-of-view centre and snap point by a click on it.
#pragma once

#include "gui/animation_time_panel.h"
#include "gui/gui_button.h"
#include "gui/gui_container.h"
#include "gui/gui_listeners.h"
#include "image/image_operations.h"
#include "twod/rubric.h"

#include <array>
#include <memory>

class TwoD;

class GeneralRubric : public Rubric, private GuiButtonListener {
public:
    // The buttons in their panel order.
    enum Button {
        kAdd,
        kClone,
        kDelete,
        kCutOut,
        kMoveUp,
        kMoveDown,
        kMirrorVertical,
        kMirrorHorizontal,
        kRotateLeft,
        kRotateRight,
        kRotationCentre,
        kFovCentre,
        kSnapPoint,
        kButtonCount
    };
    // The tool a click on the picture serves (at most one is on).
    enum class Tool { None, CutOut, RotationCentre, FovCentre, SnapPoint };

    explicit GeneralRubric(TwoD& mode);
    ~GeneralRubric() override;

    const char* label() const override { return "Image"; }
    GuiContainer& panel() override { return panel_; }
    // Updates the borders that changed ("Update border of image %s."), then
    // the buttons.
    void enter() override;
    void leave() override;
    void refresh() override;

    bool keyDown(int key) override;
    bool mouseDown(InputIdentifier button, float x, float y) override;
    void mouseMove(float x, float y) override;
    void mouseUp(InputIdentifier button, float x, float y) override;
    bool cancelGesture() override;
    bool isBusy() const override { return expanding_; }
    void drawOverlay(DxRenderer& renderer, const ViewRect& view) override;

    GuiButton& button(Button which) const { return *buttons_[static_cast<size_t>(which)]; }
    Tool tool() const { return tool_; }

    // The operations behind the buttons, on the selected image. Each does
    // nothing when its button is disabled.
    // "Load Images...": the file dialog, then the pictures are loaded with
    // the progress shown; files that are no usable picture are reported and
    // left out.
    void loadImages();
    void cloneSelected();
    // Asks "Really deleting image?" first.
    void deleteSelected();
    void turnSelected(EntryTurn turn);
    void moveSelected(int step);
    // Switches a click tool on (or off when it is on).
    void toggleTool(Tool tool);
    // "Animation Time...": the panel with the animation time slider.
    void showAnimationTimePanel();
    // The panel once it was shown, else null.
    AnimationTimePanel* animationTimePanel() const { return animationPanel_.get(); }

private:
    void build();
    void layout();
    void press(Button which);
    // The status text of a button for the current images.
    String statusText(Button which) const;
    void released(GuiButton* button) override;
    void over(GuiButton* button) override;
    void finishCutOut(ImagePoint end);
    void setPoint(Tool tool, ImagePoint point);

    TwoD& mode_;
    GuiContainer panel_;
    std::array<GuiButton*, kButtonCount> buttons_{};
    Tool tool_ = Tool::None;
    // The cut-out rectangle being expanded, in canvas pixels.
    bool expanding_ = false;
    ImagePoint rectStart_;
    ImagePoint rectEnd_;
    std::unique_ptr<AnimationTimePanel> animationPanel_;
};
