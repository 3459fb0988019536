// WorkspaceMode: what the 2D mode and the transformation mode share. A mode
// receives every event of the application while it is current and draws the
// frame. The frame it stands on is the same for both: the title bar with the
// mode's own menu bar and the window buttons, the status bar, the help text
// beside the pointer, the ALT shortcuts and the keyboard use of the menus.
// Everything else (its widgets, its view, its tools) the mode adds:
//
//  - widgets go into screen(); the title bar is offered every event first
//    and, while one of its menus is open, alone;
//  - the view and the tools receive what no widget took, through the
//    protected virtual operations keyDown, mouseDown, mouseMove ...;
//  - menus are built with addMenu() and the item helpers; a chosen item
//    reaches the application (Workspace::menuCommand), which answers the
//    common commands itself and hands every other text to the current mode's
//    onMenuCommand(); menuOpening() brings a menu's items up to date just
//    before it opens;
//  - the script command `state` asks rubricLabel() and describeState().
//
// A mode is also the status sink of the long operations that run while it is
// current: the status text and progress go to its status bar, the busy state
// to its ready flag, the pointer and the workspace's long-operation registry.
#pragma once

#include "core/long_operations.h"
#include "core/status_sink.h"
#include "core/string.h"
#include "gui/gui_container.h"
#include "gui/gui_listeners.h"
#include "gui/gui_slider.h"
#include "gui/status_bar.h"
#include "gui/title_bar.h"
#include "gui/workspace.h"
#include "platform/input_identifiers.h"

#include <cstdint>

class DxRenderer;
class GuiMenu;
class JsonValue;

class WorkspaceMode : public StatusSink, public GuiMenuListener {
public:
    // `number` is the mode's number in the workspace (1 = 2D, 2 = transformation).
    WorkspaceMode(Workspace& workspace, int number);
    ~WorkspaceMode() override;
    WorkspaceMode(const WorkspaceMode&) = delete;
    WorkspaceMode& operator=(const WorkspaceMode&) = delete;

    int number() const { return number_; }
    Workspace& workspace() const { return workspace_; }

    // --- life cycle
    // The mode becomes current: drags end, the pointer position is taken over.
    virtual void enter();
    // Another mode is about to become current: drags end, menus close.
    virtual void leave();
    // Takes over the settings once the configuration has been applied (and
    // again after "Default Settings"). Here: the check marks of the common
    // view items.
    virtual void applySettings();
    // Draws the mode's part of a frame: begins the scene (cleared to the
    // background colour), drawScene(), then in one sprite batch drawView(),
    // the widgets, the title bar, the status bar and the help text. Leaves
    // the batch and the scene open for the application's overlays.
    virtual void frame();
    // Around a device reset (the textures come back by themselves).
    virtual void onDeviceLost() {}
    virtual void onDeviceReset() {}

    // --- events from the application, in back-buffer pixels. The frame
    // (title bar, menus, ALT keys, widgets) takes what is its own; the rest
    // goes to the protected operations below.
    // The mode's own menu texts; true when the mode knows the text.
    virtual bool onMenuCommand(const String& text);
    virtual void onCommand(int number);
    void onKeyDown(int key);
    void onKeyUp(int key);
    void onMouseDown(InputIdentifier button, float x, float y);
    void onMouseDoubleClick(InputIdentifier button, float x, float y);
    void onMouseUp(InputIdentifier button, float x, float y);
    void onMouseMove(float x, float y);
    void onMiddleDown();
    void onMiddleUp();
    void onMouseWheel(int step);

    // --- input state
    // Forgets the buttons held and ends every drag in progress (the window
    // stays where the drag put it).
    void dropGesture();
    // A button went down and has not come up.
    bool isGestureActive() const { return leftHeld_ || rightHeld_ || middleHeld_; }
    bool isLeftHeld() const { return leftHeld_; }
    bool isRightHeld() const { return rightHeld_; }
    bool isMiddleHeld() const { return middleHeld_; }
    // The menu-shortcut state entered by pressing ALT is on.
    bool isAltPending() const { return altHeld_; }
    void clearAltState() { altHeld_ = false; }
    // Whether shortcut letters are drawn beside the controls.
    void setRenderKeyShortcuts(bool render) { renderKeyShortcuts_ = render; }
    bool rendersKeyShortcuts() const { return renderKeyShortcuts_; }
    float pointerX() const { return pointerX_; }
    float pointerY() const { return pointerY_; }
    // Counts the events the mode has been handed (keys, buttons, pointer
    // moves, wheel): equal counts mean the user did nothing in between.
    std::uint64_t inputEvents() const { return inputEvents_; }

    // --- the help text beside the pointer (shown over a widget's own text)
    const String& helpText() const { return helpText_; }
    void setHelpText(const String& text) { helpText_ = text; }
    void clearHelpText() { helpText_ = String(); }

