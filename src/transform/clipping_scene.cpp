#include "transform/clipping_scene.h"

#include "sculpt/clipping.h"
#include "sculpt/clipping_frame.h"

#include <algorithm>
#include <set>

namespace {

// Closer than this the collision lines of every outline ray are drawn.
constexpr float kAllLinesDistance = 1500.0f;

}  // namespace

ClippingScene::ClippingScene(ImageList& images, ClippingTable& clippings, gfx::GraphicsDevice& device)
    : images_(images), clippings_(clippings), device_(device) {}

ClippingScene::~ClippingScene() { collisions_.setNodes({}); }

ClippingScene::Shown* ClippingScene::entryOf(int slot) const {
    const ImageEntry* entry = images_.entry(slot);
    if (entry == nullptr) return nullptr;
    const auto found = shown_.find(entry);
    return found == shown_.end() ? nullptr : found->second.get();
}

ClippingNode* ClippingScene::node(int slot) const {
    Shown* shown = entryOf(slot);
    return shown != nullptr ? shown->node.get() : nullptr;
}

int ClippingScene::slotOf(const ClippingNode* node) const {
    if (node == nullptr) return -1;
    for (int slot = 0; slot < images_.slotCount(); ++slot)
        if (this->node(slot) == node) return slot;
    return -1;
}

void ClippingScene::sync(bool rebuildAll) {
    std::set<const ImageEntry*> present;
    for (int slot = 0; slot < images_.slotCount(); ++slot) {
        const ImageEntry* entry = images_.entry(slot);
        Clipping* clipping = clippings_.clipping(slot);
        if (entry == nullptr || clipping == nullptr) continue;
        present.insert(entry);
        auto& shown = shown_[entry];
        if (!shown) {
            shown = std::make_unique<Shown>();
            shown->node = std::make_unique<ClippingNode>(device_, *clipping, look_);
            shown->shown = clipping->flags().enabled;
            shown->node->setEnabled(shown->shown);
        } else if (rebuildAll) {
            shown->node->rebuild();
        }
    }
    for (auto it = shown_.begin(); it != shown_.end();) {
        if (present.count(it->first) == 0) {
            it = drop(it);
        } else {
            ++it;
        }
    }
    if (focus_ >= 0 && node(focus_) == nullptr) focus_ = -1;
    updateCollisionNodes();
}

void ClippingScene::forget(const ImageEntry& entry) {
    const auto it = shown_.find(&entry);
    if (it != shown_.end()) drop(it);
}

ClippingScene::ShownMap::iterator ClippingScene::drop(ShownMap::iterator it) {
    std::vector<ClippingNode*> keep;
    for (ClippingNode* node : collisions_.nodes())
        if (node != it->second->node.get()) keep.push_back(node);
    collisions_.setNodes(keep);
    return shown_.erase(it);
}

void ClippingScene::setLook(const ClippingLook& look) {
    if (look == look_) return;
    look_ = look;
    for (auto& [entry, shown] : shown_) shown->node->setLook(look);
    collisions_.invalidate();
}

void ClippingScene::updateCollisionNodes() {
    std::vector<ClippingNode*> nodes;
    for (int slot = 0; slot < images_.slotCount(); ++slot) {
        Shown* shown = entryOf(slot);
        if (shown != nullptr && shown->shown) nodes.push_back(shown->node.get());
    }
    collisions_.setNodes(nodes);
    collisions_.setFocus(focus_ >= 0 ? node(focus_) : nullptr);
}

void ClippingScene::placementChanged(int slot) {
    Shown* shown = entryOf(slot);
    if (shown == nullptr) return;
    if (!shown->animation.isAnimating()) shown->node->placementChanged();
    if (slot == focus_) {
        collisions_.focusMoved();
    } else {
        collisions_.invalidate();
    }
}

void ClippingScene::flagsChanged(int slot) {
    if (ClippingNode* n = node(slot)) n->flagsChanged();
    collisions_.invalidate();
}

void ClippingScene::pictureChanged(int slot) {
    if (ClippingNode* n = node(slot)) {
        n->clipping().prepareProjection();
        n->rebuild();
    }
    collisions_.invalidate();
}

void ClippingScene::setFocus(int slot) {
    focus_ = node(slot) != nullptr ? slot : -1;
    collisions_.setFocus(focus_ >= 0 ? node(focus_) : nullptr);
}

bool ClippingScene::isShown(int slot) const {
    const Shown* shown = entryOf(slot);
    return shown != nullptr && shown->shown;
}

std::vector<int> ClippingScene::shownSlots() const {
    std::vector<int> slots;
    for (int slot = 0; slot < images_.slotCount(); ++slot)
        if (isShown(slot)) slots.push_back(slot);
    return slots;
}

