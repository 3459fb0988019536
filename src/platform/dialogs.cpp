#include "platform/dialogs.h"

ShownSystemCursor::ShownSystemCursor(SystemCursor& cursor) : cursor_(cursor) { cursor_.show(); }

ShownSystemCursor::~ShownSystemCursor() { cursor_.hide(); }
