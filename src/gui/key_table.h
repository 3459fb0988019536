// The key table: which keys are held down, one byte per key code (1 = down),
// and how many are down. Shared with the GUI, which reads it for modifier
// keys.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Virtual-key codes the workspace and the modes react to (letters are their
// upper-case character codes, digits '0' to '9').
inline constexpr int kKeyBack = 8;
inline constexpr int kKeyTab = 9;
inline constexpr int kKeyReturn = 13;
inline constexpr int kKeyShift = 16;
inline constexpr int kKeyControl = 17;
inline constexpr int kKeyAlt = 18;
inline constexpr int kKeyEscape = 27;
inline constexpr int kKeySpace = 32;
inline constexpr int kKeyLeft = 37;
inline constexpr int kKeyUp = 38;
inline constexpr int kKeyRight = 39;
inline constexpr int kKeyDown = 40;
inline constexpr int kKeyDelete = 46;
inline constexpr int kKeyN = 'N';
inline constexpr int kKeyF1 = 112;
inline constexpr int kKeyF2 = 113;
inline constexpr int kKeyF3 = 114;
inline constexpr int kKeyF4 = 115;
inline constexpr int kKeyF5 = 116;

class KeyTable {
public:
    static constexpr int kSize = 256;

    // Keys are virtual-key codes as the window reports them. Codes 97 to 122
    // are the number pad and F1 to F11 there, not lower-case letters, so
    // they are kept as they are (letters always arrive upper case).

    // Marks the key down. True when it was up before; a key already down, or
    // a code outside 0 .. 255, changes nothing.
    bool press(int key);
    // Marks the key up. True when it was down before; the count never goes
    // below 0.
    bool release(int key);
    // True when the key is down.
    bool isDown(int key) const;
    // Number of keys down.
    int count() const { return count_; }
    // The codes down, in ascending order.
    std::vector<int> heldKeys() const;
    // Every key up, count 0.
    void markAllUp();
    const std::array<uint8_t, kSize>& bytes() const { return keys_; }

private:
    static bool inRange(int key) { return key >= 0 && key < kSize; }

    std::array<uint8_t, kSize> keys_{};
    int count_ = 0;
};
