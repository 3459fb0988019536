#include "twod/two_d.h"

#include "core/configuration.h"
#include "core/json.h"
#include "gui/cursor_kinds.h"
#include "gui/gui_checkbox.h"
#include "gui/gui_label.h"
#include "gui/gui_menu.h"
#include "gui/gui_radiobutton.h"
#include "gui/help_box.h"
#include "gui/key_table.h"
#include "gui/panel_window.h"
#include "image/border.h"
#include "image/entry_textures.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "twod/border_rubric.h"
#include "twod/general_rubric.h"
#include "twod/masking_rubric.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kRubricLabels[TwoD::kRubricCount] = {"Image", "Mask", "Border"};
constexpr const char* kRubricHelp[TwoD::kRubricCount] = {
    "Image operations.\nLoad\\clone\\delete images, cut out the object of its background, set a rotation center\n"
    "around which the images will be rotated in the 3d space, set the field of view center,\nmirror the images or "
    "move the images up\\down in the image list.",
    "Masking operations.\nYou have to lay a mask over the object. Standard tools like brushes, lines\nrectangles, "
    "filling, thresholds, growing\\shrinking can be used.",
    "Border adjustments.\nThe application automatically creates out of the mask a border which can get adjusted in "
    "this section.\nSelect vertices of the border and choose how they are smoothed: not at all, as long as they\n"
    "stay within the max distance, or without limit.",
};
constexpr const char* kTwoDRadioHelp =
    "2d mode.\nImage operations: load, clone, delete, cut out, mirror and rotate the images.\nMasking: lay a mask "
    "over the object on each image.\nBorder: adjust the border the application creates out of the mask.";
constexpr const char* kThreeDRadioHelp =
    "Image Transformation (TAB key)\nTranslate, rotate and scale the images to create the 3d mesh.\nSegment the "
    "object on the images first.";
constexpr const char* kListHelpPrefix =
    "Press button or Ctrl+ImageNr to select image.\nScrolling through images with Ctrl+Tab or Ctrl+MouseWheel.\n"
    "Current Image: ";
constexpr const char* kSelectHelp =
    "Click with the mouse onto the image to select it.\nYou can also press CTRL+Image Number or SHIFT+Image Number to "
    "select an image with the keyboard.\nScrolling through the images is possible by pressing CTRL or SHIFT and "
    "scrolling with the mouse wheel or TAB key.\nCurrently over image: ";
constexpr const char* kShiftHelp =
    "SHIFT key pressed.\nPress a number to select an image. You can also scroll with the mouse wheel through the "
    "images or press TAB.";
constexpr const char* kControlHelp =
    "CTRL key pressed.\nPress a number to select an image. You can also scroll with the mouse wheel through the "
    "images or press TAB.";

constexpr const char* kRubricArt = "data/gui/twod/general";
constexpr const char* kTwoDRadioArt = "data/gui/twod/rubric";
constexpr const char* kThreeDRadioArt = "data/gui/transformation/rubric";

constexpr int kMargin = 12;
constexpr float kBorderLineWidth = 2.0f;

}  // namespace

TwoD::TwoD(Workspace& workspace)
    : WorkspaceMode(workspace, 1), undo_(notifier_, workspace.settings().maxnrundos), wiring_(images_, notifier_) {
    images_.addListener(this);
    notifier_.addListener(this);
    general_ = std::make_unique<GeneralRubric>(*this);
    masking_ = std::make_unique<MaskingRubric>(*this);
    border_ = std::make_unique<BorderRubric>(*this);
    rubrics_ = {general_.get(), masking_.get(), border_.get()};
    buildScreen();
    buildMenus();
    showRubric(kImageRubric);
}

TwoD::~TwoD() {
    notifier_.removeListener(this);
    images_.removeListener(this);
    // The rows show the entries: they go before the images do.
    list_->clear();
}

unsigned char TwoD::maskValue() const {
    const float value = workspace().settings().maskopac;
    if (!std::isfinite(value) || value < 1.0f) return 1;
    return value >= 255.0f ? 255 : static_cast<unsigned char>(value);
}

// --- building ------------------------------------------------------------------------

