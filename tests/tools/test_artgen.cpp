#include "artgen/contact_sheet.h"
#include "artgen/manifest.h"
#include "render/image_file.h"
#include "support/test_support.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <tuple>

using namespace artgen;
using testsupport::TempDir;

namespace {

RgbaImage decode(const std::string& path) {
    RgbaImage image;
    String error;
    EXPECT_TRUE(decodeImageFile(String(path.c_str()), image, error)) << path << ": " << error.text();
    return image;
}

const unsigned char* pixelAt(const RgbaImage& image, int x, int y) {
    return &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
}

struct Look { double brightness = 0.0, opacity = 0.0; };  // of the clearly visible pixels; mean alpha

Look lookOf(const RgbaImage& image) {
    double sum = 0.0, alpha = 0.0;
    int visible = 0;
    size_t count = image.pixels.size() / 4;
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* p = &image.pixels[i * 4];
        alpha += p[3];
        if (p[3] > 128) {
            sum += (p[0] + p[1] + p[2]) / 3.0;
            ++visible;
        }
    }
    return {visible ? sum / visible : 0.0, alpha / static_cast<double>(count)};
}

std::string folderOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

class GeneratedArt : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TempDir>();
        entries_ = artManifest();
        std::string error;
        written_ = writeAll(dir_->path(), entries_, error);
        writeError_ = error;
    }
    static void TearDownTestSuite() {
        entries_.clear();
        dir_.reset();
    }

    static std::string fileOf(const ArtEntry& entry) { return dir_->file(entry.path); }

    static std::unique_ptr<TempDir> dir_;
    static std::vector<ArtEntry> entries_;
    static bool written_;
    static std::string writeError_;
};

std::unique_ptr<TempDir> GeneratedArt::dir_;
std::vector<ArtEntry> GeneratedArt::entries_;
bool GeneratedArt::written_ = false;
std::string GeneratedArt::writeError_;

}  // namespace

TEST_F(GeneratedArt, ManifestNamesEveryFileTheProgramLoadsOnce) {
    std::set<std::string> paths;
    for (const ArtEntry& entry : entries_) {
        EXPECT_TRUE(paths.insert(entry.path).second) << "listed twice: " << entry.path;
        EXPECT_EQ(entry.path.find('\\'), std::string::npos) << entry.path;
        EXPECT_NE(entry.path.front(), '/') << entry.path;
    }
    const char* required[] = {"data/gui/cursors/arrow.dds", "data/gui/cursors/arrowwait.dds",
        "data/gui/cursors/crosspressed.dds", "data/gui/cursors/cursorlooppressed.dds", "data/gui/cursors/cursorrotationover.dds",
        "data/gui/cursors/cursormovingpressed.dds", "data/gui/general/btn/disabled.dds", "data/gui/general/close/pressed.dds",
        "data/gui/general/resize/over.dds", "data/gui/general/menuline/menuline.dds", "data/gui/general/bar/wndback.dds",
        "data/gui/general/bar/barloadback.dds", "data/gui/general/backgrounds/helptextbackgrounddisabled.dds",
        "data/gui/general/backgrounds/pixel.dds", "data/gui/general/slider/btndisabled.dds",
        "data/gui/general/slider/backdisabled.dds", "data/gui/general/menu/background/active.dds",
        "data/gui/general/menu/pressedcontainer.dds", "data/gui/general/menu/button/checked.dds",
        "data/gui/twod/general/pressed.dds", "data/gui/twod/rubric/uncheckedpressed.dds",
        "data/gui/transformation/rubric/checked.dds", "data/gui/twod/rotationcenter/rotationcenter.dds",
        "data/gui/transformation/imagelistsculpture/active.dds", "data/gui/transformation/imagelistexturize/active.dds",
        "data/gui/transformation/keye/active.dds", "datav1_01/transformationpoint/active.dds",
        "datav1_01/scalingpoint/over.dds", "datav1_01/snappoint/pressed.dds", "datav1_01/fovorigin/active.dds",
        "data/xfiles/scaling3smaller.x", "data/xfiles/arrowimagerotationgreen.x", "data/xfiles/arrow.x"};
    for (const char* path : required) EXPECT_EQ(paths.count(path), 1u) << path;
    auto count = [&](ArtKind kind) { return std::count_if(entries_.begin(), entries_.end(), [&](const ArtEntry& e) { return e.kind == kind; }); };
    EXPECT_EQ(count(ArtKind::Cursor), 16);  // seventeen slots, "arrow.dds" loaded twice
    EXPECT_EQ(count(ArtKind::Model), 15);
}

