// The display side of a clipping: the model frame must put every drawn point
// where the pipeline's projection puts it, the silhouette field must walk
// lines exactly like the point test, and the meshes and picking must follow.
#include "image/border.h"
#include "image/image.h"
#include "image/image_entry.h"
#include "platform/graphics_device.h"
#include "sculpt/clipping.h"
#include "sculpt/clipping_frame.h"
#include "sculpt/clipping_meshes.h"
#include "sculpt/clipping_node.h"
#include "sculpt/silhouette_field.h"
#include "sculpt/synthetic_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

namespace {

// A disc of radius `radius` pixels around (cx, cy) on a 512 canvas with the
// given margins.
std::unique_ptr<ImageEntry> discEntry(float cx, float cy, float radius, int marginRight = 0, int marginBottom = 0) {
    Image picture(512, 512, Rgb{200, 100, 50});
    picture.marginRight = marginRight;
    picture.marginBottom = marginBottom;
    picture.rotationCentre = ImagePoint{cx, cy};
    picture.fovCentre = ImagePoint{cx + 30.0f, cy - 20.0f};
    Image mask(512, 512);
    mask.marginRight = marginRight;
    mask.marginBottom = marginBottom;
    for (int y = 0; y < 512 - marginBottom; ++y)
        for (int x = 0; x < 512 - marginRight; ++x)
            if (std::hypot(x + 0.5f - cx, y + 0.5f - cy) <= radius) mask.setPixel(x, y, Rgb{255, 255, 255});
    return std::make_unique<ImageEntry>(Image(), std::move(picture), std::move(mask));
}

ClippingPlacement placed(float yaw, float pitch, float roll, bool fov) {
    ClippingPlacement p;
    p.translation = D3DXVECTOR3(40.0f, -25.0f, 70.0f);
    p.scaling = D3DXVECTOR3(1200.0f, 1.5f, 0.75f);
    p.angle = yaw;
    p.angleheight = pitch;
    p.angleimage = roll;
    p.fovSet = fov;
    p.fovX = 1.8f;
    p.fovY = 1.3f;
    return p;
}

float distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

TEST(ClippingFrame, DrawnPointsLieWhereTheProjectionPutsThem) {
    auto entry = discEntry(220.0f, 260.0f, 120.0f, 40, 12);
    Clipping clipping(*entry);
    struct Case {
        float yaw, pitch, roll;
        bool fov;
    };
    const Case cases[] = {{0, 0, 0, false}, {37, -20, 300, false}, {359, 89, 10, false},
                          {120, 45, 90, true}, {250, -80, 200, true}, {0, 0, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.yaw << " " << c.pitch << " " << c.roll << " fov " << c.fov);
        clipping.setPlacement(placed(c.yaw, c.pitch, c.roll, c.fov));
        const ClippingModelFrame frame = ClippingModelFrame::of(clipping);
        const D3DXMATRIX world = worldMatrix(nodeTransformOf(clipping.placement()));
        for (float s : {0.0f, 0.3f, 1.0f}) {
            for (float u : {10.0f, 250.0f, 460.0f}) {
                for (float w : {5.0f, 300.0f, 499.0f}) {
                    D3DXVECTOR3 drawn;
                    const D3DXVECTOR3 model = frame.point(u, w, s);
                    D3DXVec3TransformCoord(&drawn, &model, &world);
                    const float depth = (s - 0.5f) * clipping.placement().scaling.x;
                    const auto expected = clipping.unprojectPoint(ClipPoint{depth, w, u});
                    ASSERT_TRUE(expected.has_value());
                    EXPECT_LT(distance(drawn, *expected), 0.05f) << "u " << u << " w " << w << " s " << s;
                }
            }
        }
    }
}

TEST(ClippingFrame, NodeRotationStaysWithinOneTurnForAnyAngles) {
    const float angles[][3] = {{0, 0, 0}, {360, 180, 360}, {-10, -90, -370}, {725, -181, 1e6f}};
    for (const auto& a : angles) {
        const D3DXVECTOR3 r = nodeRotationOfAngles(a[0], a[1], a[2]);
        for (float component : {r.x, r.y, r.z}) {
            EXPECT_GE(component, 0.0f);
            EXPECT_LE(component, kFullTurn + 1e-5f);
        }
    }
}

TEST(Intervals, IntersectAndComplement) {
    const IntervalList a{{0.0f, 0.3f}, {0.5f, 0.9f}};
    const IntervalList b{{0.2f, 0.6f}, {0.8f, 1.0f}};
    IntervalList both;
    intersectIntervals(a, b, both);
    ASSERT_EQ(both.size(), 3u);
    EXPECT_FLOAT_EQ(both[0].begin, 0.2f);
    EXPECT_FLOAT_EQ(both[0].end, 0.3f);
    EXPECT_FLOAT_EQ(both[1].begin, 0.5f);
    EXPECT_FLOAT_EQ(both[1].end, 0.6f);
    EXPECT_FLOAT_EQ(both[2].begin, 0.8f);
    EXPECT_FLOAT_EQ(both[2].end, 0.9f);
    IntervalList gaps;
    complementIntervals(a, 0.0f, 1.0f, gaps);
    ASSERT_EQ(gaps.size(), 2u);
    EXPECT_FLOAT_EQ(gaps[0].begin, 0.3f);
    EXPECT_FLOAT_EQ(gaps[0].end, 0.5f);
    EXPECT_FLOAT_EQ(gaps[1].begin, 0.9f);
    EXPECT_FLOAT_EQ(gaps[1].end, 1.0f);
    complementIntervals(IntervalList{}, 0.25f, 0.5f, gaps);
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_FLOAT_EQ(gaps[0].begin, 0.25f);
}

// Whether s lies in one of the intervals.
bool covered(const IntervalList& list, float s) {
    for (const ParameterInterval& interval : list)
        if (s >= interval.begin && s <= interval.end) return true;
    return false;
}

// Whether some interval reaches into [low, high].
bool touches(const IntervalList& list, float low, float high) {
    for (const ParameterInterval& interval : list)
        if (interval.end >= low && interval.begin <= high) return true;
    return false;
}

// Whether one interval covers all of [low, high].
bool spans(const IntervalList& list, float low, float high) {
    for (const ParameterInterval& interval : list)
        if (interval.begin <= low && interval.end >= high) return true;
    return false;
}

// Random segments through the scene of the synthetic ring: the walk must
// agree with the pipeline's own point test everywhere but within a cell of
// an interval end.
TEST(SilhouetteField, SweptWalkAgreesWithThePointTest) {
    synthetic::Scene scene(synthetic::ringWithPost(), synthetic::sixViews(), 2.0);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-700.0f, 700.0f);
    int disagreements = 0;
    int samples = 0;
    for (Clipping* clipping : scene.clippings()) {
        for (bool fov : {false, true}) {
            ClippingPlacement placement = clipping->placement();
            placement.fovSet = fov;
            placement.fovX = 1.6f;
            placement.fovY = 1.2f;
            clipping->setPlacement(placement);
            SilhouetteField field;
            field.build(clipping->grid());
            for (int line = 0; line < 60; ++line) {
                const D3DXVECTOR3 from(coordinate(random), coordinate(random), coordinate(random));
                const D3DXVECTOR3 to(coordinate(random), coordinate(random), coordinate(random));
                IntervalList inside;
                sweptInsideIntervals(*clipping, field, from, to, 0.0f, 1.0f, inside);
                const float length = distance(from, to);
                // A cell is 2 units here; with the widening up to 3.2.
                const float slack = 4.0f / length;
                for (int k = 0; k <= 400; ++k) {
                    const float s = k / 400.0f;
                    const bool expected = clipping->isPointInside(from + (to - from) * s);
                    const bool walked = covered(inside, s);
                    if (expected == walked) continue;
                    ++samples;
                    if (expected ? !touches(inside, s - slack, s + slack) : spans(inside, s - slack, s + slack))
                        ++disagreements;
                }
            }
        }
    }
    EXPECT_EQ(disagreements, 0) << samples << " samples differ only at interval ends";
}

