// Numbers read from the text of project file elements and attributes, as
// atoi and atof read them, but refusing what only a damaged file holds.
#pragma once

#include "core/string.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace projectfile {

// An integer as atoi reads it (leading blanks, a sign, digits, the rest
// ignored); false for a text without digits or out of range.
inline bool readInteger(const String& value, int& out) {
    const char* start = value.text();
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(start, &end, 10);
    if (end == start || errno == ERANGE || number < INT_MIN || number > INT_MAX) return false;
    out = static_cast<int>(number);
    return true;
}

// A number as atof reads it; false for a text without a number and for
// values that are not finite as a float.
inline bool readFloat(const String& value, float& out) {
    const char* start = value.text();
    char* end = nullptr;
    const double number = std::strtod(start, &end);
    if (end == start || !std::isfinite(number) || std::fabs(number) > 3.0e38) return false;
    out = static_cast<float>(number);
    return true;
}

}  // namespace projectfile
