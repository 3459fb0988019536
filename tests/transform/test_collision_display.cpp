// Collision lines and decals on the bundled sample (a mug photographed from
// seven known placements): they must say that the placements agree, say so
// no longer once one picture is turned away, lie where the other pictures'
// silhouettes are, and only be recomputed when asked.
#include "image/image_entry.h"
#include "platform/graphics_device.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "project/status_sink.h"
#include "sculpt/clipping.h"
#include "sculpt/clipping_node.h"
#include "sculpt/sculpture.h"
#include "support/test_support.h"
#include "transform/collision_display.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Sample {
    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createNullDevice(640, 480);
    ImageList images;
    ClippingTable clippings{images};
    std::vector<std::unique_ptr<ClippingNode>> nodes;
    CollisionDisplay display;

    Sample() {
        ProjectSettings settings;
        StatusSink quiet;
        const std::string path = testsupport::appDir() + "/data/sample/sample.qz";
        const ProjectLoadReport report = loadProject(String(path.c_str()), images, settings, quiet, &clippings);
        EXPECT_TRUE(report.opened) << path;
        std::vector<ClippingNode*> shown;
        for (int slot = 0; slot < clippings.slotCount(); ++slot) {
            if (Clipping* clipping = clippings.clipping(slot)) {
                nodes.push_back(std::make_unique<ClippingNode>(*device, *clipping, ClippingLook{}));
                shown.push_back(nodes.back().get());
            }
        }
        display.setNodes(shown);
    }
};

// Whether `point` lies inside `clipping` or within two pixels of its
// silhouette across the viewing axis (lines and decals meet the rims within
// a pixel, and the rim itself counts as outside for the point test).
bool nearlyInside(const Clipping& clipping, const D3DXVECTOR3& point) {
    const float reach = 2.0f * clipping.placement().scaling.z;
    const D3DXVECTOR3 across = clipping.worldAxis(2) * reach;
    const D3DXVECTOR3 up = clipping.worldAxis(1) * reach;
    for (int a = -1; a <= 1; ++a)
        for (int b = -1; b <= 1; ++b)
            if (clipping.isPointInside(point + across * static_cast<float>(a) + up * static_cast<float>(b))) return true;
    return false;
}

// Whether `point` lies (nearly) inside every other clipping.
bool insideAllBut(const Sample& sample, const ClippingNode* except, const D3DXVECTOR3& point) {
    for (const auto& node : sample.nodes) {
        if (node.get() == except) continue;
        if (!nearlyInside(node->clipping(), point)) return false;
    }
    return true;
}

TEST(CollisionDisplay, AgreeingPlacementsMeetAndAMisplacedPictureStandsOut) {
    Sample sample;
    ASSERT_EQ(sample.nodes.size(), 7u);
    EXPECT_TRUE(sample.display.refresh());
    for (const auto& node : sample.nodes) EXPECT_GT(sample.display.agreement(node.get()), 0.9f);
    const int agreeingLines = sample.display.counts().lineRaysMeeting;
    EXPECT_GT(agreeingLines, 1000);

    // The middle of every drawn segment lies inside all other pictures.
    int checked = 0;
    int outside = 0;
    for (const auto& node : sample.nodes) {
        LineList& lines = node->collisionLines();
        // The thinned rays and the rest.
        ASSERT_EQ(lines.lineSetCount(), 2);
        for (int set = 0; set < 2; ++set) {
            const std::vector<D3DXVECTOR3>& points = lines.points(set);
            for (size_t i = 0; i + 1 < points.size(); i += 2 * 37) {
                const D3DXVECTOR3 middle = node->toWorld((points[i] + points[i + 1]) * 0.5f);
                ++checked;
                if (!insideAllBut(sample, node.get(), middle)) ++outside;
            }
        }
    }
    EXPECT_GT(checked, 100);
    EXPECT_LE(outside, checked / 50);

    // Lift one picture by 60 units (40 pixels): it no longer agrees, and the
    // others lose lines too.
    ClippingNode& turned = *sample.nodes[2];
    ClippingPlacement placement = turned.clipping().placement();
    placement.translation.y += 60.0f;
    turned.clipping().setPlacement(placement);
    turned.placementChanged();
    EXPECT_FALSE(sample.display.refresh());  // not invalidated yet: nothing recomputed
    sample.display.invalidate();
    EXPECT_TRUE(sample.display.refresh());
    EXPECT_LT(sample.display.agreement(&turned), 0.75f);
    EXPECT_LT(sample.display.counts().lineRaysMeeting, agreeingLines * 9 / 10);
}

