// A small 2D rasteriser for the generated art: shapes are signed distance
// functions (negative inside), painted into an RGBA buffer with anti-aliased
// edges. Pixel (x, y) covers the square from (x, y) to (x + 1, y + 1); its
// centre is sampled.
#pragma once

#include "render/image_file.h"

#include <functional>
#include <vector>

namespace artgen {

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;
};

// Straight (not premultiplied) colour, every channel 0..1.
struct Rgba {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

// Colour from 0..255 channels and an opacity 0..1.
constexpr Rgba rgb(int r, int g, int b, float opacity = 1.0f) {
    return {static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f, static_cast<float>(b) / 255.0f,
            opacity};
}
// `c` with its opacity multiplied by `factor`.
Rgba faded(Rgba c, float factor);
// Linear mix: t = 0 gives a, t = 1 gives b.
Rgba mix(Rgba a, Rgba b, float t);

struct Box {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
};

// A solid colour, or a linear gradient from `from` at `start` to `to` at
// `end` (clamped beyond both ends).
struct Paint {
    Rgba from;
    Rgba to;
    Vec2 start;
    Vec2 end;

    Rgba at(Vec2 p) const;
    static Paint solid(Rgba c);
    static Paint vertical(Rgba top, Rgba bottom, float y0, float y1);
    static Paint horizontal(Rgba left, Rgba right, float x0, float x1);
};

// A region given by its signed distance (in pixels, negative inside) and a
// box that contains every point where the distance is below zero.
struct Shape {
    std::function<float(Vec2)> distance;
    Box bounds;
};

Shape circle(Vec2 centre, float radius);
Shape roundedRect(Box box, float radius);
// A segment with round caps, `halfWidth` on each side.
Shape capsule(Vec2 a, Vec2 b, float halfWidth);
// Closed polygon (either orientation, may be concave; no self-crossings).
Shape polygon(std::vector<Vec2> points);
// A stroked circular arc: angles in radians, measured from +x towards +y
// (clockwise on screen); `sweep` may be negative. Round ends.
Shape arc(Vec2 centre, float radius, float start, float sweep, float halfWidth);
// A circle outline of width 2 * halfWidth.
Shape ring(Vec2 centre, float radius, float halfWidth);

Shape unite(Shape a, Shape b);
// Points of `a` that are not in `b`.
Shape subtract(Shape a, Shape b);
// Dilates by `amount` pixels (erodes when negative); corners round off.
Shape grown(Shape s, float amount);
// The band of width 2 * halfWidth centred on the outline of `s`.
Shape outline(Shape s, float halfWidth);
Shape moved(Shape s, Vec2 offset);

// An RGBA picture being drawn; starts fully transparent. Stored
// premultiplied so that compositing and resampling stay exact.
class Canvas {
public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // Composites `colour` over pixel (x, y) with `coverage` (0..1). Pixels
    // outside the canvas are ignored.
    void blend(int x, int y, Rgba colour, float coverage);
    // Straight colour of a pixel; transparent black outside.
    Rgba pixel(int x, int y) const;
    // Premultiplied channels of a pixel (r, g, b already scaled by a).
    const float* premultiplied(int x, int y) const { return &data_[(static_cast<size_t>(y) * width_ + x) * 4]; }
    float* premultiplied(int x, int y) { return &data_[(static_cast<size_t>(y) * width_ + x) * 4]; }

    // Draws `other` with its top left corner at (x, y), composited over.
    void draw(const Canvas& other, int x, int y);

    // 8-bit straight RGBA, rows top first, with hasAlpha set.
    RgbaImage toImage() const;

private:
    int width_;
    int height_;
    std::vector<float> data_;
};

// Paints `shape` with `paint`. `feather` is the width in pixels of the soft
// edge: 1 gives a crisp anti-aliased edge, larger values a blurred one (for
// shadows and glows).
void fill(Canvas& canvas, const Shape& shape, const Paint& paint, float feather = 1.0f);

// Resamples `source` to `width` by `height` (area average when shrinking,
// bilinear when enlarging), as a sprite of that size would show it.
Canvas resampled(const Canvas& source, int width, int height);

// A picture decoded from a file, back into a canvas.
Canvas canvasFromImage(const RgbaImage& image);

}  // namespace artgen
