// HelpBox: the one box beside the mouse pointer that explains what lies under
// it. Containers show their children's help texts in it while the pointer
// moves; the application draws it last in the GUI's sprite batch.
#pragma once

#include "core/string.h"
#include "gui/gui_art.h"

class Texture;

class HelpBox {
public:
    // Where the text begins relative to the pointer.
    static constexpr float kAnchorOffsetX = 26.0f;
    static constexpr float kAnchorOffsetY = 42.0f;
    // Width of one character and height of one line, in pixels.
    static constexpr float kCharacterWidth = 6.4f;
    static constexpr float kLineHeight = 16.0f;
    // Room kept free at the bottom of the screen (the status bar).
    static constexpr float kBottomMargin = 25.0f;

    // The process's box (created on first use).
    static HelpBox& instance();

    // Shows `text` beside the pointer at (x, y), keeping the box on the
    // screen. While locked only the anchor follows the pointer. An empty text
    // hides the box.
    void show(const String& text, float pointerX, float pointerY);
    void hide() { visible_ = false; }
    // Draws background and text (inside a sprite batch). Nothing while the
    // box is disabled, hidden or empty.
    void render();

    // "Render Mouse Helptext": a disabled box draws nothing.
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool isEnabled() const { return enabled_; }
    // While locked the box keeps its place and text.
    void setLocked(bool locked) { locked_ = locked; }
    bool isLocked() const { return locked_; }
    bool isVisible() const { return visible_; }
    const String& text() const { return text_; }

    // Geometry of the last show().
    float anchorX() const { return anchorX_; }
    float anchorY() const { return anchorY_; }
    float boxLeft() const { return boxLeft_; }
    float boxTop() const { return boxTop_; }
    float boxRight() const { return boxRight_; }
    float boxBottom() const { return boxBottom_; }
    // Top left corner of the text.
    float textX() const { return textX_; }
    float textY() const { return textY_; }

private:
    HelpBox();
    void place(int lineCount, int longestLine);
    // The background for the pointer state the application reports.
    const char* backgroundFile() const;

    String text_;
    bool visible_ = false;
    bool enabled_ = true;
    bool locked_ = false;
    float anchorX_ = 0.0f;
    float anchorY_ = 0.0f;
    float boxLeft_ = 0.0f;
    float boxTop_ = 0.0f;
    float boxRight_ = 0.0f;
    float boxBottom_ = 0.0f;
    float textX_ = 0.0f;
    float textY_ = 0.0f;
    GuiFont font_;
};
