// The transformation mode's placement: what the controls and the undo list
// write into the selected clipping, and how the panels follow it.
#include "gui/animation_time_panel.h"
#include "platform/dialogs.h"
#include "project/clipping_elements.h"
#include "sculpt/clipping.h"
#include "sculpt/clipping_frame.h"
#include "transform/clipping_scene.h"
#include "transform/dial.h"
#include "transform/three_d.h"
#include "transform/transform_texts.h"
#include "transform/view_animation.h"
#include "transform/view_objects.h"
#include "twod/two_d.h"

#include "core/configuration.h"
#include "gui/gui_label.h"

#include <algorithm>
#include <cmath>

namespace {

const char* trueOrFalse(bool value) { return value ? "true" : "false"; }

// The placement value a slider shows.
float& valueOf(ClippingPlacement& placement, Control control) {
    switch (control) {
    case Control::TranslationX: return placement.translation.x;
    case Control::TranslationY: return placement.translation.y;
    case Control::TranslationZ: return placement.translation.z;
    case Control::Width: return placement.scaling.z;
    case Control::Height: return placement.scaling.y;
    case Control::Depth: return placement.scaling.x;
    case Control::Yaw: return placement.angle;
    case Control::Pitch: return placement.angleheight;
    case Control::Roll: return placement.angleimage;
    case Control::RatioX: return placement.fovX;
    default: break;
    }
    return placement.fovY;
}

constexpr Control kPlacementControls[] = {Control::TranslationX, Control::TranslationY, Control::TranslationZ,
                                          Control::Width,        Control::Height,       Control::Depth,
                                          Control::Yaw,          Control::Pitch,        Control::Roll,
                                          Control::RatioX,       Control::RatioY};

bool isPlacementControl(Control control) {
    return std::find(std::begin(kPlacementControls), std::end(kPlacementControls), control) !=
           std::end(kPlacementControls);
}


}  // namespace

int ThreeD::imageNumber(int slot) const {
    const ImageList& images = twoD_.images();
    int number = 0;
    for (int k = 0; k <= slot && k < images.slotCount(); ++k)
        if (images.entry(k) != nullptr) ++number;
    return number;
}

// --- selection -----------------------------------------------------------------------------

int ThreeD::selectedSlot() const { return twoD_.images().selectedIndex(); }

void ThreeD::selectSlot(int slot) { twoD_.selectSlot(slot); }

void ThreeD::selectionChanged(int index) {
    if (list_ != nullptr) list_->setSelected(twoD_.selectedEntry());
    // A gesture or a grabbed slider belongs to the image it started on.
    gestures_.reset();
    heldSlider_ = nullptr;
    scene_->setFocus(index);
    if (index >= 0 && entered_ && workspace().currentMode() == number()) markTransformed(index);
    if (viewSelection_ == ViewSelection::OnlySelected || viewSelection_ == ViewSelection::NotSelected) {
        for (int slot = 0; slot < twoD_.images().slotCount(); ++slot) {
            const Clipping* clipping = scene_->clipping(slot);
            if (clipping == nullptr || !clipping->flags().enabled) continue;
            const bool isSelected = slot == index;
            setShown(slot, viewSelection_ == ViewSelection::OnlySelected ? isSelected : !isSelected);
        }
    }
    refreshPanels();
}

void ThreeD::released(ImageEntry& entry) {
    for (int slot = 0; slot < twoD_.images().slotCount(); ++slot)
        if (twoD_.images().entry(slot) == &entry) selectSlot(slot);
    String help("Click with the mouse onto the image to select it.\nYou can also press CTRL+Image Number or SHIFT+Image "
                "Number to select an image with the keyboard.\nScrolling through the images is possible by pressing "
                "CTRL or SHIFT and scrolling with the mouse wheel or TAB key.\nCurrently over image: ");
    help.append(entry.name());
    setHelpText(help);
}

void ThreeD::markTransformed(int slot) {
    Clipping* clipping = scene_->clipping(slot);
    if (clipping == nullptr) return;
    if (!clipping->flags().enabled) {
        ClippingFlags flags = clipping->flags();
        flags.enabled = true;
        clipping->setFlags(flags);
        scene_->flagsChanged(slot);
        refreshListMarkers();
    }
    const bool wanted = viewSelection_ == ViewSelection::All ||
                        (viewSelection_ == ViewSelection::OnlySelected && slot == selectedSlot()) ||
                        (viewSelection_ == ViewSelection::NotSelected && slot != selectedSlot());
    if (wanted && !scene_->isShown(slot)) setShown(slot, true);
}

