// Hand-computed expectations: row vectors, A * B applies A first, left-handed axes.
#include "core/math3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr float kTol = 1e-5f;

void expectVec(const D3DXVECTOR3& actual, float x, float y, float z, float tol = kTol) {
    EXPECT_NEAR(actual.x, x, tol);
    EXPECT_NEAR(actual.y, y, tol);
    EXPECT_NEAR(actual.z, z, tol);
}

void expectMatrix(const D3DXMATRIX& actual, const D3DXMATRIX& expected, float tol = kTol) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tol) << "row " << r << " col " << c;
}

D3DXMATRIX identity() { D3DXMATRIX m; return *D3DXMatrixIdentity(&m); }
D3DXVECTOR3 transformCoord(const D3DXVECTOR3& v, const D3DXMATRIX& m) { D3DXVECTOR3 o; return *D3DXVec3TransformCoord(&o, &v, &m); }

}  // namespace

TEST(Math3d, RoundingHalfAwayFromZeroMatchesTheLibrary) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> anywhere(-2000.0f, 2000.0f);
    std::vector<float> values = {0.0f, -0.0f, 0.5f, -0.5f, 1.5f, -1.5f, 2.5f, -2.5f, 0.49999997f, -0.49999997f,
                                 8388607.5f, -8388607.5f, 8388608.0f, 16777217.0f, -3.0e9f, 3.0e9f};
    for (int i = 0; i < 100000; ++i) {
        const float v = anywhere(random);
        values.push_back(v);
        values.push_back(std::floor(v) + 0.5f);  // halfway
        values.push_back(std::nextafter(std::floor(v) + 0.5f, 0.0f));
    }
    int different = 0;
    for (float v : values) different += roundHalfAwayFromZero(v) != std::lround(v) ? 1 : 0;
    EXPECT_EQ(different, 0);
}

TEST(Math3d, FieldNamesAndArrayShareStorage) {
    D3DXMATRIX m;
    m._23 = 7.0f;
    m.m[3][0] = 9.0f;
    EXPECT_EQ(m.m[1][2], 7.0f);
    EXPECT_EQ(m._41, 9.0f);
    EXPECT_EQ(m(1, 2), 7.0f);
}

TEST(Math3d, RotationsAreLeftHanded) {
    const float quarter = D3DXToRadian(90.0);
    D3DXMATRIX r;
    expectVec(transformCoord({1, 0, 0}, *D3DXMatrixRotationY(&r, quarter)), 0, 0, -1);
    expectVec(transformCoord({0, 0, 1}, r), 1, 0, 0);
    expectVec(transformCoord({1, 0, 0}, *D3DXMatrixRotationZ(&r, quarter)), 0, 1, 0);
    expectVec(transformCoord({0, 1, 0}, *D3DXMatrixRotationX(&r, quarter)), 0, 0, 1);
}

TEST(Math3d, ProductAppliesLeftMatrixFirst) {
    D3DXMATRIX t, r, tr, rt;
    D3DXMatrixTranslation(&t, 5, 0, 0);
    D3DXMatrixRotationZ(&r, D3DXToRadian(90.0));
    D3DXMatrixMultiply(&tr, &t, &r);
    D3DXMatrixMultiply(&rt, &r, &t);
    expectVec(transformCoord({1, 0, 0}, tr), 0, 6, 0);  // moved, then turned
    expectVec(transformCoord({1, 0, 0}, rt), 5, 1, 0);
    EXPECT_EQ(t * r, tr);
    D3DXMATRIX alias = t;
    D3DXMatrixMultiply(&alias, &alias, &r);
    EXPECT_EQ(alias, tr);
    alias = r;
    D3DXMatrixMultiply(&alias, &t, &alias);
    EXPECT_EQ(alias, tr);
}

TEST(Math3d, ScalingTransposeAndOperators) {
    D3DXMATRIX s;
    expectVec(transformCoord({1, 2, 3}, *D3DXMatrixScaling(&s, 2, 3, 4)), 2, 6, 12);

    D3DXMATRIX t, tt;
    D3DXMatrixTranslation(&t, 1, 2, 3);
    D3DXMatrixTranspose(&tt, &t);
    EXPECT_EQ(tt._14, 1.0f); EXPECT_EQ(tt._34, 3.0f); EXPECT_EQ(tt._41, 0.0f);

    EXPECT_EQ(identity() * 2.0f - identity(), identity());
    EXPECT_EQ(-(identity() / 2.0f) + identity(), identity() * 0.5f);
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3) * 2.0f - D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(1, 3, 5));
    EXPECT_EQ(-D3DXVECTOR3(1, -2, 3) / 2.0f, D3DXVECTOR3(-0.5f, 1, -1.5f));
}

