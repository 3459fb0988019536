// Keeps everything derived from a mask in step with it.
//
// The mask tools and the mask undo only report which mask changed. The
// wiring finds the image entry owning that mask and, in this order:
//  1. refreshes the alpha of the entry's textures from the mask;
//  2. marks the entry and its border changed (the border is rebuilt later);
//  3. tells the image's clipping (ImageEntry::clippingChanged).
// It also listens to every entry's border, so that when the border cleans
// the mask ahead of a rebuild the textures show the cleaned mask.
//
// With a device (enableTextures) every entry gets its textures, those present
// then and those added later; without one the entries stay headless.
#pragma once

#include "core/colour.h"
#include "image/border.h"
#include "image/image_entry.h"
#include "image/mask_change.h"

namespace gfx {
class GraphicsDevice;
}

class EntryMaskWiring : public MaskChangeListener, public ImageListListener, public BorderListener {
public:
    // Listens to `notifier`, to `images` and to the border of every entry.
    // Both must outlive the wiring.
    EntryMaskWiring(ImageList& images, MaskChangeNotifier& notifier);
    // Stops listening to the notifier, the list and the borders.
    ~EntryMaskWiring() override;
    EntryMaskWiring(const EntryMaskWiring&) = delete;
    EntryMaskWiring& operator=(const EntryMaskWiring&) = delete;

    // From now on entries have textures on `device` (which must outlive the
    // entries' textures): every entry without textures gets them now, and
    // every entry added later when it arrives. The mask textures are painted
    // in `maskColour`.
    void enableTextures(gfx::GraphicsDevice& device, Rgb maskColour);
    // Paints the mask texture of every entry in `colour` (and those of
    // entries made later).
    void setMaskColour(Rgb colour);
    Rgb maskColour() const { return maskColour_; }

    // The entry whose mask is `mask` (by address); null when no entry of the
    // list owns it.
    ImageEntry* entryOwning(const Image& mask) const;

    // --- MaskChangeListener: the follow-up work above for the owning entry;
    // a mask no entry owns is ignored.
    void maskChanged(Image& mask) override;
    // As maskChanged, refreshing only the area of the textures.
    void maskAreaChanged(Image& mask, const MaskArea& area) override;
    // --- BorderListener: the owning entry's textures take the cleaned mask.
    void maskCleaned(const Image& mask) override;
    // --- ImageListListener: new entries are followed (and given textures
    // when a device is set); removed ones are let go.
    void entryAdded(int index, ImageEntry& entry) override;
    void entryRemoved(int index, ImageEntry& entry) override;

private:
    // Makes this wiring the listener of the entry's current border (the
    // border may have been replaced since the entry was added).
    void followBorder(ImageEntry& entry);
    // What follows every change of the entry's mask: marks, border, clipping.
    void followChange(ImageEntry& entry);
    void giveTextures(ImageEntry& entry);

    ImageList& images_;
    MaskChangeNotifier& notifier_;
    gfx::GraphicsDevice* device_ = nullptr;
    Rgb maskColour_;
};
