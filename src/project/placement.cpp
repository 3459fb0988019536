#include "project/placement.h"

#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "sculpt/clipping_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// `value` brought into [low, low + 360) by whole turns.
float wrapped(float value, float low) {
    double turned = std::fmod(static_cast<double>(value) - low, 360.0);
    if (turned < 0.0) turned += 360.0;
    // fmod of a value just below a whole turn can round up to 360 itself.
    if (turned >= 360.0) turned = 0.0;
    return static_cast<float>(turned + low);
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The whole text as one finite number.
bool readNumber(const std::string& text, float& out) {
    const std::string number = trimmed(text);
    if (number.empty()) return false;
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || !std::isfinite(value) || std::fabs(value) > 1.0e9) return false;
    out = static_cast<float>(value);
    return true;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (true) {
        const std::size_t at = text.find(separator, from);
        parts.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) return parts;
        from = at + 1;
    }
}

}  // namespace

std::vector<ViewAngles> turntableViews(int count, float elevation, float start, bool clockwise) {
    std::vector<ViewAngles> views;
    if (count < 1) return views;
    views.reserve(static_cast<std::size_t>(count));
    const double step = 360.0 / count * (clockwise ? -1.0 : 1.0);
    for (int k = 0; k < count; ++k) {
        ViewAngles view;
        view.yaw = wrapped(static_cast<float>(start + step * k), 0.0f);
        view.pitch = -elevation;
        view.roll = 0.0f;
        views.push_back(normalisedAngles(view));
    }
    return views;
}

bool parseViews(const std::string& text, std::vector<ViewAngles>& views, std::string& error) {
    views.clear();
    std::vector<std::string> entries = split(text, ';');
    if (entries.size() > 1 && trimmed(entries.back()).empty()) entries.pop_back();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::vector<std::string> numbers = split(entries[i], ',');
        const std::string where = "view " + std::to_string(i + 1) + " ('" + trimmed(entries[i]) + "')";
        if (trimmed(entries[i]).empty()) {
            error = "view " + std::to_string(i + 1) + " is empty; each view is YAW,PITCH,ROLL";
            return false;
        }
        if (numbers.size() != 3) {
            error = where + " needs three angles YAW,PITCH,ROLL";
            return false;
        }
        ViewAngles view;
        float* fields[3] = {&view.yaw, &view.pitch, &view.roll};
        const char* names[3] = {"yaw", "pitch", "roll"};
        for (int k = 0; k < 3; ++k) {
            if (!readNumber(numbers[static_cast<std::size_t>(k)], *fields[k])) {
                error = where + ": the " + names[k] + " '" + trimmed(numbers[static_cast<std::size_t>(k)]) +
                        "' is not a number of degrees";
                return false;
            }
        }
        views.push_back(view);
    }
    error.clear();
    return true;
}

bool parseDegrees(const char* option, const std::string& text, float low, float high, float& out,
                  std::string& error) {
    float value = 0.0f;
    if (!readNumber(text, value) || value < low || value > high) {
        char buffer[256];
        std::snprintf(buffer, sizeof buffer, "%s takes a number of degrees from %g to %g, not '%s'", option,
                      static_cast<double>(low), static_cast<double>(high), text.c_str());
        error = buffer;
        return false;
    }
    out = value;
    return true;
}

ViewAngles normalisedAngles(const ViewAngles& view) {
    return {wrapped(view.yaw, 0.0f), wrapped(view.pitch, -180.0f), wrapped(view.roll, 0.0f)};
}

D3DXVECTOR3 sceneRotationOf(const ViewAngles& view) {
    // The same rotation the transformation mode gives the displayed node.
    return nodeRotationOfAngles(view.yaw, view.pitch, view.roll);
}

