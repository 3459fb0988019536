// View animations: a clipping flying between its entry in the image list
// (the presentation pose, facing the camera and covering the entry's
// rectangle on screen) and its place in 3D (the placement pose).
//
// Forwards runs from the presentation to the placement, backwards the other
// way; after a backwards animation the clipping is hidden. Positions and
// scalings move linearly, the yaw the short way round, the pitch linearly,
// the roll the short way from 0 to the placement's roll. Only the shown
// node moves: the clipping's placement never changes.
#pragma once

#include "core/math3d.h"
#include "render/scene/scene_transform.h"
#include "sculpt/clipping_projection.h"

#include <cstdint>

class Camera;

// A displayed pose in the clipping's own angles (degrees).
struct ClippingPose {
    D3DXVECTOR3 translation;
    float yaw = 0.0f;
    float pitch = 0.0f;
    float roll = 0.0f;
    D3DXVECTOR3 scaling{1500.0f, 1.0f, 1.0f};
};

// The pose of a placement.
ClippingPose poseOfPlacement(const ClippingPlacement& placement);
// The scene transform of a pose (rotation from the angles as for a
// placement).
Transform transformOfPose(const ClippingPose& pose);

// The pose a share `f` (0..1) of the way from `presentation` to `placement`.
ClippingPose blendPoses(const ClippingPose& presentation, const ClippingPose& placement, float f);

// A screen rectangle in back-buffer pixels.
struct ScreenRect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
};

// What the presentation pose needs of the view.
struct ViewGeometry {
    D3DXVECTOR3 cameraPosition;
    float cameraYaw = 0.0f;
    float cameraPitch = 0.0f;
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DVIEWPORT9 viewport;
};

// The view geometry of `camera` with `projection` over a viewport of
// width x height pixels.
ViewGeometry viewGeometryOf(const Camera& camera, const D3DXMATRIX& projection, int width, int height);

// Distance in front of the camera at which a presented picture is shown.
inline constexpr float kPresentationDepth = 20.0f;

// The presentation pose: the clipping faces the camera (yaw and pitch the
// camera's, roll 0) and its picture, at kPresentationDepth in front of the
// camera, covers `rect` in width (scaling y and z = the rectangle's world
// width / the picture width). The slab depth is `placement`'s.
ClippingPose presentationPose(const ViewGeometry& geometry, const ScreenRect& rect, const PictureFrame& picture,
                              const ClippingPlacement& placement);

class ViewAnimation {
public:
    // Starts an animation at `nowMs` unless one runs. True when started.
    bool start(std::uint64_t nowMs, bool backwards);
    bool isAnimating() const { return animating_; }
    bool isBackwards() const { return backwards_; }
    // Stops without finishing (the node is then put at its placement).
    void cancel();

    struct Step {
        // Share of the way from the presentation to the placement.
        float f = 1.0f;
        // The animation ended with this step.
        bool finished = false;
        // A backwards animation ended: the clipping is to be hidden.
        bool hide = false;
    };
    // The step at `nowMs` for an animation lasting `durationMs` (a duration
    // of 0 or less ends at once). Ends the animation once the time is over.
    Step advance(std::uint64_t nowMs, float durationMs);

private:
    std::uint64_t startMs_ = 0;
    bool animating_ = false;
    bool backwards_ = false;
};
