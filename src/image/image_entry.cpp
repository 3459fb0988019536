#include "image/image_entry.h"

#include "image/border.h"

#include "core/logger.h"

#include <algorithm>
#include <utility>

namespace {

// A mask of the working copy's size holding the overlapping pixels of
// `mask`.
Image fitMaskTo(const Image& mask, const Image& workingCopy) {
    Image fitted(workingCopy.width(), workingCopy.height());
    int w = std::min(mask.width(), fitted.width());
    int h = std::min(mask.height(), fitted.height());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) fitted.setPixel(x, y, mask.pixel(x, y));
    }
    fitted.setName(mask.name());
    return fitted;
}

// The bigger image carries the working copy's margins, so that the factor
// between the two is bigger width / (canvas side - marginRight).
void takeMarginsOf(Image& bigger, const Image& workingCopy) {
    bigger.marginRight = workingCopy.marginRight;
    bigger.marginBottom = workingCopy.marginBottom;
    bigger.area = ImageRect{static_cast<float>(bigger.height() - bigger.marginBottom), 0.0f,
                            static_cast<float>(bigger.width() - bigger.marginRight), 0.0f};
    ImagePoint centre{bigger.area.right * 0.5f, bigger.area.bottom * 0.5f};
    bigger.rotationCentre = centre;
    bigger.fovCentre = centre;
    bigger.snapPoint = centre;
}

}  // namespace

// --- ImageEntry -------------------------------------------------------------------

ImageEntry::ImageEntry(Image bigger, Image working, Image givenMask)
    : biggerImage(std::move(bigger)), workingCopy(std::move(working)), mask(std::move(givenMask)) {
    if (!workingCopy.isValid()) {
        Logger::instance().error("ImageEntry", "Working copy not set; using an empty canvas");
        String name = workingCopy.name();
        workingCopy = Image(Image::kCanvasSide, Image::kCanvasSide);
        workingCopy.setName(name);
    }
    if (!mask.isValid()) {
        mask = Image(workingCopy.width(), workingCopy.height());
        mask.rotationCentre = workingCopy.rotationCentre;
    } else if (mask.width() != workingCopy.width() || mask.height() != workingCopy.height()) {
        Logger::instance().error("ImageEntry", "Mask size differs from the image; mask fitted");
        ImagePoint centre = mask.rotationCentre;
        mask = fitMaskTo(mask, workingCopy);
        mask.rotationCentre = centre;
    }
    mask.marginRight = workingCopy.marginRight;
    mask.marginBottom = workingCopy.marginBottom;
    mask.area = workingCopy.area;
    cutOut = ImageRect{static_cast<float>(workingCopy.height() - workingCopy.marginBottom), 0.0f,
                       static_cast<float>(workingCopy.width() - workingCopy.marginRight), 0.0f};
    biggerShown = ImageRect{static_cast<float>(biggerImage.height()), 0.0f, static_cast<float>(biggerImage.width()),
                            0.0f};
    border = std::make_unique<Border>();
    border->make(&mask);
}

ImageEntry::~ImageEntry() = default;

void ImageEntry::setName(const String& text) {
    workingCopy.setName(text);
    mask.setName(text);
    if (biggerImage.isValid()) biggerImage.setName(text);
    if (alphaSource.isValid()) alphaSource.setName(text);
}

void ImageEntry::refreshTextures() {
    if (!textures) return;
    textures->pictureChanged(workingCopy);
    textures->maskChanged(mask);
}

// --- helpers ----------------------------------------------------------------------

Image makeWorkingCopy(const Image& picture) {
    return picture.scaleToFit().embedInCanvas(kCanvasMarginColour);
}

void setMaskValue(Image& mask, unsigned char value) {
    const Rgb grey{value, value, value};
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) {
            if (mask.isSet(x, y)) mask.setPixel(x, y, grey);
        }
    }
}

namespace {

// The entry of a picture read at its own size, with its alpha channel (when
// it had one) as the mask.
std::unique_ptr<ImageEntry> entryOfPicture(Image bigger, Image alpha, unsigned char maskValue) {
    Image working = makeWorkingCopy(bigger);
    takeMarginsOf(bigger, working);

    Image mask;
    if (alpha.isValid()) {
        mask = makeWorkingCopy(alpha);
        setMaskValue(mask, maskValue);
        mask.clearFrame();
    }

    auto entry = std::make_unique<ImageEntry>(std::move(bigger), std::move(working), std::move(mask));
    entry->alphaSource = std::move(alpha);
    return entry;
}

}  // namespace

