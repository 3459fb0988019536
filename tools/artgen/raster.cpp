#include "raster.h"

#include <algorithm>
#include <cmath>

namespace artgen {

namespace {

constexpr float kPi = 3.14159265358979f;

float length(Vec2 v) { return std::sqrt(v.x * v.x + v.y * v.y); }
Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

Box unionOf(const Box& a, const Box& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

Box expanded(const Box& b, float amount) {
    return {b.left - amount, b.top - amount, b.right + amount, b.bottom + amount};
}

float segmentDistance(Vec2 p, Vec2 a, Vec2 b) {
    Vec2 ab = b - a;
    float lengthSquared = dot(ab, ab);
    float t = lengthSquared > 0.0f ? clamp01(dot(p - a, ab) / lengthSquared) : 0.0f;
    Vec2 closest{a.x + ab.x * t, a.y + ab.y * t};
    return length(p - closest);
}

// Angle of `v` in 0 .. 2 pi, measured from +x towards +y.
float angleOf(Vec2 v) {
    float a = std::atan2(v.y, v.x);
    return a < 0.0f ? a + 2.0f * kPi : a;
}

}  // namespace

Rgba faded(Rgba c, float factor) { return {c.r, c.g, c.b, c.a * factor}; }

Rgba mix(Rgba a, Rgba b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba Paint::at(Vec2 p) const {
    Vec2 axis = end - start;
    float lengthSquared = dot(axis, axis);
    if (lengthSquared <= 0.0f) return from;
    return mix(from, to, clamp01(dot(p - start, axis) / lengthSquared));
}

Paint Paint::solid(Rgba c) { return {c, c, {}, {}}; }

Paint Paint::vertical(Rgba top, Rgba bottom, float y0, float y1) { return {top, bottom, {0.0f, y0}, {0.0f, y1}}; }

Paint Paint::horizontal(Rgba left, Rgba right, float x0, float x1) {
    return {left, right, {x0, 0.0f}, {x1, 0.0f}};
}

Shape circle(Vec2 centre, float radius) {
    return {[=](Vec2 p) { return length(p - centre) - radius; },
            {centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius}};
}

Shape roundedRect(Box box, float radius) {
    float halfW = (box.right - box.left) * 0.5f;
    float halfH = (box.bottom - box.top) * 0.5f;
    float r = std::clamp(radius, 0.0f, std::min(halfW, halfH));
    Vec2 centre{(box.left + box.right) * 0.5f, (box.top + box.bottom) * 0.5f};
    return {[=](Vec2 p) {
                float qx = std::fabs(p.x - centre.x) - halfW + r;
                float qy = std::fabs(p.y - centre.y) - halfH + r;
                Vec2 outside{std::max(qx, 0.0f), std::max(qy, 0.0f)};
                return length(outside) + std::min(std::max(qx, qy), 0.0f) - r;
            },
            box};
}

Shape capsule(Vec2 a, Vec2 b, float halfWidth) {
    Box bounds{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    return {[=](Vec2 p) { return segmentDistance(p, a, b) - halfWidth; }, expanded(bounds, halfWidth)};
}

Shape polygon(std::vector<Vec2> points) {
    Box bounds{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const Vec2& q : points) bounds = unionOf(bounds, {q.x, q.y, q.x, q.y});
    return {[points = std::move(points)](Vec2 p) {
                float best = 1e30f;
                bool inside = false;
                size_t n = points.size();
                for (size_t i = 0, j = n - 1; i < n; j = i++) {
                    const Vec2& a = points[i];
                    const Vec2& b = points[j];
                    best = std::min(best, segmentDistance(p, a, b));
                    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
                        inside = !inside;
                }
                return inside ? -best : best;
            },
            bounds};
}

Shape arc(Vec2 centre, float radius, float start, float sweep, float halfWidth) {
    // Normalise to a positive sweep starting at `from`.
    float from = sweep >= 0.0f ? start : start + sweep;
    float span = std::fabs(sweep);
    from = std::fmod(from, 2.0f * kPi);
    if (from < 0.0f) from += 2.0f * kPi;
    Vec2 first{centre.x + radius * std::cos(from), centre.y + radius * std::sin(from)};
    Vec2 last{centre.x + radius * std::cos(from + span), centre.y + radius * std::sin(from + span)};
    float outer = radius + halfWidth;
    return {[=](Vec2 p) {
                float rel = angleOf(p - centre) - from;
                if (rel < 0.0f) rel += 2.0f * kPi;
                float d;
                if (rel <= span)
                    d = std::fabs(length(p - centre) - radius);
                else
                    d = std::min(length(p - first), length(p - last));
                return d - halfWidth;
            },
            {centre.x - outer, centre.y - outer, centre.x + outer, centre.y + outer}};
}

Shape ring(Vec2 centre, float radius, float halfWidth) { return outline(circle(centre, radius), halfWidth); }

Shape unite(Shape a, Shape b) {
    Box bounds = unionOf(a.bounds, b.bounds);
    return {[a = std::move(a.distance), b = std::move(b.distance)](Vec2 p) { return std::min(a(p), b(p)); },
            bounds};
}

Shape subtract(Shape a, Shape b) {
    Box bounds = a.bounds;
    return {[a = std::move(a.distance), b = std::move(b.distance)](Vec2 p) { return std::max(a(p), -b(p)); },
            bounds};
}

Shape grown(Shape s, float amount) {
    Box bounds = expanded(s.bounds, std::max(amount, 0.0f));
    return {[d = std::move(s.distance), amount](Vec2 p) { return d(p) - amount; }, bounds};
}

Shape outline(Shape s, float halfWidth) {
    Box bounds = expanded(s.bounds, halfWidth);
    return {[d = std::move(s.distance), halfWidth](Vec2 p) { return std::fabs(d(p)) - halfWidth; }, bounds};
}

Shape moved(Shape s, Vec2 offset) {
    Box bounds{s.bounds.left + offset.x, s.bounds.top + offset.y, s.bounds.right + offset.x,
               s.bounds.bottom + offset.y};
    return {[d = std::move(s.distance), offset](Vec2 p) { return d(p - offset); }, bounds};
}

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), data_(static_cast<size_t>(width) * height * 4, 0.0f) {}

void Canvas::blend(int x, int y, Rgba colour, float coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    float alpha = clamp01(colour.a * coverage);
    if (alpha <= 0.0f) return;
    float* d = premultiplied(x, y);
    float keep = 1.0f - alpha;
    d[0] = colour.r * alpha + d[0] * keep;
    d[1] = colour.g * alpha + d[1] * keep;
    d[2] = colour.b * alpha + d[2] * keep;
    d[3] = alpha + d[3] * keep;
}

Rgba Canvas::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
    const float* d = premultiplied(x, y);
    if (d[3] <= 0.0f) return {};
    return {d[0] / d[3], d[1] / d[3], d[2] / d[3], d[3]};
}

void Canvas::draw(const Canvas& other, int x, int y) {
    for (int sy = 0; sy < other.height(); ++sy) {
        for (int sx = 0; sx < other.width(); ++sx) {
            int tx = x + sx;
            int ty = y + sy;
            if (tx < 0 || ty < 0 || tx >= width_ || ty >= height_) continue;
            const float* s = other.premultiplied(sx, sy);
            float* d = premultiplied(tx, ty);
            float keep = 1.0f - s[3];
            for (int c = 0; c < 4; ++c) d[c] = s[c] + d[c] * keep;
        }
    }
}

RgbaImage Canvas::toImage() const {
    RgbaImage image;
    image.width = width_;
    image.height = height_;
    image.hasAlpha = true;
    image.pixels.resize(static_cast<size_t>(width_) * height_ * 4);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            Rgba c = pixel(x, y);
            unsigned char* out = &image.pixels[(static_cast<size_t>(y) * width_ + x) * 4];
            out[0] = static_cast<unsigned char>(std::lround(clamp01(c.r) * 255.0f));
            out[1] = static_cast<unsigned char>(std::lround(clamp01(c.g) * 255.0f));
            out[2] = static_cast<unsigned char>(std::lround(clamp01(c.b) * 255.0f));
            out[3] = static_cast<unsigned char>(std::lround(clamp01(c.a) * 255.0f));
        }
    }
    return image;
}

