// Texturing: painting the sculpted mesh with the photographs.
//
// "Texturise" packs the pictures of the clippings that paint (present,
// `enabled` and `fortexturing`) into one square atlas of N by N tiles and
// records, for every mesh vertex, where each picture sees it (texture
// samples). Equal pictures share one tile. Every triangle then takes the
// picture that sees it best (chooseTextureCoordinates).
//
// Like sculpting, texturing can run on a worker thread: a TexturingJob copies
// what it needs from the clippings on the owner's thread, runs anywhere
// (reading the finished sculpture, never changing it) and hands its result
// to the sculpture back on the owner's thread:
//
//   TexturingJob job(clippings);                  // owner's thread
//   RunOutcome outcome = job.run(sculpture, progress, stop);   // any thread
//   if (outcome == RunOutcome::Finished) job.applyTo(sculpture);   // owner's thread
//
// texturise() does all three on the calling thread; saveTexture() writes the
// atlas.
#pragma once

#include "core/string.h"
#include "image/image.h"
#include "sculpt/run_control.h"
#include "sculpt/sculpt_mesh.h"
#include "sculpt/sculpt_scene.h"
#include "sculpt/sculpture.h"

#include <span>
#include <string>
#include <vector>

class Clipping;

// Where a clipping's picture lies in the atlas.
struct AtlasTile {
    // The clipping paints (and got a tile).
    bool participates = false;
    // Its picture equals an earlier clipping's, whose tile it uses.
    bool sharesTile = false;
    int index = -1;
    int column = 0;
    int row = 0;
};

// One texture sample of a vertex: where the vertex falls in a clipping's
// tile, the clipping (its slot in the scene), and whether the clipping sees
// it from behind.
struct TextureSample {
    float u = 0.0f;
    float v = 0.0f;
    std::uint32_t source = 0;
    bool fromBack = false;
};

// The samples of every vertex slot (in the order they were made).
struct TextureSamples {
    std::vector<std::uint32_t> start;
    std::vector<TextureSample> items;

    std::span<const TextureSample> of(std::uint32_t v) const {
        if (v + 1 >= start.size()) return {};
        return {items.data() + start[v], items.data() + start[v + 1]};
    }
};

class Texturing {
public:
    // The most tiles an atlas holds (5 by 5).
    static constexpr int kMaxTiles = 25;

    // Lays out the atlas over the scene's slots in order: each painting
    // clipping whose picture equals an earlier painting clipping's shares
    // that tile, any other gets the next tile index. N is the smallest side
    // (1 .. 5) that holds the tiles (2 when there are none); the atlas is
    // N * tile width pixels square, white, with every unshared picture copied
    // into its tile (column = index mod N, row = index div N). Pictures that
    // would need a 26th tile or more get no tile and take no part;
    // leftOutImages() counts them. The tile size is the picture size of the
    // last painting clipping (the canvas side when none paints).
    void layoutAtlas(const SculptScene& scene);

    // Records the texture samples of every clipping that got a tile in
    // layoutAtlas(). For each clipping, each live triangle that faces the
    // picture (face normal . viewing direction <= 0), or faces away with
    // `texturebothsides`, is tested: its corners are projected (once per
    // vertex and clipping); when at least one corner qualifies (within the
    // slab when `textureonlyinside`; inside the outline in mask mode, i.e.
    // with a silhouette and `texturetakesmask`; else within the picture),
    // all three corners get a sample at their picture position mapped into
    // the clipping's tile (kept within the tile), flagged from-back when the
    // triangle faces away. A vertex holds at most one sample per clipping
    // and side. Reports "Texture creation", then per clipping slot
    // "Texture creation - Init" and, for painting ones, "Texture creation -
    // Transform vertices". False when the control asked to stop.
    bool createSamples(const SculptMesh& mesh, SculptScene& scene, const RunControl& control);

