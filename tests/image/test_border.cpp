#include "image/border.h"

#include "core/string.h"
#include "image/image.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>

namespace {

constexpr Rgb kSet{200, 200, 200};

Image blankMask(int marginRight = 0, int marginBottom = 0) {
    Image mask(512, 512);
    mask.marginRight = marginRight;
    mask.marginBottom = marginBottom;
    mask.area.right = static_cast<float>(512 - marginRight);
    mask.area.bottom = static_cast<float>(512 - marginBottom);
    return mask;
}

void fillRect(Image& mask, int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) mask.setPixel(x, y, kSet);
}

// A silhouette grid read straight from the mask: cell (i, j) is the pixel
// under the outline point (i, j).
class MaskOwner : public BorderOwner {
public:
    MaskOwner(const Image& mask, bool adding = true) : mask_(mask), adding_(adding) {}
    bool addingVoxels() const override { return adding_; }
    int silhouetteCell(int i, int j) const override {
        const int w = mask_.width() - mask_.marginRight;
        const int h = mask_.height() - mask_.marginBottom;
        return mask_.isSet(w - 1 - i, h - 1 - j) ? 2 : 0;
    }

private:
    const Image& mask_;
    bool adding_;
};

// Random discs and boxes with a sprinkle of loose pixels, then cleaned the
// way a changed mask is.
Image randomBlob(unsigned seed) {
    std::mt19937 random(seed);
    Image mask = blankMask();
    std::uniform_int_distribution<int> centre(60, 450);
    std::uniform_int_distribution<int> radius(8, 60);
    for (int disc = 0; disc < 8; ++disc) {
        const int cx = centre(random);
        const int cy = centre(random);
        const int r = radius(random);
        for (int y = cy - r; y <= cy + r; ++y)
            for (int x = cx - r; x <= cx + r; ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) mask.setPixel(x, y, kSet);
    }
    for (int box = 0; box < 3; ++box) {
        const int x = centre(random);
        const int y = centre(random);
        fillRect(mask, x, y, x + radius(random), y + radius(random) / 3);
    }
    std::uniform_int_distribution<int> anywhere(0, 511);
    for (int speck = 0; speck < 3000; ++speck) mask.setPixel(anywhere(random), anywhere(random), kSet);
    mask.clearFrame();
    Border::removeIsolatedPixels(mask);
    return mask;
}

// The isolated-pixel rule as repeated full passes in row order.
void removeIsolatedByPasses(Image& mask) {
    const int right = static_cast<int>(mask.area.right);
    const int bottom = static_cast<int>(mask.area.bottom);
    for (bool changed = true; changed;) {
        changed = false;
        for (int y = 1; y < bottom - 1; ++y) {
            for (int x = 1; x < right - 1; ++x) {
                if (!mask.isSet(x, y)) continue;
                int count = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) count += (dx != 0 || dy != 0) && mask.isSet(x + dx, y + dy) ? 1 : 0;
                if (count < 3) {
                    mask.setPixel(x, y, Rgb{});
                    changed = true;
                }
            }
        }
    }
}

float dot(const D3DXVECTOR3& a, float x, float y) { return a.x * x + a.y * y; }

// The smoothing rule run on the whole outline at once: every stop puts every
// vertex back and starts over. Returns the positions and the stopped flags.
struct Smoothed {
    std::vector<D3DXVECTOR2> positions;
    std::vector<bool> stopped;
};
Smoothed smoothWholeOutline(const Border& border) {
    const auto& outline = border.outline();
    Smoothed s;
    for (const BorderVertex* v : outline) s.positions.push_back(v->start);
    s.stopped.assign(outline.size(), false);
    const float limit = border.maxDistance() * border.maxDistance();
    for (int pass = 0; pass < border.passes();) {
        bool restart = false;
        for (std::size_t i = 0; i < outline.size() && !restart; ++i) {
            const BorderVertex* v = outline[i];
            if (v->mode == Border::kModeFixed || s.stopped[i] || v->neighbourCount == 0) continue;
            D3DXVECTOR2& p = s.positions[i];
            float sumX = 0.0f;
            float sumY = 0.0f;
            for (int k = 0; k < v->neighbourCount; ++k) {
                const D3DXVECTOR2& n = s.positions[static_cast<std::size_t>(v->neighbours[static_cast<std::size_t>(k)]->outlineIndex)];
                sumX += n.x - p.x;
                sumY += n.y - p.y;
            }
            const float share = 1.0f / static_cast<float>(v->neighbourCount);
            p.x += sumX * share;
            p.y += sumY * share;
            const float dx = p.x - v->start.x;
            const float dy = p.y - v->start.y;
            if (v->mode != Border::kModeFree && dx * dx + dy * dy > limit) {
                s.stopped[i] = true;
                restart = true;
            }
        }
        if (!restart) {
            ++pass;
            continue;
        }
        for (std::size_t i = 0; i < outline.size(); ++i) s.positions[i] = outline[i]->start;
        pass = 0;
    }
    return s;
}

}  // namespace

