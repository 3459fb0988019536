// Undo and redo of clipping transformations.
//
// A record holds a clipping's whole transformation: its placement (position,
// scene rotation and scaling, the three angles, the field of view and the
// picture-plane position) and the two centres of its image. A record is
// taken before each transformation (a gesture key or an axis key going
// down); undo puts the clipping back to it, skipping records whose clipping
// is gone, and a new record discards everything that could still be redone.
//
// A record taken only before a transformation cannot redo it: redoing the
// change of one image would need the state after it, and undoing the last
// change would lose it for good. So every step also keeps the state after
// its transformation, taken when the next record is made (or at the first
// undo): redo puts that back. Steps that changed nothing are passed over.
#pragma once

#include "image/image.h"
#include "sculpt/clipping_projection.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

struct TransformRecord {
    // Names the clipping; the owner decides what the number means.
    int clipping = -1;
    ClippingPlacement placement;
    ImagePoint rotationCentre;
    ImagePoint fovCentre;

    bool operator==(const TransformRecord& other) const;
};

class TransformHistory {
public:
    // At most this many steps are kept; the oldest go first.
    static constexpr std::size_t kMaxRecords = 1000;

    // Whether a record's clipping still exists.
    using UsableTest = std::function<bool(const TransformRecord&)>;
    // The current state of the clipping a record names; empty when it is
    // gone.
    using CurrentState = std::function<std::optional<TransformRecord>(int clipping)>;

    // A transformation is about to change the clipping of `before`: the
    // previous step takes its state after (from `current`), steps that
    // could be redone are discarded, and a new step starts.
    void record(const TransformRecord& before, const CurrentState& current);
    // Forgets everything (new project).
    void clear();

    // Steps back: the record to apply, or empty when there is none.
    std::optional<TransformRecord> undo(const UsableTest& usable, const CurrentState& current);
    // Steps forward again (only after an undo); empty when nothing is left.
    std::optional<TransformRecord> redo(const UsableTest& usable);

    bool canUndo() const { return canUndo_; }
    bool canRedo() const { return canRedo_; }
    // Number of steps kept, and how many of them are applied now.
    std::size_t size() const { return steps_.size(); }
    std::size_t applied() const { return applied_; }
    // The state before step `index`.
    const TransformRecord& before(std::size_t index) const { return steps_[index].before; }

private:
    struct Step {
        TransformRecord before;
        std::optional<TransformRecord> after;
        // Nothing changed between before and after.
        bool isEmpty() const { return after && *after == before; }
    };
    // Takes the state after the last step when it has none yet.
    void closeLastStep(const CurrentState& current);
    // Whether an applied step below `applied_` can still be undone.
    bool undoableBelow(const UsableTest& usable) const;

    std::vector<Step> steps_;
    std::size_t applied_ = 0;
    bool canUndo_ = false;
    bool canRedo_ = false;
};
