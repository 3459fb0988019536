#include "image/border.h"
#include "image/image.h"
#include "image/image_entry.h"
#include "sculpt/clipping.h"
#include "sculpt/clipping_projection.h"
#include "sculpt/silhouette_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kTolerance = 1e-3f;

// Picture 400 by 300 (margins 112 and 212 on the 512 canvas), rotation
// centre (150, 100): the plain offsets are u + 250 and w + 200.
PictureFrame frame() {
    PictureFrame f;
    f.width = 400.0f;
    f.height = 300.0f;
    f.rotationCentre = D3DXVECTOR2(150.0f, 100.0f);
    f.fovCentre = D3DXVECTOR2(150.0f, 100.0f);
    return f;
}

// Position (10, 20, 30), depth 1000, 2 world units per pixel vertically and
// 4 horizontally.
ClippingPlacement placement() {
    ClippingPlacement p;
    p.translation = D3DXVECTOR3(10.0f, 20.0f, 30.0f);
    p.scaling = D3DXVECTOR3(1000.0f, 2.0f, 4.0f);
    return p;
}

ClippingPlacement withFov(ClippingPlacement p, float x, float y) {
    p.fovSet = true;
    p.fovX = x;
    p.fovY = y;
    return p;
}

// The mask for frame(): with W' = 398 and H' = 298 the pixels 138..158 by
// 88..108 are the cells 240..260 by 190..210 (rim on the outer ring).
Image squareMask() {
    Image mask(512, 512);
    mask.marginRight = 112;
    mask.marginBottom = 212;
    for (int y = 88; y <= 108; ++y) {
        for (int x = 138; x <= 158; ++x) {
            mask.setPixel(x, y, Rgb{255, 255, 255});
        }
    }
    return mask;
}

SilhouetteGrid squareGrid() {
    SilhouetteGrid grid;
    grid.build(squareMask(), {});
    return grid;
}

ClippingProjection prepared(const ClippingPlacement& p, const PictureFrame& f = frame(),
                            const SilhouetteGrid& grid = SilhouetteGrid()) {
    ClippingProjection projection;
    EXPECT_TRUE(projection.prepare(p, f, grid.boundingBox()));
    return projection;
}

void expectPoint(const std::optional<ClipPoint>& p, float t, float w, float u) {
    ASSERT_TRUE(p.has_value());
    EXPECT_NEAR(p->t, t, kTolerance);
    EXPECT_NEAR(p->w, w, kTolerance);
    EXPECT_NEAR(p->u, u, kTolerance);
}

void expectVector(const D3DXVECTOR3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, kTolerance);
    EXPECT_NEAR(v.y, y, kTolerance);
    EXPECT_NEAR(v.z, z, kTolerance);
}

const D3DXVECTOR3 kP(10.0f, 20.0f, 30.0f);

}  // namespace

TEST(ClippingProjection, PlainProjectionScalesAndOffsets) {
    const ClippingProjection projection = prepared(placement());
    expectPoint(projection.projectPoint(kP), 0.0f, 200.0f, 250.0f);
    expectPoint(projection.projectPoint(kP + D3DXVECTOR3(100.0f, 10.0f, 40.0f)), 100.0f, 205.0f, 260.0f);

    const auto back = projection.unprojectPoint(ClipPoint{100.0f, 205.0f, 260.0f});
    ASSERT_TRUE(back.has_value());
    expectVector(*back, 110.0f, 30.0f, 70.0f);
    expectVector(projection.viewingDirection(), 1.0f, 0.0f, 0.0f);
}

