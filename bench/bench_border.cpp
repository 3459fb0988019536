// Border benchmarks on a 512 by 512 mask holding one large irregular blob
// (about 200,000 set pixels): a full rebuild with 10 smoothing passes, the
// quadtree index alone, and one million inside tests at random points (and,
// for comparison, near the outline). Targets: rebuild under 30 ms, 1 M inside
// tests at random points under 200 ms. A dithered mask shows the worst case
// of the smoothing stops.
#include "image/border.h"
#include "image/image.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// A blob whose radius wanders with a few harmonics of the angle, with a
// ragged rim, cleaned like an edited mask.
Image irregularBlob() {
    Image mask(512, 512);
    mask.area.right = 512;
    mask.area.bottom = 512;
    std::mt19937 random(5);
    std::uniform_real_distribution<float> phase(0.0f, 6.2831853f);
    std::uniform_real_distribution<float> jitter(-1.5f, 1.5f);
    const float p[4] = {phase(random), phase(random), phase(random), phase(random)};
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            const float dx = static_cast<float>(x) - 256.0f;
            const float dy = static_cast<float>(y) - 256.0f;
            const float angle = std::atan2(dy, dx);
            const float radius = 250.0f + 22.0f * std::sin(3 * angle + p[0]) + 12.0f * std::sin(7 * angle + p[1]) +
                                 6.0f * std::sin(13 * angle + p[2]) + 3.0f * std::sin(29 * angle + p[3]);
            if (std::sqrt(dx * dx + dy * dy) < radius + jitter(random)) {
                mask.setPixel(x, y, Rgb{255, 255, 255});
            }
        }
    }
    mask.clearFrame();
    Border::removeIsolatedPixels(mask);
    return mask;
}

// The silhouette grid the clipping would hold for the blob.
class BlobOwner : public BorderOwner {
public:
    explicit BlobOwner(const Image& mask) : cells_(513 * 513, 0) {
        for (int j = 0; j < 512; ++j) {
            for (int i = 0; i < 512; ++i) {
                cells_[static_cast<std::size_t>(i * 513 + j)] = mask.isSet(511 - i, 511 - j) ? 2 : 0;
            }
        }
    }
    bool addingVoxels() const override { return true; }
    int silhouetteCell(int i, int j) const override { return cells_[static_cast<std::size_t>(i * 513 + j)]; }

private:
    std::vector<int> cells_;
};

struct Fixture {
    Image mask = irregularBlob();
    BlobOwner owner{mask};
    Border border;
    Fixture() {
        border.setOwner(&owner);
        border.make(&mask, 10);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_BorderRebuild(benchmark::State& state) {
    Fixture& f = fixture();
    int setPixels = 0;
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            setPixels += f.mask.isSet(x, y) ? 1 : 0;
        }
    }
    for (auto _ : state) {
        f.border.rebuild();
        benchmark::DoNotOptimize(f.border.outline().data());
    }
    state.counters["set_pixels"] = setPixels;
    state.counters["vertices"] = static_cast<double>(f.border.outline().size());
    state.counters["anchors"] = static_cast<double>(f.border.anchors().size());
}
BENCHMARK(BM_BorderRebuild)->Unit(benchmark::kMillisecond);

void BM_BorderBuildIndex(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        f.border.buildIndex();
        benchmark::DoNotOptimize(f.border.indexRoot());
    }
}
BENCHMARK(BM_BorderBuildIndex)->Unit(benchmark::kMillisecond);

// A dithered mask (an alpha channel with noise): tens of thousands of small
// chains and thousands of smoothing stops. No target; it guards against the
// stops making a rebuild take minutes.
void BM_BorderRebuildDitheredMask(benchmark::State& state) {
    Image mask(512, 512);
    mask.area.right = 512;
    mask.area.bottom = 512;
    std::mt19937 random(3);
    std::bernoulli_distribution coin(0.6);
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            if (coin(random)) {
                mask.setPixel(x, y, Rgb{255, 255, 255});
            }
        }
    }
    mask.clearFrame();
    Border::removeIsolatedPixels(mask);
    Border border;
    border.make(&mask, 10);
    for (auto _ : state) {
        border.rebuild();
        benchmark::DoNotOptimize(border.outline().data());
    }
    int stopped = 0;
    for (const BorderVertex* v : border.outline()) {
        stopped += v->stopped ? 1 : 0;
    }
    state.counters["vertices"] = static_cast<double>(border.outline().size());
    state.counters["stops"] = stopped;
}
BENCHMARK(BM_BorderRebuildDitheredMask)->Unit(benchmark::kMillisecond);

// One million inside tests; `near` puts the points within a few units of the
// outline, where every test searches vertices, instead of anywhere.
void insideQueries(benchmark::State& state, bool near) {
    Fixture& f = fixture();
    std::mt19937 random(9);
    std::vector<float> points;
    points.reserve(2'000'000);
    if (near) {
        std::uniform_int_distribution<std::size_t> pick(0, f.border.outline().size() - 1);
        std::uniform_real_distribution<float> offset(-3.0f, 3.0f);
        for (int i = 0; i < 1'000'000; ++i) {
            const BorderVertex* v = f.border.outline()[pick(random)];
            points.push_back(v->position.x + offset(random));
            points.push_back(v->position.y + offset(random));
        }
    } else {
        std::uniform_real_distribution<float> anywhere(0.0f, 512.0f);
        for (int i = 0; i < 2'000'000; ++i) {
            points.push_back(anywhere(random));
        }
    }
    for (auto _ : state) {
        int inside = 0;
        for (std::size_t i = 0; i < points.size(); i += 2) {
            inside += f.border.isInsideOutline(points[i], points[i + 1]) ? 1 : 0;
        }
        benchmark::DoNotOptimize(inside);
    }
}

void BM_InsideMillionRandom(benchmark::State& state) { insideQueries(state, false); }
BENCHMARK(BM_InsideMillionRandom)->Unit(benchmark::kMillisecond);

void BM_InsideMillionNearOutline(benchmark::State& state) { insideQueries(state, true); }
BENCHMARK(BM_InsideMillionNearOutline)->Unit(benchmark::kMillisecond);

}  // namespace
