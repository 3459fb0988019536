// The render list: drawable entries that scene nodes hand over during
// `collect`, drawn afterwards in the order they were added.
#pragma once

#include <vector>

// One thing to draw. Entries are owned by the scene node that hands them out.
class Drawable {
public:
    virtual ~Drawable() = default;
    // Draws the entry on its node's device.
    virtual void draw() = 0;
};

class RenderList {
public:
    // Appends `entry` (not owned; it must outlive the next clear()).
    void add(Drawable* entry) { entries_.push_back(entry); }
    // Draws every entry in order.
    void drawAll() const;
    // Forgets every entry.
    void clear() { entries_.clear(); }
    int size() const { return static_cast<int>(entries_.size()); }
    const std::vector<Drawable*>& entries() const { return entries_; }

private:
    std::vector<Drawable*> entries_;
};
