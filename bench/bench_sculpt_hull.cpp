// How valid the written mesh is and how closely sharpening brings it onto the
// visual hull, depth by depth: a creature with thin legs, horns and a tail
// seen from four pictures 60 degrees apart, the ring with a post from six
// directions and a sphere from three axes. Each line gives the validity
// counts of the exported mesh, the volume against the hull's and the worst
// silhouette IoU, and the time of the run.
#include "../tests/sculpt/hull_measures.h"
#include "../tests/sculpt/synthetic_scene.h"
#include "sculpt/mesh_export.h"
#include "sculpt/mesh_validity.h"
#include "sculpt/sculpture.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>

namespace {

enum SceneKind { Creature = 0, Ring = 1, Sphere = 2 };

const synthetic::Scene& sceneOf(int kind) {
    static std::map<int, std::unique_ptr<synthetic::Scene>> scenes;
    auto& slot = scenes[kind];
    if (!slot) {
        if (kind == Creature) {
            slot = std::make_unique<synthetic::Scene>(synthetic::creature(), synthetic::fourViews60(), 2.0, true);
        } else if (kind == Ring) {
            slot = std::make_unique<synthetic::Scene>(synthetic::ringWithPost(), synthetic::sixViews(), 2.0, true);
        } else {
            slot = std::make_unique<synthetic::Scene>(
                synthetic::sphere(), std::vector<synthetic::View>{{0, 0}, {90, 0}, {0, 90}}, 2.0, true);
        }
    }
    return *slot;
}

const char* nameOf(int kind) { return kind == Creature ? "creature" : (kind == Ring ? "ring" : "sphere"); }

using hullmeasures::Reference;

double hullOf(int kind, Reference reference) {
    static std::map<std::pair<int, int>, double> volumes;
    const std::pair<int, int> key{kind, static_cast<int>(reference)};
    auto found = volumes.find(key);
    if (found == volumes.end()) {
        found = volumes.emplace(key, hullmeasures::hullVolume(sceneOf(kind), 2.0, 440.0, reference)).first;
    }
    return found->second;
}

// " worst 0.9950 (0.9960 0.9950 ...)" of the mesh against `reference`.
std::string iouText(const synthetic::Scene& scene, const SculptMesh& mesh, Reference reference, double& worst) {
    worst = 1.0;
    std::string list;
    for (int view = 0; view < static_cast<int>(scene.views().size()); ++view) {
        const double iou = hullmeasures::silhouetteIoU(scene, mesh, view, reference);
        worst = std::min(worst, iou);
        const std::vector<unsigned char> covered = hullmeasures::coveredPixels(scene, mesh, view);
        int missed = 0, extra = 0;
        for (int py = 0; py < synthetic::kUsable; ++py)
            for (int px = 0; px < synthetic::kUsable; ++px) {
                const bool s = hullmeasures::silhouetteHas(scene, view, px, py, reference);
                const bool m = covered[static_cast<std::size_t>(py * synthetic::kUsable + px)] != 0;
                missed += (s && !m) ? 1 : 0;
                extra += (!s && m) ? 1 : 0;
            }
        int off = 0;
        for (std::uint32_t i = 0; i < mesh.vertexSlots(); ++i) {
            if (!mesh.isVertex(i)) continue;
            const D3DXVECTOR3& position = mesh.position(i);
            double x, y, t;
            scene.project(view, synthetic::Vec3{position.x, position.y, position.z}, x, y, t);
            off += (!scene.insideOutline(view, x, y) && !scene.insideOutline(view, x + 0.5, y) && !scene.insideOutline(view, x - 0.5, y) &&
                    !scene.insideOutline(view, x, y + 0.5) && !scene.insideOutline(view, x, y - 0.5)) ? 1 : 0;
        }
        char text[64];
        std::snprintf(text, sizeof text, "%s%.4f[-%d+%d off%d]", view == 0 ? "" : " ", iou, missed, extra, off);
        list += text;
    }
    char text[48];
    std::snprintf(text, sizeof text, "worst %.4f (", worst);
    return text + list + ")";
}

MeshValidity validityOf(const Sculpture& run, bool withIntersections) {
    const ExportMesh mesh = exportMeshOf(run.mesh(), false);
    std::vector<MeshTriangle> triangles;
    triangles.reserve(mesh.triangles.size());
    for (const ExportMesh::Triangle& t : mesh.triangles) triangles.push_back({t.corner[0], t.corner[2], t.corner[1]});
    return checkMeshValidity(mesh.positions, triangles, withIntersections);
}

void BM_HullAndValidity(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const int depth = static_cast<int>(state.range(1));
    const int sharpening = static_cast<int>(state.range(2));
    const int smoothing = static_cast<int>(state.range(3));
    const synthetic::Scene& scene = sceneOf(kind);
    const std::vector<Clipping*> clippings = scene.clippings();
    SculptSettings settings;
    settings.depth = depth;
    settings.sharpeningPasses = sharpening;
    settings.smoothingPasses = smoothing;
    SilentProgress quiet;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        Sculpture run(settings);
        run.execute(clippings, quiet);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        const MeshValidity v = validityOf(run, depth <= 10);
        double worstOutline = 1.0, worstMask = 1.0;
        const std::string outlines = iouText(scene, run.mesh(), Reference::Outlines, worstOutline);
        const std::string masks = iouText(scene, run.mesh(), Reference::Masks, worstMask);
        const double volume = run.mesh().signedVolume();
        const double excessOutline = volume / hullOf(kind, Reference::Outlines) - 1.0;
        const double excessMask = volume / hullOf(kind, Reference::Masks) - 1.0;
        std::printf(
            "%-8s d%-2d sharp %-3d smooth %-2d | T %7d V %7d | not2 %d four %d unbal %d nmv %d zero %d coinc %d "
            "cross %d | %.3f s\n"
            "    outline hull: volume %+.3f %%, IoU %s\n    mask hull:    volume %+.3f %%, IoU %s\n",
            nameOf(kind), depth, sharpening, smoothing, v.triangles, v.vertices, v.edgesNotSharedByTwo,
            v.edgesSharedByFour, v.unbalancedEdges, v.nonManifoldVertices, v.zeroAreaTriangles, v.coincidentVertices,
            v.selfIntersections, seconds, 100.0 * excessOutline, outlines.c_str(), 100.0 * excessMask, masks.c_str());
        std::fflush(stdout);
        state.counters["volume_pct"] = 100.0 * excessOutline;
        state.counters["worst_iou"] = worstOutline;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HullAndValidity)
    ->ArgsProduct({{Creature, Ring, Sphere}, {8, 9, 10, 11}, {0, 10, 30, 100}, {0}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
