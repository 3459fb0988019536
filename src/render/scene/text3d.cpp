#include "render/scene/text3d.h"

#include "core/logger.h"
#include "render/scene/polygon_triangulation.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Collects the flattened rings of one glyph outline (font units).
struct OutlineFlattener {
    std::vector<Ring> rings;
    Point2 current;
    double tolerance = 1.0;  // font units

    void moveTo(const Point2& p) {
        rings.emplace_back();
        rings.back().push_back(p);
        current = p;
    }
    void lineTo(const Point2& p) {
        if (rings.empty()) rings.emplace_back();
        rings.back().push_back(p);
        current = p;
    }
    // Segments so that the curve strays from them by at most the tolerance,
    // given the largest second difference of its control points.
    int segmentsFor(double secondDifference, double factor) const {
        const double n = std::ceil(std::sqrt(factor * secondDifference / tolerance));
        return std::clamp(static_cast<int>(n), 1, 256);
    }
    void conicTo(const Point2& control, const Point2& end) {
        const Point2 start = current;
        const double d = std::hypot(start.x - 2 * control.x + end.x, start.y - 2 * control.y + end.y);
        const int n = segmentsFor(d, 0.25);
        for (int i = 1; i <= n; ++i) {
            const double t = static_cast<double>(i) / n;
            const double a = (1 - t) * (1 - t), b = 2 * (1 - t) * t, c = t * t;
            lineTo({a * start.x + b * control.x + c * end.x, a * start.y + b * control.y + c * end.y});
        }
    }
    void cubicTo(const Point2& c1, const Point2& c2, const Point2& end) {
        const Point2 start = current;
        const double d1 = std::hypot(start.x - 2 * c1.x + c2.x, start.y - 2 * c1.y + c2.y);
        const double d2 = std::hypot(c1.x - 2 * c2.x + end.x, c1.y - 2 * c2.y + end.y);
        const int n = segmentsFor(std::max(d1, d2), 0.75);
        for (int i = 1; i <= n; ++i) {
            const double t = static_cast<double>(i) / n;
            const double u = 1 - t;
            const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, e = t * t * t;
            lineTo({a * start.x + b * c1.x + c * c2.x + e * end.x, a * start.y + b * c1.y + c * c2.y + e * end.y});
        }
    }
};

Point2 toPoint(const FT_Vector* v) { return {static_cast<double>(v->x), static_cast<double>(v->y)}; }
OutlineFlattener& flattener(void* user) { return *static_cast<OutlineFlattener*>(user); }

int onMoveTo(const FT_Vector* to, void* user) {
    flattener(user).moveTo(toPoint(to));
    return 0;
}
int onLineTo(const FT_Vector* to, void* user) {
    flattener(user).lineTo(toPoint(to));
    return 0;
}
int onConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    flattener(user).conicTo(toPoint(control), toPoint(to));
    return 0;
}
int onCubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    flattener(user).cubicTo(toPoint(c1), toPoint(c2), toPoint(to));
    return 0;
}

// Owns the FreeType library and face for one build.
struct FontSession {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FontSession() {
        if (face != nullptr) FT_Done_Face(face);
        if (library != nullptr) FT_Done_FreeType(library);
    }
};

// Appends the solid of one glyph (rings in em units, already cleaned and
// oriented) with its caps and walls.
class GlyphExtruder {
public:
    GlyphExtruder(ExtrudedText& out, float extrusion) : out_(out), extrusion_(extrusion) {}

    void extrude(const std::vector<Ring>& rings, const std::vector<std::array<int, 3>>& triangles, double penX) {
        std::vector<Point2> points;
        for (const Ring& ring : rings) points.insert(points.end(), ring.begin(), ring.end());
        addCap(points, triangles, penX, 0.0f, {0, 0, -1}, true);
        addCap(points, triangles, penX, extrusion_, {0, 0, 1}, false);
        for (const Ring& ring : rings) addWalls(ring, penX);
    }

private:
    uint32_t addVertex(const D3DXVECTOR3& position, const D3DXVECTOR3& normal) {
        out_.vertices.push_back({position, normal});
        return static_cast<uint32_t>(out_.vertices.size() - 1);
    }
    D3DXVECTOR3 at(const Point2& p, double penX, float z) const {
        return {static_cast<float>(p.x + penX), static_cast<float>(p.y), z};
    }
    void addTriangle(uint32_t a, uint32_t b, uint32_t c) {
        out_.indices.push_back(a);
        out_.indices.push_back(b);
        out_.indices.push_back(c);
    }

    // The front cap reverses the counter-clockwise triangles so that they
    // face −z; the back cap keeps them, facing +z.
    void addCap(const std::vector<Point2>& points, const std::vector<std::array<int, 3>>& triangles, double penX,
                float z, const D3DXVECTOR3& normal, bool reverse) {
        const uint32_t base = static_cast<uint32_t>(out_.vertices.size());
        for (const Point2& p : points) addVertex(at(p, penX, z), normal);
        for (const auto& t : triangles) {
            const uint32_t a = base + static_cast<uint32_t>(t[0]);
            const uint32_t b = base + static_cast<uint32_t>(t[1]);
            const uint32_t c = base + static_cast<uint32_t>(t[2]);
            if (reverse)
                addTriangle(a, c, b);
            else
                addTriangle(a, b, c);
        }
    }

