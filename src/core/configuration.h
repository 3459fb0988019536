// The program's settings and their configuration files.
//
// "config.xml" in the application directory holds every setting; it is read
// once at start-up into a document tree, applied to a Settings object, and the
// current values are written back into the same tree and file at shut-down.
// "data/defaultconfig.xml" has the same layout and restores the view settings
// on "Default Settings".
//
// File layout: a root element (any name) whose children are the keys, in any
// order. A key is an element whose text is the value; colours are elements
// with the children "red", "green" and "blue"; the camera speeds an element
// with the children "moving", "zooming" and "lookaround". Unknown elements are
// ignored, missing keys leave their setting as it is, and only elements that
// already exist are ever written.
#pragma once

#include "core/menu_checks.h"
#include "core/string.h"
#include "core/xml.h"

#include <functional>
#include <vector>

// A colour stored as three bytes (view colours of the renderer, masks, borders
// and lines).
struct ColourBytes {
    unsigned char red = 0;
    unsigned char green = 0;
    unsigned char blue = 0;
    bool operator==(const ColourBytes&) const = default;
};

// A material colour with float parts (normally 0 to 1).
struct ColourFloats {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    bool operator==(const ColourFloats&) const = default;
};

// Camera speeds of the transformation mode: moving (0 to 3000), zooming
// (0 to 30) and looking around (0 to 1).
struct CameraSpeeds {
    float moving = 2200.0f;
    float zooming = 10.0f;
    float lookaround = 0.3f;
    bool operator==(const CameraSpeeds&) const = default;
};

// Every setting that the configuration files carry, named after its key, with
// the value it has before any file is applied.
struct Settings {
    // Window and back-buffer size; -1 takes the screen size. Read at start-up
    // only (windowSizeFromConfiguration); written from the back buffer.
    int screenwidth = -1;
    int screenheight = -1;
    // Non-zero opens and enables the log (read when the application object is
    // made); never written.
    int logging = 0;

    // Flags behind check items of the menus.
    bool toggleviewingkeyshortcuts = true;  // View, "Render Keyshortcuts"
    bool togglehelpbox = true;              // View, "Render Mouse Helptext"
    bool togglehelptext = true;             // View, "Render Statusbar"
    bool checkforupdateatstartup = true;    // Info, "Check For Update At Startup"
    bool toggleintpreview = true;           // View, "Render Interactive Preview"

    CameraSpeeds cameraspeed;
    ColourBytes backgroundcol{60, 60, 66};

    // 2D mode: masks and brush.
    ColourBytes maskcol{220, 40, 40};
    float maskopac = 192.0f;
    ColourBytes brushcolrem{40, 110, 230};
    ColourBytes brushcolover{255, 140, 140};
    ColourBytes brushcolremover{130, 170, 255};
    float animtime = 400.0f;  // milliseconds

    // 2D mode: borders and their vertices.
    ColourBytes bordercol{255, 210, 0};
    ColourBytes bordercolrem{0, 150, 255};
    ColourBytes bordercolover{255, 255, 255};
    ColourBytes bordercolselected{80, 255, 80};
    ColourBytes bordercolvertuns{255, 140, 0};
    ColourBytes bordercolvertover{255, 255, 255};
    ColourBytes bordercolvertsel{80, 255, 80};

    // Transformation mode: border lines of images that add or remove voxels.
    ColourBytes linescolor{0, 200, 0};
    ColourBytes linescolorremove{230, 30, 30};

    int maxnrundos = 30;

    // Sculpting sliders.
    float meshdetail = 10.0f;  // index 0 to 12 of the voxel-size slider
    float sharpening = 10.0f;
    float smoothing = 0.0f;
    float maxsharpening = 100.0f;
    float maxsmoothing = 50.0f;

    // Floor plane and orientation cube.
    bool renderplane = true;   // "Render Plane"
    bool rendercube = true;    // "Render Cube"
    int planenrtiles = 20;
    int cubenrtiles = 10;      // read, no effect
    bool renderdegs = true;    // "Render Degrees"
    bool viewcoordinatesystem = true;

    // Clipping display.
    float frontalpha = 100.0f;
    float frontbackgroundalpha = 255.0f;
    float sidequality = 1.0f;
    float sidetransparency = 150.0f;

    // Collision lines and decals.
    bool viewcollisionlines = true;
    bool collisionlinesbordertransp = false;
    ColourBytes collisionlinesbordercol{255, 255, 0};
    bool collisionlineswithclippings = true;  // "Collision Lines With Borders"
    bool collisionlineswithobject = false;    // "Collision Lines With Object"
    bool viewdecals = false;
    bool decalsonclippings = true;
    bool decalsonobject = false;
    int decalquality = 8;

    float pickangle = 2.0f;  // degrees

