// TwoD: the 2D mode, in which pictures are loaded, masked and given their
// borders. It owns the image list, the view in which the selected picture
// is shown, and three rubrics: "Image" (image operations), "Mask" (the mask
// tools) and "Border" (the border's smoothing). Around them it shows the
// title and subtitle, the rubric radios, the two mode radios, the image list
// and its menus.
//
// The view: the selected image's whole 512 by 512 canvas is drawn into a
// screen rectangle that the right button pans, the wheel and the middle
// button zoom and a double click with the right or middle button centres
// (twod/image_view.h). The mask and the border are drawn over the picture in
// the configured colours.
//
// Selection: a click on the list, SHIFT or CTRL with a digit (the n-th image
// of the list), SHIFT or CTRL with the wheel or TAB (the next or previous
// one).
#pragma once

#include "gui/gui_listeners.h"
#include "gui/gui_mask_list.h"
#include "gui/workspace_mode.h"
#include "image/entry_mask_wiring.h"
#include "image/image_entry.h"
#include "image/mask_change.h"
#include "image/mask_undo.h"
#include "image/masking_tools.h"
#include "platform/dialogs.h"
#include "project/status_sink.h"
#include "twod/image_view.h"
#include "twod/rubric.h"

#include <array>
#include <chrono>
#include <memory>

class ClippingTable;
class GuiCheckbox;
class GuiLabel;
class GuiRadiobutton;
class GeneralRubric;
class MaskingRubric;
class BorderRubric;
class PanelWindow;

