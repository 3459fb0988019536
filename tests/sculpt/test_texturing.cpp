// Texturing: atlas layout, texture samples, the choice per triangle, and a
// painted box whose saved, exported texture must show each side's colours.
#include "sculpt/texture_atlas.h"

#include "sculpt/mesh_export.h"
#include "sculpt/sculpt_mesh.h"
#include "sculpt/sculpture.h"
#include "synthetic_scene.h"
#include "support/test_support.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr float kPixel = 2.0f;

// One photograph: its entry and the clipping placed for it.
struct Photo {
    std::unique_ptr<ImageEntry> entry;
    std::unique_ptr<Clipping> clipping;
};

Image canvas(Rgb colour) {
    Image picture(512, 512, colour);
    picture.rotationCentre = ImagePoint{255.0f, 255.0f};
    picture.fovCentre = picture.rotationCentre;
    return picture;
}

// A mask set on the pixel square low .. high (inclusive) of both axes; empty
// when low > high.
Image squareMask(int low, int high) {
    Image mask(512, 512);
    for (int y = low; y <= high; ++y) {
        for (int x = low; x <= high; ++x) mask.setPixel(x, y, Rgb{255, 255, 255});
    }
    return mask;
}

Photo makePhoto(Image picture, Image mask, float angle, float angleheight = 0.0f, ClippingFlags flags = {},
                float slabDepth = 1500.0f) {
    Photo photo;
    photo.entry = std::make_unique<ImageEntry>(Image(), std::move(picture), std::move(mask));
    photo.clipping = std::make_unique<Clipping>(*photo.entry);
    ClippingPlacement placement;
    placement.scaling = D3DXVECTOR3(slabDepth, kPixel, kPixel);
    placement.angle = angle;
    placement.angleheight = angleheight;
    photo.clipping->setPlacement(placement);
    flags.enabled = true;
    photo.clipping->setFlags(flags);
    return photo;
}

std::vector<Clipping*> listOf(const std::vector<Photo>& photos) {
    std::vector<Clipping*> list;
    for (const Photo& photo : photos) list.push_back(photo.clipping.get());
    return list;
}

// A square in the plane x = `x` spanning y and z over [low, high], facing
// -x (normalX < 0) or +x: the quad E, F, G, H as (E, F, G) and (F, H, G).
void addSquare(SculptMesh& mesh, float x, float low, float high, float normalX) {
    const std::uint32_t e = mesh.addVertex({x, low, low});
    const std::uint32_t f = mesh.addVertex({x, high, low});
    const std::uint32_t g = mesh.addVertex({x, low, high});
    const std::uint32_t h = mesh.addVertex({x, high, high});
    if (normalX < 0.0f) {
        mesh.addTriangle(e, f, g);
        mesh.addTriangle(f, h, g);
    } else {
        mesh.addTriangle(e, g, f);
        mesh.addTriangle(g, h, f);
    }
    ASSERT_GT(mesh.faceNormal(mesh.triangleSlots() - 1).x * normalX, 0.99f);
}

// Lays out the atlas and makes the samples as the command does, then
// chooses each triangle's coordinates.
struct Sampled {
    SculptScene scene;
    Texturing texturing;
    std::vector<TriangleTexture> chosen;

    Sampled(const SculptMesh& mesh, std::vector<Clipping*> clippings)
        : scene(SculptScene::capture(clippings, SculptScene::Pictures::Yes)) {
        const OwnRunControl control;
        texturing.layoutAtlas(scene);
        EXPECT_TRUE(texturing.createSamples(mesh, scene, control));
        chosen = chooseTextureCoordinates(mesh, texturing.samples(), scene);
    }
    // Samples of vertex v from clipping slot `source`.
    int samplesFrom(std::uint32_t v, std::uint32_t source) const {
        int count = 0;
        for (const TextureSample& sample : texturing.samples().of(v)) count += sample.source == source ? 1 : 0;
        return count;
    }
    std::size_t samplesOf(std::uint32_t v) const { return texturing.samples().of(v).size(); }
};

