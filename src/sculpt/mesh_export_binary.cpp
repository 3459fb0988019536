// The binary mesh files: glTF 2.0 in its binary container (.glb), PLY and
// STL. Each is built in memory and written in one piece by exportMesh.
//
// Every number is written little-endian, as the three formats require.
#include "image/image.h"
#include "sculpt/mesh_export_frame.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

static_assert(std::endian::native == std::endian::little, "the binary mesh writers assume a little-endian host");

namespace meshexport {
namespace {

// --- bytes ------------------------------------------------------------------------------

template <typename T>
void put(std::string& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void putVector(std::string& out, const D3DXVECTOR3& v) {
    put(out, v.x);
    put(out, v.y);
    put(out, v.z);
}

void putBigEndian32(std::string& out, std::uint32_t value) {
    const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8), static_cast<char>(value)};
    out.append(bytes, 4);
}

void padTo4(std::string& out, char filler) { out.append((4 - out.size() % 4) % 4, filler); }

// Appends printf-formatted text.
template <typename... Args>
void print(std::string& text, const char* format, Args... args) {
    char buffer[256];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    if (length > 0) text.append(buffer, static_cast<std::size_t>(std::min<int>(length, sizeof buffer - 1)));
}

// --- PNG ----------------------------------------------------------------------------------

void putPngChunk(std::string& out, const char type[4], const std::string& data) {
    putBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.append(type, 4);
    out += data;
    const auto* checked = reinterpret_cast<const Bytef*>(out.data() + typeAt);
    putBigEndian32(out, static_cast<std::uint32_t>(crc32(0L, checked, static_cast<uInt>(data.size() + 4))));
}

// The image as an 8-bit RGB PNG: every row filtered with "Up" (the
// difference to the row above), compressed by zlib at a fast level. Empty
// when the image is invalid or zlib fails.
std::string pngBytes(const Image& image) {
    const unsigned char* pixels = image.bytes();
    if (pixels == nullptr || image.width() < 1 || image.height() < 1) return std::string();
    const std::size_t rowBytes = static_cast<std::size_t>(image.width()) * 3;
    std::string filtered;
    filtered.resize((rowBytes + 1) * static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        unsigned char* out = reinterpret_cast<unsigned char*>(filtered.data()) + (rowBytes + 1) * y;
        const unsigned char* row = pixels + rowBytes * y;
        out[0] = 2;  // Up
        if (y == 0) {
            std::memcpy(out + 1, row, rowBytes);
        } else {
            const unsigned char* above = row - rowBytes;
            for (std::size_t i = 0; i < rowBytes; ++i) out[1 + i] = static_cast<unsigned char>(row[i] - above[i]);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(filtered.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(filtered.data()), static_cast<uLong>(filtered.size()),
                  Z_BEST_SPEED) != Z_OK) {
        return std::string();
    }
    packed.resize(packedSize);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    putBigEndian32(header, static_cast<std::uint32_t>(image.width()));
    putBigEndian32(header, static_cast<std::uint32_t>(image.height()));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no interlace
    putPngChunk(png, "IHDR", header);
    putPngChunk(png, "IDAT", packed);
    putPngChunk(png, "IEND", std::string());
    return png;
}

// --- texture sampling -----------------------------------------------------------------------

struct Colour {
    float r = 0.0f, g = 0.0f, b = 0.0f;
};

// Bilinear sample at (u, v), v measured from the bottom, clamped at the edges.
Colour sample(const Image& texture, float u, float v) {
    const unsigned char* pixels = texture.bytes();
    const int w = texture.width();
    const int h = texture.height();
    if (!std::isfinite(u) || !std::isfinite(v)) u = v = 0.0f;
    const float x = std::clamp(u * static_cast<float>(w) - 0.5f, 0.0f, static_cast<float>(w - 1));
    const float y = std::clamp((1.0f - v) * static_cast<float>(h) - 0.5f, 0.0f, static_cast<float>(h - 1));
    const int x0 = static_cast<int>(x);
    const int y0 = static_cast<int>(y);
    const int x1 = std::min(x0 + 1, w - 1);
    const int y1 = std::min(y0 + 1, h - 1);
    const float fx = x - static_cast<float>(x0);
    const float fy = y - static_cast<float>(y0);
    const auto at = [&](int px, int py, int channel) {
        return static_cast<float>(pixels[(static_cast<std::size_t>(py) * w + px) * 3 + channel]);
    };
    float channels[3];
    for (int c = 0; c < 3; ++c) {
        const float top = at(x0, y0, c) * (1.0f - fx) + at(x1, y0, c) * fx;
        const float bottom = at(x0, y1, c) * (1.0f - fx) + at(x1, y1, c) * fx;
        channels[c] = top * (1.0f - fy) + bottom * fy;
    }
    return {channels[0], channels[1], channels[2]};
}

// The colour of every vertex: the average of the texture at the corners
// that meet there; grey for a vertex no triangle uses.
std::vector<Colour> vertexColours(const OutputMesh& mesh, const Image& texture) {
    std::vector<Colour> sums(mesh.positions.size());
    std::vector<int> counts(mesh.positions.size(), 0);
    for (const ExportMesh::Triangle& triangle : mesh.triangles) {
        for (int k = 0; k < 3; ++k) {
            const Colour c = sample(texture, triangle.u[k], triangle.v[k]);
            Colour& sum = sums[triangle.corner[k]];
            sum.r += c.r;
            sum.g += c.g;
            sum.b += c.b;
            ++counts[triangle.corner[k]];
        }
    }
    for (std::size_t i = 0; i < sums.size(); ++i) {
        if (counts[i] == 0) {
            sums[i] = {128.0f, 128.0f, 128.0f};
        } else {
            const float n = static_cast<float>(counts[i]);
            sums[i] = {sums[i].r / n, sums[i].g / n, sums[i].b / n};
        }
    }
    return sums;
}

std::uint8_t toByte(float value) { return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 255.0f))); }

