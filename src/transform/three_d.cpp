#include "transform/three_d.h"

#include "core/configuration.h"
#include "core/json.h"
#include "gui/key_table.h"
#include "gui/animation_time_panel.h"
#include "gui/title_bar.h"
#include "platform/graphics_device.h"
#include "project/clipping_elements.h"
#include "render/renderer.h"
#include "render/texture_manager.h"
#include "sculpt/clipping.h"
#include "sculpt/clipping_frame.h"
#include "transform/clipping_scene.h"
#include "transform/transform_texts.h"
#include "transform/view_animation.h"
#include "transform/view_objects.h"
#include "twod/two_d.h"

#include <algorithm>
#include <chrono>

namespace {

// Where the camera stands when the mode is entered for the first time,
// looking at the middle of the working space (yaw 320 and pitch -32 in the
// camera's own angles: the yaw of 40 turned the other way round).
const D3DXVECTOR3 kStartPosition(-1743.0f, 1349.0f, -1342.0f);
constexpr float kStartYaw = 320.0f;
constexpr float kStartPitch = -32.0f;

constexpr const char* kListHelpPrefix =
    "Press button or Ctrl+ImageNr to select image.\nScrolling through images with Ctrl+Tab or Ctrl+MouseWheel.\n"
    "Current Image: ";
constexpr const char* kEnterHelp =
    "Click with the mouse onto the image to select it.\nYou can also press CTRL+Image Number or SHIFT+Image Number to "
    "select an image with the keyboard.\nIt is also possible to press CTRL or SHIFT and selecting an image with the "
    "mouse wheel or by pressing TAB key.\nCurrently over image: ";
constexpr int kListWidth = 120;
constexpr int kMargin = 10;

uint32_t labelColour() { return 0xFFE8E8F0; }

}  // namespace

ThreeD::ThreeD(Workspace& workspace, TwoD& twoD)
    : WorkspaceMode(workspace, 2),
      twoD_(twoD),
      clippings_(std::make_unique<ClippingTable>(twoD.images())),
      rig_(workspace.camera() != nullptr ? *workspace.camera() : ownCamera_) {
    twoD_.setClippingTable(clippings_.get());
    twoD_.images().addListener(this);
    scene_ = std::make_unique<ClippingScene>(twoD_.images(), *clippings_, sceneDevice());
    scene_->setEntryRectangles([this](int slot, ScreenRect& rect) {
        const ImageEntry* entry = twoD_.images().entry(slot);
        GuiMaskListEntry* row = entry != nullptr && list_ != nullptr ? list_->entryOf(*entry) : nullptr;
        if (row == nullptr || !row->isVisible()) return false;
        rect = ScreenRect{static_cast<float>(row->left()), static_cast<float>(row->top()),
                          static_cast<float>(row->right()), static_cast<float>(row->bottom())};
        return true;
    });
    if (workspace.device() != nullptr)
        viewObjects_ = std::make_unique<ViewObjects>(*workspace.device(), workspace.applicationDirectory());
    clockStart_ = nowMs();
    object_ = std::make_unique<SculptedObject>(&sceneDevice(), *this, workspace.longOperations());
    buildScreen();
    buildObjectControls();
    buildMenus();
    for (int slot = 0; slot < twoD_.images().slotCount(); ++slot)
        if (ImageEntry* entry = twoD_.images().entry(slot)) list_->addEntry(*entry);
}

ThreeD::~ThreeD() {
    twoD_.images().removeListener(this);
    twoD_.setClippingTable(nullptr);
    if (list_ != nullptr) list_->clear();
    scene_.reset();
}

gfx::GraphicsDevice& ThreeD::sceneDevice() {
    if (gfx::GraphicsDevice* device = workspace().device()) return *device;
    if (!ownDevice_) ownDevice_ = gfx::createNullDevice(workspace().backBufferWidth(), workspace().backBufferHeight());
    return *ownDevice_;
}

void ThreeD::buildScreen() {
    PanelListeners listeners;
    listeners.sliders = this;
    listeners.checkboxes = this;
    listeners.radios = this;
    listeners.buttons = this;
    panels_ = std::make_unique<TransformPanels>(screen(), listeners, sliderServices(), workspace().backBufferWidth(),
                                                workspace().backBufferHeight(), TitleBar::kHeight);
    list_ = new GuiMaskList(String(kListHelpPrefix));
    const int width = workspace().backBufferWidth();
    list_->setRect(width - kMargin - kListWidth, TitleBar::kHeight + 8, width - kMargin,
                   workspace().backBufferHeight() - kMargin);
    list_->addListener(this);
    screen().add(list_);
}

