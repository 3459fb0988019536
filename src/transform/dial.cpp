#include "transform/dial.h"

#include <cmath>

namespace {

constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;

// Adds or subtracts whole turns until `degrees` lies within [low, low + 360].
float wrapInto(float degrees, float low) {
    if (!std::isfinite(degrees)) return low < 0.0f ? 0.0f : low;
    const float high = low + 360.0f;
    if (degrees < low || degrees > high) {
        degrees = std::fmod(degrees - low, 360.0f);
        if (degrees < 0.0f) degrees += 360.0f;
        degrees += low;
    }
    return degrees;
}

}  // namespace

float pointerAngle(const D3DXVECTOR2& centre, const D3DXVECTOR2& pointer) {
    const double dx = static_cast<double>(pointer.x) - centre.x;
    const double dy = static_cast<double>(pointer.y) - centre.y;
    if (!std::isfinite(dx) || !std::isfinite(dy) || (dx == 0.0 && dy == 0.0)) return 0.0f;
    // Left of the centre is 0, above it (smaller y) 90.
    double angle = std::atan2(-dy, -dx) * kDegreesPerRadian;
    if (angle < 0.0) angle += 360.0;
    if (angle >= 360.0) angle -= 360.0;
    return static_cast<float>(angle);
}

float dialDelta(float last, float now) {
    float change = now - last;
    if (!std::isfinite(change)) return 0.0f;
    if (change > 180.0f) change = -(360.0f - change);
    if (change < -180.0f) change += 360.0f;
    return change;
}

float wrapTurnAngle(float degrees) { return wrapInto(degrees, 0.0f); }

float wrapPitchAngle(float degrees) { return wrapInto(degrees, -180.0f); }

float snapToEighth(float degrees) {
    if (!std::isfinite(degrees)) return 0.0f;
    return std::round(degrees / 45.0f) * 45.0f;
}
