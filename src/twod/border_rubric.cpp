#include "twod/border_rubric.h"

#include "core/configuration.h"
#include "gui/key_table.h"
#include "image/border.h"
#include "image/image_entry.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "twod/colour_panel.h"
#include "twod/rubric_widgets.h"
#include "twod/two_d.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int kGap = 6;
constexpr int kButtonHeight = 28;
// Side of a drawn vertex, in screen pixels.
constexpr float kVertexSide = 4.0f;
// How far from a vertex (screen pixels) the pointer still counts as over it.
constexpr float kPickPixels = 6.0f;
// A press that moves less than this (canvas pixels) is a click.
constexpr float kDragThreshold = 1.0f;

struct ModeText {
    const char* caption;
    const char* help;
    const char* statusEnd;  // the status text's last line after a selection of this mode
};
constexpr ModeText kModes[BorderRubric::kModeButtonCount] = {
    {"Not smoothed", "The selected vertices should not be smoothed.", "\nSelected vertices dont smooth."},
    {"Within distance",
     "The selected vertices should be smoothed as long\nas the max distance has not been reached. If reached the "
     "vertices\nshould be set onto its start positions and will no longer be smoothed.",
     "\nSelected vertices get smoothed as long as the max distance has not been reached.\nIf reached they get set "
     "back to their start position and will no longer smoothed."},
    {"Always smoothed", "The selected vertices should be smoothed without looking\nif the max distance has been reached.",
     "\nSelected vertices get smoothed without looking at the max distance."},
};

constexpr const char* kSelectHelp =
    "Select the vertex with the left mouse button.\nYou can also select many vertices by pressing left mouse button "
    "and expanding a selection rectangle.";
constexpr const char* kSliderHelp =
    "You can specify how much the vertices are allowed to get smooth.\nIf this max distance gets reached, the vertex "
    "is set to the border and will no longer be smoothed.\nThe smaller this distance the more vertices will be set "
    "onto the edges of the border.\nMax distance:";

const char* const kNoImage =
    "No image loaded therefore it is not possible to specify how the vertices should be smoothed.\nLoad images and "
    "mask them before adjusting the border.";
const char* const kNoSelection =
    "No image selected therefore it is not possible to specify how the vertices\nshould be smoothed. Select an image "
    "first.";
const char* const kNoMask =
    "There is no mask on the image so no border is created. Therefore it is not possible to specify\nhow vertices "
    "should be smoothed. Draw a mask on the image first.";
const char* const kNoVertex =
    "You have not selected any vertices therefore it is not possible to specify how the vertices\nshould be "
    "smoothed. Select vertices first by expanding a rect or by clicking onto a vertex.";
const char* const kSliderNoImage =
    "No image loaded therefore it is not possible to specify\na max distance the vertices should be smoothed.";
const char* const kSliderNoSelection =
    "No image selected therefore it is not possible to specify\na max distance the vertices should be smoothed.";
const char* const kSliderNoMask =
    "No mask on image drawn so no border is created. Therefore\nspecifiing a max distance the vertices should be "
    "smoothed is not possible\nbecause there exist no vertices yet. Draw a mask on the image first.";

uint32_t argb(const ColourBytes& colour) {
    return 0xFF000000u | (static_cast<uint32_t>(colour.red) << 16) | (static_cast<uint32_t>(colour.green) << 8) |
           colour.blue;
}

}  // namespace

BorderRubric::BorderRubric(TwoD& mode) : mode_(mode), panel_(String("Border rubric")) {
    for (int index = 0; index < kModeButtonCount; ++index) {
        const char letter[2] = {"qwe"[index], 0};
        GuiButton* button = makeCaptionButton(kModes[index].caption, kModes[index].help, kNoVertex, letter);
        button->addListener(this);
        panel_.add(button);
        modeButtons_[static_cast<size_t>(index)] = button;
    }
    GuiLabel* label = makeLabel("Max distance to smooth:");
    label->setName(String("Max distance label"));
    panel_.add(label);
    maxDistance_ = makeSlider(SliderKind::Real, "Max distance", 0.5f, 4.0f, 1.15f);
    maxDistance_->setStep(0.5f);
    maxDistance_->setHelpText(String(kSliderHelp));
    maxDistance_->setDescription(String(kSliderHelp));
    maxDistance_->setServices(mode_.sliderServices());
    maxDistance_->setShortcutLabel(String("r"), 3, -8);
    maxDistance_->addListener(this);
    panel_.add(maxDistance_);
    // The number of smoothing passes comes from the configuration; its
    // slider is kept but never shown.
    passes_ = makeSlider(SliderKind::Whole, "Smoothing passes", 0.0f, 10.0f, 5.0f);
    passes_->setVisible(false);
    panel_.add(passes_);
    colours_ = makeCaptionButton("Border colors", "Change the border color (Key b).", nullptr, "t");
    colours_->addListener(this);
    panel_.add(colours_);
}

