// BorderRubric: the "Border" rubric of the 2D mode, where the smoothing of
// the border's vertices is chosen, and the border and vertex colour panels.
#pragma once

#include "gui/gui_container.h"
#include "twod/rubric.h"

#include <memory>

class ColourPanel;
class TwoD;

class BorderRubric : public Rubric {
public:
    explicit BorderRubric(TwoD& mode);
    ~BorderRubric() override;

    const char* label() const override { return "Border"; }
    GuiContainer& panel() override { return panel_; }
    void enter() override;
    void refresh() override;

    // The key B: the border colour panel, or the vertex colour panel while
    // the border colour panel is open.
    void showColourPanels();
    void showBorderColourPanel();
    void showVertexColourPanel();

private:
    TwoD& mode_;
    GuiContainer panel_;
    std::unique_ptr<ColourPanel> borderColours_;
    std::unique_ptr<ColourPanel> vertexColours_;
};
