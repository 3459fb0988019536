// Sculpture: one run of the "Sculpture" command, headless. The transformation
// mode and the command line both drive it.
//
// On the thread that owns the clippings (the GUI thread):
//
//   auto next = std::make_unique<Sculpture>(settings);
//   if (!next->prepare(clippings)) ...nothing can carve...
//
// then on any thread (a worker, so that the window stays alive):
//
//   RunOutcome outcome = next->run(progress, stopToken);
//
// and back on the owner's thread: when the outcome is Finished, the new run
// replaces the previous one; otherwise it is thrown away and the previous
// result was never touched. prepare() copies everything the run needs
// (SculptScene), so run() never reads the live clippings. execute() does
// both on the calling thread.
//
// The same settings and clippings give the same mesh, bit for bit, whichever
// thread runs it and whatever the number of threads.
#pragma once

#include "image/image.h"
#include "sculpt/face_creation.h"
#include "sculpt/octree_carving.h"
#include "sculpt/run_control.h"
#include "sculpt/sculpt_mesh.h"
#include "sculpt/sculpt_scene.h"

#include <memory>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

class Clipping;

// The command's settings, read from the sliders (or the command line).
struct SculptSettings {
    // Octree depth d (the voxel size setting truncated); clamped into
    // 0 .. Sculpture::kMaxDepth by the run.
    int depth = 7;
    int sharpeningPasses = 0;
    int smoothingPasses = 0;
    // Simplification amount, 0 (none) .. 1 ("Simplification:"), and the
    // curvature weight of its edge cost ("Normal partic:").
    float simplification = 0.0f;
    float normalParticipation = 0.0f;
    // True when smooth shading is off: the drawable takes face normals.
    bool flatShading = false;
    // Threads to work on; 0 takes one per core. The mesh does not depend on
    // it.
    int threads = 0;
    // Make the drawable's fill data at the end of the run (the GUI wants it,
    // made on the run's thread); otherwise refillData() makes it on demand.
    bool makeFillData = false;
};

enum class RunOutcome {
    // The run made its result.
    Finished,
    // A stop was requested; the run's result is incomplete and must be
    // thrown away.
    Cancelled,
    // No clipping can carve: nothing was done.
    NothingToSculpt,
};

class Sculpture {
public:
    // The deepest octree level a run carves.
    static constexpr int kMaxDepth = kMaxCarvingDepth;

    explicit Sculpture(const SculptSettings& settings);
    Sculpture(const Sculpture&) = delete;
    Sculpture& operator=(const Sculpture&) = delete;

    // On the owner's thread: copies the clippings (the workspace's list;
    // entries may be null) for run(). False when none can carve (present,
    // enabled, for sculpting, with a silhouette and a usable placement).
    bool prepare(std::span<Clipping* const> clippings);

    // On any thread, once, after prepare(): carves, creates the faces, runs
    // the later stages and reports the captions
    //   "Sculpture" 0, "Sculpturing - Creating Octree" 0,
    //   "Sculpturing - Creating Octree Depth %d" 0 (one per level),
    //   "Sculpturing - Creating Faces" 15, "Sculpturing - Sharpening mesh" 35
    //   (and its passes), "Sculpturing - Smoothing mesh" 50 (and its passes),
    //   "Sculpturing - Mesh simplification" 65 (and its steps),
    //   "Sculpturing - Creating Buffers" 85, "Create mesh" 90,
    //   "Sculpturing - Creating Bounding Volume" 95
    // in that order, then finished(). A stop request is honoured within a few
    // milliseconds of work in every stage: the run reports finished() and
    // returns Cancelled. NothingToSculpt (without any report) when prepare()
    // found nothing or was not called.
    RunOutcome run(SculptProgress& progress, std::stop_token stop = {});

    // prepare() and run() on the calling thread; true when the run finished.
    bool execute(std::span<Clipping* const> clippings, SculptProgress& progress);

    // The settings after clamping, and the current cell sizes of the depth.
    const SculptSettings& settings() const { return settings_; }
    int depth() const { return settings_.depth; }
    float cellEdge() const { return tables_.edge[settings_.depth]; }
    float cellHalf() const { return tables_.half[settings_.depth]; }
    float cellRadius() const { return tables_.radius[settings_.depth]; }
    const LevelTables& tables() const { return tables_; }

    // The carving and face creation of the last run (counts and sizes).
    const OctreeCarver& carver() const { return carver_; }
    const FaceCreation& faceCreation() const { return faceCreation_; }
    // The mesh of the last run; empty before.
    SculptMesh& mesh() { return mesh_; }
    const SculptMesh& mesh() const { return mesh_; }
    // The drawable's fill data: made at the end of a run with makeFillData,
    // or by refillData() (after texturing).
    const std::vector<MeshReprTriangle>& fillData() const { return fillData_; }
    void refillData();
    void setFillData(std::vector<MeshReprTriangle> data) { fillData_ = std::move(data); }
    // Non-removed vertices and triangles of the mesh.
    ObjectInfo objectInfo() const { return mesh_.objectInfo(); }
    // The copy of the clippings the run works on, and its sculpt list.
    SculptScene& scene() { return scene_; }
    const std::vector<SculptClipping*>& sculptList() const { return sculptList_; }

    // The texture atlas of the last "Texturise" on this run and its tiles per
    // side; no atlas (an invalid image, N = 1) before.
    bool hasTexture() const { return textureImage_.isValid(); }
    const Image& textureImage() const { return textureImage_; }
    int textureTilesPerSide() const { return textureTilesPerSide_; }
    // Replaces the atlas and N.
    void setTexture(Image atlas, int tilesPerSide) {
        textureImage_ = std::move(atlas);
        textureTilesPerSide_ = tilesPerSide;
    }

private:
    bool carveAndCreateFaces(const RunControl& control);
    bool runLaterStages(const RunControl& control);

    SculptSettings settings_;
    LevelTables tables_;
    SculptScene scene_;
    std::vector<SculptClipping*> sculptList_;
    bool prepared_ = false;
    OctreeCarver carver_;
    FaceCreation faceCreation_;
    SculptMesh mesh_;
    std::vector<MeshReprTriangle> fillData_;
    Image textureImage_;
    int textureTilesPerSide_ = 1;
};