BorderRubric::~BorderRubric() = default;

// --- life cycle ----------------------------------------------------------------------------------

void BorderRubric::enter() {
    const int left = panel_.left() + kGap;
    const int right = panel_.right() - kGap;
    int y = panel_.top() + kGap;
    for (GuiButton* button : modeButtons_) {
        button->setRect(left, y, right, y + kButtonHeight);
        y += kButtonHeight + kGap;
    }
    y += kGap;
    for (GuiComponent* component : panel_.components())
        if (component->name().equals("Max distance label")) component->setRect(left, y, right, y + 18);
    y += 18;
    maxDistance_->setRect(left, y, right, y + 30);
    y += 30 + 2 * kGap;
    colours_->setRect(left, y, right, y + kButtonHeight);
    mode_.updateBorders("Update border of image ", "");
    if (const ImageEntry* entry = mode_.selectedEntry(); entry != nullptr && entry->border)
        maxDistance_->setValue(entry->border->maxDistance());
    mode_.setHelpText(String(kSelectHelp));
    refresh();
}

void BorderRubric::leave() {
    pressed_ = false;
    dragged_ = false;
}

Border* BorderRubric::selectedBorder() const {
    ImageEntry* entry = mode_.selectedEntry();
    if (entry == nullptr || !entry->border || entry->border->outline().empty()) return nullptr;
    return entry->border.get();
}

String BorderRubric::refusal(bool needSelection) const {
    const ImageEntry* entry = mode_.selectedEntry();
    if (mode_.loadedCount() == 0) return String(kNoImage);
    if (entry == nullptr) return String(kNoSelection);
    if (selectedBorder() == nullptr) return String(kNoMask);
    if (needSelection && selectedBorder()->selectedCount() == 0) return String(kNoVertex);
    return String();
}

void BorderRubric::refresh() {
    Border* border = selectedBorder();
    const String why = refusal(true);
    const int common = border != nullptr && border->selectedCount() > 0 ? border->selectedMode() : -1;
    for (int index = 0; index < kModeButtonCount; ++index) {
        GuiButton& button = modeButton(index);
        button.setDisabledHelpText(why.length() > 0 ? why : String(kNoVertex));
        button.setEnabled(why.length() == 0);
        button.setLatched(why.length() == 0 && common == kModeOf[index]);
    }
    const char* sliderWhy = mode_.loadedCount() == 0            ? kSliderNoImage
                            : mode_.selectedEntry() == nullptr ? kSliderNoSelection
                            : border == nullptr                ? kSliderNoMask
                                                               : nullptr;
    maxDistance_->setDisabledHelpText(String(sliderWhy != nullptr ? sliderWhy : kSliderHelp));
    maxDistance_->setEnabled(sliderWhy == nullptr);
    if (border != nullptr && !pressed_) maxDistance_->setValue(border->maxDistance());
}

// --- commands -------------------------------------------------------------------------------------

bool BorderRubric::setSelectedMode(int smoothing) {
    const String why = refusal(true);
    if (why.length() > 0) {
        mode_.refuse(why);
        return false;
    }
    ImageEntry* entry = mode_.selectedEntry();
    entry->border->setMode(smoothing);
    entry->notifyClipping();
    showSelectionStatus();
    refresh();
    return true;
}

void BorderRubric::setMaxDistance(float distance) {
    ImageEntry* entry = mode_.selectedEntry();
    if (entry == nullptr || !entry->border) return;
    if (entry->border->setMaxDistance(distance)) entry->notifyClipping();
}

void BorderRubric::released(GuiButton* button) {
    for (int index = 0; index < kModeButtonCount; ++index)
        if (button == modeButtons_[static_cast<size_t>(index)]) setSelectedMode(kModeOf[index]);
    if (button == colours_) showBorderColourPanel();
}

void BorderRubric::valueChanged(GuiSlider* slider) {
    if (slider == maxDistance_) setMaxDistance(slider->value());
}