TEST(TextureAtlas, EqualPicturesShareATileAndTheAtlasHoldsEveryPicture) {
    std::vector<Photo> photos;
    photos.push_back(makePhoto(canvas(Rgb{200, 0, 0}), Image(), 0.0f));
    photos.push_back(makePhoto(canvas(Rgb{200, 0, 0}), Image(), 90.0f));  // same pixels as the first
    photos.push_back(makePhoto(canvas(Rgb{0, 0, 200}), Image(), 180.0f));
    ClippingFlags off;
    off.fortexturing = false;
    photos.push_back(makePhoto(canvas(Rgb{0, 200, 0}), Image(), 270.0f, 0.0f, off));
    photos[2].entry->workingCopy.setPixel(3, 7, Rgb{1, 2, 3});

    Texturing texturing;
    const SculptScene scene = SculptScene::capture(listOf(photos), SculptScene::Pictures::Yes);
    texturing.layoutAtlas(scene);
    EXPECT_EQ(texturing.tileCount(), 2);
    EXPECT_EQ(texturing.tilesPerSide(), 2);
    EXPECT_FALSE(texturing.tile(0).sharesTile);
    EXPECT_TRUE(texturing.tile(1).sharesTile);
    EXPECT_EQ(texturing.tile(1).index, 0);
    EXPECT_EQ(texturing.tile(2).index, 1);
    EXPECT_EQ(texturing.tile(2).column, 1);
    EXPECT_EQ(texturing.tile(2).row, 0);
    EXPECT_FALSE(texturing.tile(3).participates);

    const Image& atlas = texturing.atlas();
    ASSERT_EQ(atlas.width(), 1024);
    ASSERT_EQ(atlas.height(), 1024);
    EXPECT_EQ(atlas.pixel(10, 10), (Rgb{200, 0, 0}));
    EXPECT_EQ(atlas.pixel(511, 511), (Rgb{200, 0, 0}));
    EXPECT_EQ(atlas.pixel(512 + 3, 7), (Rgb{1, 2, 3}));
    EXPECT_EQ(atlas.pixel(1023, 511), (Rgb{0, 0, 200}));
    EXPECT_EQ(atlas.pixel(10, 600), (Rgb{255, 255, 255}));   // tile 2 unused: white
    EXPECT_EQ(atlas.pixel(600, 1000), (Rgb{255, 255, 255})); // tile 3 unused: white

    EXPECT_EQ(atlasTilesPerSide(0), 2);
    EXPECT_EQ(atlasTilesPerSide(1), 1);
    EXPECT_EQ(atlasTilesPerSide(5), 3);
    EXPECT_EQ(atlasTilesPerSide(16), 4);
    EXPECT_EQ(atlasTilesPerSide(17), 5);
}

TEST(TextureAtlas, BeyondTwentyFiveImagesTheFirstTwentyFivePaintAndTheRestAreCounted) {
    std::vector<Photo> photos;
    for (int i = 0; i < 28; ++i) {
        // The last two share one picture: they count as one left out.
        const int shade = i == 27 ? 26 : i;
        photos.push_back(makePhoto(canvas(Rgb{static_cast<unsigned char>(shade * 9), 10, 10}),
                                   squareMask(200, 310), static_cast<float>(i) * 3.0f));
    }
    SculptMesh mesh;
    addSquare(mesh, -100.0f, -40.0f, 40.0f, -1.0f);
    const Sampled sampled(mesh, listOf(photos));
    const Texturing& texturing = sampled.texturing;
    EXPECT_EQ(texturing.tileCount(), 25);
    EXPECT_EQ(texturing.tilesPerSide(), 5);
    EXPECT_EQ(texturing.leftOutImages(), 2);
    EXPECT_EQ(texturing.atlas().width(), 5 * 512);
    const std::uint32_t corner = mesh.triangle(0).e;
    EXPECT_EQ(sampled.samplesFrom(corner, 24), 1);
    EXPECT_EQ(sampled.samplesFrom(corner, 25), 0);
    EXPECT_EQ(sampled.samplesFrom(corner, 27), 0);
}

