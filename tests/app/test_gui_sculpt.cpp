// Sculpting and texturing the bundled sample in the transformation mode,
// without a window: the GUI makes the same mesh as `plastora sculpt` with the
// same settings, a cancelled run leaves the object and the project as they
// were, the refusals change nothing, the run is a long operation with its
// progress in the status bar, and the object's menu items, keys, "Object
// Info" and state follow the object.
#include "app/command_sculpt.h"
#include "transform/three_d.h"

#include "../twod/headless_workspace.h"
#include "core/json.h"
#include "gui/gui_menu.h"
#include "gui/key_table.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "support/command_capture.h"
#include "support/test_support.h"
#include "transform/clipping_scene.h"
#include "twod/two_d.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

std::string samplePath() { return testsupport::appDir() + "/data/sample/sample.qz"; }

std::string fileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The mode with the sample loaded and entered; status texts kept.
struct SampleInThreeD : ::testing::Test {
    struct RecordingThreeD : ThreeD {
        using ThreeD::ThreeD;
        std::vector<std::string> statuses;
        void setStatus(const String& text) override {
            statuses.push_back(text.str());
            ThreeD::setStatus(text);
        }
    };

    HeadlessWorkspace workspace;
    TwoD twoD{workspace};
    RecordingThreeD threeD{workspace, twoD};
    ProjectSettings project;
    testsupport::TempDir dir;

    void SetUp() override {
        workspace.currentModeObject = [this]() -> WorkspaceMode* { return &threeD; };
        StatusSink quiet;
        ASSERT_TRUE(loadProject(String(samplePath().c_str()), twoD.images(), project, quiet, &threeD.clippings()).opened);
        workspace.settingsValue.meshdetail = project.voxelsize;
        workspace.settingsValue.sharpening = project.sharpening;
        workspace.settingsValue.smoothing = project.smoothing;
        workspace.mode = 2;
        threeD.enter();
    }

    // Frames until the running operation has ended (the worker's pace is
    // the clock's, not the frames').
    void runToEnd() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(300);
        while (threeD.sculptedObject().isRunning() && std::chrono::steady_clock::now() < deadline) threeD.frame();
        ASSERT_FALSE(threeD.sculptedObject().isRunning());
    }

    void sculpt() {
        ASSERT_TRUE(threeD.startSculpture());
        runToEnd();
        ASSERT_TRUE(threeD.hasSculptedObject());
    }

    JsonValue state() {
        JsonValue root = JsonValue::object();
        threeD.describeState(root);
        return root;
    }

    GuiMenu& viewMenu() {
        threeD.menuBar().openMenuNamed(String("View"));
        GuiMenu* view = threeD.menuBar().findMenu(String("View"));
        threeD.menuBar().closeMenus();
        return *view;
    }
};

bool itemEnabled(GuiMenu& menu, const char* label) { return menu.item(String(label))->isEnabled(); }

}  // namespace

TEST_F(SampleInThreeD, TheGuiMakesTheSameMeshAsTheCommandLine) {
    const std::string cli = dir.file("cli.obj");
    const testsupport::CommandRun run = testsupport::runCommand(runSculptCommand, "sculpt", {samplePath(), "-o", cli});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    sculpt();
    const std::string gui = dir.file("gui.obj");
    workspace.scripted.answerSaveFile(String(gui.c_str()), 0);
    threeD.saveSculptedObject();
    const std::string cliText = fileText(cli);
    ASSERT_FALSE(cliText.empty());
    EXPECT_TRUE(cliText == fileText(gui)) << "the two OBJ files differ";

    const JsonValue root = state();
    const JsonValue* object = root.find("object");
    ASSERT_NE(object, nullptr);
    char counts[96];
    std::snprintf(counts, sizeof counts, "vertices=%d triangles=%d", static_cast<int>(object->find("vertices")->asNumber()),
                  static_cast<int>(object->find("triangles")->asNumber()));
    EXPECT_NE(run.out.find(counts), std::string::npos) << run.out << " vs " << counts;
}

TEST_F(SampleInThreeD, ACancelledRunLeavesTheObjectAndTheProjectAsTheyWere) {
    workspace.settingsValue.meshdetail = 6.0f;
    sculpt();
    const Sculpture* before = threeD.sculptedObject().run();
    const ObjectInfo info = threeD.sculptedObject().info();
    const int chunks = threeD.sculptedObject().drawable()->chunkCount();
    const std::string savedBefore = dir.file("before.qz");
    StatusSink quiet;
    ASSERT_TRUE(saveProject(String(savedBefore.c_str()), twoD.images(), project, quiet, &threeD.clippings()).saved);

    workspace.settingsValue.meshdetail = 11.0f;
    ASSERT_TRUE(threeD.startSculpture());
    threeD.frame();
    EXPECT_TRUE(workspace.operations.isBusy()) << "wait idle waits for the run";
    workspace.pressKey(threeD, kKeyEscape);
    runToEnd();

    EXPECT_EQ(threeD.sculptedObject().run(), before);
    EXPECT_EQ(threeD.sculptedObject().info().triangles, info.triangles);
    EXPECT_EQ(threeD.sculptedObject().drawable()->chunkCount(), chunks);
    EXPECT_FALSE(workspace.operations.isBusy());
    EXPECT_TRUE(threeD.statusBar().isReady());
    const std::string savedAfter = dir.file("after.qz");
    ASSERT_TRUE(saveProject(String(savedAfter.c_str()), twoD.images(), project, quiet, &threeD.clippings()).saved);
    EXPECT_EQ(fileText(savedBefore), fileText(savedAfter));
}

