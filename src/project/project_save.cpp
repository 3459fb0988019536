// Saving a project: the XML tree and the companion files, written beside
// their final names and renamed into place only when all are complete.
#include "project/project_file.h"

#include "project/clipping_data.h"

#include "core/file_io.h"
#include "core/logger.h"
#include "core/xml.h"
#include "image/border.h"
#include "image/image_entry.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

String text(const char* before, const String& middle, const char* after = "") {
    String result(before);
    return result.append(middle).append(String(after));
}

String numberedName(const char* stem, int index, const char* extension) {
    String name(stem);
    return name.append(index).append(String(extension));
}

String integerText(int value) {
    String result;
    return result.append(value);
}

String floatText(float value) {
    String result;
    return result.append(static_cast<double>(value));
}

// A slider value as the file stores it: truncated toward zero.
int truncatedSlider(float value) {
    if (!std::isfinite(value)) return 0;
    if (value >= static_cast<float>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<float>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

// Files written under their staging names, waiting to be renamed into place.
// The writes run in the background, a few at a time, so that the disk's
// waits overlap each other and the encoding of the next files.
class StagedFiles {
public:
    StagedFiles() = default;
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;
    // Waits for the writes and removes whatever was staged and not committed.
    ~StagedFiles() {
        for (auto& file : files_) {
            if (file.written.valid()) file.written.wait();
            std::remove(file.staging.text());
        }
    }

    // Starts writing the bytes under the staging name of `finalPath`. False
    // (with the reason in `error`) when a write started earlier has failed.
    bool stage(const String& finalPath, std::vector<unsigned char> bytes, String& error) {
        if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
            error = text("Could not write ", finalPath);
            return false;
        }
        // Keep a bounded number of writes (and their bytes) in flight.
        for (std::size_t i = waited_; i + kWritesInFlight <= files_.size(); ++i) {
            if (!settle(i, error)) return false;
        }
        File file{stagingFileName(finalPath), finalPath, {}, false};
        file.written = std::async(std::launch::async, [staging = file.staging, data = std::move(bytes)] {
            return replaceFile(staging, data.data(), static_cast<int>(data.size()));
        });
        files_.push_back(std::move(file));
        return true;
    }

    // Waits for every write; then renames every staged file to its final
    // name, in the order staged. False (with the reason) when a write failed
    // (nothing is renamed then) or at the first rename that fails.
    bool commit(String& error) {
        for (std::size_t i = waited_; i < files_.size(); ++i) {
            if (!settle(i, error)) return false;
        }
        while (!files_.empty()) {
            const File& file = files_.front();
            if (std::rename(file.staging.text(), file.finalPath.text()) != 0) {
                error = text("Could not replace ", file.finalPath, ": ").append(String(std::strerror(errno)));
                return false;
            }
            files_.erase(files_.begin());
        }
        return true;
    }

private:
    static constexpr std::size_t kWritesInFlight = 4;

    struct File {
        String staging;
        String finalPath;
        std::future<bool> written;
        bool failed;
    };

    // Waits for the write of file `index` (files before it are settled).
    bool settle(std::size_t index, String& error) {
        File& file = files_[index];
        file.failed = !file.written.get();
        waited_ = index + 1;
        if (file.failed) error = text("Could not write ", file.finalPath);
        return !file.failed;
    }

    std::vector<File> files_;
    std::size_t waited_ = 0;
};

// Writes one image's companion files and returns its "entry" element; null
// (with the reason) when a file could not be written.
std::unique_ptr<XmlNode> stageEntry(const ImageEntry& entry, int index, const String& folder, StagedFiles& staged,
                                    StatusSink& status, String& error) {
    auto node = std::make_unique<XmlNode>(String("entry"));
    const String imageName = numberedName("image", index, ".bmp");
    const String maskName = numberedName("mask", index, ".bmp");
    node->addAttribute(String("imagename"), imageName);
    node->addAttribute(String("maskname"), maskName);

    status.setStatus(text("Save image and mask ", entry.name()));
    status.drawFrame();
    std::vector<unsigned char> picture = entry.workingCopy.encodeBmp();
    std::vector<unsigned char> mask = entry.mask.encodeBmp();
    String imagePath = folder;
    String maskPath = folder;
    imagePath.append(imageName);
    maskPath.append(maskName);
    if (picture.empty() || mask.empty()) {
        error = text("Image ", entry.name(), " has no picture or mask to save");
        return nullptr;
    }
    if (!staged.stage(imagePath, std::move(picture), error) || !staged.stage(maskPath, std::move(mask), error)) {
        return nullptr;
    }

    XmlNode* margins = node->addChild(String("border"));
    margins->addAttribute(String("right"), integerText(entry.workingCopy.marginRight));
    margins->addAttribute(String("bottom"), integerText(entry.workingCopy.marginBottom));
    XmlNode* centre = node->addChild(String("rotationcenter"));
    centre->addAttribute(String("x"), floatText(entry.workingCopy.rotationCentre.x));
    centre->addAttribute(String("y"), floatText(entry.workingCopy.rotationCentre.y));

    status.setStatus(text("Save border for image ", entry.name()));
    status.drawFrame();
    if (entry.border) {
        const String borderName = numberedName("border", index, ".brd");
        String borderPath = folder;
        borderPath.append(borderName);
        const std::string content = entry.border->serialise();
        if (!staged.stage(borderPath, std::vector<unsigned char>(content.begin(), content.end()), error)) return nullptr;
        node->addChild(String("border"), borderName);
    }
    return node;
}

}  // namespace