void TwoD::buildScreen() {
    GuiContainer& root = screen();
    title_ = new GuiLabel(String("Plastora v1.02"));
    title_->setFont(String("Arial"), 50);
    root.add(title_);
    subtitle_ = new GuiLabel(String("The new, fast, easy way to create 3d objects."));
    subtitle_->setFont(String("Arial"), 18, true);
    root.add(subtitle_);

    for (int index = 0; index < kRubricCount; ++index) {
        auto* radio = new GuiRadiobutton(String(kRubricArt));
        radio->setName(String(kRubricLabels[index]));
        radio->setCaption(String(kRubricLabels[index]));
        radio->setHelpText(String(kRubricHelp[index]));
        radio->setDisabledHelpText(String(kRubricHelp[index]));
        radio->addListener(this);
        root.add(radio);
        rubricRadios_[static_cast<size_t>(index)] = radio;
    }
    twoDRadio_ = new GuiCheckbox(String(kTwoDRadioArt));
    twoDRadio_->setName(String("2d mode"));
    twoDRadio_->setHelpText(String(kTwoDRadioHelp));
    twoDRadio_->setChecked(true);
    twoDRadio_->addListener(this);
    root.add(twoDRadio_);
    threeDRadio_ = new GuiCheckbox(String(kThreeDRadioArt));
    threeDRadio_->setName(String("3d mode"));
    threeDRadio_->setHelpText(String(kThreeDRadioHelp));
    threeDRadio_->addListener(this);
    root.add(threeDRadio_);

    list_ = new GuiMaskList(String(kListHelpPrefix));
    list_->addListener(this);
    root.add(list_);

    for (Rubric* rubric : rubrics_) {
        rubric->panel().setVisible(false);
        // A panel over a zoomed picture stays readable.
        rubric->panel().setBackground(loadGuiTexture(String("data/gui/general/bar/wndback.dds")));
        root.addShared(&rubric->panel());
    }
    layoutScreen();
}

void TwoD::layoutScreen() {
    const int width = workspace().backBufferWidth();
    const int height = workspace().backBufferHeight();
    const ViewRect centred = centredView(width, height);
    const int column = std::max(120, static_cast<int>(centred.left));
    const int top = TitleBar::kHeight;
    title_->setRect(kMargin, top + 2, width - kMargin, top + 70);
    subtitle_->setRect(kMargin + 4, top + 66, width - kMargin, top + 92);

    const int radioWidth = std::min(90, (column - 2 * kMargin - 8) / 3);
    for (int index = 0; index < kRubricCount; ++index) {
        const int left = kMargin + index * (radioWidth + 4);
        rubricRadios_[static_cast<size_t>(index)]->setRect(left, top + 100, left + radioWidth, top + 130);
    }
    twoDRadio_->setRect(kMargin, top + 138, kMargin + 48, top + 186);
    threeDRadio_->setRect(kMargin + 54, top + 138, kMargin + 102, top + 186);

    const int listWidth = std::clamp(column - 2 * kMargin, 64, 150);
    list_->setRect(kMargin, top + 196, kMargin + listWidth, height - kMargin);

    // At least 258 pixels wide: on small screens the panel covers the view's edge.
    const int panelLeft = std::min(static_cast<int>(centred.right) + kMargin, width - 270);
    for (Rubric* rubric : rubrics_) rubric->panel().setRect(panelLeft, top + 130, width - kMargin, height - kMargin);
}

// --- rubrics ---------------------------------------------------------------------------

void TwoD::showRubric(int index) {
    if (index < 0 || index >= kRubricCount) return;
    if (index != activeRubric_) activeRubric().leave();
    activeRubric_ = index;
    for (int i = 0; i < kRubricCount; ++i) {
        rubricRadios_[static_cast<size_t>(i)]->setSelected(i == index);
        rubrics_[static_cast<size_t>(i)]->panel().setVisible(i == index);
    }
    activeRubric().enter();
}

void TwoD::refreshRubrics() {
    for (Rubric* rubric : rubrics_) rubric->refresh();
}

String TwoD::rubricLabel() const { return String(kRubricLabels[activeRubric_]); }

void TwoD::selected(GuiRadiobutton* radio) {
    for (int index = 0; index < kRubricCount; ++index)
        if (rubricRadios_[static_cast<size_t>(index)] == radio) showRubric(index);
}

void TwoD::checked(GuiCheckbox* checkbox) {
    if (checkbox == threeDRadio_) {
        workspace().switchToThreeD();
        return;
    }
    // The 2D radio stays checked while the 2D mode is current.
    twoDRadio_->setChecked(true);
}

void TwoD::unchecked(GuiCheckbox* checkbox) {
    if (checkbox == twoDRadio_) twoDRadio_->setChecked(true);
}