    // N: tiles per atlas side (1 before the layout).
    int tilesPerSide() const { return tilesPerSide_; }
    // Tiles given out by the layout.
    int tileCount() const { return tileCount_; }
    // Distinct pictures that found no room in the atlas.
    int leftOutImages() const { return leftOutImages_; }
    // The tile of slot i of the last layout (a non-participating one for
    // slots beyond the scene).
    AtlasTile tile(int i) const;
    const Image& atlas() const { return atlas_; }
    // Hands the atlas over; this object keeps an invalid image.
    Image takeAtlas() { return std::move(atlas_); }
    const TextureSamples& samples() const { return samples_; }

private:
    void copyTiles(const SculptScene& scene);

    int tilesPerSide_ = 1;
    int tileCount_ = 0;
    int leftOutImages_ = 0;
    int tileWidth_ = Image::kCanvasSide;
    int tileHeight_ = Image::kCanvasSide;
    std::vector<AtlasTile> tiles_;
    Image atlas_;
    TextureSamples samples_;
};

// Each live triangle's texture coordinates: among the clippings that left a
// sample on all three corners (for each sample of E, the first sample of F
// and of G from the same clipping), the one with the lowest
// dot(direction, face normal) - 100 x `texturestrength` wins, the viewing
// direction negated for a from-back sample of E; ties keep the earlier.
// Without such a clipping the coordinates are (0, 0). One record per
// triangle slot.
std::vector<TriangleTexture> chooseTextureCoordinates(const SculptMesh& mesh, const TextureSamples& samples,
                                                      const SculptScene& scene);

// N for `tiles` tiles: 1 for 1, 2 for up to 4 (and for 0), 3 for up to 9,
// 4 for up to 16, 5 for up to 25; 5 beyond (the layout gives out no more).
int atlasTilesPerSide(int tiles);

// What one "Texturise" command did.
struct TexturingReport {
    // An atlas was made and kept in the run.
    bool textured = false;
    int tilesPerSide = 1;
    int tiles = 0;
    int leftOutImages = 0;
    // For the user: why nothing was painted, or which pictures were left
    // out; empty when every painting picture took part.
    std::string message;
};

class TexturingJob {
public:
    // On the owner's thread: copies the clippings (the workspace's list;
    // entries may be null) with their pictures, each picture plane held in
    // the middle of its slab as the command holds it. `makeFillData`: run()
    // also makes the drawable's fill data for applyTo().
    explicit TexturingJob(std::span<Clipping* const> clippings, bool makeFillData = false);

    // On any thread, once: lays out the atlas, makes the samples and chooses
    // every triangle's coordinates for `sculpture`'s mesh, which it only
    // reads (and which must not change meanwhile). Reports "Texturise"
    // first, the captions of createSamples, then finished(). With an empty
    // mesh nothing is painted. Cancelled (after finished()) when a stop was
    // asked for; the sculpture is untouched either way.
    RunOutcome run(const Sculpture& sculpture, SculptProgress& progress, std::stop_token stop = {});

    const TexturingReport& report() const { return report_; }
    // The drawable's fill data made by run() (with makeFillData), before
    // applyTo() hands it over.
    const std::vector<MeshReprTriangle>& fillData() const { return fillData_; }
    // On the owner's thread, after run() finished: gives `sculpture` the
    // atlas, N and the texture coordinates (and the fill data when made),
    // replacing earlier ones. An empty mesh keeps no atlas.
    void applyTo(Sculpture& sculpture);

private:
    SculptScene scene_;
    bool makeFillData_;
    bool finished_ = false;
    TexturingReport report_;
    Image atlas_;
    std::vector<TriangleTexture> coordinates_;
    std::vector<MeshReprTriangle> fillData_;
};

// The "Texturise" command on a finished sculpting run, on the calling thread:
// a TexturingJob run and applied (the run's fill data made again).
TexturingReport texturise(Sculpture& run, std::span<Clipping* const> clippings, SculptProgress& progress);

// True for texture file names whose ending (case-insensitive) names a
// format the texture can be written in: .bmp .dds .dib .jpg .png .ppm .tga.
bool isTextureFileName(const String& fileName);

// Writes the run's atlas to `fileName` in the format its ending names,
// safely (temporary file, then rename). Reports "Save texture" at 0 and
// finished(). False, with a one-line reason in `error` (may be null), when
// the run has no atlas, the ending names no known format or the write
// failed; no file is left behind then.
bool saveTexture(const Sculpture& run, const String& fileName, SculptProgress& progress, std::string* error);
