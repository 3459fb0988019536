#include "app/command_place.h"

#include "app/command_support.h"
#include "app/placement_options.h"
#include "app/terminal_progress.h"

#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kName = "plastora place";

void printPlaceUsage(FILE* out) {
    std::fprintf(out,
                 "usage: plastora place PROJECT.qz --turntable [--elevation DEG] [--start DEG] [--clockwise]\n"
                 "       plastora place PROJECT.qz --views \"Y,P,R;Y,P,R;...\"\n"
                 "  Places the project's pictures, in the project's order, and saves it again.\n"
                 "%s"
                 "  -q, --quiet                 no progress on standard error\n"
                 "  -h, --help                  print this text and exit\n",
                 kPlacementUsage);
}

struct PlaceArguments {
    String project;
    PlacementOptions placement;
    bool quiet = false;
    bool help = false;
};

bool fail(const std::string& reason) {
    std::fprintf(stderr, "%s: %s\n", kName, reason.c_str());
    return false;
}

bool parseArguments(int argc, char** argv, PlaceArguments& arguments) {
    int projects = 0;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-' || argument[1] == '\0') {
            arguments.project = String(argument);
            ++projects;
            continue;
        }
        std::string error;
        switch (readPlacementOption(argc, argv, i, arguments.placement, error)) {
            case OptionRead::Taken: continue;
            case OptionRead::Bad: return fail(error);
            case OptionRead::NotMine: break;
        }
        if (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0) {
            arguments.help = true;
        } else if (std::strcmp(argument, "-q") == 0 || std::strcmp(argument, "--quiet") == 0) {
            arguments.quiet = true;
        } else {
            return fail(std::string("unknown option '") + argument + "'");
        }
    }
    if (arguments.help) return true;
    if (projects != 1) return fail(projects == 0 ? "no project given" : "give exactly one project");
    std::string error;
    if (!checkPlacementOptions(arguments.placement, error)) return fail(error);
    if (!arguments.placement.placesPictures()) return fail("say how to place the pictures: --turntable or --views");
    if (!arguments.project.endsWith(".qz")) return fail("the project file must end in .qz");
    return true;
}

// Each image saved is one step of the display.
class SaveStatus : public StatusSink {
public:
    explicit SaveStatus(TerminalProgress& display) : display_(display) {}
    void setProgress(float percent) override { percent_ = percent; }
    void setStatus(const String& text) override {
        if (text.view().starts_with("Save image and mask ")) display_.step(std::string(text.view()), percent_);
    }

private:
    TerminalProgress& display_;
    float percent_ = 0.0f;
};

}  // namespace

int runPlaceCommand(int argc, char** argv) {
    PlaceArguments arguments;
    if (!parseArguments(argc, argv, arguments)) {
        printPlaceUsage(stderr);
        return 2;
    }
    if (arguments.help) {
        printPlaceUsage(stdout);
        return 0;
    }
    ImageList images;
    ClippingTable clippings(images);
    ProjectSettings settings;
    StatusSink quiet;
    const ProjectLoadReport loaded = loadProject(arguments.project, images, settings, quiet, &clippings);
    if (!loaded.opened) {
        for (const String& problem : loaded.problems) fail(problem.str());
        fail("cannot place: the project '" + arguments.project.str() + "' could not be read");
        return 1;
    }
    if (!loaded.problems.empty()) {
        for (const String& problem : loaded.problems) fail(problem.str());
        fail("nothing was changed: saving the project again would replace the parts that could not be read");
        return 1;
    }
    if (images.imageCount() == 0) {
        fail("the project '" + arguments.project.str() + "' has no pictures to place");
        return 1;
    }
    std::vector<ViewAngles> views;
    std::string error;
    if (!viewsForPictures(arguments.placement, images.imageCount(), views, error)) {
        fail(error);
        printPlaceUsage(stderr);
        return 2;
    }
    if (!checkWritableFile(kName, "project", arguments.project)) return 1;
    placeImages(images, clippings, views, {});

    TerminalProgress display(kName, TerminalProgress::styleFor(arguments.quiet));
    SaveStatus status(display);
    const ProjectSaveResult saved = saveProject(arguments.project, images, settings, status, &clippings);
    display.finish();
    if (!saved.saved) {
        fail("cannot write the project '" + saved.projectPath.str() + "': " + saved.error.str() +
             " (the project was left as it was)");
        return 1;
    }
    std::printf("Placed %d picture%s of %s\n", images.imageCount(), images.imageCount() == 1 ? "" : "s",
                saved.projectPath.text());
    return 0;
}