// --- showing and hiding ----------------------------------------------------------------------

void ThreeD::setShown(int slot, bool shown) {
    ScreenRect rect;
    const ImageEntry* entry = twoD_.images().entry(slot);
    GuiMaskListEntry* row = entry != nullptr && list_ != nullptr ? list_->entryOf(*entry) : nullptr;
    const bool fromList = row != nullptr && row->isVisible() && workspace().currentMode() == number();
    if (fromList)
        rect = ScreenRect{static_cast<float>(row->left()), static_cast<float>(row->top()),
                          static_cast<float>(row->right()), static_cast<float>(row->bottom())};
    const ViewGeometry geometry = viewGeometry();
    scene_->setShown(slot, shown, fromList ? &rect : nullptr, &geometry, nowMs(), animationTime());
    if (workspace().currentMode() != number()) {
        settleAnimations();
    } else if (scene_->isAnimating() && !animationScope_.isRunning()) {
        animationScope_ = workspace().longOperations().begin("View animation");
    }
}

bool ThreeD::animatingRefusal() {
    if (!scene_->isAnimating()) return false;
    setHelpText(String("Please wait until the images have reached their places."));
    return true;
}

bool ThreeD::viewAll() {
    const ImageList& images = twoD_.images();
    if (images.imageCount() == 0) {
        setHelpText(String("Cannot view all images because no image is loaded."));
        return false;
    }
    if (viewSelection_ == ViewSelection::All) {
        setHelpText(String("You are already viewing all transfered images."));
        return false;
    }
    viewSelection_ = ViewSelection::All;
    for (int slot = 0; slot < images.slotCount(); ++slot) {
        const Clipping* clipping = scene_->clipping(slot);
        if (clipping != nullptr) setShown(slot, clipping->flags().enabled);
    }
    return true;
}

bool ThreeD::viewNone() {
    const ImageList& images = twoD_.images();
    if (images.imageCount() == 0) {
        setHelpText(String("Cannot view no image because no image is loaded."));
        return false;
    }
    viewSelection_ = ViewSelection::None;
    for (int slot = 0; slot < images.slotCount(); ++slot)
        if (scene_->clipping(slot) != nullptr) setShown(slot, false);
    return true;
}

bool ThreeD::viewOnlySelected() {
    const ImageList& images = twoD_.images();
    if (images.imageCount() == 0) {
        setHelpText(String("Cannot view only the selected image because no image is loaded yet."));
        return false;
    }
    if (viewSelection_ == ViewSelection::None) {
        setHelpText(String("You are not viewing any image so it is not possible to only view the selected image."));
        return false;
    }
    const int selected = selectedSlot();
    if (selected < 0) {
        setHelpText(String("No image is selected so it is not possible to view only the selected image."));
        return false;
    }
    viewSelection_ = ViewSelection::OnlySelected;
    for (int slot = 0; slot < images.slotCount(); ++slot)
        if (scene_->clipping(slot) != nullptr) setShown(slot, slot == selected);
    setHelpText(formatText("Only view the selected image %s.", images.entry(selected)->name().text()));
    return true;
}

bool ThreeD::viewNotSelected() {
    const ImageList& images = twoD_.images();
    if (images.imageCount() == 0) {
        setHelpText(String("Cannot view no image because no image is loaded."));
        return false;
    }
    if (viewSelection_ == ViewSelection::None) {
        setHelpText(String("You are not viewing any image so it is not possible to not view the selected image."));
        return false;
    }
    const int selected = selectedSlot();
    if (selected < 0) {
        setHelpText(String("No image is selected so it is not possible to not view the selected image."));
        return false;
    }
    viewSelection_ = ViewSelection::NotSelected;
    for (int slot = 0; slot < images.slotCount(); ++slot) {
        const Clipping* clipping = scene_->clipping(slot);
        if (clipping != nullptr) setShown(slot, slot != selected && clipping->flags().enabled);
    }
    setHelpText(formatText("Don't view the selected image %s.", images.entry(selected)->name().text()));
    return true;
}

