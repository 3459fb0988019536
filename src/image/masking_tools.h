// The mask editing tools as plain functions on a working copy and its mask.
//
// Nothing here knows about screens, widgets or the image list: every tool
// takes the images it works on and the settings it needs. The session class
// in image/masking_session.h strings them together with undo, parallel
// masking and change notification.
//
// Writable region. With W = width - marginRight and H = height - marginBottom
// (the effective picture), tools only ever write columns 1 .. W - 2 and rows
// 1 .. H - 2, so the one-pixel frame of the effective picture and all
// margins stay unset and every region of set pixels is enclosed by unset ones.
//
// Mask values. Adding writes the grey (v, v, v), v the mask transparency
// truncated to an integer (1 to 255); removing writes (0, 0, 0).
#pragma once

#include "core/string.h"
#include "image/image.h"

#include <cstdint>
#include <vector>

// --- settings -------------------------------------------------------------------

enum class MaskOperation { Add, Remove };
// Brush shapes; the numbers are the ones stored for the brush type. Any other
// value draws nothing.
enum class BrushType : int { Circle = 0, Square = 2 };
enum class FillBasis { Image, Mask };
enum class LineMode { OneLine, MultipleLines };
enum class RectangleFilling { BorderOnly, Inside };
enum class ThresholdSide { Smaller, Bigger };

// The settings of the mask rubric's controls, with their initial values.
struct MaskToolSettings {
    static constexpr float kMinTransparency = 1.0f;
    static constexpr float kMaxTransparency = 255.0f;
    static constexpr int kMinBrushSize = 1;
    static constexpr int kMaxBrushSize = 100;
    static constexpr int kMaxFillTolerance = 255;
    static constexpr int kMaxNeighbours = 8;
    static constexpr int kMaxThreshold = 255;
    // Step between stamps along a brush stroke and along a drawn line.
    static constexpr float kBrushStrokeStep = 0.9f;
    static constexpr float kLineStep = 0.05f;

    float transparency = 192.0f;  // "Mask transparency:", 1 to 255
    MaskOperation operation = MaskOperation::Add;  // brush, line, rectangle, fill, grow
    BrushType brushType = BrushType::Circle;
    int brushSize = 50;  // "Brushsize:", 1 to 100
    FillBasis fillBasis = FillBasis::Image;
    int fillTolerance = 35;  // "Filltolerance:", 0 to 255
    LineMode lineMode = LineMode::OneLine;
    RectangleFilling rectangleFilling = RectangleFilling::BorderOnly;
    int neighbours = 1;  // "Neighbours:", 0 to 8
    MaskOperation thresholdOperation = MaskOperation::Add;
    ThresholdSide thresholdSide = ThresholdSide::Smaller;
    int redThreshold = 128;    // "Red:", 0 to 255
    int greenThreshold = 128;  // "Green:", 0 to 255
    int blueThreshold = 128;   // "Blue:", 0 to 255
    bool pipette = false;
    bool parallelMasking = false;
};

// The grey every adding tool writes: (v, v, v) with v the transparency
// truncated and kept within 1 .. 255.
Rgb maskValueColour(float transparency);
// The drawing colour: maskValueColour(transparency) for Add, black for Remove.
Rgb drawingColour(MaskOperation operation, float transparency);

// --- regions ----------------------------------------------------------------------

// A box of pixels, bounds included. Empty when left > right or top > bottom.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;

    bool empty() const { return left > right || top > bottom; }
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// W = width - marginRight and H = height - marginBottom, kept within
// 0 .. width and 0 .. height (0 for an invalid image).
int effectiveWidth(const Image& image);
int effectiveHeight(const Image& image);
// Columns 1 .. W - 2 and rows 1 .. H - 2; empty when W or H is below 3.
PixelBox writableBox(const Image& image);
// The pixels inside the image's `area` (left <= x < right, top <= y < bottom),
// limited to the pixel buffer.
PixelBox areaBox(const Image& image);
// Clamps each bound of `requested` into the writable box: a bound at or below
// 0 becomes 1, one at or beyond W - 1 (H - 1) becomes W - 2 (H - 2). A
// request that does not reach the effective picture at all gives an empty box
// (nothing is drawn at the edge for a brush that is wholly off the picture).
PixelBox clampToWritable(const Image& image, PixelBox requested);
// The intersection of two boxes.
PixelBox intersect(const PixelBox& a, const PixelBox& b);

