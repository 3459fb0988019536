#include "sculpt/sculpt_scene.h"

#include "image/image_entry.h"

SculptClipping::SculptClipping(const Clipping& clipping, int workspaceIndex, bool withPicture)
    : workspaceIndex_(workspaceIndex),
      flags_(clipping.flags()),
      projection_(clipping.projection()),
      grid_(clipping.grid()) {
    const ImageEntry& entry = clipping.entry();
    if (entry.border != nullptr) {
        hasBorder_ = true;
        mask_ = entry.mask.clone();
        recipe_ = entry.border->recipe();
    }
    if (withPicture) picture_ = entry.workingCopy.clone();
}

bool SculptClipping::carves() const {
    return flags_.enabled && flags_.forsculpting && hasSilhouette() && projection_.isUsable();
}

void SculptClipping::prepareBorder() {
    if (!hasBorder_ || border_ != nullptr) return;
    border_ = std::make_unique<Border>();
    border_->setOwner(this);
    border_->makeFromRecipe(&mask_, recipe_);
}

Border* SculptClipping::border() {
    prepareBorder();
    return border_.get();
}

const Border* SculptClipping::border() const { return border_.get(); }

SculptScene SculptScene::capture(std::span<Clipping* const> clippings, Pictures pictures) {
    SculptScene scene;
    scene.slots_.resize(clippings.size());
    for (std::size_t i = 0; i < clippings.size(); ++i) {
        Clipping* clipping = clippings[i];
        if (clipping == nullptr) continue;
        // Masking in the 2D mode only marks a clipping out of date; the run
        // must see the mask as the user left it.
        clipping->updateIfOutOfDate();
        clipping->holdImagePlaneInMiddle();
        clipping->prepareProjection();
        scene.slots_[i] = std::make_unique<SculptClipping>(*clipping, static_cast<int>(i), pictures == Pictures::Yes);
        clipping->restoreImagePlane();
    }
    return scene;
}

std::vector<SculptClipping*> SculptScene::sculptList() const {
    std::vector<SculptClipping*> list;
    for (const auto& slot : slots_) {
        if (slot != nullptr && slot->carves()) list.push_back(slot.get());
    }
    return list;
}

void SculptScene::prepareBorders() {
    for (auto& slot : slots_) {
        if (slot != nullptr) slot->prepareBorder();
    }
}
