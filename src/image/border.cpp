// Border: construction, settings, slots and vertex selection.
#include "image/border.h"

#include "image/image.h"

#include <algorithm>
#include <cmath>

Border::Border() : slots_(kSlotCount, nullptr) {
    outline_.reserve(500);
}

Border::~Border() = default;

void Border::make(Image* mask, int passes) {
    mask_ = mask;
    passes_ = std::clamp(passes, 0, kMaxPasses);
    maxDistance_ = kDefaultMaxDistance;
    tolerance_ = 0.01f;
    emptySlots();
    rebuild();
}

void Border::markChanged() {
    changedFor2D_ = true;
    changedFor3D_ = true;
}

void Border::update() {
    if (changedFor2D_ && mask_ != nullptr && mask_->isValid()) {
        mask_->clearFrame();
        removeIsolatedPixels(*mask_);
        if (listener_ != nullptr) {
            listener_->maskCleaned(*mask_);
        }
    }
    rebuild();
    changedFor2D_ = false;
}

void Border::setPasses(int passes) {
    passes_ = std::clamp(passes, 0, kMaxPasses);
    rebuild();
}

bool Border::setMaxDistance(float distance) {
    if (!std::isfinite(distance) || distance < 0.0f || distance > kMaxMaxDistance) {
        return false;
    }
    maxDistance_ = distance;
    rebuild();
    return true;
}

void Border::setSlabPlanes(float farFace, float farInner, float nearFace, float nearInner) {
    farFace_ = farFace;
    farInner_ = farInner;
    nearFace_ = nearFace;
    nearInner_ = nearInner;
}

// --- slots -------------------------------------------------------------------------

const BorderVertex* Border::vertexInSlot(int slot) const {
    if (slot < 0 || slot >= kSlotCount) {
        return nullptr;
    }
    return slots_[static_cast<std::size_t>(slot)];
}

BorderVertex* Border::vertexInSlot(int slot) {
    if (slot < 0 || slot >= kSlotCount) {
        return nullptr;
    }
    return slots_[static_cast<std::size_t>(slot)];
}

const BorderVertex* Border::vertexAt(int outlineX, int outlineY) const {
    if (outlineX < 0 || outlineX >= kSlotsPerSide || outlineY < 0 || outlineY >= kSlotsPerSide) {
        return nullptr;
    }
    return vertexInSlot(slotNumber(outlineX, outlineY));
}

// Hands out a cleared vertex for an empty slot, or returns the one already
// there. The caller guarantees a valid slot number.
BorderVertex* Border::makeVertex(int slot) {
    BorderVertex*& entry = slots_[static_cast<std::size_t>(slot)];
    if (entry == nullptr) {
        entry = vertexPool_.acquire();
        *entry = BorderVertex{};
        entry->slot = slot;
    }
    return entry;
}

// Empties every slot and the outline. Everything that points at vertices is
// dropped too, because the pool will hand the same records out again.
void Border::emptySlots() {
    vertexPool_.forEach([this](BorderVertex& v) { slots_[static_cast<std::size_t>(v.slot)] = nullptr; });
    vertexPool_.reset();
    outline_.clear();
    anchors_.clear();
    polygons_.clear();
    clearIndex();
}

// --- selection -----------------------------------------------------------------------

void Border::clearSelection() {
    vertexPool_.forEach([](BorderVertex& v) { v.selected = false; });
}

const BorderVertex* Border::selectVertexAt(float x, float y, float radius) {
    clearSelection();
    BorderVertex* best = nullptr;
    float bestDistance = radius * radius;
    for (BorderVertex* v : outline_) {
        const float dx = v->position.x - x;
        const float dy = v->position.y - y;
        const float distance = dx * dx + dy * dy;
        if (distance < bestDistance || (best == nullptr && distance == bestDistance)) {
            best = v;
            bestDistance = distance;
        }
    }
    if (best != nullptr) {
        best->selected = true;
    }
    return best;
}

int Border::selectVerticesInRect(float x0, float y0, float x1, float y1) {
    clearSelection();
    const float left = std::min(x0, x1);
    const float right = std::max(x0, x1);
    const float bottom = std::min(y0, y1);
    const float top = std::max(y0, y1);
    int count = 0;
    for (BorderVertex* v : outline_) {
        if (v->position.x >= left && v->position.x <= right && v->position.y >= bottom && v->position.y <= top) {
            v->selected = true;
            ++count;
        }
    }
    return count;
}

int Border::selectedCount() const {
    return static_cast<int>(std::count_if(outline_.begin(), outline_.end(), [](const BorderVertex* v) { return v->selected; }));
}

std::vector<int> Border::selectedSlots() const {
    std::vector<int> slots;
    for (const BorderVertex* v : outline_)
        if (v->selected) slots.push_back(v->slot);
    return slots;
}

void Border::selectSlots(const std::vector<int>& slots) {
    clearSelection();
    for (int slot : slots)
        if (BorderVertex* vertex = vertexInSlot(slot)) vertex->selected = true;
}

int Border::selectedMode() const {
    int mode = -1;
    for (const BorderVertex* v : outline_) {
        if (!v->selected) {
            continue;
        }
        if (mode == -1) {
            mode = v->mode;
        } else if (mode != v->mode) {
            return -1;
        }
    }
    return mode;
}

bool Border::setMode(int mode) {
    if (mode < kModeFree || mode > kModeFixed) {
        return false;
    }
    vertexPool_.forEach([mode](BorderVertex& v) {
        if (v.selected) {
            v.mode = mode;
        }
    });
    rebuild();
    return true;
}
