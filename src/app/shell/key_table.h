// The key table: which keys are held down, one byte per key code (1 = down),
// and how many are down. Shared with the GUI, which reads it for modifier
// keys.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Virtual-key codes the workspace itself reacts to.
inline constexpr int kKeyTab = 9;
inline constexpr int kKeyShift = 16;
inline constexpr int kKeyControl = 17;
inline constexpr int kKeyAlt = 18;
inline constexpr int kKeyN = 'N';

class KeyTable {
public:
    static constexpr int kSize = 256;

    // Letters a to z (97 to 122) are kept under the codes of A to Z; every
    // other code is returned as it is.
    static int fold(int key);

    // Marks the (folded) key down. True when it was up before; a key already
    // down, or a code outside 0 .. 255, changes nothing.
    bool press(int key);
    // Marks the (folded) key up. True when it was down before; the count
    // never goes below 0.
    bool release(int key);
    // True when the (folded) key is down.
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
