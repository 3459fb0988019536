#include "image/entry_textures.h"

RgbView rgbViewOf(const Image& image) {
    if (!image.isValid()) return RgbView{};
    return RgbView{image.bytes(), image.width(), image.height()};
}

TexelColour texelColourOf(Rgb colour) { return TexelColour{colour.red, colour.green, colour.blue}; }

DeviceEntryTextures::DeviceEntryTextures(gfx::GraphicsDevice& device, const Image& workingCopy, const Image& mask,
                                         Rgb maskColour)
    : device_(device),
      maskColour_(maskColour),
      picture_(std::make_unique<Texture>(device, rgbViewOf(workingCopy))),
      maskedPicture_(std::make_unique<Texture>(device, rgbViewOf(workingCopy), rgbViewOf(mask))),
      mask_(std::make_unique<Texture>(device, rgbViewOf(mask), texelColourOf(maskColour))) {}

bool DeviceEntryTextures::sameSize(const Texture& texture, const Image& image) {
    return texture.width() == image.width() && texture.height() == image.height();
}

void DeviceEntryTextures::pictureChanged(const Image& workingCopy) {
    const RgbView view = rgbViewOf(workingCopy);
    if (!view.isValid()) return;
    if (!sameSize(*picture_, workingCopy)) {
        picture_ = std::make_unique<Texture>(device_, view);
        maskedPicture_ = std::make_unique<Texture>(device_, view);
        return;
    }
    picture_->updateColour(view);
    maskedPicture_->updateColour(view);
}

void DeviceEntryTextures::maskChanged(const Image& mask) {
    const RgbView view = rgbViewOf(mask);
    if (!view.isValid()) return;
    if (sameSize(*mask_, mask)) {
        mask_->updateAlpha(view);
    } else {
        mask_ = std::make_unique<Texture>(device_, view, texelColourOf(maskColour_));
    }
    maskedPicture_->updateAlpha(view);
}

void DeviceEntryTextures::setMaskColour(Rgb colour) {
    maskColour_ = colour;
    mask_->fillColour(texelColourOf(colour), mask_->width(), mask_->height());
}

void makeEntryTextures(ImageEntry& entry, gfx::GraphicsDevice& device, Rgb maskColour) {
    entry.textures = std::make_unique<DeviceEntryTextures>(device, entry.workingCopy, entry.mask, maskColour);
}

void DeviceEntryTextures::maskAreaChanged(const Image& mask, int left, int top, int right, int bottom) {
    if (!sameSize(*mask_, mask)) {
        maskChanged(mask);
        return;
    }
    const TexelArea area{static_cast<float>(bottom), static_cast<float>(left), static_cast<float>(right),
                         static_cast<float>(top)};
    const RgbView view = rgbViewOf(mask);
    mask_->updateAlpha(view, area);
    maskedPicture_->updateAlpha(view, area);
}
