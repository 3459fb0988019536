// One page showing all generated art, for judging the look at a glance.
#pragma once

#include "manifest.h"

#include <string>
#include <vector>

namespace artgen {

// Draws the page: every picture fitted into a cell, then every picture at
// the size it is shown on screen (pointers also over a light patch), then
// a shaded view of every model. Writes it as PNG to `pngPath` and, beside
// it with the extension ".txt", a legend naming the cells in order.
// On failure returns false and sets `error`.
bool writeContactSheet(const std::vector<ArtEntry>& entries, const std::string& pngPath, std::string& error);

// A shaded view of a model from above and to the side, `size` pixels square.
Canvas renderModelPreview(const Model& model, int size);

}  // namespace artgen
