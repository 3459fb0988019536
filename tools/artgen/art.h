// The drawings behind every generated picture and model. Each function
// returns a finished picture (or mesh) of the size it is given; the look is
// shared through the palette below: a calm dark interface on a grey
// background of about (60, 60, 66), one blue accent, light line-art icons.
#pragma once

#include "raster.h"
#include "xfile.h"

namespace artgen {

// The look of a widget picture.
enum class WidgetState { Active, Over, Pressed, Disabled, Checked };

// The look of a pointer picture: plain, over a pressable element, pressed.
enum class CursorLook { Normal, Over, Pressed };

namespace palette {
inline constexpr Rgba kOutline = rgb(20, 20, 24);
inline constexpr Rgba kInk = rgb(226, 227, 233);
inline constexpr Rgba kAccent = rgb(86, 156, 214);
inline constexpr Rgba kAccentLight = rgb(150, 202, 248);
inline constexpr Rgba kAccentDeep = rgb(46, 104, 170);
inline constexpr Rgba kWarm = rgb(246, 188, 66);
inline constexpr Rgba kRed = rgb(214, 72, 66);
}  // namespace palette

// Multiplies the opacity of every pixel by `factor`.
void fadeCanvas(Canvas& canvas, float factor);

// ---- pointers (256 x 256; hot spots as the pointer table places them) ----
Canvas drawArrowCursor(CursorLook look);
Canvas drawWaitCursor();
Canvas drawMovingCursor(CursorLook look);
Canvas drawCrossCursor(CursorLook look);
Canvas drawLoopCursor(CursorLook look);
Canvas drawRotationCursor(CursorLook look);

// ---- widget faces ----
// A rounded button face filling `box` in the given state.
void drawButtonFace(Canvas& canvas, Box box, float radius, WidgetState state);
// Colour of icon lines on a button face in the given state.
Rgba inkFor(WidgetState state);

// Frame around image-list entries and behind slider tick labels.
Canvas drawFrameButton(int size, WidgetState state);
// Tab-like face behind captioned radio buttons.
Canvas drawCaptionFace(int width, int height, WidgetState state);
// The 2D and 3D mode radio buttons (states Active, Over, Pressed, Checked).
Canvas drawPictureRubric(int size, WidgetState state);
Canvas drawCubeRubric(int size, WidgetState state);
// A check box (Checked draws the tick).
Canvas drawCheckbox(int size, WidgetState state);
Canvas drawMenuCheckMark(int size);

enum class TitleIcon { Resize, Minimize, Maximize, Close };
Canvas drawTitleButton(int size, TitleIcon icon, WidgetState state);

// Keyboard hints for the gesture keys; `letter` is 'Q', 'W' or 'E'.
Canvas drawKeyHint(int size, char letter, WidgetState state);

enum class PointIcon { Translation, Scaling, Rotation, Snap, FovOrigin, FovCentre };
Canvas drawPointButton(int size, PointIcon icon, WidgetState state);

// ---- bars, panels and backgrounds ----
Canvas drawTitleBar(int width, int height);
Canvas drawWindowBack(int size);
Canvas drawProgressBack(int width, int height);
Canvas drawProgressFill(int width, int height);
Canvas drawSliderTrack(int width, int height, bool enabled);
Canvas drawSliderKnob(int size, WidgetState state);
Canvas drawMenuPanel(int size);
Canvas drawMenuBarBack(int size);
Canvas drawMenuHighlight(int size, bool pressed);
Canvas drawMenuLine(int width, int height);
Canvas drawHelpBackground(int size, WidgetState state);
Canvas drawFloorCell(int size);

// ---- markers ----
Canvas drawCentreMarker(int size);
Canvas drawSculptureMarker(int size);
Canvas drawTextureMarker(int size);

// ---- 3D markers and handles, in marker units (a translation arrow is 1
// long); the transformation mode scales them to the scene ----
Model buildCentreSphere();
// Axis 0, 1, 2 = x (depth), y (height), z (width).
Model buildTranslationArrow(int axis);
// Yaw ring around the y axis, red or green.
Model buildRotationArrow(bool red);
// Roll ring around the x (viewing) axis, inside the yaw ring.
Model buildImageRotationArrow(bool red);
// Scaling handle along axis 2 (width), 1 (height) or 0 (depth): a green
// grow handle, or the smaller red shrink handle.
Model buildScalingHandle(int axis, bool smaller);
// A plain direction arrow along +z.
Model buildPlainArrow();

}  // namespace artgen
