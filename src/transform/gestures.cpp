#include "transform/gestures.h"

#include "transform/dial.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kSnapEpsilon = 0.01f;
constexpr float kRatioSnapStep = 0.5f;
constexpr float kSmallestRatio = 1.0f;

float dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return D3DXVec3Dot(&a, &b); }

float signOf(float value) { return value < 0.0f ? -1.0f : 1.0f; }

// The world direction a translation key moves along, turned so that a
// clockwise dial moves rightwards, upwards or away from the camera.
D3DXVECTOR3 translationDirection(GestureKey key, const ClippingPlacement& placement, const GestureScene& scene) {
    switch (key) {
    case GestureKey::Q: return scene.axes[2] * signOf(dot(scene.axes[2], scene.cameraRight));
    case GestureKey::W: return scene.axes[1] * signOf(dot(scene.axes[1], scene.cameraUp));
    case GestureKey::E: break;
    }
    return scene.axes[0] * signOf(dot(scene.axes[0], placement.translation - scene.camera));
}

bool withinLimit(const D3DXVECTOR3& point) {
    return std::fabs(point.x) <= kPlacementLimit && std::fabs(point.y) <= kPlacementLimit &&
           std::fabs(point.z) <= kPlacementLimit;
}

// The next crossing after `current` (direction > 0) or before it
// (direction < 0), skipping those within kSnapEpsilon; empty when none.
std::optional<float> nextCrossing(const std::vector<float>& crossings, float current, float direction) {
    if (direction > 0.0f) {
        for (float crossing : crossings)
            if (crossing > current + kSnapEpsilon) return crossing;
        return std::nullopt;
    }
    for (auto it = crossings.rbegin(); it != crossings.rend(); ++it)
        if (*it < current - kSnapEpsilon && *it > 0.0f) return *it;
    return std::nullopt;
}

// The next multiple of kRatioSnapStep from `ratio` in `direction`, not
// below kSmallestRatio.
float nextRatio(float ratio, float direction) {
    const float steps = ratio / kRatioSnapStep;
    const float next = direction > 0.0f ? std::floor(steps + 1e-4f) + 1.0f : std::ceil(steps - 1e-4f) - 1.0f;
    return std::max(next * kRatioSnapStep, kSmallestRatio);
}

float& scalingOf(GestureKey key, ClippingPlacement& placement) {
    switch (key) {
    case GestureKey::Q: return placement.scaling.z;
    case GestureKey::W: return placement.scaling.y;
    case GestureKey::E: break;
    }
    return placement.scaling.x;
}

float& angleOf(GestureKey key, ClippingPlacement& placement) {
    switch (key) {
    case GestureKey::Q: return placement.angle;
    case GestureKey::W: return placement.angleheight;
    case GestureKey::E: break;
    }
    return placement.angleimage;
}

float wrapAngle(GestureKey key, float degrees) {
    return key == GestureKey::W ? wrapPitchAngle(degrees) : wrapTurnAngle(degrees);
}

}  // namespace

float rotationSign(GestureKey key, const ClippingPlacement& placement, const GestureScene& scene) {
    // A growing yaw turns the clipping by -yaw about world Y, a growing
    // pitch by +pitch about the yawed Z axis, a growing roll by -roll about
    // the viewing direction. A positive turn looks clockwise from the
    // axis's positive end, where the camera may or may not be.
    D3DXVECTOR3 axis(0.0f, 1.0f, 0.0f);
    float turn = -1.0f;
    if (key == GestureKey::W) {
        const float yaw = placement.angle * (4.0f * std::atan(1.0f) / 180.0f);
        // Z turned by RotY(-yaw).
        axis = D3DXVECTOR3(-std::sin(yaw), 0.0f, std::cos(yaw));
        turn = 1.0f;
    } else if (key == GestureKey::E) {
        axis = scene.axes[0];
        turn = -1.0f;
    }
    const float towardCamera = dot(axis, scene.camera - placement.translation) >= 0.0f ? 1.0f : -1.0f;
    return towardCamera * turn;
}

