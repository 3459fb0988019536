#include "image/masking_session.h"

#include <algorithm>
#include <cmath>

// --- images ---------------------------------------------------------------------------------

const MaskTarget* MaskImages::selectedTarget() const {
    if (selected < 0 || static_cast<size_t>(selected) >= loaded.size()) return nullptr;
    const MaskTarget& target = loaded[static_cast<size_t>(selected)];
    return target.mask != nullptr ? &target : nullptr;
}

ImageAvailability MaskImages::availability() const {
    return imageAvailability(static_cast<int>(loaded.size()), selectedTarget() != nullptr);
}

// --- session --------------------------------------------------------------------------------

MaskingSession::MaskingSession(MaskUndoList& undo, MaskChangeNotifier& notifier) : undo_(undo), notifier_(notifier) {}

std::vector<MaskTarget> MaskingSession::targets(const MaskImages& images) const {
    std::vector<MaskTarget> result;
    const MaskTarget* selected = images.selectedTarget();
    if (selected == nullptr) return result;
    if (!settings.parallelMasking || !parallelMaskingAvailable(images)) {
        result.push_back(*selected);
        return result;
    }
    for (const MaskTarget& target : images.loaded) {
        if (target.mask != nullptr) result.push_back(target);
    }
    return result;
}

bool MaskingSession::onSelectedPicture(const MaskImages& images, int x, int y) {
    const MaskTarget* selected = images.selectedTarget();
    if (selected == nullptr || !selected->mask->isValid()) return false;
    return x >= 0 && y >= 0 && x <= effectiveWidth(*selected->mask) && y <= effectiveHeight(*selected->mask);
}

void MaskingSession::snapshot(const std::vector<MaskTarget>& targets) {
    for (const MaskTarget& target : targets) undo_.push(*target.mask);
}

void MaskingSession::notifyChanged(const std::vector<MaskTarget>& targets) {
    for (const MaskTarget& target : targets) notifier_.notify(*target.mask);
}

template <typename Operation>
bool MaskingSession::applyToTargets(const MaskImages& images, Operation operation) {
    std::vector<MaskTarget> chosen = targets(images);
    if (chosen.empty()) return false;
    snapshot(chosen);
    for (const MaskTarget& target : chosen) operation(target);
    notifyChanged(chosen);
    return true;
}

ThresholdRule MaskingSession::thresholdRule(ThresholdSide side) const {
    return ThresholdRule{settings.redThreshold, settings.greenThreshold, settings.blueThreshold, side};
}

// --- parallel masking and transparency -----------------------------------------------------------

bool MaskingSession::setParallelMasking(const MaskImages& images, bool on) {
    if (on && !parallelMaskingAvailable(images)) {
        settings.parallelMasking = false;
        return false;
    }
    settings.parallelMasking = on;
    return true;
}

void MaskingSession::imagesChanged(const MaskImages& images) {
    if (!parallelMaskingAvailable(images)) settings.parallelMasking = false;
}

void MaskingSession::setTransparency(const MaskImages& images, float value) {
    if (!std::isnan(value))
        settings.transparency = std::clamp(value, MaskToolSettings::kMinTransparency, MaskToolSettings::kMaxTransparency);
    Rgb colour = valueColour();
    for (const MaskTarget& target : images.loaded) {
        if (target.mask == nullptr) continue;
        rewriteMaskValue(*target.mask, colour);
        notifier_.notify(*target.mask);
    }
}

// --- strokes ---------------------------------------------------------------------------------------

void MaskingSession::stampStroke(const MaskTarget& target, int x, int y) {
    Image& mask = *target.mask;
    switch (stroke_) {
        case Stroke::Brush:
            stampBrush(mask, x, y, settings.brushSize, settings.brushType, brushColour());
            break;
        case Stroke::LocalThreshold:
            if (target.workingCopy == nullptr) break;
            applyThresholdUnderBrush(*target.workingCopy, mask, x, y, settings.brushSize, settings.brushType,
                                     thresholdRule(settings.thresholdSide),
                                     drawingColour(settings.thresholdOperation, settings.transparency));
            break;
        case Stroke::LocalGrow:
            for (GrowStroke& grow : growStrokes_) {
                if (grow.mask != &mask) continue;
                grow.state->stamp(mask, x, y, settings.brushSize, settings.brushType, settings.operation,
                                  settings.neighbours, valueColour());
            }
            break;
        case Stroke::None:
            break;
    }
}

bool MaskingSession::beginStroke(const MaskImages& images, Stroke kind, int x, int y) {
    release();
    if (!onSelectedPicture(images, x, y)) return false;
    std::vector<MaskTarget> chosen = targets(images);
    snapshot(chosen);
    stroke_ = kind;
    strokeLast_ = PixelPosition{x, y};
    if (kind == Stroke::LocalGrow) {
        for (const MaskTarget& target : chosen)
            growStrokes_.push_back(GrowStroke{target.mask, std::make_unique<LocalGrowStroke>(*target.mask)});
    }
    for (const MaskTarget& target : chosen) stampStroke(target, x, y);
    notifyStamped(chosen, {PixelPosition{x, y}});
    return true;
}

void MaskingSession::continueStroke(const MaskImages& images, Stroke kind, int x, int y) {
    if (stroke_ != kind) return;
    std::vector<MaskTarget> chosen = targets(images);
    if (chosen.empty()) return;
    std::vector<PixelPosition> positions =
        linePositions(strokeLast_.x, strokeLast_.y, x, y, MaskToolSettings::kBrushStrokeStep);
    // Neighbouring positions along the line often truncate to the same pixel.
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    for (const MaskTarget& target : chosen) {
        for (const PixelPosition& p : positions) stampStroke(target, p.x, p.y);
    }
    strokeLast_ = PixelPosition{x, y};
    notifyStamped(chosen, positions);
}

