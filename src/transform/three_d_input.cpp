// The transformation mode's keys, pointer and wheel: gestures, the camera,
// selection by pointer and keys, the set-centre clicks and ESC.
#include "core/configuration.h"
#include "gui/cursor_kinds.h"
#include "gui/key_table.h"
#include "gui/animation_time_panel.h"
#include "render/renderer.h"
#include "sculpt/clipping.h"
#include "transform/clipping_scene.h"
#include "transform/dial.h"
#include "transform/three_d.h"
#include "transform/transform_texts.h"
#include "transform/view_objects.h"
#include "twod/two_d.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The cross pointer of the set-centre modes.
constexpr int kCursorCrossPointer = 3;

constexpr const char* kCameraHelp =
    "Press left mouse button and move with the mouse to rotate around in the 3d space.\nPress medium mouse button to "
    "zoom to\\away from the rotation center.\nPress right mouse button to move around in the 3d space.\nDouble click "
    "with left mouse button onto plane to set the view to the normal axis.\nDouble click with left mouse button onto "
    "sillhouete of an image to be parallel to the side of the image.\nDouble click with middle mouse button to view "
    "image rotation center from distance.\nDouble click with right mouse button to center the image rotation center on "
    "the screen.";
constexpr const char* kShiftHelp =
    "SHIFT key pressed.\nPress a number to select an image.\nYou can also select an image with the mouse wheel or by "
    "pressing TAB key.";
constexpr const char* kControlHelp =
    "CTRL key pressed.\nPress a number to select an image.\nYou can also select an image with the mouse wheel or by "
    "pressing TAB key.";


bool isPlacementRubric(TransformRubric rubric) {
    return static_cast<int>(rubric) <= static_cast<int>(TransformRubric::FieldOfView);
}


}  // namespace

// --- keys ------------------------------------------------------------------------------------

void ThreeD::updateModifierHelp() {
    if (isKeyDown(kKeyShift)) {
        setHelpText(String(kShiftHelp));
    } else if (isKeyDown(kKeyControl)) {
        setHelpText(String(kControlHelp));
    }
}

bool ThreeD::selectionKey(int key) {
    if (!isKeyDown(kKeyShift) && !isKeyDown(kKeyControl)) return false;
    if (key >= '1' && key <= '9') {
        twoD_.selectByNumber(key - '0');
        return true;
    }
    if (key == kKeyTab) {
        twoD_.selectNext();
        return true;
    }
    if (key == 'S' && isKeyDown(kKeyShift)) {
        startSculpture();
        return true;
    }
    if (key == 'R' && isKeyDown(kKeyShift)) {
        // The centres are set on the picture in the 2D mode.
        workspace().switchToTwoD();
        return true;
    }
    return false;
}

void ThreeD::gestureKeyDown(GestureKey key) {
    const int slot = selectedSlot();
    if (scene_->clipping(slot) == nullptr || !scene_->isShown(slot)) {
        setHelpText(String("You have not selected an image which should be transformed.\nSelect an image first."));
        return;
    }
    if (!isPlacementRubric(rubric())) return;
    if (!gestures_.keyDown(key)) return;
    takeRestorePoint(false);
    recordTransformation();
    shrinking_ = false;
    showPlacementStatus(true);
}

void ThreeD::gestureKeyUp(GestureKey key) {
    if (!gestures_.isHeld(key)) return;
    gestures_.keyUp(key);
    if (!gestures_.anyHeld()) {
        restore_.clipping.reset();
        refreshPanels();
        showPlacementStatus(false);
    }
}

bool ThreeD::axisKey(int key) {
    if (key != 'X' && key != 'Y' && key != 'Z') return false;
    if (!isPlacementRubric(rubric())) return false;
    const std::vector<GuiSlider*> sliders = panels_->rubricSliders(rubric());
    const size_t index = static_cast<size_t>(key - 'X');
    if (index >= sliders.size()) return false;
    GuiSlider* slider = sliders[index];
    if (slider == nullptr || !slider->isEnabled() || slider->isDragging() || axisKeyHeld_ != 0) return true;
    // The pointer goes onto the knob and the slider follows it until the key
    // comes up.
    takeRestorePoint(false);
    recordTransformation();
    sliderRecorded_ = true;
    heldSlider_ = slider;
    axisKeyHeld_ = key;
    const float x = slider->positionOf(slider->value());
    const float y = static_cast<float>(slider->top() + slider->bottom()) / 2.0f;
    workspace().warpPointer(x, y);
    slider->mousePressed(InputIdentifier::MouseButton0, x, y);
    return true;
}

