// Camera navigation of the transformation mode: the camera turns around a
// rotation centre that lies straight in front of it, zooms towards it, pans
// with it, and jumps to the views the double clicks ask for.
//
//  - rotate: the camera looks around by (dx * speed, -dy * speed) degrees
//    (Camera::look) and stays at its distance from the centre, so dragging
//    carries the camera around the centre the way the pointer moves;
//  - zoom: the camera moves along a direction (through the pointer) by an
//    amount; when it would pass the centre or come closer than 50 units it
//    is put back 50 units in front of the centre; otherwise the centre
//    stays where it is (re-seated on the view line at its new distance);
//  - pan: sideways by dx and along the camera's up direction by -dy, with
//    speed = distance / (3001 - moving speed); the centre moves with the
//    camera and stays within -1024..1024 on every axis;
//  - the orientation cube's faces turn the camera to look at the face,
//    and the views of the double clicks place it around a point.
#pragma once

#include "core/math3d.h"

#include <optional>

class Camera;

// Nearest the camera may come to the rotation centre.
inline constexpr float kNearestToCentre = 50.0f;
// Bound of the rotation centre on every axis.
inline constexpr float kCentreLimit = 1024.0f;
// Distance of the middle double click's view.
inline constexpr float kOverviewDistance = 3100.0f;
// Wheel notches zoom this many times the zooming speed.
inline constexpr float kWheelZoomFactor = 8.0f;
// The largest moving speed (the pan divisor is 3001 - speed).
inline constexpr float kMaxMovingSpeed = 3000.0f;

// The faces of the see-through orientation cube, by the view they give.
enum class CubeFace { Right, Left, Back, Front, Top, Bottom };

// The face name printed when a face is double-clicked ("Right", "Left",
// "Back", "Front", "top", "Bottom").
const char* cubeFaceName(CubeFace face);
// The face whose outward normal is `normal` (the largest component wins).
CubeFace cubeFaceOfNormal(const D3DXVECTOR3& normal);
// The yaw snapped to the nearest quarter turn: below 45 or from 315 on 0,
// 45 to 135 90, 135 to 225 180, 225 to 315 270.
float snapYawToQuarter(float yaw);

// The camera angles that look at `face` straight on from outside the cube:
// the side faces give pitch 0 and their own yaw, top and bottom keep the
// yaw snapped to a quarter turn and look down or up.
struct CameraAngles {
    float yaw = 0.0f;
    float pitch = 0.0f;
};
CameraAngles anglesForFace(CubeFace face, float currentYaw);

// The face of the cube [-half, half]^3 around the origin that the ray meets
// first from outside (or leaves through from inside); empty for a miss.
std::optional<CubeFace> cubeFaceHit(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float half);

class CameraRig {
public:
    // Drives `camera` (which must outlive the rig); the centre starts 1000
    // units in front of the camera.
    explicit CameraRig(Camera& camera);

    // Puts the camera at `position` with the angles; the centre is placed
    // on the view line at the distance of the point `lookAt` along it
    // (at least 50), clamped into the box.
    void place(const D3DXVECTOR3& position, float yaw, float pitch, const D3DXVECTOR3& lookAt);

    // The drag rotation by the pointer's movement (dx, dy) at `speed`
    // degrees per pixel.
    void rotate(float dx, float dy, float speed);
    // Moves the camera by `amount` along `direction` (normalised here; a
    // positive amount moves forwards) with the 50-unit rule.
    void zoom(const D3DXVECTOR3& direction, float amount);
    // The drag pan by (dx, dy) with the moving speed (0..3000).
    void pan(float dx, float dy, float movingSpeed);

    // Turns the camera to `angles` and places it on the new view line
    // through `target` at its present distance from the centre, which
    // becomes `target`.
    void viewFrom(const CameraAngles& angles, const D3DXVECTOR3& target);
    // Puts the camera `distance` back from `target` along the present view
    // direction; the centre becomes `target`.
    void backAwayFrom(const D3DXVECTOR3& target, float distance);
    // Moves the camera across its view so that `target` lies on the view
    // line at the same depth; the centre becomes `target`.
    void centreOn(const D3DXVECTOR3& target);

    const D3DXVECTOR3& centre() const { return centre_; }
    // Distance from the camera to the centre.
    float distance() const;
    Camera& camera() const { return camera_; }

private:
    void setCentre(const D3DXVECTOR3& centre);
    // Puts the camera `distance` behind the centre along its view.
    void seatBehindCentre(float distance);

    Camera& camera_;
    D3DXVECTOR3 centre_;
};