TEST(TextureSamples, SampleSitsAtThePicturePixelInTheClippingsTile) {
    std::vector<Photo> photos;
    photos.push_back(makePhoto(canvas(Rgb{50, 50, 50}), squareMask(100, 400), 180.0f));
    photos.push_back(makePhoto(canvas(Rgb{90, 90, 90}), squareMask(100, 400), 0.0f));
    SculptMesh mesh;
    addSquare(mesh, -100.0f, -40.0f, 60.0f, -1.0f);  // faces the second photo (looking along +x)
    const Sampled sampled(mesh, listOf(photos));
    const std::uint32_t e = mesh.triangle(0).e;  // at (-100, -40, -40)
    ASSERT_EQ(sampled.samplesOf(e), 1u);
    const TextureSample& sample = sampled.texturing.samples().of(e)[0];
    EXPECT_EQ(sample.source, 1u);
    EXPECT_FALSE(sample.fromBack);
    // Picture pixel (255 - z / 2, 255 - y / 2) = (275, 275), in tile 1 of 2 by 2.
    EXPECT_NEAR(sample.u, 275.0f / 512.0f / 2.0f + 0.5f, 1e-4f);
    EXPECT_NEAR(sample.v, 275.0f / 512.0f / 2.0f, 1e-4f);
    EXPECT_NEAR(sampled.chosen[0].u[0], sample.u, 1e-6f);
    EXPECT_NEAR(sampled.chosen[0].v[0], sample.v, 1e-6f);
}

TEST(TextureSamples, OnlyBetweenTheSlabFacesKeepsFarSurfacesUnpainted) {
    ClippingFlags between;
    between.textureonlyinside = true;
    std::vector<Photo> photos;
    photos.push_back(makePhoto(canvas(Rgb{90, 90, 90}), squareMask(100, 400), 0.0f, 0.0f, between, 100.0f));
    SculptMesh mesh;
    addSquare(mesh, -200.0f, -40.0f, 40.0f, -1.0f);  // in front of the slab (t < -50)
    addSquare(mesh, -20.0f, -40.0f, 40.0f, -1.0f);   // inside it
    const MeshCreationTriangle& far = mesh.triangle(0);
    const MeshCreationTriangle& near = mesh.triangle(2);
    {
        const Sampled sampled(mesh, listOf(photos));
        EXPECT_EQ(sampled.samplesOf(far.e), 0u);
        EXPECT_EQ(sampled.samplesOf(far.f), 0u);
        EXPECT_EQ(sampled.chosen[0].u[0], 0.0f);
        EXPECT_EQ(sampled.samplesFrom(near.e, 0), 1);
        EXPECT_GT(sampled.chosen[2].u[0], 0.0f);
    }
    // Without the rule the far square is painted too.
    between.textureonlyinside = false;
    between.enabled = true;
    photos[0].clipping->setFlags(between);
    const Sampled sampled(mesh, listOf(photos));
    EXPECT_EQ(sampled.samplesFrom(far.e, 0), 1);
}

TEST(TextureChoice, StrengthTwoBeatsAnyAngleAndBackSamplesNeedBothSides) {
    ClippingFlags strong;
    strong.texturestrength = 2;
    std::vector<Photo> photos;
    photos.push_back(makePhoto(canvas(Rgb{10, 10, 10}), squareMask(0, 509), 0.0f));            // head-on
    photos.push_back(makePhoto(canvas(Rgb{20, 20, 20}), squareMask(0, 509), 60.0f, 0.0f, strong));  // slanted
    SculptMesh mesh;
    addSquare(mesh, -100.0f, -40.0f, 40.0f, -1.0f);
    const std::uint32_t e = mesh.triangle(0).e;
    {
        const Sampled sampled(mesh, listOf(photos));
        ASSERT_EQ(sampled.samplesFrom(e, 0), 1);
        ASSERT_EQ(sampled.samplesFrom(e, 1), 1);
        // Tile 1 is the right half of the 2 by 2 atlas.
        EXPECT_GE(sampled.chosen[0].u[0], 0.5f);
    }
    // Equal strengths: the head-on picture (tile 0) wins.
    strong.texturestrength = 1;
    strong.enabled = true;
    photos[1].clipping->setFlags(strong);
    EXPECT_LT(Sampled(mesh, listOf(photos)).chosen[0].u[0], 0.5f);

    // Seen only from behind: nothing unless the picture paints both sides.
    std::vector<Photo> behind;
    behind.push_back(makePhoto(canvas(Rgb{30, 30, 30}), squareMask(0, 509), 180.0f));
    {
        const Sampled sampled(mesh, listOf(behind));
        EXPECT_EQ(sampled.samplesOf(e), 0u);
        EXPECT_EQ(sampled.chosen[0].u[0], 0.0f);
    }
    ClippingFlags both;
    both.enabled = true;
    both.texturebothsides = true;
    behind[0].clipping->setFlags(both);
    const Sampled sampled(mesh, listOf(behind));
    ASSERT_EQ(sampled.samplesOf(e), 1u);
    EXPECT_TRUE(sampled.texturing.samples().of(e)[0].fromBack);
    EXPECT_GT(sampled.chosen[0].u[0], 0.0f);
}

