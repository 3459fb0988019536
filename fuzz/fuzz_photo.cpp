// Fuzz target for the photographs of "plastora import": the reduced-scale
// JPEG decoding and the EXIF reading on arbitrary bytes. A decoded picture
// must have a sane size (never enlarged, the longer side reaching the canvas
// side whenever the file's does); an angle of view must be finite and
// within the limits the reader promises.
//
//   build-fuzz/fuzz/fuzz_photo corpus -dict=fuzz/photo.dict -max_total_time=60
#include "image/image.h"
#include "project/camera_exif.h"
#include "project/picture_batch.h"
#include "render/image_file.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Image picture;
    int width = 0;
    int height = 0;
    if (decodeJpegForCanvas(data, size, picture, width, height)) {
        if (!picture.isValid() || picture.width() < 1 || picture.height() < 1) __builtin_trap();
        if (picture.width() > width || picture.height() > height) __builtin_trap();
        const int longer = std::max(width, height);
        const int reduced = std::max(picture.width(), picture.height());
        if (longer >= Image::kCanvasSide && reduced < Image::kCanvasSide) __builtin_trap();
        if (width > kMaxImageSide || height > kMaxImageSide) __builtin_trap();
    }
    for (const auto& [w, h] : {std::pair{4000, 3000}, std::pair{1, 1}, std::pair{width, height}}) {
        const std::optional<double> tangent = exifTanHalfWidth(data, size, w, h);
        if (tangent && (!std::isfinite(*tangent) || *tangent < std::tan(0.25 * 3.14159 / 180.0) ||
                        *tangent > std::tan(88.0 * 3.14159 / 180.0))) {
            __builtin_trap();
        }
    }
    return 0;
}
