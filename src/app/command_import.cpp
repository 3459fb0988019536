#include "app/command_import.h"

#include "app/command_support.h"
#include "app/placement_options.h"
#include "app/terminal_progress.h"

#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "project/picture_batch.h"
#include "project/project_file.h"
#include "render/image_file.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kName = "plastora import";

void printImportUsage(FILE* out) {
    std::fprintf(out,
                 "usage: plastora import PICTURE... -o PROJECT.qz [--turntable [--elevation DEG] [--start DEG]\n"
                 "                       [--clockwise] | --views \"Y,P,R;...\"] [--no-exif] [--quiet]\n"
                 "  Loads the pictures (BMP, DDS, DIB, HDR, JPG, PFM, PNG, PPM, TGA) as new\n"
                 "  images, each alpha channel becoming the image's mask, and saves them as\n"
                 "  a project with its image, mask and border files beside it.\n"
                 "  -o, --output PROJECT.qz     the project to write (\".qz\" is appended if missing)\n"
                 "%s"
                 "  --no-exif                   do not take the field of view from the photographs'\n"
                 "                              EXIF focal length\n"
                 "  -q, --quiet                 no progress on standard error\n"
                 "  -h, --help                  print this text and exit\n",
                 kPlacementUsage);
}

struct ImportArguments {
    std::vector<String> pictures;
    String output;
    SharedOptions options;
};

bool fail(const std::string& reason) {
    std::fprintf(stderr, "%s: %s\n", kName, reason.c_str());
    return false;
}

// Parses the arguments after "import"; false (with a message) when they do
// not make a command.
bool parseArguments(int argc, char** argv, ImportArguments& arguments) {
    bool optionsEnded = false;
    bool haveOutput = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (optionsEnded || argument[0] != '-' || argument[1] == '\0') {
            arguments.pictures.push_back(String(argument));
            continue;
        }
        std::string error;
        switch (readSharedOption(argc, argv, i, arguments.options, error)) {
            case OptionRead::Taken: continue;
            case OptionRead::Bad: return fail(error);
            case OptionRead::NotMine: break;
        }
        if (std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(argument, "-o") == 0 || std::strcmp(argument, "--output") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return fail(std::string(argument) + " needs a project file name");
            if (haveOutput) return fail("only one project can be written at a time");
            haveOutput = true;
            arguments.output = String(argv[++i]);
        } else {
            return fail(std::string("unknown option '") + argument + "'");
        }
    }
    if (arguments.options.help) return true;
    if (arguments.pictures.empty()) return fail("no pictures given");
    if (arguments.pictures.size() > static_cast<std::size_t>(kMaxProjectImages)) {
        // A project holds no more: the rest would be left out when it is loaded.
        return fail("a project holds at most " + std::to_string(kMaxProjectImages) + " pictures, not " +
                    std::to_string(arguments.pictures.size()));
    }
    if (!haveOutput) return fail("no project given (-o PROJECT.qz)");
    std::string error;
    if (!checkPlacementOptions(arguments.options.placement, error)) return fail(error);
    return true;
}

// Every picture must at least have a readable header before anything is
// loaded.
bool checkPictures(const std::vector<String>& pictures) {
    bool readable = true;
    for (const String& picture : pictures) {
        int width = 0;
        int height = 0;
        String error;
        if (!readImageSize(picture, width, height, error)) {
            std::fprintf(stderr, "%s: cannot read the picture '%s': %s\n", kName, picture.text(), error.text());
            readable = false;
        }
    }
    return readable;
}

}  // namespace

int runImportCommand(int argc, char** argv) {
    ImportArguments arguments;
    if (!parseArguments(argc, argv, arguments)) {
        printImportUsage(stderr);
        return 2;
    }
    if (arguments.options.help) {
        printImportUsage(stdout);
        return 0;
    }
    const int count = static_cast<int>(arguments.pictures.size());
    std::vector<ViewAngles> views;
    std::string error;
    if (arguments.options.placement.placesPictures() && !viewsForPictures(arguments.options.placement, count, views, error)) {
        fail(error);
        printImportUsage(stderr);
        return 2;
    }
    const String projectPath = projectFileName(arguments.output);
    if (!checkWritableFile(kName, "project", projectPath) || !checkPictures(arguments.pictures)) return 1;

    const Settings settings = userSettings();
    ImageList images;
    ClippingTable clippings(images);
    std::vector<int> numbers;
    for (int k = 0; k < count; ++k) numbers.push_back(images.nextImageNumber());
    PictureBatchOptions options;
    options.maskValue = maskValueOf(settings);
    options.readExif = arguments.options.placement.exif;
    options.makeClippings = true;

    TerminalProgress display(kName, TerminalProgress::styleFor(arguments.options.quiet));
    const auto progress = [&](int index, int done, int total) {
        const std::string caption = "Load image " + std::string(arguments.pictures[static_cast<std::size_t>(index)].view());
        display.step(caption, 50.0f * static_cast<float>(done) / static_cast<float>(total));
    };
    std::vector<LoadedPicture> loaded = loadPictureBatch(arguments.pictures, numbers, options, progress);
    bool readable = true;
    for (std::size_t k = 0; k < loaded.size(); ++k) {
        if (loaded[k].error.length() == 0) continue;
        display.message("cannot read the picture " + std::string(arguments.pictures[k].view()) + ": " +
                        std::string(loaded[k].error.view()));
        readable = false;
    }
    if (!readable) return 1;

    std::vector<CameraFieldOfView> cameras;
    for (LoadedPicture& picture : loaded) {
        clippings.appendWithClipping(std::move(picture.entry), std::move(picture.clipping));
        cameras.push_back(CameraFieldOfView{picture.tanHalfWidth});
    }
    if (arguments.options.placement.placesPictures()) {
        placeImages(images, clippings, views, cameras);
    } else {
        applyCameraFieldsOfView(images, clippings, cameras);
    }

    ProjectSettings sliders;
    sliders.voxelsize = settings.meshdetail;
    sliders.sharpening = settings.sharpening;
    sliders.smoothing = settings.smoothing;
    SaveProgress status(display, 50.0f, 50.0f);
    const ProjectSaveResult saved = saveProject(projectPath, images, sliders, status, &clippings);
    display.finish();
    if (!saved.saved) {
        std::fprintf(stderr, "%s: cannot write the project '%s': %s\n", kName, saved.projectPath.text(),
                     saved.error.text());
        return 1;
    }
    std::printf("Imported %d picture%s into %s%s\n", count, count == 1 ? "" : "s", saved.projectPath.text(),
                arguments.options.placement.placesPictures() ? ", placed" : "");
    return 0;
}
