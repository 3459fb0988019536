// The 2D mode on the real window at 1280 x 800 (OpenGL; under Xvfb the
// software rasteriser), the program built as it ships:
//  - PaintingFrame: one frame while a brush stroke crosses the whole picture
//    (one pointer step per frame); target 16 ms;
//  - PaintingFrameWithFillPreview: the same with the fill tool and its
//    interactive preview following the pointer; target 33 ms;
//  - OpeningBorderRubric: opening the border rubric with ten 512 x 512
//    images whose borders must all be brought up to date; target 0.5 s;
//  - LoadingPhotographs: "Load Images..." of twenty 4000 x 3000 JPEG
//    photographs until the last one is shown, with the counters
//    "turbo_alone_ms" (libjpeg-turbo decoding the same files one after the
//    other, in the same run) and "ratio" (load / decode alone); target
//    ratio 1.5. The photographs are made at the start and removed at the end.
#include "bench_program.h"
#include "image/border.h"
#include "image/image_entry.h"
#include "twod/masking_rubric.h"
#include "twod/two_d.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPhotoCount = 20;
constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;
constexpr int kBorderImages = 10;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

using benchsupport::Program;

// A 512 x 512 picture with shapes and a gradient, its mask a disc.
std::unique_ptr<ImageEntry> makeImage(int seed) {
    Image picture(512, 512);
    Image mask(512, 512);
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            const int band = ((x / 37 + y / 29 + seed) % 5) * 30;
            picture.setPixel(x, y, Rgb{static_cast<unsigned char>(60 + band), static_cast<unsigned char>(x / 3),
                                       static_cast<unsigned char>(y / 3)});
            const float dx = static_cast<float>(x - 256 - seed * 7);
            const float dy = static_cast<float>(y - 250);
            if (dx * dx + dy * dy < 170.0f * 170.0f + seed * 300.0f) mask.setPixel(x, y, Rgb{192, 192, 192});
        }
    }
    return std::make_unique<ImageEntry>(Image(), std::move(picture), std::move(mask));
}

// Frames while a stroke crosses the picture; with the fill tool the pointer
// only moves (and the preview follows it).
void paint(benchmark::State& state, MaskTool tool) {
    Program program;
    if (const std::string problem = program.open(); !problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }
    TwoD& twoD = *program.application->twoD();
    twoD.images().append(makeImage(0));
    twoD.selectByNumber(1);
    twoD.showRubric(TwoD::kMaskRubric);
    twoD.maskingRubric().selectTool(tool);
    program.application->settings().toggleintpreview = true;
    twoD.maskingRubric().session().settings.brushSize = 30;
    const ViewRect view = twoD.view();
    const int top = static_cast<int>(view.top + (view.bottom - view.top) * 0.5f);
    const int left = static_cast<int>(view.left) + 10;
    const int right = static_cast<int>(view.right) - 10;
    const int step = 4;
    int x = left;
    int y = top;
    program.post(platform::MessageKind::MouseMove, x, y);
    if (tool == MaskTool::Brush) program.post(platform::MessageKind::LButtonDown, x, y);
    program.application->runPass();
    for (auto _ : state) {
        x += step;
        if (x > right) {
            // Back to the left edge for the next crossing, a little lower.
            x = left;
            y = top + ((y - top + 9) % 90);
        }
        program.post(platform::MessageKind::MouseMove, x, y);
        program.application->runPass();
    }
    if (tool == MaskTool::Brush) program.post(platform::MessageKind::LButtonUp, x, y);
    program.application->runPass();
}

void PaintingFrame(benchmark::State& state) { paint(state, MaskTool::Brush); }
BENCHMARK(PaintingFrame)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void PaintingFrameWithFillPreview(benchmark::State& state) { paint(state, MaskTool::Fill); }
BENCHMARK(PaintingFrameWithFillPreview)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void OpeningBorderRubric(benchmark::State& state) {
    Program program;
    if (const std::string problem = program.open(); !problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }
    TwoD& twoD = *program.application->twoD();
    for (int i = 0; i < kBorderImages; ++i) twoD.images().append(makeImage(i));
    twoD.selectByNumber(1);
    for (auto _ : state) {
        twoD.showRubric(TwoD::kMaskRubric);
        // Every mask was touched (parallel masking, say): every border must
        // be brought up to date when the rubric opens.
        for (int slot = 0; slot < twoD.images().slotCount(); ++slot) twoD.images().entry(slot)->border->markChanged();
        const Clock::time_point start = Clock::now();
        twoD.showRubric(TwoD::kBorderRubric);
        program.application->runPass();
        state.SetIterationTime(secondsSince(start));
    }
}
BENCHMARK(OpeningBorderRubric)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Twenty photograph-like pictures (gradients and fine noise) as JPEG files.
class Photographs {
public:
    Photographs() {
        folder_ = fs::temp_directory_path() / ("plastora-photos-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        tjhandle encoder = tjInitCompress();
        std::vector<unsigned char> rgb(static_cast<size_t>(kPhotoWidth) * kPhotoHeight * 3);
        uint32_t noise = 2463534242u;
        for (int k = 0; k < kPhotoCount; ++k) {
            for (int y = 0; y < kPhotoHeight; ++y) {
                for (int x = 0; x < kPhotoWidth; ++x) {
                    noise ^= noise << 13;
                    noise ^= noise >> 17;
                    noise ^= noise << 5;
                    const int grain = static_cast<int>(noise % 17) - 8;
                    const float wave = std::sin(static_cast<float>(x + k * 131) * 0.004f) *
                                       std::cos(static_cast<float>(y) * 0.003f);
                    unsigned char* p = &rgb[(static_cast<size_t>(y) * kPhotoWidth + x) * 3];
                    p[0] = static_cast<unsigned char>(std::clamp(120 + static_cast<int>(wave * 90) + grain, 0, 255));
                    p[1] = static_cast<unsigned char>(std::clamp(90 + (x * 100) / kPhotoWidth + grain, 0, 255));
                    p[2] = static_cast<unsigned char>(std::clamp(70 + (y * 120) / kPhotoHeight - grain, 0, 255));
                }
            }
            unsigned char* jpeg = nullptr;
            unsigned long size = 0;
            if (tjCompress2(encoder, rgb.data(), kPhotoWidth, 0, kPhotoHeight, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90,
                            0) == 0) {
                const fs::path file = folder_ / ("photo" + std::to_string(k) + ".jpg");
                std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(jpeg), static_cast<long>(size));
                paths_.push_back(file.string());
            }
            tjFree(jpeg);
        }
        tjDestroy(encoder);
    }
    ~Photographs() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    const std::vector<std::string>& paths() const { return paths_; }

private:
    fs::path folder_;
    std::vector<std::string> paths_;
};

