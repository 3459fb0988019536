#include "twod/general_rubric.h"

#include "core/configuration.h"
#include "gui/cursor_kinds.h"
#include "gui/key_table.h"
#include "image/border.h"
#include "project/clipping_elements.h"
#include "project/picture_import.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "twod/rubric_widgets.h"
#include "twod/two_d.h"

#include <algorithm>

namespace {

constexpr const char* kMarkerArt = "data/gui/twod/rotationcenter/rotationcenter.dds";
constexpr int kButtonHeight = 28;
constexpr int kButtonGap = 6;
constexpr float kMarkerSize = 26.0f;

struct ButtonText {
    const char* caption;
    const char* shortcut;  // drawn beside the button
    int key;
    const char* help;
    const char* disabledHelp;
    // The status texts: nothing loaded, nothing selected, an image selected.
    AvailabilityTexts status;
};

const ButtonText kButtons[GeneralRubric::kButtonCount] = {
    {"Add images", "o", 'O', "Add image(s) to the current project.", "Add image(s) to the current project.",
     {"", "", ""}},
    {"Clone", "c", 'C', "Clone the selected image.", "No image selected to clone. Select an image first.",
     {"No image loaded to clone.\nLoad an image first.", "No image selected to clone.\nSelect an image first.",
      "Clone image %s."}},
    {"Delete", "Del", kKeyDelete, "Delete the selected image.", "No image selected to delete. Select an image first.",
     {"No image loaded to delete.\nLoad an image first.", "No image selected to delete.\nSelect an image first.",
      "Delete image %s."}},
    {"Cut out", "x", 'X',
     "Cut out the object of its background.\nSet a rect over the object on the image by pressing with the mouse onto "
     "the image\nand expanding the rect. The rect should be as small as possible to get the best detail.\nThis rect "
     "is cut out and scaled to 512x512 pixel.\n",
     "Cut out the object of its background.\nCannot cutout the object of its background because no image is "
     "selected.",
     {"No image loaded for which the object should be cut out.\nLoad an image first.",
      "No image selected for which the object should be cut out.\nSelect an image first.",
      "Image %s selected. Cut out the object of its background.\nSet a rect over the object on the image by pressing "
      "with the mouse onto the image\nand expanding the rect. The rect should be as small as possible to get the "
      "best detail.\nThis rect is cut out and scaled to max 512x512 pixel."}},
    {"Move up", "u", 'U', "Move the image up in the image list.",
     "Move the image up in the image list.\nNo image selected to move.",
     {"No image loaded which should be moved up in the image list.\nLoad an image first.",
      "No image selected which should be moved up in the image list.\nSelect an image first.",
      "Move image %s up in the image list."}},
    {"Move down", "d", 'D', "Move the image down in the image list.",
     "Move the image down in the image list.\nNo image selected to move.",
     {"No image loaded which should be moved down in the image list.\nLoad an image first.",
      "No image selected which should be moved down in the image list.\nSelect an image first.",
      "Move image %s down in the image list."}},
    {"Mirror vertical", "h", 'H', "Mirror the selected image vertical.",
     "No image selected to mirror vertical. Select an image first.",
     {"No image loaded to mirror vertical.\nLoad an image first.",
      "No image selected to mirror vertical.\nSelect an image first.", "Mirror image %s vertical."}},
    {"Mirror horizontal", "v", 'V', "Mirror the selected image horizontal.",
     "No image selected to mirror horizontal. Select an image first.",
     {"No image loaded to mirror horizontal.\nLoad an image first.",
      "No image selected to mirror horizontal.\nSelect an image first.", "Mirror image %s horizontal."}},
    {"Rotate left", "w", 'W', "Rotate left side.", "No image selected to rotate. Select an image first.",
     {"No image loaded to rotate.\nLoad an image first.", "No image selected to rotate.\nSelect an image first.",
      "Rotate image %s to the left."}},
    {"Rotate right", "e", 'E', "Rotate right side.", "No image selected to rotate. Select an image first.",
     {"No image loaded to rotate.\nLoad an image first.", "No image selected to rotate.\nSelect an image first.",
      "Rotate image %s to the right."}},
    {"Rotation center", "r", 'R', "Set the translation\\scaling\\rotation\\fov center for the current image.",
     "No image selected for which the rotation center could be set.\nSelect an image first.",
     {"No image loaded for which the translation\\scaling\\rotation\\fov center should be set.\nLoad an image first.",
      "No image selected for which the translation\\scaling\\rotation\\fov center should be set.\nSelect an image "
      "first.",
      "Set the rotation center of image %s.\nImage %s will be rotated\\scaled around this point in the 3d "
      "transformation of the images.\nSetting a rotation center can also be useful for scaling the images in the 3d "
      "transformation.\nThereby set the rotation center onto the edge which should not be scaled."}},
    {"Fov center", "z", 'Z', "Set the field of view center for the current image.",
     "No image selected for which the field of view center could be set.\nSelect an image first.",
     {"No image loaded for which the field of view center should be set.\nLoad an image first.",
      "No image selected for which the field of view center should be set.\nSelect an image first.",
      "Set the field of view center of image %s.\nThe field of view center is the origin of the field of view of the "
      "image."}},
    {"Snap point", "t", 'T', "Set the snap point for the current image.",
     "No image selected for which the snap point could be set.\nSelect an image first.",
     {"No image loaded for which the snap point should be set.\nLoad an image first.",
      "No image selected for which the snap point should be set.\nSelect an image first.",
      "Set the snap point of image %s.\nWhen transforming the images press the SPACE bar and use mouse gestures to "
      "use snapping.\nThe snappoint will snap to the border of another image."}},
};

const char* cutOutDisabledHelp(CutOutRefusal refusal) {
    switch (refusal) {
        case CutOutRefusal::NoBiggerImage:
            return "Cut out the object of its background.\nCannot cutout the object from its background because the "
                   "image has no bigger image attached.";
        case CutOutRefusal::PictureTooSmall:
            return "Cut out the object of its background.\nCannot cutout the object of its background because the "
                   "image is <= 512x512 pixels and therefore\na cutout makes no sense.";
        default: break;
    }
    return kButtons[GeneralRubric::kCutOut].disabledHelp;
}

GeneralRubric::Button buttonOfTool(GeneralRubric::Tool tool) {
    switch (tool) {
        case GeneralRubric::Tool::CutOut: return GeneralRubric::kCutOut;
        case GeneralRubric::Tool::RotationCentre: return GeneralRubric::kRotationCentre;
        case GeneralRubric::Tool::FovCentre: return GeneralRubric::kFovCentre;
        case GeneralRubric::Tool::SnapPoint: return GeneralRubric::kSnapPoint;
        case GeneralRubric::Tool::None: break;
    }
    return GeneralRubric::kButtonCount;
}

// Keeps a point of the canvas on the picture (0 .. W, 0 .. H).
ImagePoint onPicture(const Image& image, float x, float y) {
    return ImagePoint{std::clamp(x, 0.0f, static_cast<float>(image.width() - image.marginRight)),
                      std::clamp(y, 0.0f, static_cast<float>(image.height() - image.marginBottom))};
}

}  // namespace

