#include "gui/gui_component.h"

#include "gui/gui_label.h"
#include "render/renderer.h"
#include "render/texture_manager.h"

namespace {

String limited(const String& text) {
    if (text.length() <= GuiComponent::kMaxTextLength) return text;
    return String(GuiComponent::kMaxTextLength, text.text());
}

String joinPath(const String& directory, const String& relative) {
    String path = directory;
    if (path.length() > 0) {
        const char last = path.text()[path.length() - 1];
        if (last != '/' && last != '\\') path.append('/');
    }
    return path.append(relative);
}

}  // namespace

GuiContext& guiContext() {
    static GuiContext context;
    return context;
}

DxRenderer& guiRenderer() {
    DxRenderer* renderer = guiContext().renderer;
    return renderer != nullptr ? *renderer : DxRenderer::instance();
}

Texture* loadGuiTexture(const String& relativePath) {
    GuiContext& context = guiContext();
    if (context.textures == nullptr || relativePath.length() == 0) return nullptr;
    Texture* texture = context.textures->load(joinPath(context.applicationDirectory, relativePath));
    return texture != nullptr && !texture->isEmpty() ? texture : nullptr;
}

void reportPointerState(int kind) {
    if (GuiPointerSink* sink = guiContext().pointer) sink->setCursor(kind);
}

// ------------------------------------------------------------------ GuiComponent --

GuiComponent::GuiComponent(const String& name)
    : name_(limited(name)), helpText_("Description not set"), enabledHelpText_("Not Set"),
      disabledHelpText_("Not Set") {}

GuiComponent::~GuiComponent() = default;

void GuiComponent::setBounds(int left, int top, int bottom, int right) {
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
    if (shortcutLabel_) {
        const int x = left + shortcutX_;
        const int y = top + shortcutY_;
        shortcutLabel_->setBounds(x, y, y + 50, x + 50);
    }
}

void GuiComponent::setRect(int left, int top, int right, int bottom) { setBounds(left, top, bottom, right); }

void GuiComponent::setTextRect(float, float, float, float) {}
bool GuiComponent::mousePressed(InputIdentifier, float, float) { return false; }
bool GuiComponent::mouseDoubleClicked() { return false; }
bool GuiComponent::mouseMoved(float, float) { return false; }
bool GuiComponent::mouseReleased(InputIdentifier, float, float) { return false; }
bool GuiComponent::hover(float, float) { return false; }
bool GuiComponent::mouseWheel(int) { return false; }
bool GuiComponent::hitTest(float, float) { return false; }

void GuiComponent::setEnabled(bool enabled) { enabled_ = enabled; }

bool GuiComponent::isEnabled() const { return enabled_; }

void GuiComponent::render() {
    if (shortcutLabel_ && showShortcut_ && guiContext().renderKeyShortcuts && enabled_) shortcutLabel_->render();
}

void GuiComponent::renderOverLook() {}
void GuiComponent::renderPressedLook() {}
void GuiComponent::renderText() {}
void GuiComponent::renderOverlay() {}
void GuiComponent::resetState() {
    setOver(false);
    setPressed(false);
}

void GuiComponent::setShowShortcut(bool show) { showShortcut_ = show; }

void GuiComponent::setHelpText(const String& text) {
    enabledHelpText_ = limited(text);
    if (enabled_) helpText_ = enabledHelpText_;
}

void GuiComponent::setDisabledHelpText(const String& text) {
    disabledHelpText_ = limited(text);
    if (!enabled_) helpText_ = disabledHelpText_;
}

void GuiComponent::setCurrentHelpText(const String& text) { helpText_ = limited(text); }

void GuiComponent::applyStateHelpText() { helpText_ = enabled_ ? enabledHelpText_ : disabledHelpText_; }

void GuiComponent::setShortcutLabel(const String& text, int offsetX, int offsetY) {
    shortcutX_ = offsetX;
    shortcutY_ = offsetY;
    shortcutLabel_ = std::make_unique<GuiLabel>(text);
    shortcutLabel_->setFont("Arial", 8);
    shortcutLabel_->setColour(shortcutColour_[0], shortcutColour_[1], shortcutColour_[2]);
    const int x = left_ + offsetX;
    const int y = top_ + offsetY;
    shortcutLabel_->setBounds(x, y, y + 50, x + 50);
}

void GuiComponent::setShortcutColour(unsigned char red, unsigned char green, unsigned char blue) {
    shortcutColour_[0] = red;
    shortcutColour_[1] = green;
    shortcutColour_[2] = blue;
    if (shortcutLabel_) shortcutLabel_->setColour(red, green, blue);
}

void GuiComponent::setDisabledColour(unsigned char red, unsigned char green, unsigned char blue) {
    disabledColour_[0] = red;
    disabledColour_[1] = green;
    disabledColour_[2] = blue;
}

void GuiComponent::setName(const String& name) { name_ = limited(name); }

bool GuiComponent::contains(float x, float y) const {
    return x >= static_cast<float>(left_) && x <= static_cast<float>(right_) && y >= static_cast<float>(top_) &&
           y <= static_cast<float>(bottom_);
}

void GuiComponent::setScale(float scaleX, float scaleY) {
    scaleX_ = scaleX;
    scaleY_ = scaleY;
}

bool GuiComponent::pressWhenOver(float x, float y) {
    if (!contains(x, y)) setOver(false);
    if (!isOver()) return false;
    setPressed(true);
    return true;
}

bool GuiComponent::followPointer(float x, float y) {
    const bool on = contains(x, y);
    setOver(on);
    if (!on) setPressed(false);
    return on;
}

bool GuiComponent::releaseWhenOver(float x, float y, bool& click) {
    click = false;
    if (!contains(x, y)) setOver(false);
    if (!isOver()) return false;
    click = isPressed();
    setPressed(false);
    return true;
}