TEST(BorderTrace, SinglePixelGivesOneInwardSquare) {
    Image mask = blankMask(100, 50);  // W = 412, H = 462
    mask.setPixel(100, 200, kSet);
    Border border;
    border.make(&mask, 0);
    ASSERT_EQ(border.outline().size(), 4u);
    const int w = 412 - 100;
    const int h = 462 - 200;
    for (auto [ox, oy] : {std::pair{w, h}, {w - 1, h}, {w, h - 1}, {w - 1, h - 1}}) {
        const BorderVertex* v = border.vertexAt(ox, oy);
        ASSERT_NE(v, nullptr) << ox << "," << oy;
        EXPECT_TRUE(v->made);
        EXPECT_EQ(v->neighbourCount, 2);
        EXPECT_GT(dot(v->normal, w - 0.5f - v->position.x, h - 0.5f - v->position.y), 0.5f);
        EXPECT_NEAR(std::hypot(v->normal.x, v->normal.y), 1.0f, 1e-5f);
    }
    ASSERT_EQ(border.polygons().size(), 1u);
    const auto& polygon = border.polygons()[0];
    ASSERT_EQ(polygon.size(), 5u);
    EXPECT_EQ(polygon.front(), polygon.back());
    EXPECT_EQ(std::set<BorderVertex*>(polygon.begin(), polygon.end()).size(), 4u);
    EXPECT_TRUE(border.isInsideOutline(w - 0.5f, h - 0.5f));
    EXPECT_FALSE(border.isInsideOutline(w + 0.5f, h - 0.5f));
}

TEST(BorderTrace, FrameAndMarginPixelsGiveNothing) {
    Image mask = blankMask(100, 0);
    fillRect(mask, 0, 0, 512, 1);      // top row of the frame
    fillRect(mask, 0, 0, 1, 512);      // left column
    fillRect(mask, 411, 0, 512, 512);  // last picture column and the margin
    fillRect(mask, 0, 511, 512, 512);  // bottom row
    Border border;
    border.make(&mask);
    EXPECT_TRUE(border.outline().empty());
    EXPECT_TRUE(border.polygons().empty());
}

TEST(BorderTrace, CornerTouchingPixelsShareAVertex) {
    Image mask = blankMask();
    mask.setPixel(100, 100, kSet);
    mask.setPixel(101, 101, kSet);
    Border border;
    border.make(&mask, 0);
    EXPECT_EQ(border.outline().size(), 7u);
    const BorderVertex* shared = border.vertexAt(512 - 101, 512 - 101);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->neighbourCount, 4);
    std::set<const BorderVertex*> inPolygons;
    for (const auto& polygon : border.polygons()) {
        EXPECT_EQ(polygon.front(), polygon.back());
        inPolygons.insert(polygon.begin(), polygon.end());
    }
    EXPECT_EQ(inPolygons.size(), 7u);
    // Next to the shared corner each quarter answers for its own pixel.
    for (float a : {0.2f, 0.3f}) {
        const float b = 0.5f - a;
        EXPECT_TRUE(border.isInsideOutline(411 + a, 411 + b));
        EXPECT_TRUE(border.isInsideOutline(411 - a, 411 - b));
        EXPECT_FALSE(border.isInsideOutline(411 - a, 411 + b));
        EXPECT_FALSE(border.isInsideOutline(411 + a, 411 - b));
    }
}

