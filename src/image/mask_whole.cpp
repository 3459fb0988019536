// Operations on the whole mask: erase, fill, invert and the value rewrite.
#include "image/masking_tools.h"

namespace {

// Calls change(pixel bytes) for every pixel of `box`.
template <typename Change>
void forEachPixel(Image& mask, const PixelBox& box, Change change) {
    for (int y = box.top; y <= box.bottom; ++y) {
        unsigned char* p = mask.bytes() + (static_cast<size_t>(mask.width()) * y + box.left) * 3;
        for (int x = box.left; x <= box.right; ++x, p += 3) change(p);
    }
}

void put(unsigned char* p, Rgb colour) {
    p[0] = colour.red;
    p[1] = colour.green;
    p[2] = colour.blue;
}

bool isSetBytes(const unsigned char* p) {
    return (p[0] | p[1] | p[2]) != 0;
}

}  // namespace

void eraseWholeMask(Image& mask) {
    forEachPixel(mask, writableBox(mask), [](unsigned char* p) { put(p, Rgb{}); });
}

void fillWholeMask(Image& mask, Rgb value) {
    forEachPixel(mask, writableBox(mask), [value](unsigned char* p) { put(p, value); });
}

void invertMask(Image& mask, Rgb value) {
    forEachPixel(mask, writableBox(mask), [value](unsigned char* p) { put(p, isSetBytes(p) ? Rgb{} : value); });
}

void rewriteMaskValue(Image& mask, Rgb value) {
    int w = effectiveWidth(mask);
    int h = effectiveHeight(mask);
    if (w < 1 || h < 1) return;
    forEachPixel(mask, PixelBox{0, 0, w - 1, h - 1}, [value](unsigned char* p) {
        if (isSetBytes(p)) put(p, value);
    });
}
