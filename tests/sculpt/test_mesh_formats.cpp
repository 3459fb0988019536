// The binary mesh formats (.glb, .ply, .stl): read back by assimp and, for
// .glb, by a strict reader of the container; closed, outward, counted, and
// with the texture where the format carries it.
#include "image/image.h"
#include "sculpt/mesh_export.h"

#include "export_box.h"
#include "support/glb_reader.h"
#include "support/test_support.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

using testsupport::TempDir;

String str(const std::string& text) { return String(text.c_str()); }

// 12 by 8 pixels: green in the top half, blue in the bottom half.
Image twoToneTexture() {
    Image texture(12, 8, Rgb{0, 0, 255});
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 12; ++x) texture.setPixel(x, y, Rgb{0, 200, 0});
    }
    return texture;
}

// The textured box written as `name` in `format` with the two-tone texture.
std::string writeTexturedBox(const TempDir& dir, const std::string& name, MeshFormat format, const Image& texture) {
    MeshTexture withImage;
    withImage.image = &texture;
    const std::string path = dir.file(name);
    EXPECT_TRUE(exportMesh(exportBox(true), str(path), format, withImage).written);
    return path;
}

struct Shape {
    int faces = 0;
    int weldedVertices = 0;
    int openOrMisorientedEdges = 0;
    double volume = 0.0;  // right-handed, counter-clockwise fronts
    int inwardNormals = 0;
};

// Welds the vertices by position (as a printer would) and checks that every
// directed edge meets its reverse exactly once.
Shape shapeOf(const aiMesh& mesh) {
    Shape shape;
    std::map<std::tuple<float, float, float>, int> welded;
    std::vector<int> id(mesh.mNumVertices);
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
        const aiVector3D& p = mesh.mVertices[i];
        id[i] = welded.emplace(std::make_tuple(p.x, p.y, p.z), static_cast<int>(welded.size())).first->second;
    }
    shape.weldedVertices = static_cast<int>(welded.size());
    aiVector3D centre(0, 0, 0);
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) centre += mesh.mVertices[i];
    centre /= static_cast<float>(mesh.mNumVertices);
    std::map<std::pair<int, int>, int> edges;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices != 3) continue;
        ++shape.faces;
        const aiVector3D& a = mesh.mVertices[face.mIndices[0]];
        const aiVector3D& b = mesh.mVertices[face.mIndices[1]];
        const aiVector3D& c = mesh.mVertices[face.mIndices[2]];
        shape.volume += (a * (b ^ c)) / 6.0;
        for (int k = 0; k < 3; ++k) ++edges[{id[face.mIndices[k]], id[face.mIndices[(k + 1) % 3]]}];
    }
    for (const auto& [edge, count] : edges) {
        const auto reverse = edges.find({edge.second, edge.first});
        if (count != 1 || reverse == edges.end() || reverse->second != 1) ++shape.openOrMisorientedEdges;
    }
    for (unsigned i = 0; mesh.HasNormals() && i < mesh.mNumVertices; ++i) {
        if (mesh.mNormals[i] * (mesh.mVertices[i] - centre) <= 0.0f) ++shape.inwardNormals;
    }
    return shape;
}

const aiScene* readScene(Assimp::Importer& importer, const std::string& path) {
    const aiScene* scene = importer.ReadFile(path, aiProcess_ValidateDataStructure);
    EXPECT_NE(scene, nullptr) << path << ": " << importer.GetErrorString();
    if (scene != nullptr) {
        EXPECT_EQ(scene->mNumMeshes, 1u);
    }
    return scene != nullptr && scene->mNumMeshes == 1 ? scene : nullptr;
}

}  // namespace

TEST(MeshFormats, EveryBinaryFormatReadsBackClosedOutwardWithItsCounts) {
    TempDir dir;
    const ExportMesh mesh = exportBox(false);
    for (const char* ending : {".glb", ".ply", ".stl"}) {
        SCOPED_TRACE(ending);
        const std::string path = dir.file(std::string("box") + ending);
        MeshFormat format = MeshFormat::Obj;
        ASSERT_TRUE(meshFormatOfName(str(path), format));
        const MeshExportResult result = exportMesh(mesh, str(path), format);
        ASSERT_TRUE(result.written) << result.error.text();
        Assimp::Importer importer;
        const aiScene* scene = readScene(importer, path);
        ASSERT_NE(scene, nullptr);
        const Shape shape = shapeOf(*scene->mMeshes[0]);
        EXPECT_EQ(shape.faces, 12);
        EXPECT_EQ(shape.weldedVertices, 8);
        EXPECT_EQ(shape.openOrMisorientedEdges, 0);
        EXPECT_NEAR(shape.volume, 8.0, 1e-4);
        EXPECT_EQ(shape.inwardNormals, 0);
        // Right-handed like the OBJ: z is mirrored.
        float minZ = 1e9f;
        for (unsigned i = 0; i < scene->mMeshes[0]->mNumVertices; ++i) {
            minZ = std::min(minZ, scene->mMeshes[0]->mVertices[i].z);
        }
        EXPECT_FLOAT_EQ(minZ, -4.0f);
    }
    const std::vector<unsigned char> stl = testsupport::readBytes(dir.file("box.stl"));
    ASSERT_EQ(stl.size(), 84u + 12u * 50u);
    EXPECT_NE(std::string(stl.begin(), stl.begin() + 5), "solid");
}