TEST(BorderTrace, EmptyMaskAnswersFromTheGrid) {
    Image mask = blankMask();
    Image grid = blankMask();
    grid.setPixel(511 - 10, 511 - 10, kSet);  // cell (10, 10)
    MaskOwner owner(grid);
    Border border;
    border.make(&mask);
    EXPECT_TRUE(border.outline().empty());
    EXPECT_TRUE(border.polygons().empty());
    EXPECT_FALSE(border.isInsideOutline(10.2f, 9.8f));  // no owner yet
    border.setOwner(&owner);
    EXPECT_TRUE(border.isInsideOutline(10.2f, 9.8f));
    EXPECT_FALSE(border.isInsideOutline(10.6f, 10.0f));
    EXPECT_FALSE(border.isInsideOutline(-0.6f, 5.0f));
    EXPECT_FALSE(border.isInsideOutline(NAN, 5.0f));
}

TEST(BorderTrace, NullOrOddMasksAreHarmless) {
    Border border;
    border.make(nullptr);
    EXPECT_TRUE(border.outline().empty());
    Image odd = blankMask(-300, -300);  // margins that would point past the buffer
    fillRect(odd, 100, 100, 300, 300);
    border.make(&odd);
    EXPECT_FALSE(border.outline().empty());
    Image small(5, 3);
    small.fill(kSet);
    border.make(&small);
    EXPECT_TRUE(border.outline().empty());
    odd.area.right = NAN;
    odd.area.bottom = 1e30f;
    EXPECT_EQ(Border::removeIsolatedPixels(odd), 0);
}

class BorderSquare : public ::testing::Test {
protected:
    void SetUp() override {
        mask = blankMask();
        fillRect(mask, 100, 100, 120, 120);  // outline square [392, 412] x [392, 412]
        border.make(&mask, 0);  // unsmoothed, so vertices are picked at their corners
    }
    // Sets the mode of the vertex at (x, y) only.
    void modeAt(float x, float y, int mode) {
        ASSERT_EQ(border.selectVerticesInRect(x, y, x, y), 1);
        ASSERT_TRUE(border.setMode(mode));
    }
    void modeOfAll(int mode) {
        border.selectVerticesInRect(0, 0, 512, 512);
        ASSERT_TRUE(border.setMode(mode));
    }
    std::vector<D3DXVECTOR3> positions() const {
        std::vector<D3DXVECTOR3> out;
        for (const BorderVertex* v : border.outline()) out.push_back(v->position);
        return out;
    }
    Image mask;
    Border border;
};

TEST_F(BorderSquare, ZeroPassesKeepStartPositions) {
    border.setPasses(10);
    border.setPasses(0);
    for (const BorderVertex* v : border.outline()) EXPECT_TRUE(v->position.x == v->start.x && v->position.y == v->start.y);
}

TEST_F(BorderSquare, FixedVertexNeverMovesFreeVertexMovesEveryPass) {
    modeOfAll(Border::kModeFree);
    modeAt(392, 392, Border::kModeFixed);
    const BorderVertex* fixed = border.vertexAt(392, 392);
    const BorderVertex* free = border.vertexAt(412, 412);
    ASSERT_TRUE(fixed && free);
    D3DXVECTOR3 before = free->position;
    for (int passes = 1; passes <= 4; ++passes) {
        border.setPasses(passes);
        EXPECT_TRUE(fixed->position.x == 392.0f && fixed->position.y == 392.0f);
        EXPECT_FALSE(free->position == before) << "pass " << passes;
        before = free->position;
    }
}

// A limited vertex that strays too far is put back and smoothing starts over,
// so the result is exactly that of the vertex having been fixed all along.
TEST_F(BorderSquare, StoppedVertexRestartsSmoothingFromStart) {
    modeOfAll(Border::kModeFree);
    modeAt(392, 392, Border::kModeFixed);
    border.setPasses(10);
    const std::vector<D3DXVECTOR3> withFixedCorner = positions();

    modeAt(392, 392, Border::kModeLimited);
    ASSERT_TRUE(border.setMaxDistance(0.5f));
    const BorderVertex* corner = border.vertexAt(392, 392);
    EXPECT_TRUE(corner->stopped);
    EXPECT_EQ(positions(), withFixedCorner);

    ASSERT_TRUE(border.setMaxDistance(4.0f));  // far enough: it smooths freely
    EXPECT_FALSE(corner->stopped);
    EXPECT_FALSE(corner->position.x == 392.0f && corner->position.y == 392.0f);
}

