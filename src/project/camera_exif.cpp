#include "project/camera_exif.h"

#include <libexif/exif-data.h>
#include <libexif/exif-loader.h>

#include <cmath>
#include <climits>
#include <memory>

namespace {

// The diagonal of a 35 mm film frame (36 by 24 mm).
const double kFilmDiagonal = std::sqrt(36.0 * 36.0 + 24.0 * 24.0);

struct ExifDataRelease {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};
using ExifHandle = std::unique_ptr<ExifData, ExifDataRelease>;

ExifHandle exifDataOf(const unsigned char* bytes, std::size_t count) {
    ExifLoader* loader = exif_loader_new();
    if (loader == nullptr) return nullptr;
    const unsigned int size = count > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(count);
    exif_loader_write(loader, const_cast<unsigned char*>(bytes), size);
    ExifHandle data(exif_loader_get_data(loader));
    exif_loader_unref(loader);
    return data;
}

ExifEntry* entryOf(ExifData* data, ExifTag tag) {
    for (int ifd = 0; ifd < EXIF_IFD_COUNT; ++ifd) {
        if (data->ifd[ifd] == nullptr) continue;
        if (ExifEntry* entry = exif_content_get_entry(data->ifd[ifd], tag)) return entry;
    }
    return nullptr;
}

// A whole number stored as SHORT or LONG; 0 when missing or malformed.
double whole(ExifData* data, ExifTag tag) {
    const ExifEntry* entry = entryOf(data, tag);
    if (entry == nullptr || entry->components < 1 || entry->data == nullptr) return 0.0;
    const ExifByteOrder order = exif_data_get_byte_order(data);
    if (entry->format == EXIF_FORMAT_SHORT && entry->size >= 2) return exif_get_short(entry->data, order);
    if (entry->format == EXIF_FORMAT_LONG && entry->size >= 4) return exif_get_long(entry->data, order);
    return 0.0;
}

// A RATIONAL; 0 when missing, malformed or with a zero denominator.
double rational(ExifData* data, ExifTag tag) {
    const ExifEntry* entry = entryOf(data, tag);
    if (entry == nullptr || entry->components < 1 || entry->data == nullptr || entry->size < 8 ||
        entry->format != EXIF_FORMAT_RATIONAL) {
        return 0.0;
    }
    const ExifRational value = exif_get_rational(entry->data, exif_data_get_byte_order(data));
    if (value.denominator == 0) return 0.0;
    return static_cast<double>(value.numerator) / value.denominator;
}

// Millimetres per unit of FocalPlaneResolutionUnit (2 inch, 3 centimetre,
// and the millimetre and micrometre some cameras write); 0 when unknown.
double millimetresPerUnit(double unit) {
    if (unit == 2.0) return 25.4;
    if (unit == 3.0) return 10.0;
    if (unit == 4.0) return 1.0;
    if (unit == 5.0) return 0.001;
    return 0.0;
}

std::optional<double> sane(double tanHalfWidth) {
    const double degrees = 2.0 * std::atan(tanHalfWidth) * 180.0 / (4.0 * std::atan(1.0));
    if (!std::isfinite(tanHalfWidth) || degrees < 1.0 || degrees > 175.0) return std::nullopt;
    return tanHalfWidth;
}

}  // namespace

bool looksLikeJpeg(const unsigned char* bytes, std::size_t count) {
    return count >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

std::optional<double> exifTanHalfWidth(const unsigned char* bytes, std::size_t count, int width, int height) {
    if (bytes == nullptr || !looksLikeJpeg(bytes, count) || width < 1 || height < 1) return std::nullopt;
    const ExifHandle data = exifDataOf(bytes, count);
    if (!data) return std::nullopt;

    const double equivalent = whole(data.get(), EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM);
    if (equivalent > 0.0) {
        const double tanHalfDiagonal = kFilmDiagonal / (2.0 * equivalent);
        return sane(tanHalfDiagonal * width / std::hypot(static_cast<double>(width), static_cast<double>(height)));
    }

    const double focal = rational(data.get(), EXIF_TAG_FOCAL_LENGTH);
    const double resolution = rational(data.get(), EXIF_TAG_FOCAL_PLANE_X_RESOLUTION);
    const double unit = millimetresPerUnit(whole(data.get(), EXIF_TAG_FOCAL_PLANE_RESOLUTION_UNIT));
    double sensorPixels = whole(data.get(), EXIF_TAG_PIXEL_X_DIMENSION);
    if (sensorPixels <= 0.0) sensorPixels = width;
    if (focal <= 0.0 || resolution <= 0.0 || unit <= 0.0) return std::nullopt;
    const double sensorWidth = sensorPixels / resolution * unit;
    return sane(sensorWidth / (2.0 * focal));
}
