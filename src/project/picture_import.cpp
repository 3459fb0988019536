#include "project/picture_import.h"

#include "project/clipping_elements.h"
#include "project/picture_batch.h"

#include "image/border.h"
#include "image/image_entry.h"
#include "render/image_file.h"

#include "core/logger.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <optional>
#include <utility>

namespace {

// While pictures are read, a frame shows the progress this often at most.
constexpr int kProgressFrameMilliseconds = 150;

struct PictureFormat {
    const char* name;
    const char* pattern;
    const char* extension;
};

constexpr PictureFormat kSaveFormats[kSaveFormatCount] = {
    {"Bmp", "*.bmp;", ".bmp"}, {"Dds", "*.dds;", ".dds"}, {"Dib", "*.dib;", ".dib"}, {"Jpg", "*.jpg;", ".jpg"},
    {"Png", "*.png;", ".png"}, {"Ppm", "*.ppm;", ".ppm"}, {"Tga", "*.tga;", ".tga"},
};

String joined(const char* before, const String& middle, const char* after = "") {
    String text(before);
    text.append(middle);
    text.append(String(after));
    return text;
}

// Shows a message box with the system cursor visible.
void tellUser(CommandUi& ui, const char* caption, const String& text, MessageIcon icon) {
    {
        ShownSystemCursor shown(ui.cursor);
        ui.dialogs.messageBox(String(caption), text, MessageButtons::Ok, icon);
    }
    ui.status.clearKeyTable();
}

// The save dialog of a picture command; empty when cancelled.
std::optional<SavedFile> askSaveName(CommandUi& ui, const char* title) {
    std::optional<SavedFile> chosen;
    {
        ShownSystemCursor shown(ui.cursor);
        chosen = ui.dialogs.saveFile(String(title), pictureSaveFilters(), 0);
    }
    ui.status.clearKeyTable();
    if (chosen && chosen->path.length() == 0) chosen.reset();
    return chosen;
}

// Reports the files that could not be written; true when there were none.
bool reportUnwritten(CommandUi& ui, const char* caption, const std::vector<String>& unwritten) {
    if (unwritten.empty()) return true;
    String text(unwritten.size() == 1 ? "Could not write the file:" : "Could not write these files:");
    for (const String& name : unwritten) text.append('\n').append(name);
    tellUser(ui, caption, text, MessageIcon::Error);
    return false;
}

// Refuses the command with its help text when it cannot run now.
bool refused(PictureCommand command, const ImageList& images, StatusSink& status) {
    String reason = pictureCommandRefusal(command, images);
    if (reason.length() == 0) return false;
    status.refuse(reason);
    return true;
}

// One channel of a decoded picture as an image: the colour, or the alpha as
// grey.
Image channelImage(const RgbaImage& decoded, MaskChannel channel) {
    Image image(decoded.width, decoded.height);
    unsigned char* out = image.bytes();
    if (out == nullptr) return image;
    const unsigned char* in = decoded.pixels.data();
    const std::size_t count = static_cast<std::size_t>(decoded.width) * static_cast<std::size_t>(decoded.height);
    for (std::size_t i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c) out[i * 3 + c] = channel == MaskChannel::Colour ? in[i * 4 + c] : in[i * 4 + 3];
    }
    return image;
}

}  // namespace

// --- file types and names ------------------------------------------------------

const std::vector<FileFilter>& pictureSaveFilters() {
    static const std::vector<FileFilter> filters = [] {
        std::vector<FileFilter> list;
        for (const PictureFormat& format : kSaveFormats) list.push_back(FileFilter{format.name, format.pattern});
        return list;
    }();
    return filters;
}

const std::vector<FileFilter>& pictureOpenFilters() {
    static const std::vector<FileFilter> filters = [] {
        std::vector<FileFilter> list;
        list.push_back(FileFilter{"All supported formats", "*.bmp;*.dds;*.dib;*.hdr;*.jpg;*.pfm;*.png;*.ppm;*.tga"});
        for (const PictureFormat& format : kSaveFormats) list.push_back(FileFilter{format.name, format.pattern});
        return list;
    }();
    return filters;
}

