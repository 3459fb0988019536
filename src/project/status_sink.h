// What the file commands need of the user interface besides the status they
// show (core/status_sink.h): the dialogs and the system cursor.
#pragma once

#include "core/status_sink.h"

class Dialogs;
class SystemCursor;

// The user interface a file command works through.
struct CommandUi {
    Dialogs& dialogs;
    // Shown while each dialog is open (the program draws its own cursor).
    SystemCursor& cursor;
    StatusSink& status;
};
