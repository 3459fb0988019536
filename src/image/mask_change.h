// Telling the rest of the program that a mask changed.
//
// The mask tools and the mask undo work on plain images; whoever owns the
// masks (the image entries with their textures, borders and clippings)
// listens here and does the follow-up work for the mask that changed:
// refresh the mask texture's alpha, mark the border for rebuilding and tell
// the image's clipping that the image changed.
#pragma once

#include <vector>

class Image;

// The pixels a change touched: columns left .. right - 1, rows top ..
// bottom - 1.
struct MaskArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class MaskChangeListener {
public:
    virtual ~MaskChangeListener() = default;
    // The pixels of `mask` may have changed. The mask is identified by its
    // address; the owner finds its image entry from it.
    virtual void maskChanged(Image& /*mask*/) {}
    // Only the pixels inside `area` may have changed (a brush stroke). Here:
    // maskChanged.
    virtual void maskAreaChanged(Image& mask, const MaskArea& /*area*/) { maskChanged(mask); }
};

// The listeners of the mask tools and the mask undo, called in the order they
// were added. The notifier does not own them.
class MaskChangeNotifier {
public:
    // Adds a listener; a null one or one already present is ignored.
    void addListener(MaskChangeListener* listener);
    // Removes a listener; unknown ones are ignored.
    void removeListener(MaskChangeListener* listener);
    // Calls maskChanged(mask) on every listener.
    void notify(Image& mask) const;
    // Calls maskAreaChanged(mask, area) on every listener.
    void notifyArea(Image& mask, const MaskArea& area) const;

private:
    std::vector<MaskChangeListener*> listeners_;
};
