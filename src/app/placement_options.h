// The placement options shared by "plastora import" and "plastora place":
//   --turntable [--elevation DEG] [--start DEG] [--clockwise]
//   --views "YAW,PITCH,ROLL;..."
//   --no-exif
#pragma once

#include "project/placement.h"

#include <string>
#include <vector>

struct PlacementOptions {
    bool turntable = false;
    float elevation = 0.0f;
    float start = 0.0f;
    bool clockwise = false;
    // Set by --elevation, --start and --clockwise, which need --turntable.
    bool turntableDetailGiven = false;
    bool viewsGiven = false;
    std::vector<ViewAngles> views;
    // Read the camera's angle of view from EXIF data (import only).
    bool exif = true;

    bool placesPictures() const { return turntable || viewsGiven; }
};

enum class OptionRead {
    Taken,    // the option (and its value) was read
    NotMine,  // not a placement option
    Bad,      // a placement option with a bad or missing value (reason in `error`)
};

// Reads the placement option at argv[i], advancing i over its value.
OptionRead readPlacementOption(int argc, char** argv, int& i, PlacementOptions& options, std::string& error);

// The options "import" and "place" share: the placement options, -h/--help
// and -q/--quiet.
struct SharedOptions {
    PlacementOptions placement;
    bool help = false;
    bool quiet = false;
};
OptionRead readSharedOption(int argc, char** argv, int& i, SharedOptions& options, std::string& error);

// The options make sense together: not both --turntable and --views, and
// the turntable details only with --turntable. False with the reason.
bool checkPlacementOptions(const PlacementOptions& options, std::string& error);

// The views of `count` pictures. False with the reason when --views names
// another number of views than there are pictures.
bool viewsForPictures(const PlacementOptions& options, int count, std::vector<ViewAngles>& views,
                      std::string& error);

// The usage lines of the placement options.
extern const char* const kPlacementUsage;
