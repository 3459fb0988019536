// The sample object: a red mug with a white band, a yellow handle and coffee
// inside, standing on a blue saucer. It is described by distance functions
// in the program's world frame (Y up, left-handed, units as the carving
// octree: the root cube spans -1024 .. 1024) and rendered by sphere tracing
// along the viewing rays of a clipping.
#pragma once

#include "core/math3d.h"

#include <cstdint>
#include <vector>

namespace sample {

// One direction the object is photographed from, in the clipping's terms:
// `angle` turns about the vertical axis, `angleheight` tilts (negative looks
// down on the object), both in degrees.
struct View {
    float angle = 0.0f;
    float angleheight = 0.0f;
};

// The views of the sample project, in image order.
std::vector<View> sampleViews();

// World units per picture pixel (the clipping's scaling y and z) and the
// slab depth (scaling x) of every view.
inline constexpr float kUnitsPerPixel = 1.5f;
inline constexpr float kSlabDepth = 1500.0f;
inline constexpr int kPictureSide = 512;

// Signed distance from `p` to the object's surface (negative inside).
float distanceToObject(const D3DXVECTOR3& p);

// A picture: kPictureSide squared pixels, RGB rows top first, and the alpha
// (255 on the object, 0 elsewhere).
struct Picture {
    std::vector<std::uint8_t> rgb;
    std::vector<std::uint8_t> alpha;
};

// Renders the object as the clipping of `view` (translation 0, the rotation
// centre in the middle of the picture, no field of view) sees it.
Picture renderView(const View& view);

}  // namespace sample
