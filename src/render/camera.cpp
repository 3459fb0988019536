#include "render/camera.h"

#include <algorithm>
#include <cmath>

namespace {

// Angles of the upper and lower culling planes relative to the pitch.
constexpr float kBottomPlaneOffset = -20.0f;
constexpr float kTopPlaneOffset = 45.0f;

// Wraps an angle in degrees into [0, 360).
float wrapDegrees(float degrees) {
    float wrapped = std::fmod(degrees, 360.0f);
    if (wrapped < 0.0f) wrapped += 360.0f;
    return wrapped;
}

// The plane through `point` with the unit normal `normal`.
D3DXPLANE planeThrough(const D3DXVECTOR3& normal, const D3DXVECTOR3& point) {
    return D3DXPLANE(normal.x, normal.y, normal.z, -D3DXVec3Dot(&normal, &point));
}

}  // namespace

Camera::Camera() { update(); }

D3DXVECTOR3 Camera::directionFor(float yawDegrees, float pitchDegrees) {
    const double yaw = yawDegrees * (std::numbers::pi / 180.0);
    const double pitch = pitchDegrees * (std::numbers::pi / 180.0);
    return D3DXVECTOR3(static_cast<float>(std::cos(pitch) * std::cos(yaw)), static_cast<float>(std::sin(pitch)),
                       static_cast<float>(-std::cos(pitch) * std::sin(yaw)));
}

D3DXVECTOR3 Camera::sideways() const { return directionFor(yaw_ + 90.0f, 0.0f); }

D3DXVECTOR3 Camera::upDirection() const {
    const D3DXVECTOR3 side = sideways();
    D3DXVECTOR3 up;
    D3DXVec3Cross(&up, &direction_, &side);
    D3DXVec3Normalize(&up, &up);
    return up;
}

void Camera::update() {
    direction_ = directionFor(yaw_, pitch_);
    lookAt_ = position_ + direction_;
    updatePlanes();
}

void Camera::updatePlanes() {
    planes_[kNear] = planeThrough(direction_, position_ + direction_ * near_);
    planes_[kFar] = planeThrough(-direction_, position_ + direction_ * far_);
    // Side planes hold the vertical through the camera and the edge direction;
    // their normals are the edge direction turned a quarter inwards.
    const float leftEdge = wrapDegrees(yaw_ - halfAngle_);
    const float rightEdge = wrapDegrees(yaw_ + halfAngle_);
    planes_[kLeft] = planeThrough(directionFor(leftEdge + 90.0f, 0.0f), position_);
    planes_[kRight] = planeThrough(directionFor(rightEdge - 90.0f, 0.0f), position_);
    // Lower and upper planes hold the sideways axis and the edge direction.
    const float bottomEdge = std::max(pitch_ + kBottomPlaneOffset, -90.0f);
    const float topEdge = std::min(pitch_ + kTopPlaneOffset, 90.0f);
    planes_[kBottom] = planeThrough(directionFor(yaw_, bottomEdge + 90.0f), position_);
    planes_[kTop] = planeThrough(directionFor(yaw_, topEdge - 90.0f), position_);
}

bool Camera::isVisible(const D3DXVECTOR3& point) const {
    return std::all_of(planes_.begin(), planes_.end(),
                       [&point](const D3DXPLANE& plane) { return D3DXPlaneDotCoord(&plane, &point) >= 0.0f; });
}

void Camera::setPosition(const D3DXVECTOR3& position) {
    position_ = position;
    update();
}

void Camera::panSideways(float amount, float speed) {
    position_ += sideways() * (amount * speed);
    update();
}

void Camera::panVertical(float amount, float speed) {
    position_ += upDirection() * (-amount * speed);
    update();
}

void Camera::moveAlong(const D3DXVECTOR3& vector, float distance) {
    D3DXVECTOR3 unit;
    D3DXVec3Normalize(&unit, &vector);
    position_ += unit * distance;
    update();
}

void Camera::pitchUp(float degrees) {
    pitch_ = std::min(pitch_ + degrees, 90.0f);
    update();
}

void Camera::pitchDown(float degrees) {
    pitch_ = std::max(pitch_ - degrees, -90.0f);
    update();
}

void Camera::yawLeft(float degrees) {
    yaw_ -= degrees;
    if (yaw_ < 0.0f) yaw_ = 360.0f;
    update();
}

void Camera::yawRight(float degrees) {
    yaw_ += degrees;
    if (yaw_ > 360.0f) yaw_ = 0.0f;
    update();
}

void Camera::setAngles(float yaw, float pitch) {
    yaw_ = std::isfinite(yaw) ? wrapDegrees(yaw) : 0.0f;
    pitch_ = std::isfinite(pitch) ? std::clamp(pitch, -90.0f, 90.0f) : 0.0f;
    update();
}

void Camera::look(float dx, float dy) {
    if (dx < 0.0f) yawRight(-dx);
    else if (dx > 0.0f) yawLeft(dx);
    if (dy < 0.0f) pitchUp(-dy);
    else if (dy > 0.0f) pitchDown(dy);
}

D3DXMATRIX Camera::viewMatrix() const {
    // Looking straight up or down makes the up vector parallel to the view,
    // which leaves LookAtLH without a sideways axis; the camera's own up
    // direction (equal in every other pose) keeps the view well defined.
    D3DXVECTOR3 up = up_;
    D3DXVECTOR3 across;
    D3DXVec3Cross(&across, &up, &direction_);
    if (D3DXVec3LengthSq(&across) < 1e-6f) up = upDirection();
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &position_, &lookAt_, &up);
    return view;
}

void Camera::applyView(gfx::GraphicsDevice& device) const {
    device.setTransform(gfx::TransformKind::View, viewMatrix());
}

void Camera::setNearDistance(float distance) {
    near_ = distance;
    updatePlanes();
}

void Camera::setFarDistance(float distance) {
    far_ = distance;
    updatePlanes();
}

void Camera::setOpeningAngle(float halfAngleDegrees) {
    halfAngle_ = halfAngleDegrees;
    updatePlanes();
}