// However the work is organised, smoothing must give exactly what the rule
// gives when every stop restarts the whole outline: on blobs and on a noisy
// patch full of corner-touching pixels, from no stops to very many.
TEST(BorderSmooth, SameAsRestartingTheWholeOutline) {
    Image noisy = blankMask();
    std::mt19937 random(21);
    std::bernoulli_distribution coin(0.6);
    for (int y = 150; y < 230; ++y)
        for (int x = 150; x < 230; ++x)
            if (coin(random)) noisy.setPixel(x, y, kSet);
    Border::removeIsolatedPixels(noisy);
    Image blobs[] = {randomBlob(5), randomBlob(6), std::move(noisy)};
    for (Image& mask : blobs) {
        Border border;
        border.make(&mask, 0);
        border.selectVerticesInRect(0, 0, 200, 512);
        border.setMode(Border::kModeFree);
        border.selectVerticesInRect(200, 0, 230, 512);
        border.setMode(Border::kModeFixed);
        for (auto [passes, distance] : {std::pair{10, 0.6f}, {3, 0.0f}, {10, 1.0f}, {25, 1.5f}}) {
            border.setPasses(passes);
            ASSERT_TRUE(border.setMaxDistance(distance));
            const Smoothed expected = smoothWholeOutline(border);
            int stops = 0;
            for (std::size_t i = 0; i < border.outline().size(); ++i) {
                const BorderVertex* v = border.outline()[i];
                ASSERT_TRUE(v->stopped == expected.stopped[i] && v->position.x == expected.positions[i].x &&
                            v->position.y == expected.positions[i].y)
                    << i;
                stops += v->stopped ? 1 : 0;
            }
            EXPECT_GT(stops, 5) << passes << " passes, distance " << distance;
        }
    }
}

TEST_F(BorderSquare, RefusesBadSettings) {
    EXPECT_FALSE(border.setMaxDistance(-1.0f));
    EXPECT_FALSE(border.setMaxDistance(NAN));
    EXPECT_EQ(border.maxDistance(), 1.5f);
    border.selectVerticesInRect(0, 0, 512, 512);
    EXPECT_FALSE(border.setMode(3));
    EXPECT_EQ(border.selectedMode(), Border::kModeLimited);
    border.setPasses(1 << 30);
    EXPECT_EQ(border.passes(), Border::kMaxPasses);
}

TEST_F(BorderSquare, FixedCornerAnchorsTheChainWithAGapOpposite) {
    modeOfAll(Border::kModeFree);
    modeAt(392, 392, Border::kModeFixed);
    border.setPasses(10);
    ASSERT_EQ(border.anchors().size(), 1u);
    const BorderVertex* anchor = border.anchors()[0];
    EXPECT_TRUE(anchor->boundary);
    EXPECT_EQ(anchor->next->ownerAnchor, anchor);
    EXPECT_EQ(anchor->next->direction, 0);
    EXPECT_EQ(anchor->previous->ownerAnchor, anchor);
    EXPECT_EQ(anchor->previous->direction, 1);
    // Away from the anchor, no two linked vertices carry the anchor from
    // opposite sides, and the walks did leave vertices unclaimed.
    int unclaimed = 0;
    for (const BorderVertex* v : border.outline()) {
        unclaimed += v != anchor && v->ownerAnchor == nullptr ? 1 : 0;
        if (v != anchor && v->next != anchor && v->ownerAnchor != nullptr && v->next->ownerAnchor == v->ownerAnchor) {
            EXPECT_EQ(v->direction, v->next->direction);
        }
    }
    EXPECT_GT(unclaimed, 0);

    MaskOwner adding(mask, true);
    border.setOwner(&adding);
    border.rebuild();
    EXPECT_TRUE(border.anchors().empty());  // an outward corner anchors only removing clippings
}

TEST(BorderQueries, InsideMatchesPixelsOnRandomBlobs) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        Image mask = randomBlob(seed);
        MaskOwner owner(mask);
        Border border;
        border.setOwner(&owner);
        border.make(&mask, 0);
        ASSERT_FALSE(border.outline().empty());
        std::mt19937 random(seed * 7);
        std::uniform_real_distribution<float> inPixel(0.05f, 0.95f);
        int wrong = 0;
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 512; ++x) {
                const float u = 512 - x - 1 + inPixel(random);
                const float w = 512 - y - 1 + inPixel(random);
                wrong += border.isInsideOutline(u, w) != mask.isSet(x, y) ? 1 : 0;
            }
        EXPECT_EQ(wrong, 0) << "seed " << seed;

        // Smoothed, the outline still agrees wherever the pixels around are alike.
        border.setPasses(10);
        wrong = 0;
        for (int y = 3; y < 509; y += 2) {
            for (int x = 3; x < 509; x += 2) {
                bool alike = true;
                for (int dy = -3; dy <= 3 && alike; ++dy)
                    for (int dx = -3; dx <= 3 && alike; ++dx) alike = mask.isSet(x + dx, y + dy) == mask.isSet(x, y);
                if (alike) wrong += border.isInsideOutline(511.5f - x, 511.5f - y) != mask.isSet(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0) << "seed " << seed;
    }
}

