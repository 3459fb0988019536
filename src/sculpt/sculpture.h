// Sculpture: one run of the "Sculpture" command, headless. The transformation
// mode and the command line both drive it the same way:
//
//   Sculpture run(settings);
//   run.execute(clippings, progress);   // carving, faces, later stages
//   run.mesh() / run.fillData() / run.objectInfo()
//
// execute() sets every clipping's picture plane aside and holds it in the
// middle of its slab (0.5) while the run works, builds the sculpt list,
// carves the octree to the configured depth, creates the faces, runs the
// optional later stages and produces the drawable's fill data; on the way it
// reports each caption and percentage to a SculptProgress. The picture planes
// are restored before execute() returns. The run keeps its mesh until it is
// destroyed (the next command discards it).
#pragma once

#include "image/image.h"
#include "sculpt/face_creation.h"
#include "sculpt/octree_carving.h"
#include "sculpt/sculpt_mesh.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

class Clipping;

// Where a run reports its stages: the GUI draws one frame per call, the
// command line prints a line.
class SculptProgress {
public:
    virtual ~SculptProgress() = default;
    // A new stage: `caption` (the status text) at `percent` (0 .. 100).
    virtual void step(const std::string& caption, float percent) = 0;
    // The run is over (the GUI sets the arrow cursor and the ready flag).
    virtual void finished() {}
};

// A progress sink that ignores everything.
class SilentProgress : public SculptProgress {
public:
    void step(const std::string&, float) override {}
};

// What the reshaping stages get from the run besides the mesh and the
// number of passes.
struct SculptStageContext {
    // The run's sculpt list, every projection prepared.
    std::span<Clipping* const> sculptList;
    // radius[d] of the run's depth.
    float cellRadius = 0.0f;
    // Where the stage reports its passes; never null while the run calls.
    SculptProgress* progress = nullptr;
};

// The later stages of a run, supplied by their own modules; an empty one is
// skipped (its caption is still reported).
struct SculptStages {
    std::function<void(SculptMesh&, int passes, const SculptStageContext&)> sharpen;
    std::function<void(SculptMesh&, int passes, const SculptStageContext&)> smooth;
    // Reports its own captions through the run's progress.
    std::function<void(SculptMesh&, SculptProgress&)> simplify;
};

// The command's settings, read from the sliders (or the command line).
struct SculptSettings {
    // Octree depth d (the voxel size setting truncated); clamped into
    // 0 .. kMaxDepth by the run.
    int depth = 7;
    int sharpeningPasses = 0;
    int smoothingPasses = 0;
    // True when smooth shading is off: the drawable takes face normals.
    bool flatShading = false;
};

class Sculpture {
public:
    // The deepest octree level the tables hold.
    static constexpr int kMaxDepth = LevelTables::kLevels - 1;

    explicit Sculpture(const SculptSettings& settings, SculptStages stages = {});
    Sculpture(const Sculpture&) = delete;
    Sculpture& operator=(const Sculpture&) = delete;

    // The clippings that carve: present (non-null), ready for sculpting
    // (enabled, for sculpting, with a silhouette and a usable placement), in
    // the given (image) order.
    static std::vector<Clipping*> buildSculptList(std::span<Clipping* const> clippings);

    // Runs the whole command over `clippings` (the workspace's clipping list;
    // entries may be null). Returns false, and does nothing at all, when no
    // clipping can carve. Otherwise every clipping's picture plane is held at
    // 0.5 during the run and restored afterwards, and the captions
    //   "Sculpture" 0, "Sculpturing - Creating Octree" 0,
    //   "Sculpturing - Creating Octree Depth %d" 0 (one per level),
    //   "Sculpturing - Creating Faces" 15, "Sculpturing - Sharpening mesh" 35,
    //   "Sculpturing - Smoothing mesh" 50,
    //   "Sculpturing - Mesh simplification" 65,
    //   "Sculpturing - Creating Buffers" 85, "Create mesh" 90,
    //   "Sculpturing - Creating Bounding Volume" 95
    // are reported in that order, then finished().
    bool execute(std::span<Clipping* const> clippings, SculptProgress& progress);

    // The settings after clamping, and the current cell sizes of the depth.
    const SculptSettings& settings() const { return settings_; }
    int depth() const { return settings_.depth; }
    float cellEdge() const { return tables_.edge[settings_.depth]; }
    float cellHalf() const { return tables_.half[settings_.depth]; }
    float cellRadius() const { return tables_.radius[settings_.depth]; }
    const LevelTables& tables() const { return tables_; }

    // The carving of the last execute(): finest list and cells per level.
    const OctreeCarver& carver() const { return carver_; }
    // The mesh of the last execute(); empty before.
    SculptMesh& mesh() { return mesh_; }
    const SculptMesh& mesh() const { return mesh_; }
    // The drawable's fill data of the last execute() (or of refillData()).
    const std::vector<MeshReprTriangle>& fillData() const { return fillData_; }
    // Rebuilds the fill data from the current mesh (after texturing).
    void refillData();
    // Non-null vertices and triangles of the mesh.
    ObjectInfo objectInfo() const { return mesh_.objectInfo(); }
    // The sculpt list of the last execute().
    const std::vector<Clipping*>& sculptList() const { return sculptList_; }

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
    void carveAndCreateFaces(SculptProgress& progress);
    void runLaterStages(SculptProgress& progress);

    SculptSettings settings_;
    SculptStages stages_;
    LevelTables tables_;
    std::vector<Clipping*> sculptList_;
    OctreeCarver carver_;
    FaceCreation faceCreation_;
    SculptMesh mesh_;
    std::vector<MeshReprTriangle> fillData_;
    Image textureImage_;
    int textureTilesPerSide_ = 1;
};
