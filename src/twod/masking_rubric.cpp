#include "twod/masking_rubric.h"

#include "core/configuration.h"
#include "gui/key_table.h"
#include "image/entry_textures.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "twod/colour_panel.h"
#include "twod/rubric_widgets.h"
#include "twod/two_d.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kGap = 6;
constexpr int kButtonHeight = 28;
constexpr int kLabelHeight = 18;
constexpr int kSliderHeight = 30;
// Opacity of the interactive preview over the picture.
constexpr unsigned char kPreviewAlpha = 150;

struct ToolText {
    const char* caption;
    const char* shortcut;
};
constexpr ToolText kTools[MaskingRubric::kToolCount] = {{"Brush", "1"}, {"Line", "2"},      {"Rectangle", "3"},
                                                         {"Fill", "4"},  {"Threshold", "5"}, {"Grow", "6"}};
constexpr const char* kPanelKeys = "QWERTDFG";

const char* const kAddHelp = "Adding mask.";
const char* const kRemoveHelp = "Removing mask.";

ColourBytes asBytes(Rgb colour) { return ColourBytes{colour.red, colour.green, colour.blue}; }

int pixelOf(float coordinate) { return static_cast<int>(std::floor(coordinate)); }

}  // namespace

MaskingRubric::MaskingRubric(TwoD& mode)
    : mode_(mode), panel_(String("Mask rubric")), session_(mode.undoList(), mode.maskNotifier()) {
    build();
    selectTool(MaskTool::Brush);
}

MaskingRubric::~MaskingRubric() = default;

// --- building ---------------------------------------------------------------------------------

GuiButton* MaskingRubric::addChoice(GuiContainer& container, const char* caption, const char* help,
                                    std::function<bool(const MaskToolSettings&)> isOn,
                                    std::function<void(MaskToolSettings&)> choose) {
    GuiButton* button = makeCaptionButton(caption, help, help, nullptr);
    button->addListener(this);
    container.add(button);
    choices_.push_back(Choice{button, std::move(isOn), std::move(choose)});
    return button;
}

GuiSlider* MaskingRubric::addBinding(GuiContainer& container, GuiSlider* slider,
                                     std::function<float(const MaskToolSettings&)> get,
                                     std::function<void(MaskToolSettings&, float)> set) {
    slider->setServices(mode_.sliderServices());
    slider->addListener(this);
    container.add(slider);
    bindings_.push_back(Binding{slider, std::move(get), std::move(set)});
    return slider;
}

GuiButton* MaskingRubric::addAction(GuiContainer& container, const char* caption, const char* help,
                                    std::function<void()> run) {
    GuiButton* button = makeCaptionButton(caption, help, help, nullptr);
    button->addListener(this);
    container.add(button);
    actions_.emplace_back(button, std::move(run));
    return button;
}

void MaskingRubric::addOperationRow(ToolPanel& panel, bool threshold) {
    GuiContainer& c = *panel.container;
    GuiButton* add =
        threshold ? addChoice(c, "Add", kAddHelp, [](const MaskToolSettings& s) { return s.thresholdOperation == MaskOperation::Add; },
                              [](MaskToolSettings& s) { s.thresholdOperation = MaskOperation::Add; })
                  : addChoice(c, "Add", kAddHelp, [](const MaskToolSettings& s) { return s.operation == MaskOperation::Add; },
                              [](MaskToolSettings& s) { s.operation = MaskOperation::Add; });
    GuiButton* remove =
        threshold ? addChoice(c, "Remove", kRemoveHelp,
                              [](const MaskToolSettings& s) { return s.thresholdOperation == MaskOperation::Remove; },
                              [](MaskToolSettings& s) { s.thresholdOperation = MaskOperation::Remove; })
                  : addChoice(c, "Remove", kRemoveHelp,
                              [](const MaskToolSettings& s) { return s.operation == MaskOperation::Remove; },
                              [](MaskToolSettings& s) { s.operation = MaskOperation::Remove; });
    panel.rows.push_back(PanelRow{{add, remove}, kButtonHeight});
    panel.keyed.push_back(add);
    panel.keyed.push_back(remove);
}

void MaskingRubric::addSliderRows(ToolPanel& panel, const char* label, GuiSlider* slider) {
    GuiLabel* text = makeLabel(label);
    panel.container->add(text);
    panel.rows.push_back(PanelRow{{text}, kLabelHeight});
    panel.rows.push_back(PanelRow{{slider}, kSliderHeight});
}

