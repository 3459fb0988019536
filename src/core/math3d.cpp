#include "core/math3d.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

// ------------------------------------------------------------------ matrix --

D3DXMATRIX::D3DXMATRIX(float m11, float m12, float m13, float m14,
                       float m21, float m22, float m23, float m24,
                       float m31, float m32, float m33, float m34,
                       float m41, float m42, float m43, float m44)
    : m{{m11, m12, m13, m14}, {m21, m22, m23, m24}, {m31, m32, m33, m34}, {m41, m42, m43, m44}} {}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& other) {
    D3DXMatrixMultiply(this, this, &other);
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& other) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] += other.m[r][c];
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& other) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] -= other.m[r][c];
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator*=(float s) {
    for (auto& row : m)
        for (float& value : row) value *= s;
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator/=(float s) {
    for (auto& row : m)
        for (float& value : row) value /= s;
    return *this;
}

D3DXMATRIX D3DXMATRIX::operator-() const {
    D3DXMATRIX result = *this;
    return result *= -1.0f;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& other) const {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m[r][c] != other.m[r][c]) return false;
    return true;
}

D3DXMATRIX operator*(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    D3DXMATRIX result;
    D3DXMatrixMultiply(&result, &a, &b);
    return result;
}

D3DXMATRIX operator+(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    D3DXMATRIX result = a;
    return result += b;
}

D3DXMATRIX operator-(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    D3DXMATRIX result = a;
    return result -= b;
}

D3DXMATRIX operator*(const D3DXMATRIX& a, float s) {
    D3DXMATRIX result = a;
    return result *= s;
}

D3DXMATRIX operator*(float s, const D3DXMATRIX& a) { return a * s; }

D3DXMATRIX operator/(const D3DXMATRIX& a, float s) {
    D3DXMATRIX result = a;
    return result /= s;
}

