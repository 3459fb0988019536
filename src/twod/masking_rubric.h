// MaskingRubric: the "Mask" rubric of the 2D mode, where the object is masked
// on each image with the mask tools, and the "Mask color" panel.
#pragma once

#include "gui/gui_container.h"
#include "image/masking_session.h"
#include "twod/rubric.h"

#include <memory>

class ColourPanel;
class TwoD;

class MaskingRubric : public Rubric {
public:
    explicit MaskingRubric(TwoD& mode);
    ~MaskingRubric() override;

    const char* label() const override { return "Mask"; }
    GuiContainer& panel() override { return panel_; }
    void enter() override;
    void refresh() override;

    // Images were added or removed (parallel masking needs two or more).
    void imagesChanged();
    // "Mask color..." and the key M: the panel of the mask and brush colours.
    void showColourPanel();

    MaskingSession& session() { return session_; }

private:
    // The mask colour changed: the mask textures and the list follow.
    void maskColourChanged();

    TwoD& mode_;
    GuiContainer panel_;
    MaskingSession session_;
    std::unique_ptr<ColourPanel> colourPanel_;
};