bool BorderRubric::keyDown(int key) {
    const KeyTable& keys = mode_.workspace().keyTable();
    if (keys.isDown(kKeyShift) || keys.isDown(kKeyControl)) return false;
    switch (key) {
        case 'Q': case 'W': case 'E': {
            const int index = key == 'Q' ? 0 : key == 'W' ? 1 : 2;
            if (modeButton(index).isEnabled()) setSelectedMode(kModeOf[index]);
            return true;
        }
        case 'R':
            if (maxDistance_->isEnabled()) maxDistance_->openValueDialog();
            return true;
        case 'T': showBorderColourPanel(); return true;
        default: return false;
    }
}

void BorderRubric::showSelectionStatus() {
    const Border* border = selectedBorder();
    const ImageEntry* entry = mode_.selectedEntry();
    if (border == nullptr || entry == nullptr) return;
    const int count = border->selectedCount();
    std::string text = std::to_string(count) +
                       " vertices selected of image %s.\nSpecify how these vertices should be smoothed.";
    const int common = count > 0 ? border->selectedMode() : -1;
    for (int index = 0; index < kModeButtonCount; ++index)
        if (kModeOf[index] == common) text += kModes[index].statusEnd;
    mode_.setStatus(withImageName(text.c_str(), entry->name()));
}

// --- selecting vertices ------------------------------------------------------------------------------

void BorderRubric::toOutline(const Border& border, float x, float y, float& ox, float& oy) const {
    ox = static_cast<float>(border.effectiveWidth()) - x;
    oy = static_cast<float>(border.effectiveHeight()) - y;
}

bool BorderRubric::mouseDown(InputIdentifier button, float x, float y) {
    if (button != InputIdentifier::MouseButton0) return false;
    Border* border = selectedBorder();
    const ViewPixel pixel = mode_.pointerToImage(x, y);
    if (border == nullptr || !pixel.onImage) return false;
    selectionBefore_ = border->selectedSlots();
    border->clearSelection();
    pressed_ = true;
    dragged_ = false;
    startX_ = endX_ = pixel.x;
    startY_ = endY_ = pixel.y;
    refresh();
    return true;
}

void BorderRubric::mouseMove(float x, float y) {
    const ViewPixel pixel = mode_.pointerToImage(x, y);
    overSlot_ = -1;
    if (Border* border = selectedBorder(); border != nullptr && pixel.onImage && !pressed_) {
        // The vertex under the pointer, within a few screen pixels.
        const ViewRect& view = mode_.view();
        const float radius = kPickPixels * static_cast<float>(Image::kCanvasSide) / std::max(1.0f, view.right - view.left);
        float ox = 0.0f;
        float oy = 0.0f;
        toOutline(*border, pixel.x, pixel.y, ox, oy);
        float best = radius * radius;
        for (const BorderVertex* vertex : border->outline()) {
            const float dx = vertex->position.x - ox;
            const float dy = vertex->position.y - oy;
            if (dx * dx + dy * dy <= best) {
                best = dx * dx + dy * dy;
                overSlot_ = vertex->slot;
            }
        }
    }
    if (!pressed_) return;
    endX_ = pixel.x;
    endY_ = pixel.y;
    if (std::fabs(endX_ - startX_) > kDragThreshold || std::fabs(endY_ - startY_) > kDragThreshold) dragged_ = true;
    if (dragged_) mode_.setHelpText(String("Expanding selection rect."));
}

void BorderRubric::mouseUp(InputIdentifier button, float x, float y) {
    if (button != InputIdentifier::MouseButton0 || !pressed_) return;
    mouseMove(x, y);
    pressed_ = false;
    Border* border = selectedBorder();
    if (border == nullptr) return;
    float ox0 = 0.0f;
    float oy0 = 0.0f;
    toOutline(*border, startX_, startY_, ox0, oy0);
    if (dragged_) {
        float ox1 = 0.0f;
        float oy1 = 0.0f;
        toOutline(*border, endX_, endY_, ox1, oy1);
        border->selectVerticesInRect(ox0, oy0, ox1, oy1);
    } else {
        const ViewRect& view = mode_.view();
        const float radius =
            kPickPixels * static_cast<float>(Image::kCanvasSide) / std::max(1.0f, view.right - view.left);
        border->selectVertexAt(ox0, oy0, std::max(radius, Border::kPickRadius));
    }
    selectionDone();
}

void BorderRubric::selectionDone() {
    const Border* border = selectedBorder();
    if (border != nullptr && border->selectedCount() > 0) {
        showSelectionStatus();
    } else {
        mode_.setStatus(String(kNoVertex));
    }
    refresh();
}

