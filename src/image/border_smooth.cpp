// Border: smoothing the outline vertices.
//
// The rule: for each pass, every vertex that may move goes to the mean of its
// neighbours, in outline list order and in place (later vertices see the new
// positions of earlier ones). When a limited vertex strays farther than the
// maximum distance from its start, it is stopped for good, every vertex goes
// back to its start and smoothing begins again with the first pass.
//
// Done literally, every stop repeats all the work before it, which on a
// ragged mask (thousands of stops over a hundred thousand vertices) takes
// hours. Two observations give the very same positions and stops quickly:
//  - vertices that are not joined by edges never read each other, so each
//    joined group can be smoothed on its own, restarts included;
//  - within a group, keep the whole course of a run that ignores stops,
//    pass by pass, and note every place where a limited vertex is too far
//    out. The first such place (in pass, then list order) is exactly where
//    the literal run stops. Stopping that vertex changes only what depends on
//    it, so only those values are computed again, and the next stop is again
//    the first place left. With no place left, the course is the final run.
// The arithmetic is the same operations in the same order, so the results
// match the literal rule bit for bit.
#include "image/border.h"

#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <queue>

namespace {

// Above this many (pass, vertex) values a group is smoothed literally, so
// that memory stays bounded for very many passes.
constexpr std::size_t kCourseBudget = 4'000'000;

// Smooths one joined group. Its vertices are numbered 0 .. n-1 in outline
// list order; buffers are kept between groups.
class GroupSmoother {
public:
    // `localOf` maps outline indices to group numbers (sized to the outline).
    GroupSmoother(int passes, float limit, std::vector<int>& localOf) : passes_(passes), limit_(limit), localOf_(localOf) {}

    void smooth(const std::vector<BorderVertex*>& group) {
        group_ = &group;
        n_ = static_cast<int>(group.size());
        if (passes_ <= 0 || n_ == 0) {
            return;
        }
        if (static_cast<std::size_t>(passes_) * group.size() > kCourseBudget) {
            smoothLiterally();
            return;
        }
        prepare();
        computeWholeCourse();
        for (std::size_t event = firstEvent(); event != kNone; event = firstEvent()) {
            stop(static_cast<int>(event % static_cast<std::size_t>(n_)));
        }
        for (int j = 0; j < n_; ++j) {
            const D3DXVECTOR2 p = valueAt(passes_ - 1, j);
            (*group_)[static_cast<std::size_t>(j)]->position.x = p.x;
            (*group_)[static_cast<std::size_t>(j)]->position.y = p.y;
        }
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::size_t at(int pass, int j) const { return static_cast<std::size_t>(pass) * static_cast<std::size_t>(n_) + static_cast<std::size_t>(j); }

    // Position of vertex j after `pass` (-1: the start).
    D3DXVECTOR2 valueAt(int pass, int j) const { return pass < 0 ? start_[static_cast<std::size_t>(j)] : course_[at(pass, j)]; }

    void prepare() {
        const std::size_t n = static_cast<std::size_t>(n_);
        start_.resize(n);
        neighbours_.resize(n);
        counts_.resize(n);
        moves_.resize(n);
        limited_.resize(n);
        stamps_.assign(n, 0);
        stamp_ = 0;
        for (std::size_t j = 0; j < n; ++j) {
            localOf_[static_cast<std::size_t>((*group_)[j]->outlineIndex)] = static_cast<int>(j);
        }
        for (std::size_t j = 0; j < n; ++j) {
            const BorderVertex* v = (*group_)[j];
            start_[j] = v->start;
            counts_[j] = v->neighbourCount;
            for (int k = 0; k < v->neighbourCount; ++k) {
                // Neighbours are always on the outline, hence in this group.
                const int index = v->neighbours[static_cast<std::size_t>(k)]->outlineIndex;
                neighbours_[j][static_cast<std::size_t>(k)] = index >= 0 ? localOf_[static_cast<std::size_t>(index)] : static_cast<int>(j);
            }
            moves_[j] = v->mode != Border::kModeFixed && !v->stopped && v->neighbourCount > 0;
            limited_[j] = v->mode != Border::kModeFree;
        }
        course_.resize(static_cast<std::size_t>(passes_) * n);
        const std::size_t words = (course_.size() + 63) / 64;
        events_.assign(words, 0);
        eventWords_.assign((words + 63) / 64, 0);
    }

    // The position of vertex j after `pass`, from the values of the course:
    // neighbours earlier in the list have already moved in this pass.
    D3DXVECTOR2 compute(int pass, int j) const {
        D3DXVECTOR2 p = valueAt(pass - 1, j);
        if (!moves_[static_cast<std::size_t>(j)]) {
            return p;
        }
        float sumX = 0.0f;
        float sumY = 0.0f;
        const int count = counts_[static_cast<std::size_t>(j)];
        for (int k = 0; k < count; ++k) {
            const int neighbour = neighbours_[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)];
            const D3DXVECTOR2 q = valueAt(neighbour < j ? pass : pass - 1, neighbour);
            sumX += q.x - p.x;
            sumY += q.y - p.y;
        }
        const float share = 1.0f / static_cast<float>(count);
        p.x += sumX * share;
        p.y += sumY * share;
        return p;
    }

