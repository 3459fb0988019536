// Shared by the mesh file writers: the mesh turned into the frame files are
// written in, and the safe whole-file write. Not for use outside the writers.
#pragma once

#include "core/math3d.h"
#include "core/string.h"
#include "sculpt/mesh_export.h"

#include <cstdint>
#include <string>
#include <vector>

class Image;

namespace meshexport {

// The mesh as it goes into a file: right-handed, Y up, counter-clockwise
// fronts, unit outward normals, v measured from the bottom of the texture.
struct OutputMesh {
    std::vector<D3DXVECTOR3> positions;
    std::vector<D3DXVECTOR3> normals;
    std::vector<ExportMesh::Triangle> triangles;
    bool textured = false;
};

// Mirrors Z, reverses the windings (so fronts stay outside) and flips v;
// leaves out triangles with a corner out of range or not a number (such
// points are written at the origin, used by nothing); texture coordinates
// that are not numbers become 0. A mesh whose triangles
// face inwards as a whole is turned outside out. Every normal is of unit
// length (a vertex without a usable one takes its faces' average, and one
// without usable faces points up).
OutputMesh toOutputFrame(const ExportMesh& mesh);

// The unit normal of the output triangle (counter-clockwise front); zero for
// a degenerate one.
D3DXVECTOR3 faceNormal(const OutputMesh& mesh, const ExportMesh::Triangle& triangle);

// Writes `bytes` over `path` safely (temporary file, then rename) and adds
// the path to result.files; on failure sets result.error to a line naming
// the file and the system's reason.
bool writeWhole(const String& path, const std::string& bytes, MeshExportResult& result);

// Binary files (each an implementation of exportMesh for its format).
std::string glbBytes(const OutputMesh& mesh, const Image* texture, std::string& error);
std::string plyBytes(const OutputMesh& mesh, const Image* texture);
std::string stlBytes(const OutputMesh& mesh);

}  // namespace meshexport
