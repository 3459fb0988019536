// Writing the sculpted mesh: Wavefront OBJ, VRML 2.0, binary glTF 2.0
// (.glb), binary PLY and binary STL.
//
// The sculpture lives in the program's left-handed frame (Y up, Z away from
// the viewer). Files are written the way other tools expect them:
// right-handed with Y up, so Z is mirrored and every triangle's winding is
// reversed to keep its front side outside; normals point outwards; texture
// v is measured from the bottom of the texture image (OBJ, VRML) or from its
// top (glTF, as that format defines it).
//
// What each format carries:
//   OBJ   positions, normals; with a texture file, texture coordinates and a
//         ".mtl" beside it naming the texture
//   VRML  positions, normals; with a texture file, texture coordinates and an
//         ImageTexture naming it
//   GLB   positions, normals; with a texture image, texture coordinates and
//         the texture itself embedded as PNG (one self-contained file)
//   PLY   binary little-endian: positions, normals, and with a texture image
//         a colour per vertex sampled from it
//   STL   binary: one facet normal and three corners per triangle
//
// Files are written beside their final name first and renamed into place
// when complete, so an existing file is never left half-written.
#pragma once

#include "core/math3d.h"
#include "core/string.h"

#include <cstdint>
#include <vector>

// A mesh ready for writing: compact arrays without gaps, in the program's
// own (left-handed) frame.
struct ExportMesh {
    struct Triangle {
        // Indices into positions / normals; the front side is the one whose
        // corners run clockwise when seen from outside (left-handed).
        std::uint32_t corner[3] = {0, 0, 0};
        // Texture coordinates of the three corners, v measured from the top.
        float u[3] = {0.0f, 0.0f, 0.0f};
        float v[3] = {0.0f, 0.0f, 0.0f};
    };
    std::vector<D3DXVECTOR3> positions;
    // One per position; a zero or non-finite normal is replaced by the
    // average of the faces around the vertex.
    std::vector<D3DXVECTOR3> normals;
    std::vector<Triangle> triangles;
    // True when the texture coordinates mean something (a texture exists).
    bool hasTextureCoordinates = false;
};

class SculptMesh;

// The non-null vertices and triangles of a sculpt mesh, renumbered without
// gaps (a triangle with a corner that is not in the vertex array is left
// out). Its triangles E, F, G face outwards along (G - E) x (F - E); they are
// stored as E, G, F. `textured`: the triangles' texture coordinates are taken.
ExportMesh exportMeshOf(const SculptMesh& mesh, bool textured);

enum class MeshFormat { Obj, Vrml, Glb, Ply, Stl };

class Image;

// The texture that goes with a mesh file.
struct MeshTexture {
    // The texture image file saved with the mesh (may be empty): OBJ and VRML
    // name it.
    String fileName;
    // The texture itself (may be null or invalid): GLB embeds it, PLY takes
    // its vertex colours from it. OBJ, VRML and STL ignore it.
    const Image* image = nullptr;
};

struct MeshExportResult {
    bool written = false;
    // The files written: the mesh, and for OBJ with a texture the ".mtl".
    std::vector<String> files;
    // One line saying what failed; empty on success.
    String error;
};

// Writes `mesh` to `path` in `format`. With texture coordinates and
// `texture.fileName`, OBJ gets a material file (path with its extension
// replaced by ".mtl") naming the texture, VRML an ImageTexture; the texture
// is named relative to the mesh file's folder when it lies in that folder,
// else as given. With texture coordinates and a valid `texture.image`, GLB
// embeds the texture and PLY gets vertex colours (without them neither has
// any). Triangles with an index out of range are left out. An empty mesh, a
// mesh too large for its format, a path that cannot be written or a failed
// rename gives written = false, the reason in `error`, and leaves any file
// already at `path` as it was.
MeshExportResult exportMesh(const ExportMesh& mesh, const String& path, MeshFormat format,
                            const MeshTexture& texture);
// The same with only a texture file name (OBJ and VRML).
MeshExportResult exportMesh(const ExportMesh& mesh, const String& path, MeshFormat format,
                            const String& textureFile = String());

// The format of a file name by its last four characters (case-sensitive):
// ".obj", ".wrl", ".glb", ".ply" or ".stl"; false for anything else.
bool meshFormatOfName(const String& path, MeshFormat& format);
// True when the format carries the texture inside the mesh file (GLB
// embeds it, PLY takes colours from it), so no texture file is needed.
bool formatCarriesTexture(MeshFormat format);
// True when the format can use a texture at all (every one but STL).
bool formatUsesTexture(MeshFormat format);

// --- names chosen in the save dialogs ---------------------------------------------

// Number of types in the mesh save dialog: "obj", "wrl", then the further
// formats "glb", "ply" and "stl".
inline constexpr int kMeshFilterCount = 5;

// The mesh file name for the save dialog's filter index (1 "obj", 2 "wrl",
// 3 "glb", 4 "ply", 5 "stl"): the filter's extension is appended unless the
// name already ends with it (exact, case-sensitive). Any other index counts
// as 1.
String meshFileNameForFilter(const String& chosen, int filterIndex);
// The extension of the mesh dialog's filter index (".obj" for 1 ... ".stl"
// for 5; any other index ".obj").
const char* meshExtensionForFilter(int filterIndex);
// The format of the mesh dialog's filter index (any other index: OBJ).
MeshFormat meshFormatForFilter(int filterIndex);

// The texture file name for the texture dialog's filter index in the order
// ".bmp", ".dds", ".dib", ".jpg", ".png", ".ppm", ".tga" (1 to 7): appended
// unless the name already ends with it. Any other index counts as 1.
String textureFileNameForFilter(const String& chosen, int filterIndex);
const char* textureExtensionForFilter(int filterIndex);

// --- geometry helpers (also used to check written files) -------------------------------

// The mesh's signed volume in its own (left-handed, clockwise-front) frame:
// positive when the triangles face outwards.
double signedVolumeLeftHanded(const ExportMesh& mesh);
