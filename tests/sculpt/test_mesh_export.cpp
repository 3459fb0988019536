// Mesh export: files written for the sculpture are read back by an
// independent reader and must open the right way round.
#include "sculpt/mesh_export.h"

#include "export_box.h"

#include "support/test_support.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

namespace {

// A cube of edge 2 around (1, 2, 3), its faces clockwise seen from outside
// (the program's left-handed convention).
ExportMesh cube() { return exportBox(false); }

ExportMesh tetrahedron() {
    ExportMesh mesh;
    mesh.positions = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 10}};
    const std::uint32_t faces[4][3] = {{0, 1, 3}, {0, 2, 1}, {0, 3, 2}, {1, 2, 3}};
    for (const auto& f : faces) {
        ExportMesh::Triangle t;
        for (int k = 0; k < 3; ++k) t.corner[k] = f[k];
        mesh.triangles.push_back(t);
    }
    if (signedVolumeLeftHanded(mesh) < 0.0) {
        for (auto& t : mesh.triangles) std::swap(t.corner[1], t.corner[2]);
    }
    return mesh;  // no normals: the exporter derives them
}

struct ReadBack {
    unsigned vertices = 0;
    unsigned faces = 0;
    double signedVolume = 0.0;   // right-handed, counter-clockwise fronts
    int inwardNormals = 0;
    double minZ = 1e30, maxZ = -1e30;
};

double dot(const aiVector3D& a, const aiVector3D& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

ReadBack readWithAssimp(const std::string& path) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, aiProcess_JoinIdenticalVertices | aiProcess_ValidateDataStructure);
    ReadBack result;
    EXPECT_NE(scene, nullptr) << importer.GetErrorString();
    if (scene == nullptr) return result;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        result.vertices += mesh->mNumVertices;
        result.faces += mesh->mNumFaces;
        aiVector3D centre(0, 0, 0);
        for (unsigned i = 0; i < mesh->mNumVertices; ++i) centre += mesh->mVertices[i];
        centre /= static_cast<float>(mesh->mNumVertices);
        for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
            result.minZ = std::min<double>(result.minZ, mesh->mVertices[i].z);
            result.maxZ = std::max<double>(result.maxZ, mesh->mVertices[i].z);
            if (mesh->HasNormals() && dot(mesh->mNormals[i], mesh->mVertices[i] - centre) <= 0.0) {
                ++result.inwardNormals;
            }
        }
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            EXPECT_EQ(face.mNumIndices, 3u);
            if (face.mNumIndices != 3) continue;
            const aiVector3D& a = mesh->mVertices[face.mIndices[0]];
            const aiVector3D& b = mesh->mVertices[face.mIndices[1]];
            const aiVector3D& c = mesh->mVertices[face.mIndices[2]];
            result.signedVolume += dot(a, b ^ c) / 6.0;
        }
        EXPECT_TRUE(mesh->HasNormals());
    }
    return result;
}

// A small reader of the VRML IndexedFaceSet written here (assimp of this
// system reads no VRML 2.0): the numbers of the "point [...]" list of the
// Coordinate node and of "coordIndex [...]".
std::vector<double> numbersAfter(const std::string& text, const std::string& key) {
    std::vector<double> numbers;
    const std::size_t at = text.find(key);
    if (at == std::string::npos) return numbers;
    const std::size_t open = text.find('[', at);
    const std::size_t close = text.find(']', open);
    std::string list = text.substr(open + 1, close - open - 1);
    for (char& c : list) {
        if (c == ',') c = ' ';
    }
    std::istringstream in(list);
    double value = 0.0;
    while (in >> value) numbers.push_back(value);
    return numbers;
}

