#include "image/entry_mask_wiring.h"

#include "image/entry_textures.h"

EntryMaskWiring::EntryMaskWiring(ImageList& images, MaskChangeNotifier& notifier)
    : images_(images), notifier_(notifier) {
    notifier_.addListener(this);
    images_.addListener(this);
    for (int index = 0; index < images_.slotCount(); ++index) {
        if (ImageEntry* entry = images_.entry(index)) followBorder(*entry);
    }
}

EntryMaskWiring::~EntryMaskWiring() {
    notifier_.removeListener(this);
    images_.removeListener(this);
    for (int index = 0; index < images_.slotCount(); ++index) {
        ImageEntry* entry = images_.entry(index);
        if (entry != nullptr && entry->border) entry->border->setListener(nullptr);
    }
}

void EntryMaskWiring::enableTextures(gfx::GraphicsDevice& device, Rgb maskColour) {
    device_ = &device;
    maskColour_ = maskColour;
    for (int index = 0; index < images_.slotCount(); ++index) {
        ImageEntry* entry = images_.entry(index);
        if (entry != nullptr && !entry->textures) giveTextures(*entry);
    }
}

void EntryMaskWiring::setMaskColour(Rgb colour) {
    maskColour_ = colour;
    for (int index = 0; index < images_.slotCount(); ++index) {
        ImageEntry* entry = images_.entry(index);
        if (entry == nullptr) continue;
        if (auto* textures = dynamic_cast<DeviceEntryTextures*>(entry->textures.get())) textures->setMaskColour(colour);
    }
}

ImageEntry* EntryMaskWiring::entryOwning(const Image& mask) const {
    for (int index = 0; index < images_.slotCount(); ++index) {
        ImageEntry* entry = images_.entry(index);
        if (entry != nullptr && &entry->mask == &mask) return entry;
    }
    return nullptr;
}

void EntryMaskWiring::maskChanged(Image& mask) {
    ImageEntry* entry = entryOwning(mask);
    if (entry == nullptr) return;
    if (entry->textures) entry->textures->maskChanged(mask);
    followChange(*entry);
}

void EntryMaskWiring::maskAreaChanged(Image& mask, const MaskArea& area) {
    ImageEntry* entry = entryOwning(mask);
    if (entry == nullptr) return;
    if (entry->textures) entry->textures->maskAreaChanged(mask, area.left, area.top, area.right, area.bottom);
    followChange(*entry);
}

void EntryMaskWiring::followChange(ImageEntry& entry) {
    entry.markChanged();
    if (entry.border) {
        followBorder(entry);
        entry.border->markChanged();
    }
    entry.notifyClipping();
}

void EntryMaskWiring::maskCleaned(const Image& mask) {
    ImageEntry* entry = entryOwning(mask);
    if (entry != nullptr && entry->textures) entry->textures->maskChanged(mask);
}

void EntryMaskWiring::entryAdded(int /*index*/, ImageEntry& entry) {
    followBorder(entry);
    if (device_ != nullptr && !entry.textures) giveTextures(entry);
}

void EntryMaskWiring::entryRemoved(int /*index*/, ImageEntry& entry) {
    if (entry.border) entry.border->setListener(nullptr);
}

void EntryMaskWiring::followBorder(ImageEntry& entry) {
    if (entry.border) entry.border->setListener(this);
}

void EntryMaskWiring::giveTextures(ImageEntry& entry) { makeEntryTextures(entry, *device_, maskColour_); }
