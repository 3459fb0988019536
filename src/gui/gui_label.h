// GuiLabel: a text drawn with its font and colour inside its rectangle.
#pragma once

#include "gui/gui_art.h"
#include "gui/gui_component.h"
#include "render/font.h"

class GuiLabel : public GuiComponent {
public:
    // A label named "Label" showing `text` in "Arial" 12 points, opaque white.
    explicit GuiLabel(const String& text = String());

    void setText(const String& text) { text_ = text; }
    const String& text() const { return text_; }
    // Face and size of the font (made in the renderer's cache on first draw).
    void setFont(const String& face, int pointSize, bool italic = false);
    // A font the renderer already has.
    void setFontIndex(int index);
    // 0xAARRGGBB.
    void setColour(uint32_t argb) { colour_ = argb; }
    void setColour(unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha = 255);
    uint32_t colour() const { return colour_; }
    void setAlign(TextAlign align) { align_ = align; }

    // When visible: the text inside the rectangle, then the shortcut label.
    // A font that cannot be made is logged once and the text is not drawn.
    void render() override;

private:
    String text_;
    GuiFont font_;
    uint32_t colour_ = 0xFFFFFFFF;
    TextAlign align_ = TextAlign::Left;
    bool fontFailureLogged_ = false;
};