// --- life cycle -----------------------------------------------------------------------

void TwoD::enter() {
    WorkspaceMode::enter();
    twoDRadio_->setChecked(true);
    threeDRadio_->setChecked(false);
    panning_ = false;
    dragZooming_ = false;
    activeRubric().enter();
    setHelpText(String(kSelectHelp));
}

void TwoD::leave() {
    activeRubric().leave();
    hideFloatingPanels();
    WorkspaceMode::leave();
}

void TwoD::applySettings() {
    WorkspaceMode::applySettings();
    const Settings& settings = workspace().settings();
    undo_.setLimit(settings.maxnrundos);
    const Rgb maskColour{settings.maskcol.red, settings.maskcol.green, settings.maskcol.blue};
    if (gfx::GraphicsDevice* device = workspace().device()) {
        wiring_.enableTextures(*device, maskColour);
    } else {
        wiring_.setMaskColour(maskColour);
    }
    list_->setMaskColour(maskColour, 110);
    setRenderPreview(settings.toggleintpreview);
    setItemChecked(String("View"), String("Render Mask"), renderMask_);
    setItemChecked(String("View"), String("Render Border"), renderBorder_);
    for (Rubric* rubric : rubrics_) rubric->refresh();
}

void TwoD::resetRubrics() {
    dropGesture();
    clearHelpText();
    hideFloatingPanels();
    statusBar().setProgress(0.0f);
    statusBar().setText(String());
    images_.select(-1);
    for (Rubric* rubric : rubrics_) rubric->leave();
    showRubric(kImageRubric);
}

// --- images and selection ----------------------------------------------------------------

void TwoD::entryAdded(int /*index*/, ImageEntry& entry) {
    list_->addEntry(entry);
    undo_.makeStack(entry.mask);
    refreshRubrics();
}

void TwoD::entryRemoved(int /*index*/, ImageEntry& entry) {
    staleThumbnails_.erase(std::remove(staleThumbnails_.begin(), staleThumbnails_.end(), &entry),
                           staleThumbnails_.end());
    list_->removeEntry(entry);
    undo_.freeStack(entry.mask);
}

void TwoD::entriesSwapped(int /*first*/, int /*second*/) {
    list_->clear();
    for (int slot = 0; slot < images_.slotCount(); ++slot)
        if (ImageEntry* entry = images_.entry(slot)) list_->addEntry(*entry);
    list_->setSelected(selectedEntry());
    refreshRubrics();
}

void TwoD::selectionChanged(int /*index*/) {
    list_->setSelected(selectedEntry());
    if (selectedEntry() != nullptr && !hasSize(view_)) centreView();
    if (selectedEntry() != nullptr) clampView();
    refreshRubrics();
}

void TwoD::released(ImageEntry& entry) {
    for (int slot = 0; slot < images_.slotCount(); ++slot)
        if (images_.entry(slot) == &entry) selectSlot(slot);
    String help(kSelectHelp);
    help.append(entry.name());
    setHelpText(help);
}

void TwoD::selectSlot(int slot) {
    activeRubric().leave();
    images_.select(slot);
    activeRubric().enter();
}

bool TwoD::selectByNumber(int number) {
    int seen = 0;
    for (int slot = 0; slot < images_.slotCount(); ++slot) {
        if (images_.entry(slot) == nullptr) continue;
        if (++seen == number) {
            selectSlot(slot);
            return true;
        }
    }
    return false;
}

void TwoD::selectNext() {
    const int slots = images_.slotCount();
    for (int step = 1; step <= slots; ++step) {
        const int slot = ((images_.selectedIndex() < 0 ? -1 : images_.selectedIndex()) + step) % slots;
        if (images_.entry(slot) != nullptr) {
            selectSlot(slot);
            return;
        }
    }
}

void TwoD::selectPrevious() {
    const int slots = images_.slotCount();
    const int from = images_.selectedIndex() < 0 ? slots : images_.selectedIndex();
    for (int step = 1; step <= slots; ++step) {
        const int slot = ((from - step) % slots + slots) % slots;
        if (images_.entry(slot) != nullptr) {
            selectSlot(slot);
            return;
        }
    }
}

void TwoD::afterImagesRemoved() {
    masking_->imagesChanged();
    refreshRubrics();
}

