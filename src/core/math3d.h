// 3D arithmetic shared by every layer: vectors, 4x4 matrices, planes, a
// viewport description, and the transform, projection and ray-test functions
// the rest of the program calls by their graphics-library names.
//
// Conventions, kept by every function below:
//  - vectors are rows and are transformed as v' = v * M;
//  - a product A * B applies A first, then B;
//  - the coordinate system is left-handed (x right, y up, z into the screen);
//  - angles are radians;
//  - functions take the output pointer first and return it; the output may
//    be the same object as any input.
// Pointers are required unless a function says otherwise.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

// ---------------------------------------------------------------- vectors --

struct D3DXVECTOR2 {
    float x = 0.0f;
    float y = 0.0f;

    D3DXVECTOR2() = default;
    D3DXVECTOR2(float x_, float y_) : x(x_), y(y_) {}

    D3DXVECTOR2& operator+=(const D3DXVECTOR2& o) { x += o.x; y += o.y; return *this; }
    D3DXVECTOR2& operator-=(const D3DXVECTOR2& o) { x -= o.x; y -= o.y; return *this; }
    D3DXVECTOR2& operator*=(float s) { x *= s; y *= s; return *this; }
    D3DXVECTOR2& operator/=(float s) { x /= s; y /= s; return *this; }
    D3DXVECTOR2 operator-() const { return {-x, -y}; }
    bool operator==(const D3DXVECTOR2& o) const { return x == o.x && y == o.y; }
};

inline D3DXVECTOR2 operator+(D3DXVECTOR2 a, const D3DXVECTOR2& b) { return a += b; }
inline D3DXVECTOR2 operator-(D3DXVECTOR2 a, const D3DXVECTOR2& b) { return a -= b; }
inline D3DXVECTOR2 operator*(D3DXVECTOR2 a, float s) { return a *= s; }
inline D3DXVECTOR2 operator*(float s, D3DXVECTOR2 a) { return a *= s; }
inline D3DXVECTOR2 operator/(D3DXVECTOR2 a, float s) { return a /= s; }

struct D3DXVECTOR3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    D3DXVECTOR3() = default;
    D3DXVECTOR3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    D3DXVECTOR3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
    D3DXVECTOR3& operator/=(float s) { x /= s; y /= s; z /= s; return *this; }
    D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
    bool operator==(const D3DXVECTOR3& o) const { return x == o.x && y == o.y && z == o.z; }
};

inline D3DXVECTOR3 operator+(D3DXVECTOR3 a, const D3DXVECTOR3& b) { return a += b; }
inline D3DXVECTOR3 operator-(D3DXVECTOR3 a, const D3DXVECTOR3& b) { return a -= b; }
inline D3DXVECTOR3 operator*(D3DXVECTOR3 a, float s) { return a *= s; }
inline D3DXVECTOR3 operator*(float s, D3DXVECTOR3 a) { return a *= s; }
inline D3DXVECTOR3 operator/(D3DXVECTOR3 a, float s) { return a /= s; }

struct D3DXVECTOR4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    D3DXVECTOR4() = default;
    D3DXVECTOR4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    D3DXVECTOR4(const D3DXVECTOR3& v, float w_) : x(v.x), y(v.y), z(v.z), w(w_) {}

    D3DXVECTOR4& operator+=(const D3DXVECTOR4& o) { x += o.x; y += o.y; z += o.z; w += o.w; return *this; }
    D3DXVECTOR4& operator-=(const D3DXVECTOR4& o) { x -= o.x; y -= o.y; z -= o.z; w -= o.w; return *this; }
    D3DXVECTOR4& operator*=(float s) { x *= s; y *= s; z *= s; w *= s; return *this; }
    D3DXVECTOR4& operator/=(float s) { x /= s; y /= s; z /= s; w /= s; return *this; }
    D3DXVECTOR4 operator-() const { return {-x, -y, -z, -w}; }
    bool operator==(const D3DXVECTOR4& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
};

inline D3DXVECTOR4 operator+(D3DXVECTOR4 a, const D3DXVECTOR4& b) { return a += b; }
inline D3DXVECTOR4 operator-(D3DXVECTOR4 a, const D3DXVECTOR4& b) { return a -= b; }
inline D3DXVECTOR4 operator*(D3DXVECTOR4 a, float s) { return a *= s; }
inline D3DXVECTOR4 operator*(float s, D3DXVECTOR4 a) { return a *= s; }
inline D3DXVECTOR4 operator/(D3DXVECTOR4 a, float s) { return a /= s; }

// The layouts match float[2], float[3] and float[4]: vertex buffers copy them
// byte for byte.
static_assert(sizeof(D3DXVECTOR2) == 2 * sizeof(float));
static_assert(sizeof(D3DXVECTOR3) == 3 * sizeof(float));
static_assert(sizeof(D3DXVECTOR4) == 4 * sizeof(float));

