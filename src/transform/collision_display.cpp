#include "transform/collision_display.h"

#include "image/image_entry.h"
#include "sculpt/clipping.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace {

constexpr uint32_t kOpaqueWhite = 0xFFFFFFFF;
// Collision lines run close together: each lets some of the others show.
constexpr float kLineOpacity = 0.6f;

// The world segment of the ray through picture point (u, w) across the
// clipping's slab (near face to far face); false when it cannot be placed.
bool rayThrough(const Clipping& clipping, float u, float w, D3DXVECTOR3& from, D3DXVECTOR3& to) {
    const float half = clipping.projection().halfDepth();
    const auto near = clipping.unprojectPoint(ClipPoint{-half, w, u});
    const auto far = clipping.unprojectPoint(ClipPoint{half, w, u});
    if (!near || !far) return false;
    from = *near;
    to = *far;
    return true;
}

void setLineColour(LineList& lines, const ColourBytes& colour) {
    gfx::Material material;
    material.diffuse = gfx::ColourValue{colour.red / 255.0f, colour.green / 255.0f, colour.blue / 255.0f, kLineOpacity};
    lines.setMaterial(material);
    lines.rsAlpha().blending = true;
    lines.rsBuffer().depthWrite = false;
}

}  // namespace

CollisionSettings collisionSettingsOf(const Settings& settings, int lineSpacing) {
    CollisionSettings collision;
    collision.lines = settings.viewcollisionlines;
    collision.linesBehind = settings.collisionlinesbordertransp;
    collision.linesWithBorders = settings.collisionlineswithclippings;
    collision.lineSpacing = std::max(lineSpacing, 1);
    collision.lineColour = settings.collisionlinesbordercol;
    collision.decals = settings.viewdecals;
    collision.decalsOnBorders = settings.decalsonclippings;
    collision.decalQuality = std::max(settings.decalquality, 1);
    collision.linesWithObject = settings.collisionlineswithobject;
    collision.decalsOnObject = settings.decalsonobject;
    return collision;
}

void CollisionDisplay::setNodes(std::vector<ClippingNode*> nodes) {
    // Nodes that are no longer shown lose what they showed.
    for (ClippingNode* old : nodes_) {
        if (std::find(nodes.begin(), nodes.end(), old) != nodes.end()) continue;
        old->collisionLines().clearLineSets();
        old->layer().setQuads({}, {});
    }
    nodes_ = std::move(nodes);
    if (std::find(nodes_.begin(), nodes_.end(), focus_) == nodes_.end()) focus_ = nullptr;
    for (auto it = casts_.begin(); it != casts_.end();) {
        if (std::find(nodes_.begin(), nodes_.end(), it->first) == nodes_.end()) {
            it = casts_.erase(it);
        } else {
            ++it;
        }
    }
    valid_ = false;
}

void CollisionDisplay::setSettings(const CollisionSettings& settings) {
    if (settings == settings_) return;
    settings_ = settings;
    valid_ = false;
}

float CollisionDisplay::agreement(const ClippingNode* node) const {
    const auto found = agreement_.find(node);
    return found == agreement_.end() ? -1.0f : found->second;
}

void CollisionDisplay::setFocus(const ClippingNode* focus) {
    if (focus == focus_) return;
    focus_ = focus;
    valid_ = false;
}

bool CollisionDisplay::shapesOthers(const ClippingNode& node) const {
    return node.isEnabled() && node.clipping().isReadyForSculpting() && node.field().hasSilhouette();
}

bool CollisionDisplay::anyOtherShapes(const ClippingNode& node) const {
    return std::any_of(nodes_.begin(), nodes_.end(),
                       [&](const ClippingNode* other) { return other != &node && shapesOthers(*other); });
}

