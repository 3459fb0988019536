// The pointer dial of the gestures and the angle rules of the placement.
//
// While a gesture key is held, the pointer circling the selected clipping's
// centre on screen turns a virtual dial: the pointer's angle around the
// projected centre, and the signed change of that angle between two moves.
#pragma once

#include "core/math3d.h"

// The angle of `pointer` around `centre` on screen, in degrees in [0, 360):
// measured from the centre's left side and growing clockwise on screen
// (left 0, up 90, right 180, down 270; screen y grows downward). A pointer
// exactly on the centre gives 0; non-finite input gives 0.
float pointerAngle(const D3DXVECTOR2& centre, const D3DXVECTOR2& pointer);

// now - last brought into [-180, 180]: a change above 180 becomes
// -(360 - change), one below -180 gets 360 added.
float dialDelta(float last, float now);

// A yaw or roll brought into [0, 360] by adding or subtracting 360.
float wrapTurnAngle(float degrees);
// A pitch brought into [-180, 180] the same way.
float wrapPitchAngle(float degrees);

// The multiple of 45 degrees nearest to `degrees` (each multiple catches
// +-22.5 degrees around it).
float snapToEighth(float degrees);
