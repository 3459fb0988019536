#include "support/screenshot_compare.h"

#include "core/file_io.h"
#include "support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace testsupport {

namespace {

std::string sizeText(const RgbaImage& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height);
}

bool sameSize(const RgbaImage& a, const RgbaImage& b) { return a.width == b.width && a.height == b.height; }

bool holdsPixels(const RgbaImage& image) {
    return image.width > 0 && image.height > 0 &&
           image.pixels.size() == static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4;
}

// Largest channel difference of pixel `index`.
int pixelDifference(const RgbaImage& a, const RgbaImage& b, size_t index) {
    int largest = 0;
    for (size_t c = 0; c < 4; ++c) {
        const int difference = std::abs(static_cast<int>(a.pixels[index * 4 + c]) - static_cast<int>(b.pixels[index * 4 + c]));
        if (difference > largest) largest = difference;
    }
    return largest;
}

std::string percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f %%", share * 100.0);
    return text;
}

std::string diffPathFor(const std::string& actualPath) {
    std::filesystem::path path(actualPath);
    const std::string stem = path.stem().string();
    return (path.parent_path() / (stem + ".diff.png")).string();
}

bool decode(const std::string& path, RgbaImage& image, std::string& error) {
    String reason;
    if (decodeImageFile(String(path.c_str()), image, reason)) return true;
    error = "cannot read " + path + ": " + reason.str();
    return false;
}

bool updatingBaselines() {
    const char* value = std::getenv("PLASTORA_UPDATE_BASELINES");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace

ImageComparison compareImages(const RgbaImage& expected, const RgbaImage& actual, const ImageTolerance& tolerance) {
    ImageComparison result;
    if (!holdsPixels(expected) || !holdsPixels(actual)) {
        result.reason = "a picture is empty or its pixel buffer does not fit its size";
        return result;
    }
    if (!sameSize(expected, actual)) {
        result.reason = "the sizes differ: expected " + sizeText(expected) + ", actual " + sizeText(actual);
        return result;
    }
    result.totalPixels = static_cast<long long>(expected.width) * expected.height;
    long long firstX = -1;
    long long firstY = -1;
    for (long long i = 0; i < result.totalPixels; ++i) {
        const int difference = pixelDifference(expected, actual, static_cast<size_t>(i));
        if (difference > result.largestDifference) result.largestDifference = difference;
        if (difference <= tolerance.channel) continue;
        if (result.differingPixels == 0) {
            firstX = i % expected.width;
            firstY = i / expected.width;
        }
        ++result.differingPixels;
    }
    const double share = static_cast<double>(result.differingPixels) / static_cast<double>(result.totalPixels);
    result.matches = share <= tolerance.maxDifferingShare;
    if (result.differingPixels > 0) {
        result.reason = std::to_string(result.differingPixels) + " of " + std::to_string(result.totalPixels) +
                        " pixels (" + percent(share) + ") differ by more than " + std::to_string(tolerance.channel) +
                        " in a channel (allowed " + percent(tolerance.maxDifferingShare) + "); largest difference " +
                        std::to_string(result.largestDifference) + ", first at " + std::to_string(firstX) + "," +
                        std::to_string(firstY);
    }
    return result;
}

RgbaImage differenceImage(const RgbaImage& expected, const RgbaImage& actual, const ImageTolerance& tolerance) {
    RgbaImage diff;
    if (!holdsPixels(expected) || !holdsPixels(actual) || !sameSize(expected, actual)) return diff;
    diff.width = actual.width;
    diff.height = actual.height;
    diff.pixels.resize(actual.pixels.size());
    const size_t count = static_cast<size_t>(actual.width) * static_cast<size_t>(actual.height);
    for (size_t i = 0; i < count; ++i) {
        unsigned char* out = &diff.pixels[i * 4];
        if (pixelDifference(expected, actual, i) > tolerance.channel) {
            out[0] = 255;
            out[1] = 0;
            out[2] = 0;
        } else {
            const unsigned char* in = &actual.pixels[i * 4];
            const int grey = (in[0] * 3 + in[1] * 6 + in[2]) / 10;
            const auto faded = static_cast<unsigned char>(160 + grey * 95 / 255);
            out[0] = out[1] = out[2] = faded;
        }
        out[3] = 255;
    }
    return diff;
}

ImageComparison compareImageFiles(const std::string& expectedPath, const std::string& actualPath,
                                  const ImageTolerance& tolerance) {
    ImageComparison result;
    RgbaImage expected;
    RgbaImage actual;
    if (!decode(expectedPath, expected, result.reason) || !decode(actualPath, actual, result.reason)) return result;
    result = compareImages(expected, actual, tolerance);
    if (result.matches || !sameSize(expected, actual)) return result;

    const std::string diffPath = diffPathFor(actualPath);
    String error;
    if (encodeImageFile(String(diffPath.c_str()), differenceImage(expected, actual, tolerance), error)) {
        result.reason += "; differences in red: " + diffPath;
    } else {
        result.reason += "; the difference picture could not be written: " + error.str();
    }
    return result;
}

std::string baselinePath(const std::string& name) { return sourceDir() + "/tests/baselines/" + name; }

ImageComparison compareWithBaseline(const std::string& name, const std::string& actualPath,
                                    const ImageTolerance& tolerance) {
    const std::string baseline = baselinePath(name);
    if (updatingBaselines()) {
        ImageComparison result;
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(baseline).parent_path(), ignored);
        std::vector<unsigned char> bytes;
        if (!readFile(String(actualPath.c_str()), bytes) ||
            !replaceFile(String(baseline.c_str()), bytes.data(), static_cast<int>(bytes.size()))) {
            result.reason = "cannot copy " + actualPath + " to the baseline " + baseline;
            return result;
        }
        result.matches = true;
        result.reason = "baseline updated: " + baseline;
        return result;
    }
    if (!std::filesystem::exists(baseline)) {
        ImageComparison result;
        result.reason = "there is no baseline " + baseline + "; run the test with PLASTORA_UPDATE_BASELINES=1 to "
                        "make it from " + actualPath + " (look at the picture first)";
        return result;
    }
    return compareImageFiles(baseline, actualPath, tolerance);
}

}  // namespace testsupport
