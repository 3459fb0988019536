// Face creation on hand-made finest levels: counts of the single cube and
// two cubes, corner sharing around staircases and edge contacts, faces
// inside the object, the records' arrays, normals, and the drawable's fill
// data.
#include "mesh_checks.h"
#include "sculpt/face_creation.h"
#include "sculpt/sculpture.h"
#include "synthetic_scene.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <vector>

namespace {

constexpr float kEdge = 16.0f;

// A finest level made of cubes of edge 16 at integer cell positions around
// `origin`, linked to their face neighbours like carving links them.
class HandLevel {
public:
    HandLevel(const std::vector<std::array<int, 3>>& cells, D3DXVECTOR3 origin) : nodes_(cells.size()) {
        std::map<std::array<int, 3>, OctreeNode*> byCell;
        OctreeNode* head = nullptr;
        for (std::size_t i = cells.size(); i-- > 0;) {
            OctreeNode& n = nodes_[i];
            n.centre = origin + D3DXVECTOR3(kEdge * cells[i][0], kEdge * cells[i][1], kEdge * cells[i][2]);
            n.next = head;
            head = &n;
            byCell[cells[i]] = &n;
        }
        const int offsets[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
        for (std::size_t i = 0; i < cells.size(); ++i) {
            for (int side = 0; side < 6; ++side) {
                const auto found = byCell.find(
                    {cells[i][0] + offsets[side][0], cells[i][1] + offsets[side][1], cells[i][2] + offsets[side][2]});
                nodes_[i].neighbours[side] = found == byCell.end() ? nullptr : found->second;
            }
        }
        head_ = head;
    }
    OctreeNode* list() const { return head_; }

private:
    std::vector<OctreeNode> nodes_;
    OctreeNode* head_ = nullptr;
};

// One clipping along x whose silhouette is a sphere of radius 300 at the
// origin: cubes far from it have every face outside, cubes at the origin
// every face inside.
struct Fixture {
    synthetic::Scene scene{synthetic::sphere300(), {synthetic::View{0, 0}}};
    std::vector<Clipping*> list = scene.clippings();
    SculptMesh mesh;
    FaceCreation faces;