    // --- the frame's parts
    GuiContainer& screen() { return screen_; }
    TitleBar& titleBar() { return titleBar_; }
    GuiMenu& menuBar() { return titleBar_.menuBar(); }
    StatusBar& statusBar() { return status_; }
    const StatusBar& statusBar() const { return status_; }

    // What the sliders of this mode's screen need: the value dialog and the
    // pointer warp after a wheel turn.
    SliderServices sliderServices();

    // --- menus
    // Sets the check mark of an item of the menu bar (no listener is told);
    // a menu or label that does not exist is no error.
    void setItemChecked(const String& menu, const String& label, bool checked);
    // -1 when the menu bar has no such check item, else 0 or 1.
    int itemChecked(const char* menu, const char* label) const;
    // The name of the open menu; empty when every menu is closed.
    String openMenuName() const;
    // Opens the menu named `name` (nothing when the bar has none).
    void openMenuNamed(const String& name);
    // GuiMenuListener: the chosen item goes to the application.
    void command(const String& text) override;
    // GuiMenuListener: a menu opens; the mode's refresh rules run.
    void opening(GuiMenu& menu) override { menuOpening(menu); }

    // --- the script command `state`
    // The label of the current rubric ("Image", "Mask", ...).
    virtual String rubricLabel() const { return String(); }
    // Adds the mode's keys to the snapshot object `root`; called for both
    // modes, 2D mode first, whichever is current.
    virtual void describeState(JsonValue& root) const { (void)root; }

    // --- StatusSink
    void setStatus(const String& text) override;
    void setProgress(float percent) override;
    // Busy: ready flag cleared, the wait pointer, and a long operation
    // registered with the workspace until the mode is ready again.
    void setBusy(bool busy) override;
    void drawFrame() override;
    void refuse(const String& helpText) override;
    void clearKeyTable() override;

protected:
    // --- what the mode adds to the frame
    // The 3D part of the frame, before the sprite batch opens.
    virtual void drawScene(DxRenderer& renderer) { (void)renderer; }
    // 2D drawing under the widgets, inside the sprite batch.
    virtual void drawView(DxRenderer& renderer) { (void)renderer; }
    // Events no part of the frame took. mouseDown comes only when the press
    // is on no widget; the others always (a drag may cross widgets).
    virtual void keyDown(int key) { (void)key; }
    virtual void keyUp(int key) { (void)key; }
    virtual void mouseDown(InputIdentifier button, float x, float y) { (void)button, (void)x, (void)y; }
    virtual void mouseDoubleClick(InputIdentifier button, float x, float y) { (void)button, (void)x, (void)y; }
    virtual void mouseUp(InputIdentifier button, float x, float y) { (void)button, (void)x, (void)y; }
    // `overWidget` tells whether the pointer is over a widget.
    virtual void mouseMove(float x, float y, bool overWidget) { (void)x, (void)y, (void)overWidget; }
    virtual void middleDown() {}
    virtual void middleUp() {}
    virtual void mouseWheel(int step) { (void)step; }
    // ESC: ends a drag or gesture in progress and puts back what was there.
    // True when there was one.
    virtual bool cancelGesture() { return false; }
    // The application lost or regained the focus, or the mode changes: a drag
    // in progress ends where it is.
    virtual void endGesture() {}
    // A menu of the bar is about to open.
    virtual void menuOpening(GuiMenu& menu) { (void)menu; }

    // --- building menus
    // Appends a menu titled `name` with the title's help text; returns its
    // item list.
    GuiMenu& addMenu(const char* name, const char* helpText);
    // The three view check items both modes share ("Render Keyshortcuts",
    // "Render Mouse Helptext", "Render Statusbar").
    void addCommonViewItems(GuiMenu& view);
    // The Info menu of both modes.
    void addInfoMenu();
    // Lays the title bar out again once every menu is added.
    void finishMenus();

    // True while ALT, SHIFT or CTRL are down in the key table.
    bool isKeyDown(int key) const;
    // TAB alone (no SHIFT, CTRL or ALT held).
    bool isPlainTab(int key) const;
    // A menu of the bar is open.
    bool isMenuOpen() const;

private:
    // Keys while a menu is open: false when the key is not one of them.
    bool menuKey(int key);
    // ALT + letter: false when the letter means nothing with ALT.
    bool altKey(int key);

    Workspace& workspace_;
    int number_;
    GuiContainer screen_;
    TitleBar titleBar_;
    StatusBar status_;
    LongOperations::Scope busy_;
    String helpText_;
    float pointerX_ = 0.0f;
    float pointerY_ = 0.0f;
    std::uint64_t inputEvents_ = 0;
    bool leftHeld_ = false;
    bool rightHeld_ = false;
    bool middleHeld_ = false;
    bool altHeld_ = false;
    bool renderKeyShortcuts_ = true;
};