bool GestureController::keyDown(GestureKey key) {
    KeyState& state = keys_[index(key)];
    if (state.held) return false;
    state = KeyState{};
    state.held = true;
    return true;
}

void GestureController::keyUp(GestureKey key) { keys_[index(key)] = KeyState{}; }

bool GestureController::anyHeld() const {
    return std::any_of(keys_.begin(), keys_.end(), [](const KeyState& state) { return state.held; });
}

void GestureController::reset() {
    keys_ = {};
    snapHeld_ = false;
}

void GestureController::start(KeyState& state, GestureKey key, ClippingPlacement& placement,
                              PlacementRubric rubric, float angle, const GestureScene& scene) {
    state.started = true;
    state.lastAngle = angle;
    state.moves = 0;
    state.turnedSinceSnap = 0.0f;
    if (rubric == PlacementRubric::Rotation) {
        state.sign = rotationSign(key, placement, scene);
        state.offset = angleOf(key, placement) - state.sign * angle;
    }
}

GestureOutcome GestureController::pointerMoved(ClippingPlacement& placement, PlacementRubric rubric, float angle,
                                               const GestureScene& scene) {
    GestureOutcome outcome;
    for (int k = 0; k < kGestureKeyCount; ++k) {
        const auto key = static_cast<GestureKey>(k);
        KeyState& state = keys_[index(key)];
        if (!state.held) continue;
        if (rubric == PlacementRubric::FieldOfView && !placement.fovSet) {
            outcome.noFieldOfView = true;
            continue;
        }
        if (!state.started) {
            start(state, key, placement, rubric, angle, scene);
            continue;
        }
        GestureOutcome step;
        if (rubric == PlacementRubric::Rotation) {
            step = rotationStep(state, key, placement, angle);
        } else {
            const float change = dialDelta(state.lastAngle, angle);
            state.lastAngle = angle;
            if (!snapHeld_) {
                step = dialStep(key, placement, rubric, change, scene);
            } else {
                state.turnedSinceSnap += change;
                if (state.moves > kSnapPace) {
                    if (state.turnedSinceSnap != 0.0f)
                        step = snapStep(key, placement, rubric, state.turnedSinceSnap, scene);
                    state.moves = 0;
                    state.turnedSinceSnap = 0.0f;
                }
                ++state.moves;
            }
        }
        outcome.changed = outcome.changed || step.changed;
        outcome.reshaped = outcome.reshaped || step.reshaped;
    }
    return outcome;
}

GestureOutcome GestureController::dialStep(GestureKey key, ClippingPlacement& placement, PlacementRubric rubric,
                                           float change, const GestureScene& scene) {
    GestureOutcome outcome;
    if (change == 0.0f) return outcome;
    outcome.changed = true;
    switch (rubric) {
    case PlacementRubric::Translation:
        placement.translation += translationDirection(key, placement, scene) * change;
        break;
    case PlacementRubric::Scaling: {
        float& value = scalingOf(key, placement);
        if (key == GestureKey::E) {
            value = std::max(value + change * kDepthPerDegree, kSmallestDepth);
        } else {
            value = std::max(value + change * kScalingPerDegree, kSmallestPixelSize);
        }
        outcome.reshaped = true;
        break;
    }
    case PlacementRubric::FieldOfView:
        if (key == GestureKey::Q) placement.fovX = std::max(placement.fovX + change * kRatioPerDegree, kSmallestRatio);
        if (key == GestureKey::W) placement.fovY = std::max(placement.fovY + change * kRatioPerDegree, kSmallestRatio);
        outcome.changed = key != GestureKey::E;
        outcome.reshaped = outcome.changed;
        break;
    case PlacementRubric::Rotation: break;
    }
    return outcome;
}

