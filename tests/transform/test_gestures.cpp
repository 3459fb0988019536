#include "sculpt/clipping_frame.h"
#include "transform/dial.h"
#include "transform/gestures.h"
#include "transform/transform_texts.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Dial, PointerAngleGrowsClockwiseFromTheLeft) {
    const D3DXVECTOR2 centre(100.0f, 100.0f);
    struct Case {
        float x, y, angle;
    };
    const Case cases[] = {{50, 100, 0},   {100, 50, 90},  {150, 100, 180}, {100, 150, 270},
                          {50, 50, 45},   {150, 50, 135}, {150, 150, 225}, {50, 150, 315},
                          {100, 100, 0},  {40, 101, 359.045f}};
    for (const Case& c : cases) EXPECT_NEAR(pointerAngle(centre, D3DXVECTOR2(c.x, c.y)), c.angle, 0.01f) << c.x << "," << c.y;
}

TEST(Dial, ChangesTakeTheShortWayAndAnglesWrap) {
    EXPECT_FLOAT_EQ(dialDelta(350.0f, 10.0f), 20.0f);
    EXPECT_FLOAT_EQ(dialDelta(10.0f, 350.0f), -20.0f);
    EXPECT_FLOAT_EQ(dialDelta(0.0f, 180.0f), 180.0f);
    EXPECT_FLOAT_EQ(dialDelta(90.0f, 271.0f), -179.0f);
    const float turns[][2] = {{361, 1}, {-1, 359}, {360, 360}, {0, 0}, {725, 5}};
    for (const auto& t : turns) EXPECT_FLOAT_EQ(wrapTurnAngle(t[0]), t[1]) << t[0];
    const float pitches[][2] = {{181, -179}, {-181, 179}, {180, 180}, {-180, -180}, {539, 179}};
    for (const auto& p : pitches) EXPECT_FLOAT_EQ(wrapPitchAngle(p[0]), p[1]) << p[0];
    const float snaps[][2] = {{30, 45}, {20, 0}, {22.4f, 0}, {22.6f, 45}, {337.6f, 360}, {-30, -45}, {181, 180}};
    for (const auto& s : snaps) EXPECT_FLOAT_EQ(snapToEighth(s[0]), s[1]) << s[0];
}

// A scene with the clipping at the origin looking along +x and the camera
// in front of it, to its left and above.
GestureScene sceneWithCamera(const D3DXVECTOR3& camera) {
    GestureScene scene;
    scene.camera = camera;
    scene.cameraRight = D3DXVECTOR3(0, 0, -1);
    scene.cameraUp = D3DXVECTOR3(0, 1, 0);
    return scene;
}

// Feeds the pointer angles one move after the other.
GestureOutcome dial(GestureController& gestures, ClippingPlacement& placement, PlacementRubric rubric,
                    std::initializer_list<float> angles, const GestureScene& scene) {
    GestureOutcome last;
    for (float angle : angles) last = gestures.pointerMoved(placement, rubric, angle, scene);
    return last;
}

TEST(Gestures, CirclingOnceClockwiseMovesAFullTurnOfUnits) {
    GestureController gestures;
    ClippingPlacement placement;
    const GestureScene scene = sceneWithCamera(D3DXVECTOR3(-2000, 0, 0));
    ASSERT_TRUE(gestures.keyDown(GestureKey::Q));
    EXPECT_FALSE(gestures.keyDown(GestureKey::Q));  // key repeat keeps the gesture
    // The first move only takes the angle; then 36 steps of 10 degrees.
    for (int step = 0; step <= 36; ++step) gestures.pointerMoved(placement, PlacementRubric::Translation, std::fmod(step * 10.0f, 360.0f), scene);
    // Along the horizontal axis (+z), turned to the camera's right (-z).
    EXPECT_NEAR(placement.translation.z, -360.0f, 1e-3f);
    EXPECT_NEAR(placement.translation.x, 0.0f, 1e-3f);
    gestures.keyUp(GestureKey::Q);
    EXPECT_FALSE(gestures.anyHeld());
    // Without a key nothing moves.
    EXPECT_FALSE(dial(gestures, placement, PlacementRubric::Translation, {0, 90}, scene).changed);
}

