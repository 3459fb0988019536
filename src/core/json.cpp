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

std::string jsonQuoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
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