// The outline of a random blob, unsmoothed.
struct BlobBorder {
    explicit BlobBorder(unsigned seed) : mask(randomBlob(seed)), owner(mask) {
        border.setOwner(&owner);
        border.make(&mask, 0);
    }
    Image mask;
    MaskOwner owner;
    Border border;
};

// The search node found by walking down from the root, child by child.
const BorderQuadNode* descendFromRoot(const Border& border, float x, float y) {
    const BorderQuadNode* node = border.indexRoot();
    for (bool deeper = node != nullptr; deeper;) {
        deeper = false;
        for (const BorderQuadNode* child : node->children) {
            if (child != nullptr && child->contains(x, y) && (child->holdsVertices || child->madeAsNeighbour)) {
                node = child;
                deeper = true;
                break;
            }
        }
    }
    return node;
}

// Points inside leaves, on their edges and corners (whole numbers, where the
// order among the children decides), on the canvas's edges and off it.
TEST(BorderQueries, SearchNodeIsWhereTheWalkFromTheRootEnds) {
    for (unsigned seed : {5u, 6u}) {
        BlobBorder blob(seed);
        const Border& border = blob.border;
        ASSERT_FALSE(border.outline().empty());
        std::mt19937 random(seed);
        std::uniform_real_distribution<float> anywhere(-4.0f, 516.0f);
        std::uniform_int_distribution<int> line(0, 512);
        int different = 0;
        int checked = 0;
        const auto check = [&](float x, float y) {
            different += border.findSearchNode(x, y) != descendFromRoot(border, x, y) ? 1 : 0;
            ++checked;
        };
        for (int i = 0; i < 100000; ++i) {
            const float x = anywhere(random);
            const float y = anywhere(random);
            check(x, y);
            check(static_cast<float>(line(random)), y);
            check(x, static_cast<float>(line(random)));
            check(static_cast<float>(line(random)), static_cast<float>(line(random)));
            check(std::nextafter(static_cast<float>(line(random)), 1000.0f), std::nextafter(y, -1000.0f));
        }
        // Every whole point near the outline, where nodes are deepest.
        for (const BorderVertex* v : border.outline()) {
            for (int dy = -3; dy <= 3; ++dy) {
                for (int dx = -3; dx <= 3; ++dx) {
                    check(std::round(v->position.x) + static_cast<float>(dx),
                          std::round(v->position.y) + static_cast<float>(dy));
                }
            }
        }
        check(std::numeric_limits<float>::quiet_NaN(), 10.5f);
        check(10.5f, std::numeric_limits<float>::infinity());
        check(0.0f, 0.0f);
        check(512.0f, 512.0f);
        EXPECT_EQ(different, 0) << "seed " << seed << " of " << checked;
    }
}