const char* extensionOfSaveFilter(int filterIndex) {
    if (filterIndex < 0 || filterIndex >= kSaveFormatCount) return kSaveFormats[0].extension;
    return kSaveFormats[filterIndex].extension;
}

String exportFileName(const String& chosen, int filterIndex) {
    String name = chosen;
    return name.append(String(extensionOfSaveFilter(filterIndex)));
}

String numberedExportFileName(const String& chosen, int number, int filterIndex) {
    String name = chosen;
    name.append(number);
    return name.append(String(extensionOfSaveFilter(filterIndex)));
}

// --- refusals ------------------------------------------------------------------

String pictureCommandRefusal(PictureCommand command, const ImageList& images) {
    const bool loaded = images.imageCount() > 0;
    const bool selected = images.entry(images.selectedIndex()) != nullptr;
    switch (command) {
        case PictureCommand::SaveImages:
            return loaded ? String() : String("No image loaded which should be saved.");
        case PictureCommand::SaveImage:
            if (!loaded) return String("No image loaded which should be saved.");
            return selected ? String() : String("No image selected which should be saved.");
        case PictureCommand::SaveMask:
            if (!loaded) return String("No image loaded for which the mask should be saved.");
            return selected ? String() : String("No image selected for which the mask shoud be saved.");
        case PictureCommand::LoadMaskColour:
            if (!loaded) return String("No image loaded for which mask should be loaded.");
            return selected ? String() : String("No image selected for whcih the mask should be loaded.");
        case PictureCommand::LoadMaskAlpha:
            if (!loaded) return String("No image loaded for which mask should be loaded.");
            return selected ? String() : String("No image selected for which the mask should be loaded.");
    }
    return String();
}

// --- loading pictures ------------------------------------------------------------

int loadOnePicture(ImageList& images, const String& path, unsigned char maskValue, StatusSink& status,
                   String* error) {
    String reason;
    std::unique_ptr<ImageEntry> entry = pictureEntryFromFile(path, maskValue, reason);
    if (error != nullptr) *error = reason;
    if (!entry) return -1;
    String name;
    name.append(images.nextImageNumber());
    entry->setName(name);
    const int index = images.append(std::move(entry));
    status.setBusy(true);
    status.drawFrame();
    return index;
}

PictureLoadReport loadPictures(ImageList& images, const std::vector<String>& paths, unsigned char maskValue,
                               StatusSink& status, ClippingTable* clippings) {
    PictureLoadReport report;
    status.drawFrame();
    status.setProgress(0.0f);
    status.setBusy(true);
    if (!paths.empty()) status.setStatus(joined("Load image ", paths.front()));
    // Every core reads pictures (and makes their clippings); this thread
    // adds them in their order as soon as they are ready, while the rest are
    // still being read.
    std::vector<LoadedPicture> ready(paths.size());
    std::vector<bool> finished(paths.size(), false);
    std::size_t nextToAdd = 0;
    const auto addReadyOnes = [&] {
        for (; nextToAdd < paths.size() && finished[nextToAdd]; ++nextToAdd) {
            LoadedPicture& picture = ready[nextToAdd];
            if (picture.error.length() > 0 || !picture.entry) {
                report.failures.push_back(joined("", paths[nextToAdd], ": ").append(picture.error));
                continue;
            }
            String name;
            name.append(images.nextImageNumber());
            picture.entry->setName(name);
            if (clippings != nullptr) {
                clippings->appendWithClipping(std::move(picture.entry), std::move(picture.clipping));
            } else {
                images.append(std::move(picture.entry));
            }
            ++report.loaded;
        }
    };
    PictureBatchOptions options;
    options.maskValue = maskValue;
    options.readExif = false;
    options.keepFullPicture = true;
    options.makeClippings = clippings != nullptr;
    options.handOver = [&](int index, LoadedPicture& picture) {
        const std::size_t k = static_cast<std::size_t>(index);
        finished[k] = true;
        ready[k] = std::move(picture);
        addReadyOnes();
    };
    const std::vector<int> numbers(paths.size(), 0);
    // A frame for the progress a few times a second: drawing costs the time
    // the pictures are read in.
    auto lastFrame = std::chrono::steady_clock::now();
    loadPictureBatch(paths, numbers, options, [&](int index, int done, int total) {
        status.setProgress(100.0f * static_cast<float>(done) / static_cast<float>(total));
        status.setStatus(joined("Load image ", paths[static_cast<std::size_t>(index)]));
        const auto now = std::chrono::steady_clock::now();
        if (now - lastFrame < std::chrono::milliseconds(kProgressFrameMilliseconds) && done < total) return;
        lastFrame = now;
        status.drawFrame();
    });
    String done;
    done.append(report.loaded);
    if (report.loaded != static_cast<int>(paths.size())) done.append(String(" of ")).append(static_cast<int>(paths.size()));
    done.append(String(report.loaded == 1 && paths.size() == 1 ? " image loaded." : " images loaded."));
    status.setStatus(done);
    status.setProgress(100.0f);
    status.setBusy(false);
    return report;
}

