// Fuzz target for the project loader: arbitrary bytes are loaded as the XML of
// a project whose folder holds a fixed set of companion files (a saved image
// with its mask and border file, a picture that is not a canvas square and a
// broken picture). Whatever the bytes hold, loading must finish, add at most
// the allowed number of images, and leave every image a valid canvas square
// with a mask of its size and margins inside the canvas.
#include "project/project_file.h"

#include "image/image_entry.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int kMaxImages = 2;

// A picture that needs little work to trace: a small photo on a canvas with
// wide margins, its mask a disc.
std::unique_ptr<ImageEntry> smallEntry() {
    Image picture(90, 70, Rgb{30, 140, 200});
    Image working = makeWorkingCopy(picture);
    Image mask(Image::kCanvasSide, Image::kCanvasSide);
    for (int y = 5; y < 65; ++y) {
        for (int x = 5; x < 85; ++x) {
            if ((x - 45) * (x - 45) + (y - 35) * (y - 35) < 600) mask.setPixel(x, y, Rgb{192, 192, 192});
        }
    }
    return std::make_unique<ImageEntry>(Image(), std::move(working), std::move(mask));
}

std::filesystem::path& folderPath() {
    static std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("plastora-fuzz-project-" + std::to_string(::getpid()));
    return dir;
}

void removeFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folderPath(), ignored);
}

// The folder with the companion files, made once per process and removed
// when it ends.
const String& companionFolder() {
    static const String folder = [] {
        const std::filesystem::path& dir = folderPath();
        std::filesystem::create_directories(dir);
        std::atexit(removeFolder);
        const std::string base = dir.string() + "/";
        ImageList images;
        images.append(smallEntry());
        StatusSink quiet;
        saveProject(String((base + "seed.qz").c_str()), images, ProjectSettings{}, quiet);
        Image(64, 48, Rgb{1, 2, 3}).saveToFile(String((base + "odd.bmp").c_str()));
        if (FILE* junk = std::fopen((base + "junk.bmp").c_str(), "wb")) {
            std::fputs("BM not really a bitmap", junk);
            std::fclose(junk);
        }
        return String(base.c_str());
    }();
    return folder;
}

void check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const String& folder = companionFolder();
    ImageList images;
    ProjectSettings settings;
    StatusSink quiet;
    const ProjectLoadReport report =
        loadProjectFromMemory(data, size, folder, images, settings, quiet, nullptr, kMaxImages);

    check(report.imagesAdded <= kMaxImages);
    check(images.imageCount() == report.imagesAdded);
    check(report.opened || report.imagesAdded == 0);
    for (int i = 0; i < images.slotCount(); ++i) {
        const ImageEntry* entry = images.entry(i);
        check(entry != nullptr);
        const Image& working = entry->workingCopy;
        check(working.isValid() && working.width() == Image::kCanvasSide && working.height() == Image::kCanvasSide);
        check(entry->mask.width() == working.width() && entry->mask.height() == working.height());
        check(working.marginRight >= 0 && working.marginRight < working.width());
        check(working.marginBottom >= 0 && working.marginBottom < working.height());
        check(entry->mask.marginRight == working.marginRight && entry->mask.marginBottom == working.marginBottom);
    }
    return 0;
}
