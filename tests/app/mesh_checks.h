// Checks of exported sculptures shared by the end-to-end tests: readers of
// the OBJ and VRML files the program writes (independent of its writer),
// closedness and orientation, the silhouette a mesh casts into a picture,
// and the colours its texture shows on a side.
//
// Meshes are held as `testsupport::GlbMesh`: positions in the files' right-
// handed frame (the program's z negated), texture coordinates with v running
// down the texture (as in glTF), the texture decoded.
#pragma once

#include "core/string.h"
#include "image/image.h"
#include "render/image_file.h"
#include "sculpt/clipping.h"
#include "support/glb_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace meshchecks {

using testsupport::GlbMesh;

// The model's vertex in the program's own (left-handed) frame.
inline D3DXVECTOR3 programFrame(const std::array<float, 3>& p) { return {p[0], p[1], -p[2]}; }

struct Edges {
    // Directed edges without a reverse used as often.
    int openOrMisoriented = 0;
    double volume = 0.0;
};

// Welds by position and checks every directed edge against its reverse.
inline Edges edgesOf(const GlbMesh& mesh) {
    std::map<std::tuple<float, float, float>, int> welded;
    std::vector<int> id(mesh.positions.size());
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        const auto& p = mesh.positions[i];
        id[i] = welded.emplace(std::make_tuple(p[0], p[1], p[2]), static_cast<int>(welded.size())).first->second;
    }
    std::map<std::pair<int, int>, int> directed;
    Edges edges;
    for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        const auto& a = mesh.positions[mesh.indices[t]];
        const auto& b = mesh.positions[mesh.indices[t + 1]];
        const auto& c = mesh.positions[mesh.indices[t + 2]];
        edges.volume += (a[0] * (b[1] * c[2] - b[2] * c[1]) + a[1] * (b[2] * c[0] - b[0] * c[2]) +
                         a[2] * (b[0] * c[1] - b[1] * c[0])) / 6.0;
        for (int k = 0; k < 3; ++k) ++directed[{id[mesh.indices[t + k]], id[mesh.indices[t + (k + 1) % 3]]}];
    }
    // Closed and consistently oriented: each directed edge is met by its
    // reverse as often as it is used (twice where two parts of the surface
    // touch along an edge).
    for (const auto& [edge, count] : directed) {
        const auto reverse = directed.find({edge.second, edge.first});
        if (reverse == directed.end() || reverse->second != count) ++edges.openOrMisoriented;
    }
    return edges;
}

// The model's silhouette in the picture of `clipping` (512 pixels square):
// every pixel whose centre falls inside a projected triangle.
inline std::vector<bool> silhouette(const GlbMesh& mesh, const Clipping& clipping, const Image& mask) {
    const int side = mask.width();
    const int usableX = 510 - mask.marginRight;
    const int usableY = 510 - mask.marginBottom;
    std::vector<bool> covered(static_cast<std::size_t>(side) * side, false);
    std::vector<std::array<float, 2>> projected(mesh.positions.size());
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        const std::optional<ClipPoint> p = clipping.projectPoint(programFrame(mesh.positions[i]));
        projected[i] = p ? std::array<float, 2>{p->u, p->w} : std::array<float, 2>{-1e9f, -1e9f};
    }
    for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        const auto& a = projected[mesh.indices[t]];
        const auto& b = projected[mesh.indices[t + 1]];
        const auto& c = projected[mesh.indices[t + 2]];
        const float area = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
        if (std::fabs(area) < 1e-9f) continue;
        const float low[2] = {std::min({a[0], b[0], c[0]}), std::min({a[1], b[1], c[1]})};
        const float high[2] = {std::max({a[0], b[0], c[0]}), std::max({a[1], b[1], c[1]})};
        // Grid cell i = round(u - 1.5) is pixel x = usableX - i.
        for (int y = 0; y < side; ++y) {
            const float w = static_cast<float>(usableY - y) + 1.5f;
            if (w < low[1] || w > high[1]) continue;
            for (int x = 0; x < side; ++x) {
                const float u = static_cast<float>(usableX - x) + 1.5f;
                if (u < low[0] || u > high[0]) continue;
                const float e0 = (b[0] - a[0]) * (w - a[1]) - (b[1] - a[1]) * (u - a[0]);
                const float e1 = (c[0] - b[0]) * (w - b[1]) - (c[1] - b[1]) * (u - b[0]);
                const float e2 = (a[0] - c[0]) * (w - c[1]) - (a[1] - c[1]) * (u - c[0]);
                if ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0)) {
                    covered[static_cast<std::size_t>(y) * side + x] = true;
                }
            }
        }
    }
    return covered;
}

inline double intersectionOverUnion(const std::vector<bool>& model, const Image& mask) {
    long long both = 0, either = 0;
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) {
            const bool a = model[static_cast<std::size_t>(y) * mask.width() + x];
            const bool b = mask.isSet(x, y);
            both += a && b;
            either += a || b;
        }
    }
    return either == 0 ? 0.0 : static_cast<double>(both) / static_cast<double>(either);
}

