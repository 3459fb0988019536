// Border: the rebuild driver, tracing and linking the pixel corners of the
// mask, and the cleaning of a changed mask.
#include "image/border.h"

#include "image/image.h"

#include <algorithm>
#include <cstdint>

namespace {

// Corner indices of a pixel, in the order tracing visits them.
enum Corner { kTopLeft = 0, kTopRight = 1, kBottomLeft = 2, kBottomRight = 3 };

// Adds b to a's neighbours unless it is there already.
void addNeighbour(BorderVertex* a, BorderVertex* b) {
    for (int i = 0; i < a->neighbourCount; ++i) {
        if (a->neighbours[static_cast<std::size_t>(i)] == b) {
            return;
        }
    }
    if (a->neighbourCount < static_cast<int>(a->neighbours.size())) {
        a->neighbours[static_cast<std::size_t>(a->neighbourCount++)] = b;
    }
}

// Links `from` to `to` in chain direction and records the edge in both
// neighbour lists.
void joinEdge(BorderVertex* from, BorderVertex* to) {
    from->next = to;
    to->previous = from;
    addNeighbour(from, to);
    addNeighbour(to, from);
}

// An edge of the mask's `area` as a pixel count within 0 .. size; an edge
// that is not a number counts as 0.
int areaLimit(float edge, int size) {
    if (!(edge >= 0.0f)) {
        return 0;
    }
    return edge >= static_cast<float>(size) ? size : static_cast<int>(edge);
}

}  // namespace

void Border::rebuild() {
    if (mask_ != nullptr && mask_->isValid()) {
        maskWidth_ = mask_->width();
        maskHeight_ = mask_->height();
        // Odd margins must never lead outside the buffer or the slot grid.
        width_ = std::clamp(maskWidth_ - mask_->marginRight, 0, std::min(maskWidth_, kSlotsPerSide - 1));
        height_ = std::clamp(maskHeight_ - mask_->marginBottom, 0, std::min(maskHeight_, kSlotsPerSide - 1));
    } else {
        maskWidth_ = maskHeight_ = width_ = height_ = 0;
    }
    resetVertices();
    std::vector<unsigned char> set;
    readMask(set);
    trace(set);
    link(set);
    smooth();
    computeNormals();
    collectAnchors();
    walkAnchors();
    collectPolygons();
    buildIndex();
    changedFor3D_ = true;
}

// Step 1: every vertex in the grid loses its place in the outline but keeps
// its slot, mode and selection.
void Border::resetVertices() {
    vertexPool_.forEach([](BorderVertex& v) {
        v.made = false;
        v.stopped = false;
        v.boundary = false;
        v.previous = nullptr;
        v.next = nullptr;
        v.ownerAnchor = nullptr;
        v.direction = 0;
        v.neighbourCount = 0;
        v.outlineIndex = -1;
    });
    outline_.clear();
    anchors_.clear();
}

// The set/unset state of the effective picture, one byte per pixel, rows top
// first (width_ * height_ bytes).
void Border::readMask(std::vector<unsigned char>& set) const {
    set.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
    if (width_ == 0 || height_ == 0) {
        return;
    }
    const unsigned char* bytes = mask_->bytes();
    const std::size_t rowBytes = static_cast<std::size_t>(maskWidth_) * 3;
    for (int y = 0; y < height_; ++y) {
        const unsigned char* row = bytes + rowBytes * static_cast<std::size_t>(y);
        unsigned char* out = set.data() + static_cast<std::size_t>(width_) * static_cast<std::size_t>(y);
        for (int x = 0; x < width_; ++x) {
            const unsigned char* p = row + 3 * x;
            out[x] = (p[0] | p[1] | p[2]) != 0 ? 1 : 0;
        }
    }
}