TEST(MeshFormats, GlbPassesTheStrictReaderAndCarriesItsTextureAndCoordinates) {
    TempDir dir;
    const Image texture = twoToneTexture();
    const std::string path = writeTexturedBox(dir, "box.glb", MeshFormat::Glb, texture);

    testsupport::GlbMesh glb;
    std::string faults;
    ASSERT_TRUE(testsupport::readGlb(path, glb, faults)) << faults;
    EXPECT_EQ(glb.indices.size(), 36u);
    EXPECT_EQ(glb.textureMimeType, "image/png");
    ASSERT_EQ(glb.texture.width, 12);
    ASSERT_EQ(glb.texture.height, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 12; ++x) {
            const Rgb expected = texture.pixel(x, y);
            const unsigned char* got = &glb.texture.pixels[(static_cast<std::size_t>(y) * 12 + x) * 4];
            ASSERT_EQ(got[0], expected.red);
            ASSERT_EQ(got[1], expected.green);
            ASSERT_EQ(got[2], expected.blue);
        }
    }
    // Every face has its own texture column: 6 faces x 4 corners, and glTF's
    // v runs from the top, so upper vertices sample green.
    ASSERT_EQ(glb.uvs.size(), 24u);
    for (std::size_t i = 0; i < glb.positions.size(); ++i) {
        const bool top = glb.positions[i][1] > 2.0f;
        EXPECT_FLOAT_EQ(glb.uvs[i][1], top ? 0.25f : 0.75f) << i;
    }

    Assimp::Importer importer;
    const aiScene* scene = readScene(importer, path);
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->mNumTextures, 1u);
    const aiMesh& read = *scene->mMeshes[0];
    EXPECT_TRUE(read.HasTextureCoords(0));
    aiString reference;
    const aiMaterial& material = *scene->mMaterials[read.mMaterialIndex];
    const bool named = material.GetTexture(aiTextureType_DIFFUSE, 0, &reference) == AI_SUCCESS ||
                       material.GetTexture(aiTextureType_BASE_COLOR, 0, &reference) == AI_SUCCESS;
    ASSERT_TRUE(named);
    EXPECT_EQ(reference.C_Str()[0], '*');  // an embedded texture
    const Shape shape = shapeOf(read);
    EXPECT_EQ(shape.openOrMisorientedEdges, 0);
    EXPECT_NEAR(shape.volume, 8.0, 1e-4);
}

TEST(MeshFormats, PlyColoursAreSampledFromTheTextureOnlyWhenThereIsOne) {
    TempDir dir;
    const Image texture = twoToneTexture();
    const std::string coloured = writeTexturedBox(dir, "coloured.ply", MeshFormat::Ply, texture);
    MeshTexture withImage;
    withImage.image = &texture;
    const std::string text = testsupport::readText(coloured);
    EXPECT_EQ(text.rfind("ply\nformat binary_little_endian 1.0\n", 0), 0u);

    Assimp::Importer importer;
    const aiScene* scene = readScene(importer, coloured);
    ASSERT_NE(scene, nullptr);
    const aiMesh& read = *scene->mMeshes[0];
    ASSERT_TRUE(read.HasVertexColors(0));
    for (unsigned i = 0; i < read.mNumVertices; ++i) {
        const aiColor4D& c = read.mColors[0][i];
        if (read.mVertices[i].y > 2.0f) {
            EXPECT_NEAR(c.g, 200.0f / 255.0f, 0.01f) << i;
            EXPECT_NEAR(c.b, 0.0f, 0.01f) << i;
        } else {
            EXPECT_NEAR(c.b, 1.0f, 0.01f) << i;
            EXPECT_NEAR(c.g, 0.0f, 0.01f) << i;
        }
    }

    // Texture coordinates without a texture image, or a texture without
    // coordinates: no colours.
    for (const auto& [name, mesh, image] : {std::tuple{"no_image", exportBox(true), MeshTexture{}},
                                            std::tuple{"no_coordinates", exportBox(false), withImage}}) {
        SCOPED_TRACE(name);
        const std::string plain = dir.file(std::string(name) + ".ply");
        ASSERT_TRUE(exportMesh(mesh, str(plain), MeshFormat::Ply, image).written);
        EXPECT_EQ(testsupport::readText(plain).find("property uchar red"), std::string::npos);
        Assimp::Importer again;
        const aiScene* back = readScene(again, plain);
        ASSERT_NE(back, nullptr);
        EXPECT_FALSE(back->mMeshes[0]->HasVertexColors(0));
        EXPECT_EQ(shapeOf(*back->mMeshes[0]).openOrMisorientedEdges, 0);
    }
}