TEST(ClippingProjection, AnglesAreDegreesAndTurnTheAxes) {
    ClippingPlacement p = placement();
    p.angle = 90.0f;
    ClippingProjection projection = prepared(p);
    // A quarter turn about Y: depth runs along world +z, world +x is -u.
    expectPoint(projection.projectPoint(kP + D3DXVECTOR3(0.0f, 0.0f, 100.0f)), 100.0f, 200.0f, 250.0f);
    expectPoint(projection.projectPoint(kP + D3DXVECTOR3(100.0f, 0.0f, 0.0f)), 0.0f, 200.0f, 225.0f);
    expectVector(projection.viewingDirection(), 0.0f, 0.0f, 1.0f);
    expectVector(projection.localOffset(kP + D3DXVECTOR3(100.0f, 0.0f, 0.0f)), 0.0f, 0.0f, -100.0f);
    expectVector(projection.localOffsetWithPictureOffsets(kP), 0.0f, 200.0f, 250.0f);
    expectVector(projection.worldAxis(0), 0.0f, 0.0f, 1.0f);
    expectVector(projection.worldAxis(2), -1.0f, 0.0f, 0.0f);
    expectVector(projection.worldAxis(7), 0.0f, 0.0f, 0.0f);

    // Tilt 45 degrees: a point straight above lies 70.71 further along t.
    p = placement();
    p.angleheight = 45.0f;
    projection = prepared(p);
    expectPoint(projection.projectPoint(kP + D3DXVECTOR3(0.0f, 100.0f, 0.0f)), 70.7107f, 235.3553f, 250.0f);
    expectVector(projection.viewingDirection(), 0.70711f, 0.70711f, 0.0f);

    // The picture turned a quarter about its own axis: up becomes u.
    p = placement();
    p.angleimage = 90.0f;
    projection = prepared(p);
    expectPoint(projection.projectPoint(kP + D3DXVECTOR3(0.0f, 10.0f, 0.0f)), 0.0f, 200.0f, 252.5f);

    // Tilted beyond the vertical the direction still follows the slab.
    p = placement();
    p.angleheight = 120.0f;
    projection = prepared(p);
    expectVector(projection.viewingDirection(), -0.5f, 0.86603f, 0.0f);
    p.angleheight = 90.0f;
    projection = prepared(p);
    expectVector(projection.viewingDirection(), 0.0f, 1.0f, 0.0f);
}

// fov 3 horizontally and 2 vertically, depth 1000: at t = 0 the picture
// shrinks by 1/2 and 1/1.5, at the far face by 1/3 and 1/2, at and in front
// of the near face not at all.
TEST(ClippingProjection, PerspectiveWidensTowardsTheFarFace) {
    const ClippingPlacement p = withFov(placement(), 3.0f, 2.0f);
    ClippingProjection projection = prepared(p);
    const D3DXVECTOR3 side(0.0f, 30.0f, 40.0f);  // 15 pixels up, 10 across
    expectPoint(projection.projectPoint(kP + side), 0.0f, 210.0f, 255.0f);
    expectPoint(projection.projectPoint(kP + side + D3DXVECTOR3(-500.0f, 0, 0)), -500.0f, 215.0f, 260.0f);
    expectPoint(projection.projectPoint(kP + side + D3DXVECTOR3(500.0f, 0, 0)), 500.0f, 207.5f, 253.3333f);
    expectPoint(projection.projectPoint(kP + side + D3DXVECTOR3(-600.0f, 0, 0)), -600.0f, 215.0f, 260.0f);

    // Field-of-view centre (170, 90): shifts 40 and -15, offsets 230 and 210.
    // The position still lands on the rotation centre at the picture plane.
    PictureFrame shifted = frame();
    shifted.fovCentre = D3DXVECTOR2(170.0f, 90.0f);
    projection = prepared(p, shifted);
    expectPoint(projection.projectPoint(kP), 0.0f, 200.0f, 250.0f);
    expectPoint(projection.projectPoint(kP + side), 0.0f, 210.0f, 255.0f);
    expectPoint(projection.projectPoint(kP + side + D3DXVECTOR3(-500.0f, 0, 0)), -500.0f, 210.0f, 280.0f);
}

TEST(ClippingProjection, FovOfOneEqualsThePlainBranch) {
    const ClippingPlacement p = withFov(placement(), 1.0f, 1.0f);
    PictureFrame shifted = frame();
    shifted.fovCentre = D3DXVECTOR2(170.0f, 90.0f);
    const ClippingProjection projection = prepared(p, shifted);
    expectPoint(projection.projectPoint(kP + D3DXVECTOR3(300.0f, 30.0f, 40.0f)), 300.0f, 215.0f, 260.0f);
    expectPoint(projection.projectPoint(kP + D3DXVECTOR3(-700.0f, 30.0f, 40.0f)), -700.0f, 215.0f, 260.0f);
}