void MaskingRubric::build() {
    GuiLabel* transparencyLabel = makeLabel("Mask transparency:");
    panel_.add(transparencyLabel);
    transparency_ = makeSlider(SliderKind::Whole, "Transparency of the mask", 1.0f, 255.0f, 192.0f);
    transparency_->setServices(mode_.sliderServices());
    transparency_->addListener(this);
    panel_.add(transparency_);

    for (int index = 0; index < kToolCount; ++index) {
        GuiButton* button = makeCaptionButton(kTools[index].caption, toolCaption(static_cast<MaskTool>(index)).text(),
                                              nullptr, kTools[index].shortcut);
        button->addListener(this);
        panel_.add(button);
        toolButtons_[static_cast<size_t>(index)] = button;
    }
    erase_ = addAction(panel_, "Erase", "Erase whole mask.", [this] {
        if (session_.eraseWholeMask(maskImages())) afterOperation();
    });
    fill_ = addAction(panel_, "Fill all", "Fill whole mask.", [this] {
        if (session_.fillWholeMask(maskImages())) afterOperation();
    });
    invert_ = addAction(panel_, "Invert", "Invert mask.", [this] {
        if (session_.invertMask(maskImages())) afterOperation();
    });
    erase_->setShortcutLabel(String("x"), 3, 0);
    fill_->setShortcutLabel(String("c"), 3, 0);
    invert_->setShortcutLabel(String("v"), 3, 0);

    parallel_ = new GuiCheckbox(String("data/gui/general/checkbox"));
    parallel_->setName(String("Parallel masking"));
    parallel_->setShortcutLabel(String("p"), -8, 0);
    parallel_->addListener(this);
    panel_.add(parallel_);
    GuiLabel* parallelLabel = makeLabel("Parallel");
    parallelLabel->setName(String("Parallel label"));
    panel_.add(parallelLabel);
    undo_ = addAction(panel_, "Undo", "Undo the last operation.", [this] { undo(); });
    redo_ = addAction(panel_, "Redo", "Redo the last operation.", [this] { redo(); });
    undo_->setShortcutLabel(String("z"), 3, 0);
    redo_->setShortcutLabel(String("y"), 3, 0);

    buildToolPanels();
}

