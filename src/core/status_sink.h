// StatusSink: what a long operation shows while it runs: the status text, the
// progress value, the busy state and the frames drawn between steps. The
// modes implement it with their status bars, the command line with standard
// error, and tests record the calls. Every operation has an empty default.
#pragma once

#include "core/string.h"

class StatusSink {
public:
    virtual ~StatusSink() = default;
    // The status text beside the progress bar.
    virtual void setStatus(const String& text) { (void)text; }
    // Progress in percent, 0 to 100.
    virtual void setProgress(float percent) { (void)percent; }
    // true: the wait cursor is shown and the mode is not ready for input;
    // false: the arrow cursor is back and the mode is ready again.
    virtual void setBusy(bool busy) { (void)busy; }
    // One frame is drawn so that the status shows while the command runs.
    virtual void drawFrame() {}
    // A command was refused (nothing loaded or selected); the text goes to
    // the help text beside the pointer.
    virtual void refuse(const String& helpText) { (void)helpText; }
    // A modal dialog has closed: keys released meanwhile never arrived, so
    // the key table is cleared.
    virtual void clearKeyTable() {}
};