TEST(ClippingProjection, UnprojectInvertsProjectEverywhere) {
    ClippingPlacement p = withFov(placement(), 2.5f, 0.8f);
    p.angle = 30.0f;
    p.angleheight = -20.0f;
    p.angleimage = 75.0f;
    p.imagePlane = 0.3f;
    PictureFrame shifted = frame();
    shifted.fovCentre = D3DXVECTOR2(170.0f, 90.0f);
    const ClippingProjection projection = prepared(p, shifted);
    for (const D3DXVECTOR3 offset : {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(-800, 40, -70), D3DXVECTOR3(300, -90, 120),
                                     D3DXVECTOR3(450, 200, 10)}) {
        const auto projected = projection.projectPoint(kP + offset);
        ASSERT_TRUE(projected.has_value());
        const auto back = projection.unprojectPoint(*projected);
        ASSERT_TRUE(back.has_value());
        expectVector(*back - kP, offset.x, offset.y, offset.z);
    }
}

TEST(ClippingProjection, PointInsideNeedsAnInsideCellWithinTheSlab) {
    const SilhouetteGrid grid = squareGrid();
    const ClippingProjection projection = prepared(placement(), frame(), grid);
    // (0, 1, 2) from the position is (u, w) = (250.5, 200.5): cell (249, 199).
    const D3DXVECTOR3 centre = kP + D3DXVECTOR3(0.0f, 1.0f, 2.0f);
    EXPECT_TRUE(projection.isPointInside(centre, grid));
    EXPECT_TRUE(projection.isPointInside(centre + D3DXVECTOR3(500.0f, 0, 0), grid));
    EXPECT_TRUE(projection.isPointInside(centre + D3DXVECTOR3(-500.0f, 0, 0), grid));
    EXPECT_FALSE(projection.isPointInside(centre + D3DXVECTOR3(500.5f, 0, 0), grid));
    EXPECT_FALSE(projection.isPointInside(centre + D3DXVECTOR3(-500.5f, 0, 0), grid));
    // u = 242.5 is cell 241 (inside); u = 241.5 is cell 240 (rim).
    EXPECT_TRUE(projection.isPointInside(kP + D3DXVECTOR3(0.0f, 1.0f, -30.0f), grid));
    EXPECT_FALSE(projection.isPointInside(kP + D3DXVECTOR3(0.0f, 1.0f, -34.0f), grid));
    // Far outside the picture, and absurd points, are simply outside.
    EXPECT_FALSE(projection.isPointInside(kP + D3DXVECTOR3(0.0f, 1.0f, 4.0e7f), grid));
    EXPECT_FALSE(projection.isPointInside(D3DXVECTOR3(kNaN, 0.0f, 0.0f), grid));
}

