#include "gui/help_box.h"

#include "gui/gui_component.h"
#include "render/renderer.h"
#include "render/texture.h"

#include <algorithm>

namespace {

// The box's text: opaque black.
constexpr uint32_t kTextColour = 0xFF000000;
// The backgrounds are drawn from 32 × 32 pictures.
constexpr float kBackgroundArtSize = 32.0f;
// The text is laid out in a rectangle this large.
constexpr int kTextClipWidth = 1024;
constexpr int kTextClipHeight = 768;

struct TextShape {
    int lines = 0;
    int longest = 0;
};

TextShape shapeOf(const String& text) {
    TextShape shape{1, 0};
    int current = 0;
    for (int i = 0; i < text.length(); ++i) {
        if (text.text()[i] == '\n') {
            ++shape.lines;
            current = 0;
        } else {
            shape.longest = std::max(shape.longest, ++current);
        }
    }
    return shape;
}

}  // namespace

HelpBox& HelpBox::instance() {
    static HelpBox box;
    return box;
}

HelpBox::HelpBox() : font_("Arial", 10) {}

void HelpBox::show(const String& text, float pointerX, float pointerY) {
    anchorX_ = pointerX + kAnchorOffsetX;
    anchorY_ = pointerY + kAnchorOffsetY;
    if (locked_) return;
    if (text.length() == 0) {
        visible_ = false;
        return;
    }
    text_ = text.length() <= GuiComponent::kMaxTextLength ? text : String(GuiComponent::kMaxTextLength, text.text());
    const TextShape shape = shapeOf(text_);
    place(shape.lines, shape.longest);
    visible_ = true;
}

void HelpBox::place(int lineCount, int longestLine) {
    boxLeft_ = anchorX_ - 6.0f;
    boxTop_ = anchorY_ - 28.0f;
    boxRight_ = anchorX_ + static_cast<float>(longestLine) * kCharacterWidth;
    boxBottom_ = anchorY_ - 5.0f + kLineHeight * static_cast<float>(lineCount - 1);

    const DxRenderer& renderer = guiRenderer();
    const float screenWidth = static_cast<float>(renderer.width());
    const float screenHeight = static_cast<float>(renderer.height());
    float shiftLeft = 0.0f;
    float shiftDown = 0.0f;
    if (screenWidth > 0.0f && boxRight_ > screenWidth) shiftLeft = boxRight_ - screenWidth;
    if (boxTop_ < 0.0f) shiftDown = -boxTop_;
    if (screenHeight > 0.0f && boxBottom_ + shiftDown > screenHeight - kBottomMargin)
        shiftDown -= boxBottom_ + shiftDown - (screenHeight - kBottomMargin);

    boxLeft_ -= shiftLeft;
    boxRight_ -= shiftLeft;
    boxTop_ += shiftDown;
    boxBottom_ += shiftDown;
    textX_ = anchorX_ - shiftLeft;
    textY_ = anchorY_ + shiftDown - 25.0f;
}

const char* HelpBox::backgroundFile() const {
    const GuiPointerSink* pointer = guiContext().pointer;
    if (pointer != nullptr && pointer->isCursorPressed())
        return "data/gui/general/backgrounds/helptextbackgroundpressed.dds";
    if (pointer != nullptr && pointer->isCursorOver())
        return "data/gui/general/backgrounds/helptextbackgroundover.dds";
    return "data/gui/general/backgrounds/helptextbackgrounddisabled.dds";
}

void HelpBox::render() {
    if (!enabled_ || !visible_ || text_.length() == 0) return;
    // Looked up every time: the texture manager keeps loaded art by path.
    const Texture* background = loadGuiTexture(String(backgroundFile()));

    DxRenderer& renderer = guiRenderer();
    if (background != nullptr) {
        const D3DXMATRIX previous = renderer.spriteTransform();
        renderer.setSpriteTransform((boxRight_ - boxLeft_) / kBackgroundArtSize,
                                    (boxBottom_ - boxTop_) / kBackgroundArtSize, 0.0f, boxLeft_, boxTop_);
        renderer.drawSprite(background, D3DXVECTOR2(0.0f, 0.0f));
        renderer.setSpriteTransform(previous);
    }
    if (!font_.select(renderer)) return;
    const int x = static_cast<int>(textX_);
    const int y = static_cast<int>(textY_);
    renderer.drawText(PixelRect{x, y, x + kTextClipWidth, y + kTextClipHeight}, text_, kTextColour);
}