    void create(const HandLevel& level) {
        mesh.clearEdges();
        faces.createFaces(level.list(), kEdge * 0.5f, list, mesh);
        mesh.computeNormalsAndCurvature();
    }
};

const D3DXVECTOR3 kFar(600.0f, 600.0f, 600.0f);

TEST(FaceCreation, SingleCubeGivesEightVerticesTwelveTrianglesEighteenEdges) {
    Fixture f;
    f.create(HandLevel({{0, 0, 0}}, kFar));
    EXPECT_EQ(f.mesh.vertices().count(), 8);
    EXPECT_EQ(f.mesh.triangles().count(), 12);
    EXPECT_EQ(f.mesh.edges().count(), 18);
    EXPECT_NEAR(f.mesh.signedVolume(), kEdge * kEdge * kEdge, 1e-2);
    // Every face normal points out of the cube; every vertex knows its
    // slot, six triangles' worth of corners and its edges.
    for (int i = 0; i < 12; ++i) {
        const MeshCreationTriangle* t = f.mesh.triangles()[i];
        EXPECT_EQ(t->index, i);
        const D3DXVECTOR3 centre = (t->e->position + t->f->position + t->g->position) / 3.0f - kFar;
        EXPECT_GT(D3DXVec3Dot(&centre, &t->normal), 0.0f);
        EXPECT_NEAR(D3DXVec3Length(&t->normal), 1.0f, 1e-5f);
    }
    int corners = 0;
    for (int i = 0; i < 8; ++i) {
        const SculptVertex* v = f.mesh.vertices()[i];
        EXPECT_EQ(v->index, i);
        EXPECT_TRUE(v->registered);
        corners += static_cast<int>(v->triangles.size());
        const D3DXVECTOR3 out = v->position - kFar;
        EXPECT_GT(D3DXVec3Dot(&out, &v->normal), 0.0f);
        EXPECT_GE(v->edges.size(), 3u);
    }
    EXPECT_EQ(corners, 36);
    const meshchecks::Topology topo = meshchecks::topology(f.mesh);
    EXPECT_EQ(topo.edgesNotShardByTwo, 0);
    EXPECT_EQ(topo.unbalancedDirectedEdges, 0);
}

TEST(FaceCreation, TwoFaceNeighboursShareFourCorners) {
    Fixture f;
    f.create(HandLevel({{0, 0, 0}, {1, 0, 0}}, kFar));
    EXPECT_EQ(f.mesh.vertices().count(), 12);
    EXPECT_EQ(f.mesh.triangles().count(), 20);
    EXPECT_EQ(f.mesh.edges().count(), 30);
    EXPECT_NEAR(f.mesh.signedVolume(), 2.0 * kEdge * kEdge * kEdge, 1e-2);
}

TEST(FaceCreation, FacesInsideTheObjectAreNotEmitted) {
    Fixture f;
    f.create(HandLevel({{0, 0, 0}}, D3DXVECTOR3(0, 0, 0)));
    EXPECT_EQ(f.mesh.triangles().count(), 0);
    EXPECT_EQ(f.mesh.vertices().count(), 0);
    EXPECT_EQ(f.mesh.objectInfo().vertices, 0);
}

TEST(FaceCreation, StaircaseAroundACornerStaysClosed) {
    // The first and last cube meet the shared corner three face steps apart.
    Fixture f;
    f.create(HandLevel({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}}, kFar));
    const meshchecks::Topology topo = meshchecks::topology(f.mesh);
    EXPECT_EQ(topo.edgesNotShardByTwo, 0);
    EXPECT_EQ(topo.unbalancedDirectedEdges, 0);
    EXPECT_EQ(f.mesh.vertices().count(), 8 + 4 + 4 + 4);
    EXPECT_NEAR(f.mesh.signedVolume(), 4.0 * kEdge * kEdge * kEdge, 1e-1);
}

TEST(FaceCreation, CubesTouchingAlongAnEdgeOnly) {
    // Alone, they keep separate corners: two closed cubes.
    Fixture f;
    f.create(HandLevel({{0, 0, 0}, {1, 1, 0}}, kFar));
    EXPECT_EQ(f.mesh.vertices().count(), 16);
    EXPECT_EQ(meshchecks::topology(f.mesh).edgesNotShardByTwo, 0);
    // Joined above and below through other cubes, both ends of the touching
    // edge are shared: that one edge carries four triangles, still balanced.
    Fixture g;
    g.create(HandLevel({{0, 0, 0}, {1, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 0, -1}, {1, 0, -1}, {1, 1, -1}},
                       kFar));
    const meshchecks::Topology topo = meshchecks::topology(g.mesh);
    EXPECT_EQ(topo.edgesSharedByFour, 1);
    EXPECT_EQ(topo.edgesNotShardByTwo, 1);
    EXPECT_EQ(topo.unbalancedDirectedEdges, 0);
}

TEST(SculptMesh, ConnectFindsEitherEndAndArraysGrowInWideningSteps) {
    SculptMesh mesh;
    SculptVertex* a = mesh.makeVertex(D3DXVECTOR3(0, 0, 0));
    SculptVertex* b = mesh.makeVertex(D3DXVECTOR3(1, 0, 0));
    bool isNew = false;
    VertexConnection* ab = mesh.connect(a, b, &isNew);
    EXPECT_TRUE(isNew);
    EXPECT_TRUE(ab->valid);
    EXPECT_EQ(ab->b, b);
    EXPECT_EQ(ab->a, a);
    EXPECT_EQ(mesh.connect(b, a, &isNew), ab);
    EXPECT_FALSE(isNew);

    GrowableArray<int> array;
    for (int i = 0; i < 1001; ++i) array.append(i);
    EXPECT_EQ(array.capacity(), 5000);
    EXPECT_EQ(array.step(), 4000);
    for (int i = 1001; i < 5001; ++i) array.append(i);
    EXPECT_EQ(array.capacity(), 21000);
    EXPECT_EQ(array[5000], 5000);
    array.clear();
    EXPECT_EQ(array.count(), 0);
    EXPECT_EQ(array.capacity(), 21000);
}

TEST(SculptMesh, ObjectInfoSkipsRemovedRecords) {
    Fixture f;
    f.create(HandLevel({{0, 0, 0}}, kFar));
    f.mesh.removeTriangle(3);
    f.mesh.removeVertex(5);
    const ObjectInfo info = f.mesh.objectInfo();
    EXPECT_EQ(info.vertices, 7);
    EXPECT_EQ(info.triangles, 11);
    EXPECT_EQ(objectInfoText(info), "Object consits of 7 vertices and 11 triangles.");
    EXPECT_EQ(f.mesh.reprTriangles(false).size(), 11u);
}

TEST(SculptMesh, FillDataShadesColoursAndPicksTextureSamples) {
    // Two pictures facing the +z face from in front (angle 270, looking
    // along -z) and from behind (angle 90).
    const synthetic::Scene views(synthetic::sphere300(), {synthetic::View{270, 0}, synthetic::View{90, 0}});
    const std::vector<Clipping*> pictures = views.clippings();
    Fixture f;
    f.create(HandLevel({{0, 0, 0}}, kFar));
    const int plusZ = 0;  // the first quad made is the +z face
    MeshCreationTriangle* t = f.mesh.triangles()[plusZ];
    ASSERT_NEAR(t->normal.z, 1.0f, 1e-6f);
    SculptVertex* corners[3] = {t->e, t->f, t->g};
    for (int c = 0; c < 3; ++c) {
        corners[c]->textureSamples.push_back(TextureSample{0.1f * c, 0.2f, pictures[1], false});
        corners[c]->textureSamples.push_back(TextureSample{0.3f, 0.4f * c, pictures[0], false});
    }
    t->e->curvature = 0.25f;

    const std::vector<MeshReprTriangle> smooth = f.mesh.reprTriangles(false);
    ASSERT_EQ(smooth.size(), 12u);
    // The picture in front wins: cost -1 - 100 against 1 - 100.
    EXPECT_FLOAT_EQ(smooth[plusZ].corners[2].v, 0.8f);
    EXPECT_FLOAT_EQ(smooth[plusZ].corners[2].u, 0.3f);
    EXPECT_EQ(smooth[plusZ].corners[0].colour, 0xFFBF0000u);  // round(0.75 * 255) = 191
    EXPECT_EQ(smooth[plusZ].corners[0].normal, t->e->normal);
    EXPECT_EQ(smooth[plusZ].faceNormal, t->normal);
    // Triangles without common samples get (0, 0).
    EXPECT_EQ(smooth[5].corners[1].u, 0.0f);

    // A stronger picture behind the face wins over the one in front.
    ClippingFlags strong = pictures[1]->flags();
    strong.texturestrength = 2;
    pictures[1]->setFlags(strong);
    const std::vector<MeshReprTriangle> flat = f.mesh.reprTriangles(true);
    EXPECT_FLOAT_EQ(flat[plusZ].corners[1].u, 0.1f);
    EXPECT_FLOAT_EQ(t->u[1], 0.1f);
    EXPECT_EQ(flat[plusZ].corners[0].normal, t->normal);
}

}  // namespace