TEST(ClippingProjection, ClassifyCellSeesInsideRimOutsideAndSlabFaces) {
    const SilhouetteGrid grid = squareGrid();
    const ClippingProjection projection = prepared(placement(), frame(), grid);
    // Centre (u, w) = (250.5, 201), radius 8: cells 247..251 by 196..204.
    const D3DXVECTOR3 centre = kP + D3DXVECTOR3(0.0f, 2.0f, 2.0f);
    const D3DXVECTOR3 along(1.0f, 0.0f, 0.0f);
    EXPECT_EQ(projection.classifyCell(centre, 8.0f, grid), CellInside);
    EXPECT_EQ(projection.classifyCell(centre + along * -500.0f, 8.0f, grid), CellPartial);
    EXPECT_EQ(projection.classifyCell(centre + along * 495.0f, 8.0f, grid), CellPartial);
    EXPECT_EQ(projection.classifyCell(centre + along * -510.0f, 8.0f, grid), CellOutside);
    EXPECT_EQ(projection.classifyCell(centre + along * 509.0f, 8.0f, grid), CellOutside);

    // u = 241.5: the box reaches the rim column 240.
    EXPECT_EQ(projection.classifyCell(kP + D3DXVECTOR3(0.0f, 2.0f, -34.0f), 8.0f, grid), CellPartial);
    // A cube much larger than the silhouette holds the rim.
    EXPECT_EQ(projection.classifyCell(centre, 400.0f, grid), CellPartial);
    // Beside the silhouette: the box misses the bounding box.
    EXPECT_EQ(projection.classifyCell(kP + D3DXVECTOR3(0.0f, 2.0f, -100.0f), 8.0f, grid), CellOutside);
    // Within the bounding box's margin, on outside cells only (column 239).
    EXPECT_EQ(projection.classifyCell(kP + D3DXVECTOR3(0.0f, 2.0f, -38.0f), 0.4f, grid), CellOutside);

    EXPECT_EQ(projection.classifyCell(centre, kNaN, grid), CellOutside);
    EXPECT_EQ(projection.classifyCell(centre, -1.0f, grid), CellOutside);
    EXPECT_EQ(projection.classifyCell(D3DXVECTOR3(kNaN, 0, 0), 8.0f, grid), CellOutside);
    EXPECT_EQ(projection.classifyCell(centre, 8.0f, SilhouetteGrid()), CellOutside);
}

TEST(ClippingProjection, DegeneratePlacementsAreRefused) {
    const SilhouetteGrid grid = squareGrid();
    const D3DXVECTOR3 centre = kP + D3DXVECTOR3(0.0f, 2.0f, 2.0f);
    ClippingPlacement zeroWidth = placement();
    zeroWidth.scaling.z = 0.0f;
    ClippingPlacement negativeDepth = placement();
    negativeDepth.scaling.x = -1000.0f;
    ClippingPlacement nanAngle = placement();
    nanAngle.angleheight = kNaN;
    const ClippingPlacement flatFov = withFov(placement(), 1.5f, 0.0f);
    for (const ClippingPlacement& p : {zeroWidth, negativeDepth, nanAngle, flatFov}) {
        ClippingProjection projection;
        EXPECT_FALSE(projection.prepare(p, frame(), grid.boundingBox()));
        EXPECT_FALSE(projection.isUsable());
        EXPECT_FALSE(projection.projectPoint(centre).has_value());
        EXPECT_FALSE(projection.unprojectPoint(ClipPoint{0.0f, 200.0f, 250.0f}).has_value());
        EXPECT_FALSE(projection.isPointInside(centre, grid));
        EXPECT_EQ(projection.classifyCell(centre, 8.0f, grid), CellOutside);
    }
    // A refused scaling keeps the local frame for the placement gestures.
    ClippingProjection projection;
    projection.prepare(zeroWidth, frame(), grid.boundingBox());
    EXPECT_TRUE(projection.isFrameUsable());
    expectVector(projection.localOffset(kP + D3DXVECTOR3(5.0f, 6.0f, 7.0f)), 5.0f, 6.0f, 7.0f);

    // A narrowing field of view has no picture far beyond the far face
    // (fov 0.5 vanishes at t = 1500); a cube reaching into the slab from
    // there is left for refinement.
    projection = prepared(withFov(placement(), 0.5f, 1.5f), frame(), grid);
    EXPECT_FALSE(projection.projectPoint(kP + D3DXVECTOR3(1600.0f, 0.0f, 0.0f)).has_value());
    EXPECT_EQ(projection.classifyCell(kP + D3DXVECTOR3(1600.0f, 0.0f, 0.0f), 1200.0f, grid), CellPartial);
    EXPECT_EQ(projection.classifyCell(kP + D3DXVECTOR3(1600.0f, 0.0f, 0.0f), 100.0f, grid), CellOutside);
}

