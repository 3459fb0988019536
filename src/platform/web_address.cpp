#include "platform/web_address.h"

#include <cctype>

namespace platform {

namespace {

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

}  // namespace

bool isWebAddress(std::string_view address) {
    std::string_view rest;
    if (startsWithIgnoringCase(address, "https://"))
        rest = address.substr(8);
    else if (startsWithIgnoringCase(address, "http://"))
        rest = address.substr(7);
    else
        return false;
    if (rest.empty()) return false;
    for (char c : rest)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
    return true;
}

}  // namespace platform
