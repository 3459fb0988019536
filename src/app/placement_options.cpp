#include "app/placement_options.h"

#include <cstring>

const char* const kPlacementUsage =
    "  --turntable                 place the pictures, in the order given, around the\n"
    "                              object at equal steps (as taken on a turntable)\n"
    "  --elevation DEG             the camera's height above the turntable's plane in\n"
    "                              degrees (-90 to 90; 0 by default): it looks down on\n"
    "                              the object by that much\n"
    "  --start DEG                 the yaw of the first picture (0 by default)\n"
    "  --clockwise                 the camera went round clockwise seen from above (the\n"
    "                              turntable turned counter-clockwise)\n"
    "  --views \"Y,P,R;Y,P,R;...\"   yaw, pitch and roll of every picture in degrees, as\n"
    "                              the transformation mode's sliders show them\n";

OptionRead readPlacementOption(int argc, char** argv, int& i, PlacementOptions& options, std::string& error) {
    const char* option = argv[i];
    const auto is = [option](const char* name) { return std::strcmp(option, name) == 0; };
    if (is("--turntable")) {
        options.turntable = true;
        return OptionRead::Taken;
    }
    if (is("--clockwise")) {
        options.clockwise = true;
        options.turntableDetailGiven = true;
        return OptionRead::Taken;
    }
    if (is("--no-exif")) {
        options.exif = false;
        return OptionRead::Taken;
    }
    if (!is("--elevation") && !is("--start") && !is("--views")) return OptionRead::NotMine;
    if (i + 1 >= argc) {
        error = std::string(option) + " needs a value";
        return OptionRead::Bad;
    }
    const std::string value = argv[++i];
    if (is("--views")) {
        if (options.viewsGiven) {
            error = "--views can be given only once";
            return OptionRead::Bad;
        }
        options.viewsGiven = true;
        return parseViews(value, options.views, error) ? OptionRead::Taken : OptionRead::Bad;
    }
    options.turntableDetailGiven = true;
    if (is("--elevation")) {
        return parseDegrees(option, value, -kMaxElevation, kMaxElevation, options.elevation, error) ? OptionRead::Taken
                                                                                                    : OptionRead::Bad;
    }
    return parseDegrees(option, value, -360.0f, 360.0f, options.start, error) ? OptionRead::Taken : OptionRead::Bad;
}

OptionRead readSharedOption(int argc, char** argv, int& i, SharedOptions& options, std::string& error) {
    if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
        options.help = true;
        return OptionRead::Taken;
    }
    if (std::strcmp(argv[i], "-q") == 0 || std::strcmp(argv[i], "--quiet") == 0) {
        options.quiet = true;
        return OptionRead::Taken;
    }
    return readPlacementOption(argc, argv, i, options.placement, error);
}

bool checkPlacementOptions(const PlacementOptions& options, std::string& error) {
    if (options.turntable && options.viewsGiven) {
        error = "--turntable and --views cannot be given together";
        return false;
    }
    if (options.turntableDetailGiven && !options.turntable) {
        error = "--elevation, --start and --clockwise go with --turntable";
        return false;
    }
    return true;
}

bool viewsForPictures(const PlacementOptions& options, int count, std::vector<ViewAngles>& views,
                      std::string& error) {
    if (options.turntable) {
        views = turntableViews(count, options.elevation, options.start, options.clockwise);
        return true;
    }
    if (static_cast<int>(options.views.size()) != count) {
        error = "--views gives " + std::to_string(options.views.size()) + " view" +
                (options.views.size() == 1 ? "" : "s") + " for " + std::to_string(count) + " picture" +
                (count == 1 ? "" : "s");
        return false;
    }
    views = options.views;
    return true;
}