ReadBack readVrml(const std::string& path) {
    const std::string text = testsupport::readText(path);
    EXPECT_EQ(text.rfind("#VRML V2.0 utf8\n", 0), 0u);
    const std::vector<double> points = numbersAfter(text, "coord Coordinate");
    const std::vector<double> normals = numbersAfter(text, "normal Normal");
    const std::vector<double> indices = numbersAfter(text, "coordIndex");
    ReadBack result;
    result.vertices = static_cast<unsigned>(points.size() / 3);
    EXPECT_EQ(normals.size(), points.size());
    double centre[3] = {0, 0, 0};
    for (std::size_t i = 0; i < points.size(); ++i) centre[i % 3] += points[i] / result.vertices;
    for (std::size_t v = 0; v + 2 < normals.size(); v += 3) {
        double along = 0.0;
        for (int k = 0; k < 3; ++k) along += normals[v + k] * (points[v + k] - centre[k]);
        if (along <= 0.0) ++result.inwardNormals;
    }
    for (std::size_t i = 0; i + 3 < indices.size(); i += 4) {
        EXPECT_EQ(indices[i + 3], -1.0);
        const double* p[3];
        for (int k = 0; k < 3; ++k) p[k] = &points[static_cast<std::size_t>(indices[i + k]) * 3];
        const double cx = p[1][1] * p[2][2] - p[1][2] * p[2][1];
        const double cy = p[1][2] * p[2][0] - p[1][0] * p[2][2];
        const double cz = p[1][0] * p[2][1] - p[1][1] * p[2][0];
        result.signedVolume += (p[0][0] * cx + p[0][1] * cy + p[0][2] * cz) / 6.0;
        ++result.faces;
    }
    return result;
}

String str(const std::string& text) { return String(text.c_str()); }

}  // namespace

TEST(MeshExport, ObjReadBackHasSameCountsOutwardFacesAndMirroredZ) {
    testsupport::TempDir dir;
    for (const auto& [name, mesh, volume] :
         {std::tuple{"cube", cube(), 8.0}, std::tuple{"tetrahedron", tetrahedron(), 1000.0 / 6.0}}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(std::string(name) + ".obj");
        const MeshExportResult result = exportMesh(mesh, str(path), MeshFormat::Obj);
        ASSERT_TRUE(result.written) << result.error.text();
        const ReadBack back = readWithAssimp(path);
        EXPECT_EQ(back.vertices, mesh.positions.size());
        EXPECT_EQ(back.faces, mesh.triangles.size());
        EXPECT_NEAR(back.signedVolume, volume, 1e-3);
        EXPECT_EQ(back.inwardNormals, 0);
        // Z is mirrored: the file's z range is the negated source range.
        double minZ = 1e30, maxZ = -1e30;
        for (const auto& p : mesh.positions) {
            minZ = std::min<double>(minZ, p.z);
            maxZ = std::max<double>(maxZ, p.z);
        }
        EXPECT_NEAR(back.minZ, -maxZ, 1e-5);
        EXPECT_NEAR(back.maxZ, -minZ, 1e-5);
    }
}

TEST(MeshExport, VrmlReadBackHasSameCountsAndOutwardFaces) {
    testsupport::TempDir dir;
    Assimp::Importer importer;
    for (const auto& [name, mesh, volume] :
         {std::tuple{"cube", cube(), 8.0}, std::tuple{"tetrahedron", tetrahedron(), 1000.0 / 6.0}}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(std::string(name) + ".wrl");
        ASSERT_TRUE(exportMesh(mesh, str(path), MeshFormat::Vrml).written);
        const ReadBack back = readVrml(path);
        EXPECT_EQ(back.vertices, mesh.positions.size());
        EXPECT_EQ(back.faces, mesh.triangles.size());
        EXPECT_NEAR(back.signedVolume, volume, 1e-3);
        EXPECT_EQ(back.inwardNormals, 0);
        if (importer.IsExtensionSupported(".wrl")) {
            const ReadBack assimp = readWithAssimp(path);
            EXPECT_EQ(assimp.faces, mesh.triangles.size());
            EXPECT_NEAR(assimp.signedVolume, volume, 1e-3);
        }
    }
}

TEST(MeshExport, InsideOutMeshAndBadNormalsAreWrittenOutwards) {
    testsupport::TempDir dir;
    ExportMesh mesh = cube();
    for (auto& t : mesh.triangles) std::swap(t.corner[1], t.corner[2]);
    for (auto& n : mesh.normals) n = -n;
    mesh.normals[3] = {NAN, 0.0f, 0.0f};
    const std::string path = dir.file("inside_out.obj");
    ASSERT_TRUE(exportMesh(mesh, str(path), MeshFormat::Obj).written);
    const ReadBack back = readWithAssimp(path);
    EXPECT_NEAR(back.signedVolume, 8.0, 1e-3);
    EXPECT_EQ(back.inwardNormals, 0);
}

