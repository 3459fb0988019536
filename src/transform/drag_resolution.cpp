#include "transform/drag_resolution.h"

int DragResolution::divisorFor(bool moving, double msSincePreviousFrame) {
    if (!moving) {
        moving_ = false;
        slowBefore_ = false;
        divisor_ = 1;
        return divisor_;
    }
    // The first frame of a movement comes after a rest: the time since the
    // frame before says nothing about the cost of drawing.
    const bool slow = moving_ && msSincePreviousFrame > kSlowFrameMs;
    const bool step = slow && divisor_ < kCoarsestDivisor && (divisor_ < kTwoSlowFramesFrom || slowBefore_);
    if (step) ++divisor_;
    // Only frames drawn at the present divisor count towards the next step.
    slowBefore_ = slow && !step;
    moving_ = true;
    return divisor_;
}
