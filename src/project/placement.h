// Placing pictures by their viewing angles, as a photographer describes the
// shots: around a turntable at equal steps, or one direction per picture.
//
// The placements made here are exactly what the transformation mode stores
// when its sliders are dialled to the same angles from their initial
// values: translation 0, width and height 1, depth 1500, the field of view
// off at 1.5 (or set from the camera, see fieldOfViewRatio), the angles
// brought into the sliders' ranges (yaw and roll 0 .. 360, pitch
// -180 .. 180) and the displayed node's rotation derived from them.
//
// Angles are the clipping's own: yaw turns the viewing direction about the
// vertical axis; as it grows the camera goes round the object
// counter-clockwise seen from above (the object seems to turn clockwise).
// Pitch tilts the viewing direction: positive looks up, so a camera above
// the object looking down on it at E degrees has pitch -E. Roll turns the
// picture about its viewing axis.
#pragma once

#include "core/math3d.h"
#include "sculpt/clipping_projection.h"

#include <string>
#include <vector>

class ClippingTable;
class ImageList;

// One picture's direction, in the transformation mode's slider terms
// (degrees).
struct ViewAngles {
    float yaw = 0.0f;
    float pitch = 0.0f;
    float roll = 0.0f;
};

// The most degrees a camera may be raised above (or lowered below) the
// turntable's plane.
inline constexpr float kMaxElevation = 90.0f;

// The turntable: `count` pictures in the order taken, picture k (from 0)
// with yaw start + k * 360 / count (minus k * 360 / count when `clockwise`,
// the camera then going round clockwise seen from above), brought into
// 0 .. 360; pitch -elevation (the camera `elevation` degrees above the
// turntable's plane, looking down on the object); roll 0.
std::vector<ViewAngles> turntableViews(int count, float elevation, float start, bool clockwise);

// Reads "YAW,PITCH,ROLL;YAW,PITCH,ROLL;..." (blanks allowed around the
// numbers, one ';' may end the list). False, with a one-line reason in
// `error`, for anything else: a missing or extra number, a text that is not
// a number, a value that is not finite, an empty entry.
bool parseViews(const std::string& text, std::vector<ViewAngles>& views, std::string& error);

// A number of degrees for an option such as --elevation: the whole text must
// be a finite number within [low, high]. False, with a reason naming
// `option`, otherwise.
bool parseDegrees(const char* option, const std::string& text, float low, float high, float& out,
                  std::string& error);

// The angles brought into the sliders' ranges: yaw and roll into [0, 360),
// pitch into [-180, 180).
ViewAngles normalisedAngles(const ViewAngles& view);

// The displayed node's rotation (radians) that goes with the angles:
// x = (360 - yaw), y = (360 - roll), z = pitch (a negative pitch raised by
// 360 first), each times pi / 180.
D3DXVECTOR3 sceneRotationOf(const ViewAngles& view);

// The placement of a picture seen from `view` with the sliders otherwise at
// their initial values (see above). `view` is normalised first.
ClippingPlacement placementAt(const ViewAngles& view);

// The clipping's field-of-view ratio for a camera whose picture has
// tan(horizontal angle of view / 2) = `tanHalfWidth` over the picture's
// effective width of `pictureWidth` canvas pixels, for a slab of `depth`
// world units and `unitsPerPixel` horizontally: the silhouette then widens
// towards the far face of the slab as the camera's rays do,
// 1 + 2 * depth * tanHalfWidth / (pictureWidth * unitsPerPixel), clamped
// to the sliders' range 1 .. 15. Non-finite or non-positive input gives 1.
float fieldOfViewRatio(double tanHalfWidth, float pictureWidth, float depth, float unitsPerPixel);

// The field-of-view ratios' range (the "RatioX" and "RatioY" sliders).
inline constexpr float kMinFieldOfViewRatio = 1.0f;
inline constexpr float kMaxFieldOfViewRatio = 15.0f;

// What placing the pictures of a project needs beyond the angles.
struct CameraFieldOfView {
    // tan(horizontal angle of view / 2) of the picture; 0 when unknown.
    double tanHalfWidth = 0.0;
};

// Places the images of `images` (occupied slots in order) at `views` (one
// each; the counts must agree) through their clippings in `clippings`:
// each gets placementAt(view) but keeps its field of view (a property of
// the camera, not of where it stood) and its image-plane position; where
// `cameras` (empty, or one per image) knows the camera, the field of view is
// switched on and set by fieldOfViewRatio. Each is enabled and marked in the
// list as used for sculpting and texturing as its flags say. False,
// changing nothing, when the counts differ or an image has no clipping.
bool placeImages(ImageList& images, ClippingTable& clippings, const std::vector<ViewAngles>& views,
                 const std::vector<CameraFieldOfView>& cameras);

// Switches the field of view on for every image whose camera `cameras`
// (one per occupied slot, in order) knows, with the ratio of
// fieldOfViewRatio for its clipping's depth and pixel width; the rest of the
// placement and the flags are kept. False, changing nothing, when the counts
// differ or an image has no clipping.
bool applyCameraFieldsOfView(ImageList& images, ClippingTable& clippings, const std::vector<CameraFieldOfView>& cameras);