TEST(SilhouetteField, StridesAreLongAwayFromTheRim) {
    auto entry = discEntry(256.0f, 256.0f, 100.0f);
    Clipping clipping(*entry);
    SilhouetteField field;
    field.build(clipping.grid());
    ASSERT_TRUE(field.hasSilhouette());
    // The disc centre is about 100 cells from the rim.
    // Chessboard distance: along a diagonal the rim is 100 / sqrt(2) away.
    EXPECT_GT(field.distance(255, 255), 65);
    EXPECT_TRUE(field.isInside(255, 255));
    EXPECT_FALSE(field.isInside(5, 5));
    IntervalList inside;
    field.insideIntervals(D3DXVECTOR2(0.0f, 255.0f), D3DXVECTOR2(512.0f, 0.0f), 0.0f, 1.0f, inside);
    ASSERT_EQ(inside.size(), 1u);
    // Cells 156 .. 354 of 512 are inside the disc along the middle row.
    EXPECT_NEAR(inside[0].begin * 512.0f, 155.5f, 1.5f);
    EXPECT_NEAR(inside[0].end * 512.0f, 354.5f, 1.5f);
    EXPECT_LT(field.walkSteps(), 60);
}

TEST(ClippingMeshes, WallsCloseEveryChainAndPointOutwards) {
    auto entry = discEntry(256.0f, 256.0f, 150.0f);
    Clipping clipping(*entry);
    const ClippingModelFrame frame = ClippingModelFrame::of(clipping);
    for (int quality : {1, 7}) {
        const auto chains = sampleOutline(*entry->border, quality);
        ASSERT_EQ(chains.size(), 1u);
        // Closed: the last sample repeats the first.
        EXPECT_FLOAT_EQ(chains[0].front().u, chains[0].back().u);
        EXPECT_FLOAT_EQ(chains[0].front().w, chains[0].back().w);
        const auto pieces = buildSideWalls(chains, frame);
        size_t quads = 0;
        for (const SidePiece& piece : pieces) {
            EXPECT_LE(piece.vertices.size(), static_cast<size_t>(kSideChunkVertices));
            quads += piece.indices.size() / 6;
            for (const VertexPN& vertex : piece.vertices) {
                // Model y and z are offsets from the disc centre (the
                // rotation centre): outward means along the offset.
                const float along = vertex.normal.y * vertex.position.y + vertex.normal.z * vertex.position.z;
                EXPECT_GT(along, 0.0f);
            }
        }
        EXPECT_EQ(quads, chains[0].size() - 1);
    }
}

