#include "sample_object.h"

#include "sculpt/clipping_projection.h"

#include <algorithm>
#include <cmath>

namespace sample {
namespace {

// Mug and saucer measures (world units). The object is centred on the origin.
constexpr float kShiftX = -34.0f;          // handle side balanced around the origin
constexpr float kBodyRadius = 170.0f;
constexpr float kWall = 18.0f;
constexpr float kBodyBottom = -165.0f;
constexpr float kBodyTop = 185.0f;
constexpr float kCoffeeLevel = 120.0f;
constexpr float kBandLow = 120.0f;
constexpr float kBandHigh = 150.0f;
constexpr float kHandleCentreX = 205.0f;
constexpr float kHandleCentreY = 10.0f;
constexpr float kHandleRadius = 92.0f;
constexpr float kHandleThickness = 26.0f;
constexpr float kSaucerRadius = 265.0f;
constexpr float kSaucerBottom = -195.0f;
constexpr float kSaucerTop = -172.0f;
constexpr float kRounding = 6.0f;
// Every ray that misses this sphere misses the object.
constexpr float kBoundingRadius = 430.0f;

enum class Part { Body, Inside, Coffee, Handle, Saucer };

struct Rgbf {
    float r, g, b;
};

float length2(float a, float b) { return std::sqrt(a * a + b * b); }

// Capped vertical cylinder of `radius` from y0 to y1, around the Y axis.
float cylinder(const D3DXVECTOR3& p, float radius, float y0, float y1) {
    const float radial = length2(p.x, p.z) - radius;
    const float vertical = std::max(y0 - p.y, p.y - y1);
    const float outside = length2(std::max(radial, 0.0f), std::max(vertical, 0.0f));
    return std::min(std::max(radial, vertical), 0.0f) + outside;
}

// Ring in the X-Y plane (its hole seen from the front), for the handle.
float handleRing(const D3DXVECTOR3& p) {
    const float ring = length2(p.x - kHandleCentreX, p.y - kHandleCentreY) - kHandleRadius;
    return length2(ring, p.z) - kHandleThickness;
}

float outerBody(const D3DXVECTOR3& p) {
    return cylinder(p, kBodyRadius - kRounding, kBodyBottom + kRounding, kBodyTop - kRounding) - kRounding;
}

float hollow(const D3DXVECTOR3& p) { return cylinder(p, kBodyRadius - kWall, kCoffeeLevel, kBodyTop + 100.0f); }

float body(const D3DXVECTOR3& p) { return std::max(outerBody(p), -hollow(p)); }

// The handle without the part that would reach into the mug.
float handle(const D3DXVECTOR3& p) { return std::max(handleRing(p), -cylinder(p, kBodyRadius - 2.0f, -1e4f, 1e4f)); }

float saucer(const D3DXVECTOR3& p) {
    return cylinder(p, kSaucerRadius - kRounding, kSaucerBottom + kRounding, kSaucerTop - kRounding) - kRounding;
}

D3DXVECTOR3 local(const D3DXVECTOR3& p) { return {p.x - kShiftX, p.y, p.z}; }

Part partAt(const D3DXVECTOR3& world) {
    const D3DXVECTOR3 p = local(world);
    const float b = body(p);
    const float h = handle(p);
    const float s = saucer(p);
    if (h < b && h < s) return Part::Handle;
    if (s < b) return Part::Saucer;
    const float radial = length2(p.x, p.z);
    if (radial < kBodyRadius - kWall + 0.5f) return p.y < kCoffeeLevel + 1.0f ? Part::Coffee : Part::Inside;
    return Part::Body;
}

D3DXVECTOR3 normalAt(const D3DXVECTOR3& p) {
    constexpr float e = 0.5f;
    D3DXVECTOR3 n(distanceToObject({p.x + e, p.y, p.z}) - distanceToObject({p.x - e, p.y, p.z}),
                  distanceToObject({p.x, p.y + e, p.z}) - distanceToObject({p.x, p.y - e, p.z}),
                  distanceToObject({p.x, p.y, p.z + e}) - distanceToObject({p.x, p.y, p.z - e}));
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    return length > 0.0f ? D3DXVECTOR3(n.x / length, n.y / length, n.z / length) : D3DXVECTOR3(0, 1, 0);
}

// The painted colour of the surface at `world`.
Rgbf albedo(const D3DXVECTOR3& world) {
    const D3DXVECTOR3 p = local(world);
    switch (partAt(world)) {
        case Part::Handle: return {0.98f, 0.78f, 0.10f};
        case Part::Coffee: return {0.36f, 0.20f, 0.09f};
        case Part::Inside: return {0.96f, 0.93f, 0.86f};
        case Part::Saucer: {
            const bool rim = length2(p.x, p.z) > kSaucerRadius - 30.0f;
            return rim ? Rgbf{0.95f, 0.95f, 0.97f} : Rgbf{0.12f, 0.38f, 0.85f};
        }
        case Part::Body: {
            if (p.y > kBandLow && p.y < kBandHigh) return {0.97f, 0.97f, 0.95f};
            // Green dots around the lower body, so every side looks different.
            const float around = std::atan2(p.z, p.x) * 6.0f / 3.14159265f;
            const float cell = around - std::floor(around) - 0.5f;
            const float height = (p.y + 40.0f) / 70.0f;
            const float row = height - std::floor(height) - 0.5f;
            if (p.y < 90.0f && p.y > kBodyBottom + 20.0f && cell * cell + row * row < 0.09f) {
                return {0.15f, 0.72f, 0.30f};
            }
            return {0.86f, 0.14f, 0.12f};
        }
    }
    return {1, 1, 1};
}

float dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Studio light: a key light above and to the side, a fill from the viewer.
Rgbf shade(const D3DXVECTOR3& point, const D3DXVECTOR3& viewDirection) {
    const Rgbf colour = albedo(point);
    const D3DXVECTOR3 n = normalAt(point);
    const D3DXVECTOR3 key(-0.45f, 0.78f, -0.43f);
    const float keyLight = std::max(dot(n, key), 0.0f);
    const float fill = std::max(-dot(n, viewDirection), 0.0f);
    const D3DXVECTOR3 half(key.x - viewDirection.x, key.y - viewDirection.y, key.z - viewDirection.z);
    const float halfLength = std::sqrt(dot(half, half));
    const float specular = halfLength > 0 ? std::pow(std::max(dot(n, half) / halfLength, 0.0f), 40.0f) : 0.0f;
    const float light = 0.30f + 0.60f * keyLight + 0.25f * fill;
    return {colour.r * light + 0.35f * specular, colour.g * light + 0.35f * specular,
            colour.b * light + 0.35f * specular};
}

std::uint8_t toByte(float value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

// Sphere-traces from `from` along the unit `direction` for at most `length`;
// the hit point or nothing.
bool trace(const D3DXVECTOR3& from, const D3DXVECTOR3& direction, float length, D3DXVECTOR3& hit) {
    // Start where the ray enters the bounding sphere.
    const float b = dot(from, direction);
    const float c = dot(from, from) - kBoundingRadius * kBoundingRadius;
    const float disc = b * b - c;
    if (disc < 0.0f) return false;
    float t = std::max(0.0f, -b - std::sqrt(disc));
    const float end = std::min(length, -b + std::sqrt(disc));
    for (int step = 0; step < 400 && t < end; ++step) {
        const D3DXVECTOR3 p(from.x + direction.x * t, from.y + direction.y * t, from.z + direction.z * t);
        const float d = distanceToObject(p);
        if (d < 0.2f) {
            hit = p;
            return true;
        }
        t += std::max(d * 0.9f, 0.2f);
    }
    return false;
}

}  // namespace

std::vector<View> sampleViews() {
    return {{0.0f, 0.0f},    {45.0f, 0.0f},   {90.0f, 0.0f},   {135.0f, 0.0f},
            {20.0f, -40.0f}, {110.0f, -55.0f}, {250.0f, 25.0f}};
}

float distanceToObject(const D3DXVECTOR3& world) {
    const D3DXVECTOR3 p = local(world);
    return std::min({body(p), handle(p), saucer(p)});
}

Picture renderView(const View& view) {
    ClippingPlacement placement;
    placement.scaling = D3DXVECTOR3(kSlabDepth, kUnitsPerPixel, kUnitsPerPixel);
    placement.angle = view.angle;
    placement.angleheight = view.angleheight;
    PictureFrame frame;
    frame.width = static_cast<float>(kPictureSide);
    frame.height = static_cast<float>(kPictureSide);
    frame.rotationCentre = D3DXVECTOR2(kPictureSide * 0.5f, kPictureSide * 0.5f);
    frame.fovCentre = frame.rotationCentre;
    ClippingProjection projection;
    projection.prepare(placement, frame, GridBox{});
    const D3DXVECTOR3 direction = projection.viewingDirection();

    Picture picture;
    const std::size_t pixels = static_cast<std::size_t>(kPictureSide) * kPictureSide;
    picture.rgb.resize(pixels * 3);
    picture.alpha.assign(pixels, 0);
    for (int y = 0; y < kPictureSide; ++y) {
        for (int x = 0; x < kPictureSide; ++x) {
            // Pixel x sits at grid column 510 - x, i.e. u = 511.5 - x.
            const float u = 511.5f - static_cast<float>(x);
            const float w = 511.5f - static_cast<float>(y);
            const auto near = projection.unprojectPoint(ClipPoint{-kSlabDepth * 0.5f, w, u});
            const std::size_t at = static_cast<std::size_t>(y) * kPictureSide + x;
            // The backdrop: a soft grey studio gradient.
            const float backdrop = 0.80f - 0.15f * static_cast<float>(y) / kPictureSide;
            Rgbf colour{backdrop, backdrop, backdrop + 0.03f};
            D3DXVECTOR3 hit;
            if (near && trace(*near, direction, kSlabDepth, hit)) {
                colour = shade(hit, direction);
                picture.alpha[at] = 255;
            }
            picture.rgb[at * 3] = toByte(colour.r);
            picture.rgb[at * 3 + 1] = toByte(colour.g);
            picture.rgb[at * 3 + 2] = toByte(colour.b);
        }
    }
    return picture;
}

}  // namespace sample