TEST(CollisionDisplay, DecalsLieWhereTheRayEntersTheOtherPictures) {
    Sample sample;
    ASSERT_EQ(sample.nodes.size(), 7u);
    CollisionSettings settings;
    settings.decals = true;
    settings.decalQuality = 8;
    settings.lines = false;
    sample.display.setSettings(settings);
    sample.display.refresh();
    EXPECT_GT(sample.display.counts().decals, 500);
    EXPECT_LE(sample.display.counts().decals, sample.display.counts().decalRays);
    for (const auto& node : sample.nodes) {
        EXPECT_EQ(node->collisionLines().lineSetCount(), 0);
        const ClippingLayer& layer = node->layer();
        ASSERT_GT(layer.quadCount(), 0);
        EXPECT_LE(layer.quadCount(), CollisionDisplay::kMaxDecals);
    }
    // A decal's centre: a little behind it along the picture's axis the
    // point is inside every other picture, a little in front it is not.
    ClippingNode& node = *sample.nodes[0];
    const MeshChunk& chunk = node.layer().chunk(0);
    const auto* vertices = reinterpret_cast<const VertexPNCT*>(chunk.vertexBytes.data());
    int entering = 0;
    int quads = 0;
    const D3DXVECTOR3 axis = node.clipping().worldAxis(0);
    for (int quad = 0; quad < chunk.vertexCount / 4; quad += 13) {
        D3DXVECTOR3 centre(0, 0, 0);
        for (int corner = 0; corner < 4; ++corner) centre += vertices[quad * 4 + corner].position * 0.25f;
        const D3DXVECTOR3 world = node.toWorld(centre);
        ++quads;
        if (insideAllBut(sample, &node, world + axis * 6.0f) && !insideAllBut(sample, &node, world - axis * 6.0f))
            ++entering;
    }
    EXPECT_GE(entering, quads * 9 / 10) << quads;

    // Too fine a quality is coarsened until the blocks fit the layer.
    settings.decalQuality = 1;
    sample.display.setSettings(settings);
    sample.display.refresh();
    for (const auto& n : sample.nodes) EXPECT_LE(n->layer().quadCount(), CollisionDisplay::kMaxDecals);

    // A rebuilt picture takes its decals with it (they showed the old
    // picture's texture) until the display is refreshed.
    sample.nodes[1]->rebuild();
    EXPECT_EQ(sample.nodes[1]->layer().quadCount(), 0);
    EXPECT_TRUE(sample.nodes[1]->layer().textures().empty());
    sample.display.invalidate();
    sample.display.refresh();
    EXPECT_GT(sample.nodes[1]->layer().quadCount(), 0);
    ASSERT_EQ(sample.nodes[1]->layer().textures().size(), 1u);
    EXPECT_EQ(sample.nodes[1]->layer().textures()[0], sample.nodes[1]->pictureTexture());
}

TEST(CollisionDisplay, BordersAlongARayAreTheOtherPicturesRims) {
    Sample sample;
    ASSERT_EQ(sample.nodes.size(), 7u);
    // From far outside along -x through the middle of the mug.
    const D3DXVECTOR3 origin(1500.0f, 0.0f, 0.0f);
    const std::vector<float> crossings =
        sample.display.bordersAlong(origin, D3DXVECTOR3(-1.0f, 0.0f, 0.0f), 3000.0f, sample.nodes[0].get());
    ASSERT_GE(crossings.size(), 2u);
    EXPECT_TRUE(std::is_sorted(crossings.begin(), crossings.end()));
    // Just before the first crossing the ray is outside every other picture,
    // just beyond it inside one.
    const D3DXVECTOR3 before = origin + D3DXVECTOR3(-1.0f, 0.0f, 0.0f) * (crossings.front() - 1.0f);
    const D3DXVECTOR3 beyond = origin + D3DXVECTOR3(-1.0f, 0.0f, 0.0f) * (crossings.front() + 6.0f);
    bool insideSome = false;
    bool beforeInside = false;
    for (size_t i = 1; i < sample.nodes.size(); ++i) {
        insideSome = insideSome || sample.nodes[i]->clipping().isPointInside(beyond);
        beforeInside = beforeInside || sample.nodes[i]->clipping().isPointInside(before);
    }
    EXPECT_TRUE(insideSome);
    EXPECT_FALSE(beforeInside);
}

}  // namespace

TEST(CollisionDisplay, LinesWithTheObjectRunInsideItAndVanishWhenItIsElsewhere) {
    Sample sample;
    ASSERT_EQ(sample.nodes.size(), 7u);
    std::vector<Clipping*> list;
    for (int slot = 0; slot < sample.clippings.slotCount(); ++slot) list.push_back(sample.clippings.clipping(slot));
    SculptSettings sculpt;
    sculpt.depth = 7;
    sculpt.makeFillData = true;
    Sculpture run(sculpt);
    SilentProgress quiet;
    ASSERT_TRUE(run.execute(list, quiet));
    const ObjectRays object(run.fillData());

    CollisionSettings settings;
    settings.linesWithBorders = false;
    settings.linesWithObject = true;
    sample.display.setSettings(settings);
    sample.display.setObject(&object);
    ASSERT_TRUE(sample.display.refresh());
    const int meeting = sample.display.counts().lineRaysMeeting;
    EXPECT_GT(meeting, 1000) << "every picture's outline rays graze the object carved from them";
    // The middle of a drawn segment lies inside the object: a ray from it
    // crosses the surface an odd number of times.
    std::vector<float> crossings;
    int checked = 0;
    int inside = 0;
    for (const auto& node : sample.nodes) {
        const std::vector<D3DXVECTOR3>& points = node->collisionLines().points(0);
        for (size_t i = 0; i + 1 < points.size(); i += 2 * 17) {
            const D3DXVECTOR3 middle = node->toWorld((points[i] + points[i + 1]) * 0.5f);
            object.crossings(middle, middle + D3DXVECTOR3(5000.0f, 1.0f, 3.0f), crossings);
            ++checked;
            if (crossings.size() % 2 == 1) ++inside;
        }
    }
    EXPECT_GT(checked, 50);
    EXPECT_GE(inside, checked * 95 / 100);

    // An object far from the pictures leaves no line.
    std::vector<MeshReprTriangle> moved = run.fillData();
    for (MeshReprTriangle& t : moved)
        for (VertexPNCT& corner : t.corners) corner.position.y += 5000.0f;
    const ObjectRays elsewhere(moved);
    sample.display.setObject(&elsewhere);
    ASSERT_TRUE(sample.display.refresh());
    EXPECT_EQ(sample.display.counts().lineRaysMeeting, 0);
    // Without an object the setting has nothing to meet: no lines at all.
    sample.display.setObject(nullptr);
    ASSERT_TRUE(sample.display.refresh());
    for (const auto& node : sample.nodes) EXPECT_EQ(node->collisionLines().lineSetCount(), 0);
}