TEST(TextureSamples, OneCornerInsideTheMaskPaintsTheWholeTriangle) {
    std::vector<Photo> photos;
    // Mask pixels 250 .. 260: only points with |y|, |z| below about 10 fall inside.
    photos.push_back(makePhoto(canvas(Rgb{90, 90, 90}), squareMask(250, 260), 0.0f));
    SculptMesh mesh;
    addSquare(mesh, -100.0f, 0.0f, 150.0f, -1.0f);    // corner E at (y, z) = (0, 0) inside, the others outside
    addSquare(mesh, -100.0f, 100.0f, 150.0f, -1.0f);  // wholly outside
    const MeshCreationTriangle& touching = mesh.triangle(0);
    const MeshCreationTriangle& outside = mesh.triangle(2);
    {
        const Sampled sampled(mesh, listOf(photos));
        EXPECT_EQ(sampled.samplesFrom(touching.e, 0), 1);
        EXPECT_EQ(sampled.samplesFrom(touching.f, 0), 1);
        EXPECT_EQ(sampled.samplesFrom(touching.g, 0), 1);
        EXPECT_EQ(sampled.samplesOf(outside.e), 0u);
        // The square's second triangle (F, H, G) has no corner inside: its
        // own corner H stays bare.
        EXPECT_EQ(sampled.samplesOf(mesh.triangle(1).f), 0u);
    }
    // Without the mask the whole picture counts.
    ClippingFlags noMask;
    noMask.enabled = true;
    noMask.texturetakesmask = false;
    photos[0].clipping->setFlags(noMask);
    const Sampled sampled(mesh, listOf(photos));
    EXPECT_EQ(sampled.samplesFrom(outside.e, 0), 1);
}

// --- a painted box, sculpted, textured, saved and read back ---------------------

constexpr double kHalf = 200.0;

// Six photographs of the box [-200, 200]^3 along the axes. Each picture shows
// its own colour on the left half and another on the right half.
struct PaintedBox {
    std::vector<synthetic::View> views{{0, 0}, {90, 0}, {180, 0}, {270, 0}, {0, 90}, {0, -90}};
    std::vector<Photo> photos;

    static Rgb colour(int view, bool right) {
        const unsigned char a = static_cast<unsigned char>(40 + 30 * view);
        return right ? Rgb{a, 250, static_cast<unsigned char>(255 - a)} : Rgb{250, a, static_cast<unsigned char>(a / 2)};
    }

    PaintedBox() {
        const int low = static_cast<int>(std::ceil(254.5 - kHalf / kPixel));
        const int high = static_cast<int>(std::floor(254.5 + kHalf / kPixel));
        for (int v = 0; v < static_cast<int>(views.size()); ++v) {
            Image picture = canvas(Rgb{0, 0, 0});
            for (int y = 0; y < 512; ++y) {
                for (int x = 0; x < 512; ++x) picture.setPixel(x, y, colour(v, x >= 255));
            }
            photos.push_back(makePhoto(std::move(picture), squareMask(low, high),
                                       static_cast<float>(views[static_cast<std::size_t>(v)].angle),
                                       static_cast<float>(views[static_cast<std::size_t>(v)].angleheight)));
        }
    }

