#include "render/camera.h"
#include "transform/camera_rig.h"
#include "transform/drag_resolution.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

float length(const D3DXVECTOR3& v) { return D3DXVec3Length(&v); }

void expectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

// A camera 1000 units from the origin on -x, looking at it.
struct Rig {
    Camera camera;
    CameraRig rig{camera};
    Rig() { rig.place(D3DXVECTOR3(-1000, 0, 0), 0.0f, 0.0f, D3DXVECTOR3(0, 0, 0)); }
};

TEST(CameraRig, ZoomingStopsFiftyUnitsBeforeTheCentre) {
    Rig r;
    r.rig.zoom(r.camera.viewDirection(), 300.0f);
    EXPECT_NEAR(r.rig.distance(), 700.0f, 1e-2f);
    expectNear(r.rig.centre(), D3DXVECTOR3(0, 0, 0), 1e-3f);
    // Would come too close, or pass the centre: 50 in front of it.
    r.rig.zoom(r.camera.viewDirection(), 680.0f);
    EXPECT_NEAR(r.rig.distance(), kNearestToCentre, 1e-3f);
    r.rig.zoom(r.camera.viewDirection(), 5000.0f);
    EXPECT_NEAR(r.rig.distance(), kNearestToCentre, 1e-3f);
    expectNear(r.camera.position(), D3DXVECTOR3(-50, 0, 0), 1e-3f);
    // Backwards.
    r.rig.zoom(r.camera.viewDirection(), -450.0f);
    EXPECT_NEAR(r.rig.distance(), 500.0f, 1e-2f);
    // Off the axis (through a pointer away from the middle) the centre is
    // re-seated on the view line, still at its distance in front.
    D3DXVECTOR3 aside(1.0f, 0.2f, 0.0f);
    r.rig.zoom(aside, 100.0f);
    const D3DXVECTOR3 ahead = r.rig.centre() - r.camera.position();
    EXPECT_NEAR(D3DXVec3Dot(&ahead, &r.camera.viewDirection()), r.rig.distance(), 1e-2f);
    EXPECT_LT(r.rig.distance(), 500.0f);
}

TEST(CameraRig, RotatingCarriesTheCameraAroundTheCentre) {
    Rig r;
    r.rig.rotate(100.0f, -50.0f, 0.3f);
    EXPECT_NEAR(r.camera.yaw(), 330.0f, 1e-3f);  // 0 - 100 * 0.3, wrapped by a whole turn
    EXPECT_NEAR(r.camera.pitch(), -15.0f, 1e-3f);
    EXPECT_NEAR(r.rig.distance(), 1000.0f, 1e-2f);
    expectNear(r.rig.centre(), D3DXVECTOR3(0, 0, 0), 1e-3f);
    // Still looking at the centre.
    const D3DXVECTOR3 toCentre = (r.rig.centre() - r.camera.position()) / r.rig.distance();
    expectNear(toCentre, r.camera.viewDirection(), 1e-4f);
    // Pitch stops at a quarter turn.
    r.rig.rotate(0.0f, -1000.0f, 0.3f);
    EXPECT_FLOAT_EQ(r.camera.pitch(), -90.0f);
}

TEST(CameraRig, PanningKeepsTheCentreInTheBox) {
    Rig r;
    const D3DXVECTOR3 before = r.camera.position();
    r.rig.pan(10.0f, 0.0f, 2000.0f);
    // speed = 1000 / (3001 - 2000) per pixel, to the camera's right (-z).
    const float step = 10.0f * 1000.0f / 1001.0f;
    expectNear(r.camera.position(), before + D3DXVECTOR3(0, 0, -step), 1e-2f);
    expectNear(r.rig.centre(), D3DXVECTOR3(0, 0, -step), 1e-2f);
    // Moving the mouse down moves the camera down.
    r.rig.pan(0.0f, 10.0f, 2000.0f);
    EXPECT_LT(r.rig.centre().y, 0.0f);
    for (int i = 0; i < 200; ++i) r.rig.pan(-100.0f, -100.0f, 2990.0f);
    EXPECT_FLOAT_EQ(r.rig.centre().z, kCentreLimit);
    EXPECT_FLOAT_EQ(r.rig.centre().y, kCentreLimit);
    EXPECT_NEAR(r.rig.distance(), 1000.0f, 0.1f);
}