// Away from the outline the silhouette grid answers; near it the outline
// search does. Points on the leaves' edges (whole numbers), where a point
// touches squares on both sides, must not take the grid's answer when the
// search node is near the outline.
TEST(BorderQueries, GridAnswersOnlyWhereTheSearchNodeIsFarFromTheOutline) {
    for (unsigned seed : {5u, 6u}) {
        BlobBorder blob(seed);
        Border& border = blob.border;
        const MaskOwner& owner = blob.owner;
        border.setPasses(10);  // the outline leaves the pixel edges
        ASSERT_FALSE(border.outline().empty());
        int wrongSide = 0;
        int wrongSearch = 0;
        int nearOutline = 0;
        for (int step = 0; step <= 2 * 512; ++step) {
            for (int other = 0; other <= 512; ++other) {
                // Whole numbers on both axes, or halves on one.
                const float x = 0.5f * static_cast<float>(step);
                const float y = static_cast<float>(other);
                const BorderQuadNode* node = border.findSearchNode(x, y);
                ASSERT_NE(node, nullptr);
                const bool near = node->depth >= Border::kSearchDepth;
                nearOutline += near ? 1 : 0;
                D3DXVECTOR3 nearest;
                OutlineHit hit;
                const int i = static_cast<int>(std::lround(x));
                const int j = static_cast<int>(std::lround(y));
                const bool gridInside = i < 512 && j < 512 && owner.silhouetteCell(i, j) == 2;
                const bool expected =
                    near ? border.nearestOutlinePoint(D3DXVECTOR3(x, y, 0.0f), nearest, &hit) : gridInside;
                wrongSide += border.isInsideOutline(x, y) != expected ? 1 : 0;
                border.nearestOutlinePointOutside(x, y, hit);
                const bool searched = hit.vertex != nullptr;
                if (near ? !searched : (gridInside && searched)) ++wrongSearch;
            }
        }
        EXPECT_GT(nearOutline, 1000) << "seed " << seed;
        EXPECT_EQ(wrongSide, 0) << "seed " << seed;
        EXPECT_EQ(wrongSearch, 0) << "seed " << seed;
    }
}

// Asked again about a point with the vertex the first search settled on,
// the border answers exactly as the search did: near the smoothed outline,
// on its vertices and corners (where two regions touch), and off the canvas
// (clamped for kept silhouettes, not for removed ones).
TEST(BorderQueries, AskingAgainWithTheVertexFoundGivesTheSearchesAnswers) {
    for (unsigned seed : {5u, 6u}) {
        BlobBorder blob(seed);
        Border& border = blob.border;
        border.setPasses(10);
        ASSERT_FALSE(border.outline().empty());
        std::mt19937 random(seed);
        std::uniform_real_distribution<float> offset(-3.0f, 3.0f);
        std::uniform_real_distribution<float> anywhere(-8.0f, 520.0f);
        int searched = 0;
        int different = 0;
        const auto same = [](const OutlineHit& a, const OutlineHit& b) {
            return a.vertex == b.vertex && a.point == b.point && a.normal == b.normal;
        };
        const auto check = [&](float x, float y) {
            OutlineHit first;
            const bool outside = border.nearestOutlinePointOutside(x, y, first);
            if (first.vertex != nullptr) {
                ++searched;
                OutlineHit again;
                again.point = D3DXVECTOR3(-1.0f, -1.0f, -1.0f);
                const bool outsideAgain = border.nearestOutlinePointOutsideAgain(x, y, *first.vertex, again);
                different += outsideAgain != outside || !same(again, first) ? 1 : 0;
            }
            const bool inside = border.nearestOutlinePointInside(x, y, 0.0f, first);
            if (first.vertex != nullptr) {
                OutlineHit again;
                const bool insideAgain = border.nearestOutlinePointInsideAgain(x, y, *first.vertex, again);
                different += insideAgain != inside || !same(again, first) ? 1 : 0;
            }
        };
        for (const BorderVertex* v : border.outline()) {
            check(v->position.x, v->position.y);
            for (int i = 0; i < 8; ++i) check(v->position.x + offset(random), v->position.y + offset(random));
        }
        for (int i = 0; i < 20000; ++i) check(anywhere(random), anywhere(random));
        EXPECT_GT(searched, 10000) << "seed " << seed;
        EXPECT_EQ(different, 0) << "seed " << seed;
    }
}

TEST_F(BorderSquare, NearestPointOnASquare) {
    D3DXVECTOR3 q;
    EXPECT_FALSE(border.nearestOutlinePoint(D3DXVECTOR3(400.3f, 380.0f, 7.0f), q));
    EXPECT_NEAR(q.x, 400.3f, 1e-4f);
    EXPECT_NEAR(q.y, 392.0f, 1e-4f);
    EXPECT_EQ(q.z, 7.0f);
    EXPECT_TRUE(border.nearestOutlinePoint(D3DXVECTOR3(400.3f, 394.0f, 0.0f), q));
    EXPECT_NEAR(q.y, 392.0f, 1e-4f);
    EXPECT_FALSE(border.nearestOutlinePoint(D3DXVECTOR3(10.0f, 10.0f, 0.0f), q));
    EXPECT_EQ(q.x, 392.0f);
    EXPECT_EQ(q.y, 392.0f);
    EXPECT_FALSE(border.nearestOutlinePoint(D3DXVECTOR3(900.0f, 401.0f, 0.0f), q));  // clamped to 512
    EXPECT_NEAR(q.x, 412.0f, 1e-4f);
    EXPECT_NEAR(q.y, 401.0f, 1e-4f);
}