void CollisionDisplay::sampleBlocks(const ClippingNode& node, Cast& cast, bool takesMask) {
    cast.blocks.clear();
    const Image& mask = node.clipping().entry().mask;
    const int width = mask.isValid() ? mask.width() - mask.marginRight : 0;
    const int height = mask.isValid() ? mask.height() - mask.marginBottom : 0;
    std::vector<unsigned char> set;
    if (takesMask) {
        set.resize(static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0)));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) set[static_cast<size_t>(y) * width + x] = mask.isSet(x, y);
    }
    // The finest block side whose blocks fit the layer.
    int side = std::max(settings_.decalQuality, 1);
    for (; side <= std::max(width, height); ++side) {
        const int columns = (width + side - 1) / side;
        const int rows = (height + side - 1) / side;
        std::vector<unsigned char> used(static_cast<size_t>(columns) * static_cast<size_t>(rows), takesMask ? 0 : 1);
        if (takesMask) {
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    if (set[static_cast<size_t>(y) * width + x]) used[static_cast<size_t>(y / side) * columns + x / side] = 1;
        }
        if (std::count(used.begin(), used.end(), 1) > kMaxDecals) continue;
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < columns; ++column)
                if (used[static_cast<size_t>(row) * columns + column])
                    cast.blocks.emplace_back(static_cast<float>(column * side), static_cast<float>(row * side));
        break;
    }
    cast.blockSide = side;
}

CollisionDisplay::Cast& CollisionDisplay::castOf(ClippingNode& node) {
    Cast& cast = casts_[&node];
    const Clipping& clipping = node.clipping();
    const bool revised = cast.revision != node.revision();
    if (revised || cast.lineSpacing != settings_.lineSpacing) {
        cast.lineSamples.clear();
        if (clipping.entry().border) cast.lineSamples = sampleOutline(*clipping.entry().border, settings_.lineSpacing);
        cast.lineSpacing = settings_.lineSpacing;
        cast.raysStale = true;
    }
    const bool takesMask = clipping.flags().texturetakesmask && clipping.hasSilhouette();
    if (revised || cast.decalQuality != settings_.decalQuality || cast.decalsTakeMask != takesMask) {
        cast.decalQuality = settings_.decalQuality;
        cast.decalsTakeMask = takesMask;
        sampleBlocks(node, cast, takesMask);
        cast.raysStale = true;
    }
    cast.revision = node.revision();
    return cast;
}

void CollisionDisplay::placeRays(const ClippingNode& node, Cast& cast, bool lines, bool decals) const {
    const Clipping& clipping = node.clipping();
    auto place = [&](Ray& ray) { ray.placed = rayThrough(clipping, ray.u, ray.w, ray.from, ray.to); };
    cast.lineRays.clear();
    if (lines) {
        for (const std::vector<OutlineSample>& chain : cast.lineSamples) {
            // The last sample repeats the first.
            for (size_t k = 0; k + 1 < chain.size(); ++k) {
                Ray ray;
                ray.u = chain[k].u;
                ray.w = chain[k].w;
                place(ray);
                cast.lineRays.push_back(std::move(ray));
            }
        }
    }
    cast.decalRays.clear();
    if (decals) {
        const float width = node.modelFrame().pictureWidth();
        const float height = node.modelFrame().pictureHeight();
        const float half = static_cast<float>(cast.blockSide) * 0.5f;
        for (const D3DXVECTOR2& block : cast.blocks) {
            Ray ray;
            ray.u = width - (block.x + half);
            ray.w = height - (block.y + half);
            place(ray);
            cast.decalRays.push_back(std::move(ray));
        }
    }
}

bool CollisionDisplay::narrowBy(const ClippingNode& other, const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                                IntervalList& result) {
    if (result.empty()) return false;
    thread_local IntervalList inside;
    thread_local IntervalList kept;
    thread_local IntervalList narrowed;
    const float low = result.front().begin;
    const float high = result.back().end;
    inside.clear();
    sweptInsideIntervals(other.clipping(), other.field(), from, to, low, high, inside);
    const IntervalList* meets = &inside;
    if (!other.clipping().flags().addingvoxels) {
        complementIntervals(inside, low, high, kept);
        meets = &kept;
    }
    intersectIntervals(result, *meets, narrowed);
    result.swap(narrowed);
    return !result.empty();
}

void CollisionDisplay::setObject(const ObjectRays* object) {
    if (object == object_) return;
    object_ = object;
    valid_ = false;
}

bool CollisionDisplay::narrowByObject(const D3DXVECTOR3& from, const D3DXVECTOR3& to, IntervalList& result) const {
    if (result.empty()) return false;
    thread_local IntervalList inside;
    thread_local IntervalList narrowed;
    object_->insideIntervals(from, to, result.front().begin, result.back().end, inside);
    intersectIntervals(result, inside, narrowed);
    result.swap(narrowed);
    return !result.empty();
}

