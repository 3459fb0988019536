// The arithmetic of the 2D mode's image view: the screen rectangle the
// selected image's 512 by 512 canvas is drawn into, and how centring,
// panning, wheel zoom, drag zoom and the reach clamp move it. Plain
// functions on plain values, so the rules are tested without a screen.
//
// The mapping between the pointer and the canvas pixels is viewToPixel and
// pixelToView of image/masking_tools.h.
#pragma once

#include "image/masking_tools.h"

// The region some part of the picture must stay in, so that it can always be
// grabbed again.
struct ReachBounds {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
};

// Narrowest view the zoom leaves (in pixels of width).
inline constexpr float kLeastViewWidth = 128.0f;

// Left 40, right width − 40, top `titleBarHeight` + 30, bottom height − 30.
ReachBounds reachBounds(int backBufferWidth, int backBufferHeight, int titleBarHeight);

// The square of side height − 160 centred at (width / 2, height / 2 + 40).
ViewRect centredView(int backBufferWidth, int backBufferHeight);

// `view` scaled to newWidth × newHeight so that the point (x, y) keeps its
// place relative to the rectangle.
ViewRect zoomedAround(const ViewRect& view, float x, float y, float newWidth, float newHeight);

// One wheel notch with the pointer at (x, y): `step` > 0 grows the view (the
// picture comes nearer), < 0 shrinks it. With w the width truncated, every
// side moves by (w div 5) * 0.5; shrinking is refused while w is below 128.
// The pointer keeps its place. False (view unchanged) when refused or the
// view has no size.
bool zoomByWheel(ViewRect& view, float x, float y, int step);

// Drag zoom: the pointer moved `dy` pixels down (negative: up). Moving up
// grows the view by 1 % per pixel, moving down shrinks it; (x, y) keeps its
// place; afterwards a view narrower than 128 pixels grows back to 128 around
// its centre.
void zoomByDrag(ViewRect& view, float x, float y, float dy);

// Every edge moves by (dx, dy).
void panView(ViewRect& view, float dx, float dy);

// Keeps some of the picture within reach: the picture is the view without the
// canvas margins (its right edge right − width × marginRight / 512, its bottom
// bottom − height × marginBottom / 512). A picture whose right edge lies left
// of the left bound moves right by the whole-pixel difference; one whose left
// edge lies right of the right bound moves left; likewise for top and bottom.
// A view without size is left alone.
void clampView(ViewRect& view, const ReachBounds& bounds, int marginRight, int marginBottom);

// True when the rectangle has a positive width and height.
bool hasSize(const ViewRect& view);