namespace {

// A placement and its picture; lattice points (quarter units) hit rounding ties.
struct Placing {
    const char* name;
    ClippingPlacement placement;
    PictureFrame frame;
    bool lattice = false;
};

// The projection composed step by step with the same float operations as prepare().
std::optional<ClipPoint> composedProjection(const ClippingProjection& projection, const Placing& setup,
                                            const D3DXVECTOR3& point) {
    const ClippingPlacement& pl = setup.placement;
    const PictureFrame& f = setup.frame;
    const float depth = pl.scaling.x;
    const float halfDepth = depth / 2.0f;
    const float inverseScaleY = 1.0f / pl.scaling.y;
    const float inverseScaleZ = 1.0f / pl.scaling.z;
    const D3DXVECTOR3 v = projection.localOffset(point);
    ClipPoint p{v.x, v.y * inverseScaleY, v.z * inverseScaleZ};
    if (!pl.fovSet) {
        p.u += f.width - f.rotationCentre.x;
        p.w += f.height - f.rotationCentre.y;
    } else {
        const float fovXMinusOne = pl.fovX - 1.0f;
        const float fovYMinusOne = pl.fovY - 1.0f;
        const float shiftU = (f.fovCentre.x - f.rotationCentre.x) * (1.0f + fovXMinusOne * pl.imagePlane);
        const float shiftW = (f.fovCentre.y - f.rotationCentre.y) * (1.0f + fovYMinusOne * pl.imagePlane);
        const float offsetU = f.width - f.fovCentre.x;
        const float offsetW = f.height - f.fovCentre.y;
        if (p.t >= -halfDepth) {
            const float s = (halfDepth + p.t) / depth;
            const float denominatorU = s * fovXMinusOne + 1.0f;
            const float denominatorW = s * fovYMinusOne + 1.0f;
            if (!(denominatorU > 0.0f && denominatorW > 0.0f)) {
                return std::nullopt;
            }
            p.u = (p.u + shiftU) * (1.0f / denominatorU) + offsetU;
            p.w = (p.w + shiftW) * (1.0f / denominatorW) + offsetW;
        } else {
            p.u = p.u + shiftU + offsetU;
            p.w = p.w + shiftW + offsetW;
        }
    }
    if (!std::isfinite(p.t) || !std::isfinite(p.u) || !std::isfinite(p.w)) {
        return std::nullopt;
    }
    return p;
}

bool composedInside(const ClippingProjection& projection, const Placing& setup, const D3DXVECTOR3& point,
                    const SilhouetteGrid& grid) {
    const std::optional<ClipPoint> p = composedProjection(projection, setup, point);
    const float halfDepth = setup.placement.scaling.x / 2.0f;
    if (!p || p->t < -halfDepth || p->t > halfDepth) {
        return false;
    }
    const int i = static_cast<int>(std::lround(p->u - 1.5f));
    const int j = static_cast<int>(std::lround(p->w - 1.5f));
    if (i < 0 || j < 0 || static_cast<float>(i) >= setup.frame.width ||
        static_cast<float>(j) >= setup.frame.height) {
        return false;
    }
    return grid.cell(i, j) == GridInside;
}

// The cube test written out cell by cell.
int composedClassification(const ClippingProjection& projection, const Placing& setup, const D3DXVECTOR3& centre,
                           float radius, const SilhouetteGrid& grid) {
    const float halfDepth = setup.placement.scaling.x / 2.0f;
    const float t = projection.localOffset(centre).x;
    if (t + radius < -halfDepth || t - radius > halfDepth) {
        return CellOutside;
    }
    const bool straddles = (t - radius <= -halfDepth && -halfDepth < t + radius) ||
                           (t - radius < halfDepth && halfDepth < t + radius);
    const std::optional<ClipPoint> p = composedProjection(projection, setup, centre);
    if (!p) {
        return CellPartial;
    }
    const GridBox& box = grid.boundingBox();
    const float reachU = radius * (1.0f / setup.placement.scaling.z);
    const float reachW = radius * (1.0f / setup.placement.scaling.y);
    const float u0 = std::max(p->u - reachU - 1.5f, box.minI);
    const float u1 = std::min(p->u + reachU - 1.5f, box.maxI);
    const float w0 = std::max(p->w - reachW - 1.5f, box.minJ);
    const float w1 = std::min(p->w + reachW - 1.5f, box.maxJ);
    if (!(u0 <= u1 && w0 <= w1)) {
        return CellOutside;
    }
    bool seenInside = false;
    for (long i = std::lround(u0); i <= std::lround(u1); ++i) {
        for (long j = std::lround(w0); j <= std::lround(w1); ++j) {
            if (i < 0 || j < 0 || static_cast<float>(i) >= setup.frame.width ||
                static_cast<float>(j) >= setup.frame.height) {
                continue;
            }
            const int value = grid.cell(static_cast<int>(i), static_cast<int>(j));
            if (value == GridBorder) {
                return CellPartial;
            }
            if (value == GridInside) {
                seenInside = true;
            } else if (seenInside) {
                return CellPartial;
            }
        }
    }
    if (!seenInside) {
        return CellOutside;
    }
    return straddles ? CellPartial : CellInside;
}

// A ring (radii 30 and 80 pixels) about the middle of the 400 by 300 picture,
// so that boxes meet inside, rim and outside cells and the hole.
SilhouetteGrid ringGrid() {
    Image mask(512, 512);
    mask.marginRight = 112;
    mask.marginBottom = 212;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            const float r = std::hypot(static_cast<float>(x) - 200.0f, static_cast<float>(y) - 150.0f);
            if (r >= 30.0f && r <= 80.0f) {
                mask.setPixel(x, y, Rgb{255, 255, 255});
            }
        }
    }
    SilhouetteGrid grid;
    grid.build(mask, {});
    return grid;
}

