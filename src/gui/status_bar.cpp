#include "gui/status_bar.h"

#include "render/renderer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kWidth = 380;
constexpr int kHeight = 46;
constexpr int kMargin = 10;
constexpr int kPadding = 7;
constexpr float kProgressThickness = 5.0f;
constexpr int kFontPoints = 10;

}  // namespace

void StatusBar::setProgress(float percent) {
    progress_ = std::isfinite(percent) ? std::clamp(percent, 0.0f, 100.0f) : 0.0f;
}

void StatusBar::setText(const String& text) {
    text_ = text.length() > kMaxTextBytes ? String(kMaxTextBytes, text.text()) : text;
}

void StatusBar::draw(DxRenderer& renderer, int topEdge) const {
    // Nothing to tell: nothing drawn.
    if (text_.length() == 0 && progress_ <= 0.0f && ready_) return;
    const int font = renderer.createFont(String("Arial"), kFontPoints, false, true);
    const bool hasFont = renderer.setFont(font);
    // The panel grows with the text, up to half the back buffer's width.
    const TextExtent extent = hasFont ? renderer.measureText(text_) : TextExtent{};
    const float widest = static_cast<float>(renderer.width()) / 2.0f;
    const float width = std::clamp(static_cast<float>(extent.width + 2 * kPadding), static_cast<float>(kWidth), widest);
    const float textHeight = static_cast<float>(std::max(extent.height, renderer.lineHeight()));
    const float right = static_cast<float>(renderer.width() - kMargin);
    const float left = std::max(0.0f, right - width);
    const float top = static_cast<float>(topEdge);
    const float bottom = top + std::max(static_cast<float>(kHeight), textHeight + 3 * kPadding + kProgressThickness);
    const float savedWidth = renderer.lineWidth();

    // A line as thick as the panel is high fills it.
    renderer.setLineWidth(bottom - top);
    const float middle = (top + bottom) * 0.5f;
    renderer.drawLine(left, middle, right, middle, 20, 20, 24, 0.75f);

    const float barY = bottom - kPadding - kProgressThickness * 0.5f;
    const float barLeft = left + kPadding;
    const float barRight = right - kPadding;
    renderer.setLineWidth(kProgressThickness);
    renderer.drawLine(barLeft, barY, barRight, barY, 70, 70, 78, 1.0f);
    if (progress_ > 0.0f) {
        const float filled = barLeft + (barRight - barLeft) * progress_ / 100.0f;
        renderer.drawLine(barLeft, barY, filled, barY, 90, 170, 255, 1.0f);
    }
    renderer.setLineWidth(savedWidth);

    if (!hasFont) return;
    renderer.setFont(font);
    const PixelRect textBox{static_cast<int>(left) + kPadding, static_cast<int>(top) + kPadding - 2,
                            static_cast<int>(right) - kPadding, static_cast<int>(barY - kProgressThickness)};
    const uint32_t colour = ready_ ? 0xFFFFFFFF : 0xFFFFD060;
    renderer.drawText(textBox, text_, colour, TextAlign::Left);
}