bool ClippingScene::isAnimating() const {
    return std::any_of(shown_.begin(), shown_.end(),
                       [](const auto& item) { return item.second->animation.isAnimating(); });
}

void ClippingScene::showPose(Shown& shown, float f) {
    const ClippingPose pose =
        blendPoses(shown.presentation, poseOfPlacement(shown.node->clipping().placement()), f);
    const Transform transform = transformOfPose(pose);
    shown.node->setTranslation(transform.translation);
    shown.node->setRotation(transform.rotation);
    shown.node->setScaling(transform.scaling);
}

void ClippingScene::setShown(int slot, bool visible, const ScreenRect* from, const ViewGeometry* geometry,
                             std::uint64_t nowMs, float animationMs) {
    Shown* shown = entryOf(slot);
    if (shown == nullptr) return;
    if (shown->animation.isAnimating()) {
        // A new request ends the running flight where it was going.
        shown->animation.cancel();
        shown->node->placementChanged();
    }
    const bool changed = shown->shown != visible;
    shown->shown = visible;
    const bool animate = changed && from != nullptr && geometry != nullptr && animationMs > 0.0f;
    if (animate) {
        const Clipping& clipping = shown->node->clipping();
        shown->presentation =
            presentationPose(*geometry, *from, pictureFrameOf(clipping.entry()), clipping.placement());
        shown->animation.start(nowMs, !visible);
        shown->node->setEnabled(true);
        showPose(*shown, visible ? 0.0f : 1.0f);
    } else {
        shown->node->setEnabled(visible);
    }
    updateCollisionNodes();
}

bool ClippingScene::advanceAnimations(std::uint64_t nowMs, float animationMs) {
    bool moved = false;
    for (auto& [entry, shown] : shown_) {
        if (!shown->animation.isAnimating()) continue;
        moved = true;
        const ViewAnimation::Step step = shown->animation.advance(nowMs, animationMs);
        if (!step.finished) {
            showPose(*shown, step.f);
            continue;
        }
        shown->node->placementChanged();
        if (step.hide) shown->node->setEnabled(false);
    }
    return moved;
}

int ClippingScene::pick(const PointerRay& ray, float* distance) const {
    std::vector<ClippingNode*> nodes;
    std::vector<int> slots;
    for (int slot = 0; slot < images_.slotCount(); ++slot) {
        const Shown* shown = entryOf(slot);
        if (shown == nullptr || !shown->shown || shown->animation.isAnimating()) continue;
        nodes.push_back(shown->node.get());
        slots.push_back(slot);
    }
    const PickResult picked = pickClipping(nodes, ray);
    if (picked.index < 0) return -1;
    if (distance != nullptr) *distance = picked.distance;
    return slots[static_cast<size_t>(picked.index)];
}

bool ClippingScene::refreshCollisions() { return collisions_.refresh(); }

void ClippingScene::draw(const D3DXVECTOR3& cameraPosition) {
    // In slot order, so that equally far clippings blend the same way every
    // time.
    std::vector<ClippingNode*> drawn;
    for (int slot = 0; slot < images_.slotCount(); ++slot) {
        const Shown* shown = entryOf(slot);
        if (shown != nullptr && shown->node->isEnabled()) drawn.push_back(shown->node.get());
    }
    // Opaque parts first: outlines, collision lines, decals. Whatever blends
    // does so with the source alpha.
    device_.setRenderState(gfx::RenderState::SrcBlend, gfx::kBlendSrcAlpha);
    device_.setRenderState(gfx::RenderState::DestBlend, gfx::kBlendInvSrcAlpha);
    // Lines a pixel wide (wider ones cost a quad each).
    device_.setLineWidth(1.0f);
    for (ClippingNode* node : drawn) {
        node->border().render();
        LineList& lines = node->collisionLines();
        if (lines.isEnabled() && lines.lineSetCount() > 0) {
            // Far away the thinned rays alone show the same band.
            const D3DXVECTOR3 offset = node->worldTransform().translation - cameraPosition;
            lines.setDrawnSets(D3DXVec3Length(&offset) < kAllLinesDistance ? -1 : 1);
            lines.render();
        }
        if (node->layer().isEnabled() && node->layer().quadCount() > 0) node->layer().render();
    }
    // Then the translucent walls and pictures, the farthest first.
    auto distance = [&](const ClippingNode* node) {
        const D3DXVECTOR3 offset = node->worldTransform().translation - cameraPosition;
        return D3DXVec3LengthSq(&offset);
    };
    std::stable_sort(drawn.begin(), drawn.end(),
              [&](const ClippingNode* a, const ClippingNode* b) { return distance(a) > distance(b); });
    for (ClippingNode* node : drawn) {
        node->side().render();
        node->back().render();
        node->front().render();
    }
}