GeneralRubric::GeneralRubric(TwoD& mode) : mode_(mode), panel_(String("Image rubric")) { build(); }

GeneralRubric::~GeneralRubric() = default;

void GeneralRubric::build() {
    for (int index = 0; index < kButtonCount; ++index) {
        const ButtonText& text = kButtons[index];
        GuiButton* button = makeCaptionButton(text.caption, text.help, text.disabledHelp, text.shortcut);
        button->addListener(this);
        panel_.add(button);
        buttons_[static_cast<size_t>(index)] = button;
    }
}

void GeneralRubric::layout() {
    const int columnWidth = std::max(60, (panel_.width() - 3 * kButtonGap) / 2);
    int y = panel_.top() + kButtonGap;
    for (int index = 0; index < kButtonCount; ++index) {
        const int column = index % 2;
        const int left = panel_.left() + kButtonGap + column * (columnWidth + kButtonGap);
        buttons_[static_cast<size_t>(index)]->setRect(left, y, left + columnWidth, y + kButtonHeight);
        if (column == 1) y += kButtonHeight + kButtonGap;
    }
}

void GeneralRubric::enter() {
    layout();
    mode_.updateBorders("Update border of image ", ".");
    refresh();
}

void GeneralRubric::leave() {
    expanding_ = false;
}

