#include "render/camera.h"
#include "render/renderer.h"
#include "sculpt/clipping_frame.h"
#include "transform/view_animation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ViewAnimation, BlendTurnsTheShortWayAndMovesLinearly) {
    ClippingPose presentation;
    presentation.translation = D3DXVECTOR3(0, 0, 0);
    presentation.yaw = 350.0f;
    presentation.pitch = -30.0f;
    presentation.scaling = D3DXVECTOR3(1500, 0.1f, 0.1f);
    ClippingPose placement;
    placement.translation = D3DXVECTOR3(100, 200, 300);
    placement.yaw = 10.0f;
    placement.pitch = 50.0f;
    placement.roll = 300.0f;
    placement.scaling = D3DXVECTOR3(1500, 1.1f, 2.1f);
    const ClippingPose half = blendPoses(presentation, placement, 0.5f);
    EXPECT_FLOAT_EQ(half.translation.y, 100.0f);
    EXPECT_NEAR(std::fmod(half.yaw, 360.0f), 0.0f, 1e-4f);  // through 0 (or 360), not through 180
    EXPECT_FLOAT_EQ(half.pitch, 10.0f);
    EXPECT_NEAR(half.roll, 330.0f, 1e-4f);   // from 0 backwards to 300
    EXPECT_FLOAT_EQ(half.scaling.z, 1.1f);
    const ClippingPose end = blendPoses(presentation, placement, 1.0f);
    EXPECT_NEAR(end.yaw, 10.0f, 1e-4f);
    EXPECT_NEAR(end.roll, 300.0f, 1e-4f);
    EXPECT_NEAR(blendPoses(presentation, placement, 0.0f).yaw, 350.0f, 1e-4f);
}

TEST(ViewAnimation, RunsForTheAnimationTimeAndHidesAfterGoingBack) {
    ViewAnimation animation;
    EXPECT_TRUE(animation.start(1000, false));
    EXPECT_FALSE(animation.start(1100, true));  // already running
    EXPECT_FALSE(animation.isBackwards());
    EXPECT_FLOAT_EQ(animation.advance(1200, 400.0f).f, 0.5f);
    const auto last = animation.advance(1401, 400.0f);
    EXPECT_TRUE(last.finished);
    EXPECT_FALSE(last.hide);
    EXPECT_FLOAT_EQ(last.f, 1.0f);
    EXPECT_FALSE(animation.isAnimating());

    EXPECT_TRUE(animation.start(2000, true));
    EXPECT_FLOAT_EQ(animation.advance(2100, 400.0f).f, 0.75f);
    const auto back = animation.advance(2500, 400.0f);
    EXPECT_TRUE(back.finished);
    EXPECT_TRUE(back.hide);
    EXPECT_FLOAT_EQ(back.f, 0.0f);
    // No animation time: at once.
    EXPECT_TRUE(animation.start(3000, false));
    EXPECT_TRUE(animation.advance(3000, 0.0f).finished);
}

// Projects a model point of a pose onto the screen.
D3DXVECTOR3 onScreen(const ViewGeometry& g, const ClippingPose& pose, const D3DXVECTOR3& model) {
    const D3DXMATRIX world = worldMatrix(transformOfPose(pose));
    D3DXVECTOR3 out;
    D3DXVec3Project(&out, &model, &g.viewport, &g.projection, &g.view, &world);
    return out;
}

TEST(ViewAnimation, ThePresentationPoseCoversTheListEntry) {
    Camera camera;
    camera.setPosition(D3DXVECTOR3(-1743, 1349, -1342));
    camera.setAngles(320.0f, -32.0f);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, DxRenderer::kFieldOfView, 1280.0f / 800.0f, DxRenderer::kNearPlane,
                               DxRenderer::kFarPlane);
    const ViewGeometry geometry = viewGeometryOf(camera, projection, 1280, 800);
    const ScreenRect rect{1100.0f, 200.0f, 1180.0f, 280.0f};
    PictureFrame picture{400.0f, 400.0f, D3DXVECTOR2(150.0f, 250.0f), D3DXVECTOR2(150.0f, 250.0f)};
    ClippingPlacement placement;
    const ClippingPose pose = presentationPose(geometry, rect, picture, placement);
    // The picture's corners on the near face land on the rectangle's corners.
    const ClippingModelFrame frame(placement, picture);
    const D3DXVECTOR3 topLeft = onScreen(geometry, pose, frame.point(400.0f, 400.0f, 0.0f));
    const D3DXVECTOR3 bottomRight = onScreen(geometry, pose, frame.point(0.0f, 0.0f, 0.0f));
    EXPECT_NEAR(topLeft.x, rect.left, 0.5f);
    EXPECT_NEAR(topLeft.y, rect.top, 0.5f);
    EXPECT_NEAR(bottomRight.x, rect.right, 0.5f);
    EXPECT_NEAR(bottomRight.y, rect.bottom, 0.5f);
    EXPECT_FLOAT_EQ(pose.roll, 0.0f);
}

}  // namespace
