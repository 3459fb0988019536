// Text3d: a mesh of extruded text. The glyph outlines of the "Arial" face (or
// the installed face standing in for it) are flattened to within 0.001 em,
// the front and back caps are triangulated (holes kept open) and joined by
// side walls, giving one closed solid per glyph. One em is one unit; the
// front cap lies in the plane z = 0 facing −z, the back cap in z = 0.4 facing
// +z; the text starts at x = 0 on the baseline y = 0.
//
// When no font can be found or read, the reason is logged at "Text3d" and
// the mesh stays empty.
#pragma once

#include "core/string.h"
#include "render/font_lookup.h"
#include "render/scene/mesh.h"

#include <vector>

// The extruded text before it is cut into chunks: position-normal vertices
// and triangles (index triples).
struct ExtrudedText {
    std::vector<VertexPN> vertices;
    std::vector<uint32_t> indices;
    // Vertices and indices of every glyph end here (glyphs are never split
    // across chunks).
    std::vector<size_t> glyphVertexEnds;
    std::vector<size_t> glyphIndexEnds;
};

// Builds the extruded form of `text` (bytes taken as Latin-1 characters) in
// the face of `font`. False with a reason in `error` when the font cannot be
// read.
bool buildExtrudedText(const String& text, const FontFile& font, double deviation, float extrusion,
                       ExtrudedText& result, String& error);

class Text3d : public Mesh {
public:
    static constexpr const char* kFace = "Arial";
    static constexpr double kDeviation = 0.001;
    static constexpr float kExtrusion = 0.4f;

    // Builds the mesh for `text`; `resolver` finds the font file.
    Text3d(gfx::GraphicsDevice& device, const String& text, const FontResolver& resolver = findFontFile);

    const String& text() const { return text_; }

    static int classType();

private:
    void build(const FontResolver& resolver);

    String text_;
};
