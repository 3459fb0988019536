// The 2D view's pointer mapping and the mask rubric's texts.
#include "image/masking_tools.h"

#include <string>

namespace {

AvailabilityTexts toolTexts(MaskTool tool) {
    switch (tool) {
        case MaskTool::Brush:
            return {"No image loaded on which should be drawn with a brush.",
                    "No image selected on which should be drawn with a brush.",
                    "Image %s selected. Draw mask with a brush."};
        case MaskTool::Line:
            return {"No image loaded on which lines should be drawn.", "No image selected on which lines should be drawn.",
                    "Image %s selected. Draw mask with lines."};
        case MaskTool::Rectangle:
            return {"No image loaded on which a rectangle should be drawn.",
                    "No image selected on which a rectangle should be drawn.",
                    "Image %s selected. Draw mask with rectangles."};
        case MaskTool::Fill:
            return {"No image loaded for which the mask should be filled.",
                    "No image selected for which the mask should be filled.",
                    "Image %s selected. Draw mask by filling areas."};
        case MaskTool::Threshold:
            return {"No image loaded for which the mask should be created with thresholds.",
                    "No image selected for which the mask should be created with thresholds.",
                    "Image %s selected. Create the mask with a threshold."};
        case MaskTool::Grow:
            break;
    }
    return {"No image loaded for which the mask should be grown\\thrinked.",
            "No image selected for which the mask should be grown\\thrinked.",
            "Image %s selected. Thrink\\grow the mask."};
}

AvailabilityTexts wholeMaskTexts(WholeMaskOperation operation) {
    switch (operation) {
        case WholeMaskOperation::Erase:
            return {"No image loaded for which the whole mask should be erased.",
                    "No image selected for which the whole mask should be erased.", "Erase whole mask of image %s."};
        case WholeMaskOperation::Fill:
            return {"No image loaded for which the whole mask should be filled.",
                    "No image selected for which the whole mask should be filled.", "Fill whole mask of image %s."};
        case WholeMaskOperation::Invert:
            break;
    }
    return {"No image loaded for which the mask should be inverted.",
            "No image selected for which the mask should be inverted.", "Invert mask of image %s."};
}

}  // namespace

// --- view mapping ------------------------------------------------------------------------

ViewPixel viewToPixel(const ViewRect& view, float px, float py, const Image& image) {
    ViewPixel result;
    float width = view.right - view.left;
    float height = view.bottom - view.top;
    if (!(width > 0.0f) || !(height > 0.0f)) return result;
    const float side = static_cast<float>(Image::kCanvasSide);
    result.x = (px - view.left) / width * side;
    result.y = (py - view.top) / height * side;
    bool insideRect = px >= view.left && px <= view.right && py >= view.top && py <= view.bottom;
    result.onImage = insideRect && image.isValid() &&
                     result.x <= static_cast<float>(image.width() - image.marginRight) &&
                     result.y <= static_cast<float>(image.height() - image.marginBottom);
    return result;
}

ImagePoint pixelToView(const ViewRect& view, float x, float y) {
    const float side = static_cast<float>(Image::kCanvasSide);
    return ImagePoint{view.left + (view.right - view.left) * x / side, view.top + (view.bottom - view.top) * y / side};
}

// --- texts ---------------------------------------------------------------------------------

String withImageName(const char* pattern, const String& name) {
    std::string text(pattern);
    for (size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s", at + name.str().size()))
        text.replace(at, 2, name.str());
    return String(static_cast<int>(text.size()), text.data());
}

String pick(const AvailabilityTexts& texts, ImageAvailability availability, const String& imageName) {
    switch (availability) {
        case ImageAvailability::NoneLoaded: return String(texts.noneLoaded);
        case ImageAvailability::NoneSelected: return String(texts.noneSelected);
        case ImageAvailability::Selected: break;
    }
    return withImageName(texts.selected, imageName);
}

ImageAvailability imageAvailability(int loadedImages, bool imageSelected) {
    if (loadedImages < 1) return ImageAvailability::NoneLoaded;
    return imageSelected ? ImageAvailability::Selected : ImageAvailability::NoneSelected;
}

String toolCaption(MaskTool tool) {
    switch (tool) {
        case MaskTool::Brush: return String("Draw mask with a brush.\nSelect brush operation, brush type and size.");
        case MaskTool::Line: return String("Draw mask with a line or more lines.");
        case MaskTool::Rectangle: return String("Draw the mask with a rect.");
        case MaskTool::Fill: return String("Create mask by filling areas.");
        case MaskTool::Threshold: return String("Create the mask with a threshold.");
        case MaskTool::Grow: break;
    }
    return String("Global or local growing\\shrinking of mask.");
}

String toolStatusText(MaskTool tool, ImageAvailability availability, const String& imageName) {
    return pick(toolTexts(tool), availability, imageName);
}

String wholeMaskStatusText(WholeMaskOperation operation, ImageAvailability availability, const String& imageName) {
    return pick(wholeMaskTexts(operation), availability, imageName);
}

String parallelMaskingStatusText(int loadedImages, bool imageSelected) {
    if (loadedImages < 1) return String("No image loaded so no parallel masking is possible.");
    if (!imageSelected) return String("No image selected so no parallel masking is possible.");
    if (loadedImages < 2) return String("You have to load at least 2 images, otherwise parallel masking makes no sense.");
    return String("Check this button if you want to mask on all images at once.");
}

String fillToleranceText(FillBasis basis) {
    if (basis == FillBasis::Image) return String("Filltolerance:");
    return String("Cant specify a fill tollerance if taking mask as basis");
}

String neighboursSliderTitle(MaskOperation operation) {
    if (operation == MaskOperation::Add) return String("A pixel has to have at least x neighbours to get set.\nCurrent value:");
    return String("A pixel has to have at max x neighbours to get unset.\nCurrent value:");
}

String globalGrowButtonLabel(MaskOperation operation) {
    return String(operation == MaskOperation::Add ? "Make global growing:" : "Make global thrinking:");
}
