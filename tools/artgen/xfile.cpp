#include "xfile.h"

#include <cmath>
#include <cstdio>

namespace artgen {

namespace {

constexpr float kPi = 3.14159265358979f;

// Any unit vector perpendicular to the unit vector `axis`.
Vec3 perpendicularTo(Vec3 axis) {
    Vec3 helper = std::fabs(axis.y) < 0.9f ? Vec3{0.0f, 1.0f, 0.0f} : Vec3{1.0f, 0.0f, 0.0f};
    return normalised(cross(helper, axis));
}

// A disc of `slices` wedges around `centre`, facing `outward`.
void addDisc(TriangleMesh& mesh, Vec3 centre, Vec3 outward, Vec3 u, Vec3 v, float radius, int slices) {
    int middle = mesh.addVertex(centre, outward);
    int first = static_cast<int>(mesh.positions.size());
    for (int i = 0; i < slices; ++i) {
        float a = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(slices);
        mesh.addVertex(centre + (u * std::cos(a) + v * std::sin(a)) * radius, outward);
    }
    for (int i = 0; i < slices; ++i) mesh.addTriangle(middle, first + i, first + (i + 1) % slices, outward);
}

void appendNumber(std::string& out, float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6f", static_cast<double>(value));
    out += buffer;
}

void appendVectors(std::string& out, const std::vector<Vec3>& vectors) {
    out += "  " + std::to_string(vectors.size()) + ";\n";
    for (size_t i = 0; i < vectors.size(); ++i) {
        out += "  ";
        appendNumber(out, vectors[i].x);
        out += ';';
        appendNumber(out, vectors[i].y);
        out += ';';
        appendNumber(out, vectors[i].z);
        out += i + 1 < vectors.size() ? ";,\n" : ";;\n";
    }
}

void appendFaces(std::string& out, const std::vector<std::array<int, 3>>& faces) {
    out += "  " + std::to_string(faces.size()) + ";\n";
    for (size_t i = 0; i < faces.size(); ++i) {
        out += "  3;" + std::to_string(faces[i][0]) + ',' + std::to_string(faces[i][1]) + ',' +
               std::to_string(faces[i][2]);
        out += i + 1 < faces.size() ? ";,\n" : ";;\n";
    }
}

void appendMaterial(std::string& out, const Model& model) {
    const Material& m = model.material;
    out += "   Material " + model.name + "Material {\n    ";
    for (float channel : {m.red, m.green, m.blue, m.alpha}) {
        appendNumber(out, channel);
        out += ';';
    }
    out += ";\n    ";
    appendNumber(out, m.power);
    out += ";\n    ";
    for (int i = 0; i < 3; ++i) {
        appendNumber(out, m.specular);
        out += ';';
    }
    out += ";\n    ";
    for (float channel : {m.red, m.green, m.blue}) {
        appendNumber(out, channel * m.emissive);
        out += ';';
    }
    out += ";\n   }\n";
}

}  // namespace

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

Vec3 normalised(Vec3 v) {
    float length = std::sqrt(dot(v, v));
    return length > 0.0f ? v * (1.0f / length) : Vec3{};
}

int TriangleMesh::addVertex(Vec3 position, Vec3 normal) {
    positions.push_back(position);
    normals.push_back(normalised(normal));
    return static_cast<int>(positions.size()) - 1;
}

void TriangleMesh::addTriangle(int a, int b, int c, Vec3 outward) {
    Vec3 n = cross(positions[b] - positions[a], positions[c] - positions[a]);
    if (dot(n, outward) < 0.0f)
        faces.push_back({a, c, b});
    else
        faces.push_back({a, b, c});
}

void addSphere(TriangleMesh& mesh, Vec3 centre, float radius, int slices, int stacks) {
    int first = static_cast<int>(mesh.positions.size());
    for (int i = 0; i <= stacks; ++i) {
        float polar = kPi * static_cast<float>(i) / static_cast<float>(stacks);
        for (int j = 0; j <= slices; ++j) {
            float azimuth = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(slices);
            Vec3 n{std::sin(polar) * std::cos(azimuth), std::cos(polar), std::sin(polar) * std::sin(azimuth)};
            mesh.addVertex(centre + n * radius, n);
        }
    }
    auto at = [&](int i, int j) { return first + i * (slices + 1) + j; };
    for (int i = 0; i < stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            Vec3 outward = mesh.normals[at(i, j)] + mesh.normals[at(i + 1, j + 1)];
            if (i > 0) mesh.addTriangle(at(i, j), at(i, j + 1), at(i + 1, j + 1), outward);
            if (i + 1 < stacks) mesh.addTriangle(at(i, j), at(i + 1, j + 1), at(i + 1, j), outward);
        }
    }
}

