#include "sculpt/sculpture.h"

#include "sculpt/clipping.h"
#include "sculpt/run_memory.h"
#include "sculpt/sharpening.h"
#include "sculpt/simplification.h"
#include "sculpt/smoothing.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string octreeDepthCaption(int level) {
    char text[64];
    std::snprintf(text, sizeof text, "Sculpturing - Creating Octree Depth %d", level);
    return text;
}

}  // namespace

Sculpture::Sculpture(const SculptSettings& settings) : settings_(settings) {
    settings_.depth = std::clamp(settings_.depth, 0, kMaxDepth);
    settings_.sharpeningPasses = std::max(settings_.sharpeningPasses, 0);
    settings_.smoothingPasses = std::max(settings_.smoothingPasses, 0);
}

bool Sculpture::prepare(std::span<Clipping* const> clippings) {
    bool anyCarves = false;
    for (const Clipping* clipping : clippings) {
        anyCarves = anyCarves || (clipping != nullptr && clipping->isReadyForSculpting());
    }
    prepared_ = false;
    if (!anyCarves) return false;
    scene_ = SculptScene::capture(clippings, SculptScene::Pictures::No);
    sculptList_ = scene_.sculptList();
    prepared_ = !sculptList_.empty();
    return prepared_;
}

RunOutcome Sculpture::run(SculptProgress& progress, std::stop_token stop) {
    if (!prepared_) return RunOutcome::NothingToSculpt;
    prepared_ = false;
    const RunMemory memory;
    ParallelRunner runner(settings_.threads);
    const RunControl control{progress, runner, std::move(stop)};
    control.step("Sculpture", 0.0f);
    bool done = carveAndCreateFaces(control) && runLaterStages(control);
    if (done) {
        control.step("Sculpturing - Creating Buffers", 85.0f);
        control.step("Create mesh", 90.0f);
        if (settings_.makeFillData) refillData();
        control.step("Sculpturing - Creating Bounding Volume", 95.0f);
        done = !control.stopRequested();
    }
    if (!done) {
        // Nothing half made is left behind.
        mesh_.clear();
        fillData_.clear();
    }
    progress.finished();
    return done ? RunOutcome::Finished : RunOutcome::Cancelled;
}

bool Sculpture::execute(std::span<Clipping* const> clippings, SculptProgress& progress) {
    return prepare(clippings) && run(progress) == RunOutcome::Finished;
}

bool Sculpture::carveAndCreateFaces(const RunControl& control) {
    mesh_.clear();
    control.step("Sculpturing - Creating Octree", 0.0f);
    const std::vector<const SculptClipping*> list(sculptList_.begin(), sculptList_.end());
    // The finest level comes in the row order face creation walks, which
    // takes the cubes over: a fine depth holds one copy of them.
    if (!carver_.carve(settings_.depth, list, tables_, control,
                       [&control](int level) { control.step(octreeDepthCaption(level), 0.0f); }, FinestOrder::Rows)) {
        return false;
    }
    control.step("Sculpturing - Creating Faces", 15.0f);
    std::vector<CellKey> cells;
    std::vector<std::uint64_t> insideMarks;
    carver_.takeFinest(cells, insideMarks);
    return faceCreation_.createFacesFromRows(std::move(cells), carver_.depth(), tables_, list, mesh_, control,
                                             std::move(insideMarks));
}

bool Sculpture::runLaterStages(const RunControl& control) {
    control.step("Sculpturing - Sharpening mesh", 35.0f);
    if (!sharpenMesh(mesh_, settings_.sharpeningPasses, sculptList_, cellRadius(), control)) return false;
    control.step("Sculpturing - Smoothing mesh", 50.0f);
    if (!smoothMesh(mesh_, settings_.smoothingPasses, cellEdge(), control)) return false;
    control.step("Sculpturing - Mesh simplification", 65.0f);
    const SimplificationResult simplified =
        simplify(mesh_, SimplificationSettings{settings_.simplification, settings_.normalParticipation, true}, control);
    return !simplified.stopped;
}

void Sculpture::refillData() { fillData_ = mesh_.reprTriangles(settings_.flatShading); }
