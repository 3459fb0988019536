// Drawing colour, regions, brush stamps, line stamps and rectangles.
#include "image/masking_tools.h"

#include <algorithm>
#include <cmath>

namespace {

// Largest r with r * r <= n (n >= 0).
int integerSquareRoot(long long n) {
    long long r = static_cast<long long>(std::sqrt(static_cast<double>(n)));
    while (r * r > n) --r;
    while ((r + 1) * (r + 1) <= n) ++r;
    return static_cast<int>(r);
}

bool isKnownBrushType(BrushType type) {
    return type == BrushType::Circle || type == BrushType::Square;
}

// Writes `colour` into pixels first .. last of row y; the caller guarantees
// the span lies inside the buffer.
void writeSpan(Image& mask, int y, int first, int last, Rgb colour) {
    unsigned char* p = mask.bytes() + (static_cast<size_t>(mask.width()) * y + first) * 3;
    for (int x = first; x <= last; ++x, p += 3) {
        p[0] = colour.red;
        p[1] = colour.green;
        p[2] = colour.blue;
    }
}

}  // namespace

Rgb maskValueColour(float transparency) {
    float clamped = std::clamp(transparency, MaskToolSettings::kMinTransparency, MaskToolSettings::kMaxTransparency);
    if (std::isnan(transparency)) clamped = MaskToolSettings::kMaxTransparency;
    auto v = static_cast<unsigned char>(static_cast<int>(clamped));
    return Rgb{v, v, v};
}

Rgb drawingColour(MaskOperation operation, float transparency) {
    return operation == MaskOperation::Add ? maskValueColour(transparency) : Rgb{};
}

int effectiveWidth(const Image& image) {
    if (!image.isValid()) return 0;
    return std::clamp(image.width() - image.marginRight, 0, image.width());
}

int effectiveHeight(const Image& image) {
    if (!image.isValid()) return 0;
    return std::clamp(image.height() - image.marginBottom, 0, image.height());
}

PixelBox writableBox(const Image& image) {
    int w = effectiveWidth(image);
    int h = effectiveHeight(image);
    if (w < 3 || h < 3) return PixelBox{};
    return PixelBox{1, 1, w - 2, h - 2};
}

PixelBox areaBox(const Image& image) {
    if (!image.isValid()) return PixelBox{};
    // Integer x satisfies left <= x < right exactly when ceil(left) <= x < ceil(right).
    auto bound = [](float value, int limit) {
        if (std::isnan(value)) return 0;
        return static_cast<int>(std::clamp(std::ceil(static_cast<double>(value)), 0.0, static_cast<double>(limit)));
    };
    PixelBox box;
    box.left = bound(image.area.left, image.width());
    box.top = bound(image.area.top, image.height());
    box.right = bound(image.area.right, image.width()) - 1;
    box.bottom = bound(image.area.bottom, image.height()) - 1;
    return box;
}