bool BorderRubric::cancelGesture() {
    if (!pressed_) return false;
    pressed_ = false;
    dragged_ = false;
    if (Border* border = selectedBorder()) border->selectSlots(selectionBefore_);
    refresh();
    return true;
}

// --- drawing -------------------------------------------------------------------------------------------

void BorderRubric::drawOverlay(DxRenderer& renderer, const ViewRect& view) {
    const Border* border = selectedBorder();
    if (border == nullptr) return;
    const Settings& settings = mode_.workspace().settings();
    const float w = static_cast<float>(border->effectiveWidth());
    const float h = static_cast<float>(border->effectiveHeight());
    auto screenOf = [&](const BorderVertex* v) { return pixelToView(view, w - v->position.x, h - v->position.y); };

    const float savedWidth = renderer.lineWidth();
    // The outline under the pointer.
    renderer.setLineWidth(2.0f);
    for (const std::vector<BorderVertex*>& polygon : border->polygons()) {
        if (std::none_of(polygon.begin(), polygon.end(), [this](const BorderVertex* v) { return v->slot == overSlot_; }))
            continue;
        std::vector<D3DXVECTOR2> points;
        for (const BorderVertex* vertex : polygon) {
            const ImagePoint at = screenOf(vertex);
            points.emplace_back(at.x, at.y);
        }
        const ColourBytes& over = settings.bordercolover;
        renderer.drawLineStrip(points.data(), static_cast<int>(points.size()), over.red, over.green, over.blue, 1.0f);
    }
    // The selected parts of the outline over the line the 2D mode draws.
    renderer.setLineWidth(3.0f);
    const ColourBytes& selectedColour = settings.bordercolselected;
    for (const std::vector<BorderVertex*>& polygon : border->polygons()) {
        std::vector<D3DXVECTOR2> run;
        auto flush = [&] {
            if (run.size() >= 2)
                renderer.drawLineStrip(run.data(), static_cast<int>(run.size()), selectedColour.red,
                                       selectedColour.green, selectedColour.blue, 1.0f);
            run.clear();
        };
        for (const BorderVertex* vertex : polygon) {
            if (!vertex->selected) {
                flush();
                continue;
            }
            const ImagePoint at = screenOf(vertex);
            run.emplace_back(at.x, at.y);
        }
        flush();
    }
    renderer.setLineWidth(savedWidth);

    // The vertices, as small squares of one white picture tinted.
    if (!dot_) {
        if (gfx::GraphicsDevice* device = mode_.workspace().device()) {
            const std::vector<unsigned char> white(4 * 4 * 4, 255);
            dot_ = std::make_unique<Texture>(*device, 4, 4, white.data());
        }
    }
    if (dot_) {
        const float scale = kVertexSide / 4.0f;
        for (const BorderVertex* vertex : border->outline()) {
            const ImagePoint at = screenOf(vertex);
            const ColourBytes& colour = vertex->slot == overSlot_ ? settings.bordercolvertover
                                        : vertex->selected      ? settings.bordercolvertsel
                                                                : settings.bordercolvertuns;
            renderer.setSpriteTransform(scale, scale, 0.0f, at.x - kVertexSide / 2.0f, at.y - kVertexSide / 2.0f);
            renderer.drawSprite(dot_.get(), D3DXVECTOR2(0.0f, 0.0f), argb(colour));
        }
        renderer.resetSpriteTransform();
    }

    if (pressed_ && dragged_) {
        const ImagePoint a = pixelToView(view, startX_, startY_);
        const ImagePoint b = pixelToView(view, endX_, endY_);
        renderer.setLineWidth(1.5f);
        renderer.drawRectangle(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y), 255,
                               255, 255, 0.9f);
        renderer.setLineWidth(savedWidth);
    }
}

// --- colour panels -----------------------------------------------------------------------------------------

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
        const int width = 320;
        const int left = mode_.centredPanelLeft(width);
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
        const int width = 320;
        const int left = mode_.centredPanelLeft(width);
        vertexColours_ = std::make_unique<ColourPanel>(
            mode_.workspace(), String("Border vertex color"), left, 120, width,
            std::vector<ColourPanel::Row>{{"Color of the vertices:", &settings.bordercolvertuns},
                                          {"Color of the vertex under the mouse:", &settings.bordercolvertover},
                                          {"Color of the selected vertices:", &settings.bordercolvertsel}},
            nullptr);
    }
    mode_.showFloatingPanel(*vertexColours_);
}
