// Finding points near each other through cells, against comparing every
// pair; and the radix sort the cells are ordered with, against a stable sort.
#include "sculpt/near_points.h"
#include "sculpt/radix_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <span>
#include <utility>
#include <vector>

namespace {

using Pair = std::pair<std::uint32_t, std::uint32_t>;

bool within(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float reach) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz <= reach * reach;
}

bool finite(const D3DXVECTOR3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Clusters of points a little closer and a little farther than the reach,
// on lattice places (so that many sit exactly on cell borders) and off them,
// with a few points that are not finite.
std::vector<D3DXVECTOR3> clusteredPoints(unsigned seed, float spread, float reach) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> place(-spread, spread);
    std::uniform_real_distribution<float> jitter(-1.5f * reach, 1.5f * reach);
    std::vector<D3DXVECTOR3> points;
    for (int c = 0; c < 60; ++c) {
        const D3DXVECTOR3 centre(place(random), place(random), place(random));
        for (int k = 0; k < 6; ++k) points.push_back(centre + D3DXVECTOR3(jitter(random), jitter(random), jitter(random)));
        points.push_back(centre);
        points.push_back(centre + D3DXVECTOR3(reach, 0.0f, 0.0f));
    }
    for (int k = 0; k < 40; ++k) points.push_back(D3DXVECTOR3(reach * static_cast<float>(k % 5), reach * static_cast<float>(k / 5), 0.0f));
    points.push_back(D3DXVECTOR3(std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.0f));
    points.push_back(D3DXVECTOR3(0.0f, std::numeric_limits<float>::infinity(), 0.0f));
    return points;
}

std::set<Pair> everyPairWithin(const std::vector<D3DXVECTOR3>& points, const std::vector<std::uint32_t>& ids, float reach) {
    std::set<Pair> pairs;
    for (std::size_t i = 0; i < ids.size(); ++i)
        for (std::size_t j = i + 1; j < ids.size(); ++j) {
            const std::uint32_t a = ids[i], b = ids[j];
            if (finite(points[a]) && finite(points[b]) && within(points[a], points[b], reach)) {
                pairs.insert({std::min(a, b), std::max(a, b)});
            }
        }
    return pairs;
}

struct NearCase {
    const char* name;
    float spread;
    float reach;
    bool subset;  // only every other point takes part
};

TEST(NearPoints, FindsExactlyThePairsAndNeighboursWithinReach) {
    const NearCase cases[] = {
        {"reach small against the spread", 100.0f, 0.5f, false},
        {"some of the points", 100.0f, 0.5f, true},
        {"reach as large as the spread", 1.0f, 1.0f, false},
        // Too many cells for the bits of a key: the cells grow wider than
        // the reach, which must not lose any pair.
        {"spread far beyond the key's cells", 1.0e6f, 1.0e-4f, false},
    };
    for (const NearCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<D3DXVECTOR3> points = clusteredPoints(7, c.spread, c.reach);
        std::vector<std::uint32_t> ids;
        for (std::uint32_t i = 0; i < points.size(); i += c.subset ? 2 : 1) ids.push_back(i);
        const NearPoints near(points, c.subset ? std::span<const std::uint32_t>(ids) : std::span<const std::uint32_t>(),
                              c.reach);

        std::vector<Pair> found;
        near.forEachPair([&](std::uint32_t a, std::uint32_t b) { found.push_back({std::min(a, b), std::max(a, b)}); });
        const std::set<Pair> expected = everyPairWithin(points, ids, c.reach);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(std::set<Pair>(found.begin(), found.end()), expected);
        EXPECT_EQ(found.size(), expected.size()) << "a pair was visited twice";

        for (std::size_t probe = 0; probe < points.size(); probe += 3) {
            std::set<std::uint32_t> seen;
            near.forEachNear(points[probe], [&](std::uint32_t id) { seen.insert(id); });
            std::set<std::uint32_t> wanted;
            if (finite(points[probe])) {
                for (std::uint32_t id : ids) {
                    if (finite(points[id]) && within(points[probe], points[id], c.reach)) wanted.insert(id);
                }
            }
            ASSERT_EQ(seen, wanted) << "around point " << probe;
        }
    }
}