// --------------------------------------------------------- matrix builders --

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = D3DXMATRIX(1, 0, 0, 0,
                      0, 1, 0, 0,
                      0, 0, 1, 0,
                      0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    D3DXMatrixIdentity(out);
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
    *out = D3DXMATRIX(sx, 0, 0, 0,
                      0, sy, 0, 0,
                      0, 0, sz, 0,
                      0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    *out = D3DXMATRIX(1, 0, 0, 0,
                      0, c, s, 0,
                      0, -s, c, 0,
                      0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    *out = D3DXMATRIX(c, 0, -s, 0,
                      0, 1, 0, 0,
                      s, 0, c, 0,
                      0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    *out = D3DXMATRIX(c, s, 0, 0,
                      -s, c, 0, 0,
                      0, 0, 1, 0,
                      0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX result;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            result.m[r][c] = a->m[r][0] * b->m[0][c] + a->m[r][1] * b->m[1][c] + a->m[r][2] * b->m[2][c] +
                             a->m[r][3] * b->m[3][c];
    *out = result;
    return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* matrix) {
    D3DXMATRIX result;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) result.m[r][c] = matrix->m[c][r];
    *out = result;
    return out;
}

namespace {

// Inverse by cofactors in double precision, from the 2x2 minors of the upper
// and lower row pairs (Laplace expansion). `inverse` is the adjugate divided
// by the determinant; it is only meaningful when the determinant is non-zero.
double invertInDouble(const D3DXMATRIX& source, double inverse[4][4]) {
    double a[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) a[r][c] = source.m[r][c];

    // Minors of rows 0-1 (s) and rows 2-3 (t) over column pairs.
    const double s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    const double s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    const double s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    const double s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    const double s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    const double s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    const double c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    const double c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    const double c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    const double c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    const double c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    const double c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];

    const double det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (det == 0.0) return det;
    const double k = 1.0 / det;

    inverse[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * k;
    inverse[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * k;
    inverse[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * k;
    inverse[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * k;

    inverse[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * k;
    inverse[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * k;
    inverse[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * k;
    inverse[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * k;

    inverse[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * k;
    inverse[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * k;
    inverse[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * k;
    inverse[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * k;

    inverse[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * k;
    inverse[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * k;
    inverse[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * k;
    inverse[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * k;
    return det;
}

}  // namespace

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* matrix) {
    double inverse[4][4];
    const double det = invertInDouble(*matrix, inverse);
    if (determinant) *determinant = static_cast<float>(det);
    if (det == 0.0 || !std::isfinite(det)) return nullptr;

    D3DXMATRIX result;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            const float value = static_cast<float>(inverse[r][c]);
            if (!std::isfinite(value)) return nullptr;
            result.m[r][c] = value;
        }
    *out = result;
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    D3DXVECTOR3 zAxis = *at - *eye;
    D3DXVec3Normalize(&zAxis, &zAxis);
    D3DXVECTOR3 xAxis;
    D3DXVec3Cross(&xAxis, up, &zAxis);
    D3DXVec3Normalize(&xAxis, &xAxis);
    D3DXVECTOR3 yAxis;
    D3DXVec3Cross(&yAxis, &zAxis, &xAxis);

    *out = D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0,
                      xAxis.y, yAxis.y, zAxis.y, 0,
                      xAxis.z, yAxis.z, zAxis.z, 0,
                      -D3DXVec3Dot(&xAxis, eye), -D3DXVec3Dot(&yAxis, eye), -D3DXVec3Dot(&zAxis, eye), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zn, float zf) {
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    const float xScale = yScale / aspect;
    const float depthScale = zf / (zf - zn);
    *out = D3DXMATRIX(xScale, 0, 0, 0,
                      0, yScale, 0, 0,
                      0, 0, depthScale, 1,
                      0, 0, -zn * depthScale, 0);
    return out;
}

// ------------------------------------------------------------- vector ops --

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* matrix) {
    const D3DXMATRIX& m = *matrix;
    *out = D3DXVECTOR4(v->x * m._11 + v->y * m._21 + v->z * m._31 + m._41,
                       v->x * m._12 + v->y * m._22 + v->z * m._32 + m._42,
                       v->x * m._13 + v->y * m._23 + v->z * m._33 + m._43,
                       v->x * m._14 + v->y * m._24 + v->z * m._34 + m._44);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* matrix) {
    D3DXVECTOR4 h;
    D3DXVec3Transform(&h, v, matrix);
    *out = D3DXVECTOR3(h.x / h.w, h.y / h.w, h.z / h.w);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* matrix) {
    const D3DXMATRIX& m = *matrix;
    *out = D3DXVECTOR3(v->x * m._11 + v->y * m._21 + v->z * m._31,
                       v->x * m._12 + v->y * m._22 + v->z * m._32,
                       v->x * m._13 + v->y * m._23 + v->z * m._33);
    return out;
}

namespace {

// world * view * projection, skipping the null ones.
D3DXMATRIX combinedTransform(const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world) {
    D3DXMATRIX result;
    D3DXMatrixIdentity(&result);
    if (world) result = *world;
    if (view) result *= *view;
    if (projection) result *= *projection;
    return result;
}

}  // namespace

D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* viewport,
                             const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world) {
    const D3DXMATRIX transform = combinedTransform(projection, view, world);
    D3DXVECTOR3 p;
    D3DXVec3TransformCoord(&p, v, &transform);
    if (viewport) {
        p.x = float(viewport->X) + (1.0f + p.x) * float(viewport->Width) / 2.0f;
        p.y = float(viewport->Y) + (1.0f - p.y) * float(viewport->Height) / 2.0f;
        p.z = viewport->MinZ + p.z * (viewport->MaxZ - viewport->MinZ);
    }
    *out = p;
    return out;
}

D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* viewport,
                               const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world) {
    D3DXVECTOR3 p = *v;
    if (viewport) {
        const float depthRange = viewport->MaxZ - viewport->MinZ;
        if (viewport->Width == 0 || viewport->Height == 0 || depthRange == 0.0f) return nullptr;
        p.x = 2.0f * (p.x - float(viewport->X)) / float(viewport->Width) - 1.0f;
        p.y = 1.0f - 2.0f * (p.y - float(viewport->Y)) / float(viewport->Height);
        p.z = (p.z - viewport->MinZ) / depthRange;
    }
    D3DXMATRIX inverse;
    const D3DXMATRIX transform = combinedTransform(projection, view, world);
    if (!D3DXMatrixInverse(&inverse, nullptr, &transform)) return nullptr;
    D3DXVec3TransformCoord(out, &p, &inverse);
    return out;
}

// -------------------------------------------------------------- ray tests --

bool D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                      const D3DXVECTOR3* rayPos, const D3DXVECTOR3* rayDir, float* u, float* v, float* dist) {
    // Solve origin + t·dir = p0 + u·e1 + v·e2 (Cramer's rule, in double).
    const double e1[3] = {double(p1->x) - p0->x, double(p1->y) - p0->y, double(p1->z) - p0->z};
    const double e2[3] = {double(p2->x) - p0->x, double(p2->y) - p0->y, double(p2->z) - p0->z};
    const double d[3] = {rayDir->x, rayDir->y, rayDir->z};
    const double s[3] = {double(rayPos->x) - p0->x, double(rayPos->y) - p0->y, double(rayPos->z) - p0->z};

    const double pv[3] = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
    const double det = e1[0] * pv[0] + e1[1] * pv[1] + e1[2] * pv[2];
    if (det == 0.0) return false;  // parallel ray or degenerate triangle

    const double hitU = (s[0] * pv[0] + s[1] * pv[1] + s[2] * pv[2]) / det;
    if (hitU < 0.0 || hitU > 1.0) return false;

    const double qv[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
    const double hitV = (d[0] * qv[0] + d[1] * qv[1] + d[2] * qv[2]) / det;
    if (hitV < 0.0 || hitU + hitV > 1.0) return false;

    const double t = (e2[0] * qv[0] + e2[1] * qv[1] + e2[2] * qv[2]) / det;
    if (t < 0.0) return false;

    if (u) *u = float(hitU);
    if (v) *v = float(hitV);
    if (dist) *dist = float(t);
    return true;
}

bool D3DXBoxBoundProbe(const D3DXVECTOR3* boxMin, const D3DXVECTOR3* boxMax, const D3DXVECTOR3* rayPos,
                       const D3DXVECTOR3* rayDir) {
    const float lows[3] = {boxMin->x, boxMin->y, boxMin->z};
    const float highs[3] = {boxMax->x, boxMax->y, boxMax->z};
    const float origin[3] = {rayPos->x, rayPos->y, rayPos->z};
    const float direction[3] = {rayDir->x, rayDir->y, rayDir->z};

    // Clip the half-line [0, ∞) against the three slabs.
    double enter = 0.0;
    double leave = std::numeric_limits<double>::infinity();
    for (int axis = 0; axis < 3; ++axis) {
        if (direction[axis] == 0.0f) {
            if (origin[axis] < lows[axis] || origin[axis] > highs[axis]) return false;
            continue;
        }
        double t0 = (double(lows[axis]) - origin[axis]) / direction[axis];
        double t1 = (double(highs[axis]) - origin[axis]) / direction[axis];
        if (t0 > t1) std::swap(t0, t1);
        enter = std::max(enter, t0);
        leave = std::min(leave, t1);
        if (enter > leave) return false;
    }
    return true;
}

bool D3DXComputeBoundingBox(const void* firstPosition, std::size_t count, std::size_t stride, D3DXVECTOR3* boxMin,
                            D3DXVECTOR3* boxMax) {
    if (!firstPosition || !boxMin || !boxMax || count == 0 || stride < sizeof(D3DXVECTOR3)) return false;

    const auto* bytes = static_cast<const unsigned char*>(firstPosition);
    D3DXVECTOR3 low;
    std::memcpy(&low, bytes, sizeof low);
    D3DXVECTOR3 high = low;
    for (std::size_t i = 1; i < count; ++i) {
        D3DXVECTOR3 p;
        std::memcpy(&p, bytes + i * stride, sizeof p);
        low = D3DXVECTOR3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = D3DXVECTOR3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
    }
    *boxMin = low;
    *boxMax = high;
    return true;
}

// ------------------------------------------------------------------ planes --

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2, const D3DXVECTOR3* p3) {
    const D3DXVECTOR3 edge1 = *p2 - *p1;
    const D3DXVECTOR3 edge2 = *p3 - *p1;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &edge1, &edge2);
    D3DXVec3Normalize(&normal, &normal);
    *out = D3DXPLANE(normal.x, normal.y, normal.z, -D3DXVec3Dot(&normal, p1));
    return out;
}

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* plane) {
    const double length = std::sqrt(double(plane->a) * plane->a + double(plane->b) * plane->b +
                                    double(plane->c) * plane->c);
    if (length == 0.0 || !std::isfinite(length)) {
        *out = D3DXPLANE();
        return out;
    }
    *out = D3DXPLANE(float(plane->a / length), float(plane->b / length), float(plane->c / length),
                     float(plane->d / length));
    return out;
}

float D3DXPlaneDotCoord(const D3DXPLANE* plane, const D3DXVECTOR3* point) {
    return plane->a * point->x + plane->b * point->y + plane->c * point->z + plane->d;
}
