#include "image/mask_undo.h"

#include <algorithm>
#include <string>

// --- one history ---------------------------------------------------------------------------

MaskUndoStack::MaskUndoStack(Image& mask, int limit) : mask_(&mask), limit_(std::max(0, limit)) {}

void MaskUndoStack::push() {
    records_.erase(records_.begin() + position_, records_.end());
    if (count() > limit_) records_.erase(records_.begin(), records_.begin() + (count() - limit_));
    records_.push_back(mask_->clone());
    position_ = count();
    undoEnabled_ = true;
    redoEnabled_ = false;
}

bool MaskUndoStack::undo() {
    if (position_ < 1) {
        undoEnabled_ = false;
        return false;
    }
    if (position_ == count()) {
        // Keep the current mask so that redo can come back to it.
        push();
        --position_;
    }
    --position_;
    if (position_ < 0) {
        // Only with a limit of 0: the push above dropped the older snapshot.
        position_ = 0;
        undoEnabled_ = false;
        redoEnabled_ = position_ + 1 < count();
        return false;
    }
    mask_->assign(records_[static_cast<size_t>(position_)]);
    undoEnabled_ = position_ > 0;
    redoEnabled_ = true;
    return true;
}

bool MaskUndoStack::redo() {
    // Positions below count always hold the mask as it is now, so there is
    // nothing to redo from the last record.
    if (position_ + 1 >= count()) {
        redoEnabled_ = false;
        return false;
    }
    ++position_;
    mask_->assign(records_[static_cast<size_t>(position_)]);
    undoEnabled_ = position_ > 0;
    redoEnabled_ = position_ + 1 < count();
    return true;
}

void MaskUndoStack::transformRecords(const std::function<Image(const Image&)>& transform) {
    for (Image& record : records_) {
        Image turned = transform(record);
        record.assign(turned);
    }
}

void MaskUndoStack::clear() {
    records_.clear();
    position_ = 0;
    undoEnabled_ = false;
    redoEnabled_ = false;
}

// --- all histories -----------------------------------------------------------------------------

MaskUndoList::MaskUndoList(MaskChangeNotifier& notifier, int limit) : notifier_(notifier), limit_(limit) {}

MaskUndoStack& MaskUndoList::makeStack(Image& mask) {
    if (MaskUndoStack* existing = stackFor(&mask)) return *existing;
    stacks_.push_back(std::make_unique<MaskUndoStack>(mask, limit_));
    return *stacks_.back();
}

void MaskUndoList::freeStack(const Image& mask) {
    stacks_.erase(std::remove_if(stacks_.begin(), stacks_.end(),
                                 [&mask](const std::unique_ptr<MaskUndoStack>& s) { return &s->mask() == &mask; }),
                  stacks_.end());
}

MaskUndoStack* MaskUndoList::stackFor(const Image* mask) const {
    if (mask == nullptr) return nullptr;
    for (const std::unique_ptr<MaskUndoStack>& stack : stacks_) {
        if (&stack->mask() == mask) return stack.get();
    }
    return nullptr;
}

bool MaskUndoList::push(const Image& mask) {
    MaskUndoStack* stack = stackFor(&mask);
    if (stack == nullptr) return false;
    stack->push();
    return true;
}

void MaskUndoList::pushAll(const Image* selectedMask, bool parallelMasking) {
    if (!parallelMasking) {
        if (selectedMask != nullptr) push(*selectedMask);
        return;
    }
    for (const std::unique_ptr<MaskUndoStack>& stack : stacks_) stack->push();
}

HistoryOutcome MaskUndoList::undo(const Image* selectedMask, bool parallelMasking) {
    if (stacks_.empty()) return HistoryOutcome::NoImageLoaded;
    MaskUndoStack* stack = stackFor(selectedMask);
    if (stack == nullptr) return HistoryOutcome::NoImageSelected;
    if (!stack->undo()) return HistoryOutcome::NothingToDo;
    notifyAfterStep(*stack, parallelMasking);
    return HistoryOutcome::Done;
}

HistoryOutcome MaskUndoList::redo(const Image* selectedMask, bool parallelMasking) {
    if (stacks_.empty()) return HistoryOutcome::NoImageLoaded;
    MaskUndoStack* stack = stackFor(selectedMask);
    if (stack == nullptr) return HistoryOutcome::NoImageSelected;
    if (!stack->redo()) return HistoryOutcome::NothingToDo;
    notifyAfterStep(*stack, parallelMasking);
    return HistoryOutcome::Done;
}

bool MaskUndoList::undoEnabled(const Image* selectedMask) const {
    const MaskUndoStack* stack = stackFor(selectedMask);
    return stack != nullptr && stack->undoEnabled();
}

bool MaskUndoList::redoEnabled(const Image* selectedMask) const {
    const MaskUndoStack* stack = stackFor(selectedMask);
    return stack != nullptr && stack->redoEnabled();
}

void MaskUndoList::notifyAfterStep(MaskUndoStack& stepped, bool parallelMasking) {
    if (!parallelMasking) {
        notifier_.notify(stepped.mask());
        return;
    }
    for (const std::unique_ptr<MaskUndoStack>& stack : stacks_) notifier_.notify(stack->mask());
}

// --- texts -------------------------------------------------------------------------------------

namespace {

String withName(const char* pattern, const String& name) {
    std::string text(pattern);
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, name.str());
    return String(static_cast<int>(text.size()), text.data());
}

}  // namespace

String undoStatusText(HistoryOutcome outcome, const String& imageName) {
    switch (outcome) {
        case HistoryOutcome::NoImageLoaded: return String("No image loaded so no undo is possible.");
        case HistoryOutcome::NoImageSelected: return String("No image selected so no undo is possible.");
        case HistoryOutcome::Done: return withName("Undo masking operation done on image %s.", imageName);
        case HistoryOutcome::NothingToDo: break;
    }
    return withName("No operation done on image %s so no undo is possible.", imageName);
}

String redoStatusText(HistoryOutcome outcome, const String& imageName) {
    switch (outcome) {
        case HistoryOutcome::NoImageLoaded: return String("No image loaded so no redo of last operation is possible.");
        case HistoryOutcome::NoImageSelected: return String("No image selected so no redo of last operation is possible.");
        case HistoryOutcome::Done: return withName("Redo last undo done on image %s.", imageName);
        case HistoryOutcome::NothingToDo: break;
    }
    return withName("No undo done on image %s so no redo is possible.", imageName);
}

String undoButtonHelp(bool enabled) {
    return String(enabled ? "Undo the last operation." : "No operation done so undo is not possible or no image selected.");
}

String redoButtonHelp(bool enabled) {
    return String(enabled ? "Redo the last operation."
                          : "Redo the last operation.\nNo undo done so redo is not possible or no image selected.");
}