void TwoD::updateBorders(const char* statusPrefix, const char* statusSuffix) {
    std::vector<ImageEntry*> changed;
    for (int slot = 0; slot < images_.slotCount(); ++slot) {
        ImageEntry* entry = images_.entry(slot);
        if (entry != nullptr && entry->border && entry->border->isChangedFor2D()) changed.push_back(entry);
    }
    if (changed.empty()) return;
    setBusy(true);
    for (size_t k = 0; k < changed.size(); ++k) {
        setProgress(100.0f * static_cast<float>(k) / static_cast<float>(changed.size()));
        String text(statusPrefix);
        text.append(changed[k]->name()).append(String(statusSuffix));
        setStatus(text);
        drawFrame();
        changed[k]->border->update();
        changed[k]->changed = false;
    }
    setProgress(100.0f);
    setBusy(false);
}

// --- the view ---------------------------------------------------------------------------

void TwoD::centreView() {
    if (selectedEntry() == nullptr) return;
    view_ = centredView(workspace().backBufferWidth(), workspace().backBufferHeight());
}

void TwoD::clampView() {
    const ImageEntry* entry = selectedEntry();
    if (entry == nullptr) return;
    ::clampView(view_, reachBounds(workspace().backBufferWidth(), workspace().backBufferHeight(), TitleBar::kHeight),
                entry->workingCopy.marginRight, entry->workingCopy.marginBottom);
}

ViewPixel TwoD::pointerToImage(float px, float py) const {
    const ImageEntry* entry = selectedEntry();
    if (entry == nullptr) return ViewPixel{};
    return viewToPixel(view_, px, py, entry->workingCopy);
}

ImagePoint TwoD::imageToScreen(float x, float y) const { return pixelToView(view_, x, y); }

// --- drawing ----------------------------------------------------------------------------

bool TwoD::rendersPreview() const { return workspace().settings().toggleintpreview; }

void TwoD::setRenderMask(bool render) {
    renderMask_ = render;
    setItemChecked(String("View"), String("Render Mask"), render);
}

void TwoD::setRenderBorder(bool render) {
    renderBorder_ = render;
    setItemChecked(String("View"), String("Render Border"), render);
}

void TwoD::setRenderPreview(bool render) {
    workspace().settings().toggleintpreview = render;
    setItemChecked(String("View"), String("Render Interactive Preview"), render);
}

void TwoD::pictureChanged(const ImageEntry& entry) {
    if (std::find(staleThumbnails_.begin(), staleThumbnails_.end(), &entry) == staleThumbnails_.end())
        staleThumbnails_.push_back(&entry);
}

void TwoD::maskChanged(Image& mask) {
    if (const ImageEntry* entry = wiring_.entryOwning(mask)) pictureChanged(*entry);
}

void TwoD::refreshThumbnails() {
    if (staleThumbnails_.empty()) return;
    const auto now = std::chrono::steady_clock::now();
    if (activeRubric().isBusy() && now - lastThumbnails_ < std::chrono::milliseconds(250)) return;
    lastThumbnails_ = now;
    for (const ImageEntry* entry : staleThumbnails_) list_->maskChanged(*entry);
    staleThumbnails_.clear();
}

void TwoD::frame() {
    list_->setSelected(selectedEntry());
    refreshThumbnails();
    WorkspaceMode::frame();
}

void TwoD::drawView(DxRenderer& renderer) {
    const ImageEntry* entry = selectedEntry();
    if (entry == nullptr || !hasSize(view_)) return;
    drawPicture(renderer, *entry);
    if (renderBorder_) drawBorder(renderer, *entry);
    activeRubric().drawOverlay(renderer, view_);
}

void TwoD::drawPicture(DxRenderer& renderer, const ImageEntry& entry) {
    const auto* textures = dynamic_cast<const DeviceEntryTextures*>(entry.textures.get());
    if (textures == nullptr) return;
    const float scaleX = (view_.right - view_.left) / static_cast<float>(Image::kCanvasSide);
    const float scaleY = (view_.bottom - view_.top) / static_cast<float>(Image::kCanvasSide);
    // Image pixels are shown as they are, without smoothing.
    renderer.setPointSampling();
    renderer.setSpriteTransform(scaleX, scaleY, 0.0f, view_.left, view_.top);
    renderer.drawSprite(&textures->picture(), D3DXVECTOR2(0.0f, 0.0f));
    if (renderMask_) renderer.drawSprite(&textures->mask(), D3DXVECTOR2(0.0f, 0.0f));
    renderer.resetSpriteTransform();
    renderer.setLinearSampling();
}

