// String: the program's own byte string. Exact-size, zero-terminated storage;
// bytes are not interpreted; every comparison is byte-wise and case-sensitive.
// Used for file names, paths, XML names and texts and log lines.
#pragma once

#include <string>
#include <string_view>

class String {
public:
    // The empty string (owns a single zero byte).
    String();
    // Copies a zero-terminated text; a null text gives the empty string.
    String(const char* text);
    // Copies exactly `length` bytes of `text` and terminates them. A negative
    // length, or a positive length with a null text, logs an error and gives
    // the empty string. Length 0 gives the empty string.
    String(int length, const char* text);
    String(const String& other);
    String(String&& other) noexcept;
    String& operator=(const String& other);
    String& operator=(String&& other) noexcept;
    ~String();

    // Number of bytes before the terminating zero.
    int length() const { return length_; }
    // The zero-terminated bytes; valid until the string changes.
    const char* text() const { return data_; }
    std::string_view view() const { return std::string_view(data_, static_cast<size_t>(length_)); }
    std::string str() const { return std::string(data_, static_cast<size_t>(length_)); }

    // Reference to the byte at `index`. Outside 0 .. length-1 it prints
    // "End of string failure!" on standard output and returns a reference to a
    // shared spare byte: reads give what was last stored there, writes change
    // no string.
    char& at(int index);

    // Each append returns the string itself; the length grows by exactly the
    // number of bytes appended.
    String& append(const String& other);
    String& append(char byte);
    String& append(int value);      // "%d"
    String& append(double value);   // "%f" (six decimals)

    // True if the lengths and all bytes are equal.
    bool equals(const String& other) const;
    bool equals(const char* text) const;

    // Only suffixes of exactly 3 or 4 bytes are supported; any other length,
    // or a string shorter than the suffix, gives false.
    bool endsWith(const char* suffix) const;

    // Index of the first occurrence of `pattern` beginning at or after
    // `start`, or -1 (Boyer-Moore, bad-character rule). An empty pattern or a
    // negative start gives -1.
    int find(const String& pattern, int start) const;

    // Replaces the occurrences of `from` (as they were before the call) by
    // `to`, left to right. An inserted `to` is never searched again.
    void replaceAll(const String& from, const String& to);

private:
    void adopt(char* data, int length);

    int length_ = 0;
    char* data_ = nullptr;
};

bool operator==(const String& a, const String& b);
