#include "transform/drag_resolution.h"

int DragResolution::divisorFor(bool moving, double msSincePreviousFrame) {
    if (!moving) {
        moving_ = false;
        divisor_ = 1;
        return divisor_;
    }
    // The first frame of a movement comes after a rest: the time since the
    // frame before says nothing about the cost of drawing.
    if (moving_ && divisor_ < kCoarsestDivisor && msSincePreviousFrame > kSlowFrameMs) ++divisor_;
    moving_ = true;
    return divisor_;
}