// --- glTF -----------------------------------------------------------------------------------

// The vertices as glTF wants them: one texture coordinate per vertex, so a
// vertex whose corners carry different coordinates is split into one copy
// per distinct pair.
struct GltfVertices {
    std::vector<std::uint32_t> source;  // output-mesh vertex of each glTF vertex
    std::vector<float> uv;              // two per vertex (textured only), v from the top
    std::vector<std::uint32_t> indices; // three per triangle
};

GltfVertices gltfVertices(const OutputMesh& mesh, bool textured) {
    GltfVertices out;
    out.indices.reserve(mesh.triangles.size() * 3);
    if (!textured) {
        out.source.resize(mesh.positions.size());
        for (std::size_t i = 0; i < out.source.size(); ++i) out.source[i] = static_cast<std::uint32_t>(i);
        for (const ExportMesh::Triangle& t : mesh.triangles) out.indices.insert(out.indices.end(), t.corner, t.corner + 3);
        return out;
    }
    constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
    // First copy of each vertex, and the next copy of the same vertex.
    std::vector<std::uint32_t> first(mesh.positions.size(), kNone);
    std::vector<std::uint32_t> next;
    out.source.reserve(mesh.positions.size() * 3 / 2);
    out.uv.reserve(mesh.positions.size() * 3);
    next.reserve(mesh.positions.size() * 3 / 2);
    for (const ExportMesh::Triangle& t : mesh.triangles) {
        for (int k = 0; k < 3; ++k) {
            const float u = t.u[k];
            const float v = 1.0f - t.v[k];
            // Walk the copies of this vertex; `last` is the one whose link
            // would take a new copy.
            std::uint32_t copy = first[t.corner[k]];
            std::uint32_t last = kNone;
            while (copy != kNone && !(out.uv[copy * 2] == u && out.uv[copy * 2 + 1] == v)) {
                last = copy;
                copy = next[copy];
            }
            if (copy == kNone) {
                copy = static_cast<std::uint32_t>(out.source.size());
                out.source.push_back(t.corner[k]);
                out.uv.push_back(u);
                out.uv.push_back(v);
                next.push_back(kNone);
                (last == kNone ? first[t.corner[k]] : next[last]) = copy;
            }
            out.indices.push_back(copy);
        }
    }
    return out;
}

struct BufferView {
    std::size_t offset = 0;
    std::size_t length = 0;
    int target = 0;  // 0: none (the image)
};

