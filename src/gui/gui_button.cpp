#include "gui/gui_button.h"

#include "render/renderer.h"
#include "render/texture.h"

namespace {

int stateIndex(ArtState state) { return static_cast<int>(state); }

}  // namespace

GuiButton::GuiButton(const String& active, const String& over, const String& pressed, const String& disabled)
    : GuiButton(GuiArt::fromPaths(active, over, pressed, disabled)) {}

GuiButton::GuiButton(const GuiArt& art) : GuiComponent(String("GuiButton")), art_(art), font_("Arial", 12) {}

GuiButton::GuiButton(const String& caption) : GuiComponent(caption), font_("Arial", 12) {}

void GuiButton::addListener(GuiButtonListener* listener) {
    if (listener != nullptr) listeners_.push_back(listener);
}

template <typename Call>
void GuiButton::notify(Call call) {
    // A listener may add listeners; those hear the next event.
    const size_t count = listeners_.size();
    for (size_t i = 0; i < count && i < listeners_.size(); ++i) call(listeners_[i]);
}

void GuiButton::setTextRect(float left, float top, float right, float bottom) {
    hasTextRect_ = true;
    textLeft_ = left;
    textTop_ = top;
    textRight_ = right;
    textBottom_ = bottom;
}

bool GuiButton::hitTest(float x, float y) { return isVisible() && contains(x, y); }

bool GuiButton::hover(float x, float y) {
    if (!isVisible()) return false;
    if (!contains(x, y)) {
        if (isOver()) notify([this](GuiButtonListener* l) { l->exited(this); });
        setOver(false);
        setPressed(false);
        return false;
    }
    if (!isOver()) notify([this](GuiButtonListener* l) { l->entered(this); });
    setOver(true);
    notify([this](GuiButtonListener* l) { l->over(this); });
    if (isEnabled()) reportPointerState(isPressed() ? kPointerPressed : kPointerOver);
    return true;
}

bool GuiButton::mousePressed(InputIdentifier, float x, float y) {
    if (!isVisible() || !isEnabled()) return false;
    if (!contains(x, y)) setOver(false);
    if (!isOver()) return false;
    notify([this](GuiButtonListener* l) { l->pressed(this); });
    setPressed(true);
    reportPointerState(kPointerPressed);
    return true;
}

bool GuiButton::mouseReleased(InputIdentifier, float x, float y) {
    if (!isVisible() || !isEnabled()) return false;
    // A release that did not follow a press on this button is no click.
    bool click = false;
    if (!releaseWhenOver(x, y, click)) return false;
    if (click) notify([this](GuiButtonListener* l) {
        if (isEnabled()) l->released(this);
    });
    return true;
}

void GuiButton::setEnabled(bool enabled) {
    GuiComponent::setEnabled(enabled);
    applyStateHelpText();
}

void GuiButton::setFont(const String& face, int pointSize) { font_ = GuiFont(face, pointSize); }

void GuiButton::setFontIndex(int index) { font_.setIndex(index); }

void GuiButton::setCaptionColours(uint32_t active, uint32_t over, uint32_t pressed, uint32_t disabled) {
    captionColours_[stateIndex(ArtState::Active)] = active;
    captionColours_[stateIndex(ArtState::Over)] = over;
    captionColours_[stateIndex(ArtState::Pressed)] = pressed;
    captionColours_[stateIndex(ArtState::Disabled)] = disabled;
}

void GuiButton::setCaptionBackgrounds(const String& overPath, const String& pressedPath) {
    overBackground_ = loadGuiTexture(overPath);
    pressedBackground_ = loadGuiTexture(pressedPath);
}

void GuiButton::drawState(ArtState state, bool sink) {
    DxRenderer& renderer = guiRenderer();
    if (hasArt()) {
        const float drop = sink && state == ArtState::Pressed ? kPressedDrop : 0.0f;
        drawStretched(renderer, art_.texture(state), static_cast<float>(left()), static_cast<float>(top()),
                      static_cast<float>(right()), static_cast<float>(bottom()), drop);
        if (captionOverArt_) drawCaption(state);
        return;
    }
    const Texture* background = state == ArtState::Pressed ? pressedBackground_
                                : state == ArtState::Over  ? overBackground_
                                                           : nullptr;
    drawStretched(renderer, background, static_cast<float>(left()), static_cast<float>(top()),
                  static_cast<float>(right()), static_cast<float>(bottom()));
    drawCaption(state);
}

void GuiButton::drawCaption(ArtState state) {
    DxRenderer& renderer = guiRenderer();
    if (name().length() == 0 || !font_.select(renderer)) return;
    PixelRect rect{left(), top(), right(), bottom()};
    if (hasTextRect_)
        rect = PixelRect{static_cast<int>(textLeft_), static_cast<int>(textTop_), static_cast<int>(textRight_),
                         static_cast<int>(textBottom_)};
    // Centred captions sit in the middle of their rectangle; the others at
    // its top left.
    TextAlign align = TextAlign::Left;
    if (captionStyle()) {
        align = TextAlign::Centre;
        const int textHeight = renderer.measureText(name()).height;
        rect.top += (rect.height() - textHeight) / 2;
    }
    renderer.drawText(rect, name(), captionColours_[stateIndex(state)], align);
}

void GuiButton::render() {
    if (!isVisible()) return;
    const ArtState current = state();
    if (latched_ && current != ArtState::Disabled && current != ArtState::Pressed) {
        drawState(ArtState::Pressed, false);
    } else {
        drawState(current, true);
    }
    GuiComponent::render();
}

void GuiButton::renderOverLook() {
    if (isVisible()) drawState(ArtState::Over, true);
}

void GuiButton::renderPressedLook() {
    if (isVisible()) drawState(ArtState::Pressed, true);
}