    bool tooFar(int j, const D3DXVECTOR2& p) const {
        if (!moves_[static_cast<std::size_t>(j)] || !limited_[static_cast<std::size_t>(j)]) {
            return false;
        }
        const float dx = p.x - start_[static_cast<std::size_t>(j)].x;
        const float dy = p.y - start_[static_cast<std::size_t>(j)].y;
        return dx * dx + dy * dy > limit_;
    }

    void setEvent(std::size_t index, bool on) {
        std::uint64_t& word = events_[index / 64];
        const std::uint64_t bit = std::uint64_t{1} << (index % 64);
        word = on ? (word | bit) : (word & ~bit);
        std::uint64_t& summary = eventWords_[index / 4096];
        const std::uint64_t summaryBit = std::uint64_t{1} << ((index / 64) % 64);
        summary = word != 0 ? (summary | summaryBit) : (summary & ~summaryBit);
    }

    std::size_t firstEvent() const {
        for (std::size_t s = 0; s < eventWords_.size(); ++s) {
            if (eventWords_[s] != 0) {
                const std::size_t word = s * 64 + static_cast<std::size_t>(std::countr_zero(eventWords_[s]));
                return word * 64 + static_cast<std::size_t>(std::countr_zero(events_[word]));
            }
        }
        return kNone;
    }

    void computeWholeCourse() {
        for (int pass = 0; pass < passes_; ++pass) {
            for (int j = 0; j < n_; ++j) {
                const D3DXVECTOR2 p = compute(pass, j);
                course_[at(pass, j)] = p;
                setEvent(at(pass, j), tooFar(j, p));
            }
        }
    }

    // Vertex j stops: it stays at its start in every pass. Every value that
    // reads a changed value is computed again, pass by pass in list order.
    void stop(int j) {
        moves_[static_cast<std::size_t>(j)] = false;
        (*group_)[static_cast<std::size_t>(j)]->stopped = true;
        changedBefore_.clear();
        for (int pass = 0; pass < passes_; ++pass) {
            ++stamp_;
            queue(j);
            for (int c : changedBefore_) {
                queue(c);  // reads its own value of the previous pass
                for (int k = 0; k < counts_[static_cast<std::size_t>(c)]; ++k) {
                    const int neighbour = neighbours_[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)];
                    if (neighbour < c) {
                        queue(neighbour);  // moves before c, so reads c's previous pass
                    }
                }
            }
            changed_.clear();
            while (!pending_.empty()) {
                const int v = pending_.top();
                pending_.pop();
                const D3DXVECTOR2 p = compute(pass, v);
                setEvent(at(pass, v), tooFar(v, p));
                D3DXVECTOR2& old = course_[at(pass, v)];
                if (p.x == old.x && p.y == old.y) {
                    continue;
                }
                old = p;
                changed_.push_back(v);
                for (int k = 0; k < counts_[static_cast<std::size_t>(v)]; ++k) {
                    const int neighbour = neighbours_[static_cast<std::size_t>(v)][static_cast<std::size_t>(k)];
                    if (neighbour > v) {
                        queue(neighbour);  // moves after v in this pass
                    }
                }
            }
            std::swap(changedBefore_, changed_);
        }
    }