class TwoD : public WorkspaceMode,
             private GuiRadiobuttonListener,
             private GuiCheckboxListener,
             private GuiMaskListListener,
             private ImageListListener,
             private MaskChangeListener {
public:
    // The rubrics in their cycle order (A and S step through it).
    enum RubricIndex { kImageRubric = 0, kMaskRubric = 1, kBorderRubric = 2, kRubricCount = 3 };

    explicit TwoD(Workspace& workspace);
    ~TwoD() override;

    // --- images
    // The loaded images, in list order.
    ImageList& images() { return images_; }
    const ImageList& images() const { return images_; }
    // The selected image; null when none is selected.
    ImageEntry* selectedEntry() { return images_.selected(); }
    const ImageEntry* selectedEntry() const { return images_.entry(images_.selectedIndex()); }
    // Number of loaded images (empty slots not counted).
    int loadedCount() const { return images_.imageCount(); }
    // The mask value of new and drawn masks: the mask transparency setting
    // as a byte, 1 .. 255.
    unsigned char maskValue() const;

    // --- what the masking tools and the undo share
    MaskChangeNotifier& maskNotifier() { return notifier_; }
    MaskUndoList& undoList() { return undo_; }
    EntryMaskWiring& maskWiring() { return wiring_; }

    // --- shared with the transformation mode
    // The images' clippings (null: none): the project file reads and writes
    // them, and pictures being read get theirs made beside them.
    void setClippingTable(ClippingTable* clippings) { clippings_ = clippings; }
    ClippingTable* clippingTable() const { return clippings_; }
    // The commands both modes offer: "New Project", "Load Project...",
    // "Save Project...", "Background Color...", "Animation Time...". The
    // status of a long command goes to `status` (the current mode). False for
    // any other text.
    bool runSharedCommand(const String& text, StatusSink& status);
    // A file dropped on the window: a project (".qz") adds its images, a
    // picture is added as a new image; anything else is refused with a
    // message box. The mode does not change. False when nothing was added.
    bool openDroppedFile(const String& path, StatusSink& status);
    // Back to the first rubric with nothing selected and nothing in progress
    // (new project).
    void resetRubrics();
    // Images were added (there were `countBefore`): the first new one is
    // selected when none was, and the rubrics follow.
    void afterImagesAdded(int countBefore);
    // Images were removed: the tools and parallel masking follow.
    void afterImagesRemoved();
    // Cleans and rebuilds every border marked changed, with the progress
    // shown ("<prefix><image name><suffix>") and a frame drawn per image.
    void updateBorders(const char* statusPrefix, const char* statusSuffix);

    // --- the view
    const ViewRect& view() const { return view_; }
    void setView(const ViewRect& view) { view_ = view; }
    // The view becomes the centred square (only while an image is selected).
    void centreView();
    // Keeps some of the selected picture within reach.
    void clampView();
    // The pointer in canvas pixels of the selected image; not on the image
    // when none is selected.
    ViewPixel pointerToImage(float px, float py) const;
    // The canvas pixel (x, y) of the selected image on the screen.
    ImagePoint imageToScreen(float x, float y) const;

    // --- selection
    // Selects the image of list slot `slot` (-1 clears the selection).
    void selectSlot(int slot);
    // Selects the n-th image of the list (1 = the first); false when there
    // is none.
    bool selectByNumber(int number);
    // The next / previous image after the selected one, wrapping around; the
    // first / last when none is selected.
    void selectNext();
    void selectPrevious();

    // --- rubrics
    int activeRubricIndex() const { return activeRubric_; }
    Rubric& activeRubric() const { return *rubrics_[static_cast<size_t>(activeRubric_)]; }
    // Makes rubric `index` the active one (its radio checked, its panel shown).
    void showRubric(int index);
    GeneralRubric& generalRubric() const { return *general_; }
    MaskingRubric& maskingRubric() const { return *masking_; }
    BorderRubric& borderRubric() const { return *border_; }
    // The enabled states and texts of every rubric follow the images.
    void refreshRubrics();

    // --- what is drawn
    bool rendersMask() const { return renderMask_; }
    bool rendersBorder() const { return renderBorder_; }
    bool rendersPreview() const;
    // Each sets the flag and the check mark of its View menu item.
    void setRenderMask(bool render);
    void setRenderBorder(bool render);
    void setRenderPreview(bool render);

    // --- panels that float over the screen (colour panels, the animation time)
    // Shows `panel` (owned by the caller, which keeps it until the mode dies)
    // and hides any other floating panel.
    void showFloatingPanel(PanelWindow& panel);
    void hideFloatingPanels();

    // A yes/no question with the system cursor shown; true for yes. The key
    // table is cleared afterwards.
    bool ask(const char* caption, const char* text, MessageIcon icon);
    // The left edge of a floating panel `width` pixels wide, centred.
    int centredPanelLeft(int width) const;

    // --- the image list widget
    GuiMaskList& imageList() { return *list_; }
    // The picture or mask of `entry` changed: its row in the list shows it
    // from the next frame on.
    void pictureChanged(const ImageEntry& entry);

    // --- WorkspaceMode
    void enter() override;
    void leave() override;
    void applySettings() override;
    void frame() override;
    bool onMenuCommand(const String& text) override;
    String rubricLabel() const override;
    void describeState(JsonValue& root) const override;

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
    void drawView(DxRenderer& renderer) override;

private:
    // --- building (two_d.cpp, two_d_menus.cpp)
    void buildScreen();
    void buildMenus();
    void layoutScreen();
    // --- menus and file commands (two_d_menus.cpp)
    void refreshFileMenu(GuiMenu& file);
    bool runFileCommand(const String& text);
    bool runViewCommand(const String& text);
    void chooseBackgroundColour();
    CommandUi commandUi(StatusSink& status);
    // --- drawing
    void drawPicture(DxRenderer& renderer, const ImageEntry& entry);
    void drawBorder(DxRenderer& renderer, const ImageEntry& entry);
    // --- keys
    void updateModifierHelp();
    bool selectionKey(int key);
    bool sharedKey(int key);
    void toggleOnRelease(int key);
    // --- listeners
    void selected(GuiRadiobutton* radio) override;
    void checked(GuiCheckbox* checkbox) override;
    void unchecked(GuiCheckbox* checkbox) override;
    void released(ImageEntry& entry) override;
    void entryAdded(int index, ImageEntry& entry) override;
    void entryRemoved(int index, ImageEntry& entry) override;
    void entriesSwapped(int first, int second) override;
    void selectionChanged(int index) override;
    void maskChanged(Image& mask) override;
    // Rebuilds the list rows of changed pictures (during a stroke at most a
    // few times a second).
    void refreshThumbnails();

    ImageList images_;
    MaskChangeNotifier notifier_;
    MaskUndoList undo_;
    EntryMaskWiring wiring_;
    ClippingTable* clippings_ = nullptr;

    std::unique_ptr<GeneralRubric> general_;
    std::unique_ptr<MaskingRubric> masking_;
    std::unique_ptr<BorderRubric> border_;
    std::array<Rubric*, kRubricCount> rubrics_{};
    int activeRubric_ = kImageRubric;
    std::array<GuiRadiobutton*, kRubricCount> rubricRadios_{};
    GuiCheckbox* twoDRadio_ = nullptr;
    GuiCheckbox* threeDRadio_ = nullptr;
    GuiLabel* title_ = nullptr;
    GuiLabel* subtitle_ = nullptr;
    GuiMaskList* list_ = nullptr;
    std::vector<PanelWindow*> floatingPanels_;
    std::vector<const ImageEntry*> staleThumbnails_;
    std::chrono::steady_clock::time_point lastThumbnails_;

    ViewRect view_;
    // Pointer drags of the view.
    bool panning_ = false;
    bool dragZooming_ = false;
    float zoomAnchorX_ = 0.0f;
    float zoomAnchorY_ = 0.0f;
    float lastX_ = 0.0f;
    float lastY_ = 0.0f;
    ViewRect dragStartView_;

    bool renderMask_ = true;
    bool renderBorder_ = true;
};