bool ThreeD::letterKey(int key) {
    // Inside the later panels Q, W, E and R reach their controls in order.
    const TransformRubric current = rubric();
    if (!isPlacementRubric(current) && (key == 'Q' || key == 'W' || key == 'E' || key == 'R')) {
        const int index = key == 'Q' ? 0 : key == 'W' ? 1 : key == 'E' ? 2 : 3;
        std::vector<Control> order;
        if (current == TransformRubric::Sculpture) order = {Control::Sculpting, Control::HowAdding};
        if (current == TransformRubric::Texture)
            order = {Control::Texturing, Control::OnlyOnMask, Control::FromBack, Control::OnlyBetween};
        if (current == TransformRubric::Camera)
            order = {Control::SpeedMoving, Control::SpeedZooming, Control::SpeedLooking, Control::Screenshot};
        if (current == TransformRubric::View) {
            switch (panels_->viewPage()) {
            case ViewPage::Front: order = {Control::MaskTransparency, Control::BackgroundTransparency}; break;
            case ViewPage::Side:
                order = {Control::BorderQuality, Control::BorderTransparency, Control::LineSpacing, Control::DecalQuality};
                break;
            case ViewPage::Light: order = {Control::LightAngle, Control::LightAngleHeight}; break;
            case ViewPage::Mesh: break;
            }
        }
        if (index >= static_cast<int>(order.size())) return false;
        const Control control = order[static_cast<size_t>(index)];
        if (GuiCheckbox* box = panels_->checkbox(control)) {
            if (box->isEnabled()) {
                box->setChecked(!box->isChecked());
                checkboxChanged(control, box->isChecked());
            }
            return true;
        }
        if (GuiButton* button = panels_->button(control)) {
            if (button->isEnabled()) buttonPressed(control);
            return true;
        }
        if (GuiSlider* slider = panels_->slider(control)) {
            if (slider->isEnabled()) slider->openValueDialog();
            return true;
        }
        return false;
    }
    switch (key) {
    case '1': case '2': case '3': case '4': case '5': case '6':
        showRubric(static_cast<TransformRubric>(key - '1'));
        return true;
    case 'A':
        showRubric(static_cast<TransformRubric>((static_cast<int>(current) + kTransformRubricCount - 1) %
                                                kTransformRubricCount));
        return true;
    case 'O':
        showRubric(static_cast<TransformRubric>((static_cast<int>(current) + 1) % kTransformRubricCount));
        return true;
    case 'R': {
        const CentreMode modes[] = {CentreMode::Translation, CentreMode::Scaling, CentreMode::Rotation,
                                    CentreMode::FovCentre};
        if (isPlacementRubric(current) && selectedSlot() >= 0) setCentreMode(modes[static_cast<int>(current)]);
        return true;
    }
    case 'G':
        if (current == TransformRubric::Scaling && selectedSlot() >= 0) setCentreMode(CentreMode::SnapPoint);
        return true;
    case 'S': startSculpture(); return true;
    case 'T': startTexturing(); return true;
    case 'V': viewAll(); return true;
    case 'H': viewNone(); return true;
    case 'K': viewOnlySelected(); return true;
    case 'L':
        showRubric(TransformRubric::View);
        panels_->showViewPage(ViewPage::Light);
        return true;
    case 'I':
        showRubric(TransformRubric::View);
        panels_->showViewPage(ViewPage::Front);
        return true;
    case 'B':
        showRubric(TransformRubric::View);
        panels_->showViewPage(ViewPage::Side);
        return true;
    case 'C': showRubric(TransformRubric::Camera); return true;
    case 'D': undo(); return true;
    case 'F': redo(); return true;
    default: return false;
    }
}