// --- life cycle ------------------------------------------------------------------------------

void ThreeD::resetWorkspace() {
    dropGesture();
    gestures_.reset();
    history_.clear();
    heldSlider_ = nullptr;
    axisKeyHeld_ = 0;
    cameraDrag_ = CameraDrag::None;
    centreMode_ = CentreMode::None;
    viewSelection_ = ViewSelection::All;
    hovered_ = -1;
    object_->reset();
    scene_->collisions().setObject(nullptr);
    clearHelpText();
    statusBar().setProgress(0.0f);
    statusBar().setText(String());
    scene_->sync(false);
    refreshPanels();
}

void ThreeD::entryAdded(int /*index*/, ImageEntry& entry) {
    if (list_ != nullptr) list_->addEntry(entry);
    // Outside this mode the scene catches up when the mode is entered: the
    // 2D mode adds pictures without waiting for their 3D nodes.
    if (workspace().currentMode() == number()) scene_->sync(false);
    refreshListMarkers();
}

void ThreeD::entryRemoved(int /*index*/, ImageEntry& entry) {
    shown_.erase(&entry);
    scene_->forget(entry);
    if (list_ != nullptr) list_->removeEntry(entry);
    hovered_ = -1;
}

void ThreeD::entriesSwapped(int /*first*/, int /*second*/) {
    if (list_ == nullptr) return;
    list_->clear();
    for (int slot = 0; slot < twoD_.images().slotCount(); ++slot)
        if (ImageEntry* entry = twoD_.images().entry(slot)) list_->addEntry(*entry);
    refreshListMarkers();
}

void ThreeD::enter() {
    WorkspaceMode::enter();
    entered_ = true;
    if (!cameraPlaced_) placeCameraAtStart();
    bringClippingsUpToDate();
    scene_->sync(false);
    // The removed images' nodes are gone now; the views follow the choice.
    scene_->setLook(clippingLookOf(workspace().settings()));
    for (int slot = 0; slot < twoD_.images().slotCount(); ++slot) {
        Clipping* clipping = scene_->clipping(slot);
        if (clipping == nullptr) continue;
        bool shown = clipping->flags().enabled;
        if (viewSelection_ == ViewSelection::None) shown = false;
        if (viewSelection_ == ViewSelection::OnlySelected) shown = shown && slot == selectedSlot();
        if (viewSelection_ == ViewSelection::NotSelected) shown = shown && slot != selectedSlot();
        scene_->setShown(slot, shown, nullptr, nullptr, nowMs(), 0.0f);
    }
    scene_->setFocus(selectedSlot());
    scene_->collisions().invalidate();
    panels_->twoDRadio().setChecked(false);
    panels_->threeDRadio().setChecked(true);
    refreshPanels();
    refreshListMarkers();
    setHelpText(String(kEnterHelp));
}

void ThreeD::leave() {
    endGesture();
    if (animationPanel_) animationPanel_->setVisible(false);
    settleAnimations();
    WorkspaceMode::leave();
}

void ThreeD::settleAnimations() {
    // Flights are moved on by this mode's frames only: with none to come,
    // the pictures go to where they were flying at once.
    if (scene_->isAnimating()) scene_->advanceAnimations(nowMs(), 0.0f);
    animationScope_.end();
}

