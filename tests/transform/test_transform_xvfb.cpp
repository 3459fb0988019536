// The transformation mode on the real window, driven as a user would: load
// the bundled sample project, TAB, click an image, scale, turn and move it
// with the gesture keys and the pointer dial, snap a yaw with SPACE, type
// slider values, undo and redo, save the project and read it back; then turn,
// pan and zoom the camera and double-click the see-through cube's face.
// Screenshots are compared with the baselines in tests/baselines/.
//
// Where to click is worked out here with the mode itself on a headless
// workspace of the same size (same layout, same camera, same placements).
#include "../twod/headless_workspace.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "sculpt/clipping.h"
#include "support/json_reader.h"
#include "support/program_runner.h"
#include "support/test_support.h"
#include "transform/camera_rig.h"
#include "transform/clipping_picking.h"
#include "transform/clipping_scene.h"
#include "transform/dial.h"
#include "transform/three_d.h"
#include "transform/view_objects.h"
#include "twod/two_d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::runProgram;

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
// The sample's third image, photographed with a yaw of 90.
constexpr int kSlot = 2;
constexpr float kDialRadius = 150.0f;

std::string samplePath() { return testsupport::appDir() + "/data/sample/sample.qz"; }

// The mode as the program will show it.
struct Preview {
    HeadlessWorkspace workspace{kWidth, kHeight};
    TwoD twoD{workspace};
    ThreeD threeD{workspace, twoD};

    Preview() {
        workspace.currentModeObject = [this]() -> WorkspaceMode* {
            return workspace.mode == 2 ? static_cast<WorkspaceMode*>(&threeD) : &twoD;
        };
        twoD.openDroppedFile(String(samplePath().c_str()), twoD);
        workspace.mode = 2;
        threeD.enter();
    }

    // A pixel of the 3D view (not on a control) where `wanted` is what the
    // pointer ray meets first: the clipping of a slot, or (-1) none.
    bool pixelWhere(int wanted, float& x, float& y, bool needCube = false) {
        const ViewGeometry geometry = threeD.viewGeometry();
        for (int py = 120; py < 680; py += 7) {
            for (int px = 300; px < 1120; px += 7) {
                const auto ray = pointerRay(static_cast<float>(px), static_cast<float>(py), geometry);
                if (!ray || threeD.scene().pick(*ray) != wanted) continue;
                if (needCube && !cubeFaceHit(ray->origin, ray->direction, kWorkingSpaceHalf)) continue;
                x = static_cast<float>(px);
                y = static_cast<float>(py);
                return true;
            }
        }
        return false;
    }

    D3DXVECTOR2 sliderMiddle(Control control) {
        const GuiSlider* slider = threeD.panels().slider(control);
        return D3DXVECTOR2((slider->left() + slider->right()) / 2.0f, (slider->top() + slider->bottom()) / 2.0f);
    }
};

// Pointer moves circling `centre` from `from` to `to` degrees of the dial in
// steps of 10, as script lines; `turned` receives the dial's change.
std::string circle(const D3DXVECTOR2& centre, int from, int to, float& turned) {
    std::ostringstream lines;
    turned = 0.0f;
    D3DXVECTOR2 last;
    const int step = to >= from ? 10 : -10;
    for (int angle = from;; angle += step) {
        const double radians = angle * 3.14159265358979 / 180.0;
        // Left of the centre is 0, above it 90.
        const D3DXVECTOR2 point(std::round(centre.x - kDialRadius * static_cast<float>(std::cos(radians))),
                                std::round(centre.y - kDialRadius * static_cast<float>(std::sin(radians))));
        if (angle != from) turned += dialDelta(pointerAngle(centre, last), pointerAngle(centre, point));
        last = point;
        lines << "move " << static_cast<int>(point.x) << " " << static_cast<int>(point.y) << "\n";
        if (angle == to) break;
    }
    return lines.str();
}

std::string at(const D3DXVECTOR2& point) {
    return std::to_string(static_cast<int>(std::lround(point.x))) + " " + std::to_string(static_cast<int>(std::lround(point.y)));
}

// The first lines of every script: the sample loaded through the menu, then
// TAB into the transformation mode.
std::string loadSampleAndEnter() {
    return "answer file " + samplePath() +
           "\n"
           "choose \"File\" \"Load Project...\"\n"
           "wait idle\n"
           "key TAB\n"
           "wait idle\n";
}

const JsonValue& clippingOf(const JsonValue& state, int image) {
    static const JsonValue none;
    const JsonValue* images = state.find("images");
    const JsonValue* entry = images != nullptr ? images->item(static_cast<size_t>(image)) : nullptr;
    const JsonValue* clipping = entry != nullptr ? entry->find("clipping") : nullptr;
    return clipping != nullptr ? *clipping : none;
}