void CollisionDisplay::insideOthers(const ClippingNode& node, const Ray& ray, bool skipFocus, bool borders,
                                    bool withObject, IntervalList& out) const {
    out.assign(1, ParameterInterval{0.0f, 1.0f});
    if (withObject && !narrowByObject(ray.from, ray.to, out)) return;
    if (!borders) return;
    for (const ClippingNode* other : nodes_) {
        if (other == &node || (skipFocus && other == focus_) || !shapesOthers(*other)) continue;
        if (!narrowBy(*other, ray.from, ray.to, out)) return;
    }
}

void CollisionDisplay::judge(const JudgeJob& job) const {
    const ClippingNode& node = *job.node;
    const bool borders = job.borders;
    const bool withObject = job.withObject && object_ != nullptr;
    const bool anyOther = borders && anyOtherShapes(node);
    // Rays of other pictures keep what all but the focus left of them and
    // only ask the focus again when it moved.
    const bool splitFocus = borders && focus_ != nullptr && focus_ != &node && shapesOthers(*focus_);
    for (size_t k = job.begin; k < job.end; ++k) {
        Ray& ray = (*job.rays)[k];
        ray.judged = ray.placed && (anyOther || withObject);
        if (!ray.judged) {
            ray.result.clear();
            continue;
        }
        if (!splitFocus) {
            insideOthers(node, ray, false, borders, withObject, ray.result);
            continue;
        }
        if (!job.focusOnly) insideOthers(node, ray, true, borders, withObject, ray.withoutFocus);
        ray.result = ray.withoutFocus;
        narrowBy(*focus_, ray.from, ray.to, ray.result);
    }
}

void CollisionDisplay::judgeAll(const std::vector<JudgeJob>& jobs) const {
    // Stretches of a few dozen rays, handed out in turn.
    constexpr size_t kStretch = 48;
    std::vector<JudgeJob> stretches;
    for (const JudgeJob& job : jobs) {
        for (size_t begin = job.begin; begin < job.end; begin += kStretch) {
            JudgeJob stretch = job;
            stretch.begin = begin;
            stretch.end = std::min(job.end, begin + kStretch);
            stretches.push_back(stretch);
        }
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t helpers = std::min<size_t>({cores - 1, kMaxHelpers, stretches.size() / 8});
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t at = next.fetch_add(1, std::memory_order_relaxed); at < stretches.size();
             at = next.fetch_add(1, std::memory_order_relaxed))
            judge(stretches[at]);
    };
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (size_t k = 0; k < helpers; ++k) threads.emplace_back(work);
    work();
    for (std::thread& thread : threads) thread.join();
}

void CollisionDisplay::showLines(ClippingNode& node, const Cast& cast) {
    LineList& lines = node.collisionLines();
    lines.clearLineSets();
    setLineColour(lines, settings_.lineColour);
    lines.rsBuffer().depthTest = !settings_.linesBehind;
    const ClippingModelFrame& frame = node.modelFrame();
    std::vector<D3DXVECTOR3> points[2];
    int judged = 0;
    int meeting = 0;
    for (size_t k = 0; k < cast.lineRays.size(); ++k) {
        const Ray& ray = cast.lineRays[k];
        if (!ray.judged) continue;
        ++judged;
        if (ray.result.empty()) continue;
        ++meeting;
        std::vector<D3DXVECTOR3>& set = points[k % kThinning == 0 ? 0 : 1];
        for (const ParameterInterval& interval : ray.result) {
            set.push_back(frame.point(ray.u, ray.w, interval.begin));
            set.push_back(frame.point(ray.u, ray.w, interval.end));
        }
    }
    counts_.lineRays += judged;
    counts_.lineRaysMeeting += meeting;
    if (judged > 0) agreement_[&node] = static_cast<float>(meeting) / static_cast<float>(judged);
    // The set of the thinned rays comes first even when it is empty.
    if (!points[0].empty() || !points[1].empty()) {
        if (points[0].empty()) points[0] = {points[1][0], points[1][0]};
        lines.addLineSet(points[0]);
        if (!points[1].empty()) lines.addLineSet(points[1]);
    }
}

