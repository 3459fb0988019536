// Fuzz target for the border file reader: arbitrary bytes are loaded as the
// border file of a fixed mask. Whatever they hold, the border must end up
// traced from the mask (the same outline every time), the queries must stay
// answerable, and a completely read file must write out and read back
// unchanged.
#include "image/border.h"
#include "image/image.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// A 512 by 512 canvas whose picture is only 112 by 112 pixels (the rest is
// margin), so that a rebuild is quick: a blob with a hole, a spike and two
// pixels touching at a corner.
Image& fixedMask() {
    static Image mask = [] {
        Image m(512, 512);
        m.marginRight = 400;
        m.marginBottom = 400;
        m.area.right = 112;
        m.area.bottom = 112;
        const Rgb set{255, 255, 255};
        for (int y = 10; y < 100; ++y) {
            for (int x = 10; x < 90; ++x) {
                const int dx = x - 50;
                const int dy = y - 55;
                if (dx * dx + dy * dy / 2 < 1400 && !(dx * dx + dy * dy < 80)) {
                    m.setPixel(x, y, set);
                }
            }
        }
        for (int x = 88; x < 105; ++x) {
            m.setPixel(x, 50, set);
            m.setPixel(x, 51, set);
        }
        m.setPixel(100, 100, set);
        m.setPixel(101, 101, set);
        return m;
    }();
    return mask;
}

struct FuzzBorder {
    Border border;
    std::size_t outlineSize = 0;
    FuzzBorder() {
        border.make(&fixedMask(), 3);
        outlineSize = border.outline().size();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzBorder fuzz;
    Border& border = fuzz.border;
    const bool complete = border.readFrom(data, size);
    if (border.outline().size() != fuzz.outlineSize) {
        __builtin_trap();
    }
    for (float p : {0.0f, 30.5f, 61.3f, 62.0f, 112.0f, 512.0f}) {
        border.isInsideOutline(p, 112.0f - p);
        D3DXVECTOR3 nearest;
        border.nearestOutlinePoint(D3DXVECTOR3(p, p, 0.0f), nearest);
    }
    // Whatever was read completely writes out and reads back unchanged.
    if (complete) {
        const std::string text = border.serialise();
        if (!border.readFrom(reinterpret_cast<const unsigned char*>(text.data()), text.size()) || border.serialise() != text) {
            __builtin_trap();
        }
    }
    return 0;
}