double number(const JsonValue& object, const char* key, size_t item = 0) {
    const JsonValue* value = object.find(key);
    if (value == nullptr) return std::nan("");
    if (value->kind() == JsonValue::Kind::Array) value = value->item(item);
    return value != nullptr ? value->asNumber() : std::nan("");
}

class TransformScreens : public testsupport::ProgramScreensTest {
protected:
    TransformScreens() : ProgramScreensTest(kWidth, kHeight) {}

    bool haveDisplay() const { return std::getenv("DISPLAY") != nullptr; }
    std::string path(const std::string& name) const { return (fs::path(dir.path()) / name).string(); }
    JsonValue state(const std::string& name) const {
        JsonValue value;
        EXPECT_TRUE(testsupport::readJsonFile(path(name), value)) << name;
        return value;
    }
};

TEST_F(TransformScreens, PlacingAnImageWithGesturesSlidersUndoAndSaving) {
    if (!haveDisplay()) GTEST_SKIP() << "no display (scripts/test starts Xvfb)";
    Preview preview;
    ASSERT_EQ(preview.twoD.images().imageCount(), 7);
    float selectX = 0.0f;
    float selectY = 0.0f;
    ASSERT_TRUE(preview.pixelWhere(kSlot, selectX, selectY)) << "no pixel shows image 3 first";
    const auto centre = preview.threeD.screenCentre(kSlot);
    ASSERT_TRUE(centre.has_value());

    // What the gestures will do, from the same dial.
    float scaled = 0.0f;
    float turned = 0.0f;
    float moved = 0.0f;
    const std::string scaling = circle(*centre, 0, 100, scaled);
    const std::string turning = circle(*centre, 0, 60, turned);
    const std::string moving = circle(*centre, 0, 360, moved);
    const Camera& camera = preview.threeD.cameraRig().camera();
    Clipping& clipping = *preview.threeD.scene().clipping(kSlot);
    GestureScene scene;
    scene.camera = camera.position();
    for (int axis = 0; axis < 3; ++axis) scene.axes[static_cast<size_t>(axis)] = clipping.worldAxis(axis);
    const float sign = rotationSign(GestureKey::Q, clipping.placement(), scene);
    const float snappedYaw = wrapTurnAngle(snapToEighth(wrapTurnAngle(90.0f + sign * turned)));
    ClippingPlacement turnedPlacement = clipping.placement();
    turnedPlacement.angle = snappedYaw;
    clipping.setPlacement(turnedPlacement);
    D3DXVECTOR3 along = clipping.worldAxis(2);
    const D3DXVECTOR3 right = camera.sideways();
    if (D3DXVec3Dot(&along, &right) < 0.0f) along = -along;
    const D3DXVECTOR3 expectedMove = along * moved;

    const std::string saved = path("placed.qz");
    std::ostringstream script;
    script << loadSampleAndEnter() << "move 700 760\n"
           << "screenshot " << shot("transform_entered.png") << "\n"
           << "state " << path("entered.json") << "\n"
           // Select image 3 by clicking it.
           << "press left " << selectX << " " << selectY << "\n"
           << "release left " << selectX << " " << selectY << "\n"
           << "state " << path("selected.json") << "\n"
           // Height: w in the scaling rubric.
           << "key 50\nkeydown W\n" << scaling << "keyup W\n"
           // Yaw: q in the rotation rubric, then SPACE snaps it.
           << "key 51\nkeydown Q\n" << turning << "keydown SPACE\nkeyup SPACE\nkeyup Q\n"
           << "state " << path("turned.json") << "\n"
           // Along the horizontal axis: a full circle with q.
           << "key 49\nkeydown Q\n" << moving << "keyup Q\n"
           << "state " << path("moved.json") << "\n"
           // Typed values: x of the position, then the yaw.
           << "answer slider value 123.5\n"
           << "doubleclick left " << at(preview.sliderMiddle(Control::TranslationX)) << "\n"
           << "key 51\n"
           << "answer slider value 200\n"
           << "doubleclick left " << at(preview.sliderMiddle(Control::Yaw)) << "\n"
           << "move 700 760\n"
           << "wait idle\n"
           << "screenshot " << shot("transform_placed.png") << "\n"
           << "state " << path("typed.json") << "\n"
           // Undo twice, redo twice.
           << "key D\nstate " << path("undo1.json") << "\n"
           << "key D\nstate " << path("undo2.json") << "\n"
           << "key F\nkey F\nstate " << path("redone.json") << "\n"
           << "answer save " << saved << " 0\n"
           << "choose \"File\" \"Save Project...\"\n"
           << "wait idle\n"
           << "quit\n";
    std::string printed;
    ASSERT_EQ(runProgram(executable, dir.path(), script.str(), "", printed), 0) << printed;

    const JsonValue entered = state("entered.json");
    EXPECT_EQ(number(entered, "mode"), 2.0);
    ASSERT_NE(entered.find("rubric"), nullptr);
    EXPECT_EQ(entered.find("rubric")->asString(), "Translation");
    EXPECT_NEAR(number(*entered.find("camera"), "position", 0), -1743.0, 0.01);
    EXPECT_TRUE(clippingOf(entered, kSlot).find("shown")->asBool());
    const JsonValue selected = state("selected.json");
    ASSERT_NE(selected.find("selected"), nullptr);
    EXPECT_EQ(selected.find("selected")->asString(), "3");

    const JsonValue turnedState = state("turned.json");
    EXPECT_NEAR(number(clippingOf(turnedState, kSlot), "height"), 1.5 + 0.005 * scaled, 1e-3);
    EXPECT_NEAR(number(clippingOf(turnedState, kSlot), "yaw"), snappedYaw, 1e-3);
    EXPECT_EQ(turnedState.find("rubric")->asString(), "Rotation");

    // The dial's centre moves with the image, so a full circle gives a
    // little less or more than a full turn of units.
    const JsonValue movedState = state("moved.json");
    const JsonValue& afterMove = clippingOf(movedState, kSlot);
    for (size_t axis = 0; axis < 3; ++axis) {
        const float expected = axis == 0 ? expectedMove.x : axis == 1 ? expectedMove.y : expectedMove.z;
        EXPECT_NEAR(number(afterMove, "translation", axis), expected, 8.0) << "axis " << axis;
    }

    const JsonValue typed = state("typed.json");
    EXPECT_FLOAT_EQ(static_cast<float>(number(clippingOf(typed, kSlot), "translation", 0)), 123.5f);
    EXPECT_FLOAT_EQ(static_cast<float>(number(clippingOf(typed, kSlot), "yaw")), 200.0f);
    // The press of the double click took the slider to its middle (180)
    // before the typed value: each was recorded.
    EXPECT_NEAR(number(clippingOf(state("undo1.json"), kSlot), "yaw"), 180.0, 2.5);
    EXPECT_NEAR(number(clippingOf(state("undo2.json"), kSlot), "yaw"), snappedYaw, 1e-3);
    EXPECT_FLOAT_EQ(static_cast<float>(number(clippingOf(state("redone.json"), kSlot), "yaw")), 200.0f);

    // The saved project holds exactly what the screen showed.
    ImageList images;
    ClippingTable clippings(images);
    ProjectSettings settings;
    StatusSink quiet;
    ASSERT_TRUE(loadProject(String(saved.c_str()), images, settings, quiet, &clippings).opened);
    ASSERT_NE(clippings.clipping(kSlot), nullptr);
    const ClippingPlacement& placement = clippings.clipping(kSlot)->placement();
    const JsonValue redone = state("redone.json");
    const JsonValue& shown = clippingOf(redone, kSlot);
    EXPECT_FLOAT_EQ(placement.translation.x, 123.5f);
    EXPECT_NEAR(placement.translation.y, number(shown, "translation", 1), 1e-3);
    EXPECT_NEAR(placement.translation.z, number(shown, "translation", 2), 1e-3);
    EXPECT_FLOAT_EQ(placement.angle, 200.0f);
    EXPECT_FLOAT_EQ(placement.angleheight, 0.0f);
    EXPECT_FLOAT_EQ(placement.angleimage, 0.0f);
    EXPECT_NEAR(placement.scaling.y, 1.5 + 0.005 * scaled, 1e-3);
    EXPECT_FLOAT_EQ(placement.scaling.z, 1.5f);
    EXPECT_FLOAT_EQ(placement.scaling.x, 1500.0f);
    EXPECT_TRUE(clippings.clipping(kSlot)->flags().enabled);
    // The other images kept their places.
    EXPECT_FLOAT_EQ(clippings.clipping(0)->placement().translation.x, 0.0f);
    EXPECT_FLOAT_EQ(clippings.clipping(6)->placement().angle, 250.0f);

    expectBaseline("transform_entered.png");
    expectBaseline("transform_placed.png");
}