void MaskingRubric::buildToolPanels() {
    for (ToolPanel& panel : toolPanels_) {
        panel.container = new GuiContainer(String("Tool panel"));
        panel_.addContainer(panel.container);
    }
    const auto brushSize = [this](ToolPanel& panel) {
        GuiSlider* slider = addBinding(
            *panel.container, makeSlider(SliderKind::Whole, "Brushsize", 1.0f, 100.0f, 50.0f),
            [](const MaskToolSettings& s) { return static_cast<float>(s.brushSize); },
            [](MaskToolSettings& s, float v) { s.brushSize = static_cast<int>(v); });
        addSliderRows(panel, "Brushsize:", slider);
        return slider;
    };
    const auto brushType = [this](ToolPanel& panel) {
        GuiContainer& c = *panel.container;
        GuiButton* circle = addChoice(c, "Circle", "Circle.",
                                      [](const MaskToolSettings& s) { return s.brushType == BrushType::Circle; },
                                      [](MaskToolSettings& s) { s.brushType = BrushType::Circle; });
        GuiButton* square = addChoice(c, "Square", "Square.",
                                      [](const MaskToolSettings& s) { return s.brushType == BrushType::Square; },
                                      [](MaskToolSettings& s) { s.brushType = BrushType::Square; });
        panel.rows.push_back(PanelRow{{circle, square}, kButtonHeight});
        panel.keyed.push_back(circle);
        panel.keyed.push_back(square);
    };

    // Brush: Q W operation, E R shape, T size.
    ToolPanel& brush = toolPanels_[static_cast<size_t>(MaskTool::Brush)];
    addOperationRow(brush, false);
    brushType(brush);
    brush.keyed.push_back(brushSize(brush));

    // Line: Q W operation, E R one or several lines, T stop.
    ToolPanel& line = toolPanels_[static_cast<size_t>(MaskTool::Line)];
    addOperationRow(line, false);
    GuiContainer& lc = *line.container;
    GuiButton* one = addChoice(lc, "One line", "Drawing one line.",
                               [](const MaskToolSettings& s) { return s.lineMode == LineMode::OneLine; },
                               [](MaskToolSettings& s) { s.lineMode = LineMode::OneLine; });
    GuiButton* many = addChoice(lc, "Many lines", "Drawing multiple lines.",
                                [](const MaskToolSettings& s) { return s.lineMode == LineMode::MultipleLines; },
                                [](MaskToolSettings& s) { s.lineMode = LineMode::MultipleLines; });
    GuiButton* stop = addAction(lc, "Stop lines", "Stop drawing lines.\nPress button to stop drawing lines.",
                                [this] { session_.stopLines(); });
    line.rows.push_back(PanelRow{{one, many}, kButtonHeight});
    line.rows.push_back(PanelRow{{stop}, kButtonHeight});
    line.keyed.insert(line.keyed.end(), {one, many, stop});

    // Rectangle: Q W operation, E R filling.
    ToolPanel& rect = toolPanels_[static_cast<size_t>(MaskTool::Rectangle)];
    addOperationRow(rect, false);
    GuiContainer& rc = *rect.container;
    GuiButton* border = addChoice(rc, "Border only", "Fill only border.",
                                  [](const MaskToolSettings& s) { return s.rectangleFilling == RectangleFilling::BorderOnly; },
                                  [](MaskToolSettings& s) { s.rectangleFilling = RectangleFilling::BorderOnly; });
    GuiButton* inside = addChoice(rc, "Inside", "Fill inside rectangle.",
                                  [](const MaskToolSettings& s) { return s.rectangleFilling == RectangleFilling::Inside; },
                                  [](MaskToolSettings& s) { s.rectangleFilling = RectangleFilling::Inside; });
    rect.rows.push_back(PanelRow{{border, inside}, kButtonHeight});
    rect.keyed.insert(rect.keyed.end(), {border, inside});

    // Fill: Q W operation, E R basis, T tolerance.
    ToolPanel& fill = toolPanels_[static_cast<size_t>(MaskTool::Fill)];
    addOperationRow(fill, false);
    GuiContainer& fc = *fill.container;
    GuiButton* imageBasis = addChoice(fc, "Image basis", "Take image as basis of the operation.",
                                      [](const MaskToolSettings& s) { return s.fillBasis == FillBasis::Image; },
                                      [](MaskToolSettings& s) { s.fillBasis = FillBasis::Image; });
    GuiButton* maskBasis = addChoice(fc, "Mask basis", "Take mask as basis of the operation.",
                                     [](const MaskToolSettings& s) { return s.fillBasis == FillBasis::Mask; },
                                     [](MaskToolSettings& s) { s.fillBasis = FillBasis::Mask; });
    fill.rows.push_back(PanelRow{{imageBasis, maskBasis}, kButtonHeight});
    fill.keyed.insert(fill.keyed.end(), {imageBasis, maskBasis});
    tolerance_ = addBinding(fc, makeSlider(SliderKind::Whole, "Fill tolerance", 0.0f, 255.0f, 35.0f),
                            [](const MaskToolSettings& s) { return static_cast<float>(s.fillTolerance); },
                            [](MaskToolSettings& s, float v) { s.fillTolerance = static_cast<int>(v); });
    tolerance_->setDisabledHelpText(fillToleranceText(FillBasis::Mask));
    addSliderRows(fill, "Filltolerance:", tolerance_);
    fill.keyed.push_back(tolerance_);

    // Threshold: Q W operation, E R side, T pipette, D F G red, green, blue.
    ToolPanel& threshold = toolPanels_[static_cast<size_t>(MaskTool::Threshold)];
    addOperationRow(threshold, true);
    GuiContainer& tc = *threshold.container;
    GuiButton* smaller = addChoice(
        tc, "Smaller", "Check if pixels smaller as the specified threshold should be filled\\removed.",
        [](const MaskToolSettings& s) { return s.thresholdSide == ThresholdSide::Smaller; },
        [](MaskToolSettings& s) { s.thresholdSide = ThresholdSide::Smaller; });
    GuiButton* bigger = addChoice(
        tc, "Bigger", "Check if pixels bigger as the specified threshold should be filled\\removed.",
        [](const MaskToolSettings& s) { return s.thresholdSide == ThresholdSide::Bigger; },
        [](MaskToolSettings& s) { s.thresholdSide = ThresholdSide::Bigger; });
    pipette_ = addChoice(tc, "Pipette", "Pipette. Press onto the image from where you want to take the threshold.",
                         [](const MaskToolSettings& s) { return s.pipette; },
                         [](MaskToolSettings& s) { s.pipette = !s.pipette; });
    threshold.rows.push_back(PanelRow{{smaller, bigger, pipette_}, kButtonHeight});
    threshold.keyed.insert(threshold.keyed.end(), {smaller, bigger, pipette_});
    struct Colour {
        const char* label;
        const char* name;
        int MaskToolSettings::*value;
    };
    const Colour colours[] = {{"Red:", "Red threshold", &MaskToolSettings::redThreshold},
                              {"Green:", "Green threshold", &MaskToolSettings::greenThreshold},
                              {"Blue:", "Blue threshold", &MaskToolSettings::blueThreshold}};
    std::vector<GuiComponent*> colourSliders;
    for (const Colour& colour : colours) {
        GuiSlider* slider = addBinding(
            tc, makeSlider(SliderKind::Whole, colour.name, 0.0f, 255.0f, 128.0f),
            [value = colour.value](const MaskToolSettings& s) { return static_cast<float>(s.*value); },
            [value = colour.value](MaskToolSettings& s, float v) { s.*value = static_cast<int>(v); });
        addSliderRows(threshold, colour.label, slider);
        colourSliders.push_back(slider);
    }
    GuiLabel* make = makeLabel("Make threshold:");
    tc.add(make);
    threshold.rows.push_back(PanelRow{{make}, kLabelHeight});
    GuiButton* globalSmaller = addAction(
        tc, "Global smaller",
        "Make global threshold. All pixels smaller as the specified\nthreshold will be filled or removed.", [this] {
            if (session_.globalThreshold(maskImages(), ThresholdSide::Smaller)) afterOperation();
        });
    GuiButton* globalBigger = addAction(
        tc, "Global bigger",
        "Make global threshold. All pixels bigger as the specified\nthreshold will be filled or removed.", [this] {
            if (session_.globalThreshold(maskImages(), ThresholdSide::Bigger)) afterOperation();
        });
    threshold.rows.push_back(PanelRow{{globalSmaller, globalBigger}, kButtonHeight});
    brushSize(threshold);
    threshold.keyed.insert(threshold.keyed.end(), colourSliders.begin(), colourSliders.end());

    // Growing: Q W grow or shrink, E neighbours, R global, T brush size.
    ToolPanel& grow = toolPanels_[static_cast<size_t>(MaskTool::Grow)];
    addOperationRow(grow, false);
    GuiContainer& gc = *grow.container;
    neighbours_ = addBinding(gc, makeSlider(SliderKind::Whole, "Neighbours", 0.0f, 8.0f, 1.0f),
                             [](const MaskToolSettings& s) { return static_cast<float>(s.neighbours); },
                             [](MaskToolSettings& s, float v) { s.neighbours = static_cast<int>(v); });
    addSliderRows(grow, "Neighbours:", neighbours_);
    globalGrow_ = addAction(gc, "Make global growing:", "Global or local growing\\shrinking of mask.", [this] {
        if (session_.globalGrow(maskImages())) afterOperation();
    });
    grow.rows.push_back(PanelRow{{globalGrow_}, kButtonHeight});
    grow.keyed.push_back(neighbours_);
    grow.keyed.push_back(globalGrow_);
    grow.keyed.push_back(brushSize(grow));
}

