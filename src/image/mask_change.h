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

class MaskChangeListener {
public:
    virtual ~MaskChangeListener() = default;
    // The pixels of `mask` may have changed. The mask is identified by its
    // address; the owner finds its image entry from it.
    virtual void maskChanged(Image& /*mask*/) {}
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

private:
    std::vector<MaskChangeListener*> listeners_;
};
