#include "sculpt/mesh_export.h"

#include "core/file_io.h"
#include "image/image.h"
#include "sculpt/mesh_export_frame.h"
#include "sculpt/sculpt_mesh.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

using meshexport::OutputMesh;

namespace {

const char* const kMeshExtensions[kMeshFilterCount] = {".obj", ".wrl", ".glb", ".ply", ".stl"};
const MeshFormat kMeshFormats[kMeshFilterCount] = {MeshFormat::Obj, MeshFormat::Vrml, MeshFormat::Glb,
                                                   MeshFormat::Ply, MeshFormat::Stl};
const char* const kTextureExtensions[] = {".bmp", ".dds", ".dib", ".jpg", ".png", ".ppm", ".tga"};

D3DXVECTOR3 subtract(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

D3DXVECTOR3 cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y + static_cast<double>(a.z) * b.z;
}

bool isFinite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

D3DXVECTOR3 normalised(const D3DXVECTOR3& v) {
    const double length = std::sqrt(dot(v, v));
    if (!(length > 1e-20) || !std::isfinite(length)) return {0.0f, 0.0f, 0.0f};
    const float inverse = static_cast<float>(1.0 / length);
    return {v.x * inverse, v.y * inverse, v.z * inverse};
}

// A triangle whose corners are in range and finite.
bool isUsableTriangle(const ExportMesh::Triangle& triangle, const std::vector<D3DXVECTOR3>& positions) {
    for (std::uint32_t corner : triangle.corner) {
        if (corner >= positions.size() || !isFinite(positions[corner])) return false;
    }
    return true;
}

void swapCorners(ExportMesh::Triangle& triangle) {
    std::swap(triangle.corner[1], triangle.corner[2]);
    std::swap(triangle.u[1], triangle.u[2]);
    std::swap(triangle.v[1], triangle.v[2]);
}

// Area-weighted face normals summed at each vertex (in the output frame).
std::vector<D3DXVECTOR3> faceNormalsAtVertices(const OutputMesh& mesh) {
    std::vector<D3DXVECTOR3> sums(mesh.positions.size());
    for (const auto& triangle : mesh.triangles) {
        const D3DXVECTOR3& a = mesh.positions[triangle.corner[0]];
        const D3DXVECTOR3 n = cross(subtract(mesh.positions[triangle.corner[1]], a),
                                    subtract(mesh.positions[triangle.corner[2]], a));
        for (std::uint32_t corner : triangle.corner) sums[corner] += n;
    }
    return sums;
}

// Takes the given normals where they are usable, turned as a whole so that
// they agree with the faces; vertices without one take the faces' average.
void orientNormals(OutputMesh& out, const std::vector<D3DXVECTOR3>& given) {
    const std::vector<D3DXVECTOR3> faces = faceNormalsAtVertices(out);
    double agreement = 0.0;
    for (std::size_t i = 0; i < given.size() && i < faces.size(); ++i) {
        if (isFinite(given[i])) agreement += dot(normalised(given[i]), normalised(faces[i]));
    }
    const float sign = agreement < 0.0 ? -1.0f : 1.0f;
    out.normals.resize(out.positions.size());
    for (std::size_t i = 0; i < out.positions.size(); ++i) {
        D3DXVECTOR3 normal = i < given.size() && isFinite(given[i]) ? normalised(given[i]) : D3DXVECTOR3();
        if (dot(normal, normal) == 0.0) {
            normal = normalised(faces[i]);
            if (dot(normal, normal) == 0.0) normal = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        } else {
            normal *= sign;
        }
        out.normals[i] = normal;
    }
}

}  // namespace

