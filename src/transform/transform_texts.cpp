#include "transform/transform_texts.h"

#include <cstdarg>
#include <cstdio>
#include <string>

String formatText(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list copy;
    va_copy(copy, arguments);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (size <= 0) {
        va_end(arguments);
        return String();
    }
    std::string text(static_cast<size_t>(size) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, arguments);
    va_end(arguments);
    return String(size, text.data());
}

String placementStatus(PlacementRubric rubric, bool gestureRunning, int imageNumber,
                       const ClippingPlacement& placement, bool snapHeld) {
    const ClippingPlacement& p = placement;
    String text;
    switch (rubric) {
    case PlacementRubric::Translation:
        text = formatText(gestureRunning ? "Translating image %d.\nx: %f y: %f z: %f." : "Translate image %d.\nx: %f y: %f z: %f.",
                          imageNumber, p.translation.x, p.translation.y, p.translation.z);
        break;
    case PlacementRubric::Scaling:
        text = formatText(gestureRunning ? "Scaling image %d.\nWidth: %f Height: %f Depth: %f."
                                         : "Scale image %d.\nWidth: %f Height: %f Depth: %f.",
                          imageNumber, p.scaling.z, p.scaling.y, p.scaling.x);
        break;
    case PlacementRubric::Rotation:
        text = formatText(gestureRunning ? "Rotating image %d.\nYaw: %f Pitch: %f Roll: %f."
                                         : "Rotate image %d.\nYaw: %f Pitch: %f Roll: %f.",
                          imageNumber, p.angle, p.angleheight, p.angleimage);
        break;
    case PlacementRubric::FieldOfView:
        text = formatText(gestureRunning ? "Changing field of view of image %d.\nRatioX: %f RatioY: %f."
                                         : "Change field of view of image %d.\nRatio X: %f Ratio Y: %f.",
                          imageNumber, p.fovX, p.fovY);
        break;
    }
    if (snapHeld) text.append(String("\nSnap key pressed."));
    return text;
}

String noFieldOfViewText(int imageNumber) { return formatText("No field of view enabled for image %d.", imageNumber); }

std::vector<String> markerReadouts(PlacementRubric rubric, const ClippingPlacement& placement) {
    const ClippingPlacement& p = placement;
    switch (rubric) {
    case PlacementRubric::Translation:
        return {formatText("Translation x: %.2f y: %.2f z: %.2f", p.translation.x, p.translation.y, p.translation.z)};
    case PlacementRubric::Scaling:
        return {formatText("Width: %.2f", p.scaling.z), formatText("Height: %.2f", p.scaling.y),
                formatText("Depth: %.2f", p.scaling.x)};
    case PlacementRubric::Rotation:
        return {formatText("Yaw: %.2f", p.angle), formatText("Pitch: %.2f", p.angleheight),
                formatText("Roll: %.2f", p.angleimage)};
    case PlacementRubric::FieldOfView:
        return {formatText("Ratio X: %.2f", p.fovX), formatText("Ratio Y: %.2f", p.fovY)};
    }
    return {};
}