    void queue(int j) {
        if (stamps_[static_cast<std::size_t>(j)] != stamp_) {
            stamps_[static_cast<std::size_t>(j)] = stamp_;
            pending_.push(j);
        }
    }

    // The rule as written, for groups too large to keep their course.
    void smoothLiterally() {
        const std::vector<BorderVertex*>& group = *group_;
        int pass = 0;
        while (pass < passes_) {
            bool restart = false;
            for (BorderVertex* v : group) {
                if (v->mode == Border::kModeFixed || v->stopped || v->neighbourCount == 0) {
                    continue;
                }
                float sumX = 0.0f;
                float sumY = 0.0f;
                for (int i = 0; i < v->neighbourCount; ++i) {
                    const BorderVertex* n = v->neighbours[static_cast<std::size_t>(i)];
                    sumX += n->position.x - v->position.x;
                    sumY += n->position.y - v->position.y;
                }
                const float share = 1.0f / static_cast<float>(v->neighbourCount);
                v->position.x += sumX * share;
                v->position.y += sumY * share;
                const float dx = v->position.x - v->start.x;
                const float dy = v->position.y - v->start.y;
                if (v->mode != Border::kModeFree && dx * dx + dy * dy > limit_) {
                    v->stopped = true;
                    restart = true;
                    break;
                }
            }
            if (restart) {
                for (BorderVertex* v : group) {
                    v->position.x = v->start.x;
                    v->position.y = v->start.y;
                }
                pass = 0;
            } else {
                ++pass;
            }
        }
    }

    const int passes_;
    const float limit_;
    std::vector<int>& localOf_;
    const std::vector<BorderVertex*>* group_ = nullptr;
    int n_ = 0;

    std::vector<D3DXVECTOR2> start_;
    std::vector<std::array<int, 4>> neighbours_;
    std::vector<int> counts_;
    std::vector<unsigned char> moves_;
    std::vector<unsigned char> limited_;
    // Position of every vertex after every pass, pass by pass.
    std::vector<D3DXVECTOR2> course_;
    // One bit per (pass, vertex): a limited vertex is too far out there; and
    // one bit per non-zero word of those bits.
    std::vector<std::uint64_t> events_;
    std::vector<std::uint64_t> eventWords_;

    std::vector<std::uint32_t> stamps_;
    std::uint32_t stamp_ = 0;
    std::priority_queue<int, std::vector<int>, std::greater<int>> pending_;
    std::vector<int> changed_;
    std::vector<int> changedBefore_;
};

}  // namespace

void Border::smooth() {
    if (passes_ <= 0 || outline_.empty()) {
        return;
    }
    std::vector<int> localOf(outline_.size(), -1);
    GroupSmoother smoother(passes_, maxDistance_ * maxDistance_, localOf);
    for (const std::vector<BorderVertex*>& group : joinedGroups()) {
        smoother.smooth(group);
    }
}

// The outline split into groups of vertices joined by edges, each group in
// outline list order.
std::vector<std::vector<BorderVertex*>> Border::joinedGroups() const {
    std::vector<int> group(outline_.size(), -1);
    std::vector<std::vector<BorderVertex*>> groups;
    std::vector<const BorderVertex*> pending;
    for (std::size_t i = 0; i < outline_.size(); ++i) {
        if (group[i] >= 0) {
            continue;
        }
        const int number = static_cast<int>(groups.size());
        groups.emplace_back();
        group[i] = number;
        pending.assign(1, outline_[i]);
        while (!pending.empty()) {
            const BorderVertex* v = pending.back();
            pending.pop_back();
            for (int k = 0; k < v->neighbourCount; ++k) {
                const BorderVertex* n = v->neighbours[static_cast<std::size_t>(k)];
                if (n->outlineIndex < 0) {
                    continue;
                }
                int& label = group[static_cast<std::size_t>(n->outlineIndex)];
                if (label < 0) {
                    label = number;
                    pending.push_back(n);
                }
            }
        }
    }
    for (std::size_t i = 0; i < outline_.size(); ++i) {
        groups[static_cast<std::size_t>(group[i])].push_back(outline_[i]);
    }
    return groups;
}
