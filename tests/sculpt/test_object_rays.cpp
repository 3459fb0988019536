// The object as rays see it: the hierarchy finds exactly the crossings a
// test of every triangle finds, a crossing through an edge counts once, and
// the inside of a closed object is told by counting crossings.
#include "sculpt/object_rays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

MeshReprTriangle triangle(const D3DXVECTOR3& e, const D3DXVECTOR3& f, const D3DXVECTOR3& g) {
    MeshReprTriangle t;
    t.corners[0].position = e;
    t.corners[1].position = f;
    t.corners[2].position = g;
    return t;
}

// The closed cube [-1, 1]^3, two triangles per face.
std::vector<MeshReprTriangle> cube() {
    std::vector<MeshReprTriangle> out;
    for (int axis = 0; axis < 3; ++axis) {
        for (float side : {-1.0f, 1.0f}) {
            auto at = [&](float a, float b) {
                float c[3];
                c[axis] = side;
                c[(axis + 1) % 3] = a;
                c[(axis + 2) % 3] = b;
                return D3DXVECTOR3(c[0], c[1], c[2]);
            };
            out.push_back(triangle(at(-1, -1), at(1, -1), at(-1, 1)));
            out.push_back(triangle(at(1, -1), at(1, 1), at(-1, 1)));
        }
    }
    return out;
}

// A lumpy closed ball of rings x segments quads.
std::vector<MeshReprTriangle> ball(int rings, int segments) {
    const float pi = 4.0f * std::atan(1.0f);
    auto point = [&](int r, int s) {
        const float theta = pi * static_cast<float>(r) / static_cast<float>(rings);
        const float phi = 2.0f * pi * static_cast<float>(s % segments) / static_cast<float>(segments);
        const float radius = 100.0f * (1.0f + 0.2f * std::sin(3.0f * theta) * std::cos(4.0f * phi));
        return D3DXVECTOR3(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)) * radius;
    };
    std::vector<MeshReprTriangle> out;
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            out.push_back(triangle(point(r, s), point(r + 1, s), point(r, s + 1)));
            out.push_back(triangle(point(r, s + 1), point(r + 1, s), point(r + 1, s + 1)));
        }
    }
    return out;
}

// Every crossing of the segment, found by testing each triangle (both sides).
std::vector<float> bruteCrossings(const std::vector<MeshReprTriangle>& triangles, const D3DXVECTOR3& from,
                                  const D3DXVECTOR3& to) {
    std::vector<float> out;
    const D3DXVECTOR3 d = to - from;
    for (const MeshReprTriangle& t : triangles) {
        const D3DXVECTOR3 a = t.corners[0].position, b = t.corners[1].position, c = t.corners[2].position;
        D3DXVECTOR3 normal;
        const D3DXVECTOR3 ab = b - a, ac = c - a;
        D3DXVec3Cross(&normal, &ab, &ac);
        const float denominator = D3DXVec3Dot(&normal, &d);
        if (std::fabs(denominator) < 1e-12f) continue;
        const D3DXVECTOR3 fa = a - from;
        const float s = D3DXVec3Dot(&normal, &fa) / denominator;
        if (s < 0.0f || s > 1.0f) continue;
        const D3DXVECTOR3 p = from + d * s;
        // Inside when p lies on the inner side of all three edges.
        bool inside = true;
        const D3DXVECTOR3 corners[3] = {a, b, c};
        for (int k = 0; k < 3; ++k) {
            D3DXVECTOR3 edge = corners[(k + 1) % 3] - corners[k];
            D3DXVECTOR3 toP = p - corners[k];
            D3DXVECTOR3 side;
            D3DXVec3Cross(&side, &edge, &toP);
            if (D3DXVec3Dot(&side, &normal) < 0.0f) inside = false;
        }
        if (inside) out.push_back(s);
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(ObjectRays, TheHierarchyFindsWhatEveryTriangleFinds) {
    const std::vector<MeshReprTriangle> triangles = ball(40, 60);
    const ObjectRays rays(triangles);
    ASSERT_EQ(rays.triangleCount(), static_cast<int>(triangles.size()));
    std::mt19937 random(5);
    std::uniform_real_distribution<float> coordinate(-200.0f, 200.0f);
    std::vector<float> found;
    int crossingsSeen = 0;
    for (int k = 0; k < 300; ++k) {
        const D3DXVECTOR3 from(coordinate(random), coordinate(random), coordinate(random));
        const D3DXVECTOR3 to(coordinate(random), coordinate(random), coordinate(random));
        rays.crossings(from, to, found);
        const std::vector<float> expected = bruteCrossings(triangles, from, to);
        ASSERT_EQ(found.size(), expected.size()) << "segment " << k;
        for (size_t i = 0; i < found.size(); ++i) EXPECT_NEAR(found[i], expected[i], 1e-4f);
        crossingsSeen += static_cast<int>(found.size());
    }
    EXPECT_GT(crossingsSeen, 100) << "the segments must meet the ball";
}

TEST(ObjectRays, InsideIsToldByCountingCrossings) {
    const ObjectRays rays(cube());
    IntervalList inside;
    // Straight through: in at x = -1 (s = 3/8), out at x = 1 (s = 5/8).
    rays.insideIntervals({-4, 0.3f, 0.2f}, {4, 0.3f, 0.2f}, 0.0f, 1.0f, inside);
    ASSERT_EQ(inside.size(), 1u);
    EXPECT_NEAR(inside[0].begin, 0.375f, 1e-5f);
    EXPECT_NEAR(inside[0].end, 0.625f, 1e-5f);
    // Through the edge between two triangles of a face: one crossing each way.
    rays.insideIntervals({-4, 0.0f, 0.0f}, {4, 0.0f, 0.0f}, 0.0f, 1.0f, inside);
    ASSERT_EQ(inside.size(), 1u);
    // Cut to [low, high].
    rays.insideIntervals({-4, 0.3f, 0.2f}, {4, 0.3f, 0.2f}, 0.5f, 1.0f, inside);
    ASSERT_EQ(inside.size(), 1u);
    EXPECT_NEAR(inside[0].begin, 0.5f, 1e-6f);
    // Missing the cube, or ending before it.
    rays.insideIntervals({-4, 3.0f, 0.0f}, {4, 3.0f, 0.0f}, 0.0f, 1.0f, inside);
    EXPECT_TRUE(inside.empty());
    rays.insideIntervals({-4, 0.0f, 0.0f}, {-2, 0.0f, 0.0f}, 0.0f, 1.0f, inside);
    EXPECT_TRUE(inside.empty());
    EXPECT_TRUE(ObjectRays().isEmpty());
}

TEST(ObjectRays, TrianglesThatAreNotNumbersAreLeftOut) {
    std::vector<MeshReprTriangle> triangles = cube();
    triangles.push_back(triangle({std::nanf(""), 0, 0}, {0, 1, 0}, {1, 0, 0}));
    const ObjectRays rays(triangles);
    EXPECT_EQ(rays.triangleCount(), 12);
}
