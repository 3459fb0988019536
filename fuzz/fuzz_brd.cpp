// Fuzz target for the border file reader: arbitrary bytes are loaded as the
// border file of a fixed mask. Whatever they hold, the border must end up
// traced from the mask (the same outline every time), its content must write
// out and read back unchanged, and the queries must stay answerable.
#include "image/border.h"
#include "image/image.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// A blob with a hole, a spike and two pixels touching at a corner.
Image& fixedMask() {
    static Image mask = [] {
        Image m(512, 512);
        const Rgb set{255, 255, 255};
        for (int y = 150; y < 260; ++y) {
            for (int x = 120; x < 300; ++x) {
                const int dx = x - 210;
                const int dy = y - 205;
                if (dx * dx / 8 + dy * dy < 3000 && !(dx * dx + dy * dy < 300)) {
                    m.setPixel(x, y, set);
                }
            }
        }
        for (int x = 300; x < 340; ++x) {
            m.setPixel(x, 200, set);
            m.setPixel(x, 201, set);
        }
        m.setPixel(400, 400, set);
        m.setPixel(401, 401, set);
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
    border.readFrom(data, size);
    if (border.outline().size() != fuzz.outlineSize) {
        __builtin_trap();
    }
    for (float p : {0.0f, 100.5f, 211.3f, 302.0f, 512.0f}) {
        border.isInsideOutline(p, 512.0f - p);
        D3DXVECTOR3 nearest;
        border.nearestOutlinePoint(D3DXVECTOR3(p, p, 0.0f), nearest);
    }
    // Round trip only for inputs that loaded completely enough to matter.
    if (size > 1000) {
        const std::string text = border.serialise();
        if (!border.readFrom(reinterpret_cast<const unsigned char*>(text.data()), text.size()) || border.serialise() != text) {
            __builtin_trap();
        }
    }
    return 0;
}
