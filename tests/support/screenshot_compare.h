// Screenshot comparison for the GUI tests: two RGBA pictures match when few
// enough pixels differ by more than a per-channel tolerance. Baselines live
// in tests/baselines/ of the source tree; running the tests with
// PLASTORA_UPDATE_BASELINES=1 rewrites them from the actual screenshots.
#pragma once

#include "render/image_file.h"

#include <string>

namespace testsupport {

struct ImageTolerance {
    // A pixel differs when any of its red, green, blue or alpha channels
    // differs by more than this.
    int channel = 8;
    // The pictures match while the share of differing pixels (0..1) is at
    // most this.
    double maxDifferingShare = 0.002;
};

struct ImageComparison {
    bool matches = false;
    // Why not ("4123 of 480000 pixels (0.86 %) differ ..."), or a note
    // ("baseline updated") when they match.
    std::string reason;
    long long differingPixels = 0;
    long long totalPixels = 0;
    int largestDifference = 0;  // over all channels of all pixels
};

// Compares `actual` with `expected`. Pictures of different sizes never
// match.
ImageComparison compareImages(const RgbaImage& expected, const RgbaImage& actual, const ImageTolerance& tolerance);

// A picture of the differences: differing pixels red, matching ones a faded
// grey copy of `actual`. Empty when the sizes differ.
RgbaImage differenceImage(const RgbaImage& expected, const RgbaImage& actual, const ImageTolerance& tolerance);

// Compares two picture files (any format decodeImageFile reads). On a
// mismatch of equal-sized pictures the difference picture is written
// beside `actualPath` ("shot.png" -> "shot.diff.png") and named in the
// reason. An unreadable file never matches.
ImageComparison compareImageFiles(const std::string& expectedPath, const std::string& actualPath,
                                  const ImageTolerance& tolerance);

// Path of baseline `name` ("splash.png") in the source tree.
std::string baselinePath(const std::string& name);

// Compares the screenshot `actualPath` with baseline `name`. With
// PLASTORA_UPDATE_BASELINES=1 the baseline is first replaced by a copy of
// the screenshot file and the result matches with the reason "baseline
// updated". A missing baseline never matches and
// says how to make one.
ImageComparison compareWithBaseline(const std::string& name, const std::string& actualPath,
                                    const ImageTolerance& tolerance);

}  // namespace testsupport