TEST_F(TransformScreens, TurningPanningZoomingAndTheCubesFaces) {
    if (!haveDisplay()) GTEST_SKIP() << "no display (scripts/test starts Xvfb)";
    Preview preview;
    float cubeX = 0.0f;
    float cubeY = 0.0f;
    ASSERT_TRUE(preview.pixelWhere(-1, cubeX, cubeY, true)) << "no pixel shows the cube alone";
    const ViewGeometry start = preview.threeD.viewGeometry();
    const auto ray = pointerRay(cubeX, cubeY, start);
    const auto face = cubeFaceHit(ray->origin, ray->direction, kWorkingSpaceHalf);
    ASSERT_TRUE(face.has_value());
    const CameraAngles faceAngles = anglesForFace(*face, 320.0f);
    const float startDistance = preview.threeD.cameraRig().distance();
    // Where to drag afterwards: nothing but the view under the pointer.
    preview.threeD.cameraRig().viewFrom(faceAngles, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    float dragX = 0.0f;
    float dragY = 0.0f;
    ASSERT_TRUE(preview.pixelWhere(-1, dragX, dragY));

    std::ostringstream script;
    script << loadSampleAndEnter() << "doubleclick left " << cubeX << " " << cubeY << "\n"
           << "state " << path("face.json") << "\n"
           // Turning: 60 pixels to the right with the left button.
           << "press left " << dragX << " " << dragY << "\n"
           << "move " << dragX + 30 << " " << dragY << "\n"
           << "move " << dragX + 60 << " " << dragY << "\n"
           << "release left " << dragX + 60 << " " << dragY << "\n"
           << "state " << path("turned.json") << "\n"
           // Panning: 40 pixels to the right with the right button.
           << "press right " << dragX << " " << dragY << "\n"
           << "move " << dragX + 40 << " " << dragY << "\n"
           << "release right " << dragX + 40 << " " << dragY << "\n"
           << "state " << path("panned.json") << "\n"
           // Zooming: two notches towards the pointer.
           << "move 700 400\n"
           << "wheel 2\n"
           << "state " << path("zoomed.json") << "\n"
           << "move 700 760\n"
           << "wait idle\n"
           << "screenshot " << shot("transform_camera.png") << "\n"
           << "quit\n";
    std::string printed;
    ASSERT_EQ(runProgram(executable, dir.path(), script.str(), "", printed), 0) << printed;
    // The face's name is printed.
    EXPECT_NE(printed.find(cubeFaceName(*face)), std::string::npos) << printed;

    auto cameraOf = [&](const char* name) { return *state(name).find("camera"); };
    const JsonValue faced = cameraOf("face.json");
    EXPECT_NEAR(number(faced, "yaw"), std::fmod(faceAngles.yaw, 360.0f), 1e-3);
    EXPECT_NEAR(number(faced, "pitch"), faceAngles.pitch, 1e-3);
    auto position = [](const JsonValue& cameraState) {
        return D3DXVECTOR3(static_cast<float>(number(cameraState, "position", 0)),
                           static_cast<float>(number(cameraState, "position", 1)),
                           static_cast<float>(number(cameraState, "position", 2)));
    };
    // On the face's view line through the origin, as far away as before.
    const D3DXVECTOR3 facedAt = position(faced);
    EXPECT_NEAR(D3DXVec3Length(&facedAt), startDistance, 0.5);

    // Turning by 60 pixels at the looking speed of 0.3 degrees a pixel,
    // around the origin.
    const JsonValue turnedCamera = cameraOf("turned.json");
    const float expectedYaw = wrapTurnAngle(faceAngles.yaw - 60.0f * 0.3f);
    EXPECT_NEAR(std::fmod(number(turnedCamera, "yaw") - expectedYaw + 720.0, 360.0), 0.0, 0.05);
    const D3DXVECTOR3 turnedAt = position(turnedCamera);
    EXPECT_NEAR(D3DXVec3Length(&turnedAt), startDistance, 0.5);

    // Panning sideways by 40 pixels at distance / (3001 - 2200) a pixel.
    const D3DXVECTOR3 panned = position(cameraOf("panned.json")) - position(turnedCamera);
    EXPECT_NEAR(D3DXVec3Length(&panned), 40.0f * startDistance / 801.0f, 1.0);
    EXPECT_NEAR(panned.y, 0.0, 1e-2);

    // Two notches of the wheel: 2 x 10 x 8 units towards the pointer.
    const D3DXVECTOR3 zoomed = position(cameraOf("zoomed.json")) - position(cameraOf("panned.json"));
    EXPECT_NEAR(D3DXVec3Length(&zoomed), 160.0, 1.0);

    expectBaseline("transform_camera.png");
}

}  // namespace
