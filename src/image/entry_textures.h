// The device side of an image entry: the textures that show its working copy
// and its mask on screen.
//
// An entry has three textures:
//  - the picture: the working copy, opaque (the image view and the list
//    thumbnail);
//  - the masked picture: the working copy's colour with the mask's first
//    byte as alpha (the combined overlay, the picture cut out by its mask);
//  - the mask: the list's mask colour everywhere with the mask's first byte
//    as alpha (the overlay laid over the picture while masking).
//
// Textures keep their texels in memory, so they come back with their latest
// content after a device reset without any help from here.
#pragma once

#include "core/colour.h"
#include "image/image_entry.h"
#include "render/texture.h"

#include <memory>

// A read-only view of the pixels of `image`; an invalid image gives an
// invalid (empty) view. The view is good while the image keeps its size and
// is not moved.
RgbView rgbViewOf(const Image& image);

// The texel colour of an image colour.
TexelColour texelColourOf(Rgb colour);

class DeviceEntryTextures : public EntryTextures {
public:
    // Makes the three textures on `device` from `workingCopy` and `mask`,
    // the mask texture in `maskColour`. An invalid image is logged by the
    // texture and leaves that texture empty (it then draws as nothing).
    // `device` must outlive the textures.
    DeviceEntryTextures(gfx::GraphicsDevice& device, const Image& workingCopy, const Image& mask, Rgb maskColour);

    // The colour of both picture textures follows `workingCopy`; their alpha
    // stays. A working copy of another size than the textures makes them
    // again (opaque until the next maskChanged).
    void pictureChanged(const Image& workingCopy) override;
    // The alpha of the mask texture and of the masked picture follows the
    // mask's first byte. A mask of another size than the mask texture makes
    // that texture again in the current mask colour.
    void maskChanged(const Image& mask) override;
    // As maskChanged, for the texels of the area alone.
    void maskAreaChanged(const Image& mask, int left, int top, int right, int bottom) override;

    // Paints the mask texture in `colour`, keeping its alpha.
    void setMaskColour(Rgb colour);
    Rgb maskColour() const { return maskColour_; }

    const Texture& picture() const { return *picture_; }
    const Texture& maskedPicture() const { return *maskedPicture_; }
    const Texture& mask() const { return *mask_; }

private:
    static bool sameSize(const Texture& texture, const Image& image);

    gfx::GraphicsDevice& device_;
    Rgb maskColour_;
    std::unique_ptr<Texture> picture_;
    std::unique_ptr<Texture> maskedPicture_;
    std::unique_ptr<Texture> mask_;
};

// Gives `entry` its textures on `device` made from its current working copy
// and mask (replacing any it had).
void makeEntryTextures(ImageEntry& entry, gfx::GraphicsDevice& device, Rgb maskColour);