void ThreeD::keyDown(int key) {
    if (key == kKeyShift || key == kKeyControl) {
        updateModifierHelp();
        return;
    }
    if (selectionKey(key)) return;
    if (isPlainTab(key)) {
        workspace().switchToTwoD();
        return;
    }
    if (key == kKeySpace) {
        gestures_.setSnapHeld(true);
        const int slot = selectedSlot();
        Clipping* clipping = scene_->clipping(slot);
        if (clipping != nullptr && rubric() == TransformRubric::Rotation) {
            ClippingPlacement placement = clipping->placement();
            if (gestures_.snapRotationNow(placement, PlacementRubric::Rotation)) setPlacement(placement, false);
        }
        if (gestures_.anyHeld()) showPlacementStatus(true);
        return;
    }
    if (isPlacementRubric(rubric()) && (key == 'Q' || key == 'W' || key == 'E')) {
        gestureKeyDown(key == 'Q' ? GestureKey::Q : key == 'W' ? GestureKey::W : GestureKey::E);
        return;
    }
    if (axisKey(key)) return;
    letterKey(key);
}

void ThreeD::keyUp(int key) {
    if (key == kKeyShift || key == kKeyControl) {
        clearHelpText();
        updateModifierHelp();
        return;
    }
    if (key == kKeySpace) {
        gestures_.setSnapHeld(false);
        if (gestures_.anyHeld()) showPlacementStatus(true);
        return;
    }
    if (key == 'Q' || key == 'W' || key == 'E') {
        gestureKeyUp(key == 'Q' ? GestureKey::Q : key == 'W' ? GestureKey::W : GestureKey::E);
        return;
    }
    if (key == axisKeyHeld_) {
        axisKeyHeld_ = 0;
        if (heldSlider_ != nullptr) heldSlider_->mouseReleased(InputIdentifier::MouseButton0, pointerX(), pointerY());
        heldSlider_ = nullptr;
        sliderRecorded_ = false;
        restore_.clipping.reset();
        return;
    }
    Settings& settings = workspace().settings();
    if (key == kKeyF1) setFlagFromMenu(String("Render Collision Lines"), !settings.viewcollisionlines);
    if (key == kKeyF2) setFlagFromMenu(String("Render Decals"), !settings.viewdecals);
    if (key == kKeyF3) objectViewCommand(String("Render Object"), !object_->isShown());
    if (key == kKeyF4) objectViewCommand(String("Render Object In Wireframe"), !object_->isWireframe());
    if (key == kKeyF5) objectViewCommand(String("Render Object With Texture"), !object_->isTextureShown());
}

// --- the pointer -------------------------------------------------------------------------------

void ThreeD::takeRestorePoint(bool camera) {
    if (camera) {
        const Camera& view = rig_.camera();
        restore_.camera = true;
        restore_.cameraPosition = view.position();
        restore_.cameraYaw = view.yaw();
        restore_.cameraPitch = view.pitch();
        restore_.centre = rig_.centre();
        return;
    }
    const int slot = selectedSlot();
    if (scene_->clipping(slot) != nullptr) restore_.clipping = recordOf(slot);
}

