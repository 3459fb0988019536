#include "sculpt/clipping_frame.h"

#include "image/image_entry.h"
#include "sculpt/clipping.h"

#include <cmath>

namespace {

// `degrees` brought into [0, 360).
float wrapTurn(float degrees) {
    if (!std::isfinite(degrees)) return 0.0f;
    float wrapped = std::fmod(degrees, 360.0f);
    if (wrapped < 0.0f) wrapped += 360.0f;
    return wrapped;
}

float radians(float degrees) { return degrees * (4.0f * std::atan(1.0f) / 180.0f); }

}  // namespace

D3DXVECTOR3 nodeRotationOfAngles(float yaw, float pitch, float roll) {
    float turnedPitch = wrapTurn(pitch);
    return D3DXVECTOR3(radians(360.0f - wrapTurn(yaw)), radians(360.0f - wrapTurn(roll)), radians(turnedPitch));
}

Transform nodeTransformOf(const ClippingPlacement& placement) {
    Transform transform;
    transform.translation = placement.translation;
    transform.rotation = nodeRotationOfAngles(placement.angle, placement.angleheight, placement.angleimage);
    transform.scaling = placement.scaling;
    return transform;
}

PictureFrame pictureFrameOf(const ImageEntry& entry) {
    const Image& mask = entry.mask;
    const Image& image = entry.workingCopy;
    PictureFrame frame;
    if (mask.isValid()) {
        frame.width = static_cast<float>(mask.width() - mask.marginRight);
        frame.height = static_cast<float>(mask.height() - mask.marginBottom);
    }
    frame.rotationCentre = D3DXVECTOR2(image.rotationCentre.x, image.rotationCentre.y);
    frame.fovCentre = D3DXVECTOR2(image.fovCentre.x, image.fovCentre.y);
    return frame;
}

ClippingModelFrame::ClippingModelFrame(const ClippingPlacement& placement, const PictureFrame& frame)
    : perspective_(placement.fovSet), width_(frame.width), height_(frame.height) {
    if (!perspective_) {
        offsetU_ = frame.width - frame.rotationCentre.x;
        offsetW_ = frame.height - frame.rotationCentre.y;
        return;
    }
    offsetU_ = frame.width - frame.fovCentre.x;
    offsetW_ = frame.height - frame.fovCentre.y;
    gainU_ = placement.fovX - 1.0f;
    gainW_ = placement.fovY - 1.0f;
    const float a = placement.imagePlane;
    shiftU_ = (frame.fovCentre.x - frame.rotationCentre.x) * (1.0f + gainU_ * a);
    shiftW_ = (frame.fovCentre.y - frame.rotationCentre.y) * (1.0f + gainW_ * a);
}

ClippingModelFrame ClippingModelFrame::of(const Clipping& clipping) {
    return ClippingModelFrame(clipping.placement(), pictureFrameOf(clipping.entry()));
}

float ClippingModelFrame::widening(float s, bool vertical) const {
    return 1.0f + (vertical ? gainW_ : gainU_) * s;
}

D3DXVECTOR3 ClippingModelFrame::point(float u, float w, float s) const {
    const float z = (u - offsetU_) * widening(s, false) - shiftU_;
    const float y = (w - offsetW_) * widening(s, true) - shiftW_;
    return D3DXVECTOR3(s - 0.5f, y, z);
}