std::vector<Placing> setups() {
    std::vector<Placing> list;

    Placing axisAligned{"axis-aligned, unit pixels", ClippingPlacement{}, frame(), true};
    axisAligned.placement.scaling = D3DXVECTOR3(400.0f, 1.0f, 1.0f);
    list.push_back(axisAligned);

    Placing tilted{"tilted and turned", placement(), frame()};
    tilted.placement.angle = 37.0f;
    tilted.placement.angleheight = -23.0f;
    tilted.placement.angleimage = 71.0f;
    tilted.placement.scaling = D3DXVECTOR3(1000.0f, 0.7f, 1.3f);
    list.push_back(tilted);

    Placing widening{"widening field of view off-centre", tilted.placement, frame()};
    widening.placement.angle = -128.0f;
    widening.placement.angleheight = 61.0f;
    widening.placement = withFov(widening.placement, 1.5f, 2.25f);
    widening.placement.imagePlane = 0.35f;
    widening.frame.fovCentre = D3DXVECTOR2(170.0f, 90.0f);
    list.push_back(widening);

    // Below 1 the far side has no image for depths past 2/3 of D beyond it.
    Placing narrowing{"narrowing field of view", withFov(placement(), 0.25f, 0.6f), frame()};
    narrowing.placement.angleheight = 12.5f;
    narrowing.placement.angleimage = -33.0f;
    narrowing.frame.fovCentre = D3DXVECTOR2(120.5f, 131.0f);
    list.push_back(narrowing);

    // The picture is narrower than the grid: columns and rows past it are
    // skipped by the walk, not read.
    Placing cropped{"picture narrower than its grid", placement(), frame()};
    cropped.placement.angle = 90.0f;
    cropped.frame.width = 215.0f;
    cropped.frame.height = 160.5f;
    list.push_back(cropped);
    return list;
}

// A world point near the slab and the picture.
std::optional<D3DXVECTOR3> drawPoint(const ClippingProjection& projection, const Placing& setup,
                                     std::mt19937& random) {
    if (setup.lattice) {
        const auto quarter = [&](int from, int to) {
            return static_cast<float>(std::uniform_int_distribution<int>(from * 4, to * 4)(random)) * 0.25f;
        };
        const float t = quarter(-300, 300);
        const float w = quarter(-230, 130);
        return D3DXVECTOR3(t, w, quarter(-280, 180));
    }
    const float halfDepth = setup.placement.scaling.x / 2.0f;
    std::uniform_real_distribution<float> depth(-1.6f * halfDepth, 2.2f * halfDepth);
    std::uniform_real_distribution<float> across(-30.0f, setup.frame.width + 30.0f);
    std::uniform_real_distribution<float> down(-30.0f, setup.frame.height + 30.0f);
    return projection.unprojectPoint(ClipPoint{depth(random), down(random), across(random)});
}

}  // namespace