void CollisionDisplay::showDecals(ClippingNode& node, const Cast& cast) {
    ClippingLayer& layer = node.layer();
    const Clipping& clipping = node.clipping();
    const ClippingModelFrame& frame = node.modelFrame();
    const Image& picture = clipping.entry().workingCopy;
    const float width = frame.pictureWidth();
    const float height = frame.pictureHeight();
    const float side = static_cast<float>(cast.blockSide);
    std::vector<VertexPNCT> vertices;
    std::vector<uint16_t> indices;
    for (size_t k = 0; k < cast.decalRays.size() && k < cast.blocks.size(); ++k) {
        const Ray& ray = cast.decalRays[k];
        if (!ray.judged) continue;
        ++counts_.decalRays;
        if (ray.result.empty()) continue;
        const D3DXVECTOR2& block = cast.blocks[k];
        const PictureRect rect{std::max(width - block.x - side, 0.0f), std::max(height - block.y - side, 0.0f),
                               width - block.x, height - block.y};
        appendPictureQuad(frame, rect, ray.result.front().begin, kOpaqueWhite, picture.width(), picture.height(),
                          vertices, indices);
    }
    Texture* texture = vertices.empty() ? nullptr : node.pictureTexture();
    layer.clearTextures();
    if (texture != nullptr) layer.addTexture(texture);
    layer.setQuads(vertices, indices);
    counts_.decals += layer.quadCount();
}

bool CollisionDisplay::refresh() {
    if (valid_ && focusValid_) return false;
    const bool full = !valid_;
    valid_ = true;
    focusValid_ = true;
    counts_ = CollisionCounts{};
    agreement_.clear();
    const bool linesWithObject = settings_.linesWithObject && object_ != nullptr;
    const bool decalsOnObject = settings_.decalsOnObject && object_ != nullptr;
    const bool lines = settings_.lines && (settings_.linesWithBorders || linesWithObject);
    const bool decals = settings_.decals && (settings_.decalsOnBorders || decalsOnObject);
    std::vector<JudgeJob> jobs;
    for (ClippingNode* node : nodes_) {
        Cast& cast = castOf(*node);
        const bool isFocus = node == focus_;
        const bool fresh = full || cast.raysStale;
        if (fresh || isFocus) placeRays(*node, cast, lines, decals);
        cast.raysStale = false;
        const bool focusOnly = !fresh && !isFocus;
        jobs.push_back(JudgeJob{node, &cast.lineRays, focusOnly, 0, cast.lineRays.size(), settings_.linesWithBorders,
                                linesWithObject});
        jobs.push_back(JudgeJob{node, &cast.decalRays, focusOnly, 0, cast.decalRays.size(),
                                settings_.decalsOnBorders, decalsOnObject});
    }
    // The projections are prepared on first use: before the threads ask.
    for (const ClippingNode* node : nodes_) node->clipping().projection();
    judgeAll(jobs);
    for (ClippingNode* node : nodes_) {
        const Cast& cast = casts_.at(node);
        if (lines) {
            showLines(*node, cast);
        } else {
            node->collisionLines().clearLineSets();
        }
        if (decals) {
            showDecals(*node, cast);
        } else if (node->layer().quadCount() > 0) {
            node->layer().setQuads({}, {});
        }
        node->layer().setEnabled(decals);
        node->collisionLines().setEnabled(lines);
    }
    return true;
}

std::vector<float> CollisionDisplay::bordersAlong(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction,
                                                  float length, const ClippingNode* except) const {
    std::vector<float> crossings;
    if (!(length > 0.0f)) return crossings;
    const D3DXVECTOR3 to = origin + direction * length;
    IntervalList inside;
    for (const ClippingNode* other : nodes_) {
        if (other == except || !shapesOthers(*other)) continue;
        inside.clear();
        sweptInsideIntervals(other->clipping(), other->field(), origin, to, 0.0f, 1.0f, inside);
        for (const ParameterInterval& interval : inside) {
            for (float s : {interval.begin, interval.end})
                if (s > 0.0f && s < 1.0f) crossings.push_back(s * length);
        }
    }
    std::sort(crossings.begin(), crossings.end());
    return crossings;
}