TEST_F(BorderSquare, SharpeningSearchesTellTheSide) {
    MaskOwner owner(mask);
    border.setOwner(&owner);
    border.setSlabPlanes(10.0f, 8.0f, -10.0f, -8.0f);
    OutlineHit hit;
    EXPECT_FALSE(border.nearestOutlinePointOutside(400.0f, 391.0f, hit));
    EXPECT_NEAR(hit.point.y, 392.0f, 1e-4f);
    EXPECT_NE(hit.vertex, nullptr);
    EXPECT_TRUE(border.nearestOutlinePointOutside(400.0f, 392.00001f, hit));  // on the line
    EXPECT_TRUE(border.nearestOutlinePointOutside(400.0f, 393.0f, hit));

    EXPECT_TRUE(border.nearestOutlinePointInside(400.0f, 393.0f, 0.0f, hit));
    EXPECT_NEAR(hit.point.y, 392.0f, 1e-4f);
    EXPECT_FALSE(border.nearestOutlinePointInside(400.0f, 391.0f, 0.0f, hit));
    // Deep inside, far from every vertex: the grid and the slab decide.
    EXPECT_TRUE(border.nearestOutlinePointInside(402.0f, 402.0f, 9.0f, hit));
    EXPECT_EQ(hit.point.x, 402.0f);
    EXPECT_FALSE(border.nearestOutlinePointInside(402.0f, 402.0f, 0.0f, hit));
    EXPECT_FALSE(border.nearestOutlinePointInside(100.0f, 100.0f, 9.0f, hit));
}

TEST_F(BorderSquare, SelectionByRectangleAndPoint) {
    EXPECT_EQ(border.selectVerticesInRect(412.0f, 420.0f, 392.0f, 412.0f), 21);  // one side, corners in either order
    EXPECT_EQ(border.selectedCount(), 21);
    EXPECT_EQ(border.selectedMode(), Border::kModeLimited);
    ASSERT_TRUE(border.setMode(Border::kModeFixed));
    EXPECT_EQ(border.selectedMode(), Border::kModeFixed);
    EXPECT_EQ(border.selectVerticesInRect(391.0f, 391.0f, 413.0f, 413.0f), 80);
    EXPECT_EQ(border.selectedMode(), -1);

    const BorderVertex* picked = border.selectVertexAt(412.5f, 400.2f);
    ASSERT_NE(picked, nullptr);
    EXPECT_EQ(picked->slot, Border::slotNumber(412, 400));
    EXPECT_EQ(border.selectedCount(), 1);
    EXPECT_EQ(border.selectVertexAt(300.0f, 300.0f), nullptr);
    EXPECT_EQ(border.selectedCount(), 0);
}

TEST_F(BorderSquare, ModesSurviveTheCornerLeavingTheOutline) {
    modeAt(392, 392, Border::kModeFixed);
    fillRect(mask, 95, 95, 125, 125);  // corner (120, 120) is now inside
    border.rebuild();
    EXPECT_FALSE(border.vertexAt(392, 392)->made);
    mask.fill(Rgb{});
    fillRect(mask, 100, 100, 120, 120);
    border.rebuild();
    EXPECT_TRUE(border.vertexAt(392, 392)->made);
    EXPECT_EQ(border.vertexAt(392, 392)->mode, Border::kModeFixed);
}

TEST(BorderUpdate, CleansTheMaskOnlyWhenChanged) {
    struct Listener : BorderListener {
        int calls = 0;
        void maskCleaned(const Image&) override { ++calls; }
    } listener;
    Image mask = blankMask();
    fillRect(mask, 100, 100, 120, 120);
    mask.setPixel(300, 300, kSet);  // isolated
    mask.setPixel(0, 50, kSet);     // frame
    Border border;
    border.setListener(&listener);
    border.make(&mask);
    border.update();  // not marked: no cleaning
    EXPECT_TRUE(mask.isSet(300, 300));
    EXPECT_EQ(listener.calls, 0);
    border.markChanged();
    border.update();
    EXPECT_FALSE(mask.isSet(300, 300));
    EXPECT_FALSE(mask.isSet(0, 50));
    EXPECT_TRUE(mask.isSet(110, 110));
    EXPECT_EQ(listener.calls, 1);
    EXPECT_FALSE(border.isChangedFor2D());
    EXPECT_TRUE(border.isChangedFor3D());
    EXPECT_EQ(border.outline().size(), 80u);
    border.clearChangedFor3D();
    border.setMaxDistance(2.0f);  // a new outline for the clipping
    EXPECT_TRUE(border.isChangedFor3D());
}

