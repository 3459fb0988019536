#include "twod/colour_panel.h"

#include "gui/gui_label.h"
#include "gui/workspace.h"
#include "platform/dialogs.h"
#include "render/renderer.h"

namespace {

constexpr int kSwatchWidth = 48;
constexpr int kSwatchHeight = 20;

}  // namespace

// A button that shows its colour.
class ColourPanel::Swatch : public GuiButton {
public:
    Swatch(const char* label, ColourBytes& colour) : GuiButton(String(label)), colour_(colour) {
        setHelpText(String("Click to choose the color."));
    }

    void render() override {
        if (!isVisible()) return;
        DxRenderer& renderer = guiRenderer();
        const float middle = static_cast<float>(top() + bottom()) / 2.0f;
        const float saved = renderer.lineWidth();
        // A line as thick as the swatch is high fills it.
        renderer.setLineWidth(static_cast<float>(height()));
        renderer.drawLine(static_cast<float>(left()), middle, static_cast<float>(right()), middle, colour_.red,
                          colour_.green, colour_.blue, 1.0f);
        renderer.setLineWidth(isOver() ? 2.0f : 1.0f);
        renderer.drawRectangle(static_cast<float>(left()), static_cast<float>(top()), static_cast<float>(right()),
                               static_cast<float>(bottom()), 255, 255, 255, isOver() ? 1.0f : 0.6f);
        renderer.setLineWidth(saved);
        GuiComponent::render();
    }

    ColourBytes& colour() const { return colour_; }

private:
    ColourBytes& colour_;
};

ColourPanel::ColourPanel(Workspace& workspace, const String& title, int left, int top, int width,
                         std::vector<Row> rows, std::function<void()> changed)
    : PanelWindow(title, left, top, width, PanelWindow::kTitleHeight + PanelWindow::kPadding +
                                              static_cast<int>(rows.size()) * kRowHeight),
      workspace_(workspace),
      rows_(std::move(rows)),
      changed_(std::move(changed)) {
    int y = contentTop();
    for (const Row& row : rows_) {
        auto* label = new GuiLabel(String(row.label));
        label->setFont(String("Arial"), 10);
        label->setRect(contentLeft(), y + 4, contentRight() - kSwatchWidth - 6, y + kRowHeight);
        add(label);
        auto* swatch = new Swatch(row.label, *row.colour);
        swatch->setRect(contentRight() - kSwatchWidth, y + 2, contentRight(), y + 2 + kSwatchHeight);
        swatch->addListener(this);
        add(swatch);
        swatches_.push_back(swatch);
        y += kRowHeight;
    }
}

void ColourPanel::addPipette(const char* help) {
    const int y = bottom() - PanelWindow::kPadding / 2;
    setRect(left(), top(), right(), y + kRowHeight + PanelWindow::kPadding / 2);
    pipette_ = new GuiButton(GuiArt::fromFolder(String("data/gui/twod/general")));
    pipette_->setName(String("Pipette"));
    pipette_->setCaptionOverArt(true);
    pipette_->setHelpText(String(help));
    pipette_->setRect(contentLeft(), y + 2, contentLeft() + 110, y + 2 + 24);
    pipette_->addListener(this);
    add(pipette_);
}

GuiButton* ColourPanel::swatch(int index) const {
    return index >= 0 && index < static_cast<int>(swatches_.size()) ? swatches_[static_cast<size_t>(index)] : nullptr;
}

bool ColourPanel::chooseColour(int index) {
    Swatch* chosenSwatch = index >= 0 && index < static_cast<int>(swatches_.size())
                               ? swatches_[static_cast<size_t>(index)]
                               : nullptr;
    if (chosenSwatch == nullptr) return false;
    ColourBytes& colour = chosenSwatch->colour();
    std::optional<Rgb> chosen;
    {
        ShownSystemCursor shown(workspace_.systemCursor());
        chosen = workspace_.dialogs().chooseColour(Rgb{colour.red, colour.green, colour.blue});
    }
    workspace_.clearKeyTable();
    if (!chosen) return false;
    colour = ColourBytes{chosen->red, chosen->green, chosen->blue};
    if (changed_) changed_();
    return true;
}

void ColourPanel::takePipette(int row, const ColourBytes& colour) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    *rows_[static_cast<size_t>(row)].colour = colour;
    if (pipette_ != nullptr) pipette_->setLatched(false);
    if (changed_) changed_();
}

void ColourPanel::released(GuiButton* button) {
    if (button == pipette_) {
        pipette_->setLatched(!pipette_->isLatched());
        return;
    }
    for (size_t index = 0; index < swatches_.size(); ++index)
        if (swatches_[index] == button) chooseColour(static_cast<int>(index));
}