TEST(Gestures, ScalingAndFieldOfViewFollowTheDialWithTheirFactorsAndLimits) {
    GestureController gestures;
    const GestureScene scene = sceneWithCamera(D3DXVECTOR3(-2000, 0, 0));
    ClippingPlacement placement;
    gestures.keyDown(GestureKey::Q);
    auto outcome = dial(gestures, placement, PlacementRubric::Scaling, {0, 50, 100}, scene);
    EXPECT_TRUE(outcome.reshaped);
    EXPECT_NEAR(placement.scaling.z, 1.5f, 1e-5f);
    gestures.keyUp(GestureKey::Q);
    gestures.keyDown(GestureKey::E);
    dial(gestures, placement, PlacementRubric::Scaling, {200, 300}, scene);
    EXPECT_NEAR(placement.scaling.x, 2000.0f, 1e-3f);
    // Never down to nothing.
    dial(gestures, placement, PlacementRubric::Scaling, {300, 120, 300, 120, 300, 120}, scene);
    EXPECT_GE(placement.scaling.x, kSmallestDepth);
    gestures.keyUp(GestureKey::E);

    gestures.keyDown(GestureKey::Q);
    EXPECT_TRUE(dial(gestures, placement, PlacementRubric::FieldOfView, {0, 10}, scene).noFieldOfView);
    EXPECT_FLOAT_EQ(placement.fovX, 1.5f);
    gestures.keyUp(GestureKey::Q);
    placement.fovSet = true;
    placement.fovX = 1.2f;
    gestures.keyDown(GestureKey::Q);
    dial(gestures, placement, PlacementRubric::FieldOfView, {100, 50, 0}, scene);
    EXPECT_FLOAT_EQ(placement.fovX, 1.0f);
}

// The world direction of a model vector of the clipping.
D3DXVECTOR3 turned(const ClippingPlacement& placement, const D3DXVECTOR3& model) {
    Transform transform = nodeTransformOf(placement);
    transform.scaling = D3DXVECTOR3(1, 1, 1);
    transform.translation = D3DXVECTOR3(0, 0, 0);
    const D3DXMATRIX matrix = worldMatrix(transform);
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &model, &matrix);
    return out;
}

// Circling clockwise on screen turns the clipping clockwise as the camera
// sees it, for every angle and from either side.
TEST(Gestures, RotationTurnsTheWayThePointerCircles) {
    ClippingPlacement start;
    start.angle = 30.0f;
    start.angleheight = 20.0f;
    start.angleimage = 10.0f;
    // Generic positions: no axis of the turn is seen exactly edge-on.
    const D3DXVECTOR3 cameras[] = {{150, 3000, -80}, {-120, -3000, 60}, {-3000, 100, 200}, {3000, -100, 300},
                                   {200, 100, 3000}, {-200, 100, -3000}};
    const D3DXVECTOR3 probes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int k = 0; k < kGestureKeyCount; ++k) {
        for (const D3DXVECTOR3& camera : cameras) {
            GestureController gestures;
            ClippingPlacement placement = start;
            GestureScene scene = sceneWithCamera(camera);
            ClippingProjection projection;
            projection.prepare(placement, PictureFrame{512, 512, {256, 256}, {256, 256}}, GridBox{});
            for (int axis = 0; axis < 3; ++axis) scene.axes[static_cast<size_t>(axis)] = projection.worldAxis(axis);
            gestures.keyDown(static_cast<GestureKey>(k));
            // Three poses 10 degrees of dial apart.
            ClippingPlacement poses[3];
            dial(gestures, placement, PlacementRubric::Rotation, {100}, scene);
            for (int i = 0; i < 3; ++i) {
                dial(gestures, placement, PlacementRubric::Rotation, {110.0f + 10.0f * i}, scene);
                poses[i] = placement;
            }
            // Seen from the camera each point runs round its circle one way:
            // the path of a probe turns towards the camera's side of the
            // axis. The probe that moves furthest decides.
            const D3DXVECTOR3 toCamera = camera - placement.translation;
            float sense = 0.0f;
            for (const D3DXVECTOR3& probe : probes) {
                const D3DXVECTOR3 first = turned(poses[1], probe) - turned(poses[0], probe);
                const D3DXVECTOR3 second = turned(poses[2], probe) - turned(poses[1], probe);
                D3DXVECTOR3 cross;
                D3DXVec3Cross(&cross, &first, &second);
                const float s = D3DXVec3Dot(&cross, &toCamera);
                if (std::fabs(s) > std::fabs(sense)) sense = s;
            }
            EXPECT_GT(sense, 0.0f) << "key " << k << " camera " << camera.x << "," << camera.y << "," << camera.z;
        }
    }
}