ClippingPlacement placementAt(const ViewAngles& given) {
    const ViewAngles view = normalisedAngles(given);
    ClippingPlacement placement;
    placement.translation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    placement.scaling = D3DXVECTOR3(1500.0f, 1.0f, 1.0f);
    placement.angle = view.yaw;
    placement.angleheight = view.pitch;
    placement.angleimage = view.roll;
    placement.rotation = sceneRotationOf(view);
    placement.fovSet = false;
    placement.fovX = 1.5f;
    placement.fovY = 1.5f;
    return placement;
}

float fieldOfViewRatio(double tanHalfWidth, float pictureWidth, float depth, float unitsPerPixel) {
    const double span = static_cast<double>(pictureWidth) * unitsPerPixel;
    if (!std::isfinite(tanHalfWidth) || !(tanHalfWidth > 0.0) || !(span > 0.0) || !(depth > 0.0) ||
        !std::isfinite(span) || !std::isfinite(depth)) {
        return kMinFieldOfViewRatio;
    }
    const double ratio = 1.0 + 2.0 * depth * tanHalfWidth / span;
    return static_cast<float>(std::clamp(ratio, static_cast<double>(kMinFieldOfViewRatio),
                                         static_cast<double>(kMaxFieldOfViewRatio)));
}

namespace {

// The occupied slots of the list, in order; empty when one has no clipping.
std::vector<int> placedSlots(const ImageList& images, const ClippingTable& clippings, bool& complete) {
    std::vector<int> slots;
    complete = true;
    for (int index = 0; index < images.slotCount(); ++index) {
        if (images.entry(index) == nullptr) continue;
        if (clippings.clipping(index) == nullptr) complete = false;
        slots.push_back(index);
    }
    return slots;
}

// The field of view of a camera with tan(half angle) `tanHalfWidth` on the
// placement of `picture`.
void setCameraFieldOfView(ClippingPlacement& placement, const Image& picture, double tanHalfWidth) {
    if (!(tanHalfWidth > 0.0)) return;
    const float width = static_cast<float>(picture.width() - picture.marginRight);
    const float ratio = fieldOfViewRatio(tanHalfWidth, width, placement.scaling.x, placement.scaling.z);
    placement.fovSet = true;
    placement.fovX = ratio;
    placement.fovY = ratio;
}

}  // namespace

bool placeImages(ImageList& images, ClippingTable& clippings, const std::vector<ViewAngles>& views,
                 const std::vector<CameraFieldOfView>& cameras) {
    bool complete = false;
    const std::vector<int> slots = placedSlots(images, clippings, complete);
    if (!complete || slots.size() != views.size() || (!cameras.empty() && cameras.size() != views.size())) return false;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        const int index = slots[k];
        Clipping& clipping = *clippings.clipping(index);
        ClippingPlacement placement = placementAt(views[k]);
        const ClippingPlacement& before = clipping.placement();
        placement.imagePlane = before.imagePlane;
        placement.fovSet = before.fovSet;
        placement.fovX = before.fovX;
        placement.fovY = before.fovY;
        if (!cameras.empty()) setCameraFieldOfView(placement, images.entry(index)->workingCopy, cameras[k].tanHalfWidth);
        clipping.setPlacement(placement);
        ClippingFlags flags = clipping.flags();
        flags.enabled = true;
        clipping.setFlags(flags);
        images.setMarkers(index, flags.forsculpting, flags.fortexturing);
    }
    return true;
}

bool applyCameraFieldsOfView(ImageList& images, ClippingTable& clippings, const std::vector<CameraFieldOfView>& cameras) {
    bool complete = false;
    const std::vector<int> slots = placedSlots(images, clippings, complete);
    if (!complete || slots.size() != cameras.size()) return false;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        Clipping& clipping = *clippings.clipping(slots[k]);
        ClippingPlacement placement = clipping.placement();
        setCameraFieldOfView(placement, images.entry(slots[k])->workingCopy, cameras[k].tanHalfWidth);
        clipping.setPlacement(placement);
    }
    return true;
}