D3DXVECTOR3 ThreeD::selectedCentre() const {
    const Clipping* clipping = scene_->clipping(selectedSlot());
    return clipping != nullptr ? clipping->placement().translation : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

void ThreeD::showPlacementStatus(bool running) {
    const int slot = selectedSlot();
    const Clipping* clipping = scene_->clipping(slot);
    if (clipping == nullptr || !isPlacementRubric(rubric())) return;
    const int number = imageNumber(slot);
    if (rubric() == TransformRubric::FieldOfView && !clipping->placement().fovSet) {
        setHelpText(noFieldOfViewText(number));
        return;
    }
    setHelpText(placementStatus(static_cast<PlacementRubric>(rubric()), running, number, clipping->placement(),
                                gestures_.snapHeld()));
}

void ThreeD::gestureMoved(float x, float y) {
    const int slot = selectedSlot();
    Clipping* clipping = scene_->clipping(slot);
    const auto centre = screenCentre(slot);
    if (clipping == nullptr || !centre || !isPlacementRubric(rubric())) return;
    const float angle = pointerAngle(*centre, D3DXVECTOR2(x, y));
    ClippingPlacement placement = clipping->placement();
    const D3DXVECTOR3 scalingBefore = placement.scaling;
    const GestureOutcome outcome =
        gestures_.pointerMoved(placement, static_cast<PlacementRubric>(rubric()), angle, gestureScene(slot));
    if (outcome.noFieldOfView) {
        setHelpText(noFieldOfViewText(imageNumber(slot)));
        return;
    }
    if (outcome.changed) {
        shrinking_ = placement.scaling.x < scalingBefore.x || placement.scaling.y < scalingBefore.y ||
                     placement.scaling.z < scalingBefore.z;
        setPlacement(placement, outcome.reshaped);
    }
    showPlacementStatus(true);
}

void ThreeD::hover(float x, float y) {
    const auto ray = pointerRay(x, y, viewGeometry());
    const int under = ray ? scene_->pick(*ray) : -1;
    hovered_ = under;
    if (centreMode_ != CentreMode::None) {
        workspace().setCursor(under == selectedSlot() && under >= 0 ? kCursorCrossPointer : kCursorArrow);
        return;
    }
    if (under < 0) {
        setHelpText(String(kCameraHelp));
        return;
    }
    if (under == selectedSlot() && isPlacementRubric(rubric())) {
        showPlacementStatus(false);
        return;
    }
    setHelpText(formatText("Press left mouse button to select image %d", imageNumber(under)));
}

void ThreeD::mouseDown(InputIdentifier button, float x, float y) {
    lastX_ = x;
    lastY_ = y;
    if (gestures_.anyHeld()) return;
    if (button == InputIdentifier::MouseButton0) {
        if (centreMode_ != CentreMode::None) {
            if (!setCentreAt(x, y)) setHelpText(String("Click onto the selected image to set the point there."));
            return;
        }
        const auto ray = pointerRay(x, y, viewGeometry());
        const int under = ray ? scene_->pick(*ray) : -1;
        if (under >= 0) {
            if (under != selectedSlot()) selectSlot(under);
            return;
        }
        takeRestorePoint(true);
        cameraDrag_ = CameraDrag::Rotating;
        workspace().setCursor(kCursorRotating);
        setHelpText(String("Left button pressed.\nRotating around in the 3d space."));
        return;
    }
    if (button == InputIdentifier::MouseButton1) {
        takeRestorePoint(true);
        cameraDrag_ = CameraDrag::Moving;
        workspace().setCursor(kCursorMoving);
        setHelpText(String("Right button pressed.\nMoving around in the 3d space."));
    }
}

void ThreeD::middleDown() {
    if (gestures_.anyHeld()) return;
    lastX_ = pointerX();
    lastY_ = pointerY();
    takeRestorePoint(true);
    cameraDrag_ = CameraDrag::Zooming;
    workspace().setCursor(kCursorZooming);
    setHelpText(String("Medium button pressed.\nZooming to\\away from the rotation center."));
}

void ThreeD::middleUp() {
    if (cameraDrag_ == CameraDrag::Zooming) {
        cameraDrag_ = CameraDrag::None;
        restore_.camera = false;
    }
}

void ThreeD::mouseUp(InputIdentifier button, float /*x*/, float /*y*/) {
    if ((button == InputIdentifier::MouseButton0 && cameraDrag_ == CameraDrag::Rotating) ||
        (button == InputIdentifier::MouseButton1 && cameraDrag_ == CameraDrag::Moving)) {
        cameraDrag_ = CameraDrag::None;
        restore_.camera = false;
        workspace().setCursor(kCursorArrow);
    }
}

void ThreeD::zoomThroughPointer(float amount, float x, float y) {
    const auto ray = pointerRay(x, y, viewGeometry());
    rig_.zoom(ray ? ray->direction : rig_.camera().viewDirection(), amount);
}

void ThreeD::cameraDragged(float dx, float dy) {
    const CameraSpeeds& speeds = workspace().settings().cameraspeed;
    switch (cameraDrag_) {
    case CameraDrag::Rotating:
        rig_.rotate(dx, dy, speeds.lookaround);
        workspace().setCursor(kCursorRotating);
        break;
    case CameraDrag::Zooming:
        zoomThroughPointer(speeds.zooming * -dy, lastX_, lastY_);
        workspace().setCursor(kCursorZooming);
        break;
    case CameraDrag::Moving:
        rig_.pan(dx, dy, speeds.moving);
        workspace().setCursor(kCursorMoving);
        break;
    case CameraDrag::None: break;
    }
}

void ThreeD::mouseMove(float x, float y, bool overWidget) {
    const float dx = x - lastX_;
    const float dy = y - lastY_;
    if (cameraDrag_ != CameraDrag::Zooming) {
        lastX_ = x;
        lastY_ = y;
    }
    if (gestures_.anyHeld()) {
        gestureMoved(x, y);
        return;
    }
    if (cameraDrag_ != CameraDrag::None) {
        cameraDragged(dx, dy);
        if (cameraDrag_ == CameraDrag::Zooming) lastY_ = y;
        return;
    }
    if (heldSlider_ != nullptr) return;
    updateModifierHelp();
    if (!overWidget) hover(x, y);
}

void ThreeD::mouseDoubleClick(InputIdentifier button, float x, float y) {
    const D3DXVECTOR3 target = selectedCentre();
    if (button == InputIdentifier::MouseButton0) {
        const auto ray = pointerRay(x, y, viewGeometry());
        if (!ray) return;
        const int slot = selectedSlot();
        float distance = 0.0f;
        if (slot >= 0 && scene_->pick(*ray, &distance) == slot) {
            // Parallel to that side of the image: look along its viewing
            // axis, or across it when the side wall was hit.
            const Clipping* clipping = scene_->clipping(slot);
            D3DXVECTOR3 axis = clipping->worldAxis(0);
            const D3DXVECTOR3 hit = ray->origin + ray->direction * distance;
            const auto local = clipping->projectPoint(hit);
            const float half = clipping->projection().halfDepth();
            if (local && std::fabs(std::fabs(local->t) - half) > half * 0.02f) {
                // A wall: look at it straight on, across the viewing axis.
                const D3DXVECTOR3 across = D3DXVECTOR3(ray->direction) - axis * D3DXVec3Dot(&ray->direction, &axis);
                D3DXVec3Normalize(&axis, &across);
            } else if (D3DXVec3Dot(&axis, &ray->direction) < 0.0f) {
                axis = -axis;
            }
            const float yaw = std::atan2(-axis.z, axis.x) * 180.0f / 3.14159265f;
            const float pitch = std::asin(std::clamp(axis.y, -1.0f, 1.0f)) * 180.0f / 3.14159265f;
            rig_.viewFrom(CameraAngles{yaw, pitch}, target);
            return;
        }
        const auto face = cubeFaceHit(ray->origin, ray->direction, kWorkingSpaceHalf);
        std::printf("%s\n", face ? cubeFaceName(*face) : "no coll");
        std::fflush(stdout);
        if (!face) return;
        rig_.viewFrom(anglesForFace(*face, rig_.camera().yaw()), target);
        return;
    }
    if (button == InputIdentifier::MouseButton2) {
        rig_.backAwayFrom(target, kOverviewDistance);
        return;
    }
    if (button == InputIdentifier::MouseButton1) rig_.centreOn(target);
}

void ThreeD::mouseWheel(int step) {
    if (isKeyDown(kKeyShift) || isKeyDown(kKeyControl)) {
        if (step > 0) {
            twoD_.selectNext();
        } else {
            twoD_.selectPrevious();
        }
        return;
    }
    if (gestures_.anyHeld()) return;
    zoomThroughPointer(static_cast<float>(step) * workspace().settings().cameraspeed.zooming * kWheelZoomFactor,
                       pointerX(), pointerY());
}

// --- ESC and lost focus --------------------------------------------------------------------------

bool ThreeD::cancelGesture() {
    if (cancelObjectRun()) return true;
    bool cancelled = false;
    if (gestures_.anyHeld() || heldSlider_ != nullptr) {
        if (heldSlider_ != nullptr) heldSlider_->resetState();
        gestures_.reset();
        heldSlider_ = nullptr;
        axisKeyHeld_ = 0;
        sliderRecorded_ = false;
        if (restore_.clipping) applyRecord(*restore_.clipping);
        restore_.clipping.reset();
        cancelled = true;
    }
    if (cameraDrag_ != CameraDrag::None) {
        cameraDrag_ = CameraDrag::None;
        if (restore_.camera) {
            rig_.place(restore_.cameraPosition, restore_.cameraYaw, restore_.cameraPitch, restore_.centre);
            restore_.camera = false;
        }
        workspace().setCursor(kCursorArrow);
        cancelled = true;
    }
    if (cancelled) return true;
    if (centreMode_ != CentreMode::None) {
        setCentreMode(centreMode_);
        return true;
    }
    if (animationPanel_ && animationPanel_->isVisible()) {
        animationPanel_->setVisible(false);
        return true;
    }
    return false;
}

void ThreeD::endGesture() {
    if (heldSlider_ != nullptr) heldSlider_->resetState();
    gestures_.reset();
    heldSlider_ = nullptr;
    axisKeyHeld_ = 0;
    sliderRecorded_ = false;
    cameraDrag_ = CameraDrag::None;
    restore_ = Restore{};
}