void MaskingRubric::layout() {
    const int left = panel_.left() + kGap;
    const int right = panel_.right() - kGap;
    int y = panel_.top() + kGap;
    auto components = panel_.components();
    components[0]->setRect(left, y, right, y + kLabelHeight);  // the transparency label
    y += kLabelHeight;
    transparency_->setRect(left, y, right, y + kSliderHeight);
    y += kSliderHeight + kGap;
    placeRow({toolButtons_[0], toolButtons_[1], toolButtons_[2]}, left, y, right, kButtonHeight, kGap);
    y += kButtonHeight + kGap;
    placeRow({toolButtons_[3], toolButtons_[4], toolButtons_[5]}, left, y, right, kButtonHeight, kGap);
    y += kButtonHeight + 2 * kGap;
    placeRow({erase_, fill_, invert_}, left, y, right, kButtonHeight, kGap);
    y += kButtonHeight + kGap;
    placeRow({parallel_, undo_, redo_}, left + 12, y, right, kButtonHeight, kGap);
    // The check box is square; its label fills the rest of its third.
    const int third = parallel_->right();
    parallel_->setRect(left + 12, y + 4, left + 32, y + 24);
    for (GuiComponent* component : components)
        if (component->name().equals("Parallel label")) component->setRect(left + 36, y + 6, third, y + kButtonHeight);
    y += kButtonHeight + 2 * kGap;

    for (ToolPanel& panel : toolPanels_) {
        panel.container->setRect(left, y, right, panel_.bottom());
        int rowTop = y;
        for (const PanelRow& row : panel.rows) {
            if (row.items.size() == 1 && dynamic_cast<GuiSlider*>(row.items[0]) == nullptr &&
                dynamic_cast<GuiButton*>(row.items[0]) == nullptr) {
                row.items[0]->setRect(left, rowTop, right, rowTop + row.height);
            } else {
                std::vector<GuiComponent*> items = row.items;
                const int count = static_cast<int>(items.size());
                const int width = (right - left - kGap * (count - 1)) / count;
                for (int i = 0; i < count; ++i)
                    items[static_cast<size_t>(i)]->setRect(left + i * (width + kGap), rowTop,
                                                           left + i * (width + kGap) + width, rowTop + row.height);
            }
            rowTop += row.height + (row.height == kLabelHeight ? 0 : kGap);
        }
        // The keys that reach the controls are drawn beside them.
        for (size_t k = 0; k < panel.keyed.size(); ++k) {
            const char letter[2] = {static_cast<char>(kPanelKeys[k] - 'A' + 'a'), 0};
            panel.keyed[k]->setShortcutLabel(String(letter), 3, 0);
        }
    }
}

