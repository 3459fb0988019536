// From photographs to a saved, textured mesh on the real window, as a new
// user would go: an empty project, the sample's seven pictures loaded through
// "Load Images..." (their alpha channels become the masks), TAB into the
// transformation mode, each picture placed by typing the sample's placement
// into the slider value dialogs, the sculpting settings typed likewise,
// "Sculpture" (S), "Texturise" (T), a second sculpting run cancelled with
// ESC, and the object saved through "Save 3d Object..." as OBJ and as WRL.
// The files must hold a closed, consistently oriented mesh of positive volume
// that casts every picture's mask and carries the mug's colours where they
// belong; the cancelled run must change nothing. Screenshots of the sculpted
// and of the textured object are compared with their baselines.
#include "../twod/headless_workspace.h"
#include "image/image_entry.h"
#include "mesh_checks.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "support/json_reader.h"
#include "support/program_runner.h"
#include "support/test_support.h"
#include "transform/three_d.h"
#include "transform/transform_panels.h"
#include "twod/two_d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace meshchecks;

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr int kPictures = 7;
constexpr int kVoxelSize = 9;

std::string sampleFolder() { return testsupport::appDir() + "/data/sample"; }

// The transformation mode as the program will lay it out, to find the
// sliders' middles.
struct Layout {
    HeadlessWorkspace workspace{kWidth, kHeight};
    TwoD twoD{workspace};
    ThreeD threeD{workspace, twoD};

    std::string middleOf(Control control) {
        const GuiSlider* slider = threeD.panels().slider(control);
        return std::to_string((slider->left() + slider->right()) / 2) + " " +
               std::to_string((slider->top() + slider->bottom()) / 2);
    }
    // Script lines typing `value` into the slider's value dialog (a double
    // click opens it).
    std::string type(Control control, double value) {
        std::ostringstream lines;
        lines << "answer slider value " << value << "\n"
              << "doubleclick left " << middleOf(control) << "\n";
        return lines.str();
    }
};

std::string ctrl(int digit) { return "keydown CTRL\nkey " + std::to_string(48 + digit) + "\nkeyup CTRL\n"; }

double number(const JsonValue& object, const char* key, size_t item = 0) {
    const JsonValue* value = object.find(key);
    if (value == nullptr) return std::nan("");
    if (value->kind() == JsonValue::Kind::Array) value = value->item(item);
    return value != nullptr ? value->asNumber() : std::nan("");
}

class SculptSession : public testsupport::ProgramScreensTest {
protected:
    SculptSession() : ProgramScreensTest(kWidth, kHeight) {}

    JsonValue state(const std::string& name) const {
        JsonValue value;
        EXPECT_TRUE(testsupport::readJsonFile(dir.file(name), value)) << name;
        return value;
    }
};