// Appends `bytes` to the binary chunk at a 4-byte boundary.
BufferView addView(std::string& bin, const void* bytes, std::size_t length, int target) {
    padTo4(bin, '\0');
    BufferView view{bin.size(), length, target};
    bin.append(static_cast<const char*>(bytes), length);
    return view;
}

std::string viewJson(const BufferView& view) {
    std::string json;
    print(json, "{\"buffer\":0,\"byteOffset\":%zu,\"byteLength\":%zu", view.offset, view.length);
    if (view.target != 0) print(json, ",\"target\":%d", view.target);
    return json + "}";
}

}  // namespace

std::string glbBytes(const OutputMesh& mesh, const Image* texture, std::string& error) {
    constexpr int kArrayBuffer = 34962;
    constexpr int kElementArrayBuffer = 34963;
    const bool textured = texture != nullptr && mesh.textured;
    const GltfVertices vertices = gltfVertices(mesh, textured);
    const std::size_t count = vertices.source.size();
    if (count == 0 || count > std::numeric_limits<std::uint32_t>::max() - 1) {
        error = "the mesh has no vertices or too many for the format";
        return std::string();
    }

    std::vector<float> positions(count * 3);
    std::vector<float> normals(count * 3);
    float low[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                    std::numeric_limits<float>::max()};
    float high[3] = {-low[0], -low[1], -low[2]};
    for (std::size_t i = 0; i < count; ++i) {
        const D3DXVECTOR3& p = mesh.positions[vertices.source[i]];
        const D3DXVECTOR3& n = mesh.normals[vertices.source[i]];
        const float xyz[3] = {p.x, p.y, p.z};
        for (int c = 0; c < 3; ++c) {
            positions[i * 3 + c] = xyz[c];
            low[c] = std::min(low[c], xyz[c]);
            high[c] = std::max(high[c], xyz[c]);
        }
        normals[i * 3] = n.x;
        normals[i * 3 + 1] = n.y;
        normals[i * 3 + 2] = n.z;
    }
    std::string png;
    if (textured) {
        png = pngBytes(*texture);
        if (png.empty()) {
            error = "the texture could not be encoded";
            return std::string();
        }
    }

    std::string bin;
    bin.reserve(count * 32 + vertices.indices.size() * 4 + png.size() + 16);
    const BufferView positionView = addView(bin, positions.data(), positions.size() * 4, kArrayBuffer);
    const BufferView normalView = addView(bin, normals.data(), normals.size() * 4, kArrayBuffer);
    BufferView uvView;
    if (textured) uvView = addView(bin, vertices.uv.data(), vertices.uv.size() * 4, kArrayBuffer);
    const BufferView indexView =
        addView(bin, vertices.indices.data(), vertices.indices.size() * 4, kElementArrayBuffer);
    BufferView imageView;
    if (textured) imageView = addView(bin, png.data(), png.size(), 0);
    padTo4(bin, '\0');

    std::string json = "{\"asset\":{\"version\":\"2.0\",\"generator\":\"Plastora\"},\"scene\":0,"
                       "\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"name\":\"sculpture\",\"mesh\":0}],";
    json += "\"meshes\":[{\"name\":\"sculpture\",\"primitives\":[{\"attributes\":{\"POSITION\":0,\"NORMAL\":1";
    if (textured) json += ",\"TEXCOORD_0\":2";
    print(json, "},\"indices\":%d,\"material\":0,\"mode\":4}]}],", textured ? 3 : 2);
    if (textured) {
        json += "\"materials\":[{\"name\":\"sculpture\",\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0},"
                "\"metallicFactor\":0,\"roughnessFactor\":1}}],";
        json += "\"textures\":[{\"sampler\":0,\"source\":0}],"
                "\"samplers\":[{\"magFilter\":9729,\"minFilter\":9729,\"wrapS\":33071,\"wrapT\":33071}],";
        print(json, "\"images\":[{\"bufferView\":%d,\"mimeType\":\"image/png\"}],", 4);
    } else {
        json += "\"materials\":[{\"name\":\"sculpture\",\"pbrMetallicRoughness\":{\"baseColorFactor\":[0.8,0.8,0.8,1],"
                "\"metallicFactor\":0,\"roughnessFactor\":1}}],";
    }
    json += "\"accessors\":[";
    print(json, "{\"bufferView\":0,\"componentType\":5126,\"count\":%zu,\"type\":\"VEC3\",", count);
    print(json, "\"min\":[%.9g,%.9g,%.9g],", static_cast<double>(low[0]), static_cast<double>(low[1]),
          static_cast<double>(low[2]));
    print(json, "\"max\":[%.9g,%.9g,%.9g]},", static_cast<double>(high[0]), static_cast<double>(high[1]),
          static_cast<double>(high[2]));
    print(json, "{\"bufferView\":1,\"componentType\":5126,\"count\":%zu,\"type\":\"VEC3\"},", count);
    if (textured) print(json, "{\"bufferView\":2,\"componentType\":5126,\"count\":%zu,\"type\":\"VEC2\"},", count);
    print(json, "{\"bufferView\":%d,\"componentType\":5125,\"count\":%zu,\"type\":\"SCALAR\"}],", textured ? 3 : 2,
          vertices.indices.size());
    json += "\"bufferViews\":[" + viewJson(positionView) + "," + viewJson(normalView) + ",";
    if (textured) json += viewJson(uvView) + ",";
    json += viewJson(indexView);
    if (textured) json += "," + viewJson(imageView);
    print(json, "],\"buffers\":[{\"byteLength\":%zu}]}", bin.size());
    padTo4(json, ' ');

    const std::size_t total = 12 + 8 + json.size() + 8 + bin.size();
    if (total > std::numeric_limits<std::uint32_t>::max()) {
        error = "the mesh is too large for a binary glTF file (4 GiB)";
        return std::string();
    }
    std::string glb;
    glb.reserve(total);
    put<std::uint32_t>(glb, 0x46546C67u);  // "glTF"
    put<std::uint32_t>(glb, 2u);
    put<std::uint32_t>(glb, static_cast<std::uint32_t>(total));
    put<std::uint32_t>(glb, static_cast<std::uint32_t>(json.size()));
    put<std::uint32_t>(glb, 0x4E4F534Au);  // "JSON"
    glb += json;
    put<std::uint32_t>(glb, static_cast<std::uint32_t>(bin.size()));
    put<std::uint32_t>(glb, 0x004E4942u);  // "BIN\0"
    glb += bin;
    return glb;
}