TEST(Math3d, InverseOfKnownMatrix) {
    const D3DXMATRIX m(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 1, 2, 3, 1);  // scale (2,3,4), move (1,2,3)
    D3DXMATRIX inv;
    float det = 0;
    ASSERT_EQ(D3DXMatrixInverse(&inv, &det, &m), &inv);
    EXPECT_NEAR(det, 24.0f, kTol);
    expectMatrix(inv, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1.0f / 3, 0, 0, 0, 0, 0.25f, 0, -0.5f, -2.0f / 3, -0.75f, 1));
    // [[1,2],[3,4]] block: det -2, inverse [[-2,1],[1.5,-0.5]]; times 2 → -4.
    const D3DXMATRIX block(1, 2, 0, 0, 3, 4, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1);
    ASSERT_TRUE(D3DXMatrixInverse(&inv, &det, &block));
    EXPECT_NEAR(det, -4.0f, kTol);
    expectMatrix(inv, D3DXMATRIX(-2, 1, 0, 0, 1.5f, -0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1));
}

TEST(Math3d, InverseTimesRandomMatrixIsIdentity) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> entry(-1.0f, 1.0f);
    for (int round = 0; round < 20; ++round) {
        D3DXMATRIX m;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) m.m[r][c] = entry(random) + (r == c ? 4.0f : 0.0f);
        D3DXMATRIX inv;
        ASSERT_TRUE(D3DXMatrixInverse(&inv, nullptr, &m));
        expectMatrix(inv * m, identity(), 1e-5f);
        expectMatrix(m * inv, identity(), 1e-5f);
        D3DXMATRIX self = m;
        ASSERT_EQ(D3DXMatrixInverse(&self, nullptr, &self), &self);
        EXPECT_EQ(self, inv);
    }
}

TEST(Math3d, SingularInverseGivesNullAndKeepsOutput) {
    const D3DXMATRIX singular(1, 2, 3, 0, 2, 4, 6, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    D3DXMATRIX out, flat;
    out._11 = 42.0f;
    float det = 99.0f;
    EXPECT_EQ(D3DXMatrixInverse(&out, &det, &singular), nullptr);
    EXPECT_EQ(det, 0.0f);
    EXPECT_EQ(out._11, 42.0f);
    D3DXMatrixScaling(&flat, 1, 0, 1);
    EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &flat), nullptr);
}

TEST(Math3d, LookAtLH) {
    const D3DXVECTOR3 up(0, 1, 0), origin(0, 0, 0);
    D3DXVECTOR3 eye(0, 0, -10);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &origin, &up);
    expectMatrix(view, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 10, 1));

    eye = D3DXVECTOR3(10, 0, 0);  // camera right is world +z
    D3DXMatrixLookAtLH(&view, &eye, &origin, &up);
    expectMatrix(view, D3DXMATRIX(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 10, 1));
    expectVec(transformCoord({0, 0, 5}, view), 5, 0, 10);

    eye = D3DXVECTOR3(0, -10, 0);
    D3DXMatrixLookAtLH(&view, &eye, &origin, &up);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_FALSE(std::isnan(view.m[r][c]));
}

TEST(Math3d, PerspectiveFovLH) {
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, D3DXToRadian(90.0), 1.6f, 1.0f, 100.0f);
    // cot(45°) = 1; 1 / 1.6 = 0.625; 100/99; -100/99.
    expectMatrix(proj, D3DXMATRIX(0.625f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.0101010f, 1, 0, 0, -1.0101010f, 0));
    EXPECT_NEAR(transformCoord({0, 0, 1}, proj).z, 0.0f, kTol);
    EXPECT_NEAR(transformCoord({0, 0, 100}, proj).z, 1.0f, kTol);
}