TEST(ClippingMeshes, LongOutlinesAreCutIntoChunks) {
    // A chain of 30000 samples needs two chunks of at most 40000 vertices,
    // and still gives one quad per pair of neighbours.
    std::vector<std::vector<OutlineSample>> chains(1);
    for (int k = 0; k < 30000; ++k) {
        const float a = k * 2.0f * 3.14159265f / 29999.0f;
        chains[0].push_back(OutlineSample{256 + 200 * std::cos(a), 256 + 200 * std::sin(a), -std::cos(a), -std::sin(a)});
    }
    const auto pieces = buildSideWalls(chains, ClippingModelFrame());
    ASSERT_EQ(pieces.size(), 2u);
    size_t quads = 0;
    for (const SidePiece& piece : pieces) {
        EXPECT_LE(piece.vertices.size(), static_cast<size_t>(kSideChunkVertices));
        quads += piece.indices.size() / 6;
    }
    EXPECT_EQ(quads, 29999u);
}

TEST(ClippingMeshes, FrontTexelsTakeTheirAlphaFromTheMask) {
    auto entry = discEntry(256.0f, 256.0f, 50.0f);
    const std::vector<unsigned char> texels = frontTexels(entry->workingCopy, entry->mask, 100, 255);
    ASSERT_EQ(texels.size(), 512u * 512u * 4u);
    const size_t centre = (256u * 512u + 256u) * 4u;
    EXPECT_EQ(texels[centre], 200);
    EXPECT_EQ(texels[centre + 3], 155);
    EXPECT_EQ(texels[3], 0);
    const std::vector<unsigned char> opaque = frontTexels(entry->workingCopy, entry->mask, -20, 0);
    EXPECT_EQ(opaque[centre + 3], 255);
    EXPECT_EQ(opaque[3], 255);
}

