#include "sculpt/texture_atlas.h"

#include "image/border.h"
#include "image/image_entry.h"
#include "sculpt/clipping.h"
#include "sculpt/sculpt_mesh.h"
#include "sculpt/sculpture.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

const char* const kTextureEndings[] = {".bmp", ".dds", ".dib", ".jpg", ".png", ".ppm", ".tga"};

bool paints(const Clipping* clipping) {
    return clipping != nullptr && clipping->flags().enabled && clipping->flags().fortexturing;
}

const Image& pictureOf(const Clipping& clipping) { return clipping.entry().workingCopy; }

// Holds every clipping's picture plane in the middle of its slab while it
// lives and puts each back afterwards.
class PlanesHeldInMiddle {
public:
    explicit PlanesHeldInMiddle(std::span<Clipping* const> clippings) : clippings_(clippings) {
        for (Clipping* clipping : clippings_) {
            if (clipping != nullptr) clipping->holdImagePlaneInMiddle();
        }
    }
    ~PlanesHeldInMiddle() {
        for (Clipping* clipping : clippings_) {
            if (clipping != nullptr) clipping->restoreImagePlane();
        }
    }
    PlanesHeldInMiddle(const PlanesHeldInMiddle&) = delete;
    PlanesHeldInMiddle& operator=(const PlanesHeldInMiddle&) = delete;

private:
    std::span<Clipping* const> clippings_;
};

// A vertex projected into one clipping: picture position (s, r) in 0 .. 1
// of the canvas and whether it qualifies for painting.
struct ProjectedVertex {
    float s = 0.0f;
    float r = 0.0f;
    bool qualifies = false;
};

// Answers, for one clipping, where a vertex falls and whether it qualifies.
class VertexProjector {
public:
    VertexProjector(const Clipping& clipping, int vertexSlots)
        : clipping_(clipping),
          projection_(clipping.projection()),
          border_(clipping.entry().border.get()),
          maskMode_(clipping.hasSilhouette() && clipping.flags().texturetakesmask),
          onlyInside_(clipping.flags().textureonlyinside),
          cache_(static_cast<std::size_t>(std::max(vertexSlots, 0))) {}

    // Each vertex is projected once; vertices outside the array's slots
    // (never the case for registered ones) are projected every time.
    ProjectedVertex at(const SculptVertex& vertex) {
        if (vertex.index < 0 || static_cast<std::size_t>(vertex.index) >= cache_.size()) {
            return project(vertex);
        }
        std::optional<ProjectedVertex>& slot = cache_[static_cast<std::size_t>(vertex.index)];
        if (!slot) slot = project(vertex);
        return *slot;
    }

private:
    ProjectedVertex project(const SculptVertex& vertex) const {
        ProjectedVertex out;
        const std::optional<ClipPoint> p = projection_.projectPoint(vertex.position);
        if (!p) return out;
        const float side = static_cast<float>(Image::kCanvasSide);
        const float width = projection_.pictureWidth();
        const float height = projection_.pictureHeight();
        out.s = (width - p->u) / side;
        out.r = (height - p->w) / side;
        const float halfDepth = projection_.halfDepth();
        const bool inSlab = !onlyInside_ || (p->t >= -halfDepth && p->t <= halfDepth);
        out.qualifies = inSlab && (maskMode_ ? insideMask(p->u, p->w)
                                             : out.s * side >= 0.0f && out.s * side <= width &&
                                                   out.r * side >= 0.0f && out.r * side <= height);
        return out;
    }

    // Inside the outline; without a border the silhouette grid answers.
    bool insideMask(float u, float w) const {
        if (border_ != nullptr) return border_->isInsideOutline(u, w);
        const int i = static_cast<int>(std::lround(u - 1.5f));
        const int j = static_cast<int>(std::lround(w - 1.5f));
        return clipping_.grid().cell(i, j) != GridOutside;
    }

    const Clipping& clipping_;
    const ClippingProjection& projection_;
    const Border* border_;
    bool maskMode_;
    bool onlyInside_;
    std::vector<std::optional<ProjectedVertex>> cache_;
};

// Adds a sample unless the vertex already holds one of this clipping and
// side (the position would be the same).
void addSample(SculptVertex& vertex, const TextureSample& sample) {
    for (const TextureSample& held : vertex.textureSamples) {
        if (held.clipping == sample.clipping && held.fromBack == sample.fromBack) return;
    }
    vertex.textureSamples.push_back(sample);
}

