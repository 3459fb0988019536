// ThreeD: the transformation mode, in which the images are placed in 3D
// space and the object is sculpted. It holds the clipping of every image of
// the 2D mode's list (created or brought up to date whenever the mode is
// entered) and shares the frame of WorkspaceMode: the title bar, its menu
// bar, the status bar and the help text.
#pragma once

#include "gui/workspace_mode.h"
#include "image/image_entry.h"

#include <memory>
#include <set>

class ClippingTable;
class TwoD;
struct ImageEntry;

class ThreeD : public WorkspaceMode, private ImageListListener {
public:
    // The clippings follow the image list of `twoD`, which must outlive this
    // mode; the project file reads and writes them through the 2D mode.
    ThreeD(Workspace& workspace, TwoD& twoD);
    ~ThreeD() override;

    TwoD& twoD() const { return twoD_; }
    // The clippings of the images, slot by slot.
    ClippingTable& clippings() const { return *clippings_; }

    // True while a sculpted object exists (its material settings are then
    // written at shut-down).
    bool hasSculptedObject() const { return false; }
    // "Save 3d Object...": without a sculpted object the command does nothing.
    void saveSculptedObject() {}
    // Drops the sculpted object, the sculpting state and the placement state
    // (new project).
    void resetWorkspace();

    // Entering: every loaded image gets its clipping made ("Create 3d data
    // for image %s") or brought up to date ("Update 3d data for image %s"),
    // with a frame drawn for each; the first entry of the run places the
    // camera at its start position.
    void enter() override;
    // "New Project", the project commands, "Background Color..." and
    // "Animation Time..." as in the 2D mode.
    bool onMenuCommand(const String& text) override;
    String rubricLabel() const override;

protected:
    // TAB alone returns to the 2D mode.
    void keyDown(int key) override;
    // Sets the camera's view for the scene.
    void drawScene(DxRenderer& renderer) override;
    void menuOpening(GuiMenu& menu) override;

private:
    void buildMenus();
    void bringClippingsUpToDate();
    void placeCameraAtStart();
    // ImageListListener: a removed image's clipping counts as never shown.
    void entryRemoved(int index, ImageEntry& entry) override;

    TwoD& twoD_;
    std::unique_ptr<ClippingTable> clippings_;
    // Entries whose clipping has been shown in this mode at least once.
    std::set<const ImageEntry*> shown_;
    bool cameraPlaced_ = false;
};