TEST_F(SampleInThreeD, RefusalsChangeNothing) {
    EXPECT_FALSE(threeD.startTexturing()) << "no object yet";
    EXPECT_NE(threeD.helpText().str().find("You have to sculpture"), std::string::npos);

    workspace.settingsValue.meshdetail = 6.0f;
    ASSERT_TRUE(threeD.startSculpture());
    EXPECT_FALSE(threeD.startSculpture()) << "one run at a time";
    EXPECT_FALSE(threeD.startTexturing());
    runToEnd();

    const Sculpture* before = threeD.sculptedObject().run();
    // While the pictures fly to or from their places nothing starts.
    ASSERT_TRUE(threeD.viewNone());
    ASSERT_TRUE(threeD.scene().isAnimating());
    threeD.clearHelpText();
    EXPECT_FALSE(threeD.startSculpture());
    EXPECT_EQ(threeD.helpText().str(), "Please wait until the images have reached their places.");
    EXPECT_FALSE(threeD.startTexturing());
    EXPECT_FALSE(threeD.sculptedObject().isRunning());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (threeD.scene().isAnimating() && std::chrono::steady_clock::now() < deadline) threeD.frame();
    threeD.viewAll();
    while (threeD.scene().isAnimating() && std::chrono::steady_clock::now() < deadline) threeD.frame();

    // No picture takes part: nothing starts and the object stays.
    for (int slot = 0; slot < threeD.clippings().slotCount(); ++slot) {
        if (Clipping* clipping = threeD.clippings().clipping(slot)) {
            ClippingFlags flags = clipping->flags();
            flags.forsculpting = false;
            clipping->setFlags(flags);
        }
    }
    EXPECT_FALSE(threeD.startSculpture());
    EXPECT_NE(threeD.helpText().str().find("Cannot sculpture the 3d object"), std::string::npos);
    EXPECT_FALSE(threeD.sculptedObject().isRunning());
    EXPECT_EQ(threeD.sculptedObject().run(), before);
}

TEST_F(SampleInThreeD, TheRunShowsItsStepsAndTexturingFollows) {
    workspace.settingsValue.meshdetail = 7.0f;
    sculpt();
    bool sawStep = false;
    for (const std::string& status : threeD.statuses) sawStep |= status.rfind("Sculptur", 0) == 0;
    EXPECT_TRUE(sawStep);
    EXPECT_EQ(workspace.cursor, 0);
    EXPECT_FALSE(state().find("object")->find("textured")->asBool());

    threeD.statuses.clear();
    ASSERT_TRUE(threeD.startTexturing());
    runToEnd();
    EXPECT_TRUE(threeD.sculptedObject().isTextured());
    EXPECT_TRUE(state().find("object")->find("textured")->asBool());
    EXPECT_EQ(threeD.sculptedObject().drawable()->textures().size(), 1u);
    bool sawTexturing = false;
    for (const std::string& status : threeD.statuses) sawTexturing |= status.rfind("Textur", 0) == 0;
    EXPECT_TRUE(sawTexturing);
}

TEST_F(SampleInThreeD, MenusKeysAndObjectInfoFollowTheObject) {
    EXPECT_TRUE(state().find("object")->isNull());
    GuiMenu& view = viewMenu();
    for (const char* label : {"Render Object", "Object Info", "Render Object In Wireframe", "Render Object With Texture",
                              "Material Of Object..."})
        EXPECT_FALSE(itemEnabled(view, label)) << label;

    workspace.settingsValue.meshdetail = 6.0f;
    sculpt();
    viewMenu();
    for (const char* label : {"Render Object", "Object Info", "Render Object In Wireframe", "Material Of Object..."})
        EXPECT_TRUE(itemEnabled(view, label)) << label;
    EXPECT_FALSE(itemEnabled(view, "Render Object With Texture")) << "no texture yet";

    MeshRepr& drawable = *threeD.sculptedObject().drawable();
    workspace.pressKey(threeD, kKeyF4);
    EXPECT_EQ(drawable.rsFillmode().mode, 1) << "wireframe";
    viewMenu();
    EXPECT_TRUE(view.isItemChecked(String("Render Object In Wireframe")));
    workspace.pressKey(threeD, kKeyF4);
    EXPECT_EQ(drawable.rsFillmode().mode, 2);
    workspace.pressKey(threeD, kKeyF3);
    EXPECT_FALSE(threeD.sculptedObject().isShown());
    viewMenu();
    EXPECT_FALSE(itemEnabled(view, "Render Object In Wireframe")) << "needs the object shown";
    workspace.pressKey(threeD, kKeyF3);

    workspace.settingsValue.objmaterialemissive = {0.25f, 0.5f, 0.75f};
    threeD.applySettings();
    EXPECT_FLOAT_EQ(drawable.material()->emissive.g, 0.5f);

    const ObjectInfo info = threeD.sculptedObject().info();
    threeD.onMenuCommand(String("Object Info"));
    ASSERT_FALSE(workspace.scripted.calls().empty());
    const DialogCall& call = workspace.scripted.calls().back();
    EXPECT_EQ(call.caption.str(), "Object Info");
    char expected[128];
    std::snprintf(expected, sizeof expected, "Object consits of %d vertices and %d triangles.", info.vertices,
                  info.triangles);
    EXPECT_EQ(call.text.str(), expected);
    const JsonValue root = state();
    const JsonValue* object = root.find("object");
    EXPECT_EQ(static_cast<int>(object->find("vertices")->asNumber()), info.vertices);
    EXPECT_EQ(static_cast<int>(object->find("triangles")->asNumber()), info.triangles);
}