TEST(Gestures, RotationIsAbsoluteWrapsAndSnaps) {
    GestureController gestures;
    const GestureScene scene = sceneWithCamera(D3DXVECTOR3(0, -3000, 0));  // yaw sign +1 from below
    ClippingPlacement placement;
    placement.angle = 350.0f;
    gestures.keyDown(GestureKey::Q);
    dial(gestures, placement, PlacementRubric::Rotation, {100, 111}, scene);
    EXPECT_NEAR(placement.angle, 1.0f, 1e-3f);  // 361 wraps to 1
    // Absolute: back to the starting pointer angle gives the starting yaw.
    dial(gestures, placement, PlacementRubric::Rotation, {100}, scene);
    EXPECT_NEAR(placement.angle, 350.0f, 1e-3f);
    gestures.setSnapHeld(true);
    dial(gestures, placement, PlacementRubric::Rotation, {140}, scene);  // 390 -> 30 -> 45
    EXPECT_FLOAT_EQ(placement.angle, 45.0f);
    dial(gestures, placement, PlacementRubric::Rotation, {130}, scene);  // 20 -> 0
    EXPECT_FLOAT_EQ(placement.angle, 0.0f);
    gestures.setSnapHeld(false);
    gestures.keyUp(GestureKey::Q);

    // Pitch wraps into -180..180; SPACE snaps a held angle at once.
    placement.angleheight = 170.0f;
    gestures.keyDown(GestureKey::W);
    const float sign = rotationSign(GestureKey::W, placement, scene);
    dial(gestures, placement, PlacementRubric::Rotation, {0, 11 * sign}, scene);
    EXPECT_NEAR(placement.angleheight, -179.0f, 1e-3f);
    EXPECT_TRUE(gestures.snapRotationNow(placement, PlacementRubric::Rotation));
    EXPECT_FLOAT_EQ(placement.angleheight, -180.0f);
    EXPECT_FALSE(gestures.snapRotationNow(placement, PlacementRubric::Translation));
}

