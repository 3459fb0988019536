// The device states 2D overlays (sprites, lines, text) draw with: alpha
// blending on, depth test and depth write off, no lighting, no fog, no
// culling, solid fill, texture edges clamped. The guard sets them and puts
// the previous values back when it goes out of scope, so that overlays never
// change the states the 3D scene relies on.
#pragma once

#include "platform/graphics_device.h"

#include <array>
#include <cstdint>
#include <utility>

class OverlayStateGuard {
public:
    explicit OverlayStateGuard(gfx::GraphicsDevice& device);
    ~OverlayStateGuard();
    OverlayStateGuard(const OverlayStateGuard&) = delete;
    OverlayStateGuard& operator=(const OverlayStateGuard&) = delete;

private:
    static constexpr int kStateCount = 10;

    gfx::GraphicsDevice& device_;
    std::array<std::pair<gfx::RenderState, uint32_t>, kStateCount> saved_;
};
