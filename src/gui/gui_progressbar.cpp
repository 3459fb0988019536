#include "gui/gui_progressbar.h"

#include "core/logger.h"
#include "render/renderer.h"
#include "render/texture.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
// Where the texts sit: from the left edge, and from the vertical middle.
constexpr float kTextIndent = 25.0f;
constexpr float kPercentBelowMiddle = 4.0f;
constexpr float kCaptionAboveMiddle = 20.0f;

}  // namespace

GuiProgressbar::GuiProgressbar()
    : GuiComponent(String("Progressbar")),
      caption_("Nothing"),
      font_("Arial", 10),
      back_(loadGuiTexture(String("data/gui/general/bar/barloadback.dds"))),
      fill_(loadGuiTexture(String("data/gui/general/bar/barload.dds"))) {}

void GuiProgressbar::setPercentage(float percent) {
    if (!std::isfinite(percent)) percent = std::isinf(percent) && percent > 0.0f ? 100.0f : 0.0f;
    percentage_ = std::fmin(100.0f, std::fmax(0.0f, percent));
}

void GuiProgressbar::setFloatRect(float left, float top, float right, float bottom) {
    GuiComponent::setBounds(static_cast<int>(left), static_cast<int>(top), static_cast<int>(bottom),
                            static_cast<int>(right));
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
}

void GuiProgressbar::setBounds(int left, int top, int bottom, int right) {
    GuiComponent::setBounds(left, top, bottom, right);
    left_ = static_cast<float>(left);
    top_ = static_cast<float>(top);
    right_ = static_cast<float>(right);
    bottom_ = static_cast<float>(bottom);
}

String GuiProgressbar::percentText() const {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", static_cast<double>(percentage_));
    return String(text);
}

void GuiProgressbar::render() {
    if (!isVisible() || hidden_) return;
    DxRenderer& renderer = guiRenderer();
    drawStretched(renderer, back_, left_, top_, right_, bottom_);
    const float filled = left_ + (right_ - left_) * percentage_ * 0.01f;
    drawStretched(renderer, fill_, left_, top_, filled, bottom_);

    if (font_.select(renderer)) {
        const int x = static_cast<int>(left_ + kTextIndent);
        const float middle = (top_ + bottom_) * 0.5f;
        const int percentY = static_cast<int>(middle + kPercentBelowMiddle);
        const int captionY = static_cast<int>(middle - kCaptionAboveMiddle);
        const int textRight = static_cast<int>(right_);
        renderer.drawText(PixelRect{x, percentY, textRight, percentY + 20}, percentText(), kWhite);
        renderer.drawText(PixelRect{x, captionY, textRight, captionY + 20}, caption_, kWhite);
    } else if (!fontFailureLogged_) {
        Logger::instance().error(String("UILabel::render()"), String("Could not load font"));
        fontFailureLogged_ = true;
    }
    GuiComponent::render();
}