TEST(Gestures, SnappingIsPacedByTheMoveCounterAndStopsOnBorders) {
    GestureController gestures;
    GestureScene scene = sceneWithCamera(D3DXVECTOR3(-2000, 0, 0));
    std::vector<D3DXVECTOR3> asked;
    scene.bordersAlong = [&](const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float length) {
        asked.push_back(direction);
        EXPECT_FLOAT_EQ(length, kSnapRayLength);
        (void)origin;
        return std::vector<float>{100.0f, 300.0f, 1500.0f};
    };
    ClippingPlacement placement;
    gestures.keyDown(GestureKey::E);
    gestures.setSnapHeld(true);
    // The first move starts the gesture; 31 more only count.
    float angle = 0.0f;
    gestures.pointerMoved(placement, PlacementRubric::Translation, angle, scene);
    for (int move = 0; move < 31; ++move) gestures.pointerMoved(placement, PlacementRubric::Translation, angle += 1.0f, scene);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(placement.translation, D3DXVECTOR3(0, 0, 0));
    // The 32nd step runs: away from the camera along the depth axis.
    gestures.pointerMoved(placement, PlacementRubric::Translation, angle += 1.0f, scene);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NEAR(placement.translation.x, 100.0f, 1e-3f);
    EXPECT_EQ(gestures.moveCounter(GestureKey::E), 1);
    // Pace: the next step 31 moves later; 1500 would leave the box.
    for (int move = 0; move < 31; ++move) gestures.pointerMoved(placement, PlacementRubric::Translation, angle += 1.0f, scene);
    EXPECT_NEAR(placement.translation.x, 200.0f, 1e-3f);  // 100 + the first crossing beyond it
    EXPECT_EQ(asked.size(), 2u);

    // Scaling: the snap point 50 pixels right of the centre lands on the
    // next border outwards: width 300 / 50 = 6.
    gestures.keyUp(GestureKey::E);
    asked.clear();
    scene.snapOffset = D3DXVECTOR2(50.0f, 0.0f);
    placement.scaling.z = 2.5f;  // 125 units out
    gestures.keyDown(GestureKey::Q);
    gestures.pointerMoved(placement, PlacementRubric::Scaling, angle, scene);
    for (int move = 0; move < 32; ++move) gestures.pointerMoved(placement, PlacementRubric::Scaling, angle += 1.0f, scene);
    EXPECT_FLOAT_EQ(placement.scaling.z, 6.0f);
    // Turning back shrinks it to the border before: 100 / 50.
    for (int move = 0; move < 31; ++move) gestures.pointerMoved(placement, PlacementRubric::Scaling, angle -= 1.0f, scene);
    EXPECT_FLOAT_EQ(placement.scaling.z, 2.0f);
}

TEST(Gestures, FieldOfViewSnapsToHalves) {
    GestureController gestures;
    const GestureScene scene = sceneWithCamera(D3DXVECTOR3(-2000, 0, 0));
    ClippingPlacement placement;
    placement.fovSet = true;
    placement.fovY = 1.7f;
    gestures.keyDown(GestureKey::W);
    gestures.setSnapHeld(true);
    float angle = 0.0f;
    gestures.pointerMoved(placement, PlacementRubric::FieldOfView, angle, scene);
    for (int move = 0; move < 32; ++move) gestures.pointerMoved(placement, PlacementRubric::FieldOfView, angle += 1.0f, scene);
    EXPECT_FLOAT_EQ(placement.fovY, 2.0f);
    for (int move = 0; move < 31 * 3; ++move) gestures.pointerMoved(placement, PlacementRubric::FieldOfView, angle -= 1.0f, scene);
    EXPECT_FLOAT_EQ(placement.fovY, 1.0f);
}

TEST(TransformTexts, StatusesNameTheRightValues) {
    ClippingPlacement placement;
    placement.scaling = D3DXVECTOR3(1500.0f, 2.0f, 0.5f);
    EXPECT_STREQ(placementStatus(PlacementRubric::Scaling, true, 3, placement, true).text(),
                 "Scaling image 3.\nWidth: 0.500000 Height: 2.000000 Depth: 1500.000000.\nSnap key pressed.");
    EXPECT_STREQ(placementStatus(PlacementRubric::FieldOfView, false, 1, placement, false).text(),
                 "Change field of view of image 1.\nRatio X: 1.500000 Ratio Y: 1.500000.");
    const auto readouts = markerReadouts(PlacementRubric::Scaling, placement);
    ASSERT_EQ(readouts.size(), 3u);
    EXPECT_STREQ(readouts[0].text(), "Width: 0.50");
    EXPECT_STREQ(readouts[2].text(), "Depth: 1500.00");
}


}  // namespace
