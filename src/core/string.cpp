#include "core/string.h"

#include "core/logger.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// The storage of a moved-from string: a zero byte that is never written (every
// write goes through an index inside 0 .. length-1, and its length is 0).
char movedFromByte[1] = {0};

// The byte an out-of-range at() hands out: reads give what was last stored
// there, writes change no string.
char spareByte = 0;

char* allocate(int length) {
    char* data = new char[static_cast<size_t>(length) + 1];
    data[length] = 0;
    return data;
}

char* copyOf(const char* text, int length) {
    char* data = allocate(length);
    if (length > 0) std::memcpy(data, text, static_cast<size_t>(length));
    return data;
}

int clampLength(size_t length) {
    return length > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

}  // namespace

String::String() : length_(0), data_(allocate(0)) {}

String::String(const char* text) {
    if (!text) {
        length_ = 0;
        data_ = allocate(0);
        return;
    }
    length_ = clampLength(std::strlen(text));
    data_ = copyOf(text, length_);
}

String::String(int length, const char* text) {
    if (length < 0 || (length > 0 && !text)) {
        length_ = 0;
        data_ = allocate(0);
        Logger::instance().error(String("Error in String::String(int, const char*)"),
                                 String("Length < 0 || pText == null"));
        return;
    }
    length_ = length;
    data_ = copyOf(text, length);
}

String::String(const String& other) : length_(other.length_), data_(copyOf(other.data_, other.length_)) {}

String::String(String&& other) noexcept : length_(other.length_), data_(other.data_) {
    other.length_ = 0;
    other.data_ = movedFromByte;
}

String& String::operator=(const String& other) {
    if (this != &other) adopt(copyOf(other.data_, other.length_), other.length_);
    return *this;
}

String& String::operator=(String&& other) noexcept {
    if (this != &other) {
        std::swap(length_, other.length_);
        std::swap(data_, other.data_);
    }
    return *this;
}

String::~String() {
    if (data_ != movedFromByte) delete[] data_;
}

void String::adopt(char* data, int length) {
    if (data_ != movedFromByte) delete[] data_;
    data_ = data;
    length_ = length;
}

char& String::at(int index) {
    if (index < 0 || index >= length_) {
        std::fputs("End of string failure!\n", stdout);
        return spareByte;
    }
    return data_[index];
}

String& String::append(const String& other) {
    if (other.length_ == 0) return *this;
    // Guard the 32-bit length; such a string would not fit the data model.
    if (other.length_ > INT_MAX - length_) return *this;
    int length = length_ + other.length_;
    char* data = allocate(length);
    std::memcpy(data, data_, static_cast<size_t>(length_));
    std::memcpy(data + length_, other.data_, static_cast<size_t>(other.length_));
    adopt(data, length);
    return *this;
}

String& String::append(char byte) {
    if (length_ == INT_MAX) return *this;
    char* data = allocate(length_ + 1);
    std::memcpy(data, data_, static_cast<size_t>(length_));
    data[length_] = byte;
    adopt(data, length_ + 1);
    return *this;
}

String& String::append(int value) {
    char text[16];
    int n = std::snprintf(text, sizeof text, "%d", value);
    return append(String(n, text));
}

String& String::append(double value) {
    int n = std::snprintf(nullptr, 0, "%f", value);
    if (n <= 0) return *this;
    std::vector<char> text(static_cast<size_t>(n) + 1);
    std::snprintf(text.data(), text.size(), "%f", value);
    return append(String(n, text.data()));
}

bool String::equals(const String& other) const {
    return length_ == other.length_ && std::memcmp(data_, other.data_, static_cast<size_t>(length_)) == 0;
}

bool String::equals(const char* text) const {
    if (!text) return length_ == 0;
    size_t length = std::strlen(text);
    return static_cast<size_t>(length_) == length && std::memcmp(data_, text, length) == 0;
}

bool String::endsWith(const char* suffix) const {
    if (!suffix) return false;
    size_t m = std::strlen(suffix);
    if (m != 3 && m != 4) return false;
    if (static_cast<size_t>(length_) < m) return false;
    return std::memcmp(data_ + length_ - static_cast<int>(m), suffix, m) == 0;
}

int String::find(const String& pattern, int start) const {
    const int m = pattern.length_;
    if (m == 0 || start < 0) return -1;
    const unsigned char* text = reinterpret_cast<const unsigned char*>(data_);
    const unsigned char* pat = reinterpret_cast<const unsigned char*>(pattern.data_);

    // Bad-character table: m for bytes not in the pattern, otherwise the
    // distance of the byte's last occurrence from the pattern's end.
    int table[256];
    for (int& shift : table) shift = m;
    for (int j = 0; j < m; ++j) table[pat[j]] = m - 1 - j;

    // 64-bit index: start + m - 1 may pass INT_MAX.
    long long i = static_cast<long long>(start) + m - 1;
    int j = m - 1;
    for (;;) {
        if (i >= length_) return -1;
        if (text[i] == pat[j]) {
            if (j == 0) return static_cast<int>(i);
            --i;
            --j;
            continue;
        }
        int bad = table[text[i]];
        int good = m - j;
        i += bad > good ? bad : good;
        j = m - 1;
    }
}

void String::replaceAll(const String& fromRef, const String& toRef) {
    // Copies: either argument may be this string itself.
    const String from(fromRef);
    const String to(toRef);
    const int m = from.length_;
    if (m == 0) return;

    // The occurrences of the text as it was before the call, left to right.
    // Each search starts one byte after the previous occurrence began; an
    // occurrence that overlaps one already taken (its bytes are being
    // replaced) is not replaced again.
    std::vector<int> positions;
    int next = 0;  // first byte not covered by an occurrence taken so far
    for (int pos = find(from, 0); pos != -1; pos = find(from, pos + 1)) {
        if (pos < next) continue;
        positions.push_back(pos);
        next = pos + m;
    }
    if (positions.empty()) return;

    const int n = to.length_;
    if (n == m) {
        for (int pos : positions) std::memcpy(data_ + pos, to.data_, static_cast<size_t>(n));
        return;
    }

    long long length = static_cast<long long>(length_) + static_cast<long long>(positions.size()) * (n - m);
    if (length > INT_MAX) return;  // would not fit the 32-bit length
    // Shorter: the occurrences are overwritten and the rest moved left; longer:
    // a new text is built from the unchanged source. Both give the same bytes,
    // built here in one pass into a new exact-size array.
    char* data = allocate(static_cast<int>(length));
    char* out = data;
    int copied = 0;
    for (int pos : positions) {
        std::memcpy(out, data_ + copied, static_cast<size_t>(pos - copied));
        out += pos - copied;
        std::memcpy(out, to.data_, static_cast<size_t>(n));
        out += n;
        copied = pos + m;
    }
    std::memcpy(out, data_ + copied, static_cast<size_t>(length_ - copied));
    adopt(data, static_cast<int>(length));
}

bool operator==(const String& a, const String& b) { return a.equals(b); }