TEST(Math3d, ProjectUnprojectThroughViewport) {
    D3DVIEWPORT9 viewport{0, 0, 1280, 800, 0.0f, 1.0f};
    D3DXMATRIX proj, view, world;
    D3DXMatrixPerspectiveFovLH(&proj, D3DXToRadian(90.0), 1.6f, 1.0f, 100.0f);
    D3DXMatrixTranslation(&view, 0, 0, 10);  // camera at (0, 0, -10) looking along +z

    // The origin is 10 in front: centre pixel, depth (100/99)(1 - 1/10) = 10/11.
    D3DXVECTOR3 screen, origin(0, 0, 0);
    D3DXVec3Project(&screen, &origin, &viewport, &proj, &view, nullptr);
    expectVec(screen, 640, 400, 10.0f / 11.0f, 1e-4f);

    // (1, 1, 0): ndc (0.0625, 0.1) → x = 1.0625·640, y = 0.9·400.
    const D3DXVECTOR3 corner(1, 1, 0);
    D3DXVec3Project(&screen, &corner, &viewport, &proj, &view, nullptr);
    expectVec(screen, 680, 360, 10.0f / 11.0f, 1e-3f);
    // The same through a world translation of the origin.
    D3DXMatrixTranslation(&world, 1, 1, 0);
    D3DXVec3Project(&screen, &origin, &viewport, &proj, &view, &world);
    expectVec(screen, 680, 360, 10.0f / 11.0f, 1e-3f);

    D3DXVECTOR3 back;
    ASSERT_TRUE(D3DXVec3Unproject(&back, &screen, &viewport, &proj, &view, nullptr));
    expectVec(back, 1, 1, 0, 1e-3f);

    // The world matrix acts before the view: (1, 1, 0) turned to (0, 1, -1),
    // then 9 in front of the camera: ndc y = 1/9, depth (100/99)(8/9).
    D3DXMatrixRotationY(&world, D3DXToRadian(90.0));
    D3DXVec3Project(&screen, &corner, &viewport, &proj, &view, &world);
    expectVec(screen, 640, 400.0f * 8 / 9, 800.0f / 891, 1e-3f);

    // Offset viewport with a narrowed depth range, round trip of other points.
    viewport = D3DVIEWPORT9{100, 50, 1280, 800, 0.25f, 0.75f};
    D3DXVec3Project(&screen, &origin, &viewport, &proj, &view, nullptr);
    expectVec(screen, 740, 450, 0.25f + 0.5f * 10.0f / 11.0f, 1e-4f);
    for (const D3DXVECTOR3& p : {D3DXVECTOR3(-3, 2, 5), D3DXVECTOR3(4, -1, 20), D3DXVECTOR3(0.5f, 0.5f, -5)}) {
        D3DXVec3Project(&screen, &p, &viewport, &proj, &view, &world);
        ASSERT_TRUE(D3DXVec3Unproject(&back, &screen, &viewport, &proj, &view, &world));
        expectVec(back, p.x, p.y, p.z, 2e-3f);
    }
}