TEST(BorderUpdate, IsolatedPixelsGoAsWithRepeatedPasses) {
    std::mt19937 random(11);
    std::bernoulli_distribution coin(0.45);
    Image a = blankMask(40, 20);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x)
            if (coin(random)) a.setPixel(x, y, kSet);
    Image b = a.clone();
    const int cleared = Border::removeIsolatedPixels(a);
    removeIsolatedByPasses(b);
    EXPECT_GT(cleared, 0);
    EXPECT_TRUE(a.equals(b));
}

class BorderFile : public BorderSquare {
protected:
    std::vector<int> modes(const Border& b) const {
        std::vector<int> out;
        for (int slot = 0; slot < Border::kSlotCount; ++slot) out.push_back(b.vertexInSlot(slot) ? b.vertexInSlot(slot)->mode : -1);
        return out;
    }
    testsupport::TempDir dir;
};

TEST_F(BorderFile, RoundTripKeepsModesAndDistance) {
    modeAt(392, 392, Border::kModeFixed);
    modeAt(412, 400, Border::kModeFree);
    ASSERT_TRUE(border.setMaxDistance(2.5f));
    const String path(dir.file("border0.brd").c_str());
    ASSERT_TRUE(border.write(path));
    const std::string text = testsupport::readText(path.str());
    EXPECT_EQ(text.rfind("2.5 0 0 ", 0), 0u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 513);

    Image other = blankMask();
    fillRect(other, 100, 100, 120, 120);
    Border loaded;
    loaded.make(&other);
    ASSERT_TRUE(loaded.read(path));
    EXPECT_EQ(loaded.maxDistance(), 2.5f);
    EXPECT_EQ(modes(loaded), modes(border));
    EXPECT_EQ(loaded.serialise(), text);

    Border copy;
    copy.make(&other);
    copy.copyFrom(border);
    EXPECT_EQ(copy.serialise(), text);
}

TEST_F(BorderFile, DamagedFilesLoadWhatTheyCanAndRetrace) {
    modeOfAll(Border::kModeFixed);
    const std::string good = border.serialise();
    const std::size_t outlineSize = border.outline().size();
    auto load = [&](const std::string& content) {
        return border.readFrom(reinterpret_cast<const unsigned char*>(content.data()), content.size());
    };
    auto countMode = [&](int mode) {
        return std::count_if(border.outline().begin(), border.outline().end(), [&](const BorderVertex* v) { return v->mode == mode; });
    };

    // Cut in the middle of the vertex lines: the first half keeps its modes.
    EXPECT_FALSE(load(good.substr(0, good.find("1 2", 0) + 20 * 1026)));
    EXPECT_EQ(border.outline().size(), outlineSize);
    EXPECT_GT(countMode(Border::kModeFixed), 0);
    EXPECT_GT(countMode(Border::kModeLimited), 0);

    EXPECT_TRUE(load(good + "trailing junk 1 2 3\n"));
    EXPECT_EQ(countMode(Border::kModeFixed), static_cast<int>(outlineSize));

    for (const std::string& junk : {std::string(), std::string("\x01\xff garbage"), std::string("nan 0 0"), std::string("1.5 0 0 1 7 0"),
                                    std::string("1.5 0 0 3 0"), std::string("1.5 99999999999999999999 0")}) {
        EXPECT_FALSE(load(junk));
        EXPECT_EQ(border.outline().size(), outlineSize);
        EXPECT_EQ(countMode(Border::kModeLimited), static_cast<int>(outlineSize));
    }
    std::string farDistance = good;
    farDistance.replace(0, 3, "1e9");
    EXPECT_FALSE(load(farDistance));
    EXPECT_EQ(border.maxDistance(), 1.5f);
    EXPECT_EQ(countMode(Border::kModeFixed), static_cast<int>(outlineSize));

    EXPECT_FALSE(border.read(String(dir.file("missing.brd").c_str())));
    EXPECT_EQ(border.outline().size(), outlineSize);
}
