// Gestures: placing the selected clipping by circling its centre on screen
// while q, w or e is held, in the Translation, Scaling, Rotation or Field of
// view rubric, with SPACE as the snap key.
//
//  - Translation: q, w, e move the clipping along its own horizontal,
//    vertical and depth axis by the dial's change in world units; turning
//    clockwise moves it rightwards, upwards and away as the camera sees it.
//  - Scaling: q and w add 0.005 per degree to the width and the height, e 5
//    per degree to the depth.
//  - Rotation: the angle follows the pointer absolutely (an offset is taken
//    on the first move), turned so that the clipping turns the way the
//    pointer circles as the camera sees it; q yaw (0..360), w pitch
//    (-180..180), e roll (0..360). With SPACE the angle snaps to 45 degrees.
//  - Field of view: q and w add 0.005 per degree to Ratio X and Ratio Y,
//    never below 1.
// With SPACE held, translation, scaling and field of view leave the dial:
// every 31st move one snapping step runs in the direction the dial turned
// since the last one (to the next border of another image, or to the next
// half of a ratio).
//
// Pure logic on a ClippingPlacement; the scene answers where borders are.
#pragma once

#include "core/math3d.h"
#include "sculpt/clipping_projection.h"

#include <array>
#include <functional>
#include <optional>
#include <vector>

// The rubrics in which gestures work.
enum class PlacementRubric { Translation = 0, Scaling, Rotation, FieldOfView };

// The gesture keys in their order.
enum class GestureKey { Q = 0, W = 1, E = 2 };
inline constexpr int kGestureKeyCount = 3;

// Dial factors of the rubrics.
inline constexpr float kScalingPerDegree = 0.005f;
inline constexpr float kDepthPerDegree = 5.0f;
inline constexpr float kRatioPerDegree = 0.005f;
// Moves between two snapping steps.
inline constexpr int kSnapPace = 30;
// How far translation snapping looks along an axis, and the box the result
// must stay in.
inline constexpr float kSnapRayLength = 2000.0f;
inline constexpr float kPlacementLimit = 1024.0f;
// Smallest pixel size and slab depth a gesture leaves.
inline constexpr float kSmallestPixelSize = 0.01f;
inline constexpr float kSmallestDepth = 1.0f;

// What a gesture needs to know of the scene around the clipping.
struct GestureScene {
    // Unit world directions of the clipping's axes: 0 depth (its viewing
    // direction), 1 vertical, 2 horizontal.
    std::array<D3DXVECTOR3, 3> axes{D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 0, 1)};
    // The camera's position and its right and up directions (unit).
    D3DXVECTOR3 camera;
    D3DXVECTOR3 cameraRight{1, 0, 0};
    D3DXVECTOR3 cameraUp{0, 1, 0};
    // The scaling snap point's offset from the rotation centre in the
    // picture plane, in pixels: x along the horizontal axis, y along the
    // vertical one.
    D3DXVECTOR2 snapOffset;
    // Distances along the ray (origin, unit direction), within `length`, at
    // which it crosses the border of another image, in increasing order.
    std::function<std::vector<float>(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float length)>
        bordersAlong;
};

// What one pointer move did.
struct GestureOutcome {
    // The placement changed.
    bool changed = false;
    // Scalings or ratios changed (the clipping's meshes follow).
    bool reshaped = false;
    // The field of view rubric was used on a clipping without field of view.
    bool noFieldOfView = false;
};

class GestureController {
public:
    // A gesture key went down: a new gesture starts (a key already held
    // keeps its gesture). True when it was not held before (the caller then
    // records an undo entry).
    bool keyDown(GestureKey key);
    // The key came up: its gesture ends.
    void keyUp(GestureKey key);
    bool isHeld(GestureKey key) const { return keys_[index(key)].held; }
    bool anyHeld() const;
    // All keys released, SPACE released.
    void reset();

    void setSnapHeld(bool held) { snapHeld_ = held; }
    bool snapHeld() const { return snapHeld_; }

    // The pointer moved to `angle` on the dial (pointerAngle around the
    // clipping's projected centre): every held key's gesture takes one
    // step on `placement` in `rubric`.
    GestureOutcome pointerMoved(ClippingPlacement& placement, PlacementRubric rubric, float angle,
                                const GestureScene& scene);
    // SPACE went down: each held rotation key snaps its angle at once. True
    // when an angle changed.
    bool snapRotationNow(ClippingPlacement& placement, PlacementRubric rubric);

    // Moves the snap pace counter of `key` has counted (for tests).
    int moveCounter(GestureKey key) const { return keys_[index(key)].moves; }

private:
    struct KeyState {
        bool held = false;
        bool started = false;
        float lastAngle = 0.0f;
        // Rotation: the angle is offset + sign * pointer angle.
        float offset = 0.0f;
        float sign = 1.0f;
        int moves = 0;
        float turnedSinceSnap = 0.0f;
    };
    static int index(GestureKey key) { return static_cast<int>(key); }

    void start(KeyState& state, GestureKey key, ClippingPlacement& placement, PlacementRubric rubric, float angle,
               const GestureScene& scene);
    GestureOutcome dialStep(GestureKey key, ClippingPlacement& placement, PlacementRubric rubric, float change,
                            const GestureScene& scene);
    GestureOutcome rotationStep(KeyState& state, GestureKey key, ClippingPlacement& placement, float angle);
    GestureOutcome snapStep(GestureKey key, ClippingPlacement& placement, PlacementRubric rubric, float direction,
                            const GestureScene& scene);

    std::array<KeyState, kGestureKeyCount> keys_;
    bool snapHeld_ = false;
};

// The rotation sign for `key` (yaw, pitch, roll) so that the clipping turns
// the way the pointer circles: +1 or -1 from the angle's axis and the side
// the camera is on.
float rotationSign(GestureKey key, const ClippingPlacement& placement, const GestureScene& scene);
