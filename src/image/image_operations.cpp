#include "image/image_operations.h"

#include "image/border.h"

#include <algorithm>
#include <cmath>

namespace {

void rebuildBorder(ImageEntry& entry) {
    if (!entry.border) return;
    entry.border->markChanged();
    entry.border->update();
}

// The whole picture of an image without its canvas margins.
float pictureWidth(const Image& image) { return static_cast<float>(image.width() - image.marginRight); }
float pictureHeight(const Image& image) { return static_cast<float>(image.height() - image.marginBottom); }

}  // namespace

Image turnedImage(const Image& image, EntryTurn turn) {
    switch (turn) {
        case EntryTurn::MirrorVertical: return image.mirrorVertical();
        case EntryTurn::MirrorHorizontal: return image.mirrorHorizontal();
        case EntryTurn::RotateLeft: return image.rotateLeft();
        case EntryTurn::RotateRight: break;
    }
    return image.rotateRight();
}

void turnEntry(ImageEntry& entry, EntryTurn turn) {
    const ImagePoint rotation = entry.workingCopy.rotationCentre;
    const ImagePoint snap = entry.workingCopy.snapPoint;
    entry.workingCopy.assign(turnedImage(entry.workingCopy, turn));
    entry.mask.assign(turnedImage(entry.mask, turn));
    // The reference points keep their coordinates.
    for (Image* image : {&entry.workingCopy, &entry.mask}) {
        image->rotationCentre = rotation;
        image->fovCentre = rotation;
        image->snapPoint = snap;
    }
    entry.cutOut = ImageRect{pictureHeight(entry.workingCopy), 0.0f, pictureWidth(entry.workingCopy), 0.0f};
    entry.refreshTextures();
    rebuildBorder(entry);
    entry.notifyClipping();
}

std::unique_ptr<ImageEntry> cloneEntry(const ImageEntry& source, int imageNumber) {
    Image bigger = source.biggerImage.isValid() ? source.biggerImage.clone() : Image();
    auto copy = std::make_unique<ImageEntry>(std::move(bigger), source.workingCopy.clone(), source.mask.clone());
    if (source.alphaSource.isValid()) copy->alphaSource = source.alphaSource.clone();
    String name;
    name.append(imageNumber);
    copy->setName(name);
    if (source.border) {
        copy->border->copyFrom(*source.border);
        copy->border->buildIndex();
    }
    if (source.hasBiggerImage()) {
        copy->cutOut = source.cutOut;
        copy->biggerShown = source.biggerShown;
    }
    copy->usedForSculpting = source.usedForSculpting;
    copy->usedForTexturing = source.usedForTexturing;
    return copy;
}

CutOutRefusal cutOutRefusal(const ImageEntry* entry) {
    if (entry == nullptr) return CutOutRefusal::NoImageSelected;
    if (!entry->hasBiggerImage()) return CutOutRefusal::NoBiggerImage;
    if (entry->biggerImage.width() <= Image::kCanvasSide && entry->biggerImage.height() <= Image::kCanvasSide)
        return CutOutRefusal::PictureTooSmall;
    return CutOutRefusal::None;
}

PixelCrop cutOutCrop(const ImageEntry& entry, ImagePoint corner, ImagePoint otherCorner) {
    const ImageRect& shown = entry.biggerShown;
    const float shownWidth = shown.right - shown.left;
    const float shownHeight = shown.bottom - shown.top;
    const float pictureW = std::max(1.0f, pictureWidth(entry.workingCopy));
    const float pictureH = std::max(1.0f, pictureHeight(entry.workingCopy));
    const float sx = shownWidth / pictureW;
    const float sy = shownHeight / pictureH;
    auto toBiggerX = [&](float x) { return std::clamp(shown.left + x * sx, shown.left, shown.right); };
    auto toBiggerY = [&](float y) { return std::clamp(shown.top + y * sy, shown.top, shown.bottom); };
    float x0 = toBiggerX(corner.x);
    float x1 = toBiggerX(otherCorner.x);
    float y0 = toBiggerY(corner.y);
    float y1 = toBiggerY(otherCorner.y);
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    // At least one pixel in each direction, inside the shown part.
    if (x1 - x0 < 1.0f) x1 = std::min(shown.right, x0 + 1.0f), x0 = std::max(shown.left, x1 - 1.0f);
    if (y1 - y0 < 1.0f) y1 = std::min(shown.bottom, y0 + 1.0f), y0 = std::max(shown.top, y1 - 1.0f);
    PixelCrop crop;
    crop.x = static_cast<int>(x0);
    crop.y = static_cast<int>(y0);
    crop.width = std::max(1, static_cast<int>(x1) - crop.x);
    crop.height = std::max(1, static_cast<int>(y1) - crop.y);
    return crop;
}

bool cutOutEntry(ImageEntry& entry, ImagePoint corner, ImagePoint otherCorner, unsigned char maskValue) {
    if (cutOutRefusal(&entry) != CutOutRefusal::None) return false;
    const PixelCrop crop = cutOutCrop(entry, corner, otherCorner);
    entry.cutOut = ImageRect{std::max(corner.y, otherCorner.y), std::min(corner.x, otherCorner.x),
                             std::max(corner.x, otherCorner.x), std::min(corner.y, otherCorner.y)};

    const String name = entry.workingCopy.name();
    Image working = makeWorkingCopy(entry.biggerImage.crop(crop.x, crop.y, crop.width, crop.height));
    working.setName(name);
    entry.workingCopy.assign(working);

    Image mask;
    if (entry.hasAlphaSource()) {
        mask = makeWorkingCopy(entry.alphaSource.crop(crop.x, crop.y, crop.width, crop.height));
        mask.clearFrame();
        Border::removeIsolatedPixels(mask);
        setMaskValue(mask, maskValue);
    } else {
        mask = Image(working.width(), working.height());
        mask.marginRight = working.marginRight;
        mask.marginBottom = working.marginBottom;
    }
    mask.setName(name);
    entry.mask.assign(mask);
    entry.mask.area = entry.workingCopy.area;
    entry.biggerShown = ImageRect{static_cast<float>(crop.y + crop.height), static_cast<float>(crop.x),
                                  static_cast<float>(crop.x + crop.width), static_cast<float>(crop.y)};
    entry.refreshTextures();
    rebuildBorder(entry);
    entry.notifyClipping();
    return true;
}