// --- records ---------------------------------------------------------------------------------

TransformRecord ThreeD::recordOf(int slot) const {
    TransformRecord record;
    const Clipping* clipping = scene_->clipping(slot);
    if (clipping == nullptr) return record;
    record.clipping = entryIdOf(&clipping->entry());
    record.placement = clipping->placement();
    record.rotationCentre = clipping->entry().workingCopy.rotationCentre;
    record.fovCentre = clipping->entry().workingCopy.fovCentre;
    return record;
}

int ThreeD::entryIdOf(const ImageEntry* entry) const {
    const auto found = entryIds_.find(entry);
    if (found != entryIds_.end()) return found->second;
    const int id = nextEntryId_++;
    entryIds_[entry] = id;
    return id;
}

int ThreeD::slotOfId(int id) const {
    for (int slot = 0; slot < twoD_.images().slotCount(); ++slot) {
        const ImageEntry* entry = twoD_.images().entry(slot);
        if (entry == nullptr) continue;
        const auto found = entryIds_.find(entry);
        if (found != entryIds_.end() && found->second == id) return slot;
    }
    return -1;
}

void ThreeD::recordTransformation() {
    const int slot = selectedSlot();
    if (scene_->clipping(slot) == nullptr) return;
    history_.record(recordOf(slot), [this](int id) -> std::optional<TransformRecord> {
        const int at = slotOfId(id);
        if (at < 0) return std::nullopt;
        return recordOf(at);
    });
    refreshHistoryButtons();
}

void ThreeD::applyRecord(const TransformRecord& record) {
    const int slot = slotOfId(record.clipping);
    Clipping* clipping = scene_->clipping(slot);
    if (clipping == nullptr) return;
    ImageEntry& entry = clipping->entry();
    const bool centresChanged = entry.workingCopy.rotationCentre.x != record.rotationCentre.x ||
                                entry.workingCopy.rotationCentre.y != record.rotationCentre.y ||
                                entry.workingCopy.fovCentre.x != record.fovCentre.x ||
                                entry.workingCopy.fovCentre.y != record.fovCentre.y;
    entry.workingCopy.rotationCentre = record.rotationCentre;
    entry.workingCopy.fovCentre = record.fovCentre;
    entry.mask.rotationCentre = record.rotationCentre;
    entry.mask.fovCentre = record.fovCentre;
    clipping->setPlacement(record.placement);
    if (slot != selectedSlot()) selectSlot(slot);
    if (centresChanged) scene_->pictureChanged(slot);
    placementWritten(slot, true);
}

bool ThreeD::undo() {
    const auto record = history_.undo(
        [this](const TransformRecord& r) { return slotOfId(r.clipping) >= 0; },
        [this](int id) -> std::optional<TransformRecord> {
            const int at = slotOfId(id);
            if (at < 0) return std::nullopt;
            return recordOf(at);
        });
    refreshHistoryButtons();
    if (!record) {
        setHelpText(String("No transformation done so undo is not possible."));
        return false;
    }
    applyRecord(*record);
    return true;
}

bool ThreeD::redo() {
    const auto record = history_.redo([this](const TransformRecord& r) { return slotOfId(r.clipping) >= 0; });
    refreshHistoryButtons();
    if (!record) {
        setHelpText(String("Redo the last transformation.\nNo undo done so redo is not possible."));
        return false;
    }
    applyRecord(*record);
    return true;
}

// --- writing into the clipping ------------------------------------------------------------------

void ThreeD::setPlacement(const ClippingPlacement& placement, bool reshaped) {
    const int slot = selectedSlot();
    Clipping* clipping = scene_->clipping(slot);
    if (clipping == nullptr) return;
    ClippingPlacement stored = placement;
    // The scene rotation saved with the project follows the angles.
    stored.rotation = nodeRotationOfAngles(stored.angle, stored.angleheight, stored.angleimage);
    clipping->setPlacement(stored);
    placementMoved_ = true;
    placementWritten(slot, reshaped);
}

void ThreeD::placementWritten(int slot, bool reshaped) {
    (void)reshaped;
    markTransformed(slot);
    scene_->placementChanged(slot);
    refreshPanels();
}