TEST(CameraRig, CubeFacesTurnTheCameraToLookAtThem) {
    EXPECT_FALSE(cubeFaceHit(D3DXVECTOR3(-3000, 2000, 0), D3DXVECTOR3(1, 0, 0), 1024.0f).has_value());
    struct Case {
        D3DXVECTOR3 origin, direction;
        CubeFace face;
    };
    const Case cases[] = {
        {{-3000, 10, 20}, {1, 0, 0}, CubeFace::Right},   {{3000, 10, 20}, {-1, 0, 0}, CubeFace::Left},
        {{10, 20, 3000}, {0, 0, -1}, CubeFace::Back},    {{10, 20, -3000}, {0, 0, 1}, CubeFace::Front},
        {{10, 3000, 20}, {0, -1, 0}, CubeFace::Top},     {{10, -3000, 20}, {0, 1, 0}, CubeFace::Bottom},
        // From inside, the face the ray leaves through.
        {{0, 0, 0}, {0, 1, 0.1f}, CubeFace::Top},
    };
    for (const Case& c : cases) {
        const auto face = cubeFaceHit(c.origin, c.direction, 1024.0f);
        ASSERT_TRUE(face.has_value());
        EXPECT_EQ(*face, c.face);
        if (c.origin == D3DXVECTOR3(0, 0, 0)) continue;
        // Looking at the face straight on means looking along the ray.
        const CameraAngles angles = anglesForFace(*face, 200.0f);
        expectNear(Camera::directionFor(angles.yaw, angles.pitch), c.direction, 1e-5f);
    }
    EXPECT_STREQ(cubeFaceName(CubeFace::Top), "top");
    EXPECT_FLOAT_EQ(anglesForFace(CubeFace::Top, 200.0f).yaw, 180.0f);
    const float snaps[][2] = {{44.9f, 0}, {45, 90}, {134.9f, 90}, {135, 180}, {224.9f, 180},
                              {225, 270}, {314.9f, 270}, {315, 0}, {-10, 0}, {370, 0}};
    for (const auto& s : snaps) EXPECT_FLOAT_EQ(snapYawToQuarter(s[0]), s[1]) << s[0];
}

TEST(CameraRig, DoubleClickViewsPlaceTheCameraAroundATarget) {
    Rig r;
    r.rig.zoom(r.camera.viewDirection(), 200.0f);
    const D3DXVECTOR3 target(100, 50, -30);
    r.rig.viewFrom(CameraAngles{90.0f, 0.0f}, target);
    EXPECT_NEAR(r.rig.distance(), 800.0f, 1e-2f);
    expectNear(r.rig.centre(), target, 1e-3f);
    expectNear(r.camera.position(), target - Camera::directionFor(90, 0) * 800.0f, 1e-2f);

    r.rig.backAwayFrom(target, kOverviewDistance);
    EXPECT_NEAR(length(r.camera.position() - target), kOverviewDistance, 1e-1f);
    EXPECT_NEAR(r.camera.yaw(), 90.0f, 1e-4f);

    // Centring moves across the view only: the depth stays.
    const D3DXVECTOR3 other(400, -20, 60);
    const D3DXVECTOR3 before = r.camera.position();
    const D3DXVECTOR3 toOther = other - before;
    const float depth = D3DXVec3Dot(&toOther, &r.camera.viewDirection());
    r.rig.centreOn(other);
    expectNear(r.rig.centre(), other, 1e-3f);
    EXPECT_NEAR(r.rig.distance(), depth, 1e-2f);
    const D3DXVECTOR3 moved = r.camera.position() - before;
    EXPECT_NEAR(D3DXVec3Dot(&moved, &r.camera.viewDirection()), 0.0f, 1e-2f);
}

TEST(DragResolution, OnlyASlowMovementGetsCoarserAndRestingSharpensAgain) {
    struct Frame {
        bool moving;
        double msSincePrevious;
        int divisor;
    };
    const Frame frames[] = {
        {false, 100.0, 1},  // at rest: full, however long since the last frame
        {true, 900.0, 1},   // a movement begins after a rest: not measured
        {true, 15.0, 1},    // fast enough
        {true, 60.0, 2},    // a slow full frame: the movement goes on at half
        {true, 10.0, 2},    // and stays there, fast as it now is
        {true, 30.0, 3},    // still slow at half: a third
        {true, 17.0, 4},    // still slow at a third: a quarter
        {true, 90.0, 4},    // past a quarter one slow frame is not enough
        {true, 12.0, 4},
        {true, 20.0, 4},    // nor a slow frame after a fast one
        {true, 20.0, 5},    // two slow frames in a row: a fifth
        {true, 20.0, 5},    // frames at a fifth count afresh
        {true, 20.0, 6},    // two of them: a sixth
        {true, 90.0, 6},    // and no coarser
        {true, 90.0, 6},
        {false, 10.0, 1},   // the pointer rests: full at once
        {true, 500.0, 1},   // the next movement is measured afresh
        {true, 16.0, 1},
        {true, 16.5, 2},
        {true, 20.0, 3},
        {true, 20.0, 4},
        {false, 10.0, 1},   // a rest forgets the slow frames before it
        {true, 500.0, 1},
        {true, 20.0, 2},
        {true, 20.0, 3},
        {true, 20.0, 4},
        {true, 20.0, 4},    // the first slow frame at a quarter
    };
    DragResolution resolution;
    int index = 0;
    for (const Frame& frame : frames) {
        EXPECT_EQ(resolution.divisorFor(frame.moving, frame.msSincePrevious), frame.divisor) << "frame " << index;
        ++index;
    }
}

}  // namespace
