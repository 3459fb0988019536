#include "gui/gui_checkbox.h"

#include "gui/gui_art.h"
#include "render/renderer.h"

namespace {

Texture* artFile(const String& folder, const char* file) {
    return loadGuiTexture(String(folder).append('/').append(String(file)));
}

}  // namespace

GuiCheckbox::GuiCheckbox(const String& folder)
    : GuiComponent(String("Checkbox")),
      unchecked_(artFile(folder, "unchecked.dds")),
      uncheckedOver_(artFile(folder, "uncheckedover.dds")),
      uncheckedPressed_(artFile(folder, "uncheckedpressed.dds")),
      checkedArt_(artFile(folder, "checked.dds")),
      disabled_(artFile(folder, "disabled.dds")) {}

void GuiCheckbox::addListener(GuiCheckboxListener* listener) {
    if (listener != nullptr) listeners_.push_back(listener);
}

bool GuiCheckbox::hitTest(float x, float y) { return isVisible() && contains(x, y); }

bool GuiCheckbox::hover(float x, float y) {
    if (!isVisible() || !followPointer(x, y)) return false;
    for (GuiCheckboxListener* listener : std::vector<GuiCheckboxListener*>(listeners_)) listener->over(this);
    if (isEnabled()) reportPointerState(isPressed() ? kPointerPressed : kPointerOver);
    return true;
}

bool GuiCheckbox::mousePressed(InputIdentifier, float x, float y) {
    if (!isVisible() || !isEnabled()) return false;
    if (!pressWhenOver(x, y)) return false;
    reportPointerState(kPointerPressed);
    return true;
}

bool GuiCheckbox::mouseReleased(InputIdentifier, float x, float y) {
    if (!isVisible() || !isEnabled()) return false;
    bool click = false;
    if (!releaseWhenOver(x, y, click)) return false;
    if (!click) return true;
    checked_ = !checked_;
    const bool nowChecked = checked_;
    for (GuiCheckboxListener* listener : std::vector<GuiCheckboxListener*>(listeners_)) {
        if (nowChecked)
            listener->checked(this);
        else
            listener->unchecked(this);
    }
    return true;
}

void GuiCheckbox::setEnabled(bool enabled) {
    GuiComponent::setEnabled(enabled);
    applyStateHelpText();
}

Texture* GuiCheckbox::currentTexture(float& drop) const {
    drop = 0.0f;
    if (!isEnabled()) return disabled_;
    if (checked_) {
        // There is no separate checked-pressed picture: the checked one sinks.
        if (isPressed()) drop = kPressedDrop;
        return checkedArt_;
    }
    if (isPressed()) return uncheckedPressed_;
    if (isOver()) return uncheckedOver_;
    return unchecked_;
}

void GuiCheckbox::render() {
    if (!isVisible()) return;
    float drop = 0.0f;
    Texture* texture = currentTexture(drop);
    drawStretched(guiRenderer(), texture, static_cast<float>(left()), static_cast<float>(top()),
                  static_cast<float>(right()), static_cast<float>(bottom()), drop);
    GuiComponent::render();
}