TEST_F(GeneratedArt, EveryPictureDecodesAtItsSizeAsUncompressed32BitWithAlpha) {
    ASSERT_TRUE(written_) << writeError_;
    for (const ArtEntry& entry : entries_) {
        if (entry.kind == ArtKind::Model) continue;
        std::vector<unsigned char> bytes = testsupport::readBytes(fileOf(entry));
        ASSERT_GE(bytes.size(), 128u) << entry.path;
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "DDS ") << entry.path;
        EXPECT_EQ(bytes[88], 32) << entry.path << ": not 32 bits per pixel";
        EXPECT_TRUE(bytes[80] & 0x01) << entry.path << ": no alpha mask";

        RgbaImage image = decode(fileOf(entry));
        EXPECT_TRUE(image.width == entry.width && image.height == entry.height && image.hasAlpha) << entry.path;
        EXPECT_GT(lookOf(image).opacity, 1.0) << entry.path << " is empty";
    }
}

TEST_F(GeneratedArt, PointersAre256SquareAndOpaqueAtTheirHotSpot) {
    ASSERT_TRUE(written_) << writeError_;
    for (const ArtEntry& entry : entries_) {
        if (entry.kind != ArtKind::Cursor) continue;
        RgbaImage image = decode(fileOf(entry));
        ASSERT_TRUE(image.width == 256 && image.height == 256) << entry.path;
        int x = std::min(255, static_cast<int>(entry.hotSpot.x));
        int y = std::min(255, static_cast<int>(entry.hotSpot.y));
        EXPECT_EQ(pixelAt(image, x, y)[3], 255) << entry.path << " at " << x << ", " << y;
        const bool arrow = entry.path.find("/arrow") != std::string::npos && entry.path.find("wait") == std::string::npos;
        EXPECT_TRUE(!arrow || (x == 0 && y == 0)) << entry.path;
        EXPECT_EQ(pixelAt(image, 255, 0)[3], 0) << entry.path;
    }
}

TEST_F(GeneratedArt, StatesOfOneWidgetLookDifferent) {
    ASSERT_TRUE(written_) << writeError_;
    std::map<std::string, std::vector<std::pair<std::string, RgbaImage>>> byFolder;
    for (const ArtEntry& entry : entries_)
        if (entry.kind != ArtKind::Model) byFolder[folderOf(entry.path)].push_back({entry.path, decode(fileOf(entry))});
    int compared = 0;
    for (const auto& [folder, pictures] : byFolder)
        for (size_t i = 0; i < pictures.size(); ++i)
            for (size_t j = i + 1; j < pictures.size(); ++j) {
                const RgbaImage &a = pictures[i].second, &b = pictures[j].second;
                if (a.width != b.width || a.height != b.height) continue;
                size_t differing = 0;
                for (size_t k = 0; k < a.pixels.size(); ++k) differing += std::abs(a.pixels[k] - b.pixels[k]) > 8;
                EXPECT_GT(differing, a.pixels.size() / 100) << pictures[i].first << " vs " << pictures[j].first;
                ++compared;
            }
    EXPECT_GT(compared, 100);
}

