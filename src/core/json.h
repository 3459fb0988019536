// JsonValue: a small JSON document built in memory and written out as text,
// for snapshots other programs read (the script command `state`). Objects keep
// their keys in the order they were first set.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

class JsonValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    // null.
    JsonValue() = default;
    static JsonValue boolean(bool value);
    // A number that is not finite is written as null.
    static JsonValue number(double value);
    static JsonValue string(std::string text);
    static JsonValue array();
    static JsonValue object();

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool asBool() const { return bool_; }
    double asNumber() const { return number_; }
    const std::string& asString() const { return text_; }

    // --- objects (a value of another kind becomes an empty object first)
    // Sets `key` to `value`, replacing an earlier value of the key in its
    // place; returns the stored value.
    JsonValue& set(const std::string& key, JsonValue value);
    // The value of `key`; null when the object has no such key.
    JsonValue* find(const std::string& key);
    const JsonValue* find(const std::string& key) const;
    const std::vector<std::pair<std::string, JsonValue>>& members() const { return members_; }

    // --- arrays (a value of another kind becomes an empty array first)
    JsonValue& append(JsonValue value);
    std::size_t size() const { return kind_ == Kind::Array ? items_.size() : members_.size(); }
    // Item `index` of an array; null when out of range.
    JsonValue* item(std::size_t index);
    const JsonValue* item(std::size_t index) const;

    // The text, indented by `indent` spaces per level (0: one line).
    std::string serialise(int indent = 2) const;

private:
    void write(std::string& out, int indent, int depth) const;

    Kind kind_ = Kind::Null;
    bool bool_ = false;
    double number_ = 0.0;
    std::string text_;
    std::vector<JsonValue> items_;
    std::vector<std::pair<std::string, JsonValue>> members_;
};

// `text` as a JSON string literal, quotes included; control characters,
// quotes and backslashes escaped, and bytes that are not well-formed UTF-8
// replaced by U+FFFD.
std::string jsonQuoted(const std::string& text);