    // The colour a point on the side facing view `v` must show, or false when
    // the point lies too near the picture's colour seam.
    bool expected(int v, const D3DXVECTOR3& p, Rgb& out) const {
        const synthetic::Frame f = synthetic::frameOf(views[static_cast<std::size_t>(v)]);
        const double x = synthetic::kCentre - synthetic::dot({p.x, p.y, p.z}, f.z) / kPixel;
        if (std::abs(x - 255.0) < 4.0) return false;
        out = colour(v, x >= 255.0);
        return true;
    }
};

Rgb atlasAt(const Image& atlas, float u, float v) {
    return atlas.pixel(static_cast<int>(std::floor(u * static_cast<float>(atlas.width()))),
                       static_cast<int>(std::floor(v * static_cast<float>(atlas.height()))));
}

TEST(TexturingQuality, EachSideOfAPaintedBoxShowsItsOwnColoursInTheSavedTextureAndTheObj) {
    PaintedBox box;
    const std::vector<Clipping*> clippings = listOf(box.photos);
    SculptSettings settings;
    settings.depth = 7;
    Sculpture run(settings);
    SilentProgress quiet;
    ASSERT_TRUE(run.execute(clippings, quiet));
    const TexturingReport report = texturise(run, clippings, quiet);
    ASSERT_TRUE(report.textured);
    EXPECT_EQ(report.tilesPerSide, 3);
    EXPECT_TRUE(report.message.empty()) << report.message;

    // Save the atlas and the textured OBJ, then take the texture back from disc.
    testsupport::TempDir dir;
    const std::string texturePath = dir.file("box.png");
    std::string error;
    ASSERT_TRUE(saveTexture(run, String(texturePath.c_str()), quiet, &error)) << error;
    const Image saved{String(texturePath.c_str())};
    ASSERT_TRUE(saved.isValid());
    ASSERT_EQ(saved.width(), run.textureImage().width());

    int middle = 0;
    int right = 0;
    const SculptMesh& sculpted = run.mesh();
    const std::vector<TriangleTexture>& coordinates = sculpted.textureCoordinates();
    ASSERT_EQ(coordinates.size(), sculpted.triangleSlots());
    for (std::uint32_t i = 0; i < sculpted.triangleSlots(); ++i) {
        if (!sculpted.isTriangle(i)) continue;
        const MeshCreationTriangle& t = sculpted.triangle(i);
        const D3DXVECTOR3& n = sculpted.faceNormal(i);
        const D3DXVECTOR3 c = (sculpted.position(t.e) + sculpted.position(t.f) + sculpted.position(t.g)) / 3.0f;
        int side = -1;
        for (int v = 0; v < 6; ++v) {
            const D3DXVECTOR3 dir = clippings[static_cast<std::size_t>(v)]->projection().viewingDirection();
            if (D3DXVec3Dot(&dir, &n) < -0.95f) side = v;
        }
        // Away from the box's edges: on the side's plane, well inside it.
        const float coords[3] = {c.x, c.y, c.z};
        const float normal[3] = {n.x, n.y, n.z};
        int axis = 0;
        for (int k = 1; k < 3; ++k) axis = std::abs(normal[k]) > std::abs(normal[axis]) ? k : axis;
        bool middleOfSide = std::abs(std::abs(coords[axis]) - static_cast<float>(kHalf)) < 0.15f * kHalf;
        for (int k = 0; k < 3; ++k) {
            if (k != axis && std::abs(coords[k]) > 0.75f * kHalf) middleOfSide = false;
        }
        Rgb want;
        if (side < 0 || !middleOfSide || !box.expected(side, c, want)) continue;
        ++middle;
        const float u = (coordinates[i].u[0] + coordinates[i].u[1] + coordinates[i].u[2]) / 3.0f;
        const float v = (coordinates[i].v[0] + coordinates[i].v[1] + coordinates[i].v[2]) / 3.0f;
        right += atlasAt(saved, u, v) == want ? 1 : 0;
    }
    ASSERT_GT(middle, 500);
    EXPECT_GE(static_cast<double>(right), 0.95 * middle) << right << " of " << middle;
    std::printf("painted box: %d of %d middle triangles show their side's colour\n", right, middle);

    // The OBJ names the texture in its material; read back independently,
    // every face's coordinates land on the same colour as in the run.
    const ExportMesh exported = exportMeshOf(run.mesh(), true);
    const std::string objPath = dir.file("box.obj");
    const MeshExportResult written =
        exportMesh(exported, String(objPath.c_str()), MeshFormat::Obj, String(texturePath.c_str()));
    ASSERT_TRUE(written.written) << written.error.text();
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(objPath, 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    ASSERT_EQ(scene->mNumMeshes, 1u);
    const aiMesh* mesh = scene->mMeshes[0];
    aiString textureName;
    ASSERT_EQ(scene->mMaterials[mesh->mMaterialIndex]->GetTexture(aiTextureType_DIFFUSE, 0, &textureName),
              aiReturn_SUCCESS);
    EXPECT_STREQ(textureName.C_Str(), "box.png");
    ASSERT_TRUE(mesh->HasTextureCoords(0));
    ASSERT_EQ(mesh->mNumFaces, exported.triangles.size());
    int same = 0;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        ASSERT_EQ(face.mNumIndices, 3u);
        float u = 0.0f, v = 0.0f;
        for (unsigned k = 0; k < 3; ++k) {
            u += mesh->mTextureCoords[0][face.mIndices[k]].x / 3.0f;
            v += (1.0f - mesh->mTextureCoords[0][face.mIndices[k]].y) / 3.0f;  // OBJ counts v from the bottom
        }
        const ExportMesh::Triangle& t = exported.triangles[f];
        const float eu = (t.u[0] + t.u[1] + t.u[2]) / 3.0f;
        const float ev = (t.v[0] + t.v[1] + t.v[2]) / 3.0f;
        same += atlasAt(saved, u, v) == atlasAt(run.textureImage(), eu, ev) ? 1 : 0;
    }
    EXPECT_GE(static_cast<double>(same), 0.99 * mesh->mNumFaces);
}

