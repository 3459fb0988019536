// Two pictures of a disc, seen from the front and from the side, placed as
// clippings: the smallest scene that sculpts into a closed mesh.
#pragma once

#include "image/image_entry.h"
#include "project/clipping_elements.h"

#include <memory>
#include <vector>

namespace testsupport {

// Appends the two pictures to `images` (whose clippings `clippings` keeps)
// and returns their clippings. With `enabled` false neither takes part;
// with `emptyMasks` the masks are empty.
inline std::vector<Clipping*> addDiscViews(ImageList& images, ClippingTable& clippings, bool enabled,
                                           bool emptyMasks = false) {
    std::vector<Clipping*> added;
    for (int view = 0; view < 2; ++view) {
        Image mask(Image::kCanvasSide, Image::kCanvasSide);
        for (int y = 0; y < Image::kCanvasSide && !emptyMasks; ++y) {
            for (int x = 0; x < Image::kCanvasSide; ++x) {
                if ((x - 256) * (x - 256) + (y - 256) * (y - 256) < 150 * 150) mask.setPixel(x, y, Rgb{255, 255, 255});
            }
        }
        auto entry = std::make_unique<ImageEntry>(
            Image(), Image(Image::kCanvasSide, Image::kCanvasSide, Rgb{200, 40, 40}), std::move(mask));
        entry->setName(String().append(images.nextImageNumber()));
        const int index = images.append(std::move(entry));
        ClippingRecord record;
        record.flags.enabled = enabled;
        record.placement.angle = 90.0f * static_cast<float>(view);
        record.placement.scaling = D3DXVECTOR3(1500.0f, 2.0f, 2.0f);
        applyRecord(record, *clippings.clipping(index));
        added.push_back(clippings.clipping(index));
    }
    return added;
}

}  // namespace testsupport