// --- life cycle ----------------------------------------------------------------------------------

void MaskingRubric::enter() {
    layout();
    session_.settings.transparency = mode_.workspace().settings().maskopac;
    refresh();
}

void MaskingRubric::leave() {
    session_.release();
    stroking_ = false;
    hidePreview();
}

void MaskingRubric::selectTool(MaskTool tool) {
    if (tool != tool_) session_.resetInteraction();
    tool_ = tool;
    for (int index = 0; index < kToolCount; ++index) {
        toolButtons_[static_cast<size_t>(index)]->setLatched(index == static_cast<int>(tool));
        toolPanels_[static_cast<size_t>(index)].container->setVisible(index == static_cast<int>(tool));
    }
    previewStale_ = true;
}

const std::vector<GuiComponent*>& MaskingRubric::keyedControls() const {
    return toolPanels_[static_cast<size_t>(tool_)].keyed;
}

void MaskingRubric::imagesChanged() {
    session_.imagesChanged(maskImages());
    refresh();
}

MaskImages MaskingRubric::maskImages() {
    targets_.clear();
    int selected = -1;
    ImageList& images = mode_.images();
    for (int slot = 0; slot < images.slotCount(); ++slot) {
        ImageEntry* entry = images.entry(slot);
        if (entry == nullptr) continue;
        if (slot == images.selectedIndex()) selected = static_cast<int>(targets_.size());
        targets_.push_back(MaskTarget{&entry->workingCopy, &entry->mask});
    }
    return MaskImages{std::span<const MaskTarget>(targets_), selected};
}

void MaskingRubric::syncControls() {
    for (const Choice& choice : choices_) choice.button->setLatched(choice.isOn(session_.settings));
    for (const Binding& binding : bindings_) binding.slider->setValue(binding.get(session_.settings));
    transparency_->setValue(session_.settings.transparency);
    tolerance_->setEnabled(session_.settings.fillBasis == FillBasis::Image);
    neighbours_->setDescription(neighboursSliderTitle(session_.settings.operation));
    globalGrow_->setName(globalGrowButtonLabel(session_.settings.operation));
}

void MaskingRubric::refresh() {
    const ImageEntry* selected = mode_.selectedEntry();
    const int loaded = mode_.loadedCount();
    const ImageAvailability availability = imageAvailability(loaded, selected != nullptr);
    const String name = selected != nullptr ? selected->name() : String();
    for (int index = 0; index < kToolCount; ++index)
        toolButtons_[static_cast<size_t>(index)]->setHelpText(toolStatusText(static_cast<MaskTool>(index),
                                                                              availability, name));
    const struct {
        GuiButton* button;
        WholeMaskOperation operation;
    } whole[] = {{erase_, WholeMaskOperation::Erase}, {fill_, WholeMaskOperation::Fill},
                 {invert_, WholeMaskOperation::Invert}};
    for (const auto& w : whole) {
        const String text = wholeMaskStatusText(w.operation, availability, name);
        w.button->setHelpText(text);
        w.button->setDisabledHelpText(text);
        w.button->setEnabled(selected != nullptr);
    }
    const MaskImages images = maskImages();
    session_.imagesChanged(images);
    const String parallelText = parallelMaskingStatusText(loaded, selected != nullptr);
    parallel_->setHelpText(parallelText);
    parallel_->setDisabledHelpText(parallelText);
    parallel_->setEnabled(MaskingSession::parallelMaskingAvailable(images));
    parallel_->setChecked(session_.settings.parallelMasking);
    const Image* mask = selected != nullptr ? &selected->mask : nullptr;
    const bool canUndo = mode_.undoList().undoEnabled(mask);
    const bool canRedo = mode_.undoList().redoEnabled(mask);
    undo_->setHelpText(undoButtonHelp(true));
    undo_->setDisabledHelpText(undoButtonHelp(false));
    undo_->setEnabled(canUndo);
    redo_->setHelpText(redoButtonHelp(true));
    redo_->setDisabledHelpText(redoButtonHelp(false));
    redo_->setEnabled(canRedo);
    syncControls();
    previewStale_ = true;
}

// --- commands ------------------------------------------------------------------------------------

void MaskingRubric::afterOperation() {
    previewStale_ = true;
    refresh();
}

void MaskingRubric::undo() {
    ImageEntry* selected = mode_.selectedEntry();
    const HistoryOutcome outcome =
        mode_.undoList().undo(selected != nullptr ? &selected->mask : nullptr, session_.settings.parallelMasking);
    mode_.setStatus(undoStatusText(outcome, selected != nullptr ? selected->name() : String()));
    afterOperation();
}

