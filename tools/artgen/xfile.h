// Triangle meshes for the 3D markers and their DirectX text (.x) form.
// Coordinates are left-handed like the rest of the scene; a face lists its
// corners clockwise as seen from outside, so that (b - a) x (c - a) points
// out of the surface.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace artgen {

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(Vec3 a, float s);
float dot(Vec3 a, Vec3 b);
Vec3 cross(Vec3 a, Vec3 b);
Vec3 normalised(Vec3 v);

// Vertices with one normal each, and triangles indexing them.
struct TriangleMesh {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<std::array<int, 3>> faces;

    // Appends a vertex and returns its index.
    int addVertex(Vec3 position, Vec3 normal);
    // Appends the triangle (a, b, c), reordered if needed so that it faces
    // the side `outward` points to.
    void addTriangle(int a, int b, int c, Vec3 outward);
};

// Surface description written into the file's material.
struct Material {
    float red = 1.0f;
    float green = 1.0f;
    float blue = 1.0f;
    float alpha = 1.0f;
    float power = 30.0f;     // specular exponent
    float specular = 0.5f;   // grey level of the specular colour
    float emissive = 0.25f;  // share of the diffuse colour that glows
};

struct Model {
    std::string name;  // identifier used for the mesh and material blocks
    TriangleMesh mesh;
    Material material;
};

// Solid building blocks; `axis` arguments must be unit vectors.
void addSphere(TriangleMesh& mesh, Vec3 centre, float radius, int slices, int stacks);
// A cylinder from `base` along `axis`, with flat caps at both ends.
void addCylinder(TriangleMesh& mesh, Vec3 base, Vec3 axis, float length, float radius, int slices);
// A cone whose base disc (with cap) lies at `base` and whose tip is at
// base + axis * length.
void addCone(TriangleMesh& mesh, Vec3 base, Vec3 axis, float length, float radius, int slices);
// A tube bent along a circular arc: circle of `radius` around `centre` in
// the plane spanned by unit vectors `u` and `v`, from angle `start` through
// `sweep` (radians, from u towards v), tube radius `tube`, capped ends.
void addTorusArc(TriangleMesh& mesh, Vec3 centre, Vec3 u, Vec3 v, float radius, float tube, float start,
                 float sweep, int segments, int sides);
// An axis-aligned box with half extents `half`.
void addBox(TriangleMesh& mesh, Vec3 centre, Vec3 half);

// The whole file text: header, one Mesh with MeshNormals and a
// MeshMaterialList holding the material.
std::string xFileText(const Model& model);

}  // namespace artgen