TEST(Math3d, ProjectNullArgumentsAndFailures) {
    const D3DXVECTOR3 p(0.25f, -0.5f, 0.75f);
    D3DXVECTOR3 out;
    D3DXVec3Project(&out, &p, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(out, p);
    ASSERT_TRUE(D3DXVec3Unproject(&out, &p, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(out, p);

    const D3DVIEWPORT9 viewport{0, 0, 200, 100, 0.0f, 1.0f};
    D3DXVec3Project(&out, &p, &viewport, nullptr, nullptr, nullptr);
    expectVec(out, 125, 75, 0.75f);

    const D3DVIEWPORT9 empty{0, 0, 0, 0, 0.0f, 1.0f};
    out = D3DXVECTOR3(7, 7, 7);
    EXPECT_EQ(D3DXVec3Unproject(&out, &p, &empty, nullptr, nullptr, nullptr), nullptr);
    D3DXMATRIX flat;
    D3DXMatrixScaling(&flat, 1, 1, 0);
    EXPECT_EQ(D3DXVec3Unproject(&out, &p, &viewport, &flat, nullptr, nullptr), nullptr);
    EXPECT_EQ(out, D3DXVECTOR3(7, 7, 7));
}

TEST(Math3d, VectorHelpers) {
    const D3DXVECTOR3 v(3, 0, 4), zero, tiny(1e-30f, 0, 0);
    D3DXVECTOR3 out;
    expectVec(*D3DXVec3Normalize(&out, &v), 0.6f, 0, 0.8f);
    EXPECT_EQ(*D3DXVec3Normalize(&out, &zero), zero);
    expectVec(*D3DXVec3Normalize(&out, &tiny), 1, 0, 0);

    const D3DXVECTOR3 a(3, 4, 12), b(1, 0, 0), c(0, 1, 0);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&a), 13.0f);
    EXPECT_FLOAT_EQ(D3DXVec3LengthSq(&a), 169.0f);
    EXPECT_FLOAT_EQ(D3DXVec3Dot(&a, &c), 4.0f);
    EXPECT_EQ(*D3DXVec3Cross(&out, &b, &c), D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(*D3DXVec3Cross(&out, &c, &b), D3DXVECTOR3(0, 0, -1));
}

TEST(Math3d, VectorTransforms) {
    D3DXMATRIX t;
    D3DXMatrixTranslation(&t, 1, 1, 1);
    const D3DXVECTOR3 p(1, 2, 3);
    D3DXVECTOR4 h;
    D3DXVec3Transform(&h, &p, &t);
    EXPECT_EQ(h, D3DXVECTOR4(2, 3, 4, 1));

    D3DXVECTOR3 n;
    EXPECT_EQ(*D3DXVec3TransformNormal(&n, &p, &t), p);

    D3DXMATRIX doubleW;  // w = 2 halves the coordinate result
    D3DXMatrixIdentity(&doubleW);
    doubleW._44 = 2;
    expectVec(transformCoord(p, doubleW), 0.5f, 1, 1.5f);
}

TEST(Math3d, IntersectTriangle) {
    const D3DXVECTOR3 p0(0, 0, 0), p1(1, 0, 0), p2(0, 1, 0);
    struct Hit { D3DXVECTOR3 origin, dir; float u, v, dist; };
    const Hit hits[] = {
        {{0.25f, 0.5f, -2}, {0, 0, 1}, 0.25f, 0.5f, 2},
        {{0.25f, 0.5f, -2}, {0, 0, 4}, 0.25f, 0.5f, 0.5f},  // distance in lengths of dir
        {{0.25f, 0.5f, 3}, {0, 0, -1}, 0.25f, 0.5f, 3},     // back face
        {{0.5f, 0.5f, -1}, {0, 0, 1}, 0.5f, 0.5f, 1},       // hypotenuse edge
        {{0.5f, 0, -1}, {0, 0, 1}, 0.5f, 0, 1},             // bottom edge
    };
    float u, v, dist;
    for (const Hit& h : hits) {
        ASSERT_TRUE(D3DXIntersectTri(&p0, &p1, &p2, &h.origin, &h.dir, &u, &v, &dist)) << h.origin.x << "," << h.origin.z;
        EXPECT_FLOAT_EQ(u, h.u); EXPECT_FLOAT_EQ(v, h.v); EXPECT_FLOAT_EQ(dist, h.dist);
    }
    // Misses leave the outputs alone: outside, behind the origin, parallel.
    u = v = dist = 99;
    const std::pair<D3DXVECTOR3, D3DXVECTOR3> misses[] = {{{0.75f, 0.5f, -1}, {0, 0, 1}}, {{-0.01f, 0.5f, -1}, {0, 0, 1}},
                                                         {{0.25f, 0.25f, 1}, {0, 0, 1}}, {{-1, 0.25f, 0}, {1, 0, 0}}};
    for (const auto& [origin, dir] : misses) EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &origin, &dir, &u, &v, &dist));
    EXPECT_EQ(u, 99.0f); EXPECT_EQ(v, 99.0f); EXPECT_EQ(dist, 99.0f);

    // A tilted triangle; (1.75, 4, 4) = q0 + 0.25·(q1 − q0) + 0.5·(q2 − q0).
    const D3DXVECTOR3 q0(1, 2, 3), q1(4, 2, 5), q2(1, 6, 4), origin(-1.75f, -4, -4), dir(1.75f, 4, 4);
    ASSERT_TRUE(D3DXIntersectTri(&q0, &q1, &q2, &origin, &dir, &u, &v, &dist));
    EXPECT_NEAR(u, 0.25f, kTol); EXPECT_NEAR(v, 0.5f, kTol); EXPECT_NEAR(dist, 2.0f, kTol);
}

