// ThreeD: the transformation mode, in which the images are placed in 3D
// space and the object is sculpted. It holds the clipping of every image of
// the 2D mode's list (created or brought up to date whenever the mode is
// entered) and shares the frame of WorkspaceMode: the title bar, its menu
// bar, the status bar and the help text.
//
// On the screen: the rubric radios and their panels down the left side
// (transform_panels.h), the image list with its participation markers on
// the right, and the 3D view behind everything: the floor, the cube, the
// degree marks, the clippings with their collision lines and decals, the
// markers of the selected clipping and the coordinate system.
//
// Placing: the selected clipping follows the gestures (q, w, e with the
// pointer circling it, SPACE snapping), the sliders (typed values too) and
// the axis keys X, Y, Z (which grab a slider); every change is written into
// the clipping at once and recorded for undo before it starts. ESC puts
// back what a gesture, slider drag or camera drag in progress changed.
//
// Sculpting and texturing run on a worker thread (SculptedObject): the
// screen stays alive, the status bar shows each step with its progress, and
// ESC or the Cancel button below the status bar stops the run, leaving the
// previous object and the project as they were. The object is drawn among
// the clippings, with its material, wireframe and texture switches (F3, F4,
// F5 and the View menu).
#pragma once

#include "gui/gui_listeners.h"
#include "gui/gui_mask_list.h"
#include "gui/workspace_mode.h"
#include "image/image_entry.h"
#include "render/camera.h"
#include "transform/camera_rig.h"
#include "transform/drag_resolution.h"
#include "transform/gestures.h"
#include "transform/sculpted_object.h"
#include "transform/transform_history.h"
#include "transform/transform_panels.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>

class ClippingScene;
class ClippingTable;
class AnimationTimePanel;
class TwoD;
class ViewObjects;
struct ImageEntry;
struct ViewGeometry;
namespace gfx {
class GraphicsDevice;
}