void MaskingRubric::redo() {
    ImageEntry* selected = mode_.selectedEntry();
    const HistoryOutcome outcome =
        mode_.undoList().redo(selected != nullptr ? &selected->mask : nullptr, session_.settings.parallelMasking);
    mode_.setStatus(redoStatusText(outcome, selected != nullptr ? selected->name() : String()));
    afterOperation();
}

void MaskingRubric::setTransparency(float value) {
    const int before = static_cast<int>(session_.settings.transparency);
    session_.settings.transparency = value;
    if (static_cast<int>(value) == before) return;
    session_.setTransparency(maskImages(), value);
    mode_.workspace().settings().maskopac = session_.settings.transparency;
    previewStale_ = true;
}

void MaskingRubric::released(GuiButton* button) {
    for (int index = 0; index < kToolCount; ++index)
        if (toolButtons_[static_cast<size_t>(index)] == button) selectTool(static_cast<MaskTool>(index));
    for (const Choice& choice : choices_) {
        if (choice.button != button) continue;
        choice.choose(session_.settings);
        syncControls();
        previewStale_ = true;
        return;
    }
    for (const auto& [actionButton, run] : actions_)
        if (actionButton == button) run();
}

void MaskingRubric::valueChanged(GuiSlider* slider) {
    if (slider == transparency_) {
        setTransparency(slider->value());
        return;
    }
    for (const Binding& binding : bindings_) {
        if (binding.slider != slider) continue;
        binding.set(session_.settings, slider->value());
        // Every panel's copy of a shared setting (the brush size) follows.
        syncControls();
        previewStale_ = true;
    }
}

void MaskingRubric::checked(GuiCheckbox* checkbox) {
    if (checkbox != parallel_) return;
    parallel_->setChecked(session_.setParallelMasking(maskImages(), true));
}

void MaskingRubric::unchecked(GuiCheckbox* checkbox) {
    if (checkbox == parallel_) session_.setParallelMasking(maskImages(), false);
}

bool MaskingRubric::pressControl(GuiComponent* control) {
    if (control == nullptr || !control->isEnabled()) return false;
    if (auto* slider = dynamic_cast<GuiSlider*>(control)) return slider->openValueDialog();
    if (auto* button = dynamic_cast<GuiButton*>(control)) {
        released(button);
        return true;
    }
    return false;
}

bool MaskingRubric::keyDown(int key) {
    const KeyTable& keys = mode_.workspace().keyTable();
    if (keys.isDown(kKeyShift) || keys.isDown(kKeyControl)) return false;
    if (key >= '1' && key < '1' + kToolCount) {
        selectTool(static_cast<MaskTool>(key - '1'));
        return true;
    }
    switch (key) {
        case 'X': pressControl(erase_); return true;
        case 'C': pressControl(fill_); return true;
        case 'V': pressControl(invert_); return true;
        case 'Z': pressControl(undo_); return true;
        case 'Y': pressControl(redo_); return true;
        case 'P':
            if (parallel_->isEnabled()) {
                if (parallel_->isChecked()) {
                    parallel_->setChecked(false);
                    unchecked(parallel_);
                } else {
                    checked(parallel_);
                }
            }
            return true;
        default: break;
    }
    const std::vector<GuiComponent*>& keyed = keyedControls();
    for (size_t k = 0; k < keyed.size(); ++k) {
        if (kPanelKeys[k] != key) continue;
        pressControl(keyed[k]);
        return true;
    }
    return false;
}

// --- the pointer on the picture --------------------------------------------------------------------

bool MaskingRubric::mouseDown(InputIdentifier button, float x, float y) {
    if (button != InputIdentifier::MouseButton0) return false;
    ImageEntry* selected = mode_.selectedEntry();
    const ViewPixel pixel = mode_.pointerToImage(x, y);
    if (selected == nullptr || !pixel.onImage) return false;
    const int px = pixelOf(pixel.x);
    const int py = pixelOf(pixel.y);
    if (colourPanel_ && colourPanel_->isVisible() && colourPanel_->pipetteActive()) {
        colourPanel_->takePipette(0, asBytes(pipetteColour(selected->workingCopy, px, py)));
        return true;
    }
    const MaskImages images = maskImages();
    bool changed = false;
    switch (tool_) {
        case MaskTool::Brush: stroking_ = changed = session_.brushPress(images, px, py); break;
        case MaskTool::Line: changed = session_.lineClick(images, px, py) == MaskingSession::LineClick::LineDrawn; break;
        case MaskTool::Rectangle: stroking_ = session_.rectanglePress(images, px, py); break;
        case MaskTool::Fill: changed = session_.fillClick(images, px, py); break;
        case MaskTool::Threshold:
            if (session_.settings.pipette) {
                session_.pipetteClick(images, px, py);
                syncControls();
            } else {
                stroking_ = changed = session_.localThresholdPress(images, px, py);
            }
            break;
        case MaskTool::Grow: stroking_ = changed = session_.localGrowPress(images, px, py); break;
    }
    if (changed) afterOperation();
    return true;
}