OutputMesh meshexport::toOutputFrame(const ExportMesh& mesh) {
    OutputMesh out;
    out.textured = mesh.hasTextureCoordinates;
    out.positions.reserve(mesh.positions.size());
    // A point that is not a number is used by no triangle written; it is
    // kept (at the origin) so that the numbering stays.
    for (const D3DXVECTOR3& p : mesh.positions) {
        out.positions.push_back(isFinite(p) ? D3DXVECTOR3(p.x, p.y, -p.z) : D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    }
    const bool inwards = signedVolumeLeftHanded(mesh) < 0.0;
    for (ExportMesh::Triangle triangle : mesh.triangles) {
        if (!isUsableTriangle(triangle, mesh.positions)) continue;
        if (!inwards) swapCorners(triangle);
        for (int k = 0; k < 3; ++k) {
            if (!std::isfinite(triangle.u[k])) triangle.u[k] = 0.0f;
            triangle.v[k] = std::isfinite(triangle.v[k]) ? 1.0f - triangle.v[k] : 1.0f;
        }
        out.triangles.push_back(triangle);
    }
    std::vector<D3DXVECTOR3> given;
    given.reserve(mesh.normals.size());
    for (const D3DXVECTOR3& n : mesh.normals) given.push_back({n.x, n.y, -n.z});
    orientNormals(out, given);
    return out;
}

D3DXVECTOR3 meshexport::faceNormal(const OutputMesh& mesh, const ExportMesh::Triangle& triangle) {
    const D3DXVECTOR3& a = mesh.positions[triangle.corner[0]];
    return normalised(cross(subtract(mesh.positions[triangle.corner[1]], a),
                            subtract(mesh.positions[triangle.corner[2]], a)));
}

bool meshexport::writeWhole(const String& path, const std::string& bytes, MeshExportResult& result) {
    errno = 0;
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        result.error = String("The mesh is too large to be written to ").append(path);
        return false;
    }
    if (!replaceFile(path, bytes.data(), static_cast<int>(bytes.size()))) {
        const int reason = errno;
        result.error = String("Could not write ").append(path);
        if (reason != 0) result.error.append(String(": ")).append(String(std::strerror(reason)));
        return false;
    }
    result.files.push_back(path);
    return true;
}

namespace {

// Appends printf-formatted text.
template <typename... Args>
void print(std::string& text, const char* format, Args... args) {
    char buffer[160];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    if (length > 0) text.append(buffer, static_cast<std::size_t>(std::min<int>(length, sizeof buffer - 1)));
}

std::string_view folderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

// The texture as the mesh file refers to it: relative when it lies in the
// mesh's folder.
std::string textureReference(const String& meshPath, const String& textureFile) {
    const std::string_view folder = folderOf(meshPath.view());
    std::string_view texture = textureFile.view();
    if (folderOf(texture) == folder) texture.remove_prefix(folder.size());
    return std::string(texture);
}

// A name inside a quoted VRML string or an OBJ statement: quotes, backslashes
// and line breaks cannot be written there and become '_'.
std::string safeName(std::string name) {
    for (char& c : name) {
        if (c == '"' || c == '\\' || c == '\n' || c == '\r') c = '_';
    }
    return name;
}

String materialPath(const String& meshPath) {
    std::string path(meshPath.view());
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
    path += ".mtl";
    return String(static_cast<int>(path.size()), path.data());
}

std::string objText(const OutputMesh& mesh, const std::string& materialFile) {
    std::string text = "# Plastora sculpture\n";
    print(text, "# %zu vertices, %zu triangles\n", mesh.positions.size(), mesh.triangles.size());
    if (!materialFile.empty()) text += "mtllib " + materialFile + "\n";
    text += "o sculpture\n";
    for (const auto& p : mesh.positions) print(text, "v %.6f %.6f %.6f\n", p.x, p.y, p.z);
    for (const auto& n : mesh.normals) print(text, "vn %.6f %.6f %.6f\n", n.x, n.y, n.z);
    if (mesh.textured) {
        for (const auto& t : mesh.triangles) {
            for (int k = 0; k < 3; ++k) print(text, "vt %.6f %.6f\n", t.u[k], t.v[k]);
        }
    }
    if (!materialFile.empty()) text += "usemtl sculpture\n";
    text += "s 1\n";
    std::size_t corner = 1;
    for (const auto& t : mesh.triangles) {
        text += "f";
        for (int k = 0; k < 3; ++k) {
            const unsigned long vertex = t.corner[k] + 1ul;
            if (mesh.textured) {
                print(text, " %lu/%zu/%lu", vertex, corner++, vertex);
            } else {
                print(text, " %lu//%lu", vertex, vertex);
            }
        }
        text += "\n";
    }
    return text;
}

std::string mtlText(const std::string& texture) {
    return "# Plastora sculpture material\n"
           "newmtl sculpture\n"
           "Ka 1.000000 1.000000 1.000000\n"
           "Kd 1.000000 1.000000 1.000000\n"
           "Ks 0.000000 0.000000 0.000000\n"
           "d 1.000000\n"
           "illum 1\n"
           "map_Kd " + texture + "\n";
}

std::string vrmlText(const OutputMesh& mesh, const std::string& texture) {
    std::string text = "#VRML V2.0 utf8\n# Plastora sculpture\n";
    text += "Shape {\n  appearance Appearance {\n    material Material { diffuseColor 0.8 0.8 0.8 }\n";
    if (!texture.empty()) text += "    texture ImageTexture { url \"" + texture + "\" }\n";
    text += "  }\n  geometry IndexedFaceSet {\n    solid TRUE\n    ccw TRUE\n    creaseAngle 1.0\n";
    text += "    coord Coordinate {\n      point [\n";
    for (const auto& p : mesh.positions) print(text, "        %.6f %.6f %.6f,\n", p.x, p.y, p.z);
    text += "      ]\n    }\n    normal Normal {\n      vector [\n";
    for (const auto& n : mesh.normals) print(text, "        %.6f %.6f %.6f,\n", n.x, n.y, n.z);
    text += "      ]\n    }\n    normalPerVertex TRUE\n";
    if (mesh.textured) {
        text += "    texCoord TextureCoordinate {\n      point [\n";
        for (const auto& t : mesh.triangles) {
            for (int k = 0; k < 3; ++k) print(text, "        %.6f %.6f,\n", t.u[k], t.v[k]);
        }
        text += "      ]\n    }\n    texCoordIndex [\n";
        for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
            print(text, "      %zu, %zu, %zu, -1,\n", 3 * i, 3 * i + 1, 3 * i + 2);
        }
        text += "    ]\n";
    }
    text += "    coordIndex [\n";
    for (const auto& t : mesh.triangles) {
        print(text, "      %lu, %lu, %lu, -1,\n", static_cast<unsigned long>(t.corner[0]),
              static_cast<unsigned long>(t.corner[1]), static_cast<unsigned long>(t.corner[2]));
    }
    text += "    ]\n  }\n}\n";
    return text;
}

