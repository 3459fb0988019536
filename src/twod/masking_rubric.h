// MaskingRubric: the "Mask" rubric of the 2D mode, where the object is masked
// on each image. Its panel holds the mask transparency, the six tools
// (brush, line, rectangle, fill, threshold, growing; keys 1 to 6), the
// whole-mask buttons (erase X, fill C, invert V), parallel masking (P), undo
// (Z) and redo (Y), and below them the open tool's own panel, whose controls
// the keys Q, W, E, R, T reach in their order (the threshold panel adds D, F,
// G for its red, green and blue sliders; a key on a slider opens its value
// dialog).
//
// On the picture it draws the brush outline and, while "Render Interactive
// Preview" is on, what a fill from the pixel under the pointer or the global
// threshold would change. The "Mask color" panel (key M) chooses the colours
// of the mask and the brush.
#pragma once

#include "gui/gui_button.h"
#include "gui/gui_checkbox.h"
#include "gui/gui_container.h"
#include "gui/gui_listeners.h"
#include "gui/gui_slider.h"
#include "image/masking_session.h"
#include "twod/rubric.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

class ColourPanel;
class Texture;
class TwoD;

class MaskingRubric : public Rubric,
                      private GuiButtonListener,
                      private GuiSliderListener,
                      private GuiCheckboxListener {
public:
    static constexpr int kToolCount = 6;

    explicit MaskingRubric(TwoD& mode);
    ~MaskingRubric() override;

    const char* label() const override { return "Mask"; }
    GuiContainer& panel() override { return panel_; }
    void enter() override;
    void leave() override;
    void refresh() override;

    bool keyDown(int key) override;
    bool mouseDown(InputIdentifier button, float x, float y) override;
    void mouseMove(float x, float y) override;
    void mouseUp(InputIdentifier button, float x, float y) override;
    bool cancelGesture() override;
    bool isBusy() const override;
    bool toolPoint(float& x, float& y) const override;
    void drawOverlay(DxRenderer& renderer, const ViewRect& view) override;

    // Images were added or removed (parallel masking needs two or more).
    void imagesChanged();
    // "Mask color..." and the key M: the panel of the mask and brush colours.
    void showColourPanel();

    MaskingSession& session() { return session_; }
    MaskTool tool() const { return tool_; }
    // Makes `tool` the open one (its button latched, its panel shown).
    void selectTool(MaskTool tool);
    // Undo and redo of the selected image's mask, with their status texts.
    void undo();
    void redo();
    // Sets the mask transparency (all masks are rewritten to it).
    void setTransparency(float value);

    // The controls the keys Q, W, E, R, T reach in the open tool panel (then
    // D, F, G on the threshold panel).
    const std::vector<GuiComponent*>& keyedControls() const;
    GuiButton& toolButton(MaskTool tool) const { return *toolButtons_[static_cast<size_t>(tool)]; }
    GuiButton& undoButton() const { return *undo_; }
    GuiButton& redoButton() const { return *redo_; }
    GuiCheckbox& parallelBox() const { return *parallel_; }

private:
    // A pair (or more) of buttons of which the one that matches the settings
    // is latched; a click changes the settings.
    struct Choice {
        GuiButton* button;
        std::function<bool(const MaskToolSettings&)> isOn;
        std::function<void(MaskToolSettings&)> choose;
    };
    // A slider that shows and sets one setting.
    struct Binding {
        GuiSlider* slider;
        std::function<float(const MaskToolSettings&)> get;
        std::function<void(MaskToolSettings&, float)> set;
    };
    // One line of a tool panel: controls side by side, `height` pixels high.
    struct PanelRow {
        std::vector<GuiComponent*> items;
        int height = 0;
    };
    struct ToolPanel {
        GuiContainer* container = nullptr;
        std::vector<GuiComponent*> keyed;  // Q, W, E, R, T, then D, F, G
        std::vector<PanelRow> rows;        // top to bottom
    };

    void build();
    void buildToolPanels();
    void layout();
    GuiButton* addChoice(GuiContainer& container, const char* caption, const char* help,
                         std::function<bool(const MaskToolSettings&)> isOn,
                         std::function<void(MaskToolSettings&)> choose);
    GuiSlider* addBinding(GuiContainer& container, GuiSlider* slider,
                          std::function<float(const MaskToolSettings&)> get,
                          std::function<void(MaskToolSettings&, float)> set);
    GuiButton* addAction(GuiContainer& container, const char* caption, const char* help, std::function<void()> run);
    // Rows of the tool panels that every panel shares in the same form.
    void addOperationRow(ToolPanel& panel, bool threshold);
    void addSliderRows(ToolPanel& panel, const char* label, GuiSlider* slider);
    void syncControls();
    // The images as the tools see them now.
    MaskImages maskImages();
    bool pressControl(GuiComponent* control);
    void afterOperation();
    void maskColourChanged();
    void updatePreview();
    void hidePreview();

    void released(GuiButton* button) override;
    void valueChanged(GuiSlider* slider) override;
    // The value dialog ends with a release: the value counts the same.
    void released(GuiSlider* slider) override { valueChanged(slider); }
    void checked(GuiCheckbox* checkbox) override;
    void unchecked(GuiCheckbox* checkbox) override;

    TwoD& mode_;
    GuiContainer panel_;
    MaskingSession session_;
    MaskTool tool_ = MaskTool::Brush;
    GuiSlider* transparency_ = nullptr;
    std::array<GuiButton*, kToolCount> toolButtons_{};
    GuiButton* erase_ = nullptr;
    GuiButton* fill_ = nullptr;
    GuiButton* invert_ = nullptr;
    GuiCheckbox* parallel_ = nullptr;
    GuiButton* undo_ = nullptr;
    GuiButton* redo_ = nullptr;
    GuiSlider* tolerance_ = nullptr;
    GuiSlider* neighbours_ = nullptr;
    GuiButton* globalGrow_ = nullptr;
    GuiButton* pipette_ = nullptr;
    std::array<ToolPanel, kToolCount> toolPanels_{};
    std::vector<Choice> choices_;
    std::vector<Binding> bindings_;
    std::vector<std::pair<GuiButton*, std::function<void()>>> actions_;
    std::vector<MaskTarget> targets_;
    std::unique_ptr<ColourPanel> colourPanel_;

    // The pointer over the picture (canvas pixels) and whether a stroke runs.
    bool pointerOnImage_ = false;
    float pointerX_ = 0.0f;
    float pointerY_ = 0.0f;
    bool stroking_ = false;
    // The interactive preview: what the fill or threshold would change.
    std::unique_ptr<Texture> preview_;
    std::vector<unsigned char> previewAlpha_;
    bool previewShown_ = false;
    int previewX_ = -1;
    int previewY_ = -1;
    bool previewStale_ = true;
};
