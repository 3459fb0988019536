// A strict reader of binary glTF files, written from the format's rules and
// independent of the program's writer: it checks the container (magic,
// version, chunk lengths and types, padding) and the document (every
// buffer view inside the buffer, every accessor inside its view with a
// known type, POSITION bounds equal to the data, indices inside the vertex
// range, unit normals, texture references that resolve) and hands out the
// first primitive's data.
#pragma once

#include "render/image_file.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct GlbMesh {
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 3>> normals;
    std::vector<std::array<float, 2>> uvs;  // empty without TEXCOORD_0
    std::vector<std::uint32_t> indices;     // three per triangle
    // The base colour texture, decoded; empty (width 0) without one.
    RgbaImage texture;
    std::string textureMimeType;
};

// Reads and validates `path`; false with every fault found in `error`.
bool readGlb(const std::string& path, GlbMesh& mesh, std::string& error);

}  // namespace testsupport
