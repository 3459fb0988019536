// WorkspaceMode: what the 2D mode and the transformation mode share. A mode
// receives every event of the application while it is current, owns a
// status bar, keeps the input state its screen works with (pointer, buttons
// held, the ALT state), the help text beside the pointer and the check marks
// of its menu bar, and draws its part of each frame.
//
// A mode is also the status sink of the file commands that run while it is
// current: the status text and progress go to its status bar, the busy state
// to its ready flag and the pointer, and frames are drawn by the application.
#pragma once

#include "app/shell/status_bar.h"
#include "core/string.h"
#include "platform/input_identifiers.h"
#include "project/status_sink.h"

#include <map>
#include <string>

class ApplicationMain;
class DxRenderer;

class WorkspaceMode : public StatusSink {
public:
    // `number` is the mode's number in the workspace (1 = 2D, 2 = transformation).
    WorkspaceMode(ApplicationMain& application, int number);
    ~WorkspaceMode() override = default;
    WorkspaceMode(const WorkspaceMode&) = delete;
    WorkspaceMode& operator=(const WorkspaceMode&) = delete;

    int number() const { return number_; }

    // --- life cycle
    // The mode becomes current.
    virtual void enter();
    // Another mode is about to become current: a drag in progress ends.
    virtual void leave();
    // Takes over the settings once the configuration has been applied.
    virtual void applySettings();
    // Updates and draws the mode's part of a frame: begins the scene
    // (cleared to the background colour) and draws the status bar in a
    // sprite batch, leaving batch and scene open for the application's
    // overlays.
    virtual void frame();
    // Around a device reset (the textures come back by themselves).
    virtual void onDeviceLost() {}
    virtual void onDeviceReset() {}

    // --- events, in back-buffer pixels
    // True when the mode knows the command.
    virtual bool onMenuCommand(const String& text);
    virtual void onCommand(int number);
    virtual void onKeyDown(int key);
    virtual void onKeyUp(int key);
    virtual void onMouseDown(InputIdentifier button, float x, float y);
    virtual void onMouseDoubleClick(InputIdentifier button, float x, float y);
    virtual void onMouseUp(InputIdentifier button, float x, float y);
    virtual void onMouseMove(float x, float y);
    virtual void onMiddleDown();
    virtual void onMiddleUp();
    virtual void onMouseWheel(int step);

    // --- input state
    // Forgets the buttons held, ending any drag in progress.
    void dropGesture();
    // A drag is in progress (a button went down and has not come up).
    bool isGestureActive() const { return leftHeld_ || rightHeld_ || middleHeld_; }
    // The menu-shortcut state entered by pressing ALT is on.
    bool isAltPending() const { return altHeld_; }
    void clearAltState() { altHeld_ = false; }
    // Whether shortcut letters are drawn beside the controls.
    void setRenderKeyShortcuts(bool render) { renderKeyShortcuts_ = render; }
    bool rendersKeyShortcuts() const { return renderKeyShortcuts_; }
    float pointerX() const { return pointerX_; }
    float pointerY() const { return pointerY_; }

    // --- the help text beside the pointer
    const String& helpText() const { return helpText_; }
    void setHelpText(const String& text) { helpText_ = text; }
    void clearHelpText() { helpText_ = String(); }

    // --- check marks of the mode's menu bar, by menu name and item label
    void setItemChecked(const String& menu, const String& label, bool checked);
    // -1 when the item was never set, else 0 or 1.
    int itemChecked(const char* menu, const char* label) const;

    StatusBar& statusBar() { return status_; }
    const StatusBar& statusBar() const { return status_; }

    // --- StatusSink
    void setStatus(const String& text) override;
    void setProgress(float percent) override;
    // Busy: ready flag cleared and the wait pointer; not busy: ready flag set
    // and the arrow.
    void setBusy(bool busy) override;
    // Draws one frame of the application.
    void drawFrame() override;
    void refuse(const String& helpText) override;
    void clearKeyTable() override;

protected:
    ApplicationMain& application() const { return application_; }
    // TAB alone (no SHIFT, CTRL or ALT held).
    bool isPlainTab(int key) const;

private:
    ApplicationMain& application_;
    int number_;
    StatusBar status_;
    String helpText_;
    std::map<std::string, bool> checks_;
    float pointerX_ = 0.0f;
    float pointerY_ = 0.0f;
    bool leftHeld_ = false;
    bool rightHeld_ = false;
    bool middleHeld_ = false;
    bool altHeld_ = false;
    bool renderKeyShortcuts_ = true;
};
