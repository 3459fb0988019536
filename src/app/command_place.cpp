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
    SharedOptions options;
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
        switch (readSharedOption(argc, argv, i, arguments.options, error)) {
            case OptionRead::Taken: continue;
            case OptionRead::Bad: return fail(error);
            case OptionRead::NotMine: return fail(std::string("unknown option '") + argument + "'");
        }
    }
    if (arguments.options.help) return true;
    if (projects != 1) return fail(projects == 0 ? "no project given" : "give exactly one project");
    std::string error;
    if (!checkPlacementOptions(arguments.options.placement, error)) return fail(error);
    if (!arguments.options.placement.placesPictures()) return fail("say how to place the pictures: --turntable or --views");
    if (!arguments.project.endsWith(".qz")) return fail("the project file must end in .qz");
    return true;
}

}  // namespace

int runPlaceCommand(int argc, char** argv) {
    PlaceArguments arguments;
    if (!parseArguments(argc, argv, arguments)) {
        printPlaceUsage(stderr);
        return 2;
    }
    if (arguments.options.help) {
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
    if (!viewsForPictures(arguments.options.placement, images.imageCount(), views, error)) {
        fail(error);
        printPlaceUsage(stderr);
        return 2;
    }
    if (!checkWritableFile(kName, "project", arguments.project)) return 1;
    placeImages(images, clippings, views, {});

    TerminalProgress display(kName, TerminalProgress::styleFor(arguments.options.quiet));
    SaveProgress status(display, 0.0f, 100.0f);
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