TEST(NearPoints, SortedOnThreadsTheyVisitTheSamePairsInTheSameOrder) {
    // Enough points for several chunks and a part of the sort per thread,
    // with points that are not finite among them.
    std::vector<D3DXVECTOR3> points;
    for (unsigned seed = 1; points.size() < 200000; ++seed) {
        const std::vector<D3DXVECTOR3> cluster = clusteredPoints(seed, 50.0f, 0.5f);
        points.insert(points.end(), cluster.begin(), cluster.end());
    }
    const auto visits = [&](ParallelRunner* runner) {
        const NearPoints near(points, {}, 0.5f, runner);
        std::vector<Pair> found;
        near.forEachPair([&](std::uint32_t a, std::uint32_t b) { found.push_back({a, b}); });
        near.forEachNear(points[12345], [&](std::uint32_t id) { found.push_back({id, id}); });
        return found;
    };
    const std::vector<Pair> alone = visits(nullptr);
    EXPECT_GT(alone.size(), points.size());
    for (int threads : {2, 3}) {
        ParallelRunner runner(threads);
        EXPECT_EQ(visits(&runner), alone) << threads << " threads";
    }
}

TEST(NearPoints, RangesOfEntriesTogetherVisitEveryPairInOrder) {
    // Dense clusters, so that most ranges start in the middle of a cell and
    // of the neighbouring cells' runs.
    std::vector<D3DXVECTOR3> points;
    for (unsigned seed = 1; points.size() < 20000; ++seed) {
        const std::vector<D3DXVECTOR3> cluster = clusteredPoints(seed, 8.0f, 0.5f);
        points.insert(points.end(), cluster.begin(), cluster.end());
    }
    const NearPoints near(points, {}, 0.5f);
    std::vector<Pair> whole;
    near.forEachPair([&](std::uint32_t a, std::uint32_t b) { whole.push_back({a, b}); });
    ASSERT_GT(whole.size(), points.size());
    const std::size_t entries = near.entryCount();
    // Points that are not finite take no part.
    ASSERT_EQ(entries, static_cast<std::size_t>(std::count_if(points.begin(), points.end(), finite)));
    for (std::size_t length : {std::size_t{1}, std::size_t{7}, std::size_t{1000}, entries}) {
        std::vector<Pair> joined;
        for (std::size_t begin = 0; begin < entries; begin += length) {
            near.forEachPairFrom(begin, begin + length, [&](std::uint32_t a, std::uint32_t b) { joined.push_back({a, b}); });
        }
        EXPECT_EQ(joined, whole) << "ranges of " << length;
    }
    // Empty and reversed ranges, and ranges running past the end, visit
    // nothing beyond the entries.
    std::size_t visits = 0;
    near.forEachPairFrom(5, 5, [&](std::uint32_t, std::uint32_t) { ++visits; });
    near.forEachPairFrom(9, 3, [&](std::uint32_t, std::uint32_t) { ++visits; });
    near.forEachPairFrom(entries, entries + 10, [&](std::uint32_t, std::uint32_t) { ++visits; });
    EXPECT_EQ(visits, 0u);
}

TEST(NearPoints, HandlesNoPointsAndAllOnOnePlace) {
    const std::vector<D3DXVECTOR3> none;
    const NearPoints empty(none, {}, 1.0f);
    int visits = 0;
    empty.forEachPair([&](std::uint32_t, std::uint32_t) { ++visits; });
    empty.forEachNear(D3DXVECTOR3(0.0f, 0.0f, 0.0f), [&](std::uint32_t) { ++visits; });
    EXPECT_EQ(visits, 0);

    const std::vector<D3DXVECTOR3> stacked(5, D3DXVECTOR3(3.0f, -2.0f, 1.0f));
    const NearPoints same(stacked, {}, 1e-6f);
    same.forEachPair([&](std::uint32_t, std::uint32_t) { ++visits; });
    EXPECT_EQ(visits, 10);
}

struct Keyed {
    std::uint64_t key;
    std::uint32_t order;
};

