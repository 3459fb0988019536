// ColourPanel: a floating panel of colour settings. Each row shows a label
// and a swatch of the colour; clicking the swatch opens the colour chooser
// preset with the colour, and the chosen colour is stored in the setting it
// shows. An optional pipette toggle lets the user take a colour from the
// picture instead (the owner asks pipetteActive() and calls takePipette()).
#pragma once

#include "core/configuration.h"
#include "gui/gui_button.h"
#include "gui/panel_window.h"

#include <functional>
#include <vector>

class Workspace;

class ColourPanel : public PanelWindow, private GuiButtonListener {
public:
    struct Row {
        const char* label;
        ColourBytes* colour;  // the setting the row shows and sets
    };

    // Height of one row.
    static constexpr int kRowHeight = 28;

    // `changed` is called after a colour was chosen (may be empty). The
    // settings the rows point to must outlive the panel.
    ColourPanel(Workspace& workspace, const String& title, int left, int top, int width, std::vector<Row> rows,
                std::function<void()> changed);

    // Adds the pipette toggle as the last row; `help` is its help text.
    void addPipette(const char* help);
    bool pipetteActive() const { return pipette_ != nullptr && pipette_->isLatched(); }
    // The pipette took `colour` for row `row` (0 = the first): stores it,
    // switches the pipette off and calls the change handler.
    void takePipette(int row, const ColourBytes& colour);
    // Row `index` as a button (for the keys that reach the panel's controls).
    GuiButton* swatch(int index) const;
    GuiButton* pipette() const { return pipette_; }
    // Opens the colour chooser for row `index`; false when it was cancelled.
    bool chooseColour(int index);

private:
    class Swatch;

    void released(GuiButton* button) override;

    Workspace& workspace_;
    std::vector<Row> rows_;
    std::vector<Swatch*> swatches_;
    GuiButton* pipette_ = nullptr;
    std::function<void()> changed_;
};