std::unique_ptr<ImageEntry> pictureEntryFromFile(const String& path, unsigned char maskValue, String& error) {
    Image alpha;
    Image bigger(path, &alpha);
    error = bigger.loadError();
    if (!bigger.isValid() && error.length() == 0) error = String("the file could not be read");
    if (error.length() > 0) return nullptr;
    return entryOfPicture(std::move(bigger), std::move(alpha), maskValue);
}

std::unique_ptr<ImageEntry> loadPictureIntoEntry(const String& path, int imageNumber, unsigned char maskValue,
                                                 String* error) {
    Image alpha;
    Image bigger(path, &alpha);
    if (error != nullptr) *error = bigger.loadError();
    return entryFromPicture(std::move(bigger), std::move(alpha), imageNumber, maskValue);
}

std::unique_ptr<ImageEntry> entryFromPicture(Image bigger, Image alpha, int imageNumber, unsigned char maskValue) {
    // An unreadable file still gives an entry, on the red square the loader
    // uses for undecodable pictures.
    if (!bigger.isValid()) bigger = Image(Image::kCanvasSide / 2, Image::kCanvasSide / 2, Rgb{255, 0, 0});
    std::unique_ptr<ImageEntry> entry = entryOfPicture(std::move(bigger), std::move(alpha), maskValue);
    String name;
    name.append(imageNumber);
    entry->setName(name);
    return entry;
}

// --- ImageList ----------------------------------------------------------------------

int ImageList::imageCount() const {
    return static_cast<int>(std::count_if(slots_.begin(), slots_.end(), [](const auto& slot) { return slot != nullptr; }));
}

ImageEntry* ImageList::entry(int index) {
    return index >= 0 && index < slotCount() ? slots_[static_cast<size_t>(index)].get() : nullptr;
}

const ImageEntry* ImageList::entry(int index) const {
    return index >= 0 && index < slotCount() ? slots_[static_cast<size_t>(index)].get() : nullptr;
}

int ImageList::append(std::unique_ptr<ImageEntry> newEntry) {
    if (!newEntry) return -1;
    slots_.push_back(std::move(newEntry));
    int index = slotCount() - 1;
    for (ImageListListener* listener : listeners_) listener->entryAdded(index, *slots_.back());
    return index;
}

int ImageList::loadPicture(const String& path, unsigned char maskValue, String* error) {
    return append(loadPictureIntoEntry(path, nextImageNumber(), maskValue, error));
}

bool ImageList::remove(int index) {
    ImageEntry* doomed = entry(index);
    if (doomed == nullptr) return false;
    if (selected_ == index) select(-1);
    for (ImageListListener* listener : listeners_) listener->entryRemoved(index, *doomed);
    slots_[static_cast<size_t>(index)].reset();
    return true;
}

void ImageList::clear() {
    select(-1);
    for (int index = 0; index < slotCount(); ++index) remove(index);
    slots_.clear();
}

bool ImageList::select(int index) {
    if (index != -1 && entry(index) == nullptr) return false;
    if (index == selected_) return true;
    selected_ = index;
    for (ImageListListener* listener : listeners_) listener->selectionChanged(index);
    return true;
}

int ImageList::neighbour(int index, int step) const {
    if (entry(index) == nullptr) return -1;
    for (int other = index + step; other >= 0 && other < slotCount(); other += step) {
        if (entry(other) != nullptr) return other;
    }
    return -1;
}

void ImageList::swapSlots(int first, int second) {
    std::swap(slots_[static_cast<size_t>(first)], slots_[static_cast<size_t>(second)]);
    if (selected_ == first) {
        selected_ = second;
    } else if (selected_ == second) {
        selected_ = first;
    }
    for (ImageListListener* listener : listeners_) listener->entriesSwapped(first, second);
}

bool ImageList::moveUp(int index) {
    int other = neighbour(index, -1);
    if (other < 0) return false;
    swapSlots(index, other);
    return true;
}

bool ImageList::moveDown(int index) {
    int other = neighbour(index, +1);
    if (other < 0) return false;
    swapSlots(index, other);
    return true;
}

bool ImageList::setMarkers(int index, bool sculpting, bool texturing) {
    ImageEntry* target = entry(index);
    if (target == nullptr) return false;
    target->usedForSculpting = sculpting;
    target->usedForTexturing = texturing;
    return true;
}

void ImageList::setMaskValueOfAll(unsigned char value) {
    for (auto& slot : slots_) {
        if (!slot) continue;
        setMaskValue(slot->mask, value);
        slot->markChanged();
    }
}

void ImageList::addListener(ImageListListener* listener) {
    if (listener != nullptr) listeners_.push_back(listener);
}

void ImageList::removeListener(ImageListListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}