TEST(ClippingNode, PicksThePictureAndTheWallsAlongTheRay) {
    auto device = gfx::createNullDevice(800, 600);
    auto entry = discEntry(256.0f, 256.0f, 100.0f);
    Clipping clipping(*entry);
    ClippingPlacement placement;
    placement.scaling = D3DXVECTOR3(1000.0f, 1.0f, 1.0f);
    clipping.setPlacement(placement);
    ClippingNode node(*device, clipping, ClippingLook{});
    // The viewing axis is +x: the near face is at x = -500.
    float hit = 0.0f;
    ASSERT_TRUE(node.pick(D3DXVECTOR3(-2000.0f, 0.0f, 0.0f), D3DXVECTOR3(1.0f, 0.0f, 0.0f), hit));
    EXPECT_NEAR(hit, 1500.0f, 0.01f);
    // Across the slab the first wall is met 100 units from the centre.
    ASSERT_TRUE(node.pick(D3DXVECTOR3(0.0f, 0.0f, -2000.0f), D3DXVECTOR3(0.0f, 0.0f, 1.0f), hit));
    EXPECT_NEAR(hit, 1900.0f, 4.0f);
    // Beside the silhouette's box nothing is hit.
    EXPECT_FALSE(node.pick(D3DXVECTOR3(-2000.0f, 0.0f, 180.0f), D3DXVECTOR3(1.0f, 0.0f, 0.0f), hit));

    // Turned by a yaw of 90 the viewing axis runs along -z.
    placement.angle = 90.0f;
    clipping.setPlacement(placement);
    node.placementChanged();
    ASSERT_TRUE(node.pick(D3DXVECTOR3(0.0f, 0.0f, 2000.0f), D3DXVECTOR3(0.0f, 0.0f, -1.0f), hit));
    EXPECT_NEAR(hit, 1500.0f, 0.01f);
    node.setEnabled(false);
    EXPECT_FALSE(node.pick(D3DXVECTOR3(0.0f, 0.0f, 2000.0f), D3DXVECTOR3(0.0f, 0.0f, -1.0f), hit));
}

TEST(ClippingNode, ColoursAndQualityFollowTheLookAndFlags) {
    auto device = gfx::createNullDevice(800, 600);
    auto entry = discEntry(256.0f, 256.0f, 100.0f);
    Clipping clipping(*entry);
    ClippingNode node(*device, clipping, ClippingLook{});
    const int fineQuads = node.side().chunk(0).triangleCount / 2;
    // The walls follow the outline within half a pixel: a coarse quality
    // shows as fewer walls only once it skips more than the staircase.
    ClippingLook look;
    look.sideQuality = 60;
    node.setLook(look);
    EXPECT_LT(node.side().chunk(0).triangleCount / 2, fineQuads / 2);
    EXPECT_FLOAT_EQ(node.border().material()->diffuse.g, 200.0f / 255.0f);
    ClippingFlags flags = clipping.flags();
    flags.addingvoxels = false;
    clipping.setFlags(flags);
    node.flagsChanged();
    EXPECT_FLOAT_EQ(node.border().material()->diffuse.r, 230.0f / 255.0f);
}


}  // namespace
