// Picking the clipping under the pointer: the ray from the camera through a
// pixel of the back buffer, tested against every shown clipping's picture
// and walls; the nearest hit wins.
#pragma once

#include "core/math3d.h"
#include "transform/view_animation.h"

#include <optional>
#include <vector>

class ClippingNode;

// A ray in world coordinates with a unit direction.
struct PointerRay {
    D3DXVECTOR3 origin;
    D3DXVECTOR3 direction;
};

// The ray through back-buffer pixel (x, y): from the near plane away from
// the camera. Empty when the view cannot be inverted.
std::optional<PointerRay> pointerRay(float x, float y, const ViewGeometry& geometry);

struct PickResult {
    // Index into the node list, or -1 for no hit.
    int index = -1;
    float distance = 0.0f;
};

// The nearest node hit by `ray` (disabled nodes are skipped).
PickResult pickClipping(const std::vector<ClippingNode*>& nodes, const PointerRay& ray);