GestureScene ThreeD::gestureScene(int slot) const {
    GestureScene scene;
    const Clipping* clipping = scene_->clipping(slot);
    const Camera& camera = rig_.camera();
    scene.camera = camera.position();
    scene.cameraRight = camera.sideways();
    scene.cameraUp = camera.upDirection();
    if (clipping == nullptr) return scene;
    for (int axis = 0; axis < 3; ++axis) scene.axes[static_cast<size_t>(axis)] = clipping->worldAxis(axis);
    // The snap point's offset from the rotation centre in model pixels.
    const ClippingModelFrame frame = ClippingModelFrame::of(*clipping);
    const D3DXVECTOR2& snap = clipping->snapPoint();
    const D3DXVECTOR3 model = frame.point(snap.x, snap.y, 0.5f);
    scene.snapOffset = D3DXVECTOR2(model.z, model.y);
    const ClippingNode* self = scene_->node(slot);
    const CollisionDisplay& collisions = scene_->collisions();
    scene.bordersAlong = [&collisions, self](const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float length) {
        return collisions.bordersAlong(origin, direction, length, self);
    };
    return scene;
}

void ThreeD::sliderChanged(Control control, float value) {
    Settings& settings = workspace().settings();
    if (isPlacementControl(control)) {
        const int slot = selectedSlot();
        Clipping* clipping = scene_->clipping(slot);
        if (clipping == nullptr) return;
        if (!sliderRecorded_) {
            recordTransformation();
            sliderRecorded_ = heldSlider_ != nullptr;
        }
        ClippingPlacement placement = clipping->placement();
        float& field = valueOf(placement, control);
        if (control == Control::Yaw || control == Control::Roll) value = wrapTurnAngle(value);
        if (control == Control::Pitch) value = wrapPitchAngle(value);
        if (control == Control::RatioX || control == Control::RatioY) value = std::max(value, 1.0f);
        if (field == value) return;
        field = value;
        setPlacement(placement, true);
        showPlacementStatus(heldSlider_ != nullptr);
        return;
    }
    switch (control) {
    case Control::TextureStrength: {
        Clipping* clipping = scene_->clipping(selectedSlot());
        if (clipping == nullptr) return;
        ClippingFlags flags = clipping->flags();
        flags.texturestrength = static_cast<std::int32_t>(value);
        clipping->setFlags(flags);
        refreshParticipation();
        return;
    }
    case Control::SpeedMoving: settings.cameraspeed.moving = value; break;
    case Control::SpeedZooming: settings.cameraspeed.zooming = value; break;
    case Control::SpeedLooking: settings.cameraspeed.lookaround = value; break;
    case Control::VoxelSize: settings.meshdetail = value; break;
    case Control::Sharpening: settings.sharpening = value; break;
    case Control::Smoothing: settings.smoothing = value; break;
    case Control::MaskTransparency: settings.frontalpha = value; takeLook(); break;
    case Control::BackgroundTransparency: settings.frontbackgroundalpha = value; takeLook(); break;
    case Control::BorderQuality: settings.sidequality = value; takeLook(); break;
    case Control::BorderTransparency: settings.sidetransparency = value; takeLook(); break;
    case Control::LineSpacing: lineSpacing_ = static_cast<int>(value); takeLook(); break;
    case Control::DecalQuality: settings.decalquality = static_cast<int>(value); takeLook(); break;
    case Control::LightAngle:
    case Control::LightAngleHeight:
        if (viewObjects_)
            viewObjects_->setLight(panels_->slider(Control::LightAngle)->value(),
                                   panels_->slider(Control::LightAngleHeight)->value());
        setHelpText(formatText("Change the light direction.\nAngle: %f Angle height: %f",
                               panels_->slider(Control::LightAngle)->value(),
                               panels_->slider(Control::LightAngleHeight)->value()));
        break;
    default: break;
    }
    panels_->refreshLabel(control);
}