std::string leftOutMessage(int leftOut) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "The texture holds at most %d different images: the first %d paint it, %d more %s left out.",
                  Texturing::kMaxTiles, Texturing::kMaxTiles, leftOut, leftOut == 1 ? "is" : "are");
    return text;
}

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

int atlasTilesPerSide(int tiles) {
    if (tiles == 1) return 1;
    if (tiles <= 4) return 2;
    if (tiles <= 9) return 3;
    if (tiles <= 16) return 4;
    return 5;
}

AtlasTile Texturing::tile(int i) const {
    if (i < 0 || static_cast<std::size_t>(i) >= tiles_.size()) return AtlasTile{};
    return tiles_[static_cast<std::size_t>(i)];
}

void Texturing::layoutAtlas(std::span<Clipping* const> clippings) {
    tiles_.assign(clippings.size(), AtlasTile{});
    tileCount_ = 0;
    leftOutImages_ = 0;
    tileWidth_ = Image::kCanvasSide;
    tileHeight_ = Image::kCanvasSide;
    for (std::size_t i = 0; i < clippings.size(); ++i) {
        if (!paints(clippings[i])) continue;
        const Image& picture = pictureOf(*clippings[i]);
        if (picture.isValid()) {
            tileWidth_ = picture.width();
            tileHeight_ = picture.height();
        }
        AtlasTile& tile = tiles_[i];
        for (std::size_t k = 0; k < i; ++k) {
            if (tiles_[k].participates && pictureOf(*clippings[k]).equals(picture)) {
                tile.participates = true;
                tile.sharesTile = true;
                tile.index = tiles_[k].index;
                break;
            }
        }
        if (tile.participates) continue;
        if (tileCount_ == kMaxTiles) {
            // No room: the picture leaves no samples. Equal pictures after it
            // find no participating twin and are counted once each, so count
            // only the first of every kind.
            bool seen = false;
            for (std::size_t k = 0; k < i && !seen; ++k) {
                seen = paints(clippings[k]) && !tiles_[k].participates && pictureOf(*clippings[k]).equals(picture);
            }
            if (!seen) ++leftOutImages_;
            continue;
        }
        tile.participates = true;
        tile.index = tileCount_++;
    }
    tilesPerSide_ = atlasTilesPerSide(tileCount_);
    copyTiles(clippings);
}

void Texturing::copyTiles(std::span<Clipping* const> clippings) {
    const int side = tilesPerSide_ * tileWidth_;
    atlas_ = Image(side, side, Rgb{255, 255, 255});
    unsigned char* atlasBytes = atlas_.bytes();
    for (std::size_t i = 0; i < clippings.size(); ++i) {
        AtlasTile& tile = tiles_[i];
        if (!tile.participates) continue;
        tile.column = tile.index % tilesPerSide_;
        tile.row = tile.index / tilesPerSide_;
        if (tile.sharesTile || atlasBytes == nullptr) continue;
        const Image& picture = pictureOf(*clippings[i]);
        for (int y = 0; y < tileHeight_; ++y) {
            const int ay = tile.row * tileHeight_ + y;
            if (ay >= side) break;
            for (int x = 0; x < tileWidth_; ++x) {
                atlas_.setPixel(tile.column * tileWidth_ + x, ay, picture.pixel(x, y));
            }
        }
    }
}

void Texturing::clearSamples(SculptMesh& mesh) {
    GrowableArray<MeshCreationTriangle*>& triangles = mesh.triangles();
    for (int i = 0; i < triangles.count(); ++i) {
        MeshCreationTriangle* triangle = triangles[i];
        if (triangle == nullptr) continue;
        triangle->e->textureSamples.clear();
        triangle->f->textureSamples.clear();
        triangle->g->textureSamples.clear();
    }
}

void Texturing::createSamples(SculptMesh& mesh, std::span<Clipping* const> clippings,
                              SculptProgress& progress) const {
    if (mesh.triangles().count() == 0) return;
    progress.step("Texture creation", 0.0f);
    const float count = static_cast<float>(clippings.size());
    for (std::size_t i = 0; i < clippings.size(); ++i) {
        const float percent = 100.0f / count * static_cast<float>(i);
        progress.step("Texture creation - Init", percent);
        const AtlasTile& tile = i < tiles_.size() ? tiles_[i] : AtlasTile{};
        if (!paints(clippings[i]) || !tile.participates) continue;
        clippings[i]->prepareProjection();
        progress.step("Texture creation - Transform vertices", percent);
        sampleClipping(mesh, *clippings[i], tile);
    }
}