// --- PLY ----------------------------------------------------------------------------------

std::string plyBytes(const OutputMesh& mesh, const Image* texture) {
    const bool coloured = texture != nullptr && mesh.textured;
    std::string ply = "ply\nformat binary_little_endian 1.0\ncomment Plastora sculpture\n";
    print(ply, "element vertex %zu\n", mesh.positions.size());
    ply += "property float x\nproperty float y\nproperty float z\n"
           "property float nx\nproperty float ny\nproperty float nz\n";
    if (coloured) ply += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    print(ply, "element face %zu\n", mesh.triangles.size());
    ply += "property list uchar uint vertex_indices\nend_header\n";

    const std::vector<Colour> colours = coloured ? vertexColours(mesh, *texture) : std::vector<Colour>();
    ply.reserve(ply.size() + mesh.positions.size() * 27 + mesh.triangles.size() * 13);
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        putVector(ply, mesh.positions[i]);
        putVector(ply, mesh.normals[i]);
        if (coloured) {
            put(ply, toByte(colours[i].r));
            put(ply, toByte(colours[i].g));
            put(ply, toByte(colours[i].b));
        }
    }
    for (const ExportMesh::Triangle& t : mesh.triangles) {
        put<std::uint8_t>(ply, 3);
        for (std::uint32_t corner : t.corner) put(ply, corner);
    }
    return ply;
}

// --- STL ----------------------------------------------------------------------------------

std::string stlBytes(const OutputMesh& mesh) {
    // The header must not start with "solid", which would announce the text form.
    std::string stl = "Plastora sculpture (binary STL)";
    stl.resize(80, '\0');
    put(stl, static_cast<std::uint32_t>(mesh.triangles.size()));
    stl.reserve(84 + mesh.triangles.size() * 50);
    for (const ExportMesh::Triangle& t : mesh.triangles) {
        putVector(stl, faceNormal(mesh, t));
        for (std::uint32_t corner : t.corner) putVector(stl, mesh.positions[corner]);
        put<std::uint16_t>(stl, 0);
    }
    return stl;
}

}  // namespace meshexport