// ----------------------------------------------------------------- matrix --

// Row-major 4x4 matrix: _RC is row R, column C, the same element as m[R-1][C-1].
// A row vector (x, y, z, 1) is turned into x*row1 + y*row2 + z*row3 + row4, so
// the translation sits in _41, _42, _43. Default-constructed: all zeros.
struct D3DXMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };

    D3DXMATRIX() : m{} {}
    D3DXMATRIX(float m11, float m12, float m13, float m14,
               float m21, float m22, float m23, float m24,
               float m31, float m32, float m33, float m34,
               float m41, float m42, float m43, float m44);

    float& operator()(int row, int column) { return m[row][column]; }
    float operator()(int row, int column) const { return m[row][column]; }

    D3DXMATRIX& operator*=(const D3DXMATRIX& other);  // this = this * other
    D3DXMATRIX& operator+=(const D3DXMATRIX& other);
    D3DXMATRIX& operator-=(const D3DXMATRIX& other);
    D3DXMATRIX& operator*=(float s);
    D3DXMATRIX& operator/=(float s);
    D3DXMATRIX operator-() const;
    bool operator==(const D3DXMATRIX& other) const;
};

static_assert(sizeof(D3DXMATRIX) == 16 * sizeof(float));

D3DXMATRIX operator*(const D3DXMATRIX& a, const D3DXMATRIX& b);  // applies a, then b
D3DXMATRIX operator+(const D3DXMATRIX& a, const D3DXMATRIX& b);
D3DXMATRIX operator-(const D3DXMATRIX& a, const D3DXMATRIX& b);
D3DXMATRIX operator*(const D3DXMATRIX& a, float s);
D3DXMATRIX operator*(float s, const D3DXMATRIX& a);
D3DXMATRIX operator/(const D3DXMATRIX& a, float s);

// ------------------------------------------------------- plane, viewport --

// The plane a*x + b*y + c*z + d = 0; (a, b, c) is its normal.
struct D3DXPLANE {
    float a = 0.0f;
    float b = 0.0f;
    float c = 0.0f;
    float d = 0.0f;

    D3DXPLANE() = default;
    D3DXPLANE(float a_, float b_, float c_, float d_) : a(a_), b(b_), c(c_), d(d_) {}
    bool operator==(const D3DXPLANE& o) const { return a == o.a && b == o.b && c == o.c && d == o.d; }
};

// A rectangle of the render target in pixels and the depth range it maps to.
struct D3DVIEWPORT9 {
    std::uint32_t X = 0;
    std::uint32_t Y = 0;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    float MinZ = 0.0f;
    float MaxZ = 1.0f;
};

// ----------------------------------------------------------------- angles --

// π as a float. Angle conversions below compute with π = 4·atan(1) in double
// precision (std::numbers::pi is exactly that value).
inline constexpr float D3DX_PI = std::numbers::pi_v<float>;

// std::lround for floats, without the library call on hot paths. Below 2^23
// the difference between a float and its truncation is exact, so halfway
// cases round away from zero exactly as lround does.
inline long roundHalfAwayFromZero(float value) {
    if (!(std::fabs(value) < 8388608.0f)) {
        return std::lround(value);
    }
    const int whole = static_cast<int>(value);
    const float fraction = value - static_cast<float>(whole);
    if (fraction >= 0.5f) {
        return whole + 1;
    }
    if (fraction <= -0.5f) {
        return whole - 1;
    }
    return whole;
}

// Degrees to radians (degrees · π/180).
inline constexpr float D3DXToRadian(double degrees) { return static_cast<float>(degrees * (std::numbers::pi / 180.0)); }
// Radians to degrees (radians · 180/π).
inline constexpr float D3DXToDegree(double radians) { return static_cast<float>(radians * (180.0 / std::numbers::pi)); }

// ------------------------------------------------------- matrix builders --

// The identity matrix.
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);

// Moves points by (x, y, z): identity with _41, _42, _43 = x, y, z.
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);

// Scales by sx, sy, sz along the axes: the diagonal (sx, sy, sz, 1).
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);

// Rotation by `angle` about one axis. Seen from the positive end of the axis
// looking at the origin, a positive angle turns clockwise (left-handed):
// about X, +y goes towards +z; about Y, +z goes towards +x (so +x goes to -z);
// about Z, +x goes towards +y.
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);

// out = a * b (a applied first). `out` may be a or b.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);

// The transpose of `matrix`.
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* matrix);

// The inverse of `matrix`. When `determinant` is not null it receives the
// determinant, also for a singular matrix. A singular matrix (determinant 0,
// or an inverse that would not be finite) gives null and leaves `out` as it
// was.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* matrix);

