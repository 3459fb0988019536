// GuiComponent: the base of every widget the program draws in its 3D view. A
// component is a rectangle in back-buffer pixels with a name, help texts,
// four flags, an optional keyboard-shortcut label, and twenty virtual
// operations through which its container hands it pointer events and asks it
// to draw.
//
// The GUI does not know the application. What it needs from it (the
// renderer, the art, the application directory and the receiver of the
// pointer state) is gathered in the process-wide GuiContext, which the
// application fills at start-up.
#pragma once

#include "core/string.h"
#include "platform/input_identifiers.h"

#include <memory>

class DxRenderer;
class GuiContainer;
class GuiLabel;
class Texture;
class TextureManager;

// Pointer states a widget reports: the application draws its pointer after
// them (other kinds are the modes' own pointers).
inline constexpr int kPointerNormal = 0;
inline constexpr int kPointerOver = 1;
inline constexpr int kPointerPressed = 2;

// The receiver of the pointer state: the application object.
class GuiPointerSink {
public:
    virtual ~GuiPointerSink() = default;
    // Chooses the pointer kind (0 normal, 1 over an active element, 2
    // pressed, or a kind of the modes).
    virtual void setCursor(int kind) = 0;
    // True while the pointer shows a pressed mouse button.
    virtual bool isCursorPressed() const = 0;
    // True while the pointer shows it is over an active element.
    virtual bool isCursorOver() const = 0;
};

// What the GUI uses of the application. Every member may stay unset: then
// widgets draw with DxRenderer::instance(), load no art, and report the
// pointer state to nobody.
struct GuiContext {
    DxRenderer* renderer = nullptr;
    // Loads the art; art paths are relative to applicationDirectory. Widgets
    // keep the textures they loaded, so they must not outlive the manager.
    TextureManager* textures = nullptr;
    // Folder of the program, with or without a trailing slash.
    String applicationDirectory;
    GuiPointerSink* pointer = nullptr;
    // Whether shortcut labels are drawn at all ("Render Keyshortcuts").
    bool renderKeyShortcuts = true;
};

// The process-wide context (created on first use).
GuiContext& guiContext();
// The renderer of the context, else DxRenderer::instance().
DxRenderer& guiRenderer();
// The art file at `relativePath` (forward slashes, relative to the
// application directory) through the context's texture manager. Null when no
// manager is set or the file could not be loaded.
Texture* loadGuiTexture(const String& relativePath);
// Passes a pointer kind to the context's pointer sink (if any).
void reportPointerState(int kind);

class GuiComponent {
public:
    // Longest name and help text kept; longer texts are cut.
    static constexpr int kMaxTextLength = 2000;

    // A component named `name` with the rectangle (0, 0, 100, 20), all four
    // flags on, help text "Description not set" and both state help texts
    // "Not Set".
    explicit GuiComponent(const String& name);
    // Deletes the shortcut label.
    virtual ~GuiComponent();
    GuiComponent(const GuiComponent&) = delete;
    GuiComponent& operator=(const GuiComponent&) = delete;

    // --- the twenty operations, in slot order (slot 0 is the destructor) ---
    // Stores the rectangle and moves the shortcut label to (left + offset x,
    // top + offset y). Note the argument order: bottom before right.
    virtual void setBounds(int left, int top, int bottom, int right);
    // As setBounds with the arguments in reading order.
    virtual void setRect(int left, int top, int right, int bottom);
    // Where a captioned widget draws its caption; nothing here.
    virtual void setTextRect(float left, float top, float right, float bottom);
    // Pointer events in back-buffer pixels; each returns true when the
    // component handled the event. Nothing here.
    virtual bool mousePressed(InputIdentifier button, float x, float y);
    virtual bool mouseDoubleClicked();
    virtual bool mouseMoved(float x, float y);
    virtual bool mouseReleased(InputIdentifier button, float x, float y);
    // Called on every pointer move; true when the pointer is over the
    // component. False here.
    virtual bool hover(float x, float y);
    // Signed wheel amount; true when taken. False here.
    virtual bool mouseWheel(int delta);
    // True when (x, y) lies on the component. False here; widgets test
    // their rectangle with the edges included.
    virtual bool hitTest(float x, float y);
    // Sets the enabled flag; widgets also switch the current help text.
    virtual void setEnabled(bool enabled);
    virtual bool isEnabled() const;
    // Draws the shortcut label when there is one, the show-shortcut flag and
    // the context's renderKeyShortcuts are on and the component is enabled.
    // Call inside a sprite batch.
    virtual void render();
    // Draw the over or pressed look whatever the state; nothing here.
    virtual void renderOverLook();
    virtual void renderPressedLook();
    virtual void renderText();
    virtual void renderOverlay();
    // Forgets over and pressed (widgets with more state forget that too).
    virtual void resetState();
    virtual void setShowShortcut(bool show);
    // ESC during a drag of the component (a slider's knob): the drag ends and
    // what it changed is put back. True when there was one. Nothing here.
    virtual bool cancelPointerDrag() { return false; }

