// Which addresses the window hands to the desktop's browser.
#pragma once

#include <string_view>

namespace platform {

// True for an address that starts with "http://" or "https://" (scheme in
// any case) and holds no control characters or spaces: only such addresses
// are opened, so that text from a file or a server can never make the
// desktop open a local file or start another program.
bool isWebAddress(std::string_view address);

}  // namespace platform
