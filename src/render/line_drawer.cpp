#include "render/line_drawer.h"

#include "render/overlay_states.h"

#include <cmath>

namespace {

constexpr uint32_t kLineVertexFlags = gfx::kPositionT | gfx::kDiffuse;

}  // namespace

LineDrawer::LineDrawer(gfx::GraphicsDevice& device) : device_(device) {}

void LineDrawer::setWidth(float width) {
    if (std::isfinite(width) && width > 0.0f) width_ = width;
}

void LineDrawer::appendSegment(const D3DXVECTOR2& from, const D3DXVECTOR2& to, uint32_t argb) {
    const float dx = to.x - from.x;
    const float dy = to.y - from.y;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0.0f) || !std::isfinite(length)) return;
    // Half the width, at right angles to the segment.
    const float nx = -dy / length * width_ * 0.5f;
    const float ny = dx / length * width_ * 0.5f;
    const LineVertex a{from.x + nx, from.y + ny, 0.0f, 1.0f, argb};
    const LineVertex b{from.x - nx, from.y - ny, 0.0f, 1.0f, argb};
    const LineVertex c{to.x + nx, to.y + ny, 0.0f, 1.0f, argb};
    const LineVertex d{to.x - nx, to.y - ny, 0.0f, 1.0f, argb};
    vertices_.insert(vertices_.end(), {a, b, c, c, b, d});
}

bool LineDrawer::drawStrip(const D3DXVECTOR2* points, int count, uint32_t argb) {
    if (points == nullptr || count < 2) return false;
    vertices_.clear();
    for (int i = 1; i < count; ++i) appendSegment(points[i - 1], points[i], argb);
    if (vertices_.empty()) return false;
    OverlayStateGuard states(device_);
    device_.setTexture({});
    device_.drawUser(gfx::Primitive::TriangleList, kLineVertexFlags, vertices_.data(),
                     static_cast<int>(vertices_.size()), nullptr, 0);
    return true;
}