void addCylinder(TriangleMesh& mesh, Vec3 base, Vec3 axis, float length, float radius, int slices) {
    Vec3 u = perpendicularTo(axis);
    Vec3 v = cross(axis, u);
    Vec3 top = base + axis * length;
    int first = static_cast<int>(mesh.positions.size());
    for (int i = 0; i < slices; ++i) {
        float a = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(slices);
        Vec3 radial = u * std::cos(a) + v * std::sin(a);
        mesh.addVertex(base + radial * radius, radial);
        mesh.addVertex(top + radial * radius, radial);
    }
    for (int i = 0; i < slices; ++i) {
        int b0 = first + 2 * i;
        int t0 = b0 + 1;
        int b1 = first + 2 * ((i + 1) % slices);
        int t1 = b1 + 1;
        Vec3 outward = mesh.normals[b0] + mesh.normals[b1];
        mesh.addTriangle(b0, b1, t1, outward);
        mesh.addTriangle(b0, t1, t0, outward);
    }
    addDisc(mesh, base, axis * -1.0f, u, v, radius, slices);
    addDisc(mesh, top, axis, u, v, radius, slices);
}

void addCone(TriangleMesh& mesh, Vec3 base, Vec3 axis, float length, float radius, int slices) {
    Vec3 u = perpendicularTo(axis);
    Vec3 v = cross(axis, u);
    Vec3 tip = base + axis * length;
    for (int i = 0; i < slices; ++i) {
        float a0 = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(slices);
        float a1 = 2.0f * kPi * static_cast<float>(i + 1) / static_cast<float>(slices);
        float am = (a0 + a1) * 0.5f;
        auto sideNormal = [&](float a) {
            Vec3 radial = u * std::cos(a) + v * std::sin(a);
            return normalised(radial * length + axis * radius);
        };
        auto rim = [&](float a) { return base + (u * std::cos(a) + v * std::sin(a)) * radius; };
        int p0 = mesh.addVertex(rim(a0), sideNormal(a0));
        int p1 = mesh.addVertex(rim(a1), sideNormal(a1));
        int t = mesh.addVertex(tip, sideNormal(am));
        mesh.addTriangle(p0, p1, t, sideNormal(am));
    }
    addDisc(mesh, base, axis * -1.0f, u, v, radius, slices);
}

void addTorusArc(TriangleMesh& mesh, Vec3 centre, Vec3 u, Vec3 v, float radius, float tube, float start,
                 float sweep, int segments, int sides) {
    Vec3 w = normalised(cross(u, v));
    auto spine = [&](float t) { return centre + (u * std::cos(t) + v * std::sin(t)) * radius; };
    int first = static_cast<int>(mesh.positions.size());
    for (int i = 0; i <= segments; ++i) {
        float t = start + sweep * static_cast<float>(i) / static_cast<float>(segments);
        Vec3 radial = u * std::cos(t) + v * std::sin(t);
        for (int j = 0; j < sides; ++j) {
            float s = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(sides);
            Vec3 n = radial * std::cos(s) + w * std::sin(s);
            mesh.addVertex(spine(t) + n * tube, n);
        }
    }
    for (int i = 0; i < segments; ++i) {
        for (int j = 0; j < sides; ++j) {
            int a = first + i * sides + j;
            int b = first + i * sides + (j + 1) % sides;
            int c = a + sides;
            int d = b + sides;
            Vec3 outward = mesh.normals[a] + mesh.normals[d];
            mesh.addTriangle(a, b, d, outward);
            mesh.addTriangle(a, d, c, outward);
        }
    }
    // Flat caps at both ends, facing away from the tube.
    float step = sweep / static_cast<float>(segments);
    for (float t : {start, start + sweep}) {
        float inner = t == start ? t + step : t - step;
        Vec3 outward = normalised(spine(t) - spine(inner));
        Vec3 radial = u * std::cos(t) + v * std::sin(t);
        addDisc(mesh, spine(t), outward, radial, w, tube, sides);
    }
}

void addBox(TriangleMesh& mesh, Vec3 centre, Vec3 half) {
    const Vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const float extent[3] = {half.x, half.y, half.z};
    for (int a = 0; a < 3; ++a) {
        int b = (a + 1) % 3;
        int c = (a + 2) % 3;
        for (float sign : {-1.0f, 1.0f}) {
            Vec3 n = axes[a] * sign;
            Vec3 faceCentre = centre + n * extent[a];
            Vec3 du = axes[b] * extent[b];
            Vec3 dv = axes[c] * extent[c];
            int p0 = mesh.addVertex(faceCentre - du - dv, n);
            int p1 = mesh.addVertex(faceCentre + du - dv, n);
            int p2 = mesh.addVertex(faceCentre + du + dv, n);
            int p3 = mesh.addVertex(faceCentre - du + dv, n);
            mesh.addTriangle(p0, p1, p2, n);
            mesh.addTriangle(p0, p2, p3, n);
        }
    }
}

std::string xFileText(const Model& model) {
    std::string out = "xof 0303txt 0032\n\n";
    out += "Mesh " + model.name + " {\n";
    appendVectors(out, model.mesh.positions);
    appendFaces(out, model.mesh.faces);
    out += "\n MeshNormals {\n";
    appendVectors(out, model.mesh.normals);
    appendFaces(out, model.mesh.faces);
    out += " }\n\n MeshMaterialList {\n  1;\n";
    out += "  " + std::to_string(model.mesh.faces.size()) + ";\n";
    for (size_t i = 0; i < model.mesh.faces.size(); ++i) out += i + 1 < model.mesh.faces.size() ? "  0,\n" : "  0;;\n";
    appendMaterial(out, model);
    out += " }\n}\n";
    return out;
}

}  // namespace artgen