TEST_F(SampleInThreeD, AScreenshotBecomesAPictureThatCarvesLikeAnyOther) {
    workspace.settingsValue.meshdetail = 6.0f;
    sculpt();
    const int images = twoD.images().imageCount();
    // The camera's start position sees the whole object; the slab reaches
    // from 1000 to 3000 units in front of it.
    threeD.panels().slider(Control::ScreenshotDistance)->setValue(3000.0f);
    threeD.panels().slider(Control::ScreenshotDepth)->setValue(2000.0f);
    ASSERT_TRUE(threeD.startScreenshot());
    ASSERT_EQ(twoD.images().imageCount(), images + 1);
    const int slot = threeD.selectedSlot();
    ASSERT_GE(slot, 0);
    const Clipping* screenshot = threeD.clippings().clipping(slot);
    ASSERT_NE(screenshot, nullptr);
    EXPECT_TRUE(screenshot->isReadyForSculpting());
    EXPECT_FALSE(screenshot->flags().fortexturing);
    EXPECT_GT(screenshot->grid().hasSilhouette(), 0);
    EXPECT_TRUE(threeD.statusBar().isReady());

    // It carves with the photographs once it has flown to its place, and
    // takes away nothing the object has.
    // The flight runs on the clock, however fast the frames come.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (threeD.scene().isAnimating() && std::chrono::steady_clock::now() < deadline) threeD.frame();
    const int before = threeD.sculptedObject().info().triangles;
    const bool started = threeD.startSculpture();
    ASSERT_TRUE(started) << threeD.helpText().str() << " busy: " << workspace.operations.isBusy();
    runToEnd();
    EXPECT_EQ(threeD.sculptedObject().run()->sculptList().size(), static_cast<size_t>(images + 1));
    EXPECT_NEAR(threeD.sculptedObject().info().triangles, before, before / 10);
}

TEST_F(SampleInThreeD, APictureDeletedInTheOtherModeLeavesNoNodeBehind) {
    // The 2D mode deletes a picture and its clipping at once; entering this
    // mode again draws progress frames before the scene catches up, and
    // those frames must not judge or draw the deleted picture's node.
    ASSERT_TRUE(threeD.scene().isShown(0));
    const size_t judged = threeD.scene().collisions().nodes().size();
    threeD.leave();
    workspace.mode = 1;
    twoD.images().remove(0);
    EXPECT_EQ(threeD.scene().collisions().nodes().size(), judged - 1);
    for (ClippingNode* node : threeD.scene().collisions().nodes()) EXPECT_GE(threeD.scene().slotOf(node), 0);

    workspace.mode = 2;
    threeD.enter();
    threeD.frame();
    EXPECT_EQ(threeD.scene().collisions().nodes().size(), judged - 1);
}

TEST_F(SampleInThreeD, FlightsEndWhenTheModeIsLeftOrIsNotShown) {
    // Only the mode's own frames move the pictures on: a flight left behind
    // would keep `wait idle` waiting for ever.
    ASSERT_TRUE(threeD.viewNone());
    ASSERT_TRUE(threeD.scene().isAnimating());
    EXPECT_TRUE(workspace.operations.isBusy());
    threeD.leave();
    workspace.mode = 1;
    EXPECT_FALSE(threeD.scene().isAnimating());
    EXPECT_FALSE(workspace.operations.isBusy());
    EXPECT_FALSE(threeD.scene().isShown(0));

    // Shown while another mode is current: in place at once.
    ASSERT_TRUE(threeD.viewAll());
    EXPECT_FALSE(threeD.scene().isAnimating());
    EXPECT_FALSE(workspace.operations.isBusy());
    EXPECT_TRUE(threeD.scene().isShown(0));
}
