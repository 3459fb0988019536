#include "gui/gui_label.h"

#include "core/logger.h"
#include "render/renderer.h"
#include "render/sprite_batch.h"

GuiLabel::GuiLabel(const String& text) : GuiComponent(String("Label")), text_(text), font_("Arial", 12) {}

void GuiLabel::setFont(const String& face, int pointSize, bool italic) {
    font_ = GuiFont(face, pointSize, italic);
    fontFailureLogged_ = false;
}

void GuiLabel::setFontIndex(int index) {
    font_.setIndex(index);
    fontFailureLogged_ = false;
}

void GuiLabel::setColour(unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha) {
    colour_ = argbColour(red, green, blue, alpha);
}

void GuiLabel::render() {
    if (!isVisible()) return;
    DxRenderer& renderer = guiRenderer();
    if (text_.length() > 0) {
        if (font_.select(renderer)) {
            renderer.drawText(PixelRect{left(), top(), right(), bottom()}, text_, colour_, align_);
        } else if (!fontFailureLogged_) {
            // Once per label: the failure would repeat every frame.
            Logger::instance().error(String("UILabel::render()"), String("Could not load font"));
            fontFailureLogged_ = true;
        }
    }
    GuiComponent::render();
}
