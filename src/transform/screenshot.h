// Screenshot sculpting: the camera's view taken as a new picture that carves
// like any photograph. The picture's clipping is placed so that its swept
// silhouette follows the camera's own rays: its slab lies `depth` deep in
// front of a plane at `distance` from the camera (the screenshot's plane;
// what lies behind it is "in the back of the screenshot"), its field of view
// widens towards that plane as the camera's view does, and every pixel of
// the picture sees what the same pixel of the window showed.
#pragma once

#include "core/math3d.h"
#include "image/image.h"
#include "render/camera.h"
#include "render/scene/mesh_repr.h"
#include "sculpt/clipping_projection.h"

#include <span>

struct ScreenshotSlab {
    // Distances from the camera of the slab's near and far face.
    float nearDistance = 0.0f;
    float farDistance = 0.0f;
};

// The slab for the sliders' `distance` and `depth`: its far face at
// `distance`, its near face `depth` in front of it, kept at least a
// fifteenth of the distance away from the camera (the widest field of view a
// clipping takes).
ScreenshotSlab screenshotSlab(float distance, float depth);

// The placement of a screenshot of `camera` (vertical field of view
// `fieldOfView` radians, a back buffer `aspect` times wider than high) whose
// picture is `pictureWidth` x `pictureHeight` canvas pixels: the angles of the
// camera's view (yaw 360 - the camera's yaw, pitch the camera's pitch, roll
// 0), the slab's middle on the view axis, the pixel sizes of the near face,
// the field of view on. The picture's rotation and field-of-view centres are
// taken to be its middle.
ClippingPlacement screenshotPlacement(const Camera& camera, float fieldOfView, float aspect, float pictureWidth,
                                      float pictureHeight, const ScreenshotSlab& slab);

// The object's silhouette as the camera sees it in a `width` x `height` back
// buffer: a grey picture, (255, 255, 255) where a triangle covers a pixel's
// centre, black elsewhere. `viewProjection` is the view times the projection
// matrix (depth 0..w clipped as the device clips); triangles reaching behind
// the near plane are left out.
Image objectSilhouette(std::span<const MeshReprTriangle> triangles, const D3DXMATRIX& viewProjection, int width,
                       int height);
