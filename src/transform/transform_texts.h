// The texts the transformation mode shows while placing an image: the
// status beside the pointer during and around a gesture, and the short
// readouts drawn beside the selected clipping's markers.
#pragma once

#include "core/string.h"
#include "sculpt/clipping_projection.h"
#include "transform/gestures.h"

#include <vector>

// printf into a String.
String formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The status of `placement` of image `imageNumber` in `rubric`: the first
// text of each pair while a gesture runs ("Translating image %d.\n..."),
// the second while the pointer only rests on the clipping ("Translate image
// %d.\n..."), each with "\nSnap key pressed." while SPACE is held. Width,
// height and depth are the scalings z, y and x.
String placementStatus(PlacementRubric rubric, bool gestureRunning, int imageNumber,
                       const ClippingPlacement& placement, bool snapHeld);

// "No field of view enabled for image %d."
String noFieldOfViewText(int imageNumber);

// The readouts beside the markers of `rubric`: "Translation x: %.2f y: %.2f
// z: %.2f"; "Width: %.2f", "Height: %.2f", "Depth: %.2f"; "Yaw: %.2f",
// "Pitch: %.2f", "Roll: %.2f"; "Ratio X: %.2f", "Ratio Y: %.2f".
std::vector<String> markerReadouts(PlacementRubric rubric, const ClippingPlacement& placement);
