// UpdateHost: what the update check needs from the application window and
// its active mode, beside the dialogs and the system cursor. The application
// implements it; tests record the calls.
#pragma once

#include "core/string.h"

class UpdateHost {
public:
    virtual ~UpdateHost() = default;

    // Clears the help text and help state of the GUI.
    virtual void clearHelpState() = 0;

    // Puts the active mode into its busy state: progress 0, wait cursor
    // (kind 7), ready flag cleared, `statusText` in the status bar, and draws
    // one frame so that the user sees it before the work starts.
    virtual void beginWait(const String& statusText) = 0;

    // Leaves the busy state: arrow cursor (kind 0) and ready flag set.
    virtual void endWait() = 0;

    // Forgets every key held down (a dialog swallowed their releases).
    virtual void clearKeyTable() = 0;

    // Releases the mouse capture of the program's window.
    virtual void releaseCapture() = 0;

    // Minimises the program's window.
    virtual void minimiseWindow() = 0;

    // Opens `address` with the desktop's default handler (the web browser for
    // an http address). False when it could not be handed over.
    virtual bool openUrl(const String& address) = 0;
};
