#include "transform/transform_history.h"

bool TransformRecord::operator==(const TransformRecord& other) const {
    const ClippingPlacement& a = placement;
    const ClippingPlacement& b = other.placement;
    return clipping == other.clipping && a.translation == b.translation && a.rotation == b.rotation &&
           a.scaling == b.scaling && a.angle == b.angle && a.angleheight == b.angleheight &&
           a.angleimage == b.angleimage && a.fovSet == b.fovSet && a.fovX == b.fovX && a.fovY == b.fovY &&
           a.imagePlane == b.imagePlane && rotationCentre.x == other.rotationCentre.x &&
           rotationCentre.y == other.rotationCentre.y && fovCentre.x == other.fovCentre.x &&
           fovCentre.y == other.fovCentre.y;
}

void TransformHistory::closeLastStep(const CurrentState& current) {
    if (steps_.empty() || steps_.back().after) return;
    steps_.back().after = current(steps_.back().before.clipping);
}

void TransformHistory::record(const TransformRecord& before, const CurrentState& current) {
    if (applied_ == steps_.size()) closeLastStep(current);
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(applied_), steps_.end());
    if (steps_.size() >= kMaxRecords) steps_.erase(steps_.begin());
    steps_.push_back(Step{before, std::nullopt});
    applied_ = steps_.size();
    canUndo_ = true;
    canRedo_ = false;
}

void TransformHistory::clear() {
    steps_.clear();
    applied_ = 0;
    canUndo_ = false;
    canRedo_ = false;
}

bool TransformHistory::undoableBelow(const UsableTest& usable) const {
    for (std::size_t index = applied_; index-- > 0;)
        if (!steps_[index].isEmpty() && usable(steps_[index].before)) return true;
    return false;
}

std::optional<TransformRecord> TransformHistory::undo(const UsableTest& usable, const CurrentState& current) {
    if (applied_ == steps_.size()) closeLastStep(current);
    while (applied_ > 0) {
        const Step& step = steps_[--applied_];
        if (step.isEmpty() || !usable(step.before)) continue;
        canRedo_ = true;
        canUndo_ = undoableBelow(usable);
        return step.before;
    }
    canUndo_ = false;
    return std::nullopt;
}

std::optional<TransformRecord> TransformHistory::redo(const UsableTest& usable) {
    while (applied_ < steps_.size()) {
        const Step& step = steps_[applied_++];
        if (step.isEmpty() || !step.after || !usable(*step.after)) continue;
        canUndo_ = true;
        canRedo_ = false;
        for (std::size_t index = applied_; index < steps_.size(); ++index)
            if (!steps_[index].isEmpty() && steps_[index].after && usable(*steps_[index].after)) canRedo_ = true;
        return step.after;
    }
    canRedo_ = false;
    return std::nullopt;
}
