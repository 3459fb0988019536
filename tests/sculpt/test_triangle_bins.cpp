// Finding the triangles whose boxes may reach given boxes through bins,
// against testing every triangle's box.
#include "sculpt/triangle_bins.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <set>
#include <vector>

namespace {

struct Soup {
    std::vector<D3DXVECTOR3> positions;
    std::vector<MeshTriangle> triangles;

    std::uint32_t add(const D3DXVECTOR3& p) {
        positions.push_back(p);
        return static_cast<std::uint32_t>(positions.size() - 1);
    }
    void triangle(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c) {
        triangles.push_back({add(a), add(b), add(c)});
    }
};

// Small triangles scattered over a cube, some much larger, some flat on a
// lattice (so that centres sit exactly on cell borders), one collapsed to a
// point, and a few without a box (a corner out of range or not finite).
Soup mixedSoup(unsigned seed, int count) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> place(-100.0f, 100.0f);
    std::uniform_real_distribution<float> small(-1.5f, 1.5f);
    std::uniform_real_distribution<float> large(-40.0f, 40.0f);
    Soup soup;
    for (int i = 0; i < count; ++i) {
        const D3DXVECTOR3 at(place(random), place(random), place(random));
        auto& reach = i % 50 == 0 ? large : small;
        soup.triangle(at, at + D3DXVECTOR3(reach(random), reach(random), reach(random)),
                      at + D3DXVECTOR3(reach(random), reach(random), reach(random)));
    }
    for (int i = 0; i < 64; ++i) {
        const D3DXVECTOR3 at(2.0f * static_cast<float>(i % 8), 2.0f * static_cast<float>(i / 8), 0.0f);
        soup.triangle(at, at + D3DXVECTOR3(2.0f, 0.0f, 0.0f), at + D3DXVECTOR3(0.0f, 2.0f, 0.0f));
    }
    const D3DXVECTOR3 point(5.0f, 5.0f, 5.0f);
    soup.triangle(point, point, point);
    soup.triangles.push_back({0, 1, 999999});
    soup.triangle(D3DXVECTOR3(std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.0f), point, point);
    soup.triangle(D3DXVECTOR3(0.0f, std::numeric_limits<float>::infinity(), 0.0f), point, point);
    return soup;
}

bool overlap(const TriangleBox& a, const TriangleBox& b) {
    for (int axis = 0; axis < 3; ++axis) {
        if (a.high[axis] < b.low[axis] || b.high[axis] < a.low[axis]) return false;
    }
    return true;
}

std::set<std::uint32_t> reachingByHand(const Soup& soup, const std::vector<TriangleBox>& queries) {
    std::set<std::uint32_t> found;
    for (std::uint32_t t = 0; t < soup.triangles.size(); ++t) {
        TriangleBox box;
        if (!triangleBoxOf(soup.positions, soup.triangles[t], box)) continue;
        for (const TriangleBox& q : queries) {
            if (overlap(box, q)) found.insert(t);
        }
    }
    return found;
}

// The visits, each triangle's count checked to be one.
std::vector<std::uint32_t> visitsOf(const TriangleBins& bins, const std::vector<TriangleBox>& queries) {
    std::vector<std::uint32_t> visited;
    bins.forEachNear(queries, [&](std::uint32_t t) { visited.push_back(t); });
    return visited;
}

TriangleBox boxAround(const D3DXVECTOR3& at, float half) {
    return TriangleBox{{at.x - half, at.y - half, at.z - half}, {at.x + half, at.y + half, at.z + half}};
}

