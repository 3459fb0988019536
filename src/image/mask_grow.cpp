// Growing and shrinking the mask with the neighbour rule.
#include "image/masking_tools.h"

#include <algorithm>

namespace {

// One byte per pixel: 1 where the mask is set.
std::vector<std::uint8_t> setPixels(const Image& mask) {
    std::vector<std::uint8_t> set(static_cast<size_t>(mask.width()) * mask.height(), 0);
    const unsigned char* p = mask.bytes();
    if (p == nullptr) return set;
    for (size_t i = 0; i < set.size(); ++i, p += 3) set[i] = (p[0] | p[1] | p[2]) != 0;
    return set;
}

// Set pixels among the eight neighbours of (x, y); the caller keeps (x, y)
// at least one pixel away from the buffer's edges.
int countNeighbours(const std::vector<std::uint8_t>& set, int width, int x, int y) {
    const std::uint8_t* above = &set[static_cast<size_t>(width) * (y - 1) + x];
    const std::uint8_t* row = above + width;
    const std::uint8_t* below = row + width;
    return above[-1] + above[0] + above[1] + row[-1] + row[1] + below[-1] + below[0] + below[1];
}

// As countNeighbours, counting only neighbours inside `allowed`.
int countNeighboursWithin(const std::vector<std::uint8_t>& set, int width, int x, int y, const PixelBox& allowed) {
    int n = 0;
    for (int ny = y - 1; ny <= y + 1; ++ny) {
        for (int nx = x - 1; nx <= x + 1; ++nx) {
            if ((nx == x && ny == y) || !allowed.contains(nx, ny)) continue;
            n += set[static_cast<size_t>(width) * ny + nx];
        }
    }
    return n;
}

// The neighbour rule. Returns true when the pixel changes and puts its new
// colour into `result`.
bool decide(bool isSet, int n, MaskOperation operation, int neighbours, Rgb value, Rgb& result) {
    if (operation == MaskOperation::Add) {
        if (isSet || n < neighbours) return false;
        result = value;
        return true;
    }
    if (!isSet || n > neighbours || n >= 8) return false;
    result = Rgb{};
    return true;
}

void writePixel(Image& mask, int x, int y, Rgb colour) {
    unsigned char* p = mask.bytes() + (static_cast<size_t>(mask.width()) * y + x) * 3;
    p[0] = colour.red;
    p[1] = colour.green;
    p[2] = colour.blue;
}

// The rows and columns a global pass visits: 1 .. right - 2 and 1 .. bottom - 2
// of the area, within the writable region.
PixelBox globalPassBox(const Image& mask) {
    PixelBox area = areaBox(mask);
    PixelBox box{1, 1, area.right - 1, area.bottom - 1};
    return intersect(box, writableBox(mask));
}

}  // namespace

void growShrinkGlobal(Image& mask, MaskOperation operation, int neighbours, Rgb value) {
    PixelBox box = globalPassBox(mask);
    if (box.empty()) return;
    const std::vector<std::uint8_t> before = setPixels(mask);
    const int width = mask.width();
    for (int y = box.top; y <= box.bottom; ++y) {
        for (int x = box.left; x <= box.right; ++x) {
            Rgb result;
            bool isSet = before[static_cast<size_t>(width) * y + x] != 0;
            if (decide(isSet, countNeighbours(before, width, x, y), operation, neighbours, value, result))
                writePixel(mask, x, y, result);
        }
    }
}

LocalGrowStroke::LocalGrowStroke(const Image& mask)
    : width_(mask.width()),
      height_(mask.height()),
      before_(setPixels(mask)),
      decided_(static_cast<size_t>(mask.width()) * mask.height(), 0) {}

int LocalGrowStroke::stamp(Image& mask, int cx, int cy, int size, BrushType type, MaskOperation operation,
                           int neighbours, Rgb value) {
    if (!mask.isValid() || mask.width() != width_ || mask.height() != height_) return 0;
    BrushFootprint footprint = brushFootprint(mask, cx, cy, size, type);
    PixelBox area = areaBox(mask);
    PixelBox rows = intersect(footprint.box, area);
    if (rows.empty()) return 0;
    // Growing only counts neighbours inside the box without its last column and row.
    const PixelBox counted{footprint.box.left, footprint.box.top, footprint.box.right - 1, footprint.box.bottom - 1};
    const std::vector<std::uint8_t>& set = before_;
    const int width = mask.width();
    int decidedNow = 0;
    for (int y = rows.top; y <= rows.bottom; ++y) {
        int first = 0;
        int last = -1;
        if (!footprint.rowSpan(y, first, last)) continue;
        first = std::max(first, area.left);
        last = std::min(last, area.right);
        for (int x = first; x <= last; ++x) {
            std::uint8_t& mark = decided_[static_cast<size_t>(width) * y + x];
            if (mark) continue;
            mark = 1;
            ++decidedNow;
            int n = operation == MaskOperation::Add ? countNeighboursWithin(set, width, x, y, counted)
                                                    : countNeighbours(set, width, x, y);
            Rgb result;
            bool isSet = set[static_cast<size_t>(width) * y + x] != 0;
            if (decide(isSet, n, operation, neighbours, value, result)) writePixel(mask, x, y, result);
        }
    }
    return decidedNow;
}
