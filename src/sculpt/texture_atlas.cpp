#include "sculpt/texture_atlas.h"

#include "image/border.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

const char* const kTextureEndings[] = {".bmp", ".dds", ".dib", ".jpg", ".png", ".ppm", ".tga"};

bool paints(const SculptClipping* clipping) { return clipping != nullptr && clipping->paints(); }

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
    VertexProjector(const SculptClipping& clipping, std::uint32_t vertexSlots)
        : clipping_(clipping),
          projection_(clipping.projection()),
          border_(clipping.border()),
          maskMode_(clipping.hasSilhouette() && clipping.flags().texturetakesmask),
          onlyInside_(clipping.flags().textureonlyinside),
          cache_(vertexSlots) {}

    // Each vertex is projected once.
    ProjectedVertex at(const SculptMesh& mesh, std::uint32_t v) {
        std::optional<ProjectedVertex>& slot = cache_[v];
        if (!slot) slot = project(mesh.position(v));
        return *slot;
    }

private:
    ProjectedVertex project(const D3DXVECTOR3& position) const {
        ProjectedVertex out;
        const std::optional<ClipPoint> p = projection_.projectPoint(position);
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

    const SculptClipping& clipping_;
    const ClippingProjection& projection_;
    const Border* border_;
    bool maskMode_;
    bool onlyInside_;
    std::vector<std::optional<ProjectedVertex>> cache_;
};

// A sample made for one vertex.
struct MadeSample {
    std::uint32_t vertex;
    TextureSample sample;
};

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

void Texturing::layoutAtlas(const SculptScene& scene) {
    const auto& slots = scene.slots();
    tiles_.assign(slots.size(), AtlasTile{});
    tileCount_ = 0;
    leftOutImages_ = 0;
    tileWidth_ = Image::kCanvasSide;
    tileHeight_ = Image::kCanvasSide;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!paints(slots[i].get())) continue;
        const Image& picture = slots[i]->picture();
        if (picture.isValid()) {
            tileWidth_ = picture.width();
            tileHeight_ = picture.height();
        }
        AtlasTile& tile = tiles_[i];
        for (std::size_t k = 0; k < i; ++k) {
            if (tiles_[k].participates && slots[k]->picture().equals(picture)) {
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
                seen = paints(slots[k].get()) && !tiles_[k].participates && slots[k]->picture().equals(picture);
            }
            if (!seen) ++leftOutImages_;
            continue;
        }
        tile.participates = true;
        tile.index = tileCount_++;
    }
    tilesPerSide_ = atlasTilesPerSide(tileCount_);
    copyTiles(scene);
}

void Texturing::copyTiles(const SculptScene& scene) {
    const int side = tilesPerSide_ * tileWidth_;
    atlas_ = Image(side, side, Rgb{255, 255, 255});
    unsigned char* atlasBytes = atlas_.bytes();
    for (std::size_t i = 0; i < tiles_.size(); ++i) {
        AtlasTile& tile = tiles_[i];
        if (!tile.participates) continue;
        tile.column = tile.index % tilesPerSide_;
        tile.row = tile.index / tilesPerSide_;
        if (tile.sharesTile || atlasBytes == nullptr) continue;
        const Image& picture = scene.slots()[i]->picture();
        for (int y = 0; y < tileHeight_; ++y) {
            const int ay = tile.row * tileHeight_ + y;
            if (ay >= side) break;
            for (int x = 0; x < tileWidth_; ++x) {
                atlas_.setPixel(tile.column * tileWidth_ + x, ay, picture.pixel(x, y));
            }
        }
    }
}