TEST(RadixSortBy, SortsStablyForEveryKeyWidthOnAnyNumberOfThreads) {
    std::mt19937_64 random(11);
    ParallelRunner two(2);
    ParallelRunner three(3);
    for (int bits : {1, 7, 15, 16, 17, 31, 33, 48, 63, 64}) {
        SCOPED_TRACE(bits);
        const std::uint64_t mask = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
        std::vector<Keyed> original;
        // Enough items for the threads to take a part each.
        for (std::uint32_t i = 0; i < 200000; ++i) {
            // Few distinct keys half of the time, so that ties are common.
            const std::uint64_t key = (i % 2 == 0 ? random() % 5 : random()) & mask;
            original.push_back({key, i});
        }
        std::vector<Keyed> expected = original;
        std::stable_sort(expected.begin(), expected.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
        for (ParallelRunner* runner : {static_cast<ParallelRunner*>(nullptr), &two, &three}) {
            SCOPED_TRACE(runner == nullptr ? 1 : runner->threads());
            std::vector<Keyed> items = original;
            std::vector<Keyed> buffer;
            if (runner == nullptr) {
                radixSortBy(items, bits, [](const Keyed& k) { return k.key; });
            } else {
                radixSortBy(std::span<Keyed>(items), bits, [](const Keyed& k) { return k.key; }, buffer, *runner);
            }
            ASSERT_EQ(items.size(), expected.size());
            for (std::size_t i = 0; i < items.size(); ++i) {
                ASSERT_EQ(items[i].key, expected[i].key) << i;
                ASSERT_EQ(items[i].order, expected[i].order) << i;
            }
        }
    }
}

TEST(FilledArray, EveryItemHoldsTheValueOnAnyNumberOfThreads) {
    struct Item {
        std::uint64_t key = 7;
        float weight = -1.5f;
    };
    for (int threads : {1, 2, 3}) {
        ParallelRunner runner(threads);
        for (std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{65536}, std::size_t{200001}}) {
            const FilledArray<Item> items(count, Item{42, 0.25f}, runner);
            ASSERT_EQ(items.size(), count);
            std::size_t wrong = 0;
            for (std::size_t i = 0; i < count; ++i) wrong += items[i].key != 42 || items[i].weight != 0.25f ? 1 : 0;
            EXPECT_EQ(wrong, 0u) << count << " items on " << threads << " threads";
        }
    }
}

TEST(IndicesWhere, ListsThePassingIndicesInOrderOnAnyNumberOfThreads) {
    // Chunks with none, some and all passing, and counts that end a chunk
    // early or exactly.
    const auto keep = [](std::uint32_t i) { return (i / 70000) % 3 == 1 || (i % 7 == 3 && i < 60000); };
    for (int threads : {1, 2, 3}) {
        ParallelRunner runner(threads);
        for (std::size_t count : {std::size_t{0}, std::size_t{5}, std::size_t{65536}, std::size_t{300001}}) {
            std::vector<std::uint32_t> expected;
            for (std::uint32_t i = 0; i < count; ++i) {
                if (keep(i)) expected.push_back(i);
            }
            EXPECT_EQ(indicesWhere(count, keep, runner), expected) << count << " indices on " << threads << " threads";
        }
    }
}

TEST(RadixSortBy, SortsPartsOfAnArrayWithOneWorkingBuffer) {
    // Parts sorted one after the other with one buffer, which the first, the
    // largest, leaves larger than the others need: each part comes out
    // sorted and nothing outside it moves.
    std::mt19937_64 random(5);
    std::vector<Keyed> items;
    for (std::uint32_t i = 0; i < 2000; ++i) items.push_back({random() % 1000, i});
    const std::size_t cuts[] = {0, 1200, 1201, 1700, 2000};
    std::vector<Keyed> buffer;
    std::vector<Keyed> expected = items;
    for (int part = 0; part < 4; ++part) {
        const auto first = static_cast<std::ptrdiff_t>(cuts[part]);
        const auto last = static_cast<std::ptrdiff_t>(cuts[part + 1]);
        std::stable_sort(expected.begin() + first, expected.begin() + last,
                         [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
        // 10 bits in one pass, 20 in two: both ends of the copy back.
        radixSortBy(std::span<Keyed>(items.data() + first, items.data() + last), part % 2 == 0 ? 10 : 20,
                    [](const Keyed& k) { return k.key; }, buffer);
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        ASSERT_EQ(items[i].key, expected[i].key) << i;
        ASSERT_EQ(items[i].order, expected[i].order) << i;
    }
}

}  // namespace
