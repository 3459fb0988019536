// Loading a project: the XML tree, then one new image per "entry" with its
// picture, mask, margins, rotation centre and border file.
#include "project/project_file.h"

#include "project/clipping_data.h"
#include "project/number_reading.h"

#include "core/file_io.h"
#include "core/logger.h"
#include "core/xml.h"
#include "image/border.h"
#include "image/image_entry.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

namespace {

// Reference points further out than this can only come from a damaged file;
// the 3D placement would overflow with them.
constexpr float kMaxPointCoordinate = 1.0e6f;

String text(const char* before, const String& middle, const char* after = "") {
    String result(before);
    return result.append(middle).append(String(after));
}

using projectfile::readFloat;
using projectfile::readInteger;

// A companion file name must stay inside the project's folder.
bool isCompanionName(const String& name) {
    const std::string_view view = name.view();
    if (view.empty() || view.front() == '/' || view.find('\0') != std::string_view::npos) return false;
    std::size_t start = 0;
    while (start <= view.size()) {
        std::size_t end = view.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = view.size();
        if (view.substr(start, end - start) == "..") return false;
        start = end + 1;
    }
    return true;
}

// What loading one project collects along the way.
struct LoadState {
    const String& folder;
    ImageList& images;
    ProjectSettings& settings;
    StatusSink& status;
    ClippingData* clippings;
    ProjectLoadReport& report;
    int entriesLeftOut = 0;

    void problem(const String& line) {
        Logger::instance().error("Load project", line);
        report.problems.push_back(line);
    }
};

void readConfig(const XmlNode& config, LoadState& state) {
    for (int i = 0; i < config.childCount(); ++i) {
        const XmlNode& child = *config.child(i);
        float* slider = nullptr;
        if (child.name().equals("voxelsize")) slider = &state.settings.voxelsize;
        if (child.name().equals("sharpening")) slider = &state.settings.sharpening;
        if (child.name().equals("smoothing")) slider = &state.settings.smoothing;
        if (slider == nullptr) continue;
        int value = 0;
        if (readInteger(child.text(), value) && value >= 0) {
            *slider = static_cast<float>(value);
        } else {
            state.problem(text("The setting ", child.name(), " holds no usable value; it was left as it was"));
        }
    }
}

// The child named `name` at `position` when it is there, else the first
// child of that name that `fits`; null when there is none.
template <typename Fits>
const XmlNode* childByPositionOrName(const XmlNode& entry, int position, const char* name, Fits fits) {
    const XmlNode* atPosition = entry.child(position);
    if (atPosition != nullptr && atPosition->name().equals(name) && fits(*atPosition)) return atPosition;
    for (int i = 0; i < entry.childCount(); ++i) {
        const XmlNode* child = entry.child(i);
        if (child->name().equals(name) && fits(*child)) return child;
    }
    return nullptr;
}

// Reads a picture or mask file named by attribute `which` of the entry.
// Returns an invalid image when the name is unusable or the file unreadable
// (reported).
Image readCompanionImage(const XmlNode& entry, int which, const char* what, LoadState& state) {
    const String name = entry.attribute(which).value;
    if (!isCompanionName(name)) {
        state.problem(text("An image entry names no usable ", String(what), " file").append(
            name.length() > 0 ? text(" (", name, ")") : String()));
        return Image();
    }
    String path = state.folder;
    path.append(name);
    Image image(path);
    if (image.loadError().length() > 0 || !image.isValid()) {
        state.problem(text("Could not read ", path, ": ").append(image.loadError()));
        return Image();
    }
    return image;
}

// The picture as a canvas square: a missing picture gives a black canvas, a
// picture of another size (not written by this program) is scaled and
// embedded like a newly loaded photo.
Image canvasPicture(Image picture, LoadState& state, bool& refitted) {
    refitted = false;
    if (!picture.isValid()) return Image(Image::kCanvasSide, Image::kCanvasSide);
    if (picture.width() == Image::kCanvasSide && picture.height() == Image::kCanvasSide) return picture;
    state.problem(text("The picture ", picture.name(), " is not 512 by 512 pixels; it was fitted to the canvas"));
    refitted = true;
    return makeWorkingCopy(picture);
}

// Applies the stored margins (kept only when they leave a picture) and the
// rotation centre to the working copy.
void applyGeometry(const XmlNode& entry, Image& working, LoadState& state) {
    const XmlNode* margins = childByPositionOrName(entry, 0, "border",
                                                   [](const XmlNode& n) { return n.attributeCount() >= 2; });
    if (margins != nullptr) {
        int right = 0;
        int bottom = 0;
        const bool numbers = readInteger(margins->attribute(0).value, right) &&
                             readInteger(margins->attribute(1).value, bottom);
        if (numbers && right >= 0 && right < working.width() && bottom >= 0 && bottom < working.height()) {
            working.marginRight = right;
            working.marginBottom = bottom;
        } else {
            state.problem(text("Image ", working.name(), " has unusable margins; the whole canvas is used"));
        }
    } else {
        state.problem(text("Image ", working.name(), " has no margins; the whole canvas is used"));
    }
    working.area = ImageRect{static_cast<float>(working.height() - working.marginBottom), 0.0f,
                             static_cast<float>(working.width() - working.marginRight), 0.0f};
    const ImagePoint middle{working.area.right * 0.5f, working.area.bottom * 0.5f};
    working.rotationCentre = middle;
    working.fovCentre = middle;
    working.snapPoint = middle;

    const XmlNode* centre = childByPositionOrName(entry, 1, "rotationcenter",
                                                  [](const XmlNode& n) { return n.attributeCount() >= 2; });
    ImagePoint point;
    if (centre != nullptr && readFloat(centre->attribute(0).value, point.x) &&
        readFloat(centre->attribute(1).value, point.y) && std::fabs(point.x) <= kMaxPointCoordinate &&
        std::fabs(point.y) <= kMaxPointCoordinate) {
        working.rotationCentre = point;
    } else {
        state.problem(text("Image ", working.name(), " has no usable rotation centre; the middle is used"));
    }
}

// Reads the border file of the entry into the new image's border.
void readBorderFile(const XmlNode& entry, ImageEntry& image, LoadState& state) {
    const XmlNode* file = childByPositionOrName(entry, 2, "border", [](const XmlNode& n) {
        return n.attributeCount() == 0 && n.text().length() > 0;
    });
    if (file == nullptr || !image.border) return;
    if (!isCompanionName(file->text())) {
        state.problem(text("Image ", image.name(), " names no usable border file; its border was traced anew"));
        return;
    }
    String path = state.folder;
    path.append(file->text());
    if (!image.border->read(path)) {
        state.problem(text("Could not read all of ", path, "; the border was traced from the mask"));
    }
}

void readEntry(const XmlNode& node, LoadState& state) {
    Image picture = readCompanionImage(node, 0, "picture", state);
    Image mask = readCompanionImage(node, 1, "mask", state);
    const int pictureWidth = picture.width();
    const int pictureHeight = picture.height();
    bool refitted = false;
    Image working = canvasPicture(std::move(picture), state, refitted);
    const String number = String().append(state.images.nextImageNumber());
    working.setName(number);
    if (!refitted) applyGeometry(node, working, state);
    if (refitted && mask.width() == pictureWidth && mask.height() == pictureHeight) mask = makeWorkingCopy(mask);
    mask.rotationCentre = working.rotationCentre;

    state.status.setStatus(String("Add image"));
    state.status.drawFrame();
    Image bigger = working.clone();
    auto entry = std::make_unique<ImageEntry>(std::move(bigger), std::move(working), std::move(mask));
    entry->setName(number);
    ImageEntry& added = *entry;
    const int index = state.images.append(std::move(entry));
    ++state.report.imagesAdded;

    state.status.setStatus(String("Load border properties"));
    state.status.drawFrame();
    readBorderFile(node, added, state);

    state.status.setStatus(String("Load image properties"));
    state.status.drawFrame();
    if (state.clippings != nullptr) state.clippings->readClipping(state.images, index, node);
    if (added.border) added.border->update();
}

void readTree(const XmlNode& root, LoadState& state, int maxImages) {
    const int children = root.childCount();
    for (int k = 0; k < children; ++k) {
        state.status.setProgress(100.0f / static_cast<float>(children) * static_cast<float>(k));
        state.status.setStatus(String("Load project"));
        state.status.drawFrame();
        const XmlNode& child = *root.child(k);
        if (child.name().equals("config")) {
            readConfig(child, state);
        } else if (child.name().equals("entry")) {
            if (state.report.imagesAdded < maxImages) {
                readEntry(child, state);
            } else {
                ++state.entriesLeftOut;
            }
        }
    }
    if (state.entriesLeftOut > 0) {
        String line("Only the first ");
        line.append(maxImages).append(String(" images of the project were loaded; "));
        line.append(state.entriesLeftOut).append(String(" more were left out"));
        state.problem(line);
    }
}

ProjectLoadReport loadDocument(const XmlDocument& document, bool read, const String& what, const String& folder,
                               ImageList& images, ProjectSettings& settings, StatusSink& status,
                               ClippingData* clippings, int maxImages) {
    ProjectLoadReport report;
    LoadState state{folder, images, settings, status, clippings, report};
    status.setProgress(0.0f);
    status.setBusy(true);
    const XmlNode* root = document.root();
    if (!read) {
        state.problem(text("Could not read the project file ", what));
    } else if (root == nullptr || !root->name().equals("Plastora")) {
        state.problem(text("The file ", what, " is not a Plastora project"));
    } else {
        report.opened = true;
        readTree(*root, state, maxImages);
    }
    if (clippings != nullptr) clippings->endLoad();
    status.setBusy(false);
    return report;
}

}  // namespace