String withExtension(const String& chosen, const char* extension) {
    if (chosen.endsWith(extension)) return chosen;
    String name = chosen;
    return name.append(String(extension));
}

}  // namespace

ExportMesh exportMeshOf(const SculptMesh& mesh, bool textured) {
    ExportMesh out;
    out.hasTextureCoordinates = textured;
    std::vector<std::int64_t> renumbered(mesh.vertexSlots(), -1);
    for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
        if (!mesh.isVertex(v)) continue;
        renumbered[v] = static_cast<std::int64_t>(out.positions.size());
        out.positions.push_back(mesh.position(v));
        out.normals.push_back(mesh.normal(v));
    }
    // The new number of a vertex slot, -1 when it is not a live vertex.
    auto numberOf = [&](std::uint32_t v) -> std::int64_t { return v < renumbered.size() ? renumbered[v] : -1; };
    const std::vector<TriangleTexture>& textures = mesh.textureCoordinates();
    const bool hasTextures = textures.size() == mesh.triangleSlots();
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (!mesh.isTriangle(t)) continue;
        const MeshCreationTriangle& source = mesh.triangle(t);
        const std::int64_t e = numberOf(source.e);
        const std::int64_t f = numberOf(source.f);
        const std::int64_t g = numberOf(source.g);
        if (e < 0 || f < 0 || g < 0) continue;
        ExportMesh::Triangle triangle;
        const std::int64_t corners[3] = {e, g, f};
        const int from[3] = {0, 2, 1};
        for (int k = 0; k < 3; ++k) {
            triangle.corner[k] = static_cast<std::uint32_t>(corners[k]);
            triangle.u[k] = hasTextures ? textures[t].u[from[k]] : 0.0f;
            triangle.v[k] = hasTextures ? textures[t].v[from[k]] : 0.0f;
        }
        out.triangles.push_back(triangle);
    }
    return out;
}

