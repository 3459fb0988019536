// Placing pictures by their angles (turntable and explicit views), the
// field of view from EXIF data, and the parallel loading of photographs.
#include "project/placement.h"

#include "image/image_entry.h"
#include "project/camera_exif.h"
#include "project/clipping_elements.h"
#include "project/picture_batch.h"
#include "project/project_file.h"
#include "render/image_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <libexif/exif-data.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

const float kPi = 4.0f * std::atan(1.0f);

// A JPEG of `width` by `height` pixels (a smooth gradient with a dark disc),
// with an APP1 EXIF block holding the given tags when `exif` is not null.
std::vector<unsigned char> jpegBytes(int width, int height, ExifData* exif = nullptr) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            const int dx = x - width / 2, dy = y - height / 2;
            const bool disc = dx * dx + dy * dy < (height / 3) * (height / 3);
            p[0] = static_cast<unsigned char>(disc ? 40 : 255 * x / width);
            p[1] = static_cast<unsigned char>(disc ? 30 : 255 * y / height);
            p[2] = static_cast<unsigned char>(disc ? 20 : 128);
        }
    }
    tjhandle encoder = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(encoder, rgb.data(), width, width * 3, height, TJPF_RGB, &out, &size, TJSAMP_420, 90, 0), 0);
    std::vector<unsigned char> jpeg(out, out + size);
    tjFree(out);
    tjDestroy(encoder);
    if (exif == nullptr) return jpeg;
    unsigned char* block = nullptr;
    unsigned int blockSize = 0;
    exif_data_save_data(exif, &block, &blockSize);
    std::vector<unsigned char> app1 = {0xFF, 0xE1, static_cast<unsigned char>((blockSize + 2) >> 8),
                                       static_cast<unsigned char>((blockSize + 2) & 0xFF)};
    app1.insert(app1.end(), block, block + blockSize);
    std::free(block);
    jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
    return jpeg;
}

ExifEntry* addEntry(ExifData* data, ExifIfd ifd, ExifTag tag) {
    ExifEntry* entry = exif_entry_new();
    exif_content_add_entry(data->ifd[ifd], entry);
    exif_entry_initialize(entry, tag);
    exif_entry_unref(entry);
    return entry;
}

void setShort(ExifData* data, ExifIfd ifd, ExifTag tag, ExifShort value) {
    exif_set_short(addEntry(data, ifd, tag)->data, exif_data_get_byte_order(data), value);
}

void setRational(ExifData* data, ExifIfd ifd, ExifTag tag, ExifRational value) {
    exif_set_rational(addEntry(data, ifd, tag)->data, exif_data_get_byte_order(data), value);
}

ExifData* newExif() {
    ExifData* data = exif_data_new();
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
    return data;
}

std::string writeJpeg(const TempDir& dir, const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(testsupport::writeBytes(path, bytes.data(), bytes.size()));
    return path;
}

}  // namespace