ProjectLoadReport loadProject(const String& path, ImageList& images, ProjectSettings& settings, StatusSink& status,
                              ClippingData* clippings) {
    std::vector<unsigned char> bytes;
    XmlDocument document;
    const bool read = readFile(path, bytes);
    if (read) document.parseBuffer(bytes.data(), bytes.size());
    return loadDocument(document, read, path, projectFolder(path), images, settings, status, clippings,
                        kMaxProjectImages);
}

ProjectLoadReport loadProjectFromMemory(const unsigned char* bytes, std::size_t count, const String& folder,
                                        ImageList& images, ProjectSettings& settings, StatusSink& status,
                                        ClippingData* clippings, int maxImages) {
    XmlDocument document;
    const bool read = bytes != nullptr || count == 0;
    if (bytes != nullptr) document.parseBuffer(bytes, count);
    return loadDocument(document, read, String("in memory"), folder, images, settings, status, clippings,
                        maxImages < 0 ? 0 : maxImages);
}

String describeLoadProblems(const ProjectLoadReport& report) {
    constexpr std::size_t kShown = 10;
    String message;
    for (std::size_t i = 0; i < report.problems.size() && i < kShown; ++i) {
        if (i > 0) message.append('\n');
        message.append(report.problems[i]);
    }
    if (report.problems.size() > kShown) {
        message.append(String("\n... and "));
        message.append(static_cast<int>(report.problems.size() - kShown));
        message.append(String(" more (see the log)"));
    }
    return message;
}
