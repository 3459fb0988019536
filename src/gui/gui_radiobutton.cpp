#include "gui/gui_radiobutton.h"

#include "render/renderer.h"

GuiRadiobutton::GuiRadiobutton(const String& folder)
    : GuiComponent(String("Radiobutton")), art_(GuiArt::fromFolder(folder)) {}

void GuiRadiobutton::addListener(GuiRadiobuttonListener* listener) {
    if (listener != nullptr) listeners_.push_back(listener);
}

bool GuiRadiobutton::hitTest(float x, float y) { return isVisible() && contains(x, y); }

bool GuiRadiobutton::hover(float x, float y) {
    if (!isVisible() || !followPointer(x, y)) return false;
    if (isEnabled()) {
        // A chosen button has nothing more to offer.
        const int state = selected_ ? kPointerNormal : isPressed() ? kPointerPressed : kPointerOver;
        reportPointerState(state);
    }
    for (GuiRadiobuttonListener* listener : std::vector<GuiRadiobuttonListener*>(listeners_)) listener->over(this);
    return true;
}

bool GuiRadiobutton::mousePressed(InputIdentifier, float x, float y) {
    if (!isVisible() || !isEnabled()) return false;
    if (!pressWhenOver(x, y)) return false;
    if (!selected_) reportPointerState(kPointerPressed);
    return true;
}

bool GuiRadiobutton::mouseReleased(InputIdentifier, float x, float y) {
    if (!isVisible() || !isEnabled()) return false;
    bool click = false;
    if (!releaseWhenOver(x, y, click)) return false;
    if (!click) return true;
    selected_ = true;
    for (GuiRadiobuttonListener* listener : std::vector<GuiRadiobuttonListener*>(listeners_)) listener->selected(this);
    return true;
}

void GuiRadiobutton::setEnabled(bool enabled) {
    GuiComponent::setEnabled(enabled);
    applyStateHelpText();
}

void GuiRadiobutton::render() {
    if (!isVisible()) return;
    // The chosen button keeps the pressed picture, level with the others;
    // a button being pressed sinks.
    ArtState state = artStateOf(isEnabled(), isOver(), isPressed());
    float drop = state == ArtState::Pressed ? kPressedDrop : 0.0f;
    if (selected_ && state != ArtState::Disabled) {
        state = ArtState::Pressed;
        if (!isPressed()) drop = 0.0f;
    }
    DxRenderer& renderer = guiRenderer();
    drawStretched(renderer, art_.texture(state), static_cast<float>(left()), static_cast<float>(top()),
                  static_cast<float>(right()), static_cast<float>(bottom()), drop);
    if (caption_.length() > 0 && font_.select(renderer)) {
        const int textHeight = renderer.lineHeight();
        const int y = top() + (height() - textHeight) / 2 + static_cast<int>(drop);
        const uint32_t colour = state == ArtState::Disabled ? 0xFFA0A0A8u : 0xFFFFFFFFu;
        renderer.drawText(PixelRect{left(), y, right(), bottom()}, caption_, colour, TextAlign::Centre);
    }
    GuiComponent::render();
}