namespace {

// The samples one clipping leaves, in triangle order; at most one per vertex
// and side.
void sampleClipping(const SculptMesh& mesh, SculptClipping& clipping, std::uint32_t source, const AtlasTile& tile,
                    int tilesPerSide, std::vector<MadeSample>& out, const RunControl& control) {
    if (!clipping.projection().isUsable()) return;
    const D3DXVECTOR3 direction = clipping.projection().viewingDirection();
    const bool bothSides = clipping.flags().texturebothsides;
    const float n = static_cast<float>(tilesPerSide);
    clipping.prepareBorder();
    VertexProjector projector(clipping, mesh.vertexSlots());
    // Bit 0: a front sample made, bit 1: a back sample made.
    std::vector<std::uint8_t> made(mesh.vertexSlots(), 0);
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (t % 8192 == 0 && control.stopRequested()) return;
        if (!mesh.isTriangle(t)) continue;
        const D3DXVECTOR3& normal = mesh.faceNormal(t);
        const bool facesAway = D3DXVec3Dot(&normal, &direction) > 0.0f;
        if (facesAway && !bothSides) continue;
        const MeshCreationTriangle& tri = mesh.triangle(t);
        ProjectedVertex projected[3];
        bool any = false;
        for (int c = 0; c < 3; ++c) {
            projected[c] = projector.at(mesh, tri.corner(c));
            any = any || projected[c].qualifies;
        }
        if (!any) continue;
        const std::uint8_t sideBit = facesAway ? 2 : 1;
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t v = tri.corner(c);
            if ((made[v] & sideBit) != 0) continue;
            made[v] = static_cast<std::uint8_t>(made[v] | sideBit);
            // A corner beyond the picture would reach into a neighbouring
            // tile; it is held at the tile's edge.
            const float s = std::clamp(projected[c].s, 0.0f, 1.0f);
            const float r = std::clamp(projected[c].r, 0.0f, 1.0f);
            TextureSample sample;
            sample.u = s / n + static_cast<float>(tile.column) / n;
            sample.v = r / n + static_cast<float>(tile.row) / n;
            sample.source = source;
            sample.fromBack = facesAway;
            out.push_back(MadeSample{v, sample});
        }
    }
}

}  // namespace

bool Texturing::createSamples(const SculptMesh& mesh, SculptScene& scene, const RunControl& control) {
    samples_ = TextureSamples{};
    if (mesh.objectInfo().triangles == 0) return !control.stopRequested();
    control.step("Texture creation", 0.0f);
    const auto& slots = scene.slots();
    const float count = static_cast<float>(slots.size());
    std::vector<MadeSample> made;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const float percent = 100.0f / count * static_cast<float>(i);
        control.step("Texture creation - Init", percent);
        const AtlasTile& tile = i < tiles_.size() ? tiles_[i] : AtlasTile{};
        if (!paints(slots[i].get()) || !tile.participates) continue;
        control.step("Texture creation - Transform vertices", percent);
        sampleClipping(mesh, *slots[i], static_cast<std::uint32_t>(i), tile, tilesPerSide_, made, control);
        if (control.stopRequested()) return false;
    }
    // Per vertex, in the order the samples were made.
    samples_.start.assign(mesh.vertexSlots() + 1, 0);
    for (const MadeSample& m : made) ++samples_.start[m.vertex + 1];
    for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) samples_.start[v + 1] += samples_.start[v];
    samples_.items.resize(made.size());
    std::vector<std::uint32_t> fill(samples_.start.begin(), samples_.start.end() - 1);
    for (const MadeSample& m : made) samples_.items[fill[m.vertex]++] = m.sample;
    return !control.stopRequested();
}

namespace {

const TextureSample* sampleFrom(std::span<const TextureSample> samples, std::uint32_t source) {
    for (const TextureSample& sample : samples) {
        if (sample.source == source) return &sample;
    }
    return nullptr;
}

}  // namespace