TEST_F(GeneratedArt, ButtonsBrightenOverDarkenPressedAndFadeDisabled) {
    ASSERT_TRUE(written_) << writeError_;
    const char* folders[] = {"data/gui/general/resize", "data/gui/general/minimize", "data/gui/general/maximize",
                             "data/gui/general/close",  "datav1_01/transformationpoint", "datav1_01/rotationpoint",
                             "datav1_01/snappoint",     "datav1_01/fovorigin"};
    for (const std::string folder : folders) {
        auto look = [&](const char* state) { return lookOf(decode(dir_->file(folder + state))); };
        Look active = look("/active.dds"), over = look("/over.dds"), pressed = look("/pressed.dds");
        EXPECT_GT(over.brightness, active.brightness + 5) << folder;
        EXPECT_LT(pressed.brightness, over.brightness - 5) << folder;
        if (testsupport::fileExists(dir_->file(folder + "/disabled.dds"))) {
            EXPECT_LT(look("/disabled.dds").opacity, active.opacity * 0.75) << folder;
        }
    }
}

TEST_F(GeneratedArt, AssimpReadsEveryModelWithOutwardFacingTriangles) {
    ASSERT_TRUE(written_) << writeError_;
    for (const ArtEntry& entry : entries_) {
        if (entry.kind != ArtKind::Model) continue;
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(fileOf(entry), aiProcess_ValidateDataStructure);
        ASSERT_NE(scene, nullptr) << entry.path << ": " << importer.GetErrorString();
        ASSERT_EQ(scene->mNumMeshes, 1u) << entry.path;
        const aiMesh* mesh = scene->mMeshes[0];
        ASSERT_GT(mesh->mNumFaces, 20u) << entry.path;
        ASSERT_TRUE(mesh->HasNormals()) << entry.path;
        int inward = 0;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            ASSERT_EQ(face.mNumIndices, 3u) << entry.path;
            aiVector3D a = mesh->mVertices[face.mIndices[0]], b = mesh->mVertices[face.mIndices[1]],
                       c = mesh->mVertices[face.mIndices[2]];
            aiVector3D n = mesh->mNormals[face.mIndices[0]] + mesh->mNormals[face.mIndices[1]] +
                           mesh->mNormals[face.mIndices[2]];
            inward += ((b - a) ^ (c - a)) * n <= 0.0f;  // the importer hands out counter-clockwise fronts
        }
        EXPECT_EQ(inward, 0) << entry.path;
        for (unsigned v = 0; v < mesh->mNumVertices; ++v)
            ASSERT_NEAR(mesh->mNormals[v].Length(), 1.0f, 1e-3f) << entry.path;
    }
}

TEST_F(GeneratedArt, ModelColoursAndDirectionsFollowTheirNames) {
    ASSERT_TRUE(written_) << writeError_;
    struct Expectation { const char* file; int dominantChannel, longAxis; };  // channel 0 red..2 blue; axis -1 unchecked
    const Expectation expected[] = {
        {"arrowtranslationx.x", 0, 0},   {"arrowtranslationy.x", 1, 1},  {"arrowtranslationz.x", 2, 2},
        {"arrowrotationred.x", 0, -1},   {"arrowrotationgreen.x", 1, -1}, {"arrowimagerotationred.x", 0, -1},
        {"arrowimagerotationgreen.x", 1, -1}, {"scalinggreen.x", 1, 2},  {"scalinggreen2.x", 1, 1},
        {"scalinggreen3.x", 1, 0},       {"scalingsmaller.x", 0, 2},     {"scaling3smaller.x", 0, 0}};
    for (const Expectation& e : expected) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(dir_->file(std::string("data/xfiles/") + e.file), 0);
        ASSERT_NE(scene, nullptr) << e.file;
        aiColor4D diffuse;
        ASSERT_EQ(scene->mMaterials[scene->mMeshes[0]->mMaterialIndex]->Get(AI_MATKEY_COLOR_DIFFUSE, diffuse),
                  AI_SUCCESS);
        float channels[] = {diffuse.r, diffuse.g, diffuse.b};
        for (int c = 0; c < 3; ++c)
            if (c != e.dominantChannel) { EXPECT_GT(channels[e.dominantChannel], channels[c] + 0.3f) << e.file; }
        if (e.longAxis < 0) continue;
        aiVector3D low(1e9f, 1e9f, 1e9f), high(-1e9f, -1e9f, -1e9f);
        const aiMesh* mesh = scene->mMeshes[0];
        for (unsigned v = 0; v < mesh->mNumVertices; ++v)
            for (int k = 0; k < 3; ++k)
                low[k] = std::min(low[k], mesh->mVertices[v][k]), high[k] = std::max(high[k], mesh->mVertices[v][k]);
        for (int k = 0; k < 3; ++k)
            if (k != e.longAxis) { EXPECT_GT(high[e.longAxis] - low[e.longAxis], 4.0f * (high[k] - low[k])) << e.file; }
    }
}