PictureLoadReport loadImagesCommand(ImageList& images, CommandUi& ui, unsigned char maskValue,
                                    ClippingTable* clippings) {
    std::optional<std::vector<String>> paths;
    {
        ShownSystemCursor shown(ui.cursor);
        paths = ui.dialogs.openFiles(String("Load Images"), pictureOpenFilters());
    }
    ui.status.clearKeyTable();
    if (!paths || paths->empty()) return PictureLoadReport{};
    PictureLoadReport report = loadPictures(images, *paths, maskValue, ui.status, clippings);
    reportUnreadablePictures(ui, report.failures);
    return report;
}

void reportUnreadablePictures(CommandUi& ui, const std::vector<String>& failures) {
    if (failures.empty()) return;
    String text(failures.size() == 1 ? "This file is no picture Plastora can load; nothing was added for it:"
                                     : "These files are no pictures Plastora can load; nothing was added for them:");
    constexpr size_t kListed = 10;
    for (size_t i = 0; i < failures.size() && i < kListed; ++i) text.append('\n').append(failures[i]);
    if (failures.size() > kListed) {
        text.append(String("\n... and "));
        text.append(static_cast<int>(failures.size() - kListed));
        text.append(String(" more"));
    }
    tellUser(ui, "Load Images", text, MessageIcon::Warning);
}

// --- writing --------------------------------------------------------------------------

bool saveEntryPicture(ImageEntry& entry, const String& fileName) {
    Image& mask = entry.mask;
    const int right = mask.width() - mask.marginRight;
    const int bottom = mask.height() - mask.marginBottom;
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) {
            if (x >= right || y >= bottom) mask.setPixel(x, y, Rgb{0, 0, 0});
        }
    }
    return entry.workingCopy.saveToFileWithAlpha(fileName, mask);
}

bool saveEntryMask(const ImageEntry& entry, const String& fileName) { return entry.mask.saveToFile(fileName); }

bool addMaskFromFile(ImageEntry& entry, const String& path, MaskChannel channel, unsigned char maskValue,
                     String& error) {
    RgbaImage decoded;
    error = String();
    if (!decodeImageFile(path, decoded, error)) {
        Logger::instance().error(joined("Load mask ", path), error);
        return false;
    }
    if (channel == MaskChannel::Alpha && !decoded.hasAlpha) {
        error = "the picture has no alpha channel";
        Logger::instance().error(joined("Load mask ", path), error);
        return false;
    }
    // Placed on a black canvas: the canvas around a picture of another shape
    // must not count as mask.
    const Image source = channelImage(decoded, channel).scaleToFit().embedInCanvas(Rgb{0, 0, 0});
    const Rgb value{maskValue, maskValue, maskValue};
    Image& mask = entry.mask;
    for (int y = 0; y < Image::kCanvasSide; ++y) {
        for (int x = 0; x < Image::kCanvasSide; ++x) {
            if (source.isSet(x, y)) mask.setPixel(x, y, value);
        }
    }
    mask.clearFrame();
    entry.markChanged();
    if (entry.border) entry.border->markChanged();
    entry.refreshTextures();
    return true;
}

// --- file commands -----------------------------------------------------------------