struct Rgbf {
    float r, g, b;
};

inline Rgbf textureAt(const GlbMesh& mesh, float u, float v) {
    const int x = std::clamp(static_cast<int>(u * mesh.texture.width), 0, mesh.texture.width - 1);
    const int y = std::clamp(static_cast<int>(v * mesh.texture.height), 0, mesh.texture.height - 1);
    const unsigned char* p = &mesh.texture.pixels[(static_cast<std::size_t>(y) * mesh.texture.width + x) * 4];
    return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
}

// The share of the triangles whose centroid (in the program's frame)
// satisfies `where` that show a texture colour satisfying `looks`; -1 when
// there are none.
template <typename Where, typename Looks>
double shareLooking(const GlbMesh& mesh, Where where, Looks looks) {
    int inside = 0, matching = 0;
    for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        D3DXVECTOR3 centre(0, 0, 0);
        float u = 0.0f, v = 0.0f;
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t i = mesh.indices[t + k];
            centre += programFrame(mesh.positions[i]) * (1.0f / 3.0f);
            u += mesh.uvs[i][0] / 3.0f;
            v += mesh.uvs[i][1] / 3.0f;
        }
        if (!where(centre)) continue;
        ++inside;
        matching += looks(textureAt(mesh, u, v)) ? 1 : 0;
    }
    return inside == 0 ? -1.0 : static_cast<double>(matching) / inside;
}

// The colours of the sample mug: a yellow handle, a red body, a blue saucer.
inline bool looksYellow(const Rgbf& c) { return c.g > 50 && c.r >= 0.8f * c.g && c.b < 0.55f * c.g; }
inline bool looksRed(const Rgbf& c) { return c.r > c.g + 40 && c.r > c.b + 40; }
inline bool looksBlue(const Rgbf& c) { return c.b > c.r + 30 && c.b > c.g; }

// The sample mug's colours where they belong, for a mesh `scale` times the
// size the sample's pictures show: the yellow handle sticks out towards +x,
// the red body's far side is at -x, the blue saucer lies below. The
// texturing paints what each picture sees of the carved hull, which is
// larger than the mug where no silhouette cuts it, so the shares are
// compared side against side rather than demanded whole.
inline void expectMugColours(const GlbMesh& mesh, float scale) {
    const float s = scale;
    const auto handleSide = [&](const D3DXVECTOR3& p) { return p.x > 200.0f * s && std::fabs(p.y) < 60.0f * s; };
    const auto otherSide = [&](const D3DXVECTOR3& p) { return p.x < -150.0f * s && std::fabs(p.y) < 60.0f * s; };
    const auto low = [&](const D3DXVECTOR3& p) {
        return p.y < -150.0f * s && std::hypot(p.x + 34.0f * s, p.z) > 180.0f * s;
    };
    const auto high = [&](const D3DXVECTOR3& p) { return p.y > 100.0f * s; };
    EXPECT_GE(shareLooking(mesh, handleSide, looksYellow), 0.45);
    EXPECT_LE(shareLooking(mesh, otherSide, looksYellow), 0.05);
    EXPECT_GE(shareLooking(mesh, otherSide, looksRed), 0.6);
    EXPECT_LE(shareLooking(mesh, handleSide, looksRed), 0.4);
    EXPECT_GE(shareLooking(mesh, low, looksBlue), 0.1);
    EXPECT_LE(shareLooking(mesh, high, looksBlue), 0.02);
}

// --- readers of the exported files ----------------------------------------------

namespace detail {

// Each corner of a triangle becomes its own vertex (OBJ and VRML give every
// corner its own texture coordinate); closedness is judged on welded
// positions anyway.
inline void addCorner(GlbMesh& mesh, const std::vector<std::array<float, 3>>& points,
                      const std::vector<std::array<float, 2>>& uvs, long point, long uv, std::string& error) {
    if (point < 0 || point >= static_cast<long>(points.size()) || (uv >= static_cast<long>(uvs.size()))) {
        error += "corner out of range; ";
        mesh.positions.push_back({0, 0, 0});
        mesh.uvs.push_back({0, 0});
    } else {
        mesh.positions.push_back(points[static_cast<std::size_t>(point)]);
        const std::array<float, 2> t = uv >= 0 ? uvs[static_cast<std::size_t>(uv)] : std::array<float, 2>{0, 0};
        mesh.uvs.push_back({t[0], 1.0f - t[1]});
    }
    mesh.indices.push_back(static_cast<std::uint32_t>(mesh.indices.size()));
}

inline bool loadTexture(const std::string& folder, const std::string& name, GlbMesh& mesh, std::string& error) {
    String why;
    if (decodeImageFile(String((folder + "/" + name).c_str()), mesh.texture, why)) return true;
    error += "texture " + name + ": " + std::string(why.text()) + "; ";
    return false;
}

// The numbers of the first "[...]" list after `key`, commas as spaces.
inline std::vector<double> numbersAfter(const std::string& text, const std::string& key) {
    std::vector<double> numbers;
    const std::size_t at = text.find(key);
    if (at == std::string::npos) return numbers;
    const std::size_t open = text.find('[', at);
    const std::size_t close = text.find(']', open);
    if (open == std::string::npos || close == std::string::npos) return numbers;
    std::string list = text.substr(open + 1, close - open - 1);
    std::replace(list.begin(), list.end(), ',', ' ');
    std::istringstream in(list);
    double value = 0.0;
    while (in >> value) numbers.push_back(value);
    return numbers;
}

// The quoted name after `key` ("mtllib x", "url \"x\"").
inline std::string wordAfter(const std::string& text, const std::string& key) {
    const std::size_t at = text.find(key);
    if (at == std::string::npos) return "";
    std::size_t begin = at + key.size();
    while (begin < text.size() && (text[begin] == ' ' || text[begin] == '"')) ++begin;
    std::size_t end = begin;
    while (end < text.size() && text[end] != '"' && text[end] != '\n' && text[end] != '\r') ++end;
    return text.substr(begin, end - begin);
}

}  // namespace detail