void MaskingSession::notifyStamped(const std::vector<MaskTarget>& targets, const std::vector<PixelPosition>& positions) {
    if (positions.empty()) return;
    const int reach = settings.brushSize / 2 + 1;
    MaskArea area{positions.front().x, positions.front().y, positions.front().x, positions.front().y};
    for (const PixelPosition& p : positions) {
        area.left = std::min(area.left, p.x);
        area.top = std::min(area.top, p.y);
        area.right = std::max(area.right, p.x);
        area.bottom = std::max(area.bottom, p.y);
    }
    area.left -= reach;
    area.top -= reach;
    area.right += reach + 1;
    area.bottom += reach + 1;
    for (const MaskTarget& target : targets)
        if (target.mask != nullptr) notifier_.notifyArea(*target.mask, area);
}

bool MaskingSession::brushPress(const MaskImages& images, int x, int y) {
    return beginStroke(images, Stroke::Brush, x, y);
}

void MaskingSession::brushDrag(const MaskImages& images, int x, int y) {
    continueStroke(images, Stroke::Brush, x, y);
}

bool MaskingSession::localThresholdPress(const MaskImages& images, int x, int y) {
    return beginStroke(images, Stroke::LocalThreshold, x, y);
}

void MaskingSession::localThresholdDrag(const MaskImages& images, int x, int y) {
    continueStroke(images, Stroke::LocalThreshold, x, y);
}

bool MaskingSession::localGrowPress(const MaskImages& images, int x, int y) {
    return beginStroke(images, Stroke::LocalGrow, x, y);
}

void MaskingSession::localGrowDrag(const MaskImages& images, int x, int y) {
    continueStroke(images, Stroke::LocalGrow, x, y);
}

void MaskingSession::release() {
    stroke_ = Stroke::None;
    growStrokes_.clear();
}

// --- lines and rectangles ------------------------------------------------------------------------------

MaskingSession::LineClick MaskingSession::lineClick(const MaskImages& images, int x, int y) {
    if (!onSelectedPicture(images, x, y)) return LineClick::Refused;
    if (!lineStarted_) {
        lineStarted_ = true;
        lineStart_ = PixelPosition{x, y};
        return LineClick::StartSet;
    }
    PixelPosition start = lineStart_;
    applyToTargets(images, [&](const MaskTarget& target) {
        stampLine(*target.mask, start.x, start.y, x, y, MaskToolSettings::kLineStep, 1, settings.brushType,
                  brushColour());
    });
    if (settings.lineMode == LineMode::OneLine) {
        lineStarted_ = false;
    } else {
        lineStart_ = PixelPosition{x, y};
    }
    return LineClick::LineDrawn;
}

bool MaskingSession::rectanglePress(const MaskImages& images, int x, int y) {
    rectangleStarted_ = onSelectedPicture(images, x, y);
    if (rectangleStarted_) rectangleCorner_ = PixelPosition{x, y};
    return rectangleStarted_;
}

bool MaskingSession::rectangleRelease(const MaskImages& images, int x, int y) {
    if (!rectangleStarted_) return false;
    rectangleStarted_ = false;
    PixelPosition corner = rectangleCorner_;
    return applyToTargets(images, [&](const MaskTarget& target) {
        drawRectangle(*target.mask, corner.x, corner.y, x - 1, y - 1, settings.rectangleFilling, brushColour());
    });
}

// --- one-click and whole-mask operations -------------------------------------------------------------------

bool MaskingSession::fillClick(const MaskImages& images, int x, int y) {
    if (!onSelectedPicture(images, x, y)) return false;
    const Image noPicture;
    return applyToTargets(images, [&](const MaskTarget& target) {
        const Image& picture = target.workingCopy != nullptr ? *target.workingCopy : noPicture;
        floodFill(picture, *target.mask, x, y, settings.fillBasis, settings.fillTolerance, brushColour());
    });
}

bool MaskingSession::pipetteClick(const MaskImages& images, int x, int y) {
    if (!settings.pipette || !onSelectedPicture(images, x, y)) return false;
    const MaskTarget* selected = images.selectedTarget();
    if (selected->workingCopy == nullptr) return false;
    Rgb colour = pipetteColour(*selected->workingCopy, x, y);
    settings.redThreshold = colour.red;
    settings.greenThreshold = colour.green;
    settings.blueThreshold = colour.blue;
    settings.pipette = false;
    return true;
}

bool MaskingSession::globalThreshold(const MaskImages& images, ThresholdSide side) {
    Rgb colour = drawingColour(settings.thresholdOperation, settings.transparency);
    return applyToTargets(images, [&](const MaskTarget& target) {
        if (target.workingCopy != nullptr) applyGlobalThreshold(*target.workingCopy, *target.mask, thresholdRule(side), colour);
    });
}

bool MaskingSession::globalGrow(const MaskImages& images) {
    return applyToTargets(images, [&](const MaskTarget& target) {
        growShrinkGlobal(*target.mask, settings.operation, settings.neighbours, valueColour());
    });
}

bool MaskingSession::eraseWholeMask(const MaskImages& images) {
    return applyToTargets(images, [](const MaskTarget& target) { ::eraseWholeMask(*target.mask); });
}

bool MaskingSession::fillWholeMask(const MaskImages& images) {
    return applyToTargets(images, [&](const MaskTarget& target) { ::fillWholeMask(*target.mask, valueColour()); });
}

bool MaskingSession::invertMask(const MaskImages& images) {
    return applyToTargets(images, [&](const MaskTarget& target) { ::invertMask(*target.mask, valueColour()); });
}

void MaskingSession::resetInteraction() {
    release();
    lineStarted_ = false;
    rectangleStarted_ = false;
}
