// SceneObserver: what the owner of a scene node may attach to it to follow
// its transform, learn about attached children and hide it from drawing.
#pragma once

#include "render/scene/scene_transform.h"

class SceneObserver {
public:
    virtual ~SceneObserver() = default;
    // Called after the node's world transform was recomputed.
    virtual void transformChanged(const Transform& world) { (void)world; }
    // Called when a child with an observer of its own is added to the
    // observed container; `child` is that child's observer.
    virtual void childAttached(SceneObserver* child) { (void)child; }
    // True when the node (and its subtree) should be left out of drawing; only
    // asked for nodes whose hideable flag is on.
    virtual bool isHidden() const { return false; }
};
