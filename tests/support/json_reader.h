// Reading the JSON the program writes (the script command `state`) back into
// a JsonValue, for tests that check a snapshot.
#pragma once

#include "core/json.h"

#include <string>

namespace testsupport {

// Parses `text`; false (with `value` left null) when it is no JSON document.
bool parseJson(const std::string& text, JsonValue& value);
// Reads and parses the file at `path`; false when it cannot.
bool readJsonFile(const std::string& path, JsonValue& value);

}  // namespace testsupport
