#include "gui/key_table.h"

bool KeyTable::press(int key) {
    if (!inRange(key) || keys_[key] != 0) return false;
    keys_[key] = 1;
    ++count_;
    return true;
}

bool KeyTable::release(int key) {
    if (!inRange(key) || keys_[key] == 0) return false;
    keys_[key] = 0;
    if (count_ > 0) --count_;
    return true;
}

bool KeyTable::isDown(int key) const {
    return inRange(key) && keys_[key] != 0;
}

std::vector<int> KeyTable::heldKeys() const {
    std::vector<int> held;
    for (int key = 0; key < kSize; ++key)
        if (keys_[key] != 0) held.push_back(key);
    return held;
}

void KeyTable::markAllUp() {
    keys_.fill(0);
    count_ = 0;
}