TEST(ClippingProjection, QueriesMatchThePlainCompositionBitForBit) {
    const SilhouetteGrid grid = ringGrid();
    const float radii[] = {0.0f, 0.5f, 1.0f, 2.0784610f, 7.25f, 40.0f, 300.0f};
    std::mt19937 random(20240611u);
    for (const Placing& setup : setups()) {
        SCOPED_TRACE(setup.name);
        ClippingProjection projection;
        ASSERT_TRUE(projection.prepare(setup.placement, setup.frame, grid.boundingBox()));
        int answers[3] = {0, 0, 0};
        int insidePoints = 0;
        for (int n = 0; n < 20000; ++n) {
            const std::optional<D3DXVECTOR3> point = drawPoint(projection, setup, random);
            if (!point) {
                continue;
            }
            const std::optional<ClipPoint> fast = projection.projectPoint(*point);
            const std::optional<ClipPoint> composed = composedProjection(projection, setup, *point);
            ASSERT_EQ(fast.has_value(), composed.has_value());
            if (fast) {
                ASSERT_EQ(fast->t, composed->t);
                ASSERT_EQ(fast->w, composed->w);
                ASSERT_EQ(fast->u, composed->u);
            }
            const bool inside = projection.isPointInside(*point, grid);
            ASSERT_EQ(inside, composedInside(projection, setup, *point, grid));
            insidePoints += inside ? 1 : 0;
            for (const float radius : radii) {
                const int answer = projection.classifyCell(*point, radius, grid);
                ASSERT_EQ(answer, composedClassification(projection, setup, *point, radius, grid))
                    << "radius " << radius << " at " << point->x << ", " << point->y << ", " << point->z;
                ++answers[answer];
            }
        }
        // Every answer must have been compared, or the comparison proves little.
        EXPECT_GT(insidePoints, 0);
        EXPECT_GT(answers[CellOutside], 0);
        EXPECT_GT(answers[CellInside], 0);
        EXPECT_GT(answers[CellPartial], 0);
    }
}

namespace {

std::unique_ptr<ImageEntry> squareEntry() {
    Image picture(512, 512);
    picture.marginRight = 112;
    picture.marginBottom = 212;
    picture.rotationCentre = ImagePoint{150.0f, 100.0f};
    picture.fovCentre = ImagePoint{150.0f, 100.0f};
    picture.snapPoint = ImagePoint{100.0f, 50.0f};
    return std::make_unique<ImageEntry>(Image(), std::move(picture), squareMask());
}

}  // namespace

TEST(Clipping, StartsDisabledWithALinkedBorder) {
    auto entry = squareEntry();
    {
        Clipping clipping(*entry);
        EXPECT_FALSE(clipping.flags().enabled);
        EXPECT_FALSE(clipping.needsPreparation());
        EXPECT_TRUE(clipping.hasSilhouette());
        EXPECT_EQ(clipping.grid().count(), 21 * 21);
        EXPECT_FALSE(clipping.isReadyForSculpting());  // not enabled yet
        EXPECT_FLOAT_EQ(clipping.snapPoint().x, 300.0f);
        EXPECT_FLOAT_EQ(clipping.snapPoint().y, 250.0f);

        // Deep inside the square, far from the outline, the border asks the
        // clipping's grid; the outline coordinates of cell 250 are 251..252.
        EXPECT_EQ(entry->border->owner(), &clipping);
        EXPECT_TRUE(entry->border->isInsideOutline(250.0f, 200.0f));
        EXPECT_FALSE(entry->border->isInsideOutline(100.0f, 100.0f));
    }
    EXPECT_EQ(entry->border->owner(), nullptr);
    EXPECT_FALSE(entry->border->isInsideOutline(250.0f, 200.0f));
}