void Texturing::sampleClipping(SculptMesh& mesh, const Clipping& clipping, const AtlasTile& tile) const {
    if (!clipping.projection().isUsable()) return;
    const D3DXVECTOR3 direction = clipping.projection().viewingDirection();
    const bool bothSides = clipping.flags().texturebothsides;
    const float n = static_cast<float>(tilesPerSide_);
    VertexProjector projector(clipping, mesh.vertices().count());
    GrowableArray<MeshCreationTriangle*>& triangles = mesh.triangles();
    for (int i = 0; i < triangles.count(); ++i) {
        MeshCreationTriangle* triangle = triangles[i];
        if (triangle == nullptr) continue;
        const bool facesAway = D3DXVec3Dot(&triangle->normal, &direction) > 0.0f;
        if (facesAway && !bothSides) continue;
        SculptVertex* corners[3] = {triangle->e, triangle->f, triangle->g};
        ProjectedVertex projected[3];
        bool any = false;
        for (int c = 0; c < 3; ++c) {
            projected[c] = projector.at(*corners[c]);
            any = any || projected[c].qualifies;
        }
        if (!any) continue;
        for (int c = 0; c < 3; ++c) {
            // A corner beyond the picture would reach into a neighbouring
            // tile; it is held at the tile's edge.
            const float s = std::clamp(projected[c].s, 0.0f, 1.0f);
            const float r = std::clamp(projected[c].r, 0.0f, 1.0f);
            TextureSample sample;
            sample.u = s / n + static_cast<float>(tile.column) / n;
            sample.v = r / n + static_cast<float>(tile.row) / n;
            sample.clipping = &clipping;
            sample.fromBack = facesAway;
            addSample(*corners[c], sample);
        }
    }
}

TexturingReport texturise(Sculpture& run, std::span<Clipping* const> clippings, SculptProgress& progress) {
    TexturingReport report;
    progress.step("Texturise", 0.0f);
    if (run.mesh().objectInfo().triangles == 0) {
        report.message = "There is no sculpted mesh to texture.";
        progress.finished();
        return report;
    }
    {
        const PlanesHeldInMiddle planes(clippings);
        Texturing texturing;
        texturing.layoutAtlas(clippings);
        Texturing::clearSamples(run.mesh());
        texturing.createSamples(run.mesh(), clippings, progress);
        run.refillData();
        report.tilesPerSide = texturing.tilesPerSide();
        report.tiles = texturing.tileCount();
        report.leftOutImages = texturing.leftOutImages();
        report.textured = texturing.atlas().isValid();
        if (report.tiles == 0) {
            report.message = "No image is enabled for texturing; the texture stays white.";
        } else if (report.leftOutImages > 0) {
            report.message = leftOutMessage(report.leftOutImages);
        }
        run.setTexture(texturing.takeAtlas(), report.tilesPerSide);
    }
    progress.finished();
    return report;
}

bool isTextureFileName(const String& fileName) {
    const std::string name = lowerCase(fileName.view());
    for (const char* ending : kTextureEndings) {
        if (name.size() > std::string_view(ending).size() && name.ends_with(ending)) return true;
    }
    return false;
}

bool saveTexture(const Sculpture& run, const String& fileName, SculptProgress& progress, std::string* error) {
    const auto fail = [error](std::string reason) {
        if (error != nullptr) *error = std::move(reason);
        return false;
    };
    if (!run.hasTexture()) return fail("there is no texture to save (texture the sculpture first)");
    if (!isTextureFileName(fileName)) {
        return fail("cannot save the texture as '" + std::string(fileName.view()) +
                    "': the name must end in .bmp, .dds, .dib, .jpg, .png, .ppm or .tga");
    }
    progress.step("Save texture", 0.0f);
    const bool written = run.textureImage().saveToFile(fileName);
    progress.finished();
    if (!written) return fail("could not write the texture to '" + std::string(fileName.view()) + "'");
    if (error != nullptr) error->clear();
    return true;
}
