// The status bar of a mode: a progress value, a status text and the ready
// flag. Long operations clear the ready flag (the pointer then shows the
// wait cursor), write what they do into the text and draw a frame.
#pragma once

#include "core/string.h"

class DxRenderer;

class StatusBar {
public:
    // Longest status text kept, in bytes; longer texts are cut.
    static constexpr int kMaxTextBytes = 1023;

    // Progress in percent, brought into 0 .. 100 (a value that is not a
    // number gives 0).
    void setProgress(float percent);
    float progress() const { return progress_; }
    // Keeps at most kMaxTextBytes bytes of `text`.
    void setText(const String& text);
    const String& text() const { return text_; }
    void setReady(bool ready) { ready_ = ready; }
    bool isReady() const { return ready_; }

    // Draws the bar at the right of the back buffer from `top` down: a dark
    // panel, the text and the progress below it.
    void draw(DxRenderer& renderer, int top) const;

private:
    float progress_ = 0.0f;
    String text_;
    bool ready_ = true;
};
