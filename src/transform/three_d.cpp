#include "transform/three_d.h"

#include "core/logger.h"
#include "gui/gui_menu.h"
#include "gui/key_table.h"
#include "project/clipping_elements.h"
#include "render/camera.h"
#include "render/renderer.h"
#include "twod/two_d.h"

namespace {

// Where the camera stands when the mode is entered for the first time.
const D3DXVECTOR3 kStartPosition(-1743.0f, 1349.0f, -1342.0f);
constexpr float kStartYaw = 40.0f;
constexpr float kStartPitch = -32.0f;

}  // namespace

ThreeD::ThreeD(Workspace& workspace, TwoD& twoD)
    : WorkspaceMode(workspace, 2), twoD_(twoD), clippings_(std::make_unique<ClippingTable>(twoD.images())) {
    twoD_.setClippingData(clippings_.get());
    twoD_.images().addListener(this);
    buildMenus();
}

ThreeD::~ThreeD() {
    twoD_.images().removeListener(this);
    twoD_.setClippingData(nullptr);
}

void ThreeD::buildMenus() {
    GuiMenu& file = addMenu("File", "Make file operations (ALT key + f).");
    file.addItem(String("New Project"), String("Start a new project."), String("No project started yet."));
    file.addItem(String("Load Project..."), String("Load an existing project."));
    file.addItem(String("Save Project..."), String("Save the current project."),
                 String("No project started which could be saved."));
    file.addSeparator();
    file.addItem(String("Save 3d Object..."), String("Save the final 3d object to file."),
                 String("No object created which could be saved."));
    file.addSeparator();
    file.addItem(String("Quit"), String("Quit Plastora."));

    GuiMenu& view = addMenu("View",
                            "Change view properties like rendering\\don'rendering elements,\nchaning quality, colors, "
                            "materials or other view properties (ALT key + v).");
    view.addItem(String("Default Settings"), String("Change back to the default view settings."));
    view.addSeparator();
    view.addItem(String("Animation Time..."),
                 String("Change the speed of the animations by changing the time how long\none animation needs. As "
                        "a pro you may turn off the animations for having no latency."));
    view.addItem(String("Background Color..."), String("Change the background color of Plastora."));
    addCommonViewItems(view);
    addInfoMenu();
    finishMenus();
}

void ThreeD::menuOpening(GuiMenu& menu) {
    if (!menu.name().equals("File")) return;
    const bool loaded = twoD_.images().imageCount() > 0;
    menu.setItemEnabled(String("New Project"), loaded);
    menu.setItemEnabled(String("Save Project..."), loaded);
}

void ThreeD::resetWorkspace() {
    dropGesture();
    clearHelpText();
    statusBar().setProgress(0.0f);
    statusBar().setText(String());
}

void ThreeD::entryRemoved(int /*index*/, ImageEntry& entry) { shown_.erase(&entry); }

void ThreeD::enter() {
    WorkspaceMode::enter();
    if (!cameraPlaced_) placeCameraAtStart();
    bringClippingsUpToDate();
    setHelpText(String(
        "Click with the mouse onto the image to select it.\nYou can also press CTRL+Image Number or SHIFT+Image "
        "Number to select an image with the keyboard.\nIt is also possible to press CTRL or SHIFT and selecting an "
        "image with the mouse wheel or by pressing TAB key.\nCurrently over image: "));
}

void ThreeD::placeCameraAtStart() {
    Camera* camera = workspace().camera();
    if (camera == nullptr) return;
    camera->setPosition(kStartPosition);
    camera->look(camera->yaw() - kStartYaw, camera->pitch() - kStartPitch);
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
        if (first) {
            clipping->update();
        } else {
            clipping->updateIfOutOfDate();
        }
    }
    setProgress(100.0f);
    setBusy(false);
}

bool ThreeD::onMenuCommand(const String& text) { return twoD_.runSharedCommand(text, *this); }

String ThreeD::rubricLabel() const { return String(); }

void ThreeD::keyDown(int key) {
    if (isPlainTab(key)) workspace().switchToTwoD();
}

void ThreeD::drawScene(DxRenderer& renderer) {
    Camera* camera = workspace().camera();
    if (camera != nullptr && renderer.device() != nullptr) camera->applyView(*renderer.device());
}