// --- names -------------------------------------------------------------------------

String projectFolder(const String& path) {
    const std::string_view view = path.view();
    const std::size_t slash = view.rfind('/');
    if (slash == std::string_view::npos) return String();
    return String(static_cast<int>(slash + 1), view.data());
}

String projectFileName(const String& chosen) {
    if (chosen.endsWith(".qz")) return chosen;
    String name = chosen;
    return name.append(String(".qz"));
}

String stagingFileName(const String& finalPath) {
    String name = finalPath;
    return name.append(String(".saving"));
}

// --- saving ------------------------------------------------------------------------

ProjectSaveResult saveProject(const String& chosenPath, const ImageList& images, const ProjectSettings& settings,
                              StatusSink& status, ClippingData* clippings) {
    ProjectSaveResult result;
    result.projectPath = projectFileName(chosenPath);
    const String folder = projectFolder(result.projectPath);
    if (clippings != nullptr) clippings->beginSave();
    status.setBusy(true);

    auto root = std::make_unique<XmlNode>(String("Plastora"));
    XmlNode* config = root->addChild(String("config"));
    config->addChild(String("voxelsize"), integerText(truncatedSlider(settings.voxelsize)));
    config->addChild(String("sharpening"), integerText(truncatedSlider(settings.sharpening)));
    config->addChild(String("smoothing"), integerText(truncatedSlider(settings.smoothing)));

    StagedFiles staged;
    bool complete = true;
    const float step = images.slotCount() > 0 ? 100.0f / static_cast<float>(images.slotCount()) : 0.0f;
    for (int i = 0; i < images.slotCount() && complete; ++i) {
        const ImageEntry* entry = images.entry(i);
        if (entry == nullptr) continue;
        status.setProgress(step * static_cast<float>(i));
        status.setStatus(String("Save project"));
        status.drawFrame();
        std::unique_ptr<XmlNode> node = stageEntry(*entry, i, folder, staged, status, result.error);
        if (!node) {
            complete = false;
            break;
        }
        status.setStatus(text("Save clipping ", entry->name(), " properties"));
        status.drawFrame();
        if (clippings != nullptr) clippings->writeClipping(images, i, *node);
        root->addChild(std::move(node));
    }

    if (complete) {
        const String document = formatNode(*root, 4, 0);
        complete = document.length() > 0 &&
                   staged.stage(result.projectPath,
                                std::vector<unsigned char>(document.text(), document.text() + document.length()),
                                result.error);
    }
    if (complete) complete = staged.commit(result.error);
    result.saved = complete;
    if (!complete) {
        if (result.error.length() == 0) result.error = text("Could not write ", result.projectPath);
        Logger::instance().error(text("Save project ", result.projectPath), result.error);
    }

    if (clippings != nullptr) clippings->endSave();
    status.setBusy(false);
    return result;
}