void ThreeD::checkboxChanged(Control control, bool checked) {
    if (control == Control::TwoDMode) {
        if (checked) workspace().switchToTwoD();
        return;
    }
    if (control == Control::ThreeDMode) {
        panels_->threeDRadio().setChecked(true);
        return;
    }
    const int slot = selectedSlot();
    Clipping* clipping = scene_->clipping(slot);
    if (clipping == nullptr) {
        refreshPanels();
        return;
    }
    if (control == Control::FovSet) {
        recordTransformation();
        ClippingPlacement placement = clipping->placement();
        placement.fovSet = checked;
        setPlacement(placement, true);
        return;
    }
    ClippingFlags flags = clipping->flags();
    switch (control) {
    case Control::Sculpting: flags.forsculpting = checked; break;
    case Control::HowAdding:
        if (!flags.forsculpting) {
            setHelpText(String(checked ? "Image does not participate in the sculpturing process, therefore it is\n"
                                         "impossible to specify that the image should participate by adding voxels."
                                       : "Image does not participate in the sculpturing process, therefore it is\n"
                                         "impossible to specify that the image should participate by removing voxels."));
            refreshPanels();
            return;
        }
        flags.addingvoxels = checked;
        break;
    case Control::Texturing: flags.fortexturing = checked; break;
    case Control::OnlyOnMask: flags.texturetakesmask = checked; break;
    case Control::FromBack: flags.texturebothsides = checked; break;
    case Control::OnlyBetween: flags.textureonlyinside = checked; break;
    default: return;
    }
    flags.enabled = true;
    clipping->setFlags(flags);
    scene_->flagsChanged(slot);
    if (control == Control::HowAdding) scene_->pictureChanged(slot);
    refreshListMarkers();
    refreshPanels();
}

// --- panels ------------------------------------------------------------------------------------

void ThreeD::refreshPanels() {
    if (!panels_) return;
    const int slot = selectedSlot();
    const Clipping* clipping = scene_->clipping(slot);
    for (Control control : kPlacementControls) {
        GuiSlider* slider = panels_->slider(control);
        slider->setEnabled(clipping != nullptr && (control != Control::RatioX && control != Control::RatioY
                                                       ? true
                                                       : clipping->placement().fovSet));
        if (clipping == nullptr) continue;
        ClippingPlacement placement = clipping->placement();
        if (slider != heldSlider_) panels_->showValue(control, valueOf(placement, control));
    }
    const bool hasMask = clipping != nullptr && clipping->hasSilhouette();
    auto box = [&](Control control, bool checked, bool enabled) {
        GuiCheckbox* checkbox = panels_->checkbox(control);
        checkbox->setChecked(checked);
        checkbox->setEnabled(enabled);
    };
    const ClippingFlags flags = clipping != nullptr ? clipping->flags() : ClippingFlags{};
    box(Control::FovSet, clipping != nullptr && clipping->placement().fovSet, clipping != nullptr);
    box(Control::Sculpting, flags.forsculpting, hasMask);
    box(Control::HowAdding, flags.addingvoxels, hasMask && flags.forsculpting);
    box(Control::Texturing, flags.fortexturing, hasMask);
    box(Control::OnlyOnMask, flags.texturetakesmask, hasMask && flags.fortexturing);
    box(Control::FromBack, flags.texturebothsides, hasMask && flags.fortexturing);
    box(Control::OnlyBetween, flags.textureonlyinside, hasMask && flags.fortexturing);
    GuiSlider* strength = panels_->slider(Control::TextureStrength);
    strength->setEnabled(hasMask && flags.fortexturing);
    if (clipping != nullptr) panels_->showValue(Control::TextureStrength, static_cast<float>(flags.texturestrength));
    refreshParticipation();
    refreshCentreButtons();
    refreshHistoryButtons();
}

void ThreeD::refreshParticipation() {
    const int slot = selectedSlot();
    const Clipping* clipping = scene_->clipping(slot);
    if (clipping == nullptr) {
        panels_->setParticipationText(TransformRubric::Sculpture, String());
        panels_->setParticipationText(TransformRubric::Texture, String());
        return;
    }
    const int number = imageNumber(slot);
    const ClippingFlags& flags = clipping->flags();
    String sculpting;
    if (!flags.forsculpting) {
        sculpting = formatText("Specify how the selected image %d participates in the sculpturing process.\nDon't "
                               "participate in the sculpturing process.",
                               number);
    } else {
        sculpting = formatText(flags.addingvoxels
                                   ? "Specify how selected image %d participates in the sculpturing process.\nParticipate "
                                     "in the sculpturing process by adding voxels.\nParticipate in sharpening: %s."
                                   : "Specify how selected image %d participates in the sculpturing process.\nParticipate "
                                     "in the sculpturing process by removing voxels.\nParticipate in sharpening: %s.",
                               number, trueOrFalse(flags.participateinsharpening));
    }
    panels_->setParticipationText(TransformRubric::Sculpture, sculpting);
    String texturing;
    if (!flags.fortexturing) {
        texturing = formatText("Specify how selected image %d participates in the texturing process.\nDon't participate "
                               "in the texturing process.",
                               number);
    } else {
        texturing = formatText("Specify how the selected image %d participates in the texturing process.\nParticipate in "
                               "the texturing process.\nTexturing only on mask: %s\nTexturing from back: %s\nTexturing "
                               "only between: %s\nTexturing strength: %d",
                               number, trueOrFalse(flags.texturetakesmask), trueOrFalse(flags.texturebothsides),
                               trueOrFalse(flags.textureonlyinside), flags.texturestrength);
    }
    panels_->setParticipationText(TransformRubric::Texture, texturing);
}

