#include "twod/masking_rubric.h"

#include "core/configuration.h"
#include "twod/colour_panel.h"
#include "twod/two_d.h"

MaskingRubric::MaskingRubric(TwoD& mode)
    : mode_(mode), panel_(String("Mask rubric")), session_(mode.undoList(), mode.maskNotifier()) {}

MaskingRubric::~MaskingRubric() = default;

void MaskingRubric::enter() { refresh(); }

void MaskingRubric::refresh() {}

void MaskingRubric::imagesChanged() { refresh(); }

void MaskingRubric::maskColourChanged() {
    const ColourBytes& colour = mode_.workspace().settings().maskcol;
    const Rgb rgb{colour.red, colour.green, colour.blue};
    mode_.maskWiring().setMaskColour(rgb);
    mode_.imageList().setMaskColour(rgb, 110);
}

void MaskingRubric::showColourPanel() {
    if (!colourPanel_) {
        Settings& settings = mode_.workspace().settings();
        const int width = 300;
        const int left = (mode_.workspace().backBufferWidth() - width) / 2;
        colourPanel_ = std::make_unique<ColourPanel>(
            mode_.workspace(), String("Mask color"), left, 120, width,
            std::vector<ColourPanel::Row>{{"Color of mask and brush:", &settings.maskcol},
                                          {"Color of brush not pressed:", &settings.brushcolover},
                                          {"Color of removing brush:", &settings.brushcolrem},
                                          {"Color of removing brush not pressed:", &settings.brushcolremover}},
            [this] { maskColourChanged(); });
        colourPanel_->addPipette("Pipette to select the mask color.");
    }
    mode_.showFloatingPanel(*colourPanel_);
}