TEST(Clipping, PlacementChangesReachTheProjection) {
    auto entry = squareEntry();
    Clipping clipping(*entry);
    expectPoint(clipping.projectPoint(D3DXVECTOR3(0, 0, 0)), 0.0f, 200.0f, 250.0f);

    clipping.setTranslation(kP);
    EXPECT_TRUE(clipping.needsPreparation());
    clipping.setScaling(D3DXVECTOR3(1000.0f, 2.0f, 4.0f));
    clipping.setAngles(90.0f, 0.0f, 0.0f);
    expectPoint(clipping.projectPoint(kP + D3DXVECTOR3(100.0f, 0.0f, 0.0f)), 0.0f, 200.0f, 225.0f);
    EXPECT_FALSE(clipping.needsPreparation());
    // Along the viewing axis (world +z now) the slab ends at 500.
    const D3DXVECTOR3 inside = kP + D3DXVECTOR3(-2.0f, 2.0f, 0.0f);
    EXPECT_TRUE(clipping.isPointInside(inside + D3DXVECTOR3(0, 0, 500.0f)));
    EXPECT_FALSE(clipping.isPointInside(inside + D3DXVECTOR3(0, 0, 501.0f)));
    EXPECT_EQ(clipping.classifyCell(inside, 8.0f), CellInside);
    EXPECT_EQ(clipping.classifyCell(inside + D3DXVECTOR3(0, 0, 500.0f), 8.0f), CellPartial);

    clipping.setScaling(D3DXVECTOR3(1000.0f, 2.0f, kNaN));
    EXPECT_FALSE(clipping.isPointInside(inside));
    EXPECT_EQ(clipping.classifyCell(inside, 8.0f), CellOutside);
    ClippingFlags flags = clipping.flags();
    flags.enabled = true;
    clipping.setFlags(flags);
    EXPECT_FALSE(clipping.isReadyForSculpting());
    clipping.setScaling(D3DXVECTOR3(1000.0f, 2.0f, 4.0f));
    EXPECT_TRUE(clipping.isReadyForSculpting());

    clipping.setImagePlane(0.8f);
    clipping.holdImagePlaneInMiddle();
    EXPECT_FLOAT_EQ(clipping.placement().imagePlane, 0.5f);
    EXPECT_FLOAT_EQ(clipping.depth(), 0.8f);
    clipping.restoreImagePlane();
    EXPECT_FLOAT_EQ(clipping.placement().imagePlane, 0.8f);
    EXPECT_FLOAT_EQ(clipping.previousImagePlane(), 0.5f);
}

TEST(Clipping, MaskAndPictureChangesRebuildGridAndSnapPoint) {
    auto entry = squareEntry();
    Clipping clipping(*entry);
    ASSERT_TRUE(clipping.hasSilhouette());

    setMaskValue(entry->mask, 0);
    entry->border->markChanged();
    clipping.maskChanged();
    EXPECT_FALSE(clipping.hasSilhouette());
    EXPECT_FALSE(entry->border->isChangedFor2D());
    EXPECT_FALSE(entry->border->isChangedFor3D());

    for (int y = 20; y < 30; ++y) {
        for (int x = 20; x < 40; ++x) {
            entry->mask.setPixel(x, y, Rgb{255, 255, 255});
        }
    }
    entry->border->markChanged();
    clipping.maskChanged();
    EXPECT_EQ(clipping.grid().count(), 200);
    EXPECT_EQ(clipping.grid().cell(398 - 20, 298 - 20), GridBorder);

    entry->workingCopy.snapPoint = ImagePoint{0.0f, 0.0f};
    entry->workingCopy.rotationCentre = ImagePoint{0.0f, 0.0f};
    clipping.imageChanged();
    EXPECT_FLOAT_EQ(clipping.snapPoint().x, 400.0f);
    expectPoint(clipping.projectPoint(D3DXVECTOR3(0, 0, 0)), 0.0f, 300.0f, 400.0f);
}