// Step 2: every corner of a traced pixel that touches an unset pixel gets a
// vertex, appended to the outline the first time it is met.
void Border::trace(const std::vector<unsigned char>& set) {
    const std::size_t w = static_cast<std::size_t>(width_);
    for (int y = 1; y < height_ - 1; ++y) {
        const unsigned char* above = set.data() + w * static_cast<std::size_t>(y - 1);
        const unsigned char* row = above + w;
        const unsigned char* below = row + w;
        for (int x = 1; x < width_ - 1; ++x) {
            if (row[x] == 0) {
                continue;
            }
            const bool up = above[x] != 0;
            const bool down = below[x] != 0;
            const bool left = row[x - 1] != 0;
            const bool right = row[x + 1] != 0;
            const bool onOutline[4] = {
                !(up && left && above[x - 1] != 0),
                !(up && right && above[x + 1] != 0),
                !(down && left && below[x - 1] != 0),
                !(down && right && below[x + 1] != 0),
            };
            for (int corner = kTopLeft; corner <= kBottomRight; ++corner) {
                if (!onOutline[corner]) {
                    continue;
                }
                const int ox = width_ - (x + (corner & 1));
                const int oy = height_ - (y + (corner >> 1));
                BorderVertex* v = makeVertex(slotNumber(ox, oy));
                if (!v->made) {
                    v->start = D3DXVECTOR2(static_cast<float>(ox), static_cast<float>(oy));
                    v->position = D3DXVECTOR3(v->start.x, v->start.y, 0.0f);
                    v->outlineIndex = static_cast<int>(outline_.size());
                    outline_.push_back(v);
                }
                v->made = true;
            }
        }
    }
}

// Step 3: the edges between set and unset pixels become chain links, running
// so that the masked region lies on the side of the edge normal.
void Border::link(const std::vector<unsigned char>& set) {
    const std::size_t w = static_cast<std::size_t>(width_);
    auto corner = [&](int cx, int cy) { return slots_[static_cast<std::size_t>(slotNumber(width_ - cx, height_ - cy))]; };
    for (int y = 1; y < height_ - 1; ++y) {
        const unsigned char* above = set.data() + w * static_cast<std::size_t>(y - 1);
        const unsigned char* row = above + w;
        const unsigned char* below = row + w;
        for (int x = 1; x < width_ - 1; ++x) {
            if (row[x] == 0) {
                continue;
            }
            // A side whose neighbour pixel is unset has both its corners on
            // the outline, so these slots hold vertices.
            if (above[x] == 0) {
                joinEdge(corner(x + 1, y), corner(x, y));
            }
            if (row[x - 1] == 0) {
                joinEdge(corner(x, y), corner(x, y + 1));
            }
            if (below[x] == 0) {
                joinEdge(corner(x, y + 1), corner(x + 1, y + 1));
            }
            if (row[x + 1] == 0) {
                joinEdge(corner(x + 1, y + 1), corner(x + 1, y));
            }
        }
    }
}

// --- changed masks ------------------------------------------------------------------

int Border::removeIsolatedPixels(Image& mask) {
    if (!mask.isValid()) {
        return 0;
    }
    const int w = mask.width();
    const int h = mask.height();
    const int right = areaLimit(mask.area.right, w);
    const int bottom = areaLimit(mask.area.bottom, h);
    if (right < 3 || bottom < 3) {
        return 0;
    }
    std::vector<unsigned char> set(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    const unsigned char* bytes = mask.bytes();
    for (std::size_t i = 0; i < set.size(); ++i) {
        set[i] = (bytes[3 * i] | bytes[3 * i + 1] | bytes[3 * i + 2]) != 0 ? 1 : 0;
    }
    auto index = [w](int x, int y) { return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x); };
    auto removable = [&](int x, int y) { return x >= 1 && x < right - 1 && y >= 1 && y < bottom - 1; };
    auto setNeighbours = [&](int x, int y) {
        int count = 0;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if ((dx != 0 || dy != 0) && set[index(x + dx, y + dy)] != 0) {
                    ++count;
                }
            }
        }
        return count;
    };

    // Clearing a pixel can only lower the counts of its neighbours, and the
    // set that survives does not depend on the order pixels are cleared in,
    // so a work list gives the same mask as repeated full passes.
    std::vector<std::int32_t> pending;
    for (int y = 1; y < bottom - 1; ++y) {
        for (int x = 1; x < right - 1; ++x) {
            if (set[index(x, y)] != 0 && setNeighbours(x, y) < 3) {
                pending.push_back(static_cast<std::int32_t>(index(x, y)));
            }
        }
    }
    int cleared = 0;
    while (!pending.empty()) {
        const std::size_t i = static_cast<std::size_t>(pending.back());
        pending.pop_back();
        const int x = static_cast<int>(i % static_cast<std::size_t>(w));
        const int y = static_cast<int>(i / static_cast<std::size_t>(w));
        if (set[i] == 0 || setNeighbours(x, y) >= 3) {
            continue;
        }
        set[i] = 0;
        mask.setPixel(x, y, Rgb{});
        ++cleared;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx;
                const int ny = y + dy;
                if ((dx != 0 || dy != 0) && removable(nx, ny) && set[index(nx, ny)] != 0) {
                    pending.push_back(static_cast<std::int32_t>(index(nx, ny)));
                }
            }
        }
    }
    return cleared;
}
