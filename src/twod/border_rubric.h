// BorderRubric: the "Border" rubric of the 2D mode, where the user chooses
// how the vertices of the selected image's border are smoothed. A click
// selects the vertex under the pointer, a drag selects every vertex inside
// its rectangle; the three mode buttons (Q, W, E) set the selected vertices
// to not smoothed, smoothed within the maximum distance, or smoothed without
// limit; the slider (R) sets the border's maximum distance; T opens the
// border colour panel (key B as well; B again the vertex colour panel).
#pragma once

#include "gui/gui_button.h"
#include "gui/gui_container.h"
#include "gui/gui_listeners.h"
#include "gui/gui_slider.h"
#include "twod/rubric.h"

#include <array>
#include <memory>
#include <vector>

class Border;
class ColourPanel;
class Texture;
class TwoD;
struct ImageEntry;

class BorderRubric : public Rubric, private GuiButtonListener, private GuiSliderListener {
public:
    // The mode buttons, in panel order, and the smoothing mode each sets.
    static constexpr int kModeButtonCount = 3;
    static constexpr int kModeOf[kModeButtonCount] = {2, 1, 0};

    explicit BorderRubric(TwoD& mode);
    ~BorderRubric() override;

    const char* label() const override { return "Border"; }
    GuiContainer& panel() override { return panel_; }
    // Updates the borders that changed ("Update border of image %s"), then
    // shows the selected border's maximum distance.
    void enter() override;
    void leave() override;
    void refresh() override;

    bool keyDown(int key) override;
    bool mouseDown(InputIdentifier button, float x, float y) override;
    void mouseMove(float x, float y) override;
    void mouseUp(InputIdentifier button, float x, float y) override;
    bool cancelGesture() override;
    bool isBusy() const override { return pressed_; }
    void drawOverlay(DxRenderer& renderer, const ViewRect& view) override;

    // The key B: the border colour panel, or the vertex colour panel while
    // the border colour panel is open.
    void showColourPanels();
    void showBorderColourPanel();
    void showVertexColourPanel();

    // Sets the smoothing mode of the selected vertices (0, 1 or 2) and
    // rebuilds the border; false (with the reason as status) when nothing
    // is selected.
    bool setSelectedMode(int mode);
    // Sets the selected border's maximum distance.
    void setMaxDistance(float distance);

    GuiButton& modeButton(int index) const { return *modeButtons_[static_cast<size_t>(index)]; }
    GuiSlider& maxDistanceSlider() const { return *maxDistance_; }

private:
    // The selected image's border with vertices; null otherwise.
    Border* selectedBorder() const;
    // Why vertices cannot be smoothed now; empty when they can.
    String refusal(bool needSelection) const;
    void selectionDone();
    void showSelectionStatus();
    // Canvas pixels to outline coordinates of `border`.
    void toOutline(const Border& border, float x, float y, float& ox, float& oy) const;

    void released(GuiButton* button) override;
    void valueChanged(GuiSlider* slider) override;
    // The value dialog ends with a release: the value counts the same.
    void released(GuiSlider* slider) override { valueChanged(slider); }

    TwoD& mode_;
    GuiContainer panel_;
    std::array<GuiButton*, kModeButtonCount> modeButtons_{};
    GuiSlider* maxDistance_ = nullptr;
    GuiSlider* passes_ = nullptr;
    GuiButton* colours_ = nullptr;
    std::unique_ptr<ColourPanel> borderColours_;
    std::unique_ptr<ColourPanel> vertexColours_;
    std::unique_ptr<Texture> dot_;

    // The selection in progress: pressed at (startX, startY) canvas pixels.
    bool pressed_ = false;
    bool dragged_ = false;
    float startX_ = 0.0f;
    float startY_ = 0.0f;
    float endX_ = 0.0f;
    float endY_ = 0.0f;
    std::vector<int> selectionBefore_;
    // The vertex under the pointer (slot), -1 for none.
    int overSlot_ = -1;
};
