// Border: the border file (maximum distance and the smoothing mode of every
// vertex slot) and copying that content from another border.
#include "image/border.h"

#include "core/file_io.h"
#include "core/logger.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace {

bool isSpace(unsigned char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f'; }

// Whitespace-separated tokens of a byte buffer; never reads past its end.
class Tokens {
public:
    Tokens(const unsigned char* bytes, std::size_t count) : bytes_(bytes), count_(bytes != nullptr ? count : 0) {}

    // The next token; false at the end of the buffer.
    bool next(std::string_view& token) {
        while (position_ < count_ && isSpace(bytes_[position_])) {
            ++position_;
        }
        if (position_ >= count_) {
            return false;
        }
        const std::size_t start = position_;
        while (position_ < count_ && !isSpace(bytes_[position_])) {
            ++position_;
        }
        token = std::string_view(reinterpret_cast<const char*>(bytes_ + start), position_ - start);
        return true;
    }

private:
    const unsigned char* bytes_;
    std::size_t count_;
    std::size_t position_ = 0;
};

// The whole token as a decimal integer (an optional '+' or '-' allowed).
bool parseInteger(std::string_view token, int& value) {
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
    }
    const char* end = token.data() + token.size();
    const auto result = std::from_chars(token.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

// The whole token as a finite number.
bool parseNumber(std::string_view token, float& value) {
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
    }
    const char* end = token.data() + token.size();
    const auto result = std::from_chars(token.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

void logDamage(const char* what) { Logger::instance().error("Border", what); }

}  // namespace

std::string Border::serialise() const {
    std::string out;
    out.reserve(static_cast<std::size_t>(kSlotCount) * 2 + kSlotsPerSide + 32);
    char number[32];
    std::snprintf(number, sizeof number, "%g ", static_cast<double>(maxDistance_));
    out += number;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const BorderVertex* v = slots_[static_cast<std::size_t>(slot)];
        if (v == nullptr) {
            out += "0 ";
        } else {
            out += "1 ";
            out += std::to_string(v->mode);
            out += ' ';
        }
        if (slot % kSlotsPerSide == kSlotsPerSide - 1) {
            out += '\n';
        }
    }
    return out;
}

bool Border::write(const String& path) const {
    const std::string content = serialise();
    if (!replaceFile(path, content.data(), static_cast<int>(content.size()))) {
        Logger::instance().error("Border", String("Could not write the border file ").append(path));
        return false;
    }
    return true;
}

bool Border::read(const String& path) {
    std::vector<unsigned char> bytes;
    if (!readFile(path, bytes)) {
        Logger::instance().error("Border", String("Could not read the border file ").append(path));
        emptySlots();
        rebuild();
        return false;
    }
    const bool complete = readFrom(bytes.data(), bytes.size());
    if (!complete) {
        Logger::instance().error("Border", String("The border file is damaged, its smoothing modes are kept only in part: ").append(path));
    }
    return complete;
}

bool Border::readFrom(const unsigned char* bytes, std::size_t count) {
    emptySlots();
    const bool complete = parseContent(bytes, count);
    rebuild();
    return complete;
}

// Reads the maximum distance and the slots in slot order. Reading stops at the
// first token that does not fit; the slots read before it are kept.
bool Border::parseContent(const unsigned char* bytes, std::size_t count) {
    Tokens tokens(bytes, count);
    std::string_view token;
    float distance = 0.0f;
    if (!tokens.next(token) || !parseNumber(token, distance)) {
        logDamage("Border file without a maximum distance");
        return false;
    }
    bool complete = true;
    if (distance >= 0.0f && distance <= kMaxMaxDistance) {
        maxDistance_ = distance;
    } else {
        logDamage("Border file with a maximum distance out of range; the current one is kept");
        complete = false;
    }
    for (int slot = 0; slot < kSlotCount; ++slot) {
        int flag = 0;
        if (!tokens.next(token) || !parseInteger(token, flag) || (flag != 0 && flag != 1)) {
            logDamage("Border file ends early or holds an unknown slot entry");
            return false;
        }
        if (flag == 0) {
            continue;
        }
        int mode = 0;
        if (!tokens.next(token) || !parseInteger(token, mode) || mode < kModeFree || mode > kModeFixed) {
            logDamage("Border file ends early or holds an unknown smoothing mode");
            return false;
        }
        makeVertex(slot)->mode = mode;
    }
    return complete;
}

void Border::copyFrom(const Border& source) {
    if (&source == this) {
        rebuild();
        return;
    }
    emptySlots();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const BorderVertex* v = source.slots_[static_cast<std::size_t>(slot)];
        if (v != nullptr) {
            makeVertex(slot)->mode = v->mode;
        }
    }
    maxDistance_ = source.maxDistance_;
    rebuild();
}

Border::Recipe Border::recipe() const {
    Recipe recipe;
    recipe.passes = passes_;
    recipe.maxDistance = maxDistance_;
    recipe.slotModes.assign(static_cast<std::size_t>(kSlotCount), -1);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const BorderVertex* v = slots_[static_cast<std::size_t>(slot)];
        if (v != nullptr) recipe.slotModes[static_cast<std::size_t>(slot)] = static_cast<signed char>(v->mode);
    }
    return recipe;
}

void Border::makeFromRecipe(Image* mask, const Recipe& recipe) {
    mask_ = mask;
    passes_ = std::clamp(recipe.passes, 0, kMaxPasses);
    maxDistance_ = recipe.maxDistance;
    tolerance_ = 0.01f;
    emptySlots();
    if (recipe.slotModes.size() == static_cast<std::size_t>(kSlotCount)) {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const signed char mode = recipe.slotModes[static_cast<std::size_t>(slot)];
            if (mode >= 0) makeVertex(slot)->mode = mode;
        }
    }
    rebuild();
}