// View matrix of a camera at `eye` looking at `at` with `up` as the upward
// hint: world points are expressed in the camera's frame (x right, y up,
// z forward, eye at the origin). If eye = at or `up` is parallel to the view
// direction, the affected axes are zero (no NaN).
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);

// Left-handed perspective projection from the vertical field of view
// `fovY`, aspect = width / height and the near and far plane distances:
// yScale = cot(fovY/2), xScale = yScale/aspect, _33 = zf/(zf-zn), _34 = 1,
// _43 = -zn*zf/(zf-zn), _44 = 0. Depth maps zn → 0 and zf → 1 after the
// division by w (= view-space z).
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zn, float zf);

// ------------------------------------------------------------- vector ops --

// Defined here so that the sculpting's inner loops can inline them.

// Dot product.
inline float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z;
}
// Cross product a × b; (1,0,0) × (0,1,0) = (0,0,1).
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = D3DXVECTOR3(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
    return out;
}
// Euclidean length and its square.
inline float D3DXVec3LengthSq(const D3DXVECTOR3* v) { return D3DXVec3Dot(v, v); }
inline float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3LengthSq(v)); }
// Unit vector of the same direction. The zero vector gives the zero vector.
inline D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    // Measured in double so that very small and very large vectors neither
    // underflow to a zero length nor overflow to infinity.
    const double length = std::sqrt(double(v->x) * v->x + double(v->y) * v->y + double(v->z) * v->z);
    if (length == 0.0 || !std::isfinite(length)) {
        *out = D3DXVECTOR3();
        return out;
    }
    *out = D3DXVECTOR3(float(v->x / length), float(v->y / length), float(v->z / length));
    return out;
}

// (x, y, z, 1) * matrix, all four components.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* matrix);
// (x, y, z, 1) * matrix with x, y, z divided by the resulting w. A point that
// lands on w = 0 (the eye plane of a projection) gives non-finite values.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* matrix);
// (x, y, z, 0) * matrix: turns a direction, ignoring the translation row.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* matrix);

// World point to viewport pixel and depth: v * world * view * projection with
// the division by w, then x = X + (1 + x)·Width/2, y = Y + (1 − y)·Height/2,
// z = MinZ + z·(MaxZ − MinZ). Any of viewport, projection, view, world may be
// null; a null matrix counts as identity and a null viewport leaves the
// result in normalised device coordinates.
D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* viewport,
                             const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world);

// The inverse of D3DXVec3Project: a pixel position with a depth in the
// viewport's depth range back to the world point. Gives null (and leaves
// `out` as it was) when world * view * projection cannot be inverted or the
// viewport has a zero width, height or depth range.
D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* viewport,
                               const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world);

// --------------------------------------------------------------- ray tests --

// Ray (origin `rayPos`, direction `rayDir`) against the triangle p0 p1 p2,
// either face. On a hit (the ray meets the triangle, its edges included, at a
// distance ≥ 0) returns true and writes, through each non-null pointer, the
// barycentric u, v (hit point = p0 + u·(p1 − p0) + v·(p2 − p0)) and the
// distance t with hit point = rayPos + t·rayDir, i.e. in units of the
// direction's length. A miss, a ray parallel to the triangle's plane or a
// degenerate triangle returns false and writes nothing.
bool D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                      const D3DXVECTOR3* rayPos, const D3DXVECTOR3* rayDir, float* u, float* v, float* dist);

// True when the ray (origin, direction) meets the axis-aligned box
// [boxMin, boxMax] at a distance ≥ 0, faces included; always true when the
// origin lies inside the box. A zero direction hits only from inside.
bool D3DXBoxBoundProbe(const D3DXVECTOR3* boxMin, const D3DXVECTOR3* boxMax, const D3DXVECTOR3* rayPos,
                       const D3DXVECTOR3* rayDir);

// Smallest and largest coordinates of `count` positions (three floats each)
// starting at `firstPosition`, one every `stride` bytes (the positions need
// not be aligned). Returns false and writes nothing when `count` is 0, the
// stride is smaller than one position or a pointer is null.
bool D3DXComputeBoundingBox(const void* firstPosition, std::size_t count, std::size_t stride, D3DXVECTOR3* boxMin,
                            D3DXVECTOR3* boxMax);

// ----------------------------------------------------------------- planes --

// The plane through three points, with the unit normal (p2 − p1) × (p3 − p1)
// and d = −normal·p1. Points on one line give the plane (0, 0, 0, 0).
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2, const D3DXVECTOR3* p3);
// The plane scaled so that (a, b, c) has length 1; (0, 0, 0, d) gives all zeros.
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* plane);
// a·x + b·y + c·z + d: the signed distance of `point` for a normalised plane.
float D3DXPlaneDotCoord(const D3DXPLANE* plane, const D3DXVECTOR3* point);
