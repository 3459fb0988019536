#include "twod/image_view.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kCanvas = 512.0f;
constexpr float kDragZoomPerPixel = 1.01f;

float width(const ViewRect& view) { return view.right - view.left; }
float height(const ViewRect& view) { return view.bottom - view.top; }

}  // namespace

bool hasSize(const ViewRect& view) { return width(view) > 0.0f && height(view) > 0.0f; }

ReachBounds reachBounds(int backBufferWidth, int backBufferHeight, int titleBarHeight) {
    return ReachBounds{40.0f, static_cast<float>(titleBarHeight + 30), static_cast<float>(backBufferWidth - 40),
                       static_cast<float>(backBufferHeight - 30)};
}

ViewRect centredView(int backBufferWidth, int backBufferHeight) {
    const float side = static_cast<float>(backBufferHeight - 160);
    const float centreX = static_cast<float>(backBufferWidth) / 2.0f;
    const float centreY = static_cast<float>(backBufferHeight) / 2.0f + 40.0f;
    return ViewRect{centreX - side / 2.0f, centreY - side / 2.0f, centreX + side / 2.0f, centreY + side / 2.0f};
}

ViewRect zoomedAround(const ViewRect& view, float x, float y, float newWidth, float newHeight) {
    ViewRect zoomed = view;
    if (!hasSize(view)) return zoomed;
    zoomed.left = x - newWidth * (x - view.left) / width(view);
    zoomed.top = y - newHeight * (y - view.top) / height(view);
    zoomed.right = zoomed.left + newWidth;
    zoomed.bottom = zoomed.top + newHeight;
    return zoomed;
}

bool zoomByWheel(ViewRect& view, float x, float y, int step) {
    if (!hasSize(view) || step == 0) return false;
    const int whole = static_cast<int>(width(view));
    if (step < 0 && static_cast<float>(whole) < kLeastViewWidth) return false;
    const float side = static_cast<float>(whole / 5) * 0.5f * (step > 0 ? 1.0f : -1.0f);
    if (side == 0.0f) return false;
    const float newWidth = width(view) + 2.0f * side;
    const float newHeight = height(view) + 2.0f * side;
    if (newWidth <= 0.0f || newHeight <= 0.0f) return false;
    view = zoomedAround(view, x, y, newWidth, newHeight);
    return true;
}

void zoomByDrag(ViewRect& view, float x, float y, float dy) {
    if (!hasSize(view) || !std::isfinite(dy)) return;
    // Far drags are limited so that the factor stays a sane number.
    const float factor = std::pow(kDragZoomPerPixel, std::clamp(-dy, -500.0f, 500.0f));
    view = zoomedAround(view, x, y, width(view) * factor, height(view) * factor);
    if (width(view) < kLeastViewWidth) {
        const float grow = (kLeastViewWidth - width(view)) / 2.0f;
        view.left -= grow;
        view.right += grow;
        view.top -= grow;
        view.bottom += grow;
    }
}

void panView(ViewRect& view, float dx, float dy) {
    view.left += dx;
    view.right += dx;
    view.top += dy;
    view.bottom += dy;
}

void clampView(ViewRect& view, const ReachBounds& bounds, int marginRight, int marginBottom) {
    if (!hasSize(view)) return;
    const float pictureRight = view.right - width(view) * static_cast<float>(marginRight) / kCanvas;
    const float pictureBottom = view.bottom - height(view) * static_cast<float>(marginBottom) / kCanvas;
    float dx = 0.0f;
    float dy = 0.0f;
    if (pictureRight < bounds.left) dx = std::ceil(bounds.left - pictureRight);
    if (view.left > bounds.right) dx = -std::ceil(view.left - bounds.right);
    if (pictureBottom < bounds.top) dy = std::ceil(bounds.top - pictureBottom);
    if (view.top > bounds.bottom) dy = -std::ceil(view.top - bounds.bottom);
    panView(view, dx, dy);
}
