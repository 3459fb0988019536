#include "app/shell/key_table.h"

int KeyTable::fold(int key) { return key >= 'a' && key <= 'z' ? key - ('a' - 'A') : key; }

bool KeyTable::press(int key) {
    key = fold(key);
    if (!inRange(key) || keys_[key] != 0) return false;
    keys_[key] = 1;
    ++count_;
    return true;
}

bool KeyTable::release(int key) {
    key = fold(key);
    if (!inRange(key) || keys_[key] == 0) return false;
    keys_[key] = 0;
    if (count_ > 0) --count_;
    return true;
}

bool KeyTable::isDown(int key) const {
    key = fold(key);
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
