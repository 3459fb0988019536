// The program's start-up and run: from the application directory to the end
// of the message loop.
#pragma once

#include "core/string.h"
#include "platform/window.h"

#include <memory>

class ApplicationMain;
class Dialogs;
class SystemCursor;

// Start-up up to the message loop:
//  1. parses "config.xml" of `settingsDirectory` (the application directory
//     when empty; missing: an empty tree, every setting at its default);
//  2. sizes the window: the screen size, replaced by "screenwidth" and
//     "screenheight" unless they are -1;
//  3. makes the ApplicationMain and runs init();
//  4. when init() succeeded: arrow pointer, the 2D mode ready, and the
//     start-up update check (when the setting is on and a server is
//     configured).
// Never null; isInitialised() tells whether init() succeeded. `window`,
// `dialogs` and `cursor` must outlive the application. The art comes from
// `applicationDirectory`; "config.xml", "log.log" and "temp.txt" live in
// `settingsDirectory`.
std::unique_ptr<ApplicationMain> startApplication(platform::Window& window, const String& applicationDirectory,
                                                  Dialogs& dialogs, SystemCursor& cursor,
                                                  const String& settingsDirectory = String());

// startApplication, the message loop with its shut-down, then the
// application is destroyed. Returns 0, or 1 when the window or renderer
// could not be made (the reason is in the log).
int runApplication(platform::Window& window, const String& applicationDirectory, Dialogs& dialogs,
                   SystemCursor& cursor);
