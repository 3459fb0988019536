#include "transform/camera_rig.h"

#include "render/camera.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

float dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return D3DXVec3Dot(&a, &b); }

D3DXVECTOR3 clampIntoBox(const D3DXVECTOR3& point) {
    auto clamp = [](float value) { return std::isfinite(value) ? std::clamp(value, -kCentreLimit, kCentreLimit) : 0.0f; };
    return D3DXVECTOR3(clamp(point.x), clamp(point.y), clamp(point.z));
}

}  // namespace

const char* cubeFaceName(CubeFace face) {
    switch (face) {
    case CubeFace::Right: return "Right";
    case CubeFace::Left: return "Left";
    case CubeFace::Back: return "Back";
    case CubeFace::Front: return "Front";
    case CubeFace::Top: return "top";
    case CubeFace::Bottom: return "Bottom";
    }
    return "no coll";
}

CubeFace cubeFaceOfNormal(const D3DXVECTOR3& normal) {
    const float ax = std::fabs(normal.x);
    const float ay = std::fabs(normal.y);
    const float az = std::fabs(normal.z);
    // The face looked at along +x (yaw 0) is the one facing -x, and so on
    // round: yaw 90 looks along -z, 180 along -x, 270 along +z.
    if (ax >= ay && ax >= az) return normal.x < 0.0f ? CubeFace::Right : CubeFace::Left;
    if (az >= ay) return normal.z > 0.0f ? CubeFace::Back : CubeFace::Front;
    return normal.y > 0.0f ? CubeFace::Top : CubeFace::Bottom;
}

float snapYawToQuarter(float yaw) {
    if (!std::isfinite(yaw)) return 0.0f;
    yaw = std::fmod(yaw, 360.0f);
    if (yaw < 0.0f) yaw += 360.0f;
    if (yaw < 45.0f || yaw >= 315.0f) return 0.0f;
    if (yaw < 135.0f) return 90.0f;
    if (yaw < 225.0f) return 180.0f;
    return 270.0f;
}

CameraAngles anglesForFace(CubeFace face, float currentYaw) {
    switch (face) {
    case CubeFace::Right: return {0.0f, 0.0f};
    case CubeFace::Left: return {180.0f, 0.0f};
    case CubeFace::Back: return {90.0f, 0.0f};
    case CubeFace::Front: return {270.0f, 0.0f};
    // The top face is seen from above, looking down; the bottom from below.
    case CubeFace::Top: return {snapYawToQuarter(currentYaw), -90.0f};
    case CubeFace::Bottom: return {snapYawToQuarter(currentYaw), 90.0f};
    }
    return {currentYaw, 0.0f};
}

std::optional<CubeFace> cubeFaceHit(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float half) {
    // Slab test; remember which axis bounds the entry and the exit.
    float enter = -std::numeric_limits<float>::infinity();
    float leave = std::numeric_limits<float>::infinity();
    D3DXVECTOR3 enterNormal;
    D3DXVECTOR3 leaveNormal;
    const float o[3] = {origin.x, origin.y, origin.z};
    const float d[3] = {direction.x, direction.y, direction.z};
    for (int axis = 0; axis < 3; ++axis) {
        D3DXVECTOR3 unit(axis == 0 ? 1.0f : 0.0f, axis == 1 ? 1.0f : 0.0f, axis == 2 ? 1.0f : 0.0f);
        if (d[axis] == 0.0f) {
            if (o[axis] < -half || o[axis] > half) return std::nullopt;
            continue;
        }
        float near = (-half - o[axis]) / d[axis];
        float far = (half - o[axis]) / d[axis];
        D3DXVECTOR3 nearNormal = -unit;
        D3DXVECTOR3 farNormal = unit;
        if (near > far) {
            std::swap(near, far);
            std::swap(nearNormal, farNormal);
        }
        if (near > enter) {
            enter = near;
            enterNormal = nearNormal;
        }
        if (far < leave) {
            leave = far;
            leaveNormal = farNormal;
        }
    }
    if (!(enter <= leave) || leave < 0.0f) return std::nullopt;
    return cubeFaceOfNormal(enter >= 0.0f ? enterNormal : leaveNormal);
}

CameraRig::CameraRig(Camera& camera) : camera_(camera) {
    centre_ = clampIntoBox(camera.position() + camera.viewDirection() * 1000.0f);
}

float CameraRig::distance() const {
    const D3DXVECTOR3 offset = centre_ - camera_.position();
    return D3DXVec3Length(&offset);
}

void CameraRig::setCentre(const D3DXVECTOR3& centre) { centre_ = clampIntoBox(centre); }

void CameraRig::seatBehindCentre(float distance) {
    camera_.setPosition(centre_ - camera_.viewDirection() * distance);
}

void CameraRig::place(const D3DXVECTOR3& position, float yaw, float pitch, const D3DXVECTOR3& lookAt) {
    camera_.setPosition(position);
    camera_.setAngles(yaw, pitch);
    const float ahead = std::max(dot(lookAt - position, camera_.viewDirection()), kNearestToCentre);
    setCentre(position + camera_.viewDirection() * ahead);
    seatBehindCentre(ahead);
}

void CameraRig::rotate(float dx, float dy, float speed) {
    const float keep = distance();
    // Camera::look(dx * speed, -dy * speed), with the yaw wrapped by whole
    // turns instead of jumping to 360 or 0 at the seam.
    camera_.setAngles(camera_.yaw() - dx * speed, camera_.pitch() + dy * speed);
    seatBehindCentre(keep);
}

void CameraRig::zoom(const D3DXVECTOR3& direction, float amount) {
    if (!std::isfinite(amount) || amount == 0.0f) return;
    camera_.moveAlong(direction, amount);
    const D3DXVECTOR3& view = camera_.viewDirection();
    const float ahead = dot(centre_ - camera_.position(), view);
    if (ahead < kNearestToCentre) {
        // Passed the centre or came too close: 50 units in front of it.
        seatBehindCentre(kNearestToCentre);
        return;
    }
    // The centre stays at its distance in front of the camera, on the view
    // line (zooming off-axis shifts it across with the camera).
    setCentre(camera_.position() + view * ahead);
    seatBehindCentre(ahead);
}

void CameraRig::pan(float dx, float dy, float movingSpeed) {
    const float keep = distance();
    const float speed = keep / (3001.0f - std::clamp(movingSpeed, 0.0f, kMaxMovingSpeed));
    const D3DXVECTOR3 before = camera_.position();
    if (dx != 0.0f) camera_.panSideways(dx, speed);
    if (dy != 0.0f) camera_.panVertical(dy, speed);
    setCentre(centre_ + (camera_.position() - before));
    seatBehindCentre(keep);
}

void CameraRig::viewFrom(const CameraAngles& angles, const D3DXVECTOR3& target) {
    const float keep = std::max(distance(), kNearestToCentre);
    camera_.setAngles(angles.yaw, angles.pitch);
    setCentre(target);
    seatBehindCentre(keep);
}

void CameraRig::backAwayFrom(const D3DXVECTOR3& target, float distance) {
    setCentre(target);
    seatBehindCentre(std::max(distance, kNearestToCentre));
}

void CameraRig::centreOn(const D3DXVECTOR3& target) {
    const D3DXVECTOR3& view = camera_.viewDirection();
    const float ahead = std::max(dot(target - camera_.position(), view), kNearestToCentre);
    setCentre(target);
    seatBehindCentre(ahead);
}
