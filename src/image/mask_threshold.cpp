// Colour thresholds and the pipette.
#include "image/masking_tools.h"

#include <algorithm>

namespace {

bool sameSize(const Image& a, const Image& b) {
    return a.isValid() && b.isValid() && a.width() == b.width() && a.height() == b.height();
}

// Tests pixels first .. last of row y and writes `colour` where the rule holds.
void thresholdSpan(const Image& workingCopy, Image& mask, int y, int first, int last, const ThresholdRule& rule,
                   Rgb colour) {
    size_t offset = (static_cast<size_t>(mask.width()) * y + first) * 3;
    const unsigned char* in = workingCopy.bytes() + offset;
    unsigned char* out = mask.bytes() + offset;
    for (int x = first; x <= last; ++x, in += 3, out += 3) {
        if (!passesThreshold(Rgb{in[0], in[1], in[2]}, rule)) continue;
        out[0] = colour.red;
        out[1] = colour.green;
        out[2] = colour.blue;
    }
}

}  // namespace

bool passesThreshold(Rgb colour, const ThresholdRule& rule) {
    if (rule.side == ThresholdSide::Smaller)
        return colour.red <= rule.red && colour.green <= rule.green && colour.blue <= rule.blue;
    return colour.red >= rule.red && colour.green >= rule.green && colour.blue >= rule.blue;
}

void applyGlobalThreshold(const Image& workingCopy, Image& mask, const ThresholdRule& rule, Rgb colour) {
    if (!sameSize(workingCopy, mask)) return;
    PixelBox box = writableBox(mask);
    for (int y = box.top; y <= box.bottom; ++y) thresholdSpan(workingCopy, mask, y, box.left, box.right, rule, colour);
}

void applyThresholdUnderBrush(const Image& workingCopy, Image& mask, int cx, int cy, int size, BrushType type,
                              const ThresholdRule& rule, Rgb colour) {
    if (!sameSize(workingCopy, mask)) return;
    BrushFootprint footprint = brushFootprint(mask, cx, cy, size, type);
    PixelBox area = areaBox(mask);
    PixelBox rows = intersect(footprint.box, area);
    for (int y = rows.top; y <= rows.bottom; ++y) {
        int first = 0;
        int last = -1;
        if (!footprint.rowSpan(y, first, last)) continue;
        first = std::max(first, area.left);
        last = std::min(last, area.right);
        if (first <= last) thresholdSpan(workingCopy, mask, y, first, last, rule, colour);
    }
}

Rgb pipetteColour(const Image& workingCopy, int x, int y) {
    return workingCopy.pixel(x, y);
}