void fill(Canvas& canvas, const Shape& shape, const Paint& paint, float feather) {
    float margin = feather;
    int x0 = std::max(0, static_cast<int>(std::floor(shape.bounds.left - margin)));
    int y0 = std::max(0, static_cast<int>(std::floor(shape.bounds.top - margin)));
    int x1 = std::min(canvas.width() - 1, static_cast<int>(std::ceil(shape.bounds.right + margin)));
    int y1 = std::min(canvas.height() - 1, static_cast<int>(std::ceil(shape.bounds.bottom + margin)));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            Vec2 p{static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f};
            float coverage = clamp01(0.5f - shape.distance(p) / feather);
            if (coverage > 0.0f) canvas.blend(x, y, paint.at(p), coverage);
        }
    }
}

namespace {

// Area average of the source rectangle [sx0, sx1) x [sy0, sy1), premultiplied.
void averageArea(const Canvas& source, float sx0, float sy0, float sx1, float sy1, float* out) {
    float sum[4] = {0, 0, 0, 0};
    float total = 0.0f;
    for (int y = static_cast<int>(sy0); y < static_cast<int>(std::ceil(sy1)) && y < source.height(); ++y) {
        float wy = std::min(sy1, static_cast<float>(y + 1)) - std::max(sy0, static_cast<float>(y));
        if (wy <= 0.0f) continue;
        for (int x = static_cast<int>(sx0); x < static_cast<int>(std::ceil(sx1)) && x < source.width(); ++x) {
            float wx = std::min(sx1, static_cast<float>(x + 1)) - std::max(sx0, static_cast<float>(x));
            if (wx <= 0.0f) continue;
            const float* s = source.premultiplied(x, y);
            for (int c = 0; c < 4; ++c) sum[c] += s[c] * wx * wy;
            total += wx * wy;
        }
    }
    for (int c = 0; c < 4; ++c) out[c] = total > 0.0f ? sum[c] / total : 0.0f;
}

void bilinear(const Canvas& source, float fx, float fy, float* out) {
    fx = std::clamp(fx, 0.0f, static_cast<float>(source.width() - 1));
    fy = std::clamp(fy, 0.0f, static_cast<float>(source.height() - 1));
    int x0 = static_cast<int>(fx);
    int y0 = static_cast<int>(fy);
    int x1 = std::min(x0 + 1, source.width() - 1);
    int y1 = std::min(y0 + 1, source.height() - 1);
    float tx = fx - static_cast<float>(x0);
    float ty = fy - static_cast<float>(y0);
    for (int c = 0; c < 4; ++c) {
        float top = source.premultiplied(x0, y0)[c] * (1 - tx) + source.premultiplied(x1, y0)[c] * tx;
        float bottom = source.premultiplied(x0, y1)[c] * (1 - tx) + source.premultiplied(x1, y1)[c] * tx;
        out[c] = top * (1 - ty) + bottom * ty;
    }
}

}  // namespace

Canvas resampled(const Canvas& source, int width, int height) {
    Canvas result(width, height);
    float scaleX = static_cast<float>(source.width()) / static_cast<float>(width);
    float scaleY = static_cast<float>(source.height()) / static_cast<float>(height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float* out = result.premultiplied(x, y);
            if (scaleX >= 1.0f && scaleY >= 1.0f)
                averageArea(source, x * scaleX, y * scaleY, (x + 1) * scaleX, (y + 1) * scaleY, out);
            else
                bilinear(source, (x + 0.5f) * scaleX - 0.5f, (y + 0.5f) * scaleY - 0.5f, out);
        }
    }
    return result;
}

Canvas canvasFromImage(const RgbaImage& image) {
    Canvas canvas(image.width, image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const unsigned char* s = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
            float a = s[3] / 255.0f;
            float* d = canvas.premultiplied(x, y);
            d[0] = s[0] / 255.0f * a;
            d[1] = s[1] / 255.0f * a;
            d[2] = s[2] / 255.0f * a;
            d[3] = a;
        }
    }
    return canvas;
}

}  // namespace artgen