class ThreeD : public WorkspaceMode,
               private ImageListListener,
               private GuiSliderListener,
               private GuiCheckboxListener,
               private GuiRadiobuttonListener,
               private GuiButtonListener,
               private GuiMaskListListener {
public:
    // The set-centre modes (at most one is on).
    enum class CentreMode { None, Translation, Scaling, SnapPoint, Rotation, FovCentre, FovOrigin };
    // What the view shows.
    enum class ViewSelection { All, None, OnlySelected, NotSelected };

    // The clippings follow the image list of `twoD`, which must outlive this
    // mode; the project file reads and writes them through the 2D mode.
    ThreeD(Workspace& workspace, TwoD& twoD);
    ~ThreeD() override;

    TwoD& twoD() const { return twoD_; }
    // The clippings of the images, slot by slot.
    ClippingTable& clippings() const { return *clippings_; }
    ClippingScene& scene() const { return *scene_; }
    TransformPanels& panels() const { return *panels_; }
    CameraRig& cameraRig() { return rig_; }
    const TransformHistory& history() const { return history_; }

    // True while a sculpted object exists (its material settings are then
    // written at shut-down).
    bool hasSculptedObject() const { return object_->exists(); }
    // "Save 3d Object...": the mesh and texture dialogs and the files; without
    // a sculpted object the command does nothing.
    void saveSculptedObject();
    SculptedObject& sculptedObject() const { return *object_; }
    // The settings a "Sculpture" started now takes: the voxel size,
    // sharpening and smoothing settings, the simplification and normal
    // participation sliders and the shading radios.
    SculptSettings sculptSettings() const;
    // Drops the sculpted object, the sculpting state and the placement state
    // (new project).
    void resetWorkspace();

    // --- the sculpting, texturing and screenshot actions ("Sculpture" and
    // Shift+s, "Texturise" and T, "Make screenshot"); false, with the reason
    // as help text, when refused (nothing participates, no object, a view
    // animation runs, another run is going on).
    virtual bool startSculpture();
    virtual bool startTexturing();
    virtual bool startScreenshot();
    // Stops a running sculpting or texturing; false when none runs.
    bool cancelObjectRun();

    // Entering: every loaded image gets its clipping made ("Create 3d data
    // for image %s") or brought up to date ("Update 3d data for image %s"),
    // with a frame drawn for each; the first entry of the run places the
    // camera at its start position.
    void enter() override;
    void leave() override;
    void applySettings() override;
    void frame() override;
    bool onMenuCommand(const String& text) override;
    String rubricLabel() const override;
    void describeState(JsonValue& root) const override;

    // --- what the mode shows and does, for the handlers and tests
    TransformRubric rubric() const { return panels_->rubric(); }
    void showRubric(TransformRubric rubric);
    // The selected image's slot (the 2D mode's selection); -1 for none.
    int selectedSlot() const;
    void selectSlot(int slot);
    CentreMode centreMode() const { return centreMode_; }
    ViewSelection viewSelection() const { return viewSelection_; }
    // The view buttons; false (with the refusal as help text) when refused.
    bool viewAll();
    bool viewNone();
    bool viewOnlySelected();
    bool viewNotSelected();
    // Undo and redo of transformations; false when there was nothing.
    bool undo();
    bool redo();
    // The screen position of a slot's clipping centre (the dial's centre);
    // empty when it is not shown or behind the camera.
    std::optional<D3DXVECTOR2> screenCentre(int slot) const;
    // The view geometry of the camera now.
    ViewGeometry viewGeometry() const;

protected:
    void keyDown(int key) override;
    void keyUp(int key) override;
    void mouseDown(InputIdentifier button, float x, float y) override;
    void mouseDoubleClick(InputIdentifier button, float x, float y) override;
    void mouseUp(InputIdentifier button, float x, float y) override;
    void mouseMove(float x, float y, bool overWidget) override;
    void middleDown() override;
    void middleUp() override;
    void mouseWheel(int step) override;
    bool cancelGesture() override;
    void endGesture() override;
    void menuOpening(GuiMenu& menu) override;
    void drawScene(DxRenderer& renderer) override;
    void drawView(DxRenderer& renderer) override;

private:
    // What a drag of the camera is doing.
    enum class CameraDrag { None, Rotating, Zooming, Moving };
    // Where an ESC puts things back to.
    struct Restore {
        bool camera = false;
        D3DXVECTOR3 cameraPosition;
        float cameraYaw = 0.0f;
        float cameraPitch = 0.0f;
        D3DXVECTOR3 centre;
        std::optional<TransformRecord> clipping;
    };

    // --- building (three_d.cpp, three_d_menus.cpp)
    void buildMenus();
    void buildScreen();
    void bringClippingsUpToDate();
    void placeCameraAtStart();
    gfx::GraphicsDevice& sceneDevice();

    // --- placement (three_d_placement.cpp)
    TransformRecord recordOf(int slot) const;
    // The stable number an image keeps in the undo records, and back.
    int entryIdOf(const ImageEntry* entry) const;
    // The list position (1, 2, ...) of slot `slot`, as the texts number images.
    int imageNumber(int slot) const;
    int slotOfId(int id) const;
    void applyRecord(const TransformRecord& record);
    void recordTransformation();
    // The selected clipping's placement changed through `placement`.
    void setPlacement(const ClippingPlacement& placement, bool reshaped);
    void placementWritten(int slot, bool reshaped);
    void refreshPanels();
    void refreshParticipation();
    void refreshCentreButtons();
    void refreshHistoryButtons();
    void refreshListMarkers();
    GestureScene gestureScene(int slot) const;
    void markTransformed(int slot);
    void sliderChanged(Control control, float value);
    void checkboxChanged(Control control, bool checked);
    void buttonPressed(Control control);
    void setCentreMode(CentreMode mode);
    bool setCentreAt(float x, float y);
    void chooseLineColour(bool adding);
    void takeLook();
    void showAnimationTimePanel();

    // --- input (three_d_input.cpp)
    void gestureKeyDown(GestureKey key);
    void gestureKeyUp(GestureKey key);
    void gestureMoved(float x, float y);
    bool axisKey(int key);
    bool selectionKey(int key);
    bool letterKey(int key);
    void hover(float x, float y);
    void cameraDragged(float dx, float dy);
    // The divisor of the 3D view's resolution for the frame beginning now.
    int sceneDivisorNow();
    void zoomThroughPointer(float amount, float x, float y);
    void updateModifierHelp();
    void showPlacementStatus(bool running);
    void takeRestorePoint(bool camera);
    bool animatingRefusal();
    // Ends every flight of the pictures where it was going (the mode is not
    // drawn, so nothing else would end them).
    void settleAnimations();
    // False (the help text saying why) while pictures fly or a run goes on;
    // otherwise brings the pictures changed in the 2D mode up to date.
    bool readyForRun();
    D3DXVECTOR3 selectedCentre() const;

    // --- showing and hiding (three_d_placement.cpp)
    void setShown(int slot, bool shown);
    std::uint64_t nowMs() const;
    float animationTime() const;

    // --- the sculpted object (three_d_object.cpp)
    void buildObjectControls();
    // Per frame: the run's progress, its result, the Cancel button.
    void updateObject();
    // "Render Object", "... In Wireframe", "... With Texture" checked or not.
    bool objectViewCommand(const String& label, bool checked);
    void refreshObjectItems(GuiMenu& view);
    void showObjectInfo();
    void applyMaterial();
    void describeObject(JsonValue& root) const;
    std::vector<Clipping*> clippingList() const;

    // --- screenshots (three_d_screenshot.cpp)
    // The 3D view alone (no widgets, no preview) as a picture of the back
    // buffer's size.
    Image captureScene();
    // While the camera panel is shown: the screenshot's slab, red, and its
    // plane, grey, over what lies behind them.
    void drawScreenshotPreview(gfx::GraphicsDevice& device);

    // --- menus
    bool viewCommand(const String& text);
    void setFlagFromMenu(const String& label, bool checked);

    // --- listeners
    void entryAdded(int index, ImageEntry& entry) override;
    void entryRemoved(int index, ImageEntry& entry) override;
    void entriesSwapped(int first, int second) override;
    void selectionChanged(int index) override;
    void valueChanged(GuiSlider* slider) override;
    void released(GuiSlider* slider) override;
    void pressed(GuiSlider* slider) override;
    void checked(GuiCheckbox* checkbox) override;
    void unchecked(GuiCheckbox* checkbox) override;
    void selected(GuiRadiobutton* radio) override;
    void released(GuiButton* button) override;
    void released(ImageEntry& entry) override;

    TwoD& twoD_;
    std::unique_ptr<ClippingTable> clippings_;
    std::unique_ptr<gfx::GraphicsDevice> ownDevice_;
    std::unique_ptr<ClippingScene> scene_;
    std::unique_ptr<ViewObjects> viewObjects_;
    std::unique_ptr<TransformPanels> panels_;
    GuiMaskList* list_ = nullptr;
    std::unique_ptr<AnimationTimePanel> animationPanel_;
    Camera ownCamera_;
    CameraRig rig_;
    GestureController gestures_;
    TransformHistory history_;
    // Entries whose clipping has been shown in this mode at least once.
    std::set<const ImageEntry*> shown_;
    bool cameraPlaced_ = false;
    bool entered_ = false;

    CentreMode centreMode_ = CentreMode::None;
    ViewSelection viewSelection_ = ViewSelection::All;
    CameraDrag cameraDrag_ = CameraDrag::None;
    float lastX_ = 0.0f;
    float lastY_ = 0.0f;
    int hovered_ = -1;
    // The slider a press or an axis key took hold of, and the axis key.
    GuiSlider* heldSlider_ = nullptr;
    int axisKeyHeld_ = 0;
    bool sliderRecorded_ = false;
    bool shrinking_ = false;
    Restore restore_;
    // The resolution of the 3D view while a drag moves it or pictures fly:
    // whether a placement moved since the last frame, where the camera
    // stood then and when that frame began.
    DragResolution dragResolution_;
    bool placementMoved_ = false;
    D3DXVECTOR3 framedCameraPosition_{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 framedCameraDirection_{0.0f, 0.0f, 0.0f};
    double framedAtMs_ = 0.0;
    int sceneDivisor_ = 1;
    // What a scene drawn during a run showed: while it stays the same, the
    // picture of that scene is shown again instead of drawing it anew.
    struct SceneStill {
        std::uint64_t inputEvents = 0;
        D3DXVECTOR3 cameraPosition{0.0f, 0.0f, 0.0f};
        D3DXVECTOR3 cameraDirection{0.0f, 0.0f, 0.0f};
        int images = 0;
        int selected = -1;
        bool operator==(const SceneStill&) const = default;
    };
    SceneStill lastScene_;
    bool sceneSinceRun_ = false;
    int lineSpacing_ = 1;
    std::uint64_t clockStart_ = 0;
    // Numbers of the images in the undo records.
    mutable std::map<const ImageEntry*, int> entryIds_;
    mutable int nextEntryId_ = 1;
    bool smoothShading_ = true;
    // Held while a view animation runs (`wait idle` waits for it).
    LongOperations::Scope animationScope_;
    // Where the coordinate system's arrows end on screen.
    std::array<D3DXVECTOR2, 3> axisTips_{};
    std::unique_ptr<SculptedObject> object_;
    // The scene is being drawn for a screenshot: no preview, no markers.
    bool capturing_ = false;
    // Shown below the status bar while a run goes on.
    GuiButton* cancelButton_ = nullptr;
};
