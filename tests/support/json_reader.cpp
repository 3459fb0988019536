#include "support/json_reader.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testsupport {
namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    bool document(JsonValue& value) {
        if (!parse(value)) return false;
        skipSpace();
        return at_ == text_.size();
    }

private:
    void skipSpace() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    bool take(char c) {
        skipSpace();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool word(const char* literal) {
        const std::string wanted(literal);
        if (text_.compare(at_, wanted.size(), wanted) != 0) return false;
        at_ += wanted.size();
        return true;
    }
    bool string(std::string& out) {
        if (!take('"')) return false;
        while (at_ < text_.size() && text_[at_] != '"') {
            char c = text_[at_++];
            if (c == '\\' && at_ < text_.size()) {
                const char escaped = text_[at_++];
                switch (escaped) {
                case 'n': c = '\n'; break;
                case 't': c = '\t'; break;
                case 'r': c = '\r'; break;
                case 'u':
                    // Only the control characters the writer escapes.
                    if (at_ + 4 > text_.size()) return false;
                    c = static_cast<char>(std::strtol(text_.substr(at_, 4).c_str(), nullptr, 16));
                    at_ += 4;
                    break;
                default: c = escaped; break;
                }
            }
            out.push_back(c);
        }
        return take('"');
    }
    bool parse(JsonValue& value) {
        skipSpace();
        if (at_ >= text_.size()) return false;
        const char c = text_[at_];
        if (c == '{') {
            ++at_;
            value = JsonValue::object();
            if (take('}')) return true;
            do {
                std::string key;
                JsonValue member;
                if (!string(key) || !take(':') || !parse(member)) return false;
                value.set(key, std::move(member));
            } while (take(','));
            return take('}');
        }
        if (c == '[') {
            ++at_;
            value = JsonValue::array();
            if (take(']')) return true;
            do {
                JsonValue item;
                if (!parse(item)) return false;
                value.append(std::move(item));
            } while (take(','));
            return take(']');
        }
        if (c == '"') {
            std::string text;
            if (!string(text)) return false;
            value = JsonValue::string(text);
            return true;
        }
        if (word("true")) return value = JsonValue::boolean(true), true;
        if (word("false")) return value = JsonValue::boolean(false), true;
        if (word("null")) return value = JsonValue(), true;
        const char* start = text_.c_str() + at_;
        char* end = nullptr;
        const double number = std::strtod(start, &end);
        if (end == start) return false;
        at_ += static_cast<size_t>(end - start);
        value = JsonValue::number(number);
        return true;
    }

    const std::string& text_;
    size_t at_ = 0;
};

}  // namespace

bool parseJson(const std::string& text, JsonValue& value) {
    JsonValue parsed;
    if (!Reader(text).document(parsed)) {
        value = JsonValue();
        return false;
    }
    value = std::move(parsed);
    return true;
}

bool readJsonFile(const std::string& path, JsonValue& value) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::stringstream buffer;
    buffer << file.rdbuf();
    return parseJson(buffer.str(), value);
}

}  // namespace testsupport