    // One quad per ring edge, facing away from the filled side.
    void addWalls(const Ring& ring, double penX) {
        for (size_t i = 0; i < ring.size(); ++i) {
            const Point2& p = ring[i];
            const Point2& q = ring[(i + 1) % ring.size()];
            const double length = std::hypot(q.x - p.x, q.y - p.y);
            if (length == 0.0) continue;
            const D3DXVECTOR3 normal{static_cast<float>((q.y - p.y) / length),
                                     static_cast<float>(-(q.x - p.x) / length), 0.0f};
            const uint32_t pf = addVertex(at(p, penX, 0.0f), normal);
            const uint32_t qf = addVertex(at(q, penX, 0.0f), normal);
            const uint32_t pb = addVertex(at(p, penX, extrusion_), normal);
            const uint32_t qb = addVertex(at(q, penX, extrusion_), normal);
            addTriangle(pf, qf, pb);
            addTriangle(qf, qb, pb);
        }
    }

    ExtrudedText& out_;
    float extrusion_;
};

// The flattened rings of the glyph loaded in `face`, in em units.
std::vector<Ring> glyphRings(FT_Face face, double deviation) {
    OutlineFlattener flat;
    const double unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 1000.0;
    flat.tolerance = deviation * unitsPerEm;
    FT_Outline_Funcs funcs{};
    funcs.move_to = onMoveTo;
    funcs.line_to = onLineTo;
    funcs.conic_to = onConicTo;
    funcs.cubic_to = onCubicTo;
    if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &flat) != 0) return {};
    for (Ring& ring : flat.rings)
        for (Point2& p : ring) {
            p.x /= unitsPerEm;
            p.y /= unitsPerEm;
        }
    return std::move(flat.rings);
}

}  // namespace

bool buildExtrudedText(const String& text, const FontFile& font, double deviation, float extrusion,
                       ExtrudedText& result, String& error) {
    FontSession session;
    if (FT_Init_FreeType(&session.library) != 0) {
        error = "FreeType could not be started";
        return false;
    }
    if (FT_New_Face(session.library, font.path.text(), font.faceIndex, &session.face) != 0) {
        error = String("Could not read the font ").append(font.path);
        return false;
    }
    FT_Face face = session.face;
    if (!FT_IS_SCALABLE(face)) {
        error = String("The font has no outlines: ").append(font.path);
        return false;
    }
    const double unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 1000.0;
    result = ExtrudedText{};
    GlyphExtruder extruder(result, extrusion);
    double penX = 0.0;
    FT_UInt previous = 0;
    for (int i = 0; i < text.length(); ++i) {
        const auto character = static_cast<unsigned char>(text.text()[i]);
        if (character < 0x20) continue;
        const FT_UInt glyph = FT_Get_Char_Index(face, character);
        if (FT_HAS_KERNING(face) && previous != 0 && glyph != 0) {
            FT_Vector kerning{};
            if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNSCALED, &kerning) == 0)
                penX += static_cast<double>(kerning.x) / unitsPerEm;
        }
        previous = glyph;
        if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) continue;
        if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            std::vector<Ring> rings = glyphRings(face, deviation);
            const auto triangles = triangulateRings(rings);
            extruder.extrude(rings, triangles, penX);
            result.glyphVertexEnds.push_back(result.vertices.size());
            result.glyphIndexEnds.push_back(result.indices.size());
        }
        penX += static_cast<double>(face->glyph->advance.x) / unitsPerEm;
    }
    return true;
}

int Text3d::classType() {
    static const int type = registerSceneClass();
    return type;
}

Text3d::Text3d(gfx::GraphicsDevice& device, const String& text, const FontResolver& resolver)
    : Mesh(device, classType()), text_(text) {
    build(resolver);
}

void Text3d::build(const FontResolver& resolver) {
    FontFile font;
    String error;
    ExtrudedText solid;
    if (!resolver || !resolver(String(kFace), false, font, error) ||
        !buildExtrudedText(text_, font, kDeviation, kExtrusion, solid, error)) {
        Logger::instance().error("Text3d", error);
        return;
    }
    // Glyphs are gathered into chunks that 16-bit indices can address.
    constexpr size_t kMaxChunkVertices = 65536;
    size_t chunkVertexStart = 0, chunkIndexStart = 0;
    size_t lastVertexEnd = 0, lastIndexEnd = 0;
    auto flush = [&]() {
        if (lastIndexEnd == chunkIndexStart) return;
        std::vector<uint16_t> indices;
        for (size_t k = chunkIndexStart; k < lastIndexEnd; ++k)
            indices.push_back(static_cast<uint16_t>(solid.indices[k] - chunkVertexStart));
        createBuffer(std::span<const VertexPN>(solid.vertices.data() + chunkVertexStart, lastVertexEnd - chunkVertexStart),
                     indices);
        chunkVertexStart = lastVertexEnd;
        chunkIndexStart = lastIndexEnd;
    };
    for (size_t g = 0; g < solid.glyphVertexEnds.size(); ++g) {
        const size_t vertexEnd = solid.glyphVertexEnds[g];
        const size_t indexEnd = solid.glyphIndexEnds[g];
        if (vertexEnd - lastVertexEnd > kMaxChunkVertices) {  // a glyph too detailed to draw
            flush();
            chunkVertexStart = lastVertexEnd = vertexEnd;
            chunkIndexStart = lastIndexEnd = indexEnd;
            continue;
        }
        if (vertexEnd - chunkVertexStart > kMaxChunkVertices) flush();
        lastVertexEnd = vertexEnd;
        lastIndexEnd = indexEnd;
    }
    flush();
}
