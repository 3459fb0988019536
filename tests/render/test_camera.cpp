// Camera arithmetic: angle wrapping and clamping, the view direction and
// look-at point, panning directions, and the culling planes.
#include "render/camera.h"

#include "platform/null_device.h"

#include <gtest/gtest.h>

namespace {

void expectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(Camera, StartsLookingAlongXWithLookAtInStep) {
    Camera camera;
    expectNear(camera.viewDirection(), {1, 0, 0});
    expectNear(camera.lookAt(), {1, 0, 0});
    camera.setPosition({5, 6, 7});
    expectNear(camera.lookAt(), {6, 6, 7});
}

TEST(Camera, YawWrapsAtBothEnds) {
    Camera camera;
    camera.yawRight(359.5f);
    camera.yawRight(1.0f);
    EXPECT_FLOAT_EQ(camera.yaw(), 0.0f);

    camera.yawLeft(0.5f);
    EXPECT_FLOAT_EQ(camera.yaw(), 360.0f);
    camera.yawLeft(10.0f);
    EXPECT_FLOAT_EQ(camera.yaw(), 350.0f);
}

TEST(Camera, PitchIsClampedToAQuarterTurn) {
    Camera camera;
    camera.pitchUp(89.0f);
    camera.pitchUp(5.0f);
    EXPECT_FLOAT_EQ(camera.pitch(), 90.0f);
    camera.pitchDown(200.0f);
    EXPECT_FLOAT_EQ(camera.pitch(), -90.0f);
}

TEST(Camera, TurningRightAndUpMovesTheViewDirection) {
    Camera camera;
    camera.yawRight(90.0f);
    expectNear(camera.viewDirection(), {0, 0, -1});  // right of +x in a left-handed frame
    camera.pitchUp(90.0f);
    expectNear(camera.viewDirection(), {0, 1, 0});
    expectNear(camera.lookAt(), camera.position() + camera.viewDirection());

    Camera looking;
    looking.look(-30.0f, -10.0f);  // negative values turn right and up
    EXPECT_FLOAT_EQ(looking.yaw(), 30.0f);
    EXPECT_FLOAT_EQ(looking.pitch(), 10.0f);
    looking.look(45.0f, 25.0f);
    EXPECT_FLOAT_EQ(looking.yaw(), 360.0f);
    EXPECT_FLOAT_EQ(looking.pitch(), -15.0f);
}

TEST(Camera, PanningMovesSidewaysAndAlongTheCameraUp) {
    Camera camera;
    camera.panSideways(2.0f, 1.5f);
    expectNear(camera.position(), {0, 0, -3});  // to the right
    expectNear(camera.lookAt(), {1, 0, -3});

    camera.setPosition({0, 0, 0});
    camera.panVertical(4.0f, 0.5f);
    expectNear(camera.position(), {0, -2, 0});  // positive amounts move down

    // Pitched up by 90 degrees the camera's up is the old backwards direction.
    camera.setPosition({0, 0, 0});
    camera.pitchUp(90.0f);
    camera.panVertical(-1.0f, 1.0f);
    expectNear(camera.position(), {-1, 0, 0});
}

TEST(Camera, MoveAlongNormalisesTheVector) {
    Camera camera;
    camera.moveAlong({0, 0, 10}, 3.0f);
    expectNear(camera.position(), {0, 0, 3});
    expectNear(camera.lookAt(), {1, 0, 3});
    camera.moveAlong({0, 0, 0}, 3.0f);
    expectNear(camera.position(), {0, 0, 3});
}

TEST(Camera, PlanesBoundTheVisibleVolume) {
    Camera camera;
    camera.setNearDistance(1.0f);
    camera.setFarDistance(100.0f);
    EXPECT_TRUE(camera.isVisible({50, 0, 0}));
    EXPECT_FALSE(camera.isVisible({0.5f, 0, 0}));   // before the near plane
    EXPECT_FALSE(camera.isVisible({150, 0, 0}));    // beyond the far plane
    EXPECT_FALSE(camera.isVisible({10, 0, 10}));    // 45 degrees to the left
    EXPECT_FALSE(camera.isVisible({10, 0, -10}));   // 45 degrees to the right
    EXPECT_TRUE(camera.isVisible({10, 0, 5}));      // about 27 degrees left
    EXPECT_FALSE(camera.isVisible({10, -5, 0}));    // 27 degrees down (bottom plane at -20)
    EXPECT_TRUE(camera.isVisible({10, 8, 0}));      // 39 degrees up (top plane at +45)

    // Far distance is measured along the view direction and the planes follow the camera.
    camera.setPosition({0, 0, 1000});
    camera.yawRight(90.0f);
    EXPECT_TRUE(camera.isVisible({0, 0, 950}));
    EXPECT_FALSE(camera.isVisible({50, 0, 1000}));
    const D3DXPLANE& near = camera.planes()[Camera::kNear];
    EXPECT_NEAR(D3DXPlaneDotCoord(&near, &camera.position()), -1.0f, 1e-4f);
}

TEST(Camera, WiderOpeningAngleWidensTheSides) {
    Camera camera;
    camera.setFarDistance(1000.0f);
    EXPECT_FALSE(camera.isVisible({10, 0, 10}));
    camera.setOpeningAngle(67.0f);
    EXPECT_TRUE(camera.isVisible({10, 0, 10}));
}

TEST(Camera, ApplyViewPutsTheLookAtInFrontOfTheEye) {
    auto device = gfx::createNullDevice(64, 64);
    Camera camera;
    camera.setPosition({1, 2, 3});
    camera.yawRight(30.0f);
    camera.applyView(*device);
    const D3DXMATRIX view = device->transform(gfx::TransformKind::View);
    D3DXVECTOR3 atInView;
    D3DXVec3TransformCoord(&atInView, &camera.lookAt(), &view);
    expectNear(atInView, {0, 0, 1});

    // Straight up the view stays well defined.
    camera.pitchUp(90.0f);
    camera.applyView(*device);
    const D3DXMATRIX up = device->transform(gfx::TransformKind::View);
    D3DXVec3TransformCoord(&atInView, &camera.lookAt(), &up);
    expectNear(atInView, {0, 0, 1});
}

}  // namespace
