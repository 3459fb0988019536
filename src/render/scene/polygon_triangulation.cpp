#include "render/scene/polygon_triangulation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <list>

namespace {

// Cross product of (b − a) and (c − a): positive when a, b, c turn left.
double turn(const Point2& a, const Point2& b, const Point2& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool samePoint(const Point2& a, const Point2& b) { return a.x == b.x && a.y == b.y; }

// Removes repeated points and points on the straight line between their
// neighbours until none is left.
Ring cleanRing(const Ring& ring) {
    Ring points;
    for (const Point2& p : ring)
        if (points.empty() || !samePoint(points.back(), p)) points.push_back(p);
    while (points.size() > 1 && samePoint(points.front(), points.back())) points.pop_back();
    bool changed = true;
    while (changed && points.size() >= 3) {
        changed = false;
        for (size_t i = 0; i < points.size() && points.size() >= 3; ++i) {
            const Point2& prev = points[(i + points.size() - 1) % points.size()];
            const Point2& next = points[(i + 1) % points.size()];
            if (turn(prev, points[i], next) == 0.0 || samePoint(prev, next)) {
                points.erase(points.begin() + static_cast<long>(i));
                changed = true;
                --i;
            }
        }
    }
    return points;
}

bool containsPoint(const Ring& ring, const Point2& p) {
    bool inside = false;
    for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const Point2& a = ring[i];
        const Point2& b = ring[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

// A point well inside ring `ring`'s area near its first vertex, for the
// nesting test: the middle of the first vertex and the middle of its first
// edge, nudged towards the inside.
Point2 probePoint(const Ring& ring) {
    const Point2& a = ring[0];
    const Point2& b = ring[1];
    const Point2 middle{(a.x + b.x) / 2.0, (a.y + b.y) / 2.0};
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    const double side = doubleSignedArea(ring) > 0.0 ? 1.0 : -1.0;  // inside is to the left when counter-clockwise
    const double nudge = length * 1e-4;
    return {middle.x - side * (b.y - a.y) / length * nudge, middle.y + side * (b.x - a.x) / length * nudge};
}

struct Polygon {
    std::vector<int> ring;  // indices into the point list
};

// True when `p` lies inside the angle the polygon makes at `at` (between the
// edges prev→at and at→next), for a counter-clockwise polygon.
bool insideCorner(const Point2& prev, const Point2& at, const Point2& next, const Point2& p) {
    if (turn(prev, at, next) >= 0.0) return turn(prev, at, p) > 0.0 && turn(at, next, p) > 0.0;
    return turn(prev, at, p) > 0.0 || turn(at, next, p) > 0.0;
}

bool insideTriangle(const Point2& a, const Point2& b, const Point2& c, const Point2& p) {
    return turn(a, b, p) >= 0.0 && turn(b, c, p) >= 0.0 && turn(c, a, p) >= 0.0;
}

class HoleJoiner {
public:
    HoleJoiner(const std::vector<Point2>& points, std::vector<int>& outer) : points_(points), outer_(outer) {}

    // Joins `hole` (clockwise) to the outer ring through a bridge from its
    // rightmost point to a point of the ring it can see.
    void join(const std::vector<int>& hole) {
        const size_t m = rightmostIndex(hole);
        const Point2& mp = points_[static_cast<size_t>(hole[m])];
        const size_t bridge = visiblePosition(mp);
        std::vector<int> inserted;
        for (size_t k = 0; k <= hole.size(); ++k) inserted.push_back(hole[(m + k) % hole.size()]);
        inserted.push_back(outer_[bridge]);
        outer_.insert(outer_.begin() + static_cast<long>(bridge) + 1, inserted.begin(), inserted.end());
    }

private:
    const Point2& at(size_t position) const { return points_[static_cast<size_t>(outer_[position])]; }
    size_t prevOf(size_t position) const { return (position + outer_.size() - 1) % outer_.size(); }
    size_t nextOf(size_t position) const { return (position + 1) % outer_.size(); }

    size_t rightmostIndex(const std::vector<int>& hole) const {
        size_t best = 0;
        for (size_t i = 1; i < hole.size(); ++i) {
            const Point2& p = points_[static_cast<size_t>(hole[i])];
            const Point2& q = points_[static_cast<size_t>(hole[best])];
            if (p.x > q.x || (p.x == q.x && p.y < q.y)) best = i;
        }
        return best;
    }

    // The position on the outer ring that `m` can see, found with a ray
    // towards +x and refined against reflex points in the way.
    size_t visiblePosition(const Point2& m) const {
        double nearestX = std::numeric_limits<double>::infinity();
        size_t candidate = 0;
        bool found = false;
        for (size_t i = 0; i < outer_.size(); ++i) {
            const Point2& a = at(i);
            const Point2& b = at(nextOf(i));
            if (a.y == b.y || m.y < std::min(a.y, b.y) || m.y > std::max(a.y, b.y)) continue;
            const double x = a.x + (m.y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (x < m.x || x >= nearestX) continue;
            nearestX = x;
            if (a.y == m.y)
                candidate = i;
            else if (b.y == m.y)
                candidate = nextOf(i);
            else
                candidate = a.x > b.x ? i : nextOf(i);
            found = true;
        }
        if (!found) return nearestPosition(m);
        const Point2 hit{nearestX, m.y};
        const Point2 p = at(candidate);
        if (samePoint(p, hit)) return bestOccurrence(candidate, m);
        return bestOccurrence(blockingReflex(m, hit, candidate), m);
    }

    // The reflex point inside triangle (m, hit, candidate) closest in angle
    // to the ray, or `candidate` when there is none.
    size_t blockingReflex(const Point2& m, const Point2& hit, size_t candidate) const {
        const Point2 p = at(candidate);
        size_t best = candidate;
        double bestAngle = std::atan2(std::abs(p.y - m.y), p.x - m.x);
        double bestDistance = std::hypot(p.x - m.x, p.y - m.y);
        for (size_t i = 0; i < outer_.size(); ++i) {
            const Point2& r = at(i);
            if (samePoint(r, p) || turn(at(prevOf(i)), r, at(nextOf(i))) >= 0.0) continue;
            const bool inside = p.y >= m.y ? insideTriangle(m, hit, p, r) : insideTriangle(m, p, hit, r);
            if (!inside || r.x < m.x) continue;
            const double angle = std::atan2(std::abs(r.y - m.y), r.x - m.x);
            const double distance = std::hypot(r.x - m.x, r.y - m.y);
            if (angle < bestAngle || (angle == bestAngle && distance < bestDistance)) {
                best = i;
                bestAngle = angle;
                bestDistance = distance;
            }
        }
        return best;
    }

    // Among the positions holding the same point as `position` (bridges
    // repeat points), the one whose corner `m` lies in.
    size_t bestOccurrence(size_t position, const Point2& m) const {
        const int index = outer_[position];
        for (size_t i = 0; i < outer_.size(); ++i)
            if (outer_[i] == index && insideCorner(at(prevOf(i)), at(i), at(nextOf(i)), m)) return i;
        return position;
    }

    size_t nearestPosition(const Point2& m) const {
        size_t best = 0;
        double bestDistance = std::numeric_limits<double>::infinity();
        for (size_t i = 0; i < outer_.size(); ++i) {
            const double distance = std::hypot(at(i).x - m.x, at(i).y - m.y);
            if (distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        return best;
    }

    const std::vector<Point2>& points_;
    std::vector<int>& outer_;
};

class EarClipper {
public:
    EarClipper(const std::vector<Point2>& points, const std::vector<int>& ring) : points_(points) {
        for (int index : ring) nodes_.push_back(index);
    }

    void clip(std::vector<std::array<int, 3>>& triangles) {
        while (nodes_.size() > 3) {
            if (!clipOneEar(triangles)) dropFlattestCorner(triangles);
        }
        if (nodes_.size() == 3) {
            auto it = nodes_.begin();
            const int a = *it++;
            const int b = *it++;
            const int c = *it;
            if (turn(pt(a), pt(b), pt(c)) > 0.0) triangles.push_back({a, b, c});
        }
    }

private:
    using Node = std::list<int>::iterator;

    const Point2& pt(int index) const { return points_[static_cast<size_t>(index)]; }
    Node prevOf(Node node) { return node == nodes_.begin() ? std::prev(nodes_.end()) : std::prev(node); }
    Node nextOf(Node node) {
        Node next = std::next(node);
        return next == nodes_.end() ? nodes_.begin() : next;
    }

    bool isEar(Node node) {
        const Point2& a = pt(*prevOf(node));
        const Point2& b = pt(*node);
        const Point2& c = pt(*nextOf(node));
        if (turn(a, b, c) <= 0.0) return false;
        for (int index : nodes_) {
            const Point2& p = pt(index);
            if (samePoint(p, a) || samePoint(p, b) || samePoint(p, c)) continue;
            if (insideTriangle(a, b, c, p)) return false;
        }
        return true;
    }

    bool clipOneEar(std::vector<std::array<int, 3>>& triangles) {
        for (Node node = nodes_.begin(); node != nodes_.end(); ++node) {
            if (!isEar(node)) continue;
            triangles.push_back({*prevOf(node), *node, *nextOf(node)});
            nodes_.erase(node);
            return true;
        }
        return false;
    }

    // No ear left (rounding or a self-touching outline): cut off the corner
    // with the smallest area so that clipping always ends.
    void dropFlattestCorner(std::vector<std::array<int, 3>>& triangles) {
        Node flattest = nodes_.begin();
        double smallest = std::numeric_limits<double>::infinity();
        for (Node node = nodes_.begin(); node != nodes_.end(); ++node) {
            const double area = std::abs(turn(pt(*prevOf(node)), pt(*node), pt(*nextOf(node))));
            if (area < smallest) {
                smallest = area;
                flattest = node;
            }
        }
        const int a = *prevOf(flattest), b = *flattest, c = *nextOf(flattest);
        if (turn(pt(a), pt(b), pt(c)) > 0.0) triangles.push_back({a, b, c});
        nodes_.erase(flattest);
    }

    const std::vector<Point2>& points_;
    std::list<int> nodes_;
};

// Nesting depth of every ring: how many other rings contain it.
std::vector<int> nestingDepths(const std::vector<Ring>& rings) {
    std::vector<int> depths(rings.size(), 0);
    for (size_t i = 0; i < rings.size(); ++i) {
        const Point2 probe = probePoint(rings[i]);
        for (size_t j = 0; j < rings.size(); ++j)
            if (j != i && containsPoint(rings[j], probe)) ++depths[i];
    }
    return depths;
}

// The smallest ring one level up that contains hole `hole`, or -1.
int enclosingRing(const std::vector<Ring>& rings, const std::vector<int>& depths, size_t hole) {
    const Point2 probe = probePoint(rings[hole]);
    int best = -1;
    double bestArea = std::numeric_limits<double>::infinity();
    for (size_t j = 0; j < rings.size(); ++j) {
        if (j == hole || depths[j] != depths[hole] - 1 || !containsPoint(rings[j], probe)) continue;
        const double area = std::abs(doubleSignedArea(rings[j]));
        if (area < bestArea) {
            bestArea = area;
            best = static_cast<int>(j);
        }
    }
    return best;
}

double largestX(const std::vector<Point2>& points, const std::vector<int>& ring) {
    double x = -std::numeric_limits<double>::infinity();
    for (int index : ring) x = std::max(x, points[static_cast<size_t>(index)].x);
    return x;
}

}  // namespace

double doubleSignedArea(const Ring& ring) {
    double area = 0.0;
    for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        area += ring[j].x * ring[i].y - ring[i].x * ring[j].y;
    return area;
}

std::vector<std::array<int, 3>> triangulateRings(std::vector<Ring>& rings) {
    std::vector<Ring> cleaned;
    for (const Ring& ring : rings) {
        Ring clean = cleanRing(ring);
        if (clean.size() >= 3 && doubleSignedArea(clean) != 0.0) cleaned.push_back(std::move(clean));
    }
    rings = std::move(cleaned);

    const std::vector<int> depths = nestingDepths(rings);
    std::vector<Point2> points;
    std::vector<std::vector<int>> indexRings(rings.size());
    for (size_t r = 0; r < rings.size(); ++r) {
        const bool hole = depths[r] % 2 == 1;
        const bool counterClockwise = doubleSignedArea(rings[r]) > 0.0;
        if (hole == counterClockwise) std::reverse(rings[r].begin(), rings[r].end());
        for (const Point2& p : rings[r]) {
            indexRings[r].push_back(static_cast<int>(points.size()));
            points.push_back(p);
        }
    }

    std::vector<std::vector<size_t>> holesOf(rings.size());
    for (size_t r = 0; r < rings.size(); ++r) {
        if (depths[r] % 2 == 0) continue;
        const int outer = enclosingRing(rings, depths, r);
        if (outer >= 0) holesOf[static_cast<size_t>(outer)].push_back(r);
    }

    std::vector<std::array<int, 3>> triangles;
    for (size_t r = 0; r < rings.size(); ++r) {
        if (depths[r] % 2 == 1) continue;
        std::vector<int> polygon = indexRings[r];
        std::vector<size_t> holes = holesOf[r];
        std::sort(holes.begin(), holes.end(), [&](size_t a, size_t b) {
            return largestX(points, indexRings[a]) > largestX(points, indexRings[b]);
        });
        HoleJoiner joiner(points, polygon);
        for (size_t hole : holes) joiner.join(indexRings[hole]);
        EarClipper(points, polygon).clip(triangles);
    }
    return triangles;
}
