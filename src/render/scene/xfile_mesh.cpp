#include "render/scene/xfile_mesh.h"

#include "render/texture.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cstdio>
#include <string>

namespace {

// The reader turns models into right-handed space; ConvertToLeftHanded turns
// positions, winding and texture coordinates back to what the file holds.
constexpr unsigned kImportSteps = aiProcess_Triangulate | aiProcess_PreTransformVertices | aiProcess_SortByPType |
                                  aiProcess_SplitLargeMeshes | aiProcess_ValidateDataStructure |
                                  aiProcess_ConvertToLeftHanded;

String joinPath(const String& directory, const String& name) {
    if (directory.length() == 0) return name;
    String path = directory;
    if (!path.endsWith("/")) path.append('/');
    return path.append(name);
}

// A file name as the model stores it, with forward slashes.
String normalisedName(const char* name) {
    String result(name);
    result.replaceAll("\\", "/");
    return result;
}

gfx::ColourValue colourOf(const aiMaterial& material, const char* key, unsigned type, unsigned index,
                          gfx::ColourValue fallback) {
    aiColor4D colour;
    if (aiGetMaterialColor(&material, key, type, index, &colour) != AI_SUCCESS) return fallback;
    return {colour.r, colour.g, colour.b, colour.a};
}

// The model's material with ambient set equal to diffuse.
gfx::Material convertMaterial(const aiMaterial& source) {
    gfx::Material material;
    material.diffuse = colourOf(source, AI_MATKEY_COLOR_DIFFUSE, material.diffuse);
    material.specular = colourOf(source, AI_MATKEY_COLOR_SPECULAR, material.specular);
    material.emissive = colourOf(source, AI_MATKEY_COLOR_EMISSIVE, material.emissive);
    float power = 0.0f;
    if (aiGetMaterialFloat(&source, AI_MATKEY_SHININESS, &power) == AI_SUCCESS) material.power = power;
    material.ambient = material.diffuse;
    return material;
}

// Vertex normals for a model that stores none: the sum of the front-face
// normals (cross(v1 − v0, v2 − v0), clockwise fronts) around each vertex.
void computeNormals(const aiMesh& mesh, std::vector<VertexPNT>& vertices) {
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices != 3) continue;
        VertexPNT& a = vertices[face.mIndices[0]];
        VertexPNT& b = vertices[face.mIndices[1]];
        VertexPNT& c = vertices[face.mIndices[2]];
        const D3DXVECTOR3 ab = b.position - a.position;
        const D3DXVECTOR3 ac = c.position - a.position;
        D3DXVECTOR3 normal;
        D3DXVec3Cross(&normal, &ab, &ac);
        a.normal += normal;
        b.normal += normal;
        c.normal += normal;
    }
    for (VertexPNT& vertex : vertices) D3DXVec3Normalize(&vertex.normal, &vertex.normal);
}

std::vector<VertexPNT> verticesOf(const aiMesh& mesh) {
    std::vector<VertexPNT> vertices(mesh.mNumVertices);
    const aiVector3D* uv = mesh.HasTextureCoords(0) ? mesh.mTextureCoords[0] : nullptr;
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
        VertexPNT& vertex = vertices[i];
        vertex.position = {mesh.mVertices[i].x, mesh.mVertices[i].y, mesh.mVertices[i].z};
        if (mesh.HasNormals()) vertex.normal = {mesh.mNormals[i].x, mesh.mNormals[i].y, mesh.mNormals[i].z};
        if (uv != nullptr) {
            vertex.u = uv[i].x;
            vertex.v = uv[i].y;
        }
    }
    if (!mesh.HasNormals()) computeNormals(mesh, vertices);
    return vertices;
}

std::vector<uint16_t> indicesOf(const aiMesh& mesh) {
    std::vector<uint16_t> indices;
    indices.reserve(static_cast<size_t>(mesh.mNumFaces) * 3);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices != 3) continue;
        for (unsigned k = 0; k < 3; ++k) indices.push_back(static_cast<uint16_t>(face.mIndices[k]));
    }
    return indices;
}

}  // namespace

