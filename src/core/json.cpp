#include "core/json.h"

#include <cmath>
#include <cstdio>

JsonValue JsonValue::boolean(bool value) {
    JsonValue v;
    v.kind_ = Kind::Bool;
    v.bool_ = value;
    return v;
}

JsonValue JsonValue::number(double value) {
    JsonValue v;
    if (!std::isfinite(value)) return v;
    v.kind_ = Kind::Number;
    v.number_ = value;
    return v;
}

JsonValue JsonValue::string(std::string text) {
    JsonValue v;
    v.kind_ = Kind::String;
    v.text_ = std::move(text);
    return v;
}

JsonValue JsonValue::array() {
    JsonValue v;
    v.kind_ = Kind::Array;
    return v;
}

JsonValue JsonValue::object() {
    JsonValue v;
    v.kind_ = Kind::Object;
    return v;
}

JsonValue& JsonValue::set(const std::string& key, JsonValue value) {
    if (kind_ != Kind::Object) *this = object();
    for (auto& member : members_) {
        if (member.first == key) {
            member.second = std::move(value);
            return member.second;
        }
    }
    members_.emplace_back(key, std::move(value));
    return members_.back().second;
}

JsonValue* JsonValue::find(const std::string& key) {
    for (auto& member : members_)
        if (member.first == key) return &member.second;
    return nullptr;
}

const JsonValue* JsonValue::find(const std::string& key) const {
    for (const auto& member : members_)
        if (member.first == key) return &member.second;
    return nullptr;
}

JsonValue& JsonValue::append(JsonValue value) {
    if (kind_ != Kind::Array) *this = array();
    items_.push_back(std::move(value));
    return items_.back();
}

JsonValue* JsonValue::item(std::size_t index) {
    return kind_ == Kind::Array && index < items_.size() ? &items_[index] : nullptr;
}

const JsonValue* JsonValue::item(std::size_t index) const {
    return kind_ == Kind::Array && index < items_.size() ? &items_[index] : nullptr;
}

namespace {

// The length of the well-formed UTF-8 sequence starting at `at`, 0 when the
// bytes there are not one (stray continuation bytes, overlong forms,
// surrogates, values beyond U+10FFFF, truncated sequences).
std::size_t utf8SequenceAt(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) return 0;
    }
    return length;
}

}  // namespace

std::string jsonQuoted(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // JSON text is UTF-8: bytes that are not (a file name in another
            // encoding) become U+FFFD instead of breaking the document.
            const std::size_t length = utf8SequenceAt(text, i);
            out += length > 0 ? text.substr(i, length) : std::string("\xEF\xBF\xBD");
            i += length > 0 ? length : 1;
            continue;
        }
        ++i;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char code[8];
                    std::snprintf(code, sizeof code, "\\u%04x", c);
                    out += code;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
    return out;
}

namespace {

std::string numberText(double value) {
    // Whole numbers without a fraction; others with enough digits to read
    // back the same float.
    if (std::fabs(value) < 1e15 && value == std::floor(value)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.0f", value);
        return text;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

void newline(std::string& out, int indent, int depth) {
    if (indent <= 0) return;
    out += '\n';
    out.append(static_cast<std::size_t>(indent * depth), ' ');
}

}  // namespace

void JsonValue::write(std::string& out, int indent, int depth) const {
    switch (kind_) {
        case Kind::Null: out += "null"; return;
        case Kind::Bool: out += bool_ ? "true" : "false"; return;
        case Kind::Number: out += numberText(number_); return;
        case Kind::String: out += jsonQuoted(text_); return;
        case Kind::Array: {
            if (items_.empty()) {
                out += "[]";
                return;
            }
            out += '[';
            for (std::size_t i = 0; i < items_.size(); ++i) {
                if (i > 0) out += ',';
                newline(out, indent, depth + 1);
                items_[i].write(out, indent, depth + 1);
            }
            newline(out, indent, depth);
            out += ']';
            return;
        }
        case Kind::Object: {
            if (members_.empty()) {
                out += "{}";
                return;
            }
            out += '{';
            for (std::size_t i = 0; i < members_.size(); ++i) {
                if (i > 0) out += ',';
                newline(out, indent, depth + 1);
                out += jsonQuoted(members_[i].first);
                out += indent > 0 ? ": " : ":";
                members_[i].second.write(out, indent, depth + 1);
            }
            newline(out, indent, depth);
            out += '}';
            return;
        }
    }
}

std::string JsonValue::serialise(int indent) const {
    std::string out;
    write(out, indent, 0);
    return out;
}
