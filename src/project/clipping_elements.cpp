// The clipping elements of a project entry and the table of clippings that
// the project file saves and loads through.
#include "project/clipping_elements.h"

#include "project/number_reading.h"

#include "core/logger.h"
#include "core/xml.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

// Coordinates and angles beyond this can only come from a damaged file.
constexpr float kMaxCoordinate = 1.0e6f;

const char* const kFlagNames[] = {"enabled",          "forsculpting",           "addingvoxels",
                                  "fortexturing",     "textureonlyinside",      "texturetakesmask",
                                  "participateinsharpening", "texturestrength", "texturebothsides"};

String integerText(int value) { return String().append(value); }
String floatText(float value) { return String().append(static_cast<double>(value)); }

using projectfile::readFloat;
using projectfile::readInteger;

void addVectorElement(XmlNode& entry, const char* name, const D3DXVECTOR3& value) {
    XmlNode* node = entry.addChild(String(name));
    node->addAttribute(String("x"), floatText(value.x));
    node->addAttribute(String("y"), floatText(value.y));
    node->addAttribute(String("z"), floatText(value.z));
}

bool* flagField(ClippingFlags& flags, int which) {
    switch (which) {
        case 0: return &flags.enabled;
        case 1: return &flags.forsculpting;
        case 2: return &flags.addingvoxels;
        case 3: return &flags.fortexturing;
        case 4: return &flags.textureonlyinside;
        case 5: return &flags.texturetakesmask;
        case 6: return &flags.participateinsharpening;
        case 8: return &flags.texturebothsides;
        default: return nullptr;
    }
}

// Reads the three attributes of `node` (by position) as floats.
bool readThree(const XmlNode& node, float& a, float& b, float& c) {
    return node.attributeCount() >= 3 && readFloat(node.attribute(0).value, a) &&
           readFloat(node.attribute(1).value, b) && readFloat(node.attribute(2).value, c);
}

bool isWithin(float value, float limit) { return std::isfinite(value) && std::fabs(value) <= limit; }

// Reads the element as one of the nine flag / integer elements; false when
// its name is none of them.
bool readFlagElement(const XmlNode& node, ClippingFlags& flags, const String& imageName,
                     std::vector<String>& problems) {
    for (int which = 0; which < 9; ++which) {
        if (!node.name().equals(kFlagNames[which])) continue;
        int value = 0;
        if (!readInteger(node.text(), value)) {
            problems.push_back(String("Image ").append(imageName).append(String(": the clipping value "))
                                   .append(node.name()).append(String(" is not a number; its default is kept")));
            return true;
        }
        if (which == 7) {
            flags.texturestrength = value;
        } else {
            *flagField(flags, which) = value != 0;
        }
        return true;
    }
    return false;
}

// Reads the element as one of the placement elements; false when its name is
// none of them. `readable` is cleared when the element's values are not
// numbers.
bool readPlacementElement(const XmlNode& node, ClippingRecord& record, bool& readable) {
    ClippingPlacement& placement = record.placement;
    const String& name = node.name();
    if (name.equals("translation")) {
        readable &= readThree(node, placement.translation.x, placement.translation.y, placement.translation.z);
    } else if (name.equals("rotation")) {
        readable &= readThree(node, placement.rotation.x, placement.rotation.y, placement.rotation.z);
    } else if (name.equals("scaling")) {
        readable &= readThree(node, placement.scaling.x, placement.scaling.y, placement.scaling.z);
    } else if (name.equals("angles")) {
        readable &= readThree(node, placement.angle, placement.angleheight, placement.angleimage);
    } else if (name.equals("fov")) {
        int set = 0;
        readable &= node.attributeCount() >= 3 && readInteger(node.attribute(0).value, set) &&
                    readFloat(node.attribute(1).value, placement.fovX) &&
                    readFloat(node.attribute(2).value, placement.fovY);
        placement.fovSet = set != 0;
    } else if (name.equals("depth")) {
        readable &= readFloat(node.text(), record.depth);
    } else {
        return false;
    }
    return true;
}

}  // namespace