void ThreeD::refreshCentreButtons() {
    const int slot = selectedSlot();
    const ImageEntry* entry = twoD_.images().entry(slot);
    struct Button {
        Control control;
        CentreMode mode;
        const char* what;
    };
    const Button buttons[] = {{Control::SetTranslationCentre, CentreMode::Translation, "translation center"},
                              {Control::SetScalingCentre, CentreMode::Scaling, "scaling center"},
                              {Control::SetSnapPoint, CentreMode::SnapPoint, "snap point"},
                              {Control::SetRotationCentre, CentreMode::Rotation, "rotation center"},
                              {Control::SetFovCentre, CentreMode::FovCentre, "fov center"},
                              {Control::SetFovOrigin, CentreMode::FovOrigin, "fov origin"}};
    for (const Button& item : buttons) {
        GuiButton* button = panels_->button(item.control);
        button->setEnabled(entry != nullptr);
        button->setLatched(centreMode_ == item.mode);
        if (entry == nullptr) continue;
        button->setHelpText(formatText(centreMode_ == item.mode
                                           ? "Press the button if you want to stop setting the %s of the selected image %s."
                                           : "Press the button if you want to set the %s of the selected image %s.",
                                       item.what, entry->name().text()));
    }
}

void ThreeD::refreshHistoryButtons() {
    panels_->button(Control::Undo)->setEnabled(history_.canUndo());
    panels_->button(Control::Redo)->setEnabled(history_.canRedo());
}

void ThreeD::refreshListMarkers() {
    if (list_ == nullptr) return;
    for (int slot = 0; slot < twoD_.images().slotCount(); ++slot) {
        const ImageEntry* entry = twoD_.images().entry(slot);
        const Clipping* clipping = scene_->clipping(slot);
        if (entry == nullptr || clipping == nullptr) continue;
        const ClippingFlags& flags = clipping->flags();
        const bool sculpting = flags.enabled && flags.forsculpting;
        const bool texturing = flags.enabled && flags.fortexturing;
        list_->setMarkers(*entry, sculpting, texturing);
        twoD_.images().setMarkers(slot, sculpting, texturing);
    }
}

// --- set-centre modes --------------------------------------------------------------------------

void ThreeD::setCentreMode(CentreMode mode) {
    centreMode_ = centreMode_ == mode ? CentreMode::None : mode;
    const int slot = selectedSlot();
    const ImageEntry* entry = twoD_.images().entry(slot);
    if (centreMode_ != CentreMode::None && entry != nullptr) {
        const int number = imageNumber(slot);
        const char* what = "translation center";
        if (centreMode_ == CentreMode::Scaling) what = "scaling center";
        if (centreMode_ == CentreMode::SnapPoint) what = "scaling snap point";
        if (centreMode_ == CentreMode::Rotation) what = "rotation center";
        if (centreMode_ == CentreMode::FovCentre) what = "fov center";
        if (centreMode_ == CentreMode::FovOrigin) what = "fov origin";
        setHelpText(formatText("Set %s of image %d.\nClick onto the image to set the %s to the specified position.\n"
                               "Click onto the border of the image to set the %s onto the border of the image.\n"
                               "Press SHIFT+r to set the %s in the 2d mode.",
                               what, number, what, what, what));
    }
    refreshCentreButtons();
}

