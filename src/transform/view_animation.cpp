#include "transform/view_animation.h"

#include "render/camera.h"
#include "sculpt/clipping_frame.h"
#include "transform/dial.h"

#include <algorithm>
#include <cmath>

namespace {

float lerp(float a, float b, float f) { return a + (b - a) * f; }

D3DXVECTOR3 lerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float f) { return a + (b - a) * f; }

// From `from` towards `to` the short way round, a share `f` of the way,
// brought into [0, 360].
float turnShortWay(float from, float to, float f) { return wrapTurnAngle(from + dialDelta(from, to) * f); }

}  // namespace

ClippingPose poseOfPlacement(const ClippingPlacement& placement) {
    ClippingPose pose;
    pose.translation = placement.translation;
    pose.yaw = placement.angle;
    pose.pitch = placement.angleheight;
    pose.roll = placement.angleimage;
    pose.scaling = placement.scaling;
    return pose;
}

Transform transformOfPose(const ClippingPose& pose) {
    ClippingPlacement placement;
    placement.translation = pose.translation;
    placement.angle = pose.yaw;
    placement.angleheight = pose.pitch;
    placement.angleimage = pose.roll;
    placement.scaling = pose.scaling;
    return nodeTransformOf(placement);
}

ClippingPose blendPoses(const ClippingPose& presentation, const ClippingPose& placement, float f) {
    f = std::isfinite(f) ? std::clamp(f, 0.0f, 1.0f) : 1.0f;
    ClippingPose pose;
    pose.translation = lerp(presentation.translation, placement.translation, f);
    pose.scaling = lerp(presentation.scaling, placement.scaling, f);
    pose.yaw = turnShortWay(presentation.yaw, placement.yaw, f);
    pose.pitch = lerp(presentation.pitch, placement.pitch, f);
    pose.roll = turnShortWay(0.0f, placement.roll, f);
    return pose;
}

ViewGeometry viewGeometryOf(const Camera& camera, const D3DXMATRIX& projection, int width, int height) {
    ViewGeometry geometry;
    geometry.cameraPosition = camera.position();
    geometry.cameraYaw = camera.yaw();
    geometry.cameraPitch = camera.pitch();
    geometry.view = camera.viewMatrix();
    geometry.projection = projection;
    geometry.viewport.Width = static_cast<std::uint32_t>(std::max(width, 1));
    geometry.viewport.Height = static_cast<std::uint32_t>(std::max(height, 1));
    return geometry;
}

ClippingPose presentationPose(const ViewGeometry& geometry, const ScreenRect& rect, const PictureFrame& picture,
                              const ClippingPlacement& placement) {
    ClippingPose pose;
    // The clipping looks where the camera looks.
    pose.yaw = wrapTurnAngle(360.0f - geometry.cameraYaw);
    pose.pitch = geometry.cameraPitch;
    pose.roll = 0.0f;
    pose.scaling = placement.scaling;

    const D3DXVECTOR3 view = Camera::directionFor(geometry.cameraYaw, geometry.cameraPitch);
    D3DXVECTOR3 nearPoint;
    D3DXVECTOR3 farPoint;
    const D3DXVECTOR3 centre((rect.left + rect.right) * 0.5f, (rect.top + rect.bottom) * 0.5f, 0.0f);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    const D3DXVECTOR3 centreFar(centre.x, centre.y, 1.0f);
    if (D3DXVec3Unproject(&nearPoint, &centre, &geometry.viewport, &geometry.projection, &geometry.view, &identity) ==
            nullptr ||
        D3DXVec3Unproject(&farPoint, &centreFar, &geometry.viewport, &geometry.projection, &geometry.view,
                          &identity) == nullptr) {
        pose.translation = geometry.cameraPosition + view * (kPresentationDepth + placement.scaling.x * 0.5f);
        return pose;
    }
    D3DXVECTOR3 ray = farPoint - nearPoint;
    D3DXVec3Normalize(&ray, &ray);
    const float along = std::max(D3DXVec3Dot(&ray, &view), 1e-3f);
    const D3DXVECTOR3 onPicture = geometry.cameraPosition + ray * (kPresentationDepth / along);

    // World size of one screen pixel at that depth: the projection's _22 is
    // the cotangent of half the vertical field of view.
    const float pixel = 2.0f * kPresentationDepth / (geometry.projection._22 * static_cast<float>(geometry.viewport.Height));
    const float worldWidth = std::fabs(rect.right - rect.left) * pixel;
    const float pictureWidth = std::max(picture.width, 1.0f);
    pose.scaling.y = pose.scaling.z = worldWidth / pictureWidth;

    // The picture's middle on the near face goes to `onPicture`.
    Transform turned = transformOfPose(pose);
    turned.translation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    const D3DXMATRIX matrix = worldMatrix(turned);
    const D3DXVECTOR3 middle(-0.5f, picture.rotationCentre.y - picture.height * 0.5f,
                             picture.rotationCentre.x - picture.width * 0.5f);
    D3DXVECTOR3 offset;
    D3DXVec3TransformCoord(&offset, &middle, &matrix);
    pose.translation = onPicture - offset;
    return pose;
}

bool ViewAnimation::start(std::uint64_t nowMs, bool backwards) {
    if (animating_) return false;
    animating_ = true;
    backwards_ = backwards;
    startMs_ = nowMs;
    return true;
}

void ViewAnimation::cancel() {
    animating_ = false;
    backwards_ = false;
}

ViewAnimation::Step ViewAnimation::advance(std::uint64_t nowMs, float durationMs) {
    Step step;
    if (!animating_) return step;
    const float elapsed = nowMs > startMs_ ? static_cast<float>(nowMs - startMs_) : 0.0f;
    if (!(durationMs > 0.0f) || elapsed > durationMs) {
        step.finished = true;
        step.hide = backwards_;
        step.f = backwards_ ? 0.0f : 1.0f;
        animating_ = false;
        backwards_ = false;
        return step;
    }
    const float f = elapsed / durationMs;
    step.f = backwards_ ? 1.0f - f : f;
    return step;
}