void MaskingRubric::mouseMove(float x, float y) {
    const ViewPixel pixel = mode_.pointerToImage(x, y);
    pointerOnImage_ = pixel.onImage;
    pointerX_ = pixel.x;
    pointerY_ = pixel.y;
    if (stroking_) {
        const MaskImages images = maskImages();
        const int px = pixelOf(pixel.x);
        const int py = pixelOf(pixel.y);
        if (tool_ == MaskTool::Brush) session_.brushDrag(images, px, py);
        if (tool_ == MaskTool::Threshold) session_.localThresholdDrag(images, px, py);
        if (tool_ == MaskTool::Grow) session_.localGrowDrag(images, px, py);
    }
    updatePreview();
}

void MaskingRubric::mouseUp(InputIdentifier button, float x, float y) {
    if (button != InputIdentifier::MouseButton0 || !stroking_) return;
    stroking_ = false;
    if (tool_ == MaskTool::Rectangle) {
        const ViewPixel pixel = mode_.pointerToImage(x, y);
        session_.rectangleRelease(maskImages(), pixelOf(pixel.x), pixelOf(pixel.y));
    }
    session_.release();
    afterOperation();
}

bool MaskingRubric::cancelGesture() {
    if (stroking_) {
        stroking_ = false;
        const bool drawnAlready = tool_ != MaskTool::Rectangle;
        session_.release();
        session_.resetInteraction();
        if (drawnAlready) {
            // The stroke's snapshots were pushed at the press: they put every
            // touched mask back.
            ImageEntry* selected = mode_.selectedEntry();
            for (const MaskTarget& target : maskImages().loaded) {
                const bool touched = session_.settings.parallelMasking ||
                                     (selected != nullptr && target.mask == &selected->mask);
                MaskUndoStack* history = mode_.undoList().stackFor(target.mask);
                if (!touched || history == nullptr || !history->undo()) continue;
                mode_.maskNotifier().notify(*target.mask);
            }
        }
        afterOperation();
        return true;
    }
    if (session_.lineStarted()) {
        session_.stopLines();
        return true;
    }
    return false;
}

bool MaskingRubric::isBusy() const { return stroking_; }

bool MaskingRubric::toolPoint(float& x, float& y) const {
    if (!pointerOnImage_) return false;
    const ImagePoint point = mode_.imageToScreen(pointerX_, pointerY_);
    x = point.x;
    y = point.y;
    return true;
}

// --- the interactive preview ----------------------------------------------------------------------

void MaskingRubric::hidePreview() { previewShown_ = false; }

void MaskingRubric::updatePreview() {
    const ImageEntry* selected = mode_.selectedEntry();
    const bool wanted = mode_.rendersPreview() && selected != nullptr && !stroking_ &&
                        ((tool_ == MaskTool::Fill && pointerOnImage_) || tool_ == MaskTool::Threshold);
    if (!wanted) {
        hidePreview();
        return;
    }
    const int px = pixelOf(pointerX_);
    const int py = pixelOf(pointerY_);
    if (!previewStale_ && previewShown_ && (tool_ == MaskTool::Threshold || (px == previewX_ && py == previewY_)))
        return;
    previewStale_ = false;
    previewX_ = px;
    previewY_ = py;
    // What the operation would make of the mask, on a copy.
    Image scratch = selected->mask.clone();
    const MaskToolSettings& s = session_.settings;
    MaskOperation operation = s.operation;
    if (tool_ == MaskTool::Fill) {
        floodFill(selected->workingCopy, scratch, px, py, s.fillBasis,
                  s.fillBasis == FillBasis::Image ? s.fillTolerance : 1, drawingColour(s.operation, s.transparency));
    } else {
        operation = s.thresholdOperation;
        const ThresholdRule rule{s.redThreshold, s.greenThreshold, s.blueThreshold, s.thresholdSide};
        applyGlobalThreshold(selected->workingCopy, scratch, rule, drawingColour(operation, s.transparency));
    }
    const int width = scratch.width();
    const int height = scratch.height();
    previewAlpha_.assign(static_cast<size_t>(width) * height * 3, 0);
    const unsigned char* before = selected->mask.bytes();
    const unsigned char* after = scratch.bytes();
    if (before == nullptr || after == nullptr) return;
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
        const bool wasSet = (before[i * 3] | before[i * 3 + 1] | before[i * 3 + 2]) != 0;
        const bool isSet = (after[i * 3] | after[i * 3 + 1] | after[i * 3 + 2]) != 0;
        if (wasSet != isSet) previewAlpha_[i * 3] = kPreviewAlpha;
    }
    gfx::GraphicsDevice* device = mode_.workspace().device();
    if (device == nullptr) {
        previewShown_ = true;
        return;
    }
    const ColourBytes& colour = operation == MaskOperation::Add ? mode_.workspace().settings().brushcolover
                                                                : mode_.workspace().settings().brushcolremover;
    const RgbView alpha{previewAlpha_.data(), width, height};
    if (!preview_ || preview_->width() != width || preview_->height() != height) {
        preview_ = std::make_unique<Texture>(*device, alpha, TexelColour{colour.red, colour.green, colour.blue});
    } else {
        preview_->fillColour(TexelColour{colour.red, colour.green, colour.blue}, width, height);
        preview_->updateAlpha(alpha);
    }
    previewShown_ = true;
}

