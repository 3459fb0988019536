#include "gui/gui_image.h"

#include "gui/gui_art.h"
#include "render/renderer.h"

GuiImage::GuiImage(Texture* texture) : GuiComponent(String("GuiImage")), texture_(texture) {}

GuiImage::GuiImage(const String& path) : GuiComponent(String("Image")), texture_(loadGuiTexture(path)) {}

void GuiImage::addListener(GuiImageListener* listener) {
    if (listener != nullptr) listeners_.push_back(listener);
}

bool GuiImage::hitTest(float x, float y) { return isVisible() && contains(x, y); }

bool GuiImage::hover(float x, float y) {
    if (!isVisible() || !contains(x, y)) {
        setOver(false);
        setPressed(false);
        return false;
    }
    setOver(true);
    if (isEnabled() && !listeners_.empty()) reportPointerState(isPressed() ? kPointerPressed : kPointerOver);
    return true;
}

bool GuiImage::mousePressed(InputIdentifier, float x, float y) {
    if (!isVisible() || !isEnabled() || listeners_.empty()) return false;
    if (!pressWhenOver(x, y)) return false;
    reportPointerState(kPointerPressed);
    return true;
}

bool GuiImage::mouseReleased(InputIdentifier, float x, float y) {
    if (!isVisible() || !isEnabled() || listeners_.empty()) return false;
    bool click = false;
    if (!releaseWhenOver(x, y, click)) return false;
    if (click)
        for (GuiImageListener* listener : std::vector<GuiImageListener*>(listeners_)) listener->clicked(this);
    return true;
}

void GuiImage::render() {
    if (!isVisible()) return;
    drawStretched(guiRenderer(), texture_, static_cast<float>(left()), static_cast<float>(top()),
                  static_cast<float>(right()), static_cast<float>(bottom()));
    GuiComponent::render();
}