int XFileMesh::classType() {
    static const int type = registerSceneClass();
    return type;
}

XFileMesh::XFileMesh(gfx::GraphicsDevice& device, const String& directory, const String& fileName)
    : Mesh(device, classType()), directory_(directory), fileName_(fileName) {
    const String path = joinPath(directory, fileName);
    loaded_ = load(path);
    if (!loaded_) std::printf("Could not load file: %s\n", path.text());
}

XFileMesh::~XFileMesh() = default;

bool XFileMesh::load(const String& path) {
    Assimp::Importer importer;
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    importer.SetPropertyInteger(AI_CONFIG_PP_SLM_VERTEX_LIMIT, 65535);
    importer.SetPropertyInteger(AI_CONFIG_PP_SLM_TRIANGLE_LIMIT, 21845);
    const aiScene* scene = importer.ReadFile(path.str(), kImportSteps);
    if (scene == nullptr || scene->mRootNode == nullptr) return false;

    for (unsigned m = 0; m < scene->mNumMaterials; ++m) {
        const aiMaterial& source = *scene->mMaterials[m];
        materials_.push_back(convertMaterial(source));
        textures_.emplace_back();
        aiString textureName;
        if (source.GetTexture(aiTextureType_DIFFUSE, 0, &textureName) == AI_SUCCESS && textureName.length > 0)
            loadTexture(static_cast<int>(m), normalisedName(textureName.C_Str()));
    }
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
        const aiMesh& mesh = *scene->mMeshes[i];
        if (mesh.mNumVertices == 0 || mesh.mNumVertices > 65536) continue;
        const std::vector<VertexPNT> vertices = verticesOf(mesh);
        const std::vector<uint16_t> indices = indicesOf(mesh);
        if (indices.empty()) continue;
        if (createBuffer(std::span<const VertexPNT>(vertices), indices))
            chunkSubsets_.push_back(static_cast<int>(mesh.mMaterialIndex));
    }
    return true;
}

void XFileMesh::loadTexture(int subset, const String& textureName) {
    const String path = joinPath(directory_, textureName);
    auto texture = std::make_unique<Texture>(device(), path);
    if (texture->isEmpty()) {
        std::printf("could not load: %s\n", path.text());
        return;
    }
    textures_[static_cast<size_t>(subset)] = std::move(texture);
}

void XFileMesh::setSubsetTexture(int subset) {
    const Texture* texture = overrideTexture_ != nullptr ? overrideTexture_ : subsetTexture(subset);
    if (texture != nullptr)
        texture->bind(0);
    else
        device().setTexture({});
}

void XFileMesh::drawSubset(int subset) {
    for (int c = 0; c < chunkCount(); ++c)
        if (chunkSubsets_[static_cast<size_t>(c)] == subset) drawChunk(chunk(c));
}

void XFileMesh::render() {
    setMaterialOnDevice();
    applyRenderstates(device());
    setWorldMatrixOnDevice();
    setTexturesOnDevice();
    setSamplerFilters();
    gfx::GraphicsDevice& target = device();
    target.setRenderState(gfx::RenderState::AlphaBlendEnable, 1);
    target.setRenderState(gfx::RenderState::SrcBlend, gfx::kBlendSrcAlpha);
    target.setRenderState(gfx::RenderState::DestBlend, gfx::kBlendInvSrcAlpha);
    if (materials_.empty()) {
        drawSubset(0);
        return;
    }
    target.setRenderState(gfx::RenderState::ZEnable, 1);
    target.setRenderState(gfx::RenderState::ZWriteEnable, 1);
    for (int subset = 0; subset < materialCount(); ++subset) {
        target.setMaterial(overrideMaterial_ ? *overrideMaterial_ : materials_[static_cast<size_t>(subset)]);
        setSubsetTexture(subset);
        drawSubset(subset);
    }
}
