#include "image/mask_change.h"

#include <algorithm>

void MaskChangeNotifier::addListener(MaskChangeListener* listener) {
    if (listener == nullptr) return;
    if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) return;
    listeners_.push_back(listener);
}

void MaskChangeNotifier::removeListener(MaskChangeListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void MaskChangeNotifier::notify(Image& mask) const {
    // A listener may remove itself while being told; walk a copy.
    const std::vector<MaskChangeListener*> current = listeners_;
    for (MaskChangeListener* listener : current) listener->maskChanged(mask);
}

void MaskChangeNotifier::notifyArea(Image& mask, const MaskArea& area) const {
    for (MaskChangeListener* listener : std::vector<MaskChangeListener*>(listeners_)) listener->maskAreaChanged(mask, area);
}