void ThreeD::placeCameraAtStart() {
    rig_.place(kStartPosition, kStartYaw, kStartPitch, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    cameraPlaced_ = true;
}

void ThreeD::bringClippingsUpToDate() {
    ImageList& images = twoD_.images();
    const int slots = images.slotCount();
    if (images.imageCount() == 0) return;
    setBusy(true);
    for (int index = 0; index < slots; ++index) {
        ImageEntry* entry = images.entry(index);
        Clipping* clipping = clippings_->clipping(index);
        if (entry == nullptr || clipping == nullptr) continue;
        const bool first = shown_.insert(entry).second;
        setStatus(withImageName(first ? "Create 3d data for image %s" : "Update 3d data for image %s", entry->name()));
        setProgress(100.0f * static_cast<float>(index) / static_cast<float>(slots));
        drawFrame();
        const bool updated = first ? (clipping->update(), true) : clipping->updateIfOutOfDate();
        // The picture, mask or border changed in the 2D mode.
        if (ClippingNode* node = scene_->node(index); node != nullptr && updated) node->rebuild();
    }
    statusBar().setProgress(0.0f);
    statusBar().setText(String());
    setBusy(false);
}

void ThreeD::applySettings() {
    WorkspaceMode::applySettings();
    const Settings& settings = workspace().settings();
    if (viewObjects_) viewObjects_->applySettings(settings);
    setItemChecked(String("View"), String("Render Plane"), settings.renderplane);
    setItemChecked(String("View"), String("Render Cube"), settings.rendercube);
    setItemChecked(String("View"), String("Render Degrees"), settings.renderdegs);
    setItemChecked(String("View"), String("Render Coordinate System"), settings.viewcoordinatesystem);
    setItemChecked(String("View"), String("Collision Lines With Borders"), settings.collisionlineswithclippings);
    setItemChecked(String("View"), String("Collision Lines With Object"), settings.collisionlineswithobject);
    setItemChecked(String("View"), String("Render Object"), true);
    panels_->showValue(Control::SpeedMoving, settings.cameraspeed.moving);
    panels_->showValue(Control::SpeedZooming, settings.cameraspeed.zooming);
    panels_->showValue(Control::SpeedLooking, settings.cameraspeed.lookaround);
    panels_->showValue(Control::MaskTransparency, settings.frontalpha);
    panels_->showValue(Control::BackgroundTransparency, settings.frontbackgroundalpha);
    panels_->showValue(Control::BorderQuality, settings.sidequality);
    panels_->showValue(Control::BorderTransparency, settings.sidetransparency);
    panels_->showValue(Control::DecalQuality, static_cast<float>(settings.decalquality));
    panels_->showValue(Control::VoxelSize, settings.meshdetail);
    panels_->showValue(Control::Sharpening, settings.sharpening);
    panels_->showValue(Control::Smoothing, settings.smoothing);
    applyMaterial();
    takeLook();
}

void ThreeD::takeLook() {
    const Settings& settings = workspace().settings();
    scene_->setLook(clippingLookOf(settings));
    scene_->collisions().setSettings(collisionSettingsOf(settings, lineSpacing_));
}

std::uint64_t ThreeD::nowMs() const {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

float ThreeD::animationTime() const { return workspace().settings().animtime; }

// --- frames --------------------------------------------------------------------------------

void ThreeD::frame() {
    // A running flight keeps `wait idle` waiting, so that what a script
    // looks at afterwards is the placement.
    if (scene_->isAnimating()) scene_->advanceAnimations(nowMs(), animationTime());
    if (!scene_->isAnimating()) animationScope_.end();
    updateObject();
    scene_->refreshCollisions();
    if (list_ != nullptr) list_->setSelected(twoD_.selectedEntry());
    sceneDivisor_ = sceneDivisorNow();
    WorkspaceMode::frame();
}

static_assert(DragResolution::kCoarsestDivisor <= gfx::GraphicsDevice::kMaxReducedDivisor,
              "a drag must not ask for a coarser scene than the device draws");

int ThreeD::sceneDivisorNow() {
    const double now =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
    const Camera& camera = rig_.camera();
    const bool cameraMoved =
        camera.position() != framedCameraPosition_ || camera.viewDirection() != framedCameraDirection_;
    const bool dragging = cameraDrag_ != CameraDrag::None || gestures_.anyHeld() || heldSlider_ != nullptr;
    const bool moving = scene_->isAnimating() || (dragging && (cameraMoved || placementMoved_));
    const int divisor = dragResolution_.divisorFor(moving, now - framedAtMs_);
    framedCameraPosition_ = camera.position();
    framedCameraDirection_ = camera.viewDirection();
    placementMoved_ = false;
    framedAtMs_ = now;
    return divisor;
}

ViewGeometry ThreeD::viewGeometry() const {
    const Camera& camera = rig_.camera();
    D3DXMATRIX projection;
    const int width = workspace().backBufferWidth();
    const int height = std::max(workspace().backBufferHeight(), 1);
    D3DXMatrixPerspectiveFovLH(&projection, DxRenderer::kFieldOfView,
                               static_cast<float>(width) / static_cast<float>(height), DxRenderer::kNearPlane,
                               DxRenderer::kFarPlane);
    return viewGeometryOf(camera, projection, width, height);
}

std::optional<D3DXVECTOR2> ThreeD::screenCentre(int slot) const {
    const Clipping* clipping = scene_->clipping(slot);
    if (clipping == nullptr || !scene_->isShown(slot)) return std::nullopt;
    const ViewGeometry geometry = viewGeometry();
    const D3DXVECTOR3 centre = clipping->placement().translation;
    const D3DXVECTOR3 toCentre = centre - geometry.cameraPosition;
    if (D3DXVec3Dot(&toCentre, &rig_.camera().viewDirection()) <= DxRenderer::kNearPlane) return std::nullopt;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    D3DXVECTOR3 screen;
    D3DXVec3Project(&screen, &centre, &geometry.viewport, &geometry.projection, &geometry.view, &identity);
    return D3DXVECTOR2(screen.x, screen.y);
}

void ThreeD::drawScene(DxRenderer& renderer) {
    gfx::GraphicsDevice* device = renderer.device();
    if (device == nullptr) return;
    const Camera& camera = rig_.camera();
    camera.applyView(*device);
    // While sculpting or texturing runs, the frames mostly show progress over
    // a scene that stays as it was: it is drawn once into a picture of its
    // own and that picture is shown again until something changes, leaving
    // the processor to the run.
    const SceneStill still{inputEvents(), camera.position(), camera.viewDirection(), twoD_.images().imageCount(),
                           selectedSlot()};
    const bool running = object_->isRunning() && !scene_->isAnimating();
    if (running && sceneSinceRun_ && still == lastScene_ && device->repeatLastScene()) return;
    lastScene_ = still;
    const bool reduced = (sceneDivisor_ > 1 || running) && device->beginReducedScene(sceneDivisor_);
    sceneSinceRun_ = running && reduced;
    if (viewObjects_) {
        viewObjects_->applyLight(*device);
        viewObjects_->drawGround();
    }
    // Opaque, before the translucent pictures that blend over it.
    object_->draw();
    scene_->draw(camera.position());
    const int slot = selectedSlot();
    if (rubric() == TransformRubric::Camera && !capturing_) drawScreenshotPreview(*device);
    if (viewObjects_ && slot >= 0 && scene_->isShown(slot) && !scene_->isAnimating() && !capturing_) {
        const int rubricIndex = static_cast<int>(rubric());
        if (rubricIndex <= static_cast<int>(TransformRubric::FieldOfView)) {
            MarkerPose pose;
            pose.placement = scene_->clipping(slot)->placement();
            pose.rubric = static_cast<PlacementRubric>(rubricIndex);
            for (int k = 0; k < kGestureKeyCount; ++k) pose.active[static_cast<size_t>(k)] = gestures_.isHeld(static_cast<GestureKey>(k));
            pose.shrinking = shrinking_;
            const D3DXVECTOR3 offset = pose.placement.translation - camera.position();
            pose.size = std::max(D3DXVec3Length(&offset) * 0.12f, 20.0f);
            viewObjects_->drawMarkers(pose);
        }
    }
    if (viewObjects_) {
        if (rubric() == TransformRubric::View && panels_->viewPage() == ViewPage::Light)
            viewObjects_->drawLightArrow(rig_.centre(), 400.0f);
        viewObjects_->drawCube();
        axisTips_ = viewObjects_->drawCoordinateSystem(renderer, camera, workspace().backBufferWidth(),
                                                       workspace().backBufferHeight());
    }
    if (reduced) device->endReducedScene();
}

void ThreeD::drawView(DxRenderer& renderer) {
    const int font = renderer.createFont(String("Arial"), 10, false, true);
    if (!renderer.setFont(font)) return;
    // The letters of the coordinate system.
    if (viewObjects_ && viewObjects_->showsCoordinateSystem()) {
        const char* letters[3] = {"X", "Y", "Z"};
        for (int axis = 0; axis < 3; ++axis) {
            const D3DXVECTOR2& tip = axisTips_[static_cast<size_t>(axis)];
            renderer.drawText(PixelRect{static_cast<int>(tip.x) - 4, static_cast<int>(tip.y) - 7,
                                        static_cast<int>(tip.x) + 12, static_cast<int>(tip.y) + 10},
                              String(letters[axis]), labelColour());
        }
    }
    const int slot = selectedSlot();
    const auto centre = screenCentre(slot);
    if (!centre || scene_->isAnimating()) return;
    // The readouts beside the selected clipping's markers.
    const int rubricIndex = static_cast<int>(rubric());
    if (rubricIndex <= static_cast<int>(TransformRubric::FieldOfView)) {
        const auto lines = markerReadouts(static_cast<PlacementRubric>(rubricIndex), scene_->clipping(slot)->placement());
        int y = static_cast<int>(centre->y) + 14;
        for (const String& line : lines) {
            renderer.drawText(PixelRect{static_cast<int>(centre->x) + 14, y, static_cast<int>(centre->x) + 260, y + 16},
                              line, labelColour());
            y += 15;
        }
    }
    const float agreement = scene_->collisions().agreement(scene_->node(slot));
    if (agreement >= 0.0f) {
        const int y = static_cast<int>(centre->y) - 22;
        renderer.drawText(PixelRect{static_cast<int>(centre->x) + 14, y, static_cast<int>(centre->x) + 320, y + 16},
                          formatText("Outline meets the other images: %d%%", static_cast<int>(agreement * 100.0f + 0.5f)),
                          labelColour());
    }
    // While a gesture key is held, the dial's centre and the pointer.
    if (gestures_.anyHeld()) {
        renderer.drawCircle(centre->x, centre->y, 6.0f, 255, 220, 60, 1.0f);
        renderer.drawLine(centre->x, centre->y, pointerX(), pointerY(), 255, 220, 60, 0.6f);
    }
}

// --- state ---------------------------------------------------------------------------------

String ThreeD::rubricLabel() const { return String(rubricLabelOf(rubric())); }

void ThreeD::describeState(JsonValue& root) const {
    const Camera& camera = rig_.camera();
    JsonValue& cameraObject = root.set("camera", JsonValue::object());
    JsonValue& position = cameraObject.set("position", JsonValue::array());
    for (float value : {camera.position().x, camera.position().y, camera.position().z})
        position.append(JsonValue::number(value));
    cameraObject.set("yaw", JsonValue::number(camera.yaw()));
    cameraObject.set("pitch", JsonValue::number(camera.pitch()));
    describeObject(root);
    JsonValue* images = root.find("images");
    if (images == nullptr) return;
    int k = 0;
    for (int slot = 0; slot < twoD_.images().slotCount(); ++slot) {
        if (twoD_.images().entry(slot) == nullptr) continue;
        JsonValue* image = images->item(k++);
        if (image == nullptr) continue;
        const Clipping* clipping = scene_->clipping(slot);
        if (clipping == nullptr) {
            image->set("clipping", JsonValue());
            continue;
        }
        const ClippingPlacement& p = clipping->placement();
        JsonValue& object = image->set("clipping", JsonValue::object());
        JsonValue& translation = object.set("translation", JsonValue::array());
        for (float value : {p.translation.x, p.translation.y, p.translation.z})
            translation.append(JsonValue::number(value));
        object.set("yaw", JsonValue::number(p.angle));
        object.set("pitch", JsonValue::number(p.angleheight));
        object.set("roll", JsonValue::number(p.angleimage));
        object.set("width", JsonValue::number(p.scaling.z));
        object.set("height", JsonValue::number(p.scaling.y));
        object.set("depth", JsonValue::number(p.scaling.x));
        JsonValue& ratio = object.set("ratio", JsonValue::array());
        ratio.append(JsonValue::number(p.fovX));
        ratio.append(JsonValue::number(p.fovY));
        object.set("fov", JsonValue::boolean(p.fovSet));
        object.set("shown", JsonValue::boolean(scene_->isShown(slot)));
        const auto centre = screenCentre(slot);
        if (centre) {
            JsonValue& point = object.set("screen_centre", JsonValue::array());
            point.append(JsonValue::number(workspace().toWindowX(centre->x)));
            point.append(JsonValue::number(workspace().toWindowY(centre->y)));
        } else {
            object.set("screen_centre", JsonValue());
        }
    }
}
