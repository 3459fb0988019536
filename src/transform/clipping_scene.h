// ClippingScene: the clippings of the transformation mode as they are shown:
// one ClippingNode per image, which of them are in view, their view
// animations between the image list and their place, the collision lines
// and decals between them, picking, and the drawing passes.
//
// The scene follows the image list (nodes come and go with the images) and
// the clippings of the ClippingTable; every placement change goes into the
// clipping first and then to its node (placementChanged), so that what is
// drawn, picked and saved is always the clipping's own placement.
#pragma once

#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "sculpt/clipping_node.h"
#include "transform/clipping_picking.h"
#include "transform/collision_display.h"
#include "transform/view_animation.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class ClippingScene {
public:
    // `images` and `clippings` must outlive the scene; `device` the nodes.
    ClippingScene(ImageList& images, ClippingTable& clippings, gfx::GraphicsDevice& device);
    ~ClippingScene();
    ClippingScene(const ClippingScene&) = delete;
    ClippingScene& operator=(const ClippingScene&) = delete;

    // --- nodes
    // Makes the nodes of new images, drops those of removed ones, and with
    // `rebuildAll` makes every node's meshes again (after the 2D mode changed
    // pictures, masks or borders). Nodes of enabled clippings start shown.
    void sync(bool rebuildAll);
    // Drops the node of `entry` at once: its image is being removed and its
    // clipping may already be gone, so no frame may draw or judge the node
    // until the next sync() (and a new image made at the same address must
    // not find it).
    void forget(const ImageEntry& entry);
    // The node of image slot `slot`; null for an empty slot.
    ClippingNode* node(int slot) const;
    // The slot of `node`; -1 when it is none of ours.
    int slotOf(const ClippingNode* node) const;
    Clipping* clipping(int slot) const { return clippings_.clipping(slot); }

    // --- the look
    void setLook(const ClippingLook& look);
    const ClippingLook& look() const { return look_; }
    CollisionDisplay& collisions() { return collisions_; }

    // --- placement: the clipping changed; its node follows and the
    // collision lines are recomputed (only the focus's share when `slot` is
    // the focus).
    void placementChanged(int slot);
    // The flags changed (colours, participation).
    void flagsChanged(int slot);
    // The clipping's picture changed (centres): meshes made again.
    void pictureChanged(int slot);
    // The clipping being transformed (its neighbours keep what the others
    // told them while it moves); -1 for none.
    void setFocus(int slot);

    // --- what is in view
    bool isShown(int slot) const;
    // Shows or hides the clipping of `slot`. With an animation time above 0
    // and `from` given (the image list entry's rectangle), it flies there
    // from the list (showing) or back to it (hiding, hidden at the end).
    void setShown(int slot, bool shown, const ScreenRect* from, const ViewGeometry* geometry, std::uint64_t nowMs,
                  float animationMs);
    // Slots of the clippings in view, in slot order.
    std::vector<int> shownSlots() const;
    // True while any shown clipping animates.
    bool isAnimating() const;
    // Moves every animation on to `nowMs`; true when something moved.
    bool advanceAnimations(std::uint64_t nowMs, float animationMs);
    // Where the entry rectangles of the list are (for animations).
    void setEntryRectangles(std::function<bool(int slot, ScreenRect& rect)> locate) { locate_ = std::move(locate); }

    // --- picking: the nearest shown clipping under the ray; -1 for none.
    int pick(const PointerRay& ray, float* distance = nullptr) const;

    // --- drawing: the clippings' meshes in passes (opaque lines and decals
    // first, then the translucent walls and pictures, back to front).
    void draw(const D3DXVECTOR3& cameraPosition);
    // Brings the collision lines and decals up to date (only when
    // something changed).
    bool refreshCollisions();

private:
    struct Shown {
        std::unique_ptr<ClippingNode> node;
        bool shown = false;
        ViewAnimation animation;
        ClippingPose presentation;
    };
    Shown* entryOf(int slot) const;
    void updateCollisionNodes();
    void showPose(Shown& shown, float f);

    ImageList& images_;
    ClippingTable& clippings_;
    gfx::GraphicsDevice& device_;
    ClippingLook look_;
    // By image entry, so that swapping slots keeps each image's node.
    using ShownMap = std::map<const ImageEntry*, std::unique_ptr<Shown>>;
    ShownMap shown_;
    // Erases the node at `it`, after the collision display has let go of it.
    ShownMap::iterator drop(ShownMap::iterator it);
    CollisionDisplay collisions_;
    std::function<bool(int, ScreenRect&)> locate_;
    int focus_ = -1;
};