// The photographs of this run, made on first use and removed at exit.
const Photographs& sharedPhotographs() {
    static const Photographs photographs;
    return photographs;
}

// libjpeg-turbo alone: every file read and decoded to RGB, one after the other.
double decodeAloneSeconds(const std::vector<std::string>& paths) {
    const Clock::time_point start = Clock::now();
    tjhandle decoder = tjInitDecompress();
    std::vector<unsigned char> rgb;
    for (const std::string& path : paths) {
        std::ifstream file(path, std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        int width = 0, height = 0, subsampling = 0, colourspace = 0;
        tjDecompressHeader3(decoder, bytes.data(), bytes.size(), &width, &height, &subsampling, &colourspace);
        rgb.resize(static_cast<size_t>(width) * height * 3);
        tjDecompress2(decoder, bytes.data(), bytes.size(), rgb.data(), width, 0, height, TJPF_RGB, 0);
        benchmark::DoNotOptimize(rgb.data());
    }
    tjDestroy(decoder);
    return secondsSince(start);
}

// One photograph read into an image entry on this thread (decode, the
// working copy, the mask and border) against libjpeg-turbo decoding it alone,
// alternating, so that the ratio stays fair on a busy machine.
void ReadingOnePhotograph(benchmark::State& state) {
    const Photographs& photographs = sharedPhotographs();
    if (photographs.paths().empty()) {
        state.SkipWithError("the photographs could not be written");
        return;
    }
    const std::vector<std::string> one{photographs.paths().front()};
    const String path(one.front().c_str());
    double aloneSeconds = 0.0;
    double readSeconds = 0.0;
    for (auto _ : state) {
        aloneSeconds += decodeAloneSeconds(one);
        const Clock::time_point start = Clock::now();
        String error;
        std::unique_ptr<ImageEntry> entry = pictureEntryFromFile(path, 255, error);
        const double seconds = secondsSince(start);
        benchmark::DoNotOptimize(entry.get());
        readSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["turbo_alone_ms"] = benchmark::Counter(aloneSeconds * 1000.0 / static_cast<double>(state.iterations()));
    state.counters["ratio"] = benchmark::Counter(readSeconds / aloneSeconds);
}
BENCHMARK(ReadingOnePhotograph)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void LoadingPhotographs(benchmark::State& state) {
    Program program;
    if (const std::string problem = program.open(); !problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }
    const Photographs& photographs = sharedPhotographs();
    if (static_cast<int>(photographs.paths().size()) != kPhotoCount) {
        state.SkipWithError("the photographs could not be written");
        return;
    }
    std::vector<String> files;
    for (const std::string& path : photographs.paths()) files.emplace_back(path.c_str());
    TwoD& twoD = *program.application->twoD();
    double aloneSeconds = 0.0;
    double loadSeconds = 0.0;
    for (auto _ : state) {
        aloneSeconds += decodeAloneSeconds(photographs.paths());
        program.dialogs.answerOpenFiles(files);
        const Clock::time_point start = Clock::now();
        program.application->onMenuCommand(String("Load Images..."));
        twoD.selectByNumber(kPhotoCount);
        program.application->runPass();
        const double seconds = secondsSince(start);
        loadSeconds += seconds;
        state.SetIterationTime(seconds);
        if (twoD.images().imageCount() != kPhotoCount) {
            state.SkipWithError("not every photograph was loaded");
            return;
        }
        twoD.resetRubrics();
        twoD.images().clear();
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["turbo_alone_ms"] = benchmark::Counter(aloneSeconds * 1000.0 / iterations);
    state.counters["ratio"] = benchmark::Counter(loadSeconds / aloneSeconds);
}
BENCHMARK(LoadingPhotographs)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
