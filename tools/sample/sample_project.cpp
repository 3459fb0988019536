#include "sample_project.h"

#include "sample_object.h"

#include "image/image.h"
#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace sample {
namespace {

// The picture as an RGB image and its alpha as a grey image.
void toImages(const Picture& picture, Image& colour, Image& alpha) {
    colour = Image(kPictureSide, kPictureSide, picture.rgb.data());
    std::vector<unsigned char> grey(picture.alpha.size() * 3);
    for (std::size_t i = 0; i < picture.alpha.size(); ++i) {
        grey[i * 3] = grey[i * 3 + 1] = grey[i * 3 + 2] = picture.alpha[i];
    }
    alpha = Image(kPictureSide, kPictureSide, grey.data());
}

// Places the clipping where view `view` was taken: the picture's middle on
// the origin, the slab across the whole object, taking part in everything.
void place(Clipping& clipping, const View& view) {
    ClippingPlacement placement = clipping.placement();
    placement.translation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    placement.scaling = D3DXVECTOR3(kSlabDepth, kUnitsPerPixel, kUnitsPerPixel);
    placement.angle = view.angle;
    placement.angleheight = view.angleheight;
    placement.angleimage = 0.0f;
    placement.fovSet = false;
    clipping.setPlacement(placement);
    ClippingFlags flags = clipping.flags();
    flags.enabled = true;
    clipping.setFlags(flags);
}

bool makeFolder(const std::string& folder, std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (!code) return true;
    error = "cannot make " + folder + ": " + code.message();
    return false;
}

}  // namespace

bool writeTurntablePictures(const std::string& folder, int count, float elevation, std::string& error) {
    if (count < 1) {
        error = "a turntable needs at least one picture";
        return false;
    }
    if (!makeFolder(folder, error)) return false;
    for (int k = 0; k < count; ++k) {
        Image colour;
        Image alpha;
        toImages(renderView(View{360.0f * static_cast<float>(k) / static_cast<float>(count), -elevation}), colour,
                 alpha);
        char name[32];
        std::snprintf(name, sizeof name, "/turntable%02d.png", k + 1);
        const std::string path = folder + name;
        if (!colour.saveToFileWithAlpha(String(path.c_str()), alpha)) {
            error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

bool writeSampleProject(const std::string& folder, std::string& error) {
    if (!makeFolder(folder + "/pictures", error)) return false;
    ImageList images;
    ClippingTable clippings(images);
    const std::vector<View> views = sampleViews();
    for (std::size_t i = 0; i < views.size(); ++i) {
        Image colour;
        Image alpha;
        toImages(renderView(views[i]), colour, alpha);
        const std::string path = folder + "/pictures/view" + std::to_string(i) + ".png";
        if (!colour.saveToFileWithAlpha(String(path.c_str()), alpha)) {
            error = "cannot write " + path;
            return false;
        }
        String loadError;
        const int index = images.loadPicture(String(path.c_str()), 255, &loadError);
        if (loadError.length() > 0 || clippings.clipping(index) == nullptr) {
            error = "cannot load " + path + " back: " + std::string(loadError.view());
            return false;
        }
        place(*clippings.clipping(index), views[i]);
        images.setMarkers(index, true, true);
    }
    ProjectSettings settings;
    settings.voxelsize = kSampleVoxelSize;
    settings.sharpening = kSampleSharpening;
    settings.smoothing = kSampleSmoothing;
    StatusSink quiet;
    const std::string project = folder + "/sample.qz";
    const ProjectSaveResult saved = saveProject(String(project.c_str()), images, settings, quiet, &clippings);
    if (!saved.saved) {
        error = "cannot write " + project + ": " + std::string(saved.error.view());
        return false;
    }
    return true;
}

}  // namespace sample
