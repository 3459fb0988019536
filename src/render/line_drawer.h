// Screen-space polylines of a given width (the line object). Every segment
// becomes a quad of the line's width centred on the segment, so widths other
// than one pixel look the same on every device.
#pragma once

#include "core/math3d.h"
#include "platform/graphics_device.h"

#include <cstdint>
#include <vector>

class LineDrawer {
public:
    explicit LineDrawer(gfx::GraphicsDevice& device);
    LineDrawer(const LineDrawer&) = delete;
    LineDrawer& operator=(const LineDrawer&) = delete;

    // Width in pixels; values that are not positive and finite are ignored.
    void setWidth(float width);
    float width() const { return width_; }

    // Draws the strip through `count` points (back-buffer pixels) in one
    // colour (0xAARRGGBB). Fewer than two points, or only coincident points,
    // draw nothing. Returns true when something was drawn.
    bool drawStrip(const D3DXVECTOR2* points, int count, uint32_t argb);

private:
    struct LineVertex {
        float x, y, z, rhw;
        uint32_t colour;
    };

    void appendSegment(const D3DXVECTOR2& from, const D3DXVECTOR2& to, uint32_t argb);

    gfx::GraphicsDevice& device_;
    float width_ = 1.0f;
    std::vector<LineVertex> vertices_;
};