// --- drawing ----------------------------------------------------------------------------------------

void MaskingRubric::drawOverlay(DxRenderer& renderer, const ViewRect& view) {
    const ImageEntry* selected = mode_.selectedEntry();
    if (selected == nullptr) return;
    if (previewStale_) updatePreview();
    const float scaleX = (view.right - view.left) / static_cast<float>(Image::kCanvasSide);
    const float scaleY = (view.bottom - view.top) / static_cast<float>(Image::kCanvasSide);
    if (previewShown_ && preview_) {
        renderer.setPointSampling();
        renderer.setSpriteTransform(scaleX, scaleY, 0.0f, view.left, view.top);
        renderer.drawSprite(preview_.get(), D3DXVECTOR2(0.0f, 0.0f));
        renderer.resetSpriteTransform();
        renderer.setLinearSampling();
    }
    if (!pointerOnImage_) return;
    const Settings& settings = mode_.workspace().settings();
    const ImagePoint at = pixelToView(view, std::floor(pointerX_) + 0.5f, std::floor(pointerY_) + 0.5f);
    const float saved = renderer.lineWidth();
    renderer.setLineWidth(1.5f);
    if (tool_ == MaskTool::Rectangle && session_.rectangleStarted()) {
        const PixelPosition corner = session_.rectangleCorner();
        const ImagePoint c = pixelToView(view, static_cast<float>(corner.x), static_cast<float>(corner.y));
        renderer.drawRectangle(std::min(c.x, at.x), std::min(c.y, at.y), std::max(c.x, at.x), std::max(c.y, at.y),
                               255, 255, 255, 0.9f);
    }
    if (tool_ == MaskTool::Line && session_.lineStarted()) {
        const PixelPosition start = session_.lineStart();
        const ImagePoint s = pixelToView(view, start.x + 0.5f, start.y + 0.5f);
        renderer.drawLine(s.x, s.y, at.x, at.y, 255, 255, 255, 0.9f);
    }
    const bool brushShown = tool_ == MaskTool::Brush || tool_ == MaskTool::Grow ||
                            (tool_ == MaskTool::Threshold && !session_.settings.pipette);
    if (brushShown) {
        const bool removing = (tool_ == MaskTool::Threshold ? session_.settings.thresholdOperation
                                                            : session_.settings.operation) == MaskOperation::Remove;
        const ColourBytes& colour = removing ? (stroking_ ? settings.brushcolrem : settings.brushcolremover)
                                             : (stroking_ ? settings.maskcol : settings.brushcolover);
        const float half = static_cast<float>(session_.settings.brushSize / 2);
        if (session_.settings.brushType == BrushType::Square) {
            renderer.drawRectangle(at.x - (half + 0.5f) * scaleX, at.y - (half + 0.5f) * scaleY,
                                   at.x + (half + 0.5f) * scaleX, at.y + (half + 0.5f) * scaleY, colour.red,
                                   colour.green, colour.blue, 1.0f);
        } else {
            renderer.drawCircle(at.x, at.y, std::max(1.0f, (half + 0.5f) * scaleX), colour.red, colour.green,
                                colour.blue, 1.0f);
        }
    }
    renderer.setLineWidth(saved);
}

// --- the mask colour panel ------------------------------------------------------------------------------

void MaskingRubric::maskColourChanged() {
    const ColourBytes& colour = mode_.workspace().settings().maskcol;
    const Rgb rgb{colour.red, colour.green, colour.blue};
    mode_.maskWiring().setMaskColour(rgb);
    mode_.imageList().setMaskColour(rgb, 110);
    previewStale_ = true;
}

void MaskingRubric::showColourPanel() {
    if (!colourPanel_) {
        Settings& settings = mode_.workspace().settings();
        const int width = 300;
        const int left = mode_.centredPanelLeft(width);
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
