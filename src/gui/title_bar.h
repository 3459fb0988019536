// TitleBar: the bar across the top of the window that both modes share. It
// holds the mode's menu bar at the left, the grip that moves the window, and
// the four window buttons at the right: resize, minimise, maximise and close.
//
// Window drags. Pressing the grip and dragging moves the window; pressing the
// resize button and dragging sizes it (the back buffer keeps its size; the
// picture is scaled into the window). The keyboard starts the same drags
// (ALT+Q, ALT+W): the pointer is put on the grip or the resize button and the
// window follows the mouse until the next click. ESC ends a drag and puts the
// window back where it was.
#pragma once

#include "gui/gui_button.h"
#include "gui/gui_container.h"
#include "gui/gui_listeners.h"
#include "gui/gui_menu.h"
#include "gui/workspace.h"

class TitleBar : public GuiContainer, private GuiButtonListener {
public:
    // Height of the bar in pixels.
    static constexpr int kHeight = 30;
    // The window is never made smaller than this by a drag.
    static constexpr int kLeastWindowWidth = 320;
    static constexpr int kLeastWindowHeight = 200;

    enum class Drag { None, Move, Scale };

    // A bar `width` pixels wide whose menus report to `menus`.
    TitleBar(Workspace& workspace, GuiMenuListener& menus, int width);

    GuiMenu& menuBar() const { return *menuBar_; }
    // Lays out the bar again after titles were added to the menu bar.
    void layout();

    // --- the window buttons
    GuiButton& resizeButton() const { return *resize_; }
    GuiButton& minimiseButton() const { return *minimise_; }
    GuiButton& maximiseButton() const { return *maximise_; }
    GuiButton& closeButton() const { return *close_; }
    // ALT+E, ALT+R, ALT+T: what a click on the button does.
    void minimise();
    void maximise();
    void close();

    // --- window drags
    Drag drag() const { return drag_; }
    // ALT+Q / ALT+W: the pointer goes to the middle of the grip (the resize
    // button) and the window follows the mouse until the next click.
    void startKeyboardMove();
    void startKeyboardScale();
    // The pointer moved to (x, y) while a drag runs: the window follows.
    // False when no drag runs.
    bool followDrag(float x, float y);
    // ESC: the drag ends and the window goes back to where it was. False
    // when no drag ran.
    bool cancelDrag();
    // The drag ends where it is.
    void endDrag() { drag_ = Drag::None; }

    // --- events (the mode offers every event to the bar first)
    bool mousePressed(InputIdentifier button, float x, float y) override;
    bool mouseReleased(InputIdentifier button, float x, float y) override;
    void render() override;

    // The help text while ALT is held.
    static const char* altHelpText();

private:
    class Grip;

    void pressed(GuiButton* button) override;
    void released(GuiButton* button) override;
    void startDrag(Drag drag, float x, float y, bool byKeyboard);
    float screenX(float x) const;
    float screenY(float y) const;

    Workspace& workspace_;
    int width_;
    GuiMenu* menuBar_ = nullptr;
    Grip* grip_ = nullptr;
    GuiButton* resize_ = nullptr;
    GuiButton* minimise_ = nullptr;
    GuiButton* maximise_ = nullptr;
    GuiButton* close_ = nullptr;
    Texture* background_ = nullptr;

    Drag drag_ = Drag::None;
    bool dragByKeyboard_ = false;
    WindowFrame dragStartFrame_;
    float dragStartX_ = 0.0f;  // desktop pixels of the pointer at the start
    float dragStartY_ = 0.0f;
};
