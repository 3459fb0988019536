// Writing the sculpted mesh as a Wavefront OBJ or VRML 2.0 file.
//
// The sculpture lives in the program's left-handed frame (Y up, Z away from
// the viewer). Files are written the way other tools expect them:
// right-handed with Y up, so Z is mirrored and every triangle's winding is
// reversed to keep its front side outside; normals point outwards; texture
// v is measured from the bottom of the texture image.
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

enum class MeshFormat { Obj, Vrml };

struct MeshExportResult {
    bool written = false;
    // The files written: the mesh, and for OBJ with a texture the ".mtl".
    std::vector<String> files;
    // One line saying what failed; empty on success.
    String error;
};

// Writes `mesh` to `path` in `format`. `textureFile` (may be empty) is the
// texture image's file name; with it and texture coordinates, OBJ gets a
// material file (path with its extension replaced by ".mtl") naming the
// texture, VRML an ImageTexture. The texture is named relative to the mesh
// file's folder when it lies in that folder, else as given.
// Triangles with an index out of range are left out. An empty mesh, a path
// that cannot be written or a failed rename gives written = false and no file.
MeshExportResult exportMesh(const ExportMesh& mesh, const String& path, MeshFormat format,
                            const String& textureFile = String());

// The format of a file name by its last four characters (case-sensitive):
// ".obj" or ".wrl"; false for anything else.
bool meshFormatOfName(const String& path, MeshFormat& format);

// --- names chosen in the save dialogs ---------------------------------------------

// The mesh file name for the save dialog's filter index (1 "obj", 2 "wrl"):
// the filter's extension is appended unless the name already ends with it
// (exact, case-sensitive). Any other index counts as 1.
String meshFileNameForFilter(const String& chosen, int filterIndex);
// The extension of the mesh dialog's filter index: ".obj" for 1, ".wrl" for 2.
const char* meshExtensionForFilter(int filterIndex);

// The texture file name for the texture dialog's filter index in the order
// ".bmp", ".dds", ".dib", ".jpg", ".png", ".ppm", ".tga" (1 to 7): appended
// unless the name already ends with it. Any other index counts as 1.
String textureFileNameForFilter(const String& chosen, int filterIndex);
const char* textureExtensionForFilter(int filterIndex);

// --- geometry helpers (also used to check written files) -------------------------------

// The mesh's signed volume in its own (left-handed, clockwise-front) frame:
// positive when the triangles face outwards.
double signedVolumeLeftHanded(const ExportMesh& mesh);