TEST(TriangleBins, VisitEveryTriangleWhoseBoxReachesAQueryOnce) {
    ParallelRunner two(2);
    for (unsigned seed : {1u, 2u, 3u}) {
        const Soup soup = mixedSoup(seed, 40000);
        const TriangleBins bins(soup.positions, soup.triangles);
        const TriangleBins threaded(soup.positions, soup.triangles, &two);
        EXPECT_EQ(bins.binned(), soup.triangles.size() - 3);
        std::mt19937 random(seed + 100);
        std::uniform_real_distribution<float> place(-110.0f, 110.0f);
        std::uniform_real_distribution<float> half(0.0f, 4.0f);
        for (int round = 0; round < 30; ++round) {
            std::vector<TriangleBox> queries;
            const int many = 1 + round % 7;
            for (int q = 0; q < many; ++q) queries.push_back(boxAround({place(random), place(random), place(random)}, half(random)));
            // Boxes on the lattice of the flat triangles and on the point.
            if (round % 5 == 0) queries.push_back(TriangleBox{{4.0f, 4.0f, 0.0f}, {4.0f, 4.0f, 0.0f}});
            if (round % 5 == 1) queries.push_back(TriangleBox{{5.0f, 5.0f, 5.0f}, {5.0f, 5.0f, 5.0f}});
            const std::vector<std::uint32_t> visited = visitsOf(bins, queries);
            const std::set<std::uint32_t> once(visited.begin(), visited.end());
            EXPECT_EQ(once.size(), visited.size()) << "a triangle visited twice, seed " << seed << " round " << round;
            for (std::uint32_t t : reachingByHand(soup, queries)) {
                EXPECT_TRUE(once.count(t) != 0) << "triangle " << t << " missed, seed " << seed << " round " << round;
            }
            for (std::uint32_t t : visited) {
                TriangleBox box;
                EXPECT_TRUE(triangleBoxOf(soup.positions, soup.triangles[t], box)) << "a triangle without a box visited";
            }
            EXPECT_EQ(visitsOf(threaded, queries), visited) << "threads changed the visits, seed " << seed;
        }
    }
}

TEST(TriangleBins, LookOnlyNearTheQueriesAndEverywhereForQueriesAsLargeAsTheMesh) {
    // A sheet of 2 x 2 triangles, 300 x 300 squares.
    Soup sheet;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x) {
            const D3DXVECTOR3 at(static_cast<float>(x), static_cast<float>(y), 0.0f);
            sheet.triangle(at, at + D3DXVECTOR3(1.0f, 0.0f, 0.0f), at + D3DXVECTOR3(0.0f, 1.0f, 0.0f));
            sheet.triangle(at + D3DXVECTOR3(1.0f, 0.0f, 0.0f), at + D3DXVECTOR3(1.0f, 1.0f, 0.0f),
                           at + D3DXVECTOR3(0.0f, 1.0f, 0.0f));
        }
    const TriangleBins bins(sheet.positions, sheet.triangles);
    const std::vector<TriangleBox> one{boxAround({150.5f, 150.5f, 0.0f}, 0.25f)};
    const std::vector<std::uint32_t> near = visitsOf(bins, one);
    EXPECT_EQ(reachingByHand(sheet, one).size(), 2u);
    EXPECT_GE(near.size(), 2u);
    EXPECT_LT(near.size(), 200u) << "a small query should look at a few cells of the sheet only";
    const std::vector<TriangleBox> all{boxAround({150.0f, 150.0f, 0.0f}, 400.0f)};
    const std::vector<std::uint32_t> everywhere = visitsOf(bins, all);
    EXPECT_EQ(std::set<std::uint32_t>(everywhere.begin(), everywhere.end()).size(), sheet.triangles.size());
    EXPECT_EQ(everywhere.size(), sheet.triangles.size());
    const std::vector<TriangleBox> far{boxAround({5000.0f, 0.0f, 0.0f}, 1.0f)};
    EXPECT_TRUE(visitsOf(bins, far).empty());
}

TEST(TriangleBins, EmptyAndCollapsedMeshes) {
    const std::vector<D3DXVECTOR3> none;
    const TriangleBins empty(none, std::vector<MeshTriangle>{});
    EXPECT_TRUE(visitsOf(empty, {boxAround({0.0f, 0.0f, 0.0f}, 1.0f)}).empty());
    Soup points;
    for (int i = 0; i < 20; ++i) points.triangle({1.0f, 2.0f, 3.0f}, {1.0f, 2.0f, 3.0f}, {1.0f, 2.0f, 3.0f});
    const TriangleBins collapsed(points.positions, points.triangles);
    EXPECT_EQ(visitsOf(collapsed, {boxAround({1.0f, 2.0f, 3.0f}, 0.0f)}).size(), 20u);
    EXPECT_TRUE(visitsOf(collapsed, {boxAround({1.0f, 2.0f, 30.0f}, 1.0f)}).empty());
}

}  // namespace