TEST(Placement, TurntableStepsAroundFromTheStartInEitherDirection) {
    struct Case {
        int count;
        float elevation, start;
        bool clockwise;
        std::vector<float> yaws;
    };
    const Case cases[] = {
        {8, 20.0f, 0.0f, false, {0, 45, 90, 135, 180, 225, 270, 315}},
        {4, 0.0f, 0.0f, true, {0, 270, 180, 90}},
        {3, -10.0f, 350.0f, false, {350, 110, 230}},
        {2, 90.0f, -90.0f, true, {270, 90}},
        {1, 0.0f, 360.0f, false, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        const std::vector<ViewAngles> views = turntableViews(c.count, c.elevation, c.start, c.clockwise);
        ASSERT_EQ(views.size(), c.yaws.size());
        for (std::size_t k = 0; k < views.size(); ++k) {
            EXPECT_NEAR(views[k].yaw, c.yaws[k], 1e-4f) << k;
            EXPECT_GE(views[k].yaw, 0.0f);
            EXPECT_LT(views[k].yaw, 360.0f);
            EXPECT_FLOAT_EQ(views[k].pitch, c.elevation == 90.0f ? -90.0f : -c.elevation);
            EXPECT_FLOAT_EQ(views[k].roll, 0.0f);
        }
    }
    EXPECT_TRUE(turntableViews(0, 0, 0, false).empty());
}

TEST(Placement, AnElevatedCameraLooksDownOnTheObject) {
    ClippingProjection projection;
    PictureFrame frame;
    frame.width = frame.height = 512.0f;
    frame.rotationCentre = frame.fovCentre = D3DXVECTOR2(256.0f, 256.0f);
    ASSERT_TRUE(projection.prepare(placementAt(turntableViews(1, 20.0f, 90.0f, false)[0]), frame, GridBox{}));
    const D3DXVECTOR3 direction = projection.viewingDirection();
    EXPECT_NEAR(direction.y, -std::sin(20.0f * kPi / 180.0f), 1e-4f);
    EXPECT_NEAR(direction.z, std::cos(20.0f * kPi / 180.0f), 1e-4f);  // yaw 90 looks along +z
}

TEST(Placement, ViewListsAreReadStrictly) {
    std::vector<ViewAngles> views;
    std::string error;
    ASSERT_TRUE(parseViews(" 0, -20 ,0; 90,-20,0;180.5,10,5;", views, error)) << error;
    ASSERT_EQ(views.size(), 3u);
    EXPECT_FLOAT_EQ(views[1].yaw, 90.0f);
    EXPECT_FLOAT_EQ(views[2].yaw, 180.5f);
    EXPECT_FLOAT_EQ(views[2].roll, 5.0f);
    const std::pair<const char*, const char*> bad[] = {
        {"", "empty"},           {"0,0", "three angles"},     {"0,0,0,0", "three angles"},
        {"a,0,0", "yaw 'a'"},    {"0,1e999,0", "pitch"},     {"0,0,nan", "roll"},
        {"0,0,0;;1,1,1", "empty"}, {"0,0,0;1,1", "view 2"},  {"0,0,5x", "roll '5x'"},
    };
    for (const auto& [text, reason] : bad) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseViews(text, views, error));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    float degrees = 0.0f;
    EXPECT_TRUE(parseDegrees("--elevation", "-90", -90.0f, 90.0f, degrees, error));
    EXPECT_FALSE(parseDegrees("--elevation", "91", -90.0f, 90.0f, degrees, error));
    EXPECT_NE(error.find("--elevation"), std::string::npos);
    EXPECT_FALSE(parseDegrees("--start", "ten", -360.0f, 360.0f, degrees, error));
}