bool ThreeD::setCentreAt(float x, float y) {
    const int slot = selectedSlot();
    Clipping* clipping = scene_->clipping(slot);
    ClippingNode* node = scene_->node(slot);
    if (clipping == nullptr || node == nullptr || !scene_->isShown(slot)) return false;
    const auto ray = pointerRay(x, y, viewGeometry());
    float distance = 0.0f;
    if (!ray || !node->pick(ray->origin, ray->direction, distance)) return false;
    // The hit in picture coordinates, through the clipping's own projection.
    const D3DXVECTOR3 hit = ray->origin + ray->direction * distance;
    const auto projected = clipping->projectPoint(hit);
    if (!projected) return false;
    ImageEntry& entry = clipping->entry();
    const float width = node->modelFrame().pictureWidth();
    const float height = node->modelFrame().pictureHeight();
    float u = projected->u;
    float w = projected->w;
    // A click near the outline puts the point onto it.
    if (entry.border) {
        D3DXVECTOR3 nearest;
        OutlineHit outline;
        entry.border->nearestOutlinePoint(D3DXVECTOR3(u, w, 0.0f), nearest, &outline);
        if (outline.vertex != nullptr && std::hypot(nearest.x - u, nearest.y - w) <= 4.0f) {
            u = nearest.x;
            w = nearest.y;
        }
    }
    const ImagePoint pixel{std::clamp(width - u, 0.0f, width), std::clamp(height - w, 0.0f, height)};
    recordTransformation();
    ClippingPlacement placement = clipping->placement();
    switch (centreMode_) {
    case CentreMode::Translation:
    case CentreMode::Scaling:
    case CentreMode::Rotation: {
        // The picture stays where it is: the position moves to the new centre.
        const auto world = clipping->unprojectPoint(ClipPoint{0.0f, w, u});
        entry.workingCopy.rotationCentre = pixel;
        entry.mask.rotationCentre = pixel;
        if (!placement.fovSet) {
            entry.workingCopy.fovCentre = pixel;
            entry.mask.fovCentre = pixel;
        }
        if (world) placement.translation = *world;
        break;
    }
    case CentreMode::SnapPoint:
        entry.workingCopy.snapPoint = pixel;
        entry.mask.snapPoint = pixel;
        break;
    case CentreMode::FovCentre:
        entry.workingCopy.fovCentre = pixel;
        entry.mask.fovCentre = pixel;
        break;
    case CentreMode::FovOrigin:
        // Where the perspective starts along the viewing axis.
        placement.imagePlane = std::clamp((projected->t + clipping->projection().halfDepth()) /
                                              std::max(clipping->projection().depth(), 1.0f),
                                          0.0f, 1.0f);
        break;
    case CentreMode::None: return false;
    }
    clipping->update();
    clipping->setPlacement(placement);
    scene_->pictureChanged(slot);
    placementWritten(slot, true);
    return true;
}

// --- buttons and colours -------------------------------------------------------------------------

void ThreeD::chooseLineColour(bool adding) {
    ColourBytes& colour = adding ? workspace().settings().linescolor : workspace().settings().linescolorremove;
    std::optional<Rgb> chosen;
    {
        ShownSystemCursor shown(workspace().systemCursor());
        chosen = workspace().dialogs().chooseColour(Rgb{colour.red, colour.green, colour.blue});
    }
    workspace().clearKeyTable();
    if (!chosen) return;
    colour = ColourBytes{chosen->red, chosen->green, chosen->blue};
    takeLook();
}

