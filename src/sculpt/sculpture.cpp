#include "sculpt/sculpture.h"

#include "sculpt/clipping.h"

#include <algorithm>
#include <cstdio>

namespace {

// Holds every clipping's picture plane in the middle of its slab for as long
// as it lives, and puts each one back afterwards.
class PicturePlanesInMiddle {
public:
    explicit PicturePlanesInMiddle(std::span<Clipping* const> clippings) : clippings_(clippings) {
        for (Clipping* clipping : clippings_) {
            if (clipping != nullptr) {
                clipping->holdImagePlaneInMiddle();
            }
        }
    }
    ~PicturePlanesInMiddle() {
        for (Clipping* clipping : clippings_) {
            if (clipping != nullptr) {
                clipping->restoreImagePlane();
            }
        }
    }
    PicturePlanesInMiddle(const PicturePlanesInMiddle&) = delete;
    PicturePlanesInMiddle& operator=(const PicturePlanesInMiddle&) = delete;

private:
    std::span<Clipping* const> clippings_;
};

std::string octreeDepthCaption(int level) {
    char text[64];
    std::snprintf(text, sizeof text, "Sculpturing - Creating Octree Depth %d", level);
    return text;
}

}  // namespace

Sculpture::Sculpture(const SculptSettings& settings, SculptStages stages)
    : settings_(settings), stages_(std::move(stages)) {
    settings_.depth = std::clamp(settings_.depth, 0, kMaxDepth);
    settings_.sharpeningPasses = std::max(settings_.sharpeningPasses, 0);
    settings_.smoothingPasses = std::max(settings_.smoothingPasses, 0);
}

std::vector<Clipping*> Sculpture::buildSculptList(std::span<Clipping* const> clippings) {
    std::vector<Clipping*> list;
    for (Clipping* clipping : clippings) {
        if (clipping != nullptr && clipping->isReadyForSculpting()) {
            list.push_back(clipping);
        }
    }
    return list;
}

bool Sculpture::execute(std::span<Clipping* const> clippings, SculptProgress& progress) {
    if (buildSculptList(clippings).empty()) {
        return false;
    }
    {
        const PicturePlanesInMiddle planes(clippings);
        progress.step("Sculpture", 0.0f);
        sculptList_ = buildSculptList(clippings);
        carveAndCreateFaces(progress);
        runLaterStages(progress);
        progress.step("Sculpturing - Creating Buffers", 85.0f);
        progress.step("Create mesh", 90.0f);
        refillData();
        progress.step("Sculpturing - Creating Bounding Volume", 95.0f);
    }
    progress.finished();
    return true;
}

void Sculpture::carveAndCreateFaces(SculptProgress& progress) {
    mesh_.clearEdges();
    for (Clipping* clipping : sculptList_) {
        clipping->prepareProjection();
    }
    progress.step("Sculpturing - Creating Octree", 0.0f);
    carver_.carve(settings_.depth, sculptList_, tables_,
                  [&progress](int level) { progress.step(octreeDepthCaption(level), 0.0f); });
    progress.step("Sculpturing - Creating Faces", 15.0f);
    faceCreation_.createFaces(carver_.finestList(), cellHalf(), sculptList_, mesh_);
    mesh_.computeNormalsAndCurvature();
}

void Sculpture::runLaterStages(SculptProgress& progress) {
    const SculptStageContext context{sculptList_, cellRadius(), &progress};
    progress.step("Sculpturing - Sharpening mesh", 35.0f);
    if (stages_.sharpen) {
        stages_.sharpen(mesh_, settings_.sharpeningPasses, context);
    }
    progress.step("Sculpturing - Smoothing mesh", 50.0f);
    if (stages_.smooth) {
        stages_.smooth(mesh_, settings_.smoothingPasses, context);
    }
    progress.step("Sculpturing - Mesh simplification", 65.0f);
    if (stages_.simplify) {
        stages_.simplify(mesh_, progress);
    }
}

void Sculpture::refillData() { fillData_ = mesh_.reprTriangles(settings_.flatShading); }