TEST_F(SculptSession, FromPicturesToSavedTexturedObjectsThatCastEveryMask) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display (scripts/test starts Xvfb)";
    // The sample project tells where each picture was taken.
    ImageList sample;
    ClippingTable placed(sample);
    ProjectSettings sampleSettings;
    StatusSink quiet;
    ASSERT_TRUE(loadProject(String((sampleFolder() + "/sample.qz").c_str()), sample, sampleSettings, quiet, &placed).opened);
    ASSERT_EQ(sample.imageCount(), kPictures);

    Layout layout;
    std::ostringstream script;
    script << "wait 2\nanswer files";
    for (int k = 0; k < kPictures; ++k) script << " " << sampleFolder() << "/pictures/view" << k << ".png";
    script << "\nchoose File \"Load Images...\"\nwait idle\nkey TAB\nwait idle\n";
    for (int k = 0; k < kPictures; ++k) {
        const ClippingPlacement& placement = placed.clipping(k)->placement();
        script << ctrl(k + 1) << "wait idle\nkey 50\n"
               << layout.type(Control::Width, placement.scaling.z) << layout.type(Control::Height, placement.scaling.y)
               << layout.type(Control::Depth, placement.scaling.x) << "key 51\n"
               << layout.type(Control::Yaw, placement.angle) << layout.type(Control::Pitch, placement.angleheight);
    }
    const std::string away = "move 700 790\nwait 2\n";
    const std::string out = dir.file("out");
    fs::create_directories(out);
    script << "key 53\n"
           << layout.type(Control::VoxelSize, kVoxelSize) << layout.type(Control::Sharpening, sampleSettings.sharpening)
           << layout.type(Control::Smoothing, sampleSettings.smoothing) << "wait idle\nstate " << dir.file("placed.json") << "\n"
           // Sculpture, shown with the pictures around it.
           << "key S\nwait idle\n" << away << "screenshot " << shot("sculpt_sculpted.png") << "\n"
           << "state " << dir.file("sculpted.json") << "\n"
           << "key T\nwait idle\nstate " << dir.file("textured.json") << "\n"
           // A run stopped early keeps the object.
           << "key S\nwait 3\nkey ESCAPE\nwait idle\nstate " << dir.file("cancelled.json") << "\n"
           << "answer save " << out << "/mug 0\nanswer save " << out << "/mug_skin 4\n"
           << "choose File \"Save 3d Object...\"\nwait idle\n"
           << "answer save " << out << "/mug 1\nanswer save " << out << "/mug_look 6\n"
           << "choose File \"Save 3d Object...\"\nwait idle\n"
           // The textured object alone.
           << "key H\nwait idle\n" << away << "screenshot " << shot("sculpt_textured.png") << "\n"
           << "quit\n";
    const std::string scriptPath = dir.file("script.txt");
    ASSERT_TRUE(testsupport::writeText(scriptPath, script.str()));
    std::string printed;
    ASSERT_EQ(testsupport::runProgramWith(executable, dir.path(), "--script " + testsupport::shellQuoted(scriptPath),
                                          printed, 1200),
              0)
        << printed;
    EXPECT_EQ(printed.find("warning"), std::string::npos) << printed;

    // Every picture got the sample's placement and its mask.
    const JsonValue placedState = state("placed.json");
    const JsonValue* images = placedState.find("images");
    ASSERT_NE(images, nullptr);
    for (int k = 0; k < kPictures; ++k) {
        SCOPED_TRACE(k);
        const JsonValue* entry = images->item(static_cast<size_t>(k));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->find("name")->asString(), std::to_string(k + 1));
        EXPECT_GT(number(*entry, "maskPixels"), 1000.0);
        const JsonValue& clipping = *entry->find("clipping");
        const ClippingPlacement& wanted = placed.clipping(k)->placement();
        EXPECT_NEAR(number(clipping, "yaw"), wanted.angle, 1e-3);
        EXPECT_NEAR(number(clipping, "pitch"), wanted.angleheight, 1e-3);
        EXPECT_NEAR(number(clipping, "height"), wanted.scaling.y, 1e-4);
        EXPECT_NEAR(number(clipping, "translation", 0), 0.0, 1e-4);
    }

    // Sculpted, textured; the stopped run left the object as it was.
    const JsonValue sculptedState = state("sculpted.json");
    const JsonValue texturedState = state("textured.json");
    const JsonValue* sculpted = sculptedState.find("object");
    ASSERT_TRUE(sculpted != nullptr && !sculpted->isNull());
    EXPECT_FALSE(sculpted->find("textured")->asBool());
    const JsonValue* textured = texturedState.find("object");
    ASSERT_TRUE(textured != nullptr && !textured->isNull());
    EXPECT_TRUE(textured->find("textured")->asBool());
    EXPECT_EQ(number(*textured, "triangles"), number(*sculpted, "triangles"));
    const JsonValue cancelledState = state("cancelled.json");
    const JsonValue* cancelled = cancelledState.find("object");
    ASSERT_TRUE(cancelled != nullptr && !cancelled->isNull());
    EXPECT_EQ(number(*cancelled, "vertices"), number(*textured, "vertices"));
    EXPECT_EQ(number(*cancelled, "triangles"), number(*textured, "triangles"));
    EXPECT_TRUE(cancelled->find("textured")->asBool());
    for (int k = 0; k < kPictures; ++k) {
        const JsonValue& before = *images->item(static_cast<size_t>(k))->find("clipping");
        const JsonValue& after = *cancelledState.find("images")->item(static_cast<size_t>(k))->find("clipping");
        for (const char* key : {"yaw", "pitch", "height"}) EXPECT_EQ(number(after, key), number(before, key)) << k;
    }

    // Both files: the same closed mesh, casting every mask, in the mug's colours.
    struct Saved {
        std::string mesh;
        bool (*read)(const std::string&, GlbMesh&, std::string&);
    };
    for (const Saved& saved : {Saved{out + "/mug.obj", readObj}, Saved{out + "/mug.wrl", readVrml}}) {
        SCOPED_TRACE(saved.mesh);
        GlbMesh mesh;
        std::string faults;
        ASSERT_TRUE(saved.read(saved.mesh, mesh, faults)) << faults;
        EXPECT_EQ(static_cast<double>(mesh.indices.size() / 3), number(*textured, "triangles"));
        ASSERT_GT(mesh.texture.width, 0);
        const Edges edges = edgesOf(mesh);
        EXPECT_EQ(edges.openOrMisoriented, 0);
        EXPECT_GT(edges.volume, 0.0);
        for (int k = 0; k < kPictures; ++k) {
            const Image& mask = sample.entry(k)->mask;
            const double iou = intersectionOverUnion(silhouette(mesh, *placed.clipping(k), mask), mask);
            EXPECT_GE(iou, 0.9) << "picture " << k;
        }
        // The pictures show the mug at its own size.
        expectMugColours(mesh, 1.0f);
    }
    EXPECT_NE(testsupport::readText(out + "/mug.mtl").find("map_Kd mug_skin.png"), std::string::npos);
    EXPECT_NE(testsupport::readText(out + "/mug.wrl").find("url \"mug_look.tga\""), std::string::npos);

    expectBaseline("sculpt_sculpted.png");
    expectBaseline("sculpt_textured.png");
}

}  // namespace
