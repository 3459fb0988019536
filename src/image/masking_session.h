// The mask rubric's tools without a screen: settings, the state of strokes,
// lines and rectangles, undo snapshots, parallel masking and change
// notification around the plain tool functions of image/masking_tools.h.
//
// Pointer events arrive in the selected image's pixel coordinates (see
// viewToPixel). A press or click starts something only on the selected
// image's effective picture (0 <= x <= W, 0 <= y <= H, edges included).
// Every operation first snapshots the masks it is about to change for undo,
// then changes them, then reports each of them to the notifier.
//
// With parallel masking on, an operation applies the same coordinates to
// every loaded image, each against its own working copy and mask and each
// clamped to its own picture.
#pragma once

#include "image/image.h"
#include "image/mask_change.h"
#include "image/mask_undo.h"
#include "image/masking_tools.h"

#include <memory>
#include <span>
#include <vector>

// One image the tools may work on. Both images belong to the caller.
struct MaskTarget {
    const Image* workingCopy = nullptr;
    Image* mask = nullptr;
};

// The images of the list as the tools see them at one event.
struct MaskImages {
    std::span<const MaskTarget> loaded;  // every loaded image, in list order
    int selected = -1;                   // index into `loaded`; -1 when none is selected

    // The selected target, or null when none is selected or it has no mask.
    const MaskTarget* selectedTarget() const;
    ImageAvailability availability() const;
};

class MaskingSession {
public:
    enum class LineClick { Refused, StartSet, LineDrawn };

    // `undo` and `notifier` must outlive the session.
    MaskingSession(MaskUndoList& undo, MaskChangeNotifier& notifier);

    MaskToolSettings settings;

    // --- parallel masking and transparency --------------------------------------------

    // The check button is usable only with at least two images loaded.
    static bool parallelMaskingAvailable(const MaskImages& images) { return images.loaded.size() >= 2; }
    // Switches parallel masking; switching on with fewer than two images loaded
    // leaves it off and returns false.
    bool setParallelMasking(const MaskImages& images, bool on);
    // After images were added or removed: fewer than two switch parallel
    // masking off.
    void imagesChanged(const MaskImages& images);
    // Sets the mask transparency (kept within 1 .. 255) and rewrites every
    // set pixel of every loaded mask to the new value. Not an undo step.
    void setTransparency(const MaskImages& images, float value);

    // --- brush-based strokes -------------------------------------------------------------
    // A press snapshots the masks and stamps once; each drag continues the
    // stroke from the previous position (stamps 0.9 pixels apart); release()
    // ends it. Drags without a stroke do nothing.

    bool brushPress(const MaskImages& images, int x, int y);
    void brushDrag(const MaskImages& images, int x, int y);
    // Local threshold: the pixels under the brush are tested like the global
    // threshold with the current side.
    bool localThresholdPress(const MaskImages& images, int x, int y);
    void localThresholdDrag(const MaskImages& images, int x, int y);
    // Local growing / shrinking (the operation setting): each pixel is decided
    // once per stroke against the mask as it was at the press.
    bool localGrowPress(const MaskImages& images, int x, int y);
    void localGrowDrag(const MaskImages& images, int x, int y);
    // Ends the current stroke of any kind.
    void release();
    bool strokeActive() const { return stroke_ != Stroke::None; }

    // --- lines --------------------------------------------------------------------------------

    // The first click sets the start point; the next draws a one-pixel line
    // from it to the click. With one line the tool then waits for a new start;
    // with multiple lines the end becomes the next start.
    LineClick lineClick(const MaskImages& images, int x, int y);
    // "Stop drawing lines.": forgets the start point.
    void stopLines() { lineStarted_ = false; }
    bool lineStarted() const { return lineStarted_; }
    PixelPosition lineStart() const { return lineStart_; }

    // --- rectangles ------------------------------------------------------------------------------

    // The press sets one corner; the release sets the other at the release
    // position minus 1 in x and y and draws the rectangle (anywhere: it is
    // clamped). Returns true when something started / was drawn.
    bool rectanglePress(const MaskImages& images, int x, int y);
    bool rectangleRelease(const MaskImages& images, int x, int y);
    bool rectangleStarted() const { return rectangleStarted_; }
    PixelPosition rectangleCorner() const { return rectangleCorner_; }

    // --- one-click and whole-mask operations ---------------------------------------------------------

    // Flood fill from the clicked pixel with the fill basis and tolerance.
    bool fillClick(const MaskImages& images, int x, int y);
    // With the pipette on: the three thresholds take the working copy's colour
    // under the click and the pipette switches off. False when the pipette is
    // off, no image is selected or the click is off the picture.
    bool pipetteClick(const MaskImages& images, int x, int y);
    // The global threshold with the given side ("smaller" / "bigger" button).
    bool globalThreshold(const MaskImages& images, ThresholdSide side);
    // Global growing / shrinking (the operation setting).
    bool globalGrow(const MaskImages& images);
    bool eraseWholeMask(const MaskImages& images);
    bool fillWholeMask(const MaskImages& images);
    bool invertMask(const MaskImages& images);

    // Ends strokes and forgets line and rectangle starts (e.g. when the
    // selection changes or images are removed).
    void resetInteraction();

private:
    enum class Stroke { None, Brush, LocalThreshold, LocalGrow };

    struct GrowStroke {
        Image* mask;
        std::unique_ptr<LocalGrowStroke> state;
    };

    // The images an operation applies to: the selected one, or every loaded one
    // with parallel masking. Empty when nothing is selected.
    std::vector<MaskTarget> targets(const MaskImages& images) const;
    // True when an image is selected and (x, y) lies on its effective picture.
    static bool onSelectedPicture(const MaskImages& images, int x, int y);
    void snapshot(const std::vector<MaskTarget>& targets);
    void notifyChanged(const std::vector<MaskTarget>& targets);
    // As notifyChanged, for the pixels a brush of the current size can
    // reach from the stamps at `positions`.
    void notifyStamped(const std::vector<MaskTarget>& targets, const std::vector<PixelPosition>& positions);
    // Starts a stroke of the given kind at (x, y) and applies the first stamp.
    bool beginStroke(const MaskImages& images, Stroke kind, int x, int y);
    // Applies the stroke's stamp at every position from the last one to (x, y).
    void continueStroke(const MaskImages& images, Stroke kind, int x, int y);
    void stampStroke(const MaskTarget& target, int x, int y);
    // Applies `operation(target)` to every target after snapshotting them.
    template <typename Operation>
    bool applyToTargets(const MaskImages& images, Operation operation);

    ThresholdRule thresholdRule(ThresholdSide side) const;
    Rgb brushColour() const { return drawingColour(settings.operation, settings.transparency); }
    Rgb valueColour() const { return maskValueColour(settings.transparency); }

    MaskUndoList& undo_;
    MaskChangeNotifier& notifier_;
    Stroke stroke_ = Stroke::None;
    PixelPosition strokeLast_;
    std::vector<GrowStroke> growStrokes_;
    bool lineStarted_ = false;
    PixelPosition lineStart_;
    bool rectangleStarted_ = false;
    PixelPosition rectangleCorner_;
};
