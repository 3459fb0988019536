// The displayed frame of a clipping: how its scene node is placed and where
// a point of its picture lies in the node's own (model) coordinates.
//
// The node's world matrix is scaling (D, sy, sz) x rotation x translation,
// with the rotation taken from the three angles so that it equals the
// inverse rotation of the projection. Model coordinates are therefore
//   x = s - 0.5        (s = 0 at the near face of the slab, 1 at the far face)
//   y, z               picture offsets from the rotation centre, in pixels
// and every point of the display meshes is made here from picture
// coordinates (u horizontal, w vertical, in outline coordinates) and a depth
// s. With the field of view on, the swept silhouette widens towards the far
// face exactly as the projection says, so what is drawn is what is carved.
#pragma once

#include "core/math3d.h"
#include "render/scene/scene_transform.h"
#include "sculpt/clipping_projection.h"

class Clipping;
struct ImageEntry;

// The scene-node rotation (radians) of the three clipping angles in degrees:
// x = (360 - yaw), y = (360 - roll), z = pitch (a negative pitch raised by
// 360 first). Angles outside their turn are wrapped first, so every
// component lies in [0, 2 pi] and survives the node's rotation clamp.
D3DXVECTOR3 nodeRotationOfAngles(float yaw, float pitch, float roll);

// The scene transform of a placement: translation, the rotation of its
// angles, scaling (D, sy, sz).
Transform nodeTransformOf(const ClippingPlacement& placement);

// The picture geometry the projection of `entry`'s clipping uses: the mask's
// effective size and the working copy's rotation and field-of-view centres.
PictureFrame pictureFrameOf(const ImageEntry& entry);

// Maps picture coordinates and depth to model coordinates.
class ClippingModelFrame {
public:
    // The identity-like frame of a picture without offsets.
    ClippingModelFrame() = default;
    ClippingModelFrame(const ClippingPlacement& placement, const PictureFrame& frame);
    // The frame of `clipping` as it is placed now.
    static ClippingModelFrame of(const Clipping& clipping);

    // The model point of picture point (u, w) at depth s (0 near face, 1 far
    // face; values outside extend the slab linearly).
    D3DXVECTOR3 point(float u, float w, float s) const;
    // How many pixels wide one picture pixel is drawn at depth s,
    // horizontally and vertically (1 without field of view).
    float widening(float s, bool vertical) const;

    bool perspective() const { return perspective_; }
    // The picture size the frame was made for (W and H).
    float pictureWidth() const { return width_; }
    float pictureHeight() const { return height_; }

    bool operator==(const ClippingModelFrame&) const = default;

private:
    bool perspective_ = false;
    float width_ = 0.0f;
    float height_ = 0.0f;
    float offsetU_ = 0.0f;
    float offsetW_ = 0.0f;
    float gainU_ = 0.0f;
    float gainW_ = 0.0f;
    float shiftU_ = 0.0f;
    float shiftW_ = 0.0f;
};
