// Border: normals, anchors, the anchor walk and the polygons of the outline.
#include "image/border.h"

#include <algorithm>
#include <cmath>

namespace {

// The unit normal (e.y, -e.x) of the edge from a to b, e = b - a; zero for an
// edge of no length.
D3DXVECTOR2 edgeNormal(float ax, float ay, float bx, float by) {
    const float ex = bx - ax;
    const float ey = by - ay;
    const float length = std::sqrt(ex * ex + ey * ey);
    if (!(length > 0.0f)) {
        return D3DXVECTOR2(0.0f, 0.0f);
    }
    return D3DXVECTOR2(ey / length, -ex / length);
}

// Sum of the normals of the edges previous -> v and v -> next, from the
// current positions or from the start positions.
D3DXVECTOR2 summedNormal(const BorderVertex& v, bool fromStart) {
    auto x = [fromStart](const BorderVertex* p) { return fromStart ? p->start.x : p->position.x; };
    auto y = [fromStart](const BorderVertex* p) { return fromStart ? p->start.y : p->position.y; };
    D3DXVECTOR2 sum(0.0f, 0.0f);
    if (v.previous != nullptr) {
        sum += edgeNormal(x(v.previous), y(v.previous), x(&v), y(&v));
    }
    if (v.next != nullptr) {
        sum += edgeNormal(x(&v), y(&v), x(v.next), y(v.next));
    }
    return sum;
}

float lengthOf(const D3DXVECTOR2& v) { return std::sqrt(v.x * v.x + v.y * v.y); }

// A walk of the anchor walk: from one anchor in one direction.
struct AnchorWalk {
    BorderVertex* anchor = nullptr;
    BorderVertex* at = nullptr;
    bool alongPrevious = false;
};

BorderVertex* stepOf(const BorderVertex* v, bool alongPrevious) { return alongPrevious ? v->previous : v->next; }

bool hasUnvisitedNeighbour(const BorderVertex* v) {
    for (int i = 0; i < v->neighbourCount; ++i) {
        const BorderVertex* n = v->neighbours[static_cast<std::size_t>(i)];
        if (n->made && !n->visited) {
            return true;
        }
    }
    return false;
}

}  // namespace

// The normal of a vertex is the normalised sum of its two edge normals; where
// the smoothed edges cancel out, the start positions decide.
void Border::computeNormals() {
    for (BorderVertex* v : outline_) {
        D3DXVECTOR2 sum = summedNormal(*v, false);
        if (lengthOf(sum) < 0.1f) {
            sum = summedNormal(*v, true);
        }
        const float length = lengthOf(sum);
        if (length > 0.0f) {
            sum /= length;
        }
        v->normal = D3DXVECTOR3(sum.x, sum.y, 0.0f);
    }
}

// Stopped limited vertices and fixed vertices become anchors when their corner
// turns the right way for the owner: outward corners (the previous vertex on
// the inner side or on the line) without owner or for a removing owner,
// inward ones for an adding owner.
void Border::collectAnchors() {
    const bool adding = owner_ != nullptr && owner_->addingVoxels();
    for (BorderVertex* v : outline_) {
        const bool offered = (v->stopped && v->mode == kModeLimited) || v->mode == kModeFixed;
        if (!offered || v->boundary || v->previous == nullptr) {
            continue;
        }
        const float d = (v->previous->position.x - v->position.x) * v->normal.x + (v->previous->position.y - v->position.y) * v->normal.y;
        if (adding ? d <= 0.0f : d >= 0.0f) {
            v->boundary = true;
            anchors_.push_back(v);
        }
    }
}

// Every anchor claims the vertices around it, walking both ways one vertex
// per step until it meets a chain end, another anchor or a vertex claimed
// before. When the two walks of one anchor meet on a closed chain, half of
// the claims of the arriving walk are withdrawn, so that the two sides of the
// anchor never touch at the far end.
void Border::walkAnchors() {
    std::vector<AnchorWalk> walks;
    walks.reserve(anchors_.size() * 2);
    for (BorderVertex* anchor : anchors_) {
        walks.push_back(AnchorWalk{anchor, anchor, true});
        walks.push_back(AnchorWalk{anchor, anchor, false});
    }
    const int steps = static_cast<int>(outline_.size());
    for (int step = 1; step <= steps && !walks.empty(); ++step) {
        std::size_t kept = 0;
        for (std::size_t w = 0; w < walks.size(); ++w) {
            AnchorWalk walk = walks[w];
            BorderVertex* target = stepOf(walk.at, walk.alongPrevious);
            if (target == nullptr || target->boundary) {
                continue;
            }
            if (target->ownerAnchor != nullptr) {
                if (target->ownerAnchor == walk.anchor) {
                    BorderVertex* v = target;
                    for (int i = 0; i < step / 2 && v != nullptr; ++i) {
                        if (v->ownerAnchor == walk.anchor) {
                            v->ownerAnchor = nullptr;
                            v->direction = 0;
                        }
                        v = stepOf(v, !walk.alongPrevious);
                    }
                }
                continue;
            }
            target->ownerAnchor = walk.anchor;
            target->direction = walk.alongPrevious ? 1 : 0;
            walk.at = target;
            walks[kept++] = walk;
        }
        walks.resize(kept);
    }
}

// Walks the outline from every unvisited vertex in slot order and records the
// vertices reached until no neighbour qualifies; the start closes the polygon.
// A vertex shared by two regions may be passed more than once; a walk never
// takes more steps than the outline could need, whatever the links look like.
void Border::collectPolygons() {
    polygons_.clear();
    vertexPool_.forEach([](BorderVertex& v) { v.visited = false; });
    const std::size_t maxSteps = 4 * outline_.size() + 4;
    // The made vertices in slot order.
    std::vector<BorderVertex*> bySlot(outline_);
    std::sort(bySlot.begin(), bySlot.end(), [](const BorderVertex* a, const BorderVertex* b) { return a->slot < b->slot; });
    for (BorderVertex* start : bySlot) {
        if (start->visited) {
            continue;
        }
        std::vector<BorderVertex*> polygon;
        polygon.push_back(start);
        start->visited = true;
        BorderVertex* current = nullptr;
        for (int i = 0; i < start->neighbourCount; ++i) {
            BorderVertex* n = start->neighbours[static_cast<std::size_t>(i)];
            if (n->made && !n->visited) {
                current = n;
                break;
            }
        }
        BorderVertex* left = start;
        while (current != nullptr && polygon.size() < maxSteps) {
            polygon.push_back(current);
            current->visited = true;
            BorderVertex* chosen = nullptr;
            for (int i = 0; i < current->neighbourCount; ++i) {
                BorderVertex* n = current->neighbours[static_cast<std::size_t>(i)];
                if (n->made && n != left && (!n->visited || hasUnvisitedNeighbour(n))) {
                    chosen = n;
                    break;
                }
            }
            left = current;
            current = chosen;
        }
        polygon.push_back(start);
        polygons_.push_back(std::move(polygon));
    }
}