// --- brush ------------------------------------------------------------------------

// The pixels under a brush of size s centred at (cx, cy): the box
// cx - s div 2 .. cx + s div 2 (and likewise in y) clamped with
// clampToWritable; a square covers the whole box, a circle the pixels whose
// distance to the centre is at most s div 2. Other types cover nothing.
struct BrushFootprint {
    PixelBox box;
    int centreX = 0;
    int centreY = 0;
    int radius = 0;
    BrushType type = BrushType::Circle;

    // Columns [first, last] of row y that the brush covers; false when none.
    bool rowSpan(int y, int& first, int& last) const;
    bool covers(int x, int y) const;
};

BrushFootprint brushFootprint(const Image& mask, int cx, int cy, int size, BrushType type);

// Writes `colour` into every mask pixel under the brush.
void stampBrush(Image& mask, int cx, int cy, int size, BrushType type, Rgb colour);

// The positions a line stamp visits from (x0, y0) to (x1, y1) with step d:
// both end points, then for u = 0, d, 2d, ... while u <= len (the distance
// between them) the point at u along the line, truncated to integers. A zero
// length gives only the end points; a step that is not positive is treated
// as 1 so the walk always ends.
struct PixelPosition {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPosition&) const = default;
};
std::vector<PixelPosition> linePositions(int x0, int y0, int x1, int y1, float step);

// Stamps the brush at every position of linePositions.
void stampLine(Image& mask, int x0, int y0, int x1, int y1, float step, int size, BrushType type, Rgb colour);

// --- rectangle ------------------------------------------------------------------

// Rectangle with corners (x0, y0) and (x1, y1) in any order: the ordered
// corners are clamped with clampToWritable, then every pixel between them
// (bounds included) that lies inside the image's `area` gets `colour`; with
// BorderOnly only the pixels on the four sides.
void drawRectangle(Image& mask, int x0, int y0, int x1, int y1, RectangleFilling filling, Rgb colour);

// --- flood fill -----------------------------------------------------------------

// Flood fill from the seed (sx, sy), 4-neighbour (diagonals do not join).
// With FillBasis::Image the working copy is flooded: a pixel joins when each
// of its red, green and blue values lies within the seed's value plus or
// minus `tolerance` (bounds included). With FillBasis::Mask the mask itself is
// flooded: a pixel joins when it is set exactly when the seed is set
// (`tolerance` is not used). Only pixels inside the mask's `area` are
// reached; the drawing colour is written at every reached pixel of the
// writable region. A seed outside the pixel buffer, an invalid image or a
// working copy of another size than the mask does nothing. Returns the number
// of mask pixels written.
int floodFill(const Image& workingCopy, Image& mask, int sx, int sy, FillBasis basis, int tolerance, Rgb colour);

// --- thresholds and pipette ---------------------------------------------------------

struct ThresholdRule {
    int red = 128;
    int green = 128;
    int blue = 128;
    ThresholdSide side = ThresholdSide::Smaller;
};

// Smaller: r <= R, g <= G and b <= B. Bigger: r >= R, g >= G and b >= B.
bool passesThreshold(Rgb colour, const ThresholdRule& rule);
// Every pixel of the writable region whose working-copy colour passes the rule
// gets `colour` in the mask; the others are left as they are. Nothing happens
// when the working copy and the mask differ in size.
void applyGlobalThreshold(const Image& workingCopy, Image& mask, const ThresholdRule& rule, Rgb colour);
// As the global threshold, for the pixels under the brush that also lie inside
// the mask's `area`.
void applyThresholdUnderBrush(const Image& workingCopy, Image& mask, int cx, int cy, int size, BrushType type,
                              const ThresholdRule& rule, Rgb colour);
// The working copy's colour at (x, y) (black outside), for the pipette.
Rgb pipetteColour(const Image& workingCopy, int x, int y);

// --- growing and shrinking -------------------------------------------------------------

// With N the neighbours setting and n the number of set pixels among the
// eight neighbours: growing (Add) sets an unset pixel to `value` when n >= N;
// shrinking (Remove) clears a set pixel when n <= N and n < 8.
//
// Global: one pass over 1 <= x < right - 1, 1 <= y < bottom - 1 of the mask's
// `area` (and the writable region); every decision reads the mask as it was
// before the pass.
void growShrinkGlobal(Image& mask, MaskOperation operation, int neighbours, Rgb value);