void ThreeD::buttonPressed(Control control) {
    switch (control) {
    case Control::SetTranslationCentre: setCentreMode(CentreMode::Translation); break;
    case Control::SetScalingCentre: setCentreMode(CentreMode::Scaling); break;
    case Control::SetSnapPoint: setCentreMode(CentreMode::SnapPoint); break;
    case Control::SetRotationCentre: setCentreMode(CentreMode::Rotation); break;
    case Control::SetFovCentre: setCentreMode(CentreMode::FovCentre); break;
    case Control::SetFovOrigin: setCentreMode(CentreMode::FovOrigin); break;
    case Control::ViewAll: viewAll(); break;
    case Control::ViewNone: viewNone(); break;
    case Control::ViewOnlySelected: viewOnlySelected(); break;
    case Control::ViewNotSelected: viewNotSelected(); break;
    case Control::Undo: undo(); break;
    case Control::Redo: redo(); break;
    case Control::Sculpture: startSculpture(); break;
    case Control::Texturise: startTexturing(); break;
    case Control::Screenshot: startScreenshot(); break;
    case Control::LinesColour: chooseLineColour(true); break;
    case Control::LinesColourRemove: chooseLineColour(false); break;
    case Control::MaterialDiffuse:
    case Control::MaterialAmbient:
    case Control::MaterialSpecular:
    case Control::MaterialEmissive: {
        Settings& settings = workspace().settings();
        ColourFloats& colour = control == Control::MaterialDiffuse   ? settings.objmaterialdiffuse
                               : control == Control::MaterialAmbient ? settings.objmaterialambient
                               : control == Control::MaterialSpecular ? settings.objmaterialspecular
                                                                      : settings.objmaterialemissive;
        auto byte = [](float value) {
            return static_cast<unsigned char>(std::clamp(std::isfinite(value) ? value : 0.0f, 0.0f, 1.0f) * 255.0f + 0.5f);
        };
        std::optional<Rgb> chosen;
        {
            ShownSystemCursor shown(workspace().systemCursor());
            chosen = workspace().dialogs().chooseColour(Rgb{byte(colour.red), byte(colour.green), byte(colour.blue)});
        }
        workspace().clearKeyTable();
        if (chosen) colour = ColourFloats{chosen->red / 255.0f, chosen->green / 255.0f, chosen->blue / 255.0f};
        applyMaterial();
        break;
    }
    default: break;
    }
}

// --- the animation time panel --------------------------------------------------------------------

void ThreeD::showAnimationTimePanel() {
    if (!animationPanel_) {
        animationPanel_ = std::make_unique<AnimationTimePanel>(workspace().backBufferWidth(),
                                                               workspace().settings().animtime, sliderServices());
        screen().addShared(animationPanel_.get());
    }
    animationPanel_->refresh();
    animationPanel_->setVisible(true);
}

// --- widget listeners ----------------------------------------------------------------------------

void ThreeD::pressed(GuiSlider* slider) {
    const Control control = panels_->control(slider);
    heldSlider_ = slider;
    if (!isPlacementControl(control) || scene_->clipping(selectedSlot()) == nullptr) return;
    takeRestorePoint(false);
    recordTransformation();
    sliderRecorded_ = true;
}

void ThreeD::valueChanged(GuiSlider* slider) {
    sliderChanged(panels_->control(slider), slider->value());
}

void ThreeD::released(GuiSlider* slider) {
    const Control control = panels_->control(slider);
    if (slider == heldSlider_) {
        // The end of a drag: the value is in already.
        heldSlider_ = nullptr;
        sliderRecorded_ = false;
        refreshPanels();
        return;
    }
    // A typed value or a wheel turn: recorded first, then written.
    sliderRecorded_ = false;
    sliderChanged(control, slider->value());
    sliderRecorded_ = false;
}

void ThreeD::checked(GuiCheckbox* checkbox) { checkboxChanged(panels_->control(checkbox), true); }

void ThreeD::unchecked(GuiCheckbox* checkbox) { checkboxChanged(panels_->control(checkbox), false); }

void ThreeD::selected(GuiRadiobutton* radio) {
    TransformRubric rubric;
    if (panels_->rubricOf(radio, rubric)) {
        showRubric(rubric);
        return;
    }
    ViewPage page;
    if (panels_->viewPageOf(radio, page)) {
        panels_->showViewPage(page);
        return;
    }
    const Control control = panels_->control(radio);
    if (control == Control::Smooth || control == Control::Flat) {
        panels_->radio(Control::Smooth)->setSelected(control == Control::Smooth);
        panels_->radio(Control::Flat)->setSelected(control == Control::Flat);
        smoothShading_ = control == Control::Smooth;
    }
}

void ThreeD::released(GuiButton* button) {
    if (button == cancelButton_) {
        cancelObjectRun();
        return;
    }
    buttonPressed(panels_->control(button));
}

void ThreeD::showRubric(TransformRubric rubric) {
    if (centreMode_ != CentreMode::None) setCentreMode(centreMode_);
    gestures_.reset();
    panels_->showRubric(rubric);
    refreshPanels();
}