void GeneralRubric::refresh() {
    layout();
    ImageList& images = mode_.images();
    const ImageEntry* selected = mode_.selectedEntry();
    const bool any = selected != nullptr;
    for (Button which : {kClone, kDelete, kMirrorVertical, kMirrorHorizontal, kRotateLeft, kRotateRight,
                         kRotationCentre, kFovCentre, kSnapPoint})
        button(which).setEnabled(any);
    button(kMoveUp).setEnabled(any && images.canMoveUp(images.selectedIndex()));
    button(kMoveDown).setEnabled(any && images.canMoveDown(images.selectedIndex()));
    const CutOutRefusal refusal = cutOutRefusal(selected);
    button(kCutOut).setDisabledHelpText(String(cutOutDisabledHelp(refusal)));
    button(kCutOut).setEnabled(refusal == CutOutRefusal::None);
    // A tool whose button was disabled is switched off.
    if (tool_ != Tool::None && !button(buttonOfTool(tool_)).isEnabled()) toggleTool(tool_);
    for (int index = 0; index < kButtonCount; ++index)
        buttons_[static_cast<size_t>(index)]->setLatched(index == buttonOfTool(tool_));
}

String GeneralRubric::statusText(Button which) const {
    const ImageEntry* selected = mode_.selectedEntry();
    const ImageAvailability availability = imageAvailability(mode_.loadedCount(), selected != nullptr);
    const String name = selected != nullptr ? selected->name() : String();
    const ImageList& images = mode_.images();
    if (availability == ImageAvailability::Selected) {
        if (which == kMoveUp && !images.canMoveUp(images.selectedIndex()))
            return withImageName("Cannot move image %s up because it is already the first image in the image list.",
                                 name);
        if (which == kMoveDown && !images.canMoveDown(images.selectedIndex()))
            return withImageName(
                "Cannot move image %s down because it is already the last imgae in the image list.", name);
    }
    return pick(kButtons[which].status, availability, name);
}

// --- buttons and keys ----------------------------------------------------------------------

void GeneralRubric::over(GuiButton* hovered) {
    for (int index = 0; index < kButtonCount; ++index) {
        if (buttons_[static_cast<size_t>(index)] != hovered) continue;
        const String text = statusText(static_cast<Button>(index));
        if (text.length() > 0 && mode_.statusBar().isReady()) mode_.setStatus(text);
    }
}

void GeneralRubric::released(GuiButton* pressed) {
    for (int index = 0; index < kButtonCount; ++index)
        if (buttons_[static_cast<size_t>(index)] == pressed) press(static_cast<Button>(index));
}

bool GeneralRubric::keyDown(int key) {
    if (mode_.workspace().keyTable().isDown(kKeyShift) || mode_.workspace().keyTable().isDown(kKeyControl))
        return false;
    for (int index = 0; index < kButtonCount; ++index) {
        if (kButtons[index].key != key) continue;
        // A letter presses its button only while the button is enabled.
        if (buttons_[static_cast<size_t>(index)]->isEnabled()) press(static_cast<Button>(index));
        return true;
    }
    return false;
}

void GeneralRubric::press(Button which) {
    if (!button(which).isEnabled()) return;
    switch (which) {
        case kAdd: loadImages(); break;
        case kClone: cloneSelected(); break;
        case kDelete: deleteSelected(); break;
        case kCutOut: toggleTool(Tool::CutOut); break;
        case kMoveUp: moveSelected(-1); break;
        case kMoveDown: moveSelected(+1); break;
        case kMirrorVertical: turnSelected(EntryTurn::MirrorVertical); break;
        case kMirrorHorizontal: turnSelected(EntryTurn::MirrorHorizontal); break;
        case kRotateLeft: turnSelected(EntryTurn::RotateLeft); break;
        case kRotateRight: turnSelected(EntryTurn::RotateRight); break;
        case kRotationCentre: toggleTool(Tool::RotationCentre); break;
        case kFovCentre: toggleTool(Tool::FovCentre); break;
        case kSnapPoint: toggleTool(Tool::SnapPoint); break;
        case kButtonCount: break;
    }
    const String text = statusText(which);
    if (text.length() > 0) mode_.setStatus(text);
}