TEST(MeshFormats, PointsThatAreNotNumbersNeverReachAFile) {
    TempDir dir;
    ExportMesh mesh = exportBox(true);
    mesh.positions.push_back({NAN, 0.0f, 1.0f});
    mesh.normals.push_back({0.0f, 1.0f, 0.0f});
    ExportMesh::Triangle broken;
    broken.corner[0] = 0;
    broken.corner[1] = 8;
    broken.corner[2] = 1;
    mesh.triangles.push_back(broken);
    mesh.triangles[0].u[1] = INFINITY;
    const Image texture = twoToneTexture();
    MeshTexture withImage;
    withImage.image = &texture;
    for (const auto& [name, format] : {std::pair{"nan.glb", MeshFormat::Glb}, std::pair{"nan.obj", MeshFormat::Obj}}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        ASSERT_TRUE(exportMesh(mesh, str(path), format, withImage).written);
        const std::string text = testsupport::readText(path);
        EXPECT_EQ(text.find("nan"), std::string::npos);
        EXPECT_EQ(text.find("inf"), std::string::npos);
    }
    testsupport::GlbMesh glb;
    std::string faults;
    ASSERT_TRUE(testsupport::readGlb(dir.file("nan.glb"), glb, faults)) << faults;
    EXPECT_EQ(glb.indices.size(), 36u);
}

TEST(MeshFormats, TheStrictReaderRefusesDamagedFiles) {
    TempDir dir;
    const Image texture = twoToneTexture();
    const std::string path = writeTexturedBox(dir, "box.glb", MeshFormat::Glb, texture);
    const std::vector<unsigned char> good = testsupport::readBytes(path);

    const auto damaged = [&](const std::string& name, auto change) {
        std::vector<unsigned char> bytes = good;
        change(bytes);
        const std::string file = dir.file(name + ".glb");
        testsupport::writeBytes(file, bytes.data(), bytes.size());
        testsupport::GlbMesh mesh;
        std::string faults;
        EXPECT_FALSE(testsupport::readGlb(file, mesh, faults)) << name;
        EXPECT_FALSE(faults.empty()) << name;
    };
    damaged("magic", [](std::vector<unsigned char>& b) { b[0] = 'x'; });
    damaged("total_length", [](std::vector<unsigned char>& b) { b[8] += 4; });
    damaged("truncated", [](std::vector<unsigned char>& b) { b.resize(b.size() - 4); });
    damaged("bounds", [](std::vector<unsigned char>& b) {
        const std::string text(b.begin(), b.end());
        const std::size_t at = text.find("\"max\":[");
        b[at + 7] = b[at + 7] == '9' ? '8' : '9';  // the x bound no longer matches the data
    });
    damaged("accessor_count", [](std::vector<unsigned char>& b) {
        const std::string text(b.begin(), b.end());
        const std::size_t at = text.find("\"count\":36");
        b[at + 8] = '9';  // 96 indices: past the end of the index view
    });
}

TEST(MeshFormats, DialogFiltersAndFileEndingsNameTheFiveFormats) {
    const std::tuple<int, const char*, MeshFormat> table[] = {
        {1, ".obj", MeshFormat::Obj}, {2, ".wrl", MeshFormat::Vrml}, {3, ".glb", MeshFormat::Glb},
        {4, ".ply", MeshFormat::Ply}, {5, ".stl", MeshFormat::Stl},  {6, ".obj", MeshFormat::Obj},
    };
    for (const auto& [filter, ending, format] : table) {
        SCOPED_TRACE(filter);
        EXPECT_STREQ(meshExtensionForFilter(filter), ending);
        EXPECT_EQ(meshFormatForFilter(filter), format);
        EXPECT_STREQ(meshFileNameForFilter(str("head"), filter).text(), (std::string("head") + ending).c_str());
        MeshFormat read = MeshFormat::Stl;
        ASSERT_TRUE(meshFormatOfName(str(std::string("a/b") + ending), read));
        EXPECT_EQ(read, format);
    }
    MeshFormat unused = MeshFormat::Obj;
    EXPECT_FALSE(meshFormatOfName(str("b.GLB"), unused));
    EXPECT_TRUE(formatCarriesTexture(MeshFormat::Glb));
    EXPECT_TRUE(formatCarriesTexture(MeshFormat::Ply));
    EXPECT_FALSE(formatCarriesTexture(MeshFormat::Obj));
    EXPECT_FALSE(formatUsesTexture(MeshFormat::Stl));
}