CommandResult saveImagesCommand(ImageList& images, CommandUi& ui) {
    if (refused(PictureCommand::SaveImages, images, ui.status)) return CommandResult::Refused;
    std::optional<SavedFile> chosen = askSaveName(ui, "Save Images");
    if (!chosen) return CommandResult::Cancelled;

    std::vector<String> unwritten;
    const float step = 100.0f / static_cast<float>(images.slotCount());
    for (int i = 0; i < images.slotCount(); ++i) {
        ImageEntry* entry = images.entry(i);
        if (entry == nullptr) continue;
        const String fileName = numberedExportFileName(chosen->path, i + 1, chosen->filterIndex);
        ui.status.setProgress(step * static_cast<float>(i));
        ui.status.setStatus(joined("Save image ", fileName));
        ui.status.setBusy(true);
        ui.status.drawFrame();
        if (!saveEntryPicture(*entry, fileName)) unwritten.push_back(fileName);
    }
    ui.status.setBusy(false);
    return reportUnwritten(ui, "Save Images", unwritten) ? CommandResult::Done : CommandResult::Failed;
}

CommandResult saveImageCommand(ImageList& images, CommandUi& ui) {
    if (refused(PictureCommand::SaveImage, images, ui.status)) return CommandResult::Refused;
    std::optional<SavedFile> chosen = askSaveName(ui, "Save Image");
    if (!chosen) return CommandResult::Cancelled;

    const String fileName = exportFileName(chosen->path, chosen->filterIndex);
    ui.status.setProgress(0.0f);
    ui.status.setStatus(joined("Save Image ", fileName));
    ui.status.setBusy(true);
    ui.status.drawFrame();
    const bool written = saveEntryPicture(*images.selected(), fileName);
    ui.status.setBusy(false);
    return reportUnwritten(ui, "Save Image", written ? std::vector<String>{} : std::vector<String>{fileName})
               ? CommandResult::Done
               : CommandResult::Failed;
}

CommandResult saveMaskCommand(ImageList& images, CommandUi& ui) {
    if (refused(PictureCommand::SaveMask, images, ui.status)) return CommandResult::Refused;
    std::optional<SavedFile> chosen = askSaveName(ui, "Save Mask (Color Channel)");
    if (!chosen) return CommandResult::Cancelled;

    const String fileName = exportFileName(chosen->path, chosen->filterIndex);
    ui.status.setStatus(joined("Save Mask ", fileName, " (Color Channel)..."));
    ui.status.setBusy(true);
    ui.status.drawFrame();
    const bool written = saveEntryMask(*images.selected(), fileName);
    ui.status.setBusy(false);
    return reportUnwritten(ui, "Save Mask (Color Channel)",
                           written ? std::vector<String>{} : std::vector<String>{fileName})
               ? CommandResult::Done
               : CommandResult::Failed;
}

CommandResult loadMaskCommand(ImageList& images, CommandUi& ui, MaskChannel channel, unsigned char maskValue) {
    const bool colour = channel == MaskChannel::Colour;
    const char* title = colour ? "Load Mask (Color Channel)" : "Load Mask (Alpha Channel)";
    if (refused(colour ? PictureCommand::LoadMaskColour : PictureCommand::LoadMaskAlpha, images, ui.status)) {
        return CommandResult::Refused;
    }
    std::optional<String> path;
    {
        ShownSystemCursor shown(ui.cursor);
        path = ui.dialogs.openFile(String(title), pictureOpenFilters());
    }
    ui.status.clearKeyTable();
    if (!path || path->length() == 0) return CommandResult::Cancelled;

    ui.status.setStatus(joined("Load Mask ", *path, colour ? " (Color Channel)..." : " (Alpha Channel)..."));
    ui.status.drawFrame();
    String error;
    if (!addMaskFromFile(*images.selected(), *path, channel, maskValue, error)) {
        String text = joined("The mask was not changed: could not use ", *path);
        text.append(String(" (")).append(error).append(String(")."));
        tellUser(ui, title, text, MessageIcon::Error);
        return CommandResult::Failed;
    }
    return CommandResult::Done;
}