void GeneralRubric::toggleTool(Tool tool) {
    expanding_ = false;
    tool_ = tool_ == tool ? Tool::None : tool;
    for (int index = 0; index < kButtonCount; ++index)
        buttons_[static_cast<size_t>(index)]->setLatched(index == buttonOfTool(tool_));
}

// --- the operations ---------------------------------------------------------------------------

void GeneralRubric::loadImages() {
    CommandUi ui{mode_.workspace().dialogs(), mode_.workspace().systemCursor(), mode_};
    const int before = mode_.images().imageCount();
    loadImagesCommand(mode_.images(), ui, mode_.maskValue(), mode_.clippingTable());
    mode_.afterImagesAdded(before);
}

void GeneralRubric::cloneSelected() {
    ImageEntry* source = mode_.selectedEntry();
    if (source == nullptr) return;
    ImageList& images = mode_.images();
    const int sourceSlot = images.selectedIndex();
    mode_.setBusy(true);
    mode_.setStatus(withImageName("Clone image %s", source->name()));
    mode_.drawFrame();
    const int slot = images.append(cloneEntry(*source, images.nextImageNumber()));
    if (ClippingTable* clippings = mode_.clippingTable()) clippings->copyClipping(sourceSlot, slot);
    mode_.setBusy(false);
    mode_.selectSlot(slot);
    mode_.afterImagesAdded(images.imageCount());
}

void GeneralRubric::deleteSelected() {
    ImageEntry* entry = mode_.selectedEntry();
    if (entry == nullptr) return;
    if (!mode_.ask("Really deleting image?",
                   "Are you sure you really want to delete the selected image.\nNote that this operation cannot be "
                   "undone.",
                   MessageIcon::Question))
        return;
    tool_ = Tool::None;
    mode_.images().remove(mode_.images().selectedIndex());
    mode_.afterImagesRemoved();
}

void GeneralRubric::turnSelected(EntryTurn turn) {
    ImageEntry* entry = mode_.selectedEntry();
    if (entry == nullptr) return;
    if (tool_ == Tool::CutOut) toggleTool(Tool::CutOut);
    const bool mirror = turn == EntryTurn::MirrorVertical || turn == EntryTurn::MirrorHorizontal;
    mode_.setBusy(true);
    mode_.setStatus(String(mirror ? "Mirror image." : "Rotate image."));
    mode_.drawFrame();
    turnEntry(*entry, turn);
    // The history turns with the mask, so that undo gives back masks that fit.
    if (MaskUndoStack* history = mode_.undoList().stackFor(&entry->mask))
        history->transformRecords([turn](const Image& record) { return turnedImage(record, turn); });
    mode_.setBusy(false);
    mode_.pictureChanged(*entry);
    mode_.clampView();
    mode_.refreshRubrics();
}

void GeneralRubric::moveSelected(int step) {
    ImageList& images = mode_.images();
    const int slot = images.selectedIndex();
    if (slot < 0) return;
    if (step < 0) {
        images.moveUp(slot);
    } else {
        images.moveDown(slot);
    }
    mode_.refreshRubrics();
}

// --- the picture tools -----------------------------------------------------------------------

bool GeneralRubric::mouseDown(InputIdentifier button, float x, float y) {
    if (button != InputIdentifier::MouseButton0 || tool_ == Tool::None) return false;
    ImageEntry* entry = mode_.selectedEntry();
    const ViewPixel pixel = mode_.pointerToImage(x, y);
    if (entry == nullptr || !pixel.onImage) return false;
    const ImagePoint point{pixel.x, pixel.y};
    if (tool_ == Tool::CutOut) {
        expanding_ = true;
        rectStart_ = point;
        rectEnd_ = point;
        mode_.setHelpText(withImageName(
            "Expanding rect to cut out the object of its background on image %s.", entry->name()));
        return true;
    }
    setPoint(tool_, point);
    return true;
}

void GeneralRubric::mouseMove(float x, float y) {
    if (!expanding_) return;
    const ImageEntry* entry = mode_.selectedEntry();
    if (entry == nullptr) return;
    const ViewPixel pixel = mode_.pointerToImage(x, y);
    rectEnd_ = onPicture(entry->workingCopy, pixel.x, pixel.y);
    mode_.setHelpText(
        withImageName("Expanding rect to cut out the object of its background on image %s.", entry->name()));
}