    // Material of the sculpted object; written only while one exists.
    ColourFloats objmaterialdiffuse{1.0f, 1.0f, 1.0f};
    ColourFloats objmaterialambient{0.0f, 0.0f, 0.0f};
    ColourFloats objmaterialspecular{0.0f, 0.0f, 0.0f};
    ColourFloats objmaterialemissive{0.0f, 0.0f, 0.0f};

    int bordernrsmoothes = 10;

    // Update check. An empty server or host means "not configured"; the
    // server is an IPv4 address in dotted form. Never written.
    String updateserver;
    int updateport = 80;
    String updatehost;
    String homepage;

    bool operator==(const Settings&) const = default;
};

// When the value of a key is written back into "config.xml" at shut-down.
enum class WriteBack {
    Never,
    Always,
    WhileSculptedObject,  // only while a sculpted object exists
    BackBufferWidth,      // the current back-buffer width, not the setting
    BackBufferHeight,
};

// One key of the configuration files.
struct ConfigurationKey {
    const char* name;
    WriteBack written;
    // The check item that follows the flag in both modes' menu bars, or null.
    const char* menu;
    const char* label;
};

// Every key the program knows, in the order of the installed files.
const std::vector<ConfigurationKey>& configurationKeys();

// What applyConfiguration did.
struct ApplyReport {
    int applied = 0;              // elements applied (a repeated key counts each time)
    std::vector<String> unknown;  // names of the root's children that are no key
};

// Walks the root's children once, in document order, and applies every known
// key to `settings` (a repeated key: the last one wins). Integers and flags
// are read like atoi, floats like atof; a text that is not a number gives 0.
// Colour parts keep the low 8 bits of their integer value (300 gives 44).
// Values that would make a setting unusable (a tile count of 0, a voxel depth
// outside the slider, a negative undo limit, ...) are brought into range and
// logged. For each flag with a check item, `menus` (may be null) gets the new
// state for mode 1 and mode 2. A document without a root changes nothing.
ApplyReport applyConfiguration(const XmlDocument& document, Settings& settings, MenuChecks* menus);

// As applyConfiguration, but only the keys the application object reads when
// it is made: "backgroundcol" and "logging".
void applyEarlySettings(const XmlDocument& document, Settings& settings);

// The window size at start-up: the screen size, replaced by the first
// "screenwidth" / "screenheight" whose value is not -1. A value outside
// 1..16384 is logged and ignored.
struct WindowSize {
    int width;
    int height;
};
WindowSize windowSizeFromConfiguration(const XmlDocument& document, int screenWidth, int screenHeight);

// The state of the program at shut-down that storeConfiguration writes beside
// the settings.
struct ShutdownState {
    int backBufferWidth = 0;
    int backBufferHeight = 0;
    bool sculptedObjectExists = false;
};

// Replaces, in the tree only, the text of every existing element whose key is
// written back (for colours and camera speeds: the text of each existing
// part). Colour parts and floats are written with "%f", integers with "%d",
// flags as "1" or "0". No element is added or removed. Returns the number of
// texts replaced; 0 for a document without a root.
int writeSettingsIntoTree(XmlDocument& document, const Settings& settings, const ShutdownState& state);

// writeSettingsIntoTree, then writes the tree to `path` (indent unit 4)
// through a temporary file that is renamed over it, so the old file survives
// any failure. A document without a root writes nothing and leaves the file
// alone. True when the file was written.
bool storeConfiguration(XmlDocument& document, const Settings& settings, const ShutdownState& state,
                        const String& path);

// What "Default Settings" needs from the rest of the program. An empty
// function is skipped; an empty askYesNo counts as "No".
struct DefaultSettingsHooks {
    std::function<void()> showSystemCursor;
    // A yes/no message box; true for yes.
    std::function<bool(const String& caption, const String& text)> askYesNo;
    std::function<void()> hideSystemCursor;
    std::function<void()> clearKeyTable;
    // The transformation mode re-applies floor plane, cube, colours and the
    // sculpted object's material so that new values show at once.
    std::function<void()> refreshViewObjects;
};

enum class DefaultSettingsOutcome {
    Declined,         // the user answered no; nothing changed
    Applied,          // the defaults file was applied
    DefaultsMissing,  // answered yes, but the defaults file could not be read
};

// The "Default Settings" command: shows the system cursor, asks whether to go
// back to the default view settings and, on yes, applies
// "data/defaultconfig.xml" of `applicationDirectory` to `settings` (menu
// checks follow) and refreshes the view objects, also when the file is
// missing. Then hides the cursor and clears the key table. The "config.xml"
// tree is not touched: the values reach the file at the next shut-down.
DefaultSettingsOutcome restoreDefaultSettings(const String& applicationDirectory, Settings& settings,
                                              MenuChecks* menus, const DefaultSettingsHooks& hooks);