void TwoD::drawBorder(DxRenderer& renderer, const ImageEntry& entry) {
    if (!entry.border) return;
    const Border& border = *entry.border;
    // An image whose clipping removes voxels shows its border in the removing colour.
    const bool removing = border.owner() != nullptr && !border.owner()->addingVoxels();
    const ColourBytes& colour = removing ? workspace().settings().bordercolrem : workspace().settings().bordercol;
    const float w = static_cast<float>(border.effectiveWidth());
    const float h = static_cast<float>(border.effectiveHeight());
    const float savedWidth = renderer.lineWidth();
    renderer.setLineWidth(kBorderLineWidth);
    std::vector<D3DXVECTOR2> points;
    for (const std::vector<BorderVertex*>& polygon : border.polygons()) {
        points.clear();
        for (const BorderVertex* vertex : polygon) {
            // Outline coordinates run opposite to the picture's.
            const ImagePoint screenPoint = imageToScreen(w - vertex->position.x, h - vertex->position.y);
            points.emplace_back(screenPoint.x, screenPoint.y);
        }
        if (points.size() >= 2)
            renderer.drawLineStrip(points.data(), static_cast<int>(points.size()), colour.red, colour.green,
                                   colour.blue, 1.0f);
    }
    renderer.setLineWidth(savedWidth);
}

// --- floating panels ------------------------------------------------------------------------

void TwoD::showFloatingPanel(PanelWindow& panel) {
    hideFloatingPanels();
    if (std::find(floatingPanels_.begin(), floatingPanels_.end(), &panel) == floatingPanels_.end()) {
        floatingPanels_.push_back(&panel);
        screen().addShared(&panel);
    }
    panel.setVisible(true);
}

bool TwoD::ask(const char* caption, const char* text, MessageIcon icon) {
    MessageAnswer answer;
    {
        ShownSystemCursor shown(workspace().systemCursor());
        answer = workspace().dialogs().messageBox(String(caption), String(text), MessageButtons::YesNo, icon);
    }
    workspace().clearKeyTable();
    return answer == MessageAnswer::Yes;
}

int TwoD::centredPanelLeft(int width) const { return (workspace().backBufferWidth() - width) / 2; }

void TwoD::hideFloatingPanels() {
    for (PanelWindow* panel : floatingPanels_) panel->setVisible(false);
}

// --- events ----------------------------------------------------------------------------------

void TwoD::updateModifierHelp() {
    if (isKeyDown(kKeyShift)) {
        setHelpText(String(kShiftHelp));
    } else if (isKeyDown(kKeyControl)) {
        setHelpText(String(kControlHelp));
    }
}

bool TwoD::selectionKey(int key) {
    if (!isKeyDown(kKeyShift) && !isKeyDown(kKeyControl)) return false;
    if (key >= '1' && key <= '9') {
        selectByNumber(key - '0');
        return true;
    }
    if (key == kKeyTab) {
        selectNext();
        return true;
    }
    return false;
}

bool TwoD::sharedKey(int key) {
    if (isKeyDown(kKeyShift) || isKeyDown(kKeyControl)) return false;
    switch (key) {
        case 'A': showRubric((activeRubric_ + kRubricCount - 1) % kRubricCount); return true;
        case 'S': showRubric((activeRubric_ + 1) % kRubricCount); return true;
        case 'M': masking_->showColourPanel(); return true;
        case 'B': border_->showColourPanels(); return true;
        default: break;
    }
    if (isPlainTab(key)) {
        threeDRadio_->setChecked(true);
        workspace().switchToThreeD();
        return true;
    }
    return false;
}

void TwoD::keyDown(int key) {
    if (key == kKeyShift || key == kKeyControl) {
        updateModifierHelp();
        return;
    }
    if (selectionKey(key)) return;
    if (activeRubric().keyDown(key)) return;
    sharedKey(key);
}

void TwoD::toggleOnRelease(int key) {
    if (key == kKeyF1) setRenderMask(!renderMask_);
    if (key == kKeyF2) setRenderBorder(!renderBorder_);
    if (key == kKeyF3) setRenderPreview(!rendersPreview());
}

void TwoD::keyUp(int key) {
    if (key == kKeyShift || key == kKeyControl) {
        clearHelpText();
        updateModifierHelp();
        return;
    }
    toggleOnRelease(key);
    activeRubric().keyUp(key);
}

