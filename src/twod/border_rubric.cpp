#include "twod/border_rubric.h"

#include "core/configuration.h"
#include "twod/colour_panel.h"
#include "twod/two_d.h"

BorderRubric::BorderRubric(TwoD& mode) : mode_(mode), panel_(String("Border rubric")) {}

BorderRubric::~BorderRubric() = default;

void BorderRubric::enter() { refresh(); }

void BorderRubric::refresh() {}

void BorderRubric::showColourPanels() {
    if (borderColours_ && borderColours_->isVisible()) {
        showVertexColourPanel();
    } else {
        showBorderColourPanel();
    }
}

void BorderRubric::showBorderColourPanel() {
    if (!borderColours_) {
        Settings& settings = mode_.workspace().settings();
        const int width = 300;
        const int left = (mode_.workspace().backBufferWidth() - width) / 2;
        borderColours_ = std::make_unique<ColourPanel>(
            mode_.workspace(), String("Border color"), left, 120, width,
            std::vector<ColourPanel::Row>{{"Color of the border:", &settings.bordercol},
                                          {"Color of the border while removing:", &settings.bordercolrem},
                                          {"Color of the border under the mouse:", &settings.bordercolover},
                                          {"Color of the selected border:", &settings.bordercolselected}},
            nullptr);
    }
    mode_.showFloatingPanel(*borderColours_);
}

void BorderRubric::showVertexColourPanel() {
    if (!vertexColours_) {
        Settings& settings = mode_.workspace().settings();
        const int width = 300;
        const int left = (mode_.workspace().backBufferWidth() - width) / 2;
        vertexColours_ = std::make_unique<ColourPanel>(
            mode_.workspace(), String("Border vertex color"), left, 120, width,
            std::vector<ColourPanel::Row>{{"Color of the vertices:", &settings.bordercolvertuns},
                                          {"Color of the vertex under the mouse:", &settings.bordercolvertover},
                                          {"Color of the selected vertices:", &settings.bordercolvertsel}},
            nullptr);
    }
    mode_.showFloatingPanel(*vertexColours_);
}