PixelBox intersect(const PixelBox& a, const PixelBox& b) {
    return PixelBox{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
}

PixelBox clampToWritable(const Image& image, PixelBox requested) {
    PixelBox writable = writableBox(image);
    if (writable.empty() || requested.empty()) return PixelBox{};
    PixelBox picture{0, 0, effectiveWidth(image) - 1, effectiveHeight(image) - 1};
    if (intersect(requested, picture).empty()) return PixelBox{};
    return PixelBox{std::clamp(requested.left, writable.left, writable.right),
                    std::clamp(requested.top, writable.top, writable.bottom),
                    std::clamp(requested.right, writable.left, writable.right),
                    std::clamp(requested.bottom, writable.top, writable.bottom)};
}

// --- brush ----------------------------------------------------------------------------

bool BrushFootprint::rowSpan(int y, int& first, int& last) const {
    if (box.empty() || y < box.top || y > box.bottom) return false;
    if (type == BrushType::Square) {
        first = box.left;
        last = box.right;
        return true;
    }
    if (type != BrushType::Circle) return false;
    long long dy = static_cast<long long>(y) - centreY;
    long long room = static_cast<long long>(radius) * radius - dy * dy;
    if (room < 0) return false;
    int half = integerSquareRoot(room);
    first = static_cast<int>(std::max<long long>(box.left, static_cast<long long>(centreX) - half));
    last = static_cast<int>(std::min<long long>(box.right, static_cast<long long>(centreX) + half));
    return first <= last;
}

bool BrushFootprint::covers(int x, int y) const {
    int first = 0;
    int last = -1;
    return rowSpan(y, first, last) && x >= first && x <= last;
}

BrushFootprint brushFootprint(const Image& mask, int cx, int cy, int size, BrushType type) {
    BrushFootprint footprint;
    footprint.centreX = cx;
    footprint.centreY = cy;
    footprint.type = type;
    if (!isKnownBrushType(type) || size < 0) return footprint;
    int h = size / 2;
    footprint.radius = h;
    // Work in 64 bits so centres far outside cannot overflow the box bounds.
    auto bound = [](long long v) { return static_cast<int>(std::clamp<long long>(v, -Image::kMaxSide, 2LL * Image::kMaxSide)); };
    PixelBox requested{bound(1LL * cx - h), bound(1LL * cy - h), bound(1LL * cx + h), bound(1LL * cy + h)};
    footprint.box = clampToWritable(mask, requested);
    return footprint;
}

void stampBrush(Image& mask, int cx, int cy, int size, BrushType type, Rgb colour) {
    BrushFootprint footprint = brushFootprint(mask, cx, cy, size, type);
    for (int y = footprint.box.top; y <= footprint.box.bottom; ++y) {
        int first = 0;
        int last = -1;
        if (footprint.rowSpan(y, first, last)) writeSpan(mask, y, first, last, colour);
    }
}

std::vector<PixelPosition> linePositions(int x0, int y0, int x1, int y1, float step) {
    std::vector<PixelPosition> positions{{x0, y0}, {x1, y1}};
    double dx = static_cast<double>(x1) - x0;
    double dy = static_cast<double>(y1) - y0;
    double length = std::sqrt(dx * dx + dy * dy);
    if (length <= 0.0) return positions;
    double d = (step > 0.0f && std::isfinite(step)) ? static_cast<double>(step) : 1.0;
    // u = i * d rather than a running sum, so long lines do not drift.
    for (long long i = 0;; ++i) {
        double u = static_cast<double>(i) * d;
        if (u > length) break;
        positions.push_back(PixelPosition{static_cast<int>(x0 + dx * u / length), static_cast<int>(y0 + dy * u / length)});
    }
    return positions;
}

void stampLine(Image& mask, int x0, int y0, int x1, int y1, float step, int size, BrushType type, Rgb colour) {
    PixelPosition previous{x0, y0};
    bool first = true;
    for (const PixelPosition& p : linePositions(x0, y0, x1, y1, step)) {
        // Consecutive stamps at the same pixel write the same pixels again.
        if (!first && p == previous) continue;
        stampBrush(mask, p.x, p.y, size, type, colour);
        previous = p;
        first = false;
    }
}

// --- rectangle -------------------------------------------------------------------------

void drawRectangle(Image& mask, int x0, int y0, int x1, int y1, RectangleFilling filling, Rgb colour) {
    PixelBox requested{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
    PixelBox rect = clampToWritable(mask, requested);
    PixelBox drawn = intersect(rect, areaBox(mask));
    for (int y = drawn.top; y <= drawn.bottom; ++y) {
        bool horizontalSide = y == rect.top || y == rect.bottom;
        if (filling == RectangleFilling::Inside || horizontalSide) {
            writeSpan(mask, y, drawn.left, drawn.right, colour);
            continue;
        }
        if (drawn.contains(rect.left, y)) mask.setPixel(rect.left, y, colour);
        if (drawn.contains(rect.right, y)) mask.setPixel(rect.right, y, colour);
    }
}
