// The camera's angle of view, read from a photograph's EXIF data.
#pragma once

#include <cstddef>
#include <optional>

// tan(horizontal angle of view / 2) for the picture as stored (`width` by
// `height` pixels, the orientation tag is not applied), from the EXIF data
// of the JPEG file in `bytes`:
//  - the focal length in 35 mm film (FocalLengthIn35mmFilm): the angle that
//    focal length gives across the 43.27 mm diagonal of a 35 mm frame,
//    shared out along the picture's diagonal;
//  - else the focal length (FocalLength) with the sensor's size from the
//    focal plane resolution (FocalPlaneXResolution and its unit) and the
//    picture's width in sensor pixels (PixelXDimension, else `width`).
// Empty when the file has no EXIF data, the tags are missing, zero or
// malformed, or the result is absurd (an angle of view below 1 or above 175
// degrees). Never reads outside `bytes`.
std::optional<double> exifTanHalfWidth(const unsigned char* bytes, std::size_t count, int width, int height);

// True when the bytes start like a JPEG file.
bool looksLikeJpeg(const unsigned char* bytes, std::size_t count);