GestureOutcome GestureController::rotationStep(KeyState& state, GestureKey key, ClippingPlacement& placement,
                                               float angle) {
    GestureOutcome outcome;
    state.lastAngle = angle;
    float value = wrapAngle(key, state.offset + state.sign * angle);
    if (snapHeld_) value = wrapAngle(key, snapToEighth(value));
    float& target = angleOf(key, placement);
    if (value != target) {
        target = value;
        outcome.changed = true;
    }
    return outcome;
}

bool GestureController::snapRotationNow(ClippingPlacement& placement, PlacementRubric rubric) {
    if (rubric != PlacementRubric::Rotation) return false;
    bool changed = false;
    for (int k = 0; k < kGestureKeyCount; ++k) {
        const auto key = static_cast<GestureKey>(k);
        if (!keys_[index(key)].held) continue;
        float& target = angleOf(key, placement);
        const float snapped = wrapAngle(key, snapToEighth(target));
        if (snapped != target) {
            target = snapped;
            changed = true;
        }
    }
    return changed;
}

GestureOutcome GestureController::snapStep(GestureKey key, ClippingPlacement& placement, PlacementRubric rubric,
                                           float direction, const GestureScene& scene) {
    GestureOutcome outcome;
    if (rubric == PlacementRubric::FieldOfView) {
        if (key == GestureKey::E) return outcome;
        float& ratio = key == GestureKey::Q ? placement.fovX : placement.fovY;
        const float next = nextRatio(ratio, direction);
        outcome.changed = outcome.reshaped = next != ratio;
        ratio = next;
        return outcome;
    }
    if (!scene.bordersAlong) return outcome;
    if (rubric == PlacementRubric::Translation) {
        const D3DXVECTOR3 along = translationDirection(key, placement, scene) * signOf(direction);
        const std::vector<float> crossings = scene.bordersAlong(placement.translation, along, kSnapRayLength);
        const std::optional<float> hit = nextCrossing(crossings, 0.0f, 1.0f);
        if (!hit) return outcome;
        const D3DXVECTOR3 target = placement.translation + along * *hit;
        if (!withinLimit(target)) return outcome;
        placement.translation = target;
        outcome.changed = true;
        return outcome;
    }
    if (rubric != PlacementRubric::Scaling) return outcome;
    // The snap point travels outwards from the rotation centre as the width
    // or height grows, and along the viewing axis as the depth does; it
    // stops on the next border in the direction the dial turned.
    const D3DXVECTOR3& centre = placement.translation;
    D3DXVECTOR3 origin;
    D3DXVECTOR3 outwards;
    float lever = 0.0f;
    float& value = scalingOf(key, placement);
    if (key == GestureKey::E) {
        origin = centre + scene.axes[2] * (scene.snapOffset.x * placement.scaling.z) +
                 scene.axes[1] * (scene.snapOffset.y * placement.scaling.y);
        outwards = -scene.axes[0];
        lever = 0.5f;
    } else {
        const bool width = key == GestureKey::Q;
        const float offset = width ? scene.snapOffset.x : scene.snapOffset.y;
        if (offset == 0.0f) return outcome;
        const int across = width ? 1 : 2;
        const float acrossOffset = width ? scene.snapOffset.y : scene.snapOffset.x;
        const float acrossScale = width ? placement.scaling.y : placement.scaling.z;
        origin = centre + scene.axes[across] * (acrossOffset * acrossScale);
        outwards = scene.axes[width ? 2 : 1] * signOf(offset);
        lever = std::fabs(offset);
    }
    const std::vector<float> crossings = scene.bordersAlong(origin, outwards, kSnapRayLength);
    const std::optional<float> hit = nextCrossing(crossings, value * lever, direction);
    if (!hit) return outcome;
    const float next = *hit / lever;
    const float smallest = key == GestureKey::E ? kSmallestDepth : kSmallestPixelSize;
    if (next < smallest) return outcome;
    value = next;
    outcome.changed = outcome.reshaped = true;
    return outcome;
}