// Local growing or shrinking during one stroke. At the start the mask is
// copied and no pixel is decided; every stamp decides the not yet decided
// pixels under the brush (inside the `area`) against the copy, so one stroke
// decides each pixel once. Growing counts a neighbour only when its column lies
// in box.left .. box.right - 1 and its row in box.top .. box.bottom - 1 of the
// stamp's clamped box; shrinking counts all eight.
class LocalGrowStroke {
public:
    // Starts a stroke on `mask` (copied now).
    explicit LocalGrowStroke(const Image& mask);
    // Decides the pixels under the brush at (cx, cy) and writes them into
    // `mask`, which must be the mask the stroke started on. Returns the number
    // of pixels decided by this stamp.
    int stamp(Image& mask, int cx, int cy, int size, BrushType type, MaskOperation operation, int neighbours,
              Rgb value);

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> before_;   // 1 where the mask was set at the start
    std::vector<std::uint8_t> decided_;  // 1 where this stroke has decided
};

// --- whole mask ---------------------------------------------------------------------

// Over the writable region: erase writes black, fill writes `value`, invert
// turns unset pixels into `value` and set pixels into black.
void eraseWholeMask(Image& mask);
void fillWholeMask(Image& mask, Rgb value);
void invertMask(Image& mask, Rgb value);
// Every set pixel of the effective picture becomes `value` (the transparency
// rewrite: all set pixels share the current value).
void rewriteMaskValue(Image& mask, Rgb value);

// --- the 2D view ----------------------------------------------------------------------

// The screen rectangle the selected image's whole canvas is drawn into.
struct ViewRect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
};

struct ViewPixel {
    float x = 0.0f;
    float y = 0.0f;
    // Inside the screen rectangle (edges included) and x <= W, y <= H.
    bool onImage = false;
};

// Pointer (px, py) to canvas pixel coordinates: x = (px - left) /
// (right - left) * 512, y likewise (truncate where a pixel is addressed). A
// rectangle without width or height puts nothing on the image.
ViewPixel viewToPixel(const ViewRect& view, float px, float py, const Image& image);
// The reverse mapping, for markers: left + (right - left) * x / 512 and
// top + (bottom - top) * y / 512.
ImagePoint pixelToView(const ViewRect& view, float x, float y);

// --- texts ------------------------------------------------------------------------------

enum class MaskTool { Brush, Line, Rectangle, Fill, Threshold, Grow };
enum class WholeMaskOperation { Erase, Fill, Invert };
enum class ImageAvailability { NoneLoaded, NoneSelected, Selected };

// The availability from the number of loaded images and whether one is selected.
ImageAvailability imageAvailability(int loadedImages, bool imageSelected);
// `pattern` with every "%s" replaced by the image name.
String withImageName(const char* pattern, const String& name);
// One text per availability: none loaded, none selected, selected ("%s" is
// the image name).
struct AvailabilityTexts {
    const char* noneLoaded;
    const char* noneSelected;
    const char* selected;
};
// The text of `texts` for `availability`.
String pick(const AvailabilityTexts& texts, ImageAvailability availability, const String& imageName);
// The caption (help) of a tool's button, e.g. "Draw mask with a brush.\nSelect
// brush operation, brush type and size.".
String toolCaption(MaskTool tool);
// The status text of a tool's button for the given state; `imageName` fills
// the "%s" of the texts for a selected image.
String toolStatusText(MaskTool tool, ImageAvailability availability, const String& imageName);
String wholeMaskStatusText(WholeMaskOperation operation, ImageAvailability availability, const String& imageName);
// The parallel masking check button's text: why it cannot be used (no image
// loaded, none selected, fewer than two loaded), otherwise its caption.
String parallelMaskingStatusText(int loadedImages, bool imageSelected);
// The fill-tolerance slider's label, or with the mask as basis the text of
// the disabled slider.
String fillToleranceText(FillBasis basis);
// The neighbours slider's title and the global button's label, which follow
// the operation (Add: growing, Remove: shrinking).
String neighboursSliderTitle(MaskOperation operation);
String globalGrowButtonLabel(MaskOperation operation);
