// The 3D markers and handles of the transformation mode, in marker units: a
// translation arrow is 1 long and starts at the origin, the centre sphere
// has radius 0.08, the yaw ring radius 0.7, the roll ring radius 0.55. Axes
// follow the clipping: x is its depth, y its height, z its width. Colours:
// x red, y green, z blue; rotation rings and scaling handles come in green
// (grow) and red (shrink or active) variants.
#include "art.h"

#include <cmath>

namespace artgen {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kRoundSlices = 24;

Vec3 axisVector(int axis) {
    switch (axis) {
    case 0:
        return {1, 0, 0};
    case 1:
        return {0, 1, 0};
    default:
        return {0, 0, 1};
    }
}

Material colourMaterial(float red, float green, float blue) {
    Material m;
    m.red = red;
    m.green = green;
    m.blue = blue;
    return m;
}

Material axisMaterial(int axis) {
    switch (axis) {
    case 0:
        return colourMaterial(0.90f, 0.25f, 0.22f);
    case 1:
        return colourMaterial(0.30f, 0.80f, 0.32f);
    default:
        return colourMaterial(0.28f, 0.50f, 0.95f);
    }
}

Material redOrGreen(bool red) {
    return red ? colourMaterial(0.90f, 0.25f, 0.22f) : colourMaterial(0.30f, 0.80f, 0.32f);
}

void addArrow(TriangleMesh& mesh, Vec3 axis, float length, float shaft, float head, float headLength) {
    addCylinder(mesh, {}, axis, length - headLength, shaft, kRoundSlices);
    addCone(mesh, axis * (length - headLength), axis, headLength, head, kRoundSlices);
}

// A ring arc around the origin in the plane of `u` and `v`, with a cone
// head at its end pointing along the direction of travel.
TriangleMesh ringArrow(Vec3 u, Vec3 v, float radius) {
    TriangleMesh mesh;
    const float start = 0.0f;
    const float sweep = 300.0f * kPi / 180.0f;
    addTorusArc(mesh, {}, u, v, radius, 0.022f, start, sweep, 72, 12);
    float end = start + sweep;
    Vec3 point = (u * std::cos(end) + v * std::sin(end)) * radius;
    Vec3 tangent = normalised(u * -std::sin(end) + v * std::cos(end));
    addCone(mesh, point, tangent, 0.2f, 0.07f, kRoundSlices);
    return mesh;
}

}  // namespace

Model buildCentreSphere() {
    Model model{"CentreSphere", {}, colourMaterial(0.96f, 0.74f, 0.26f)};
    addSphere(model.mesh, {}, 0.08f, kRoundSlices, 16);
    return model;
}

Model buildTranslationArrow(int axis) {
    const char* names[] = {"TranslationArrowX", "TranslationArrowY", "TranslationArrowZ"};
    Model model{names[axis], {}, axisMaterial(axis)};
    addArrow(model.mesh, axisVector(axis), 1.0f, 0.02f, 0.065f, 0.22f);
    return model;
}

Model buildRotationArrow(bool red) {
    Model model{red ? "RotationArrowRed" : "RotationArrowGreen", {}, redOrGreen(red)};
    model.mesh = ringArrow({1, 0, 0}, {0, 0, 1}, 0.7f);
    return model;
}

Model buildImageRotationArrow(bool red) {
    Model model{red ? "ImageRotationArrowRed" : "ImageRotationArrowGreen", {}, redOrGreen(red)};
    model.mesh = ringArrow({0, 1, 0}, {0, 0, 1}, 0.55f);
    return model;
}

Model buildScalingHandle(int axis, bool smaller) {
    const char* growNames[] = {"ScalingHandleDepth", "ScalingHandleHeight", "ScalingHandleWidth"};
    const char* shrinkNames[] = {"ScalingHandleDepthSmaller", "ScalingHandleHeightSmaller",
                                 "ScalingHandleWidthSmaller"};
    Vec3 a = axisVector(axis);
    Model model{smaller ? shrinkNames[axis] : growNames[axis], {}, redOrGreen(smaller)};
    if (smaller) {
        // A shorter stem, a cone pointing back to the centre, a small box.
        addCylinder(model.mesh, {}, a, 0.6f, 0.016f, kRoundSlices);
        addCone(model.mesh, a * 0.76f, a * -1.0f, 0.16f, 0.06f, kRoundSlices);
        addBox(model.mesh, a * 0.82f, {0.045f, 0.045f, 0.045f});
    } else {
        addCylinder(model.mesh, {}, a, 0.86f, 0.016f, kRoundSlices);
        addBox(model.mesh, a * 0.9f, {0.065f, 0.065f, 0.065f});
    }
    return model;
}

Model buildPlainArrow() {
    Model model{"DirectionArrow", {}, colourMaterial(0.92f, 0.92f, 0.95f)};
    addArrow(model.mesh, {0, 0, 1}, 1.0f, 0.025f, 0.075f, 0.25f);
    return model;
}

}  // namespace artgen