TEST(SaveTexture, WritesTheFormatItsEndingNamesAndRefusesOthers) {
    testsupport::TempDir dir;
    SculptSettings settings;
    Sculpture run(settings);
    SilentProgress quiet;
    std::string error;
    EXPECT_FALSE(saveTexture(run, String(dir.file("none.png").c_str()), quiet, &error));
    EXPECT_NE(error.find("no texture"), std::string::npos);
    EXPECT_FALSE(testsupport::fileExists(dir.file("none.png")));

    run.setTexture(Image(8, 8, Rgb{1, 2, 3}), 1);
    ASSERT_TRUE(saveTexture(run, String(dir.file("a.png").c_str()), quiet, &error)) << error;
    ASSERT_TRUE(saveTexture(run, String(dir.file("a.bmp").c_str()), quiet, &error)) << error;
    ASSERT_TRUE(saveTexture(run, String(dir.file("a.TGA").c_str()), quiet, &error)) << error;
    const std::vector<unsigned char> png = testsupport::readBytes(dir.file("a.png"));
    const std::vector<unsigned char> bmp = testsupport::readBytes(dir.file("a.bmp"));
    ASSERT_GE(png.size(), 8u);
    ASSERT_GE(bmp.size(), 2u);
    EXPECT_EQ(png[1], 'P');
    EXPECT_EQ(png[2], 'N');
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_TRUE(testsupport::fileExists(dir.file("a.TGA")));

    EXPECT_FALSE(saveTexture(run, String(dir.file("a.gif").c_str()), quiet, &error));
    EXPECT_NE(error.find(".bmp, .dds"), std::string::npos);
    EXPECT_FALSE(testsupport::fileExists(dir.file("a.gif")));
    EXPECT_FALSE(isTextureFileName(String(".png")));
    EXPECT_TRUE(isTextureFileName(String("skin.Jpg")));
}

}  // namespace