// --- elements ----------------------------------------------------------------------------

ClippingRecord recordOf(const Clipping& clipping) {
    ClippingRecord record;
    record.placement = clipping.placement();
    record.flags = clipping.flags();
    record.depth = clipping.depth();
    return record;
}

void writeClippingElements(const ClippingRecord& record, XmlNode& entry) {
    ClippingFlags flags = record.flags;
    for (int which = 0; which < 9; ++which) {
        const int value = which == 7 ? static_cast<int>(flags.texturestrength) : (*flagField(flags, which) ? 1 : 0);
        entry.addChild(String(kFlagNames[which]), integerText(value));
    }
    const ClippingPlacement& placement = record.placement;
    addVectorElement(entry, "translation", placement.translation);
    addVectorElement(entry, "rotation", placement.rotation);
    XmlNode* angles = entry.addChild(String("angles"));
    angles->addAttribute(String("angle"), floatText(placement.angle));
    angles->addAttribute(String("angleheight"), floatText(placement.angleheight));
    angles->addAttribute(String("angleimage"), floatText(placement.angleimage));
    addVectorElement(entry, "scaling", placement.scaling);
    XmlNode* fov = entry.addChild(String("fov"));
    fov->addAttribute(String("set"), integerText(placement.fovSet ? 1 : 0));
    fov->addAttribute(String("x"), floatText(placement.fovX));
    fov->addAttribute(String("y"), floatText(placement.fovY));
    entry.addChild(String("depth"), floatText(record.depth));
}

bool isPlacementSound(const ClippingPlacement& placement) {
    const D3DXVECTOR3& t = placement.translation;
    const D3DXVECTOR3& r = placement.rotation;
    const D3DXVECTOR3& s = placement.scaling;
    const bool position = isWithin(t.x, kMaxCoordinate) && isWithin(t.y, kMaxCoordinate) &&
                          isWithin(t.z, kMaxCoordinate);
    const bool turns = isWithin(r.x, kMaxCoordinate) && isWithin(r.y, kMaxCoordinate) &&
                       isWithin(r.z, kMaxCoordinate) && isWithin(placement.angle, kMaxCoordinate) &&
                       isWithin(placement.angleheight, kMaxCoordinate) &&
                       isWithin(placement.angleimage, kMaxCoordinate);
    const bool sizes = isWithin(s.x, kMaxCoordinate) && s.x > 0.0f && isWithin(s.y, kMaxCoordinate) && s.y > 0.0f &&
                       isWithin(s.z, kMaxCoordinate) && s.z > 0.0f;
    const bool fov = isWithin(placement.fovX, kMaxCoordinate) && placement.fovX > 0.0f &&
                     isWithin(placement.fovY, kMaxCoordinate) && placement.fovY > 0.0f;
    return position && turns && sizes && fov && std::isfinite(placement.imagePlane);
}

ClippingRecord readClippingElements(const XmlNode& entry, const String& imageName, std::vector<String>& problems) {
    ClippingRecord record;
    bool readable = true;
    for (int i = 2; i < entry.childCount(); ++i) {
        const XmlNode& node = *entry.child(i);
        if (readFlagElement(node, record.flags, imageName, problems)) continue;
        readPlacementElement(node, record, readable);
    }
    const bool depthSound = isWithin(record.depth, kMaxCoordinate);
    if (!readable || !depthSound || !isPlacementSound(record.placement)) {
        problems.push_back(String("Image ").append(imageName).append(
            String(": the stored placement is unusable (a value that is not a number, or a size that is not "
                   "positive); the image keeps the default placement and takes no part until it is placed")));
        return ClippingRecord();
    }
    return record;
}

void applyRecord(const ClippingRecord& record, Clipping& clipping) {
    ClippingPlacement placement = record.placement;
    placement.imagePlane = clipping.placement().imagePlane;
    clipping.setPlacement(placement);
    clipping.setFlags(record.flags);
    clipping.setDepth(record.depth);
}