void GeneralRubric::mouseUp(InputIdentifier button, float x, float y) {
    if (button != InputIdentifier::MouseButton0 || !expanding_) return;
    mouseMove(x, y);
    expanding_ = false;
    finishCutOut(rectEnd_);
}

bool GeneralRubric::cancelGesture() {
    if (!expanding_) return false;
    expanding_ = false;
    return true;
}

void GeneralRubric::finishCutOut(ImagePoint end) {
    ImageEntry* entry = mode_.selectedEntry();
    if (entry == nullptr) return;
    if (!mode_.ask("Really cutting out object?",
                   "Are you sure you really want to cut out this part of the object\nbecause if you have already "
                   "masked the image the mask will be lost.",
                   MessageIcon::Warning))
        return;
    mode_.setBusy(true);
    mode_.setStatus(String("Cut out object of background."));
    mode_.drawFrame();
    const ImagePoint releaseCorner{end.x - 1.0f, end.y - 1.0f};
    cutOutEntry(*entry, rectStart_, releaseCorner, mode_.maskValue());
    mode_.setStatus(String("Update border."));
    mode_.drawFrame();
    // The old snapshots belong to a picture that is gone.
    if (MaskUndoStack* history = mode_.undoList().stackFor(&entry->mask)) history->clear();
    mode_.setBusy(false);
    mode_.setStatus(withImageName(
        "Image %s selected. After cutting out the object from its background\nyou have to lay a mask onto the image "
        "in the mask rubric.",
        entry->name()));
    toggleTool(Tool::CutOut);
    mode_.pictureChanged(*entry);
    mode_.clampView();
    mode_.refreshRubrics();
}

void GeneralRubric::setPoint(Tool tool, ImagePoint point) {
    ImageEntry* entry = mode_.selectedEntry();
    if (entry == nullptr) return;
    for (Image* image : {&entry->workingCopy, &entry->mask}) {
        if (tool == Tool::RotationCentre) image->rotationCentre = point;
        if (tool == Tool::FovCentre) image->fovCentre = point;
        if (tool == Tool::SnapPoint) image->snapPoint = point;
    }
    entry->notifyClipping();
}

// --- drawing ------------------------------------------------------------------------------------

void GeneralRubric::drawOverlay(DxRenderer& renderer, const ViewRect& view) {
    const ImageEntry* entry = mode_.selectedEntry();
    if (entry == nullptr) return;
    if (expanding_) {
        const ImagePoint a = pixelToView(view, rectStart_.x, rectStart_.y);
        const ImagePoint b = pixelToView(view, rectEnd_.x, rectEnd_.y);
        const float saved = renderer.lineWidth();
        renderer.setLineWidth(2.0f);
        renderer.drawRectangle(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y), 255,
                               255, 255, 0.9f);
        renderer.setLineWidth(saved);
    }
    const Texture* marker = loadGuiTexture(String(kMarkerArt));
    if (marker == nullptr) return;
    struct Marker {
        ImagePoint point;
        uint32_t colour;
    };
    const Marker markers[] = {{entry->workingCopy.rotationCentre, 0xFFFFFFFF},
                              {entry->workingCopy.fovCentre, 0xFF60E0FF},
                              {entry->workingCopy.snapPoint, 0xFFFFD040}};
    for (const Marker& m : markers) {
        const ImagePoint at = pixelToView(view, m.point.x, m.point.y);
        const float scale = kMarkerSize / static_cast<float>(marker->width());
        renderer.setSpriteTransform(scale, scale, 0.0f, at.x - kMarkerSize / 2.0f, at.y - kMarkerSize / 2.0f);
        renderer.drawSprite(marker, D3DXVECTOR2(0.0f, 0.0f), m.colour);
    }
    renderer.resetSpriteTransform();
}

// --- the animation time panel -----------------------------------------------------------------------

void GeneralRubric::showAnimationTimePanel() {
    if (!animationPanel_) {
        animationPanel_ = std::make_unique<AnimationTimePanel>(mode_.workspace().backBufferWidth(),
                                                               mode_.workspace().settings().animtime,
                                                               mode_.sliderServices());
    }
    animationPanel_->refresh();
    mode_.showFloatingPanel(*animationPanel_);
}