// Reads an OBJ of triangles "f v/vt/vn" with its .mtl's "map_Kd" texture.
inline bool readObj(const std::string& path, GlbMesh& mesh, std::string& error) {
    mesh = GlbMesh();
    const std::string text = testsupport::readText(path);
    const std::string folder = std::filesystem::path(path).parent_path().string();
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<float, 2>> uvs;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        if (kind == "v") {
            std::array<float, 3> p{};
            in >> p[0] >> p[1] >> p[2];
            points.push_back(p);
        } else if (kind == "vt") {
            std::array<float, 2> t{};
            in >> t[0] >> t[1];
            uvs.push_back(t);
        } else if (kind == "f") {
            std::string corner;
            int corners = 0;
            while (in >> corner) {
                long point = 0, uv = 0;
                const std::size_t slash = corner.find('/');
                point = std::stol(corner.substr(0, slash)) - 1;
                uv = slash != std::string::npos && slash + 1 < corner.size() && corner[slash + 1] != '/'
                         ? std::stol(corner.substr(slash + 1)) - 1
                         : -1;
                detail::addCorner(mesh, points, uvs, point, uv, error);
                ++corners;
            }
            if (corners != 3) error += "a face of " + std::to_string(corners) + " corners; ";
        }
    }
    const std::string library = detail::wordAfter(text, "mtllib ");
    if (!library.empty()) {
        const std::string texture = detail::wordAfter(testsupport::readText(folder + "/" + library), "map_Kd ");
        if (!texture.empty()) detail::loadTexture(folder, texture, mesh, error);
    }
    if (mesh.indices.empty()) error += "no triangles; ";
    return error.empty();
}

// Reads the IndexedFaceSet of a VRML 2.0 file with its ImageTexture.
inline bool readVrml(const std::string& path, GlbMesh& mesh, std::string& error) {
    mesh = GlbMesh();
    const std::string text = testsupport::readText(path);
    if (text.rfind("#VRML V2.0 utf8\n", 0) != 0) error += "no VRML 2.0 header; ";
    const std::string folder = std::filesystem::path(path).parent_path().string();
    std::vector<std::array<float, 3>> points;
    const std::vector<double> coordinates = detail::numbersAfter(text, "coord Coordinate");
    for (std::size_t i = 0; i + 2 < coordinates.size(); i += 3)
        points.push_back({static_cast<float>(coordinates[i]), static_cast<float>(coordinates[i + 1]),
                          static_cast<float>(coordinates[i + 2])});
    std::vector<std::array<float, 2>> uvs;
    const std::vector<double> texCoordinates = detail::numbersAfter(text, "texCoord TextureCoordinate");
    for (std::size_t i = 0; i + 1 < texCoordinates.size(); i += 2)
        uvs.push_back({static_cast<float>(texCoordinates[i]), static_cast<float>(texCoordinates[i + 1])});
    const std::vector<double> corners = detail::numbersAfter(text, "coordIndex");
    const std::vector<double> texCorners = detail::numbersAfter(text, "texCoordIndex");
    for (std::size_t i = 0; i + 3 < corners.size(); i += 4) {
        if (corners[i + 3] != -1.0) error += "a face of more than three corners; ";
        for (std::size_t k = 0; k < 3; ++k) {
            const long uv = i + k < texCorners.size() ? static_cast<long>(texCorners[i + k]) : -1;
            detail::addCorner(mesh, points, uvs, static_cast<long>(corners[i + k]), uv, error);
        }
    }
    const std::string texture = detail::wordAfter(text, "ImageTexture { url ");
    if (!texture.empty()) detail::loadTexture(folder, texture, mesh, error);
    if (mesh.indices.empty()) error += "no triangles; ";
    return error.empty();
}

}  // namespace meshchecks
