// Rubric: one of the three tool sets of the 2D mode ("Image", "Mask",
// "Border"). The mode owns the view, the image list and the selection; the
// active rubric shows its panel, receives the pointer and key events the
// mode does not use itself, and draws its marks over the picture.
#pragma once

#include "core/string.h"
#include "image/masking_tools.h"
#include "platform/input_identifiers.h"

class DxRenderer;
class GuiContainer;

class Rubric {
public:
    virtual ~Rubric() = default;

    // The radio button's label, also the rubric's name in `state`.
    virtual const char* label() const = 0;
    // The panel of controls shown while the rubric is active.
    virtual GuiContainer& panel() = 0;

    // The rubric becomes active: its panel is brought up to date (and, for
    // rubrics that need it, the borders of the images).
    virtual void enter() = 0;
    // Another rubric becomes active or the mode is left: a drag in progress
    // ends where it is.
    virtual void leave() {}
    // The selected image, the list or an image's content changed: enabled
    // states and texts follow.
    virtual void refresh() = 0;

    // Keys by virtual-key code; true when the rubric used the key.
    virtual bool keyDown(int key) { (void)key; return false; }
    virtual bool keyUp(int key) { (void)key; return false; }
    // A press on the view (no widget under it), in back-buffer pixels; true
    // when a tool of the rubric took it.
    virtual bool mouseDown(InputIdentifier button, float x, float y) { (void)button, (void)x, (void)y; return false; }
    virtual void mouseMove(float x, float y) { (void)x, (void)y; }
    virtual void mouseUp(InputIdentifier button, float x, float y) { (void)button, (void)x, (void)y; }
    // ESC: ends the drag or gesture in progress and puts back what it
    // changed. True when there was one.
    virtual bool cancelGesture() { return false; }
    // A drag of the rubric is in progress (the view does not zoom meanwhile).
    virtual bool isBusy() const { return false; }
    // The point a tool shows (the brush centre, a line's start), which the
    // drag zoom keeps in place; false when the rubric shows none.
    virtual bool toolPoint(float& x, float& y) const { (void)x, (void)y; return false; }

    // Draws the rubric's marks over the picture shown in `view` (inside the
    // sprite batch).
    virtual void drawOverlay(DxRenderer& renderer, const ViewRect& view) { (void)renderer, (void)view; }
};