std::vector<TriangleTexture> chooseTextureCoordinates(const SculptMesh& mesh, const TextureSamples& samples,
                                                      const SculptScene& scene) {
    std::vector<TriangleTexture> textures(mesh.triangleSlots());
    const auto& slots = scene.slots();
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (!mesh.isTriangle(t)) continue;
        const MeshCreationTriangle& tri = mesh.triangle(t);
        const TextureSample* best[3] = {nullptr, nullptr, nullptr};
        float bestCost = 0.0f;
        for (const TextureSample& s0 : samples.of(tri.e)) {
            const TextureSample* s1 = sampleFrom(samples.of(tri.f), s0.source);
            const TextureSample* s2 = sampleFrom(samples.of(tri.g), s0.source);
            if (s1 == nullptr || s2 == nullptr || s0.source >= slots.size() || slots[s0.source] == nullptr) continue;
            const SculptClipping& source = *slots[s0.source];
            D3DXVECTOR3 direction = source.projection().viewingDirection();
            if (s0.fromBack) direction = -direction;
            const float cost = D3DXVec3Dot(&direction, &mesh.faceNormal(t)) -
                               100.0f * static_cast<float>(source.flags().texturestrength);
            if (best[0] == nullptr || cost < bestCost) {
                best[0] = &s0;
                best[1] = s1;
                best[2] = s2;
                bestCost = cost;
            }
        }
        for (int corner = 0; corner < 3; ++corner) {
            textures[t].u[corner] = best[corner] != nullptr ? best[corner]->u : 0.0f;
            textures[t].v[corner] = best[corner] != nullptr ? best[corner]->v : 0.0f;
        }
    }
    return textures;
}

TexturingJob::TexturingJob(std::span<Clipping* const> clippings, bool makeFillData)
    : scene_(SculptScene::capture(clippings, SculptScene::Pictures::Yes)), makeFillData_(makeFillData) {}

RunOutcome TexturingJob::run(const Sculpture& sculpture, SculptProgress& progress, std::stop_token stop) {
    finished_ = false;
    report_ = TexturingReport{};
    ParallelRunner runner(1);
    const RunControl control{progress, runner, std::move(stop)};
    control.step("Texturise", 0.0f);
    const SculptMesh& mesh = sculpture.mesh();
    if (mesh.objectInfo().triangles == 0) {
        report_.message = "There is no sculpted mesh to texture.";
        progress.finished();
        finished_ = true;
        return RunOutcome::Finished;
    }
    Texturing texturing;
    texturing.layoutAtlas(scene_);
    if (!texturing.createSamples(mesh, scene_, control)) {
        progress.finished();
        return RunOutcome::Cancelled;
    }
    coordinates_ = chooseTextureCoordinates(mesh, texturing.samples(), scene_);
    if (makeFillData_) fillData_ = mesh.reprTriangles(sculpture.settings().flatShading, &coordinates_);
    report_.tilesPerSide = texturing.tilesPerSide();
    report_.tiles = texturing.tileCount();
    report_.leftOutImages = texturing.leftOutImages();
    report_.textured = texturing.atlas().isValid();
    if (report_.tiles == 0) {
        report_.message = "No image is enabled for texturing; the texture stays white.";
    } else if (report_.leftOutImages > 0) {
        report_.message = leftOutMessage(report_.leftOutImages);
    }
    atlas_ = texturing.takeAtlas();
    const bool stopped = control.stopRequested();
    progress.finished();
    if (stopped) return RunOutcome::Cancelled;
    finished_ = true;
    return RunOutcome::Finished;
}

void TexturingJob::applyTo(Sculpture& sculpture) {
    if (!finished_ || coordinates_.empty()) return;
    sculpture.mesh().setTextureCoordinates(std::move(coordinates_));
    sculpture.setTexture(std::move(atlas_), report_.tilesPerSide);
    if (makeFillData_) {
        sculpture.setFillData(std::move(fillData_));
    } else {
        sculpture.refillData();
    }
    finished_ = false;
}

TexturingReport texturise(Sculpture& run, std::span<Clipping* const> clippings, SculptProgress& progress) {
    TexturingJob job(clippings);
    job.run(run, progress);
    job.applyTo(run);
    return job.report();
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