// --- table ---------------------------------------------------------------------------------

ClippingTable::ClippingTable(ImageList& images) : images_(images) {
    for (int index = 0; index < images.slotCount(); ++index) {
        ImageEntry* entry = images.entry(index);
        if (entry != nullptr) entryAdded(index, *entry);
    }
    images_.addListener(this);
}

ClippingTable::~ClippingTable() {
    images_.removeListener(this);
    for (int index = 0; index < images_.slotCount(); ++index) {
        ImageEntry* entry = images_.entry(index);
        if (entry != nullptr && clipping(index) != nullptr) entry->clippingChanged = nullptr;
    }
    clippings_.clear();
}

Clipping* ClippingTable::clipping(int index) const {
    if (index < 0 || index >= slotCount()) return nullptr;
    return clippings_[static_cast<std::size_t>(index)].get();
}

int ClippingTable::appendWithClipping(std::unique_ptr<ImageEntry> entry, std::unique_ptr<Clipping> clipping) {
    if (clipping && entry && &clipping->entry() == entry.get()) prepared_ = std::move(clipping);
    const int index = images_.append(std::move(entry));
    prepared_.reset();
    return index;
}

void ClippingTable::entryAdded(int index, ImageEntry& entry) {
    if (index < 0) return;
    if (index >= slotCount()) clippings_.resize(static_cast<std::size_t>(index) + 1);
    std::unique_ptr<Clipping> clipping =
        prepared_ && &prepared_->entry() == &entry ? std::move(prepared_) : std::make_unique<Clipping>(entry);
    Clipping* made = clipping.get();
    entry.clippingChanged = [made] { made->markImageChanged(); };
    clippings_[static_cast<std::size_t>(index)] = std::move(clipping);
}

void ClippingTable::entryRemoved(int index, ImageEntry& entry) {
    entry.clippingChanged = nullptr;
    if (index >= 0 && index < slotCount()) clippings_[static_cast<std::size_t>(index)].reset();
}

void ClippingTable::entriesSwapped(int first, int second) {
    const int needed = std::max(first, second) + 1;
    if (first < 0 || second < 0) return;
    if (needed > slotCount()) clippings_.resize(static_cast<std::size_t>(needed));
    std::swap(clippings_[static_cast<std::size_t>(first)], clippings_[static_cast<std::size_t>(second)]);
}

void ClippingTable::beginSave() {
    for (auto& clipping : clippings_) {
        if (clipping) clipping->holdImagePlaneInMiddle();
    }
}

void ClippingTable::endSave() {
    for (auto& clipping : clippings_) {
        if (clipping) clipping->restoreImagePlane();
    }
}

void ClippingTable::writeClipping(const ImageList& /*images*/, int index, XmlNode& entry) {
    const Clipping* found = clipping(index);
    if (found != nullptr) writeClippingElements(recordOf(*found), entry);
}

void ClippingTable::readClipping(ImageList& images, int index, const XmlNode& entry) {
    Clipping* found = clipping(index);
    const ImageEntry* image = images.entry(index);
    if (found == nullptr || image == nullptr) return;
    std::vector<String> lines;
    const ClippingRecord record = readClippingElements(entry, image->name(), lines);
    for (const String& line : lines) {
        Logger::instance().error("Load project", line);
        problems_.push_back(line);
    }
    applyRecord(record, *found);
    const bool enabled = record.flags.enabled;
    images.setMarkers(index, enabled && record.flags.forsculpting, enabled && record.flags.fortexturing);
}

void ClippingTable::endLoad() {
    for (auto& clipping : clippings_) {
        if (clipping) clipping->restoreImagePlane();
    }
}

void ClippingTable::copyClipping(int from, int to) {
    const Clipping* source = clipping(from);
    Clipping* target = clipping(to);
    if (source == nullptr || target == nullptr || source == target) return;
    applyRecord(recordOf(*source), *target);
}
