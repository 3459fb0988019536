#include "project/picture_batch.h"

#include "core/file_io.h"
#include "project/camera_exif.h"
#include "render/image_file.h"
#include "sculpt/clipping.h"

#include <turbojpeg.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

struct DecoderRelease {
    void operator()(void* handle) const { tjDestroy(handle); }
};

// The smallest scale whose longer side still reaches the canvas side (the
// full size when the picture is smaller than that already).
tjscalingfactor canvasScale(int width, int height) {
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    tjscalingfactor best{1, 1};
    const int longer = std::max(width, height);
    for (int i = 0; factors != nullptr && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num > f.denom) continue;  // no enlarging
        const int scaled = TJSCALED(longer, f);
        const int bestScaled = TJSCALED(longer, best);
        if (scaled >= Image::kCanvasSide && scaled < bestScaled) best = f;
    }
    return best;
}

LoadedPicture loadOne(const String& path, int number, const PictureBatchOptions& options) {
    LoadedPicture loaded;
    std::vector<unsigned char> bytes;
    if (!options.keepFullPicture && readFile(path, bytes) && looksLikeJpeg(bytes.data(), bytes.size())) {
        Image picture;
        int width = 0;
        int height = 0;
        if (decodeJpegForCanvas(bytes.data(), bytes.size(), picture, width, height)) {
            if (options.readExif) {
                loaded.tanHalfWidth = exifTanHalfWidth(bytes.data(), bytes.size(), width, height).value_or(0.0);
            }
            loaded.entry = entryFromPicture(std::move(picture), Image(), number, options.maskValue);
            return loaded;
        }
    }
    bytes.clear();
    bytes.shrink_to_fit();
    loaded.entry = loadPictureIntoEntry(path, number, options.maskValue, &loaded.error);
    return loaded;
}

LoadedPicture loadWithClipping(const String& path, int number, const PictureBatchOptions& options) {
    LoadedPicture loaded = loadOne(path, number, options);
    if (options.makeClippings) loaded.clipping = std::make_unique<Clipping>(*loaded.entry);
    return loaded;
}

}  // namespace

LoadedPicture::LoadedPicture() = default;
LoadedPicture::LoadedPicture(LoadedPicture&&) noexcept = default;
LoadedPicture& LoadedPicture::operator=(LoadedPicture&&) noexcept = default;
LoadedPicture::~LoadedPicture() = default;

bool decodeJpegForCanvas(const unsigned char* bytes, std::size_t count, Image& picture, int& width, int& height) {
    picture = Image();
    width = 0;
    height = 0;
    if (bytes == nullptr || count == 0 || count > 0x7fffffffu) return false;
    std::unique_ptr<void, DecoderRelease> decoder(tjInitDecompress());
    if (!decoder) return false;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(decoder.get(), bytes, static_cast<unsigned long>(count), &width, &height, &subsampling,
                            &colourspace) != 0) {
        return false;
    }
    if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide ||
        static_cast<long long>(width) * height > kMaxImagePixels) {
        return false;
    }
    const tjscalingfactor scale = canvasScale(width, height);
    const int scaledWidth = TJSCALED(width, scale);
    const int scaledHeight = TJSCALED(height, scale);
    std::vector<unsigned char> rgb(static_cast<std::size_t>(scaledWidth) * scaledHeight * 3);
    if (tjDecompress2(decoder.get(), bytes, static_cast<unsigned long>(count), rgb.data(), scaledWidth,
                      scaledWidth * 3, scaledHeight, TJPF_RGB, 0) != 0) {
        // A warning leaves a usable picture; an error does not.
        if (tjGetErrorCode(decoder.get()) != TJERR_WARNING) return false;
    }
    picture = Image(scaledWidth, scaledHeight, rgb.data());
    return picture.isValid();
}

std::vector<LoadedPicture> loadPictureBatch(const std::vector<String>& paths, const std::vector<int>& numbers,
                                            const PictureBatchOptions& options,
                                            const std::function<void(int index, int done, int total)>& progress) {
    const int total = static_cast<int>(std::min(paths.size(), numbers.size()));
    std::vector<LoadedPicture> pictures(static_cast<std::size_t>(total));
    if (total == 0) return pictures;
    int threads = options.threads > 0 ? options.threads : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, total);

    std::atomic<int> next{0};
    std::mutex mutex;
    std::condition_variable finishedOne;
    std::vector<int> finished;  // indices in the order they were finished
    const auto work = [&] {
        for (int k = next++; k < total; k = next++) {
            pictures[static_cast<std::size_t>(k)] = loadWithClipping(paths[static_cast<std::size_t>(k)],
                                                                     numbers[static_cast<std::size_t>(k)], options);
            std::lock_guard<std::mutex> lock(mutex);
            finished.push_back(k);
            finishedOne.notify_one();
        }
    };
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) workers.emplace_back(work);
    {
        std::unique_lock<std::mutex> lock(mutex);
        std::size_t reported = 0;
        while (reported < static_cast<std::size_t>(total)) {
            finishedOne.wait(lock, [&] { return finished.size() > reported; });
            const std::vector<int> fresh(finished.begin() + static_cast<std::ptrdiff_t>(reported), finished.end());
            lock.unlock();
            for (int index : fresh) {
                ++reported;
                if (options.handOver) options.handOver(index, pictures[static_cast<std::size_t>(index)]);
                if (progress) progress(index, static_cast<int>(reported), total);
            }
            lock.lock();
        }
    }
    for (std::thread& worker : workers) worker.join();
    return pictures;
}
