// Mask tools on a 512 by 512 mask holding one large irregular blob of
// 200,000 set pixels: flood fills and a brush stroke of 100 segments.
#include "image/masking_session.h"
#include "image/masking_tools.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kSide = Image::kCanvasSide;
constexpr int kBlobPixels = 200000;
constexpr Rgb kMaskValue{192, 192, 192};

// A wobbly disc: the kBlobPixels interior pixels with the smallest value of a
// distance that varies with the angle and the position.
Image makeBlobMask() {
    Image mask(kSide, kSide);
    std::vector<float> value;
    value.reserve(static_cast<size_t>(kSide) * kSide);
    auto shape = [](int x, int y) {
        float dx = static_cast<float>(x) - 256.0f;
        float dy = static_cast<float>(y) - 256.0f;
        float angle = std::atan2(dy, dx);
        float wobble = 1.0f + 0.15f * std::sin(5.0f * angle) + 0.08f * std::sin(11.0f * angle + 1.0f);
        return std::sqrt(dx * dx + dy * dy) * wobble + 6.0f * std::sin(x / 9.0f) * std::cos(y / 13.0f);
    };
    for (int y = 1; y < kSide - 1; ++y)
        for (int x = 1; x < kSide - 1; ++x) value.push_back(shape(x, y));
    std::vector<float> sorted = value;
    std::nth_element(sorted.begin(), sorted.begin() + kBlobPixels, sorted.end());
    float limit = sorted[kBlobPixels];
    for (int y = 1; y < kSide - 1; ++y)
        for (int x = 1; x < kSide - 1; ++x)
            if (shape(x, y) < limit) mask.setPixel(x, y, kMaskValue);
    return mask;
}

void BM_FloodFillWholePicture(benchmark::State& state) {
    Image picture(kSide, kSide, Rgb{90, 120, 150});
    Image mask = makeBlobMask();
    for (auto _ : state) {
        int written = floodFill(picture, mask, 256, 256, FillBasis::Image, 35, kMaskValue);
        benchmark::DoNotOptimize(written);
    }
}
BENCHMARK(BM_FloodFillWholePicture)->Unit(benchmark::kMillisecond);

void BM_FloodFillMaskBlob(benchmark::State& state) {
    Image picture(kSide, kSide, Rgb{90, 120, 150});
    Image mask = makeBlobMask();
    for (auto _ : state) {
        int written = floodFill(picture, mask, 256, 256, FillBasis::Mask, 1, kMaskValue);
        benchmark::DoNotOptimize(written);
    }
}
BENCHMARK(BM_FloodFillMaskBlob)->Unit(benchmark::kMillisecond);

// Press, 100 drags around a circle through the blob's edge, release; with
// the undo snapshot and the change notifications of the session.
void BM_BrushStroke100Segments(benchmark::State& state) {
    Image picture(kSide, kSide, Rgb{90, 120, 150});
    Image mask = makeBlobMask();
    std::vector<MaskTarget> loaded{{&picture, &mask}};
    MaskImages images{loaded, 0};
    MaskChangeNotifier notifier;
    MaskUndoList undo(notifier);
    undo.makeStack(mask);
    MaskingSession session(undo, notifier);
    session.settings.operation = static_cast<MaskOperation>(state.range(0));
    std::vector<PixelPosition> path;
    for (int i = 0; i <= 100; ++i) {
        double angle = i * 2.0 * 3.14159265358979 / 100.0;
        path.push_back(PixelPosition{256 + static_cast<int>(200.0 * std::cos(angle)),
                                     256 + static_cast<int>(200.0 * std::sin(angle))});
    }
    for (auto _ : state) {
        session.brushPress(images, path[0].x, path[0].y);
        for (size_t i = 1; i < path.size(); ++i) session.brushDrag(images, path[i].x, path[i].y);
        session.release();
    }
}
BENCHMARK(BM_BrushStroke100Segments)
    ->Arg(static_cast<int>(MaskOperation::Add))
    ->Arg(static_cast<int>(MaskOperation::Remove))
    ->Unit(benchmark::kMillisecond);

}  // namespace