    // --- help texts ---
    // The text for the enabled state; becomes the current text while enabled.
    void setHelpText(const String& text);
    // The text for the disabled state; becomes the current text while disabled.
    void setDisabledHelpText(const String& text);
    // The text shown for the component now.
    const String& helpText() const { return helpText_; }
    const String& enabledHelpText() const { return enabledHelpText_; }
    const String& disabledHelpText() const { return disabledHelpText_; }
    // Replaces the current text alone (containers copy their children's).
    void setCurrentHelpText(const String& text);

    // --- shortcut label ---
    // Shows `text` (font "Arial" 8 points, the shortcut colour) at (x, y)
    // from the component's top left corner, in a 50 × 50 box. Replaces an
    // earlier label.
    void setShortcutLabel(const String& text, int offsetX, int offsetY);
    GuiLabel* shortcutLabel() const { return shortcutLabel_.get(); }
    void setShortcutColour(unsigned char red, unsigned char green, unsigned char blue);
    void setDisabledColour(unsigned char red, unsigned char green, unsigned char blue);
    bool showsShortcut() const { return showShortcut_; }

    // --- state ---
    const String& name() const { return name_; }
    void setName(const String& name);
    GuiContainer* parent() const { return parent_; }
    int left() const { return left_; }
    int top() const { return top_; }
    int right() const { return right_; }
    int bottom() const { return bottom_; }
    int width() const { return right_ - left_; }
    int height() const { return bottom_ - top_; }
    // True when (x, y) lies inside the rectangle, edges included.
    bool contains(float x, float y) const;
    bool isVisible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }
    bool captionStyle() const { return captionStyle_; }
    void setCaptionStyle(bool on) { captionStyle_ = on; }
    // The flag widgets use for a purpose of their own.
    bool customFlag() const { return customFlag_; }
    void setCustomFlag(bool on) { customFlag_ = on; }
    bool isOver() const { return over_; }
    bool isPressed() const { return pressed_; }
    // Scale factors of the background art (1.0 at start).
    float scaleX() const { return scaleX_; }
    float scaleY() const { return scaleY_; }
    void setScale(float scaleX, float scaleY);

protected:
    // The two halves of a click, for a visible and enabled widget: a press
    // counts only while the pointer is over the widget (it marks the widget
    // pressed), and a release there is a click only when the press began on
    // it too. Each returns false when the event is not the widget's.
    bool pressWhenOver(float x, float y);
    bool releaseWhenOver(float x, float y, bool& click);
    // Marks the widget over while (x, y) lies on it; off it, forgets over
    // and pressed. True when the point lies on it.
    bool followPointer(float x, float y);

    // Makes the current help text the enabled or the disabled one, after the
    // enabled flag.
    void applyStateHelpText();
    void setOver(bool over) { over_ = over; }
    void setPressed(bool pressed) { pressed_ = pressed; }

private:
    friend class GuiContainer;

    GuiContainer* parent_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int right_ = 100;
    int bottom_ = 20;
    float scaleX_ = 1.0f;
    float scaleY_ = 1.0f;
    String name_;
    String helpText_;
    String enabledHelpText_;
    String disabledHelpText_;
    bool captionStyle_ = true;
    bool visible_ = true;
    bool enabled_ = true;
    bool customFlag_ = true;
    std::unique_ptr<GuiLabel> shortcutLabel_;
    int shortcutX_ = 0;
    int shortcutY_ = 0;
    unsigned char shortcutColour_[3] = {255, 255, 255};
    unsigned char disabledColour_[3] = {192, 192, 192};
    bool showShortcut_ = true;
    bool over_ = false;
    bool pressed_ = false;
};