TEST(MeshExport, TexturedObjNamesItsMaterialAndFlipsV) {
    testsupport::TempDir dir;
    ExportMesh mesh = tetrahedron();
    mesh.hasTextureCoordinates = true;
    for (auto& t : mesh.triangles) {
        for (int k = 0; k < 3; ++k) {
            t.u[k] = 0.25f;
            t.v[k] = 0.125f;  // near the top of the image
        }
    }
    const std::string path = dir.file("textured.obj");
    const MeshExportResult result = exportMesh(mesh, str(path), MeshFormat::Obj, str(dir.file("skin.bmp")));
    ASSERT_TRUE(result.written) << result.error.text();
    ASSERT_EQ(result.files.size(), 2u);
    EXPECT_NE(testsupport::readText(dir.file("textured.mtl")).find("map_Kd skin.bmp\n"), std::string::npos);

    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, aiProcess_ValidateDataStructure);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    const aiMesh* read = scene->mMeshes[0];
    ASSERT_TRUE(read->HasTextureCoords(0));
    EXPECT_NEAR(read->mTextureCoords[0][0].x, 0.25f, 1e-6);
    EXPECT_NEAR(read->mTextureCoords[0][0].y, 0.875f, 1e-6);
    aiString texture;
    ASSERT_EQ(scene->mMaterials[read->mMaterialIndex]->GetTexture(aiTextureType_DIFFUSE, 0, &texture), AI_SUCCESS);
    EXPECT_STREQ(texture.C_Str(), "skin.bmp");

    const std::string wrl = dir.file("textured.wrl");
    ASSERT_TRUE(exportMesh(mesh, str(wrl), MeshFormat::Vrml, str("/elsewhere/skin.bmp")).written);
    EXPECT_NE(testsupport::readText(wrl).find("url \"/elsewhere/skin.bmp\""), std::string::npos);
}

TEST(MeshExport, NothingIsWrittenForAnEmptyMeshOrAnUnwritablePath) {
    testsupport::TempDir dir;
    ExportMesh empty;
    const std::string path = dir.file("empty.obj");
    const MeshExportResult none = exportMesh(empty, str(path), MeshFormat::Obj);
    EXPECT_FALSE(none.written);
    EXPECT_GT(none.error.length(), 0);
    EXPECT_FALSE(testsupport::fileExists(path));

    ExportMesh broken = tetrahedron();
    for (auto& t : broken.triangles) t.corner[0] = 99;  // every triangle out of range
    EXPECT_FALSE(exportMesh(broken, str(path), MeshFormat::Obj).written);

    const MeshExportResult unwritable = exportMesh(cube(), str(dir.file("missing/folder/x.obj")), MeshFormat::Obj);
    EXPECT_FALSE(unwritable.written);
    EXPECT_GT(unwritable.error.length(), 0);

    // An existing file is replaced whole.
    ASSERT_TRUE(testsupport::writeText(path, "old"));
    ASSERT_TRUE(exportMesh(cube(), str(path), MeshFormat::Obj).written);
    EXPECT_EQ(readWithAssimp(path).faces, 12u);
}

TEST(MeshExport, DialogNamesTakeTheFilterExtensionCaseSensitively) {
    EXPECT_STREQ(meshFileNameForFilter(str("head"), 2).text(), "head.wrl");
    EXPECT_STREQ(meshFileNameForFilter(str("head.wrl"), 2).text(), "head.wrl");
    EXPECT_STREQ(meshFileNameForFilter(str("head.WRL"), 2).text(), "head.WRL.wrl");
    EXPECT_STREQ(meshFileNameForFilter(str("head.wrl"), 1).text(), "head.wrl.obj");
    EXPECT_STREQ(meshFileNameForFilter(str("head"), 0).text(), "head.obj");
    EXPECT_STREQ(textureFileNameForFilter(str("skin"), 7).text(), "skin.tga");
    EXPECT_STREQ(textureFileNameForFilter(str("skin.png"), 5).text(), "skin.png");
    EXPECT_STREQ(textureFileNameForFilter(str("skin.png"), 4).text(), "skin.png.jpg");
    EXPECT_STREQ(textureFileNameForFilter(str("skin"), 9).text(), "skin.bmp");
    MeshFormat format = MeshFormat::Obj;
    EXPECT_TRUE(meshFormatOfName(str("a/b.wrl"), format));
    EXPECT_EQ(format, MeshFormat::Vrml);
    EXPECT_FALSE(meshFormatOfName(str("a/b.OBJ"), format));
}