TEST(Math3d, BoxBoundProbe) {
    const D3DXVECTOR3 low(-1, -1, -1), high(1, 1, 1);
    auto probe = [&](D3DXVECTOR3 origin, D3DXVECTOR3 dir) { return D3DXBoxBoundProbe(&low, &high, &origin, &dir); };
    EXPECT_TRUE(probe({-5, 0, 0}, {1, 0, 0}));
    EXPECT_FALSE(probe({-5, 0, 0}, {-1, 0, 0}));  // box behind the origin
    EXPECT_FALSE(probe({-5, 3, 0}, {1, 0, 0}));
    EXPECT_TRUE(probe({-5, 1, 0}, {1, 0, 0}));  // grazing a face
    EXPECT_FALSE(probe({-5, 1.001f, 0}, {1, 0, 0}));
    EXPECT_TRUE(probe({-5, -5, -5}, {1, 1, 1}));
    EXPECT_TRUE(probe({-5, 0, 0}, {1, 0.2f, 0}));
    EXPECT_FALSE(probe({-5, 0, 0}, {1, 0.5f, 0}));
    EXPECT_TRUE(probe({0, 0, 0}, {0, -1, 0}));  // from inside
    EXPECT_TRUE(probe({0.5f, 0.5f, 0.5f}, {0, 0, 0}));
    EXPECT_FALSE(probe({5, 0, 0}, {0, 0, 0}));
}

TEST(Math3d, ComputeBoundingBoxOfStridedVertices) {
    struct Vertex { D3DXVECTOR3 position, normal; };  // huge normals would show in the box
    const Vertex vertices[] = {{{1, -2, 3}, {1000, 1000, 1000}}, {{-4, 5, 0}, {-1000, -1000, -1000}}, {{2, 1, -6}, {1000, -1000, 1000}}};
    D3DXVECTOR3 low, high;
    ASSERT_TRUE(D3DXComputeBoundingBox(&vertices[0].position, 3, sizeof(Vertex), &low, &high));
    EXPECT_EQ(low, D3DXVECTOR3(-4, -2, -6));
    EXPECT_EQ(high, D3DXVECTOR3(2, 5, 3));

    ASSERT_TRUE(D3DXComputeBoundingBox(&vertices[1].position, 1, sizeof(Vertex), &low, &high));
    EXPECT_EQ(low, D3DXVECTOR3(-4, 5, 0));
    EXPECT_EQ(high, low);

    EXPECT_FALSE(D3DXComputeBoundingBox(&vertices[0].position, 0, sizeof(Vertex), &low, &high));
    EXPECT_FALSE(D3DXComputeBoundingBox(&vertices[0].position, 3, 4, &low, &high));
    EXPECT_EQ(high, low);
}

TEST(Math3d, Planes) {
    const D3DXVECTOR3 a(0, 0, 2), b(1, 0, 2), c(0, 1, 2);
    D3DXPLANE plane;
    D3DXPlaneFromPoints(&plane, &a, &b, &c);
    EXPECT_EQ(plane, D3DXPLANE(0, 0, 1, -2));
    const D3DXVECTOR3 above(5, 5, 5);
    EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&plane, &above), 3.0f);
    D3DXPlaneFromPoints(&plane, &a, &c, &b);  // reversed winding
    EXPECT_EQ(plane, D3DXPLANE(0, 0, -1, 2));

    const D3DXPLANE scaled(0, 3, 4, -10);
    D3DXPlaneNormalize(&plane, &scaled);
    EXPECT_FLOAT_EQ(plane.b, 0.6f); EXPECT_FLOAT_EQ(plane.c, 0.8f); EXPECT_FLOAT_EQ(plane.d, -2.0f);
    const D3DXPLANE degenerate(0, 0, 0, 5);
    EXPECT_EQ(*D3DXPlaneNormalize(&plane, &degenerate), D3DXPLANE());
    const D3DXVECTOR3 d(2, 0, 2);
    EXPECT_EQ(*D3DXPlaneFromPoints(&plane, &a, &b, &d), D3DXPLANE());
}
