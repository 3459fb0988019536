#include "transform/screenshot.h"

#include "project/placement.h"

#include <algorithm>
#include <cmath>

namespace {

// The widest field of view a clipping takes: the far face at most this many
// times as wide as the near face.
constexpr float kWidestRatio = 15.0f;

struct ScreenPoint {
    float x = 0.0f;
    float y = 0.0f;
};

// Twice the signed area of (a, b, p).
float edge(const ScreenPoint& a, const ScreenPoint& b, float px, float py) {
    return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

void fillTriangle(const ScreenPoint& a, const ScreenPoint& b, const ScreenPoint& c, Image& mask) {
    const float area = edge(a, b, c.x, c.y);
    if (!(std::fabs(area) > 0.0f)) return;
    const int width = mask.width();
    const int height = mask.height();
    const int left = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
    const int right = std::min(width - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
    const int top = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
    const int bottom = std::min(height - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
    const float sign = area > 0.0f ? 1.0f : -1.0f;
    for (int y = top; y <= bottom; ++y) {
        const float py = static_cast<float>(y) + 0.5f;
        for (int x = left; x <= right; ++x) {
            const float px = static_cast<float>(x) + 0.5f;
            if (edge(a, b, px, py) * sign >= 0.0f && edge(b, c, px, py) * sign >= 0.0f &&
                edge(c, a, px, py) * sign >= 0.0f) {
                mask.setPixel(x, y, Rgb{255, 255, 255});
            }
        }
    }
}

}  // namespace

ScreenshotSlab screenshotSlab(float distance, float depth) {
    ScreenshotSlab slab;
    slab.farDistance = std::isfinite(distance) && distance > 0.0f ? distance : 1.0f;
    const float thickness = std::isfinite(depth) && depth > 0.0f ? depth : 1.0f;
    slab.nearDistance = std::max(slab.farDistance - thickness, slab.farDistance / kWidestRatio);
    return slab;
}

ClippingPlacement screenshotPlacement(const Camera& camera, float fieldOfView, float aspect, float pictureWidth,
                                      float pictureHeight, const ScreenshotSlab& slab) {
    const float depth = slab.farDistance - slab.nearDistance;
    const float tanVertical = std::tan(fieldOfView / 2.0f);
    const float tanHorizontal = tanVertical * aspect;
    ViewAngles view;
    view.yaw = 360.0f - camera.yaw();
    view.pitch = camera.pitch();
    view.roll = 0.0f;
    ClippingPlacement placement = placementAt(view);
    placement.translation = camera.position() + camera.viewDirection() * (slab.nearDistance + depth / 2.0f);
    placement.scaling = D3DXVECTOR3(depth, 2.0f * slab.nearDistance * tanVertical / pictureHeight,
                                    2.0f * slab.nearDistance * tanHorizontal / pictureWidth);
    placement.fovSet = true;
    placement.fovX = placement.fovY = slab.farDistance / slab.nearDistance;
    placement.imagePlane = 0.5f;
    return placement;
}

Image objectSilhouette(std::span<const MeshReprTriangle> triangles, const D3DXMATRIX& viewProjection, int width,
                       int height) {
    Image mask(std::max(width, 1), std::max(height, 1));
    const D3DXMATRIX& m = viewProjection;
    auto toScreen = [&](const D3DXVECTOR3& p, ScreenPoint& out) {
        const float x = p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41;
        const float y = p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42;
        const float z = p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43;
        const float w = p.x * m._14 + p.y * m._24 + p.z * m._34 + m._44;
        if (!(w > 0.0f) || !(z >= 0.0f) || !std::isfinite(x) || !std::isfinite(y)) return false;
        out.x = (x / w + 1.0f) * 0.5f * static_cast<float>(width);
        out.y = (1.0f - y / w) * 0.5f * static_cast<float>(height);
        return std::isfinite(out.x) && std::isfinite(out.y);
    };
    for (const MeshReprTriangle& triangle : triangles) {
        ScreenPoint corners[3];
        if (toScreen(triangle.corners[0].position, corners[0]) && toScreen(triangle.corners[1].position, corners[1]) &&
            toScreen(triangle.corners[2].position, corners[2])) {
            fillTriangle(corners[0], corners[1], corners[2], mask);
        }
    }
    return mask;
}
