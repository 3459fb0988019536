// DragResolution: the resolution a frame of the 3D view is drawn at.
// Translucent pictures and walls over the whole view cost a software
// rasteriser dearly, so while a drag moves the view (the camera, or a
// clipping under a gesture) and a frame of that movement turns out slow,
// the rest of the movement is drawn at half resolution, and at a third and
// a quarter when that is still slow (slow: longer than a frame of a 60 Hz
// screen). Past a quarter the view gets very coarse, so it goes on to a
// fifth and a sixth only when two frames in a row are slow. A frame in
// which nothing moved is always drawn at full resolution, so the view
// sharpens as soon as the pointer rests, and the next movement is measured
// afresh. On fast hardware nothing changes.
#pragma once

class DragResolution {
public:
    // A moving frame slower than this (the time from the frame before it)
    // makes the following ones coarser.
    static constexpr double kSlowFrameMs = 16.0;
    // From this divisor on, two slow frames in a row at the same divisor make
    // the next step; below it one does.
    static constexpr int kTwoSlowFramesFrom = 4;
    static constexpr int kCoarsestDivisor = 6;

    // Called once a frame. `moving`: a drag moved the view since the
    // previous frame; `msSincePreviousFrame`: the time since the previous
    // frame began. Returns the divisor of the resolution to draw this frame
    // at: 1 (full) to kCoarsestDivisor.
    int divisorFor(bool moving, double msSincePreviousFrame);

private:
    bool moving_ = false;
    int divisor_ = 1;
    // The frame before the previous one was slow, at the present divisor.
    bool slowBefore_ = false;
};