TEST(Placement, PlacementIsWhatTheSlidersStoreFromTheirInitialValues) {
    const ClippingPlacement placement = placementAt(ViewAngles{370.0f, 190.0f, -30.0f});
    EXPECT_FLOAT_EQ(placement.angle, 10.0f);
    EXPECT_FLOAT_EQ(placement.angleheight, -170.0f);
    EXPECT_FLOAT_EQ(placement.angleimage, 330.0f);
    EXPECT_EQ(placement.translation, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(placement.scaling, D3DXVECTOR3(1500.0f, 1.0f, 1.0f));
    EXPECT_FALSE(placement.fovSet);
    EXPECT_FLOAT_EQ(placement.fovX, 1.5f);
    EXPECT_FLOAT_EQ(placement.fovY, 1.5f);
    // The displayed node: x = 360 - yaw, y = 360 - roll, z = pitch (+360
    // when negative), in radians.
    const float k = kPi / 180.0f;
    EXPECT_NEAR(placement.rotation.x, 350.0f * k, 1e-5f);
    EXPECT_NEAR(placement.rotation.y, 30.0f * k, 1e-5f);
    EXPECT_NEAR(placement.rotation.z, 190.0f * k, 1e-5f);
    const D3DXVECTOR3 level = sceneRotationOf(ViewAngles{0.0f, 20.0f, 0.0f});
    EXPECT_NEAR(level.z, 20.0f * k, 1e-5f);
    EXPECT_NEAR(level.x, 360.0f * k, 1e-5f);
}

TEST(Placement, FieldOfViewRatioFollowsTheCameraAndStaysInTheSliderRange) {
    struct Case {
        double tanHalfWidth;
        float width, depth, units, expected;
    };
    const Case cases[] = {
        {0.5, 512.0f, 1500.0f, 1.0f, 1.0f + 1500.0f / 512.0f},
        {0.5, 256.0f, 1500.0f, 2.0f, 1.0f + 1500.0f / 512.0f},  // the same span in world units
        {0.01, 512.0f, 1500.0f, 1.0f, 1.0f + 30.0f / 512.0f},
        {10.0, 512.0f, 1500.0f, 1.0f, 15.0f},
        {0.0, 512.0f, 1500.0f, 1.0f, 1.0f},
        {NAN, 512.0f, 1500.0f, 1.0f, 1.0f},
        {0.5, 0.0f, 1500.0f, 1.0f, 1.0f},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(fieldOfViewRatio(c.tanHalfWidth, c.width, c.depth, c.units), c.expected, 1e-4f) << c.tanHalfWidth;
    }
}

TEST(Placement, TheFieldOfViewRatioSweepsTheCamerasRays) {
    // A camera seeing 2 * atan(0.5) across the picture's 512 pixels: the rays
    // of the picture's left and right edges, as the clipping's projection
    // sweeps them through the slab, must meet at one apex at that angle, and
    // the middle ray must pass through it too.
    const double tanHalfWidth = 0.5;
    ClippingPlacement placement = placementAt(ViewAngles{30.0f, -15.0f, 0.0f});
    placement.fovSet = true;
    placement.fovX = placement.fovY = fieldOfViewRatio(tanHalfWidth, 512.0f, 1500.0f, 1.0f);
    PictureFrame frame;
    frame.width = frame.height = 512.0f;
    frame.rotationCentre = frame.fovCentre = D3DXVECTOR2(256.0f, 256.0f);
    ClippingProjection projection;
    ASSERT_TRUE(projection.prepare(placement, frame, GridBox{}));
    const auto ray = [&](float u) {
        const std::optional<D3DXVECTOR3> near = projection.unprojectPoint(ClipPoint{-750.0f, 256.0f, u});
        const std::optional<D3DXVECTOR3> far = projection.unprojectPoint(ClipPoint{750.0f, 256.0f, u});
        EXPECT_TRUE(near && far);
        return std::pair{*near, *far - *near};
    };
    const auto [leftPoint, left] = ray(0.0f);
    const auto [rightPoint, right] = ray(512.0f);
    const auto [middlePoint, middle] = ray(256.0f);
    const auto length = [](const D3DXVECTOR3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); };
    const auto dot = [](const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
    const double angle = std::acos(dot(left, right) / (length(left) * length(right)));
    EXPECT_NEAR(angle, 2.0 * std::atan(tanHalfWidth), 1e-3);
    // Where the left ray comes closest to the right one, both rays (and the
    // middle one) pass through the same point: the camera.
    const D3DXVECTOR3 across = rightPoint - leftPoint;
    const float a = dot(left, left), b = dot(left, right), c = dot(right, right);
    const float d = dot(left, across), e = dot(right, across);
    const float sLeft = (d * c - b * e) / (a * c - b * b);
    const float sRight = (d * b - a * e) / (a * c - b * b);
    const D3DXVECTOR3 apex = leftPoint + left * sLeft;
    EXPECT_LT(length(apex - (rightPoint + right * sRight)), 0.05f);
    const D3DXVECTOR3 toApex = apex - middlePoint;
    const float alongMiddle = dot(toApex, middle) / dot(middle, middle);
    EXPECT_LT(length(toApex - middle * alongMiddle), 0.05f);
    EXPECT_LT(sLeft, 0.0f);  // in front of the slab's near face
}

TEST(Placement, PlacedImagesSaveAndLoadAsOrdinaryClippings) {
    TempDir dir;
    ImageList images;
    ClippingTable clippings(images);
    for (int i = 0; i < 3; ++i) {
        images.append(std::make_unique<ImageEntry>(Image(), Image(512, 384, Rgb{10, 20, 30}), Image()));
    }
    const std::vector<ViewAngles> views = turntableViews(3, 25.0f, 10.0f, false);
    const std::vector<CameraFieldOfView> cameras = {{0.5}, {0.0}, {0.25}};
    EXPECT_FALSE(placeImages(images, clippings, {views[0]}, {}));  // one view for three pictures
    EXPECT_FALSE(clippings.clipping(0)->flags().enabled);
    ASSERT_TRUE(placeImages(images, clippings, views, cameras));

    StatusSink quiet;
    ASSERT_TRUE(saveProject(String(dir.file("placed.qz").c_str()), images, ProjectSettings{}, quiet, &clippings).saved);
    ImageList loadedImages;
    ClippingTable loaded(loadedImages);
    ProjectSettings settings;
    ASSERT_TRUE(loadProject(String(dir.file("placed.qz").c_str()), loadedImages, settings, quiet, &loaded).opened);
    ASSERT_EQ(loadedImages.imageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const ClippingPlacement& p = loaded.clipping(i)->placement();
        EXPECT_NEAR(p.angle, views[static_cast<std::size_t>(i)].yaw, 1e-4f);
        EXPECT_NEAR(p.angleheight, -25.0f, 1e-4f);
        EXPECT_NEAR(p.rotation.z, 335.0f * kPi / 180.0f, 1e-4f);
        EXPECT_EQ(p.scaling, D3DXVECTOR3(1500.0f, 1.0f, 1.0f));
        EXPECT_TRUE(loaded.clipping(i)->flags().enabled);
        EXPECT_TRUE(loadedImages.entry(i)->usedForSculpting);
        EXPECT_EQ(p.fovSet, i != 1);
    }
    EXPECT_NEAR(loaded.clipping(0)->placement().fovX, fieldOfViewRatio(0.5, 512.0f, 1500.0f, 1.0f), 1e-4f);
    EXPECT_NEAR(loaded.clipping(2)->placement().fovY, fieldOfViewRatio(0.25, 512.0f, 1500.0f, 1.0f), 1e-4f);

    // Placing again keeps the camera's field of view.
    ASSERT_TRUE(placeImages(loadedImages, loaded, turntableViews(3, 0.0f, 0.0f, true), {}));
    EXPECT_TRUE(loaded.clipping(0)->placement().fovSet);
    EXPECT_FLOAT_EQ(loaded.clipping(1)->placement().angle, 240.0f);
}

TEST(CameraExif, AngleOfViewComesFromTheEquivalentOrTheTrueFocalLength) {
    // 35 mm equivalent of 28 mm on a 4:3 picture.
    ExifData* equivalent = newExif();
    setShort(equivalent, EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM, 28);
    const std::vector<unsigned char> a = jpegBytes(64, 48, equivalent);
    exif_data_unref(equivalent);
    const double diagonal = std::sqrt(36.0 * 36.0 + 24.0 * 24.0);
    const std::optional<double> fromEquivalent = exifTanHalfWidth(a.data(), a.size(), 4000, 3000);
    ASSERT_TRUE(fromEquivalent.has_value());
    EXPECT_NEAR(*fromEquivalent, diagonal / 56.0 * 0.8, 1e-9);

    // 5 mm lens on a sensor 4000 pixels at 1000 pixels per centimetre = 40 mm wide.
    ExifData* focal = newExif();
    setRational(focal, EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH, ExifRational{50, 10});
    setRational(focal, EXIF_IFD_EXIF, EXIF_TAG_FOCAL_PLANE_X_RESOLUTION, ExifRational{1000, 1});
    setShort(focal, EXIF_IFD_EXIF, EXIF_TAG_FOCAL_PLANE_RESOLUTION_UNIT, 3);
    const std::vector<unsigned char> b = jpegBytes(64, 48, focal);
    exif_data_unref(focal);
    const std::optional<double> fromFocal = exifTanHalfWidth(b.data(), b.size(), 4000, 3000);
    ASSERT_TRUE(fromFocal.has_value());
    EXPECT_NEAR(*fromFocal, 40.0 / 10.0, 1e-9);

    // Nothing usable: no EXIF, a focal length without a sensor size, a zero
    // focal length, a focal length so long the angle is absurd, not a JPEG.
    ExifData* lonely = newExif();
    setRational(lonely, EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH, ExifRational{50, 10});
    ExifData* zero = newExif();
    setShort(zero, EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM, 0);
    ExifData* absurd = newExif();
    setShort(absurd, EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM, 60000);
    for (ExifData* data : {static_cast<ExifData*>(nullptr), lonely, zero, absurd}) {
        const std::vector<unsigned char> bytes = jpegBytes(32, 24, data);
        EXPECT_FALSE(exifTanHalfWidth(bytes.data(), bytes.size(), 32, 24).has_value());
        if (data != nullptr) exif_data_unref(data);
    }
    const unsigned char notJpeg[] = {0x89, 'P', 'N', 'G', 0, 0, 0, 0};
    EXPECT_FALSE(exifTanHalfWidth(notJpeg, sizeof notJpeg, 32, 24).has_value());
    // Damaged EXIF blocks never read outside the bytes.
    std::vector<unsigned char> damaged = a;
    for (std::size_t cut = 4; cut < 200 && cut < damaged.size(); cut += 7) {
        (void)exifTanHalfWidth(damaged.data(), cut, 4000, 3000);
    }
}

TEST(PictureBatch, JpegsDecodeAtAReducedScaleToTheSameWorkingCopy) {
    TempDir dir;
    const std::string path = writeJpeg(dir, "big.jpg", jpegBytes(2400, 1800));
    const std::vector<unsigned char> bytes = testsupport::readBytes(path);
    Image reduced;
    int width = 0, height = 0;
    ASSERT_TRUE(decodeJpegForCanvas(bytes.data(), bytes.size(), reduced, width, height));
    EXPECT_EQ(width, 2400);
    EXPECT_EQ(height, 1800);
    EXPECT_EQ(reduced.width(), 600);  // 1/4: the smallest scale still reaching 512
    EXPECT_EQ(reduced.height(), 450);

    const auto fast = entryFromPicture(std::move(reduced), Image(), 1, 255);
    const auto full = loadPictureIntoEntry(String(path.c_str()), 1, 255);
    ASSERT_EQ(fast->workingCopy.marginRight, full->workingCopy.marginRight);
    ASSERT_EQ(fast->workingCopy.marginBottom, full->workingCopy.marginBottom);
    double difference = 0.0;
    for (int y = 0; y < 384; ++y) {
        for (int x = 0; x < 512; ++x) {
            const Rgb a = fast->workingCopy.pixel(x, y);
            const Rgb b = full->workingCopy.pixel(x, y);
            difference += std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
        }
    }
    EXPECT_LT(difference / (512.0 * 384.0 * 3.0), 3.0);  // mean difference per channel

    const std::vector<unsigned char> small = jpegBytes(300, 200);
    ASSERT_TRUE(decodeJpegForCanvas(small.data(), small.size(), reduced, width, height));
    EXPECT_EQ(reduced.width(), 300);  // never enlarged, never below the canvas when avoidable
    const unsigned char garbage[] = {0xFF, 0xD8, 0xFF, 0xE0, 0, 2, 1, 2, 3};
    EXPECT_FALSE(decodeJpegForCanvas(garbage, sizeof garbage, reduced, width, height));
    EXPECT_FALSE(reduced.isValid());
}

TEST(PictureBatch, PicturesComeBackInOrderWithNumbersExifAndFailures) {
    TempDir dir;
    ExifData* exif = newExif();
    setShort(exif, EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM, 50);
    std::vector<String> paths;
    std::vector<int> numbers;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        paths.push_back(String(writeJpeg(dir, name, jpegBytes(700 + 100 * i, 500, i % 2 == 0 ? exif : nullptr)).c_str()));
        numbers.push_back(10 + i);
    }
    exif_data_unref(exif);
    RgbaImage png;
    png.width = png.height = 64;
    png.hasAlpha = true;
    png.pixels.assign(64 * 64 * 4, 255);
    for (std::size_t i = 3; i < png.pixels.size(); i += 8) png.pixels[i] = 0;
    String error;
    ASSERT_TRUE(encodeImageFile(String(dir.file("alpha.png").c_str()), png, error));
    paths.push_back(String(dir.file("alpha.png").c_str()));
    numbers.push_back(20);
    paths.push_back(String(dir.file("missing.jpg").c_str()));
    numbers.push_back(21);

    std::set<int> reported;
    int lastDone = 0;
    PictureBatchOptions options;
    options.threads = 3;
    const std::vector<LoadedPicture> loaded =
        loadPictureBatch(paths, numbers, options, [&](int index, int done, int total) {
            EXPECT_EQ(total, 8);
            EXPECT_EQ(done, lastDone + 1);
            lastDone = done;
            reported.insert(index);
        });
    ASSERT_EQ(loaded.size(), 8u);
    EXPECT_EQ(reported.size(), 8u);
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(loaded[i].entry);
        EXPECT_STREQ(loaded[i].entry->name().text(), std::to_string(10 + i).c_str());
        EXPECT_EQ(loaded[i].error.length(), 0);
        EXPECT_EQ(loaded[i].tanHalfWidth > 0.0, i % 2 == 0);
        const int width = 700 + 100 * static_cast<int>(i);
        EXPECT_EQ(loaded[i].entry->workingCopy.marginBottom, 512 - 500 * 512 / width);
    }
    EXPECT_GT(loaded[6].entry->mask.width(), 0);
    EXPECT_TRUE(loaded[6].entry->mask.isSet(10, 10) || loaded[6].entry->mask.isSet(11, 10));
    EXPECT_GT(loaded[7].error.length(), 0);
    ASSERT_TRUE(loaded[7].entry);

    options.readExif = false;
    EXPECT_EQ(loadPictureBatch({paths[0]}, {1}, options, {})[0].tanHalfWidth, 0.0);
}