double signedVolumeLeftHanded(const ExportMesh& mesh) {
    double volume = 0.0;
    for (const auto& triangle : mesh.triangles) {
        if (!isUsableTriangle(triangle, mesh.positions)) continue;
        const D3DXVECTOR3& a = mesh.positions[triangle.corner[0]];
        const D3DXVECTOR3& b = mesh.positions[triangle.corner[1]];
        const D3DXVECTOR3& c = mesh.positions[triangle.corner[2]];
        volume += dot(a, cross(b, c)) / 6.0;
    }
    return volume;
}

MeshExportResult exportMesh(const ExportMesh& mesh, const String& path, MeshFormat format,
                            const MeshTexture& texture) {
    using meshexport::writeWhole;
    MeshExportResult result;
    const OutputMesh out = meshexport::toOutputFrame(mesh);
    if (out.triangles.empty()) {
        result.error = String("There is no mesh to save in ").append(path);
        return result;
    }
    const Image* image = out.textured && texture.image != nullptr && texture.image->isValid() ? texture.image : nullptr;
    switch (format) {
        case MeshFormat::Glb: {
            std::string error;
            const std::string bytes = meshexport::glbBytes(out, image, error);
            if (bytes.empty()) {
                result.error = String("Could not write ").append(path).append(String(": ")).append(
                    String(error.c_str()));
                return result;
            }
            result.written = writeWhole(path, bytes, result);
            return result;
        }
        case MeshFormat::Ply: result.written = writeWhole(path, meshexport::plyBytes(out, image), result); return result;
        case MeshFormat::Stl: result.written = writeWhole(path, meshexport::stlBytes(out), result); return result;
        case MeshFormat::Obj:
        case MeshFormat::Vrml: break;
    }
    const String& textureFile = texture.fileName;
    const bool withTexture = out.textured && textureFile.length() > 0;
    const std::string textureName = withTexture ? safeName(textureReference(path, textureFile)) : std::string();
    if (format == MeshFormat::Vrml) {
        result.written = writeWhole(path, vrmlText(out, textureName), result);
        return result;
    }
    std::string materialReference;
    if (withTexture) {
        const String material = materialPath(path);
        if (!writeWhole(material, mtlText(textureName), result)) return result;
        materialReference = safeName(textureReference(path, material));
    }
    result.written = writeWhole(path, objText(out, materialReference), result);
    return result;
}

MeshExportResult exportMesh(const ExportMesh& mesh, const String& path, MeshFormat format, const String& textureFile) {
    MeshTexture texture;
    texture.fileName = textureFile;
    return exportMesh(mesh, path, format, texture);
}

bool meshFormatOfName(const String& path, MeshFormat& format) {
    for (int i = 0; i < kMeshFilterCount; ++i) {
        if (path.endsWith(kMeshExtensions[i])) {
            format = kMeshFormats[i];
            return true;
        }
    }
    return false;
}

bool formatCarriesTexture(MeshFormat format) { return format == MeshFormat::Glb || format == MeshFormat::Ply; }

bool formatUsesTexture(MeshFormat format) { return format != MeshFormat::Stl; }

namespace {
int meshFilterSlot(int filterIndex) { return filterIndex >= 1 && filterIndex <= kMeshFilterCount ? filterIndex - 1 : 0; }
}  // namespace

const char* meshExtensionForFilter(int filterIndex) { return kMeshExtensions[meshFilterSlot(filterIndex)]; }

MeshFormat meshFormatForFilter(int filterIndex) { return kMeshFormats[meshFilterSlot(filterIndex)]; }

String meshFileNameForFilter(const String& chosen, int filterIndex) {
    return withExtension(chosen, meshExtensionForFilter(filterIndex));
}

const char* textureExtensionForFilter(int filterIndex) {
    return kTextureExtensions[filterIndex >= 1 && filterIndex <= 7 ? filterIndex - 1 : 0];
}

String textureFileNameForFilter(const String& chosen, int filterIndex) {
    return withExtension(chosen, textureExtensionForFilter(filterIndex));
}
