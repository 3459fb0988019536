// Camera of the 3D view: a position, yaw and pitch angles in degrees, the
// view direction and look-at point derived from them, and six culling planes.
//
// Angle convention (left-handed, x right, y up, z into the screen at start):
//   view direction = (cos(pitch)·cos(yaw), sin(pitch), −cos(pitch)·sin(yaw))
// so yaw 0, pitch 0 looks along +x (the initial view direction (1, 0, 0)),
// a growing yaw turns the view to the right (yaw 90 looks along −z) and a
// growing pitch turns it upwards (pitch 90 looks along +y). The sideways
// direction used by panSideways is the horizontal direction of yaw + 90,
// which is the camera's right-hand side.
#pragma once

#include "core/math3d.h"
#include "platform/graphics_device.h"

#include <array>

class Camera {
public:
    enum Plane { kNear = 0, kFar, kLeft, kRight, kBottom, kTop, kPlaneCount };

    // Position (0, 0, 0), yaw 0, pitch 0, near 0, far 100, half opening 30.
    Camera();

    // Moves the camera to `position`; angles are kept.
    void setPosition(const D3DXVECTOR3& position);
    // Moves sideways (to the right for positive values) by amount × speed,
    // horizontally and at right angles to the view.
    void panSideways(float amount, float speed);
    // Moves along the camera's up direction by −amount × speed (a positive
    // amount moves down, as a mouse moving down the screen does).
    void panVertical(float amount, float speed);
    // Moves by `distance` along `vector` (normalised first; a zero vector
    // does not move the camera).
    void moveAlong(const D3DXVECTOR3& vector, float distance);

    // pitch += degrees, at most 90.
    void pitchUp(float degrees);
    // pitch −= degrees, at least −90.
    void pitchDown(float degrees);
    // yaw −= degrees; a result below 0 becomes 360.
    void yawLeft(float degrees);
    // yaw += degrees; a result above 360 becomes 0.
    void yawRight(float degrees);
    // Turns by a signed amount in degrees: yaw changes by −dx (negative dx
    // turns right, positive dx left), then pitch by −dy (negative dy turns
    // up, positive dy down).
    void look(float dx, float dy);

    // Turns the camera to `yaw` (wrapped into [0, 360)) and `pitch` (clamped
    // into [-90, 90]); the position is kept.
    void setAngles(float yaw, float pitch);

    // Sets the view transform of `device` to LookAtLH(position, look-at, up).
    void applyView(gfx::GraphicsDevice& device) const;
    // The matrix applyView() sets.
    D3DXMATRIX viewMatrix() const;

    // Culling set-up; each change recomputes the planes.
    void setNearDistance(float distance);
    void setFarDistance(float distance);
    void setOpeningAngle(float halfAngleDegrees);

    const D3DXVECTOR3& position() const { return position_; }
    const D3DXVECTOR3& viewDirection() const { return direction_; }
    const D3DXVECTOR3& lookAt() const { return lookAt_; }
    const D3DXVECTOR3& up() const { return up_; }
    // Unit horizontal vector to the camera's right (yaw + 90 degrees).
    D3DXVECTOR3 sideways() const;
    // Unit vector of the camera's own up direction (view × sideways).
    D3DXVECTOR3 upDirection() const;
    float yaw() const { return yaw_; }
    float pitch() const { return pitch_; }
    float nearDistance() const { return near_; }
    float farDistance() const { return far_; }
    float openingAngle() const { return halfAngle_; }

    // The planes, normals pointing into the visible volume: a point is on the
    // visible side of a plane when D3DXPlaneDotCoord gives a value >= 0.
    const std::array<D3DXPLANE, kPlaneCount>& planes() const { return planes_; }
    // True when `point` lies on the visible side of all six planes.
    bool isVisible(const D3DXVECTOR3& point) const;

    // Unit vector for yaw and pitch in degrees, in the convention above.
    static D3DXVECTOR3 directionFor(float yawDegrees, float pitchDegrees);

private:
    // Recomputes view direction, look-at point and planes from the state.
    void update();
    void updatePlanes();

    float near_ = 0.0f;
    float far_ = 100.0f;
    float halfAngle_ = 30.0f;
    D3DXVECTOR3 position_{0, 0, 0};
    D3DXVECTOR3 direction_{1, 0, 0};
    D3DXVECTOR3 lookAt_{1, 0, 0};
    D3DXVECTOR3 up_{0, 1, 0};
    float yaw_ = 0.0f;
    float pitch_ = 0.0f;
    std::array<D3DXPLANE, kPlaneCount> planes_{};
};