TEST(ArtWriter, UnwritableFolderGivesAMessageNamingIt) {
    TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("blocker"), "a file, not a folder"));
    std::vector<ArtEntry> entries = artManifest();
    std::string error;
    EXPECT_FALSE(writeAll(dir.file("blocker"), entries, error));
    EXPECT_NE(error.find("blocker"), std::string::npos) << error;
}

TEST(ContactSheet, WritesThePageAndALegendOfEveryEntry) {
    TempDir dir;
    // A pointer, a stretched background, the floor cell and a model.
    std::vector<ArtEntry> entries;
    for (ArtEntry& entry : artManifest())
        for (const char* want : {"cursors/arrow.dds", "helptextbackgroundover", "pixel.dds", "sphere.x"})
            if (entry.path.find(want) != std::string::npos) entries.push_back(entry);
    ASSERT_EQ(entries.size(), 4u);
    std::string error;
    ASSERT_TRUE(writeContactSheet(entries, dir.file("sheet/page.png"), error)) << error;
    RgbaImage page = decode(dir.file("sheet/page.png"));
    EXPECT_GT(page.height, 300);
    std::string legend = testsupport::readText(dir.file("sheet/page.txt"));
    for (const ArtEntry& entry : entries) EXPECT_NE(legend.find(entry.path), std::string::npos) << entry.path;
}

TEST(Rasteriser, ShapesCoverTheirAreaWithSoftEdgesOnly) {
    Canvas canvas(64, 64);
    fill(canvas, circle({32, 32}, 10), Paint::solid(rgb(255, 255, 255)));
    double area = 0.0;
    int partial = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            float a = canvas.pixel(x, y).a;
            area += a;
            partial += a > 0.02f && a < 0.98f;
        }
    EXPECT_NEAR(area, 3.14159 * 100.0, 3.0);
    EXPECT_LT(partial, 100);  // only the rim is anti-aliased
    EXPECT_FLOAT_EQ(canvas.pixel(32, 32).a, 1.0f);
    EXPECT_FLOAT_EQ(canvas.pixel(32, 44).a, 0.0f);

    // A concave polygon leaves its notch empty.
    Canvas l(40, 40);
    fill(l, polygon({{4, 4}, {16, 4}, {16, 24}, {36, 24}, {36, 36}, {4, 36}}), Paint::solid(rgb(255, 0, 0)));
    EXPECT_FLOAT_EQ(l.pixel(10, 10).a, 1.0f);
    EXPECT_FLOAT_EQ(l.pixel(30, 10).a, 0.0f);
    EXPECT_FLOAT_EQ(l.pixel(30, 30).a, 1.0f);
}

TEST(Rasteriser, ShrinkingAveragesAndKeepsStraightColour) {
    Canvas canvas(8, 8);
    fill(canvas, roundedRect({0, 0, 4, 8}, 0.0f), Paint::solid(rgb(200, 100, 0)));
    Canvas half = resampled(canvas, 2, 2);
    EXPECT_FLOAT_EQ(half.pixel(0, 0).a, 1.0f);
    EXPECT_FLOAT_EQ(half.pixel(1, 1).a, 0.0f);
    Canvas one = resampled(canvas, 1, 1);
    EXPECT_NEAR(one.pixel(0, 0).a, 0.5f, 1e-5f);
    // Premultiplied averaging keeps the colour of the covered half.
    EXPECT_NEAR(one.pixel(0, 0).r, 200.0f / 255.0f, 1e-5f);
    RgbaImage image = one.toImage();
    EXPECT_EQ(image.pixels[0], 200);
    EXPECT_EQ(image.pixels[3], 128);
}

