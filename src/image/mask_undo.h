// Undo and redo of mask edits: one history of whole-mask snapshots per image.
//
// A history is a list of records (full copies of the mask) and a position,
// the index of the record the next undo restores from (0 .. count). Before
// every mask operation the mask is pushed; undo walks back, redo forward.
// At most `limit` older snapshots are kept, plus the one just taken.
#pragma once

#include "core/string.h"
#include "image/image.h"
#include "image/mask_change.h"

#include <functional>
#include <memory>
#include <vector>

class MaskUndoStack {
public:
    // Number of snapshots kept when the configuration does not say.
    static constexpr int kDefaultLimit = 30;

    // A history for `mask`, which must outlive the stack. A negative limit
    // counts as 0. Both buttons start disabled.
    MaskUndoStack(Image& mask, int limit);
    MaskUndoStack(const MaskUndoStack&) = delete;
    MaskUndoStack& operator=(const MaskUndoStack&) = delete;

    // Before a mask operation: drops the redo records (those at position or
    // later), keeps only the newest `limit` records, appends a copy of the
    // mask as it is now and moves the position to the end. Enables undo,
    // disables redo.
    void push();
    // Restores the previous snapshot into the mask. Right after a push the
    // current mask is pushed first, so that redo can come back to it. Returns
    // false (and disables undo) when there is nothing to restore.
    bool undo();
    // Restores the snapshot after the current one. Returns false (and
    // disables redo, the position unchanged) when there is none.
    bool redo();

    // The picture under the mask was mirrored or turned: every snapshot is
    // turned the same way, so that undo still restores masks that fit.
    void transformRecords(const std::function<Image(const Image&)>& transform);
    // The picture under the mask was replaced (a cut-out): the snapshots no
    // longer fit it and are dropped; both buttons are disabled.
    void clear();

    Image& mask() const { return *mask_; }
    int limit() const { return limit_; }
    int count() const { return static_cast<int>(records_.size()); }
    int position() const { return position_; }
    // The snapshot at `index` (0 .. count - 1).
    const Image& record(int index) const { return records_.at(static_cast<size_t>(index)); }
    // The enabled states of the rubric's back and forward buttons.
    bool undoEnabled() const { return undoEnabled_; }
    bool redoEnabled() const { return redoEnabled_; }

private:
    Image* mask_;
    int limit_;
    std::vector<Image> records_;
    int position_ = 0;
    bool undoEnabled_ = false;
    bool redoEnabled_ = false;
};

// How an undo or redo request ended; the status texts follow from it.
enum class HistoryOutcome { Done, NothingToDo, NoImageLoaded, NoImageSelected };

// The histories of all images, found by their mask. The list tells the
// notifier about every mask an undo or redo touches.
class MaskUndoList {
public:
    // `notifier` must outlive the list. `limit` is the configured maxnrundos;
    // stacks made later take the limit current at that time.
    explicit MaskUndoList(MaskChangeNotifier& notifier, int limit = MaskUndoStack::kDefaultLimit);
    MaskUndoList(const MaskUndoList&) = delete;
    MaskUndoList& operator=(const MaskUndoList&) = delete;

    void setLimit(int limit) { limit_ = limit; }
    int limit() const { return limit_; }

    // When an image enters the 2D mode: a new, empty history for `mask` (the
    // existing one when the mask already has a history).
    MaskUndoStack& makeStack(Image& mask);
    // When an image leaves: frees its history and records; unknown masks are
    // ignored.
    void freeStack(const Image& mask);
    // Frees every history (a new project).
    void clear() { stacks_.clear(); }
    // The history of `mask`; null when it has none.
    MaskUndoStack* stackFor(const Image* mask) const;
    int stackCount() const { return static_cast<int>(stacks_.size()); }

    // Pushes the history of `mask`; false when the mask has none.
    bool push(const Image& mask);
    // Before an operation: with parallel masking every history is pushed,
    // otherwise that of `selectedMask` (nothing when it is null or unknown).
    void pushAll(const Image* selectedMask, bool parallelMasking);

    // Undo / redo on the selected image's history. After a step the selected
    // mask is reported changed; with parallel masking every mask is, although
    // only the selected one was restored. No history at all gives
    // NoImageLoaded; a null or unknown mask NoImageSelected.
    HistoryOutcome undo(const Image* selectedMask, bool parallelMasking);
    HistoryOutcome redo(const Image* selectedMask, bool parallelMasking);

    // The button states for the selected image; false without one.
    bool undoEnabled(const Image* selectedMask) const;
    bool redoEnabled(const Image* selectedMask) const;

private:
    void notifyAfterStep(MaskUndoStack& stepped, bool parallelMasking);

    MaskChangeNotifier& notifier_;
    int limit_;
    std::vector<std::unique_ptr<MaskUndoStack>> stacks_;
};

// Status line after an undo / redo request; `imageName` fills the "%s".
String undoStatusText(HistoryOutcome outcome, const String& imageName);
String redoStatusText(HistoryOutcome outcome, const String& imageName);
// Help texts of the back and forward buttons in their enabled / disabled state.
String undoButtonHelp(bool enabled);
String redoButtonHelp(bool enabled);