void TwoD::mouseDown(InputIdentifier button, float x, float y) {
    lastX_ = x;
    lastY_ = y;
    if (button == InputIdentifier::MouseButton1) {
        if (selectedEntry() == nullptr || !pointerToImage(x, y).onImage) return;
        panning_ = true;
        dragStartView_ = view_;
        workspace().setCursor(kCursorMoving);
        return;
    }
    if (button == InputIdentifier::MouseButton0) activeRubric().mouseDown(button, x, y);
}

void TwoD::mouseDoubleClick(InputIdentifier button, float /*x*/, float /*y*/) {
    if (button == InputIdentifier::MouseButton1 || button == InputIdentifier::MouseButton2) centreView();
}

void TwoD::mouseUp(InputIdentifier button, float x, float y) {
    if (button == InputIdentifier::MouseButton1) panning_ = false;
    activeRubric().mouseUp(button, x, y);
}

void TwoD::middleDown() {
    if (selectedEntry() == nullptr) return;
    float x = pointerX();
    float y = pointerY();
    activeRubric().toolPoint(x, y);
    zoomAnchorX_ = x;
    zoomAnchorY_ = y;
    lastX_ = pointerX();
    lastY_ = pointerY();
    dragStartView_ = view_;
    dragZooming_ = true;
    workspace().setCursor(kCursorZooming);
}

void TwoD::middleUp() { dragZooming_ = false; }

void TwoD::mouseMove(float x, float y, bool overWidget) {
    const float dx = x - lastX_;
    const float dy = y - lastY_;
    lastX_ = x;
    lastY_ = y;
    if (panning_) {
        panView(view_, dx, dy);
        clampView();
        workspace().setCursor(kCursorMoving);
    } else if (dragZooming_) {
        zoomByDrag(view_, zoomAnchorX_, zoomAnchorY_, dy);
        clampView();
        workspace().setCursor(kCursorZooming);
    }
    updateModifierHelp();
    if (!overWidget || activeRubric().isBusy()) activeRubric().mouseMove(x, y);
}

void TwoD::mouseWheel(int step) {
    if (isKeyDown(kKeyShift) || isKeyDown(kKeyControl)) {
        if (step < 0) {
            selectNext();
        } else {
            selectPrevious();
        }
        return;
    }
    if (selectedEntry() == nullptr || activeRubric().isBusy()) return;
    if (zoomByWheel(view_, pointerX(), pointerY(), step)) clampView();
}

bool TwoD::cancelGesture() {
    if (panning_ || dragZooming_) {
        view_ = dragStartView_;
        panning_ = false;
        dragZooming_ = false;
        workspace().setCursor(kCursorArrow);
        return true;
    }
    if (activeRubric().cancelGesture()) return true;
    for (PanelWindow* panel : floatingPanels_) {
        if (panel->isVisible()) {
            hideFloatingPanels();
            return true;
        }
    }
    return false;
}

void TwoD::endGesture() {
    panning_ = false;
    dragZooming_ = false;
    if (general_) activeRubric().leave();
}

// --- state -------------------------------------------------------------------------------------

void TwoD::describeState(JsonValue& root) const {
    const ImageEntry* selected = selectedEntry();
    root.set("selected", selected != nullptr ? JsonValue::string(selected->name().str()) : JsonValue());
    JsonValue& view = root.set("view", JsonValue::array());
    for (float edge : {view_.left, view_.top, view_.right, view_.bottom}) view.append(JsonValue::number(edge));
    JsonValue& images = root.set("images", JsonValue::array());
    for (int slot = 0; slot < images_.slotCount(); ++slot) {
        const ImageEntry* entry = images_.entry(slot);
        if (entry == nullptr) continue;
        JsonValue& image = images.append(JsonValue::object());
        image.set("name", JsonValue::string(entry->name().str()));
        image.set("width", JsonValue::number(entry->workingCopy.width()));
        image.set("height", JsonValue::number(entry->workingCopy.height()));
        image.set("marginRight", JsonValue::number(entry->workingCopy.marginRight));
        image.set("marginBottom", JsonValue::number(entry->workingCopy.marginBottom));
        int set = 0;
        for (int y = 0; y < entry->mask.height(); ++y)
            for (int x = 0; x < entry->mask.width(); ++x)
                if (entry->mask.isSet(x, y)) ++set;
        image.set("maskPixels", JsonValue::number(set));
    }
}
