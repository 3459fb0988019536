// Texturing: painting the sculpted mesh with the photographs.
//
// "Texturise" packs the pictures of the clippings that paint (present,
// `enabled` and `fortexturing`) into one square atlas of N by N tiles and
// records, for every mesh vertex, where each picture sees it (texture
// samples). Equal pictures share one tile. When the drawable's data is
// filled, every triangle takes the picture that sees it best (see
// SculptMesh::reprTriangles).
//
//   Texturing texturing;
//   texturing.layoutAtlas(clippings);
//   Texturing::clearSamples(mesh);
//   texturing.createSamples(mesh, clippings, progress);
//
// texturise() runs the whole command on a sculpting run and keeps the atlas
// in the run; saveTexture() writes it.
#pragma once

#include "core/string.h"
#include "image/image.h"

#include <span>
#include <string>
#include <vector>

class Clipping;
class SculptMesh;
class Sculpture;
class SculptProgress;

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

class Texturing {
public:
    // The most tiles an atlas holds (5 by 5).
    static constexpr int kMaxTiles = 25;

    // Lays out the atlas over `clippings` (entries may be null) in order:
    // each painting clipping whose picture equals an earlier painting
    // clipping's shares that tile, any other gets the next tile index. N is
    // the smallest side (1 .. 5) that holds the tiles (2 when there are
    // none); the atlas is N * tile width pixels square, white, with every
    // unshared picture copied into its tile (column = index mod N,
    // row = index div N). Pictures that would need a 26th tile or more get no
    // tile and take no part; leftOutImages() counts them. The tile size is
    // the picture size of the last painting clipping (the canvas side when
    // none paints).
    void layoutAtlas(std::span<Clipping* const> clippings);

    // Empties the sample list of every vertex of every non-null triangle.
    static void clearSamples(SculptMesh& mesh);

    // Records the texture samples of every clipping that got a tile in
    // layoutAtlas() (the same list must be passed). For each clipping, each
    // non-null triangle that faces the picture (face normal . viewing
    // direction <= 0), or faces away with `texturebothsides`, is tested: its
    // corners are projected (once per vertex and clipping); when at least
    // one corner qualifies (within the slab when `textureonlyinside`; inside
    // the outline in mask mode, i.e. with a silhouette and
    // `texturetakesmask`; else within the picture), all three corners get a
    // sample at their picture position mapped into the clipping's tile
    // (kept within the tile), flagged from-back when the triangle faces
    // away. A vertex holds at most one sample per clipping and side.
    // Reports "Texture creation", then per clipping
    // "Texture creation - Init" and "Texture creation - Transform vertices".
    void createSamples(SculptMesh& mesh, std::span<Clipping* const> clippings, SculptProgress& progress) const;

    // N: tiles per atlas side (1 before the layout).
    int tilesPerSide() const { return tilesPerSide_; }
    // Tiles given out by the layout.
    int tileCount() const { return tileCount_; }
    // Distinct pictures that found no room in the atlas.
    int leftOutImages() const { return leftOutImages_; }
    // The tile of clippings[i] of the last layout (a non-participating one
    // for indices beyond the list).
    AtlasTile tile(int i) const;
    const Image& atlas() const { return atlas_; }
    // Hands the atlas over; this object keeps an invalid image.
    Image takeAtlas() { return std::move(atlas_); }

private:
    void copyTiles(std::span<Clipping* const> clippings);
    void sampleClipping(SculptMesh& mesh, const Clipping& clipping, const AtlasTile& tile) const;

    int tilesPerSide_ = 1;
    int tileCount_ = 0;
    int leftOutImages_ = 0;
    int tileWidth_ = Image::kCanvasSide;
    int tileHeight_ = Image::kCanvasSide;
    std::vector<AtlasTile> tiles_;
    Image atlas_;
};

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

// The "Texturise" command on a finished sculpting run: holds every
// clipping's picture plane in the middle of its slab, lays out the atlas,
// clears and creates the samples, refills the run's drawable data (which
// chooses each triangle's picture) and keeps N and the atlas in the run
// (replacing earlier ones). Reports "Texturise" first. With an empty mesh
// nothing is painted and the run keeps no atlas.
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