TEST(Rasteriser, ArcsCoverTheirSweepAcrossTheZeroAngle) {
    const float degree = 3.14159265f / 180.0f;
    // From 330 degrees through 0 to 30: the right side of the circle only.
    Shape wrapped = arc({50, 50}, 30, 330 * degree, 60 * degree, 3);
    EXPECT_LT(wrapped.distance({80, 50}), 0.0f);
    EXPECT_LT(wrapped.distance({50 + 30 * std::cos(20 * degree), 50 + 30 * std::sin(20 * degree)}), 0.0f);
    EXPECT_GT(wrapped.distance({20, 50}), 20.0f);
    EXPECT_GT(wrapped.distance({50, 80}), 5.0f);
    // A negative sweep covers the same arc walked the other way.
    Shape backwards = arc({50, 50}, 30, 30 * degree, -60 * degree, 3);
    for (float a : {-25.0f, 0.0f, 25.0f, 90.0f, 180.0f}) {
        Vec2 p{50 + 30 * std::cos(a * degree), 50 + 30 * std::sin(a * degree)};
        EXPECT_EQ(wrapped.distance(p) < 0.0f, backwards.distance(p) < 0.0f) << a;
    }
}

namespace {

// After welding equal positions every edge must be walked once each way (closed, consistently wound).
void expectClosedAndConsistent(const TriangleMesh& mesh, const char* what) {
    std::map<std::tuple<long, long, long>, int> welded;
    std::vector<int> id(mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const Vec3& p = mesh.positions[i];
        auto key = std::make_tuple(std::lround(p.x * 1e4), std::lround(p.y * 1e4), std::lround(p.z * 1e4));
        id[i] = welded.emplace(key, static_cast<int>(welded.size())).first->second;
    }
    std::map<std::pair<int, int>, int> directed;
    for (const auto& face : mesh.faces)
        for (int k = 0; k < 3; ++k)
            if (int a = id[face[k]], b = id[face[(k + 1) % 3]]; a != b) ++directed[{a, b}];
    ASSERT_FALSE(directed.empty()) << what;
    for (const auto& [edge, count] : directed) {
        EXPECT_EQ(count, 1) << what << ": edge walked twice the same way";
        EXPECT_EQ(directed.count({edge.second, edge.first}), 1u) << what << ": open edge";
    }
    // Outward: the signed volume of a closed, outward-wound solid is positive.
    double volume = 0.0;
    for (const auto& f : mesh.faces)
        volume += dot(mesh.positions[f[0]], cross(mesh.positions[f[1]], mesh.positions[f[2]])) / 6.0;
    EXPECT_GT(volume, 0.0) << what;
}

}  // namespace

TEST(MeshPrimitives, SolidsAreClosedAndWoundOutwards) {
    TriangleMesh sphere, cylinder, cone, torus, box;
    addSphere(sphere, {1, 2, 3}, 0.5f, 16, 8);
    addCylinder(cylinder, {0, 0, 0}, normalised({1, 1, 0}), 2.0f, 0.2f, 12);
    addCone(cone, {0, 1, 0}, {0, 0, -1}, 0.5f, 0.3f, 12);
    addTorusArc(torus, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}, 1.0f, 0.1f, 0.5f, 4.0f, 24, 8);
    addBox(box, {0.5f, 0, 0}, {0.1f, 0.2f, 0.3f});
    for (auto [mesh, name] : {std::pair{&sphere, "sphere"}, {&cylinder, "cylinder"}, {&cone, "cone"},
                              {&torus, "torus arc"}, {&box, "box"}})
        expectClosedAndConsistent(*mesh, name);
}
