#include "core/configuration.h"

#include "core/logger.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <variant>

namespace {

// ---------------------------------------------------------------------------
// Number conversion. Same results as atoi / atof on the program's own files
// (leading blanks, an optional sign, then as many digits as there are), but
// locale-independent and without undefined behaviour on huge or odd texts.

const char* skipLeadingBlanks(const char* text) {
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\v' || *text == '\f')
        ++text;
    return text;
}

// atoi: a text that does not start with a number gives 0; values beyond the
// range of int are clamped to it.
int parseInteger(const String& value) {
    const char* text = skipLeadingBlanks(value.text());
    if (*text == '+') ++text;
    const char* end = value.text() + value.length();
    long long result = 0;
    auto [stop, error] = std::from_chars(text, end, result);
    (void)stop;
    if (error == std::errc::result_out_of_range) return *text == '-' ? INT_MIN : INT_MAX;
    if (error != std::errc()) return 0;
    if (result > INT_MAX) return INT_MAX;
    if (result < INT_MIN) return INT_MIN;
    return static_cast<int>(result);
}

// atof: a text that is not a number gives 0, and so does anything that is not
// finite ("nan", "inf", 1e999).
double parseReal(const String& value) {
    const char* text = skipLeadingBlanks(value.text());
    if (*text == '+') ++text;
    const char* end = value.text() + value.length();
    double result = 0.0;
    auto [stop, error] = std::from_chars(text, end, result, std::chars_format::general);
    (void)stop;
    if (error != std::errc() || !std::isfinite(result)) return 0.0;
    return result;
}

// A colour part: the integer value of the number, of which only the low 8
// bits are kept (300 gives 44, -1 gives 255).
unsigned char parseColourPart(const String& value) {
    double whole = std::trunc(parseReal(value));
    double low = std::fmod(whole, 256.0);
    if (low < 0) low += 256.0;
    return static_cast<unsigned char>(low);
}

// A finite double as float, held within the range of float.
float toFloat(double value) {
    const double largest = 3.0e38;
    if (value > largest) return static_cast<float>(largest);
    if (value < -largest) return static_cast<float>(-largest);
    return static_cast<float>(value);
}

String formatInteger(int value) { return String().append(value); }
String formatReal(double value) { return String().append(value); }
String formatFlag(bool value) { return String(value ? "1" : "0"); }

// ---------------------------------------------------------------------------
// The key table.

using Field = std::variant<int Settings::*, float Settings::*, bool Settings::*, ColourBytes Settings::*,
                           ColourFloats Settings::*, CameraSpeeds Settings::*, String Settings::*>;

struct Entry {
    const char* key;
    Field field;
    WriteBack written;
    const char* menu = nullptr;
    const char* label = nullptr;
    // Integers and floats are brought into [minimum, maximum].
    double minimum = -HUGE_VAL;
    double maximum = HUGE_VAL;
};

Entry plain(const char* key, Field field, WriteBack written) { return Entry{key, field, written}; }

Entry ranged(const char* key, Field field, WriteBack written, double minimum, double maximum) {
    Entry entry{key, field, written};
    entry.minimum = minimum;
    entry.maximum = maximum;
    return entry;
}

Entry checked(const char* key, bool Settings::*field, const char* menu, const char* label) {
    Entry entry{key, field, WriteBack::Always};
    entry.menu = menu;
    entry.label = label;
    return entry;
}

constexpr WriteBack kYes = WriteBack::Always;
constexpr WriteBack kNo = WriteBack::Never;

const std::vector<Entry>& entries() {
    static const std::vector<Entry> table = {
        plain("screenwidth", &Settings::screenwidth, WriteBack::BackBufferWidth),
        plain("screenheight", &Settings::screenheight, WriteBack::BackBufferHeight),
        plain("logging", &Settings::logging, kNo),
        checked("toggleviewingkeyshortcuts", &Settings::toggleviewingkeyshortcuts, "View", "Render Keyshortcuts"),
        checked("togglehelpbox", &Settings::togglehelpbox, "View", "Render Mouse Helptext"),
        checked("togglehelptext", &Settings::togglehelptext, "View", "Render Statusbar"),
        checked("checkforupdateatstartup", &Settings::checkforupdateatstartup, "Info", "Check For Update At Startup"),
        checked("toggleintpreview", &Settings::toggleintpreview, "View", "Render Interactive Preview"),
        plain("cameraspeed", &Settings::cameraspeed, kYes),
        plain("backgroundcol", &Settings::backgroundcol, kYes),
        plain("maskcol", &Settings::maskcol, kYes),
        ranged("maskopac", &Settings::maskopac, kYes, 1.0, 255.0),
        plain("brushcolrem", &Settings::brushcolrem, kYes),
        plain("brushcolover", &Settings::brushcolover, kYes),
        plain("brushcolremover", &Settings::brushcolremover, kYes),
        ranged("animtime", &Settings::animtime, kYes, 0.0, HUGE_VAL),
        plain("bordercol", &Settings::bordercol, kYes),
        plain("bordercolrem", &Settings::bordercolrem, kYes),
        plain("bordercolover", &Settings::bordercolover, kYes),
        plain("bordercolselected", &Settings::bordercolselected, kYes),
        plain("bordercolvertuns", &Settings::bordercolvertuns, kYes),
        plain("bordercolvertover", &Settings::bordercolvertover, kYes),
        plain("bordercolvertsel", &Settings::bordercolvertsel, kYes),
        plain("linescolor", &Settings::linescolor, kYes),
        plain("linescolorremove", &Settings::linescolorremove, kYes),
        ranged("maxnrundos", &Settings::maxnrundos, kNo, 0.0, HUGE_VAL),
        ranged("meshdetail", &Settings::meshdetail, kYes, 0.0, 12.0),
        ranged("sharpening", &Settings::sharpening, kYes, 0.0, HUGE_VAL),
        ranged("smoothing", &Settings::smoothing, kYes, 0.0, HUGE_VAL),
        checked("renderplane", &Settings::renderplane, "View", "Render Plane"),
        checked("rendercube", &Settings::rendercube, "View", "Render Cube"),
        ranged("planenrtiles", &Settings::planenrtiles, kNo, 1.0, HUGE_VAL),
        plain("cubenrtiles", &Settings::cubenrtiles, kNo),
        checked("renderdegs", &Settings::renderdegs, "View", "Render Degrees"),
        plain("viewcoordinatesystem", &Settings::viewcoordinatesystem, kYes),
        ranged("frontalpha", &Settings::frontalpha, kYes, 0.0, 255.0),
        ranged("frontbackgroundalpha", &Settings::frontbackgroundalpha, kYes, 0.0, 255.0),
        ranged("maxsharpening", &Settings::maxsharpening, kNo, 0.0, HUGE_VAL),
        ranged("maxsmoothing", &Settings::maxsmoothing, kNo, 0.0, HUGE_VAL),
        ranged("sidequality", &Settings::sidequality, kYes, 1.0, 200.0),
        ranged("sidetransparency", &Settings::sidetransparency, kYes, 0.0, 255.0),
        plain("viewcollisionlines", &Settings::viewcollisionlines, kYes),
        plain("collisionlinesbordertransp", &Settings::collisionlinesbordertransp, kYes),
        plain("collisionlinesbordercol", &Settings::collisionlinesbordercol, kYes),
        checked("collisionlineswithclippings", &Settings::collisionlineswithclippings, "View",
                "Collision Lines With Borders"),
        checked("collisionlineswithobject", &Settings::collisionlineswithobject, "View", "Collision Lines With Object"),
        plain("viewdecals", &Settings::viewdecals, kYes),
        plain("decalsonclippings", &Settings::decalsonclippings, kYes),
        plain("decalsonobject", &Settings::decalsonobject, kYes),
        ranged("decalquality", &Settings::decalquality, kYes, 1.0, 50.0),
        plain("pickangle", &Settings::pickangle, kNo),
        plain("objmaterialdiffuse", &Settings::objmaterialdiffuse, WriteBack::WhileSculptedObject),
        plain("objmaterialambient", &Settings::objmaterialambient, WriteBack::WhileSculptedObject),
        plain("objmaterialspecular", &Settings::objmaterialspecular, WriteBack::WhileSculptedObject),
        plain("objmaterialemissive", &Settings::objmaterialemissive, WriteBack::WhileSculptedObject),
        ranged("bordernrsmoothes", &Settings::bordernrsmoothes, kNo, 0.0, HUGE_VAL),
        plain("updateserver", &Settings::updateserver, kNo),
        ranged("updateport", &Settings::updateport, kNo, 1.0, 65535.0),
        plain("updatehost", &Settings::updatehost, kNo),
        plain("homepage", &Settings::homepage, kNo),
    };
    return table;
}

const Entry* findEntry(const String& name) {
    for (const Entry& entry : entries())
        if (name.equals(entry.key)) return &entry;
    return nullptr;
}

// Camera speed limits: the ranges of the camera-speed sliders. Moving must
// stay below 3001, which the panning speed divides by.
struct SpeedPart {
    const char* name;
    float CameraSpeeds::*field;
    double minimum;
    double maximum;
};
constexpr SpeedPart kSpeedParts[] = {
    {"moving", &CameraSpeeds::moving, 0.0, 3000.0},
    {"zooming", &CameraSpeeds::zooming, 0.0, 30.0},
    {"lookaround", &CameraSpeeds::lookaround, 0.0, 1.0},
};

template <typename Colour>
using ColourPart = decltype(Colour::red) Colour::*;

template <typename Colour>
ColourPart<Colour> colourPart(const String& name) {
    if (name.equals("red")) return &Colour::red;
    if (name.equals("green")) return &Colour::green;
    if (name.equals("blue")) return &Colour::blue;
    return nullptr;
}

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// ---------------------------------------------------------------------------
// Applying.

double clampLogged(const char* key, double value, double minimum, double maximum) {
    if (value >= minimum && value <= maximum) return value;
    double clamped = value < minimum ? minimum : maximum;
    String message("Configuration: value ");
    message.append(value).append(" of ").append(String(key)).append(" is out of range, using ").append(clamped);
    Logger::instance().error(message);
    return clamped;
}

void synchroniseMenus(const Entry& entry, bool value, MenuChecks* menus) {
    if (!menus || !entry.menu) return;
    for (int mode = 1; mode <= 2; ++mode) menus->setItemChecked(mode, String(entry.menu), String(entry.label), value);
}

void applyEntry(const Entry& entry, const XmlNode& node, Settings& settings, MenuChecks* menus) {
    std::visit(Overloaded{
                   [&](int Settings::*field) {
                       double value = clampLogged(entry.key, parseInteger(node.text()), entry.minimum, entry.maximum);
                       settings.*field = static_cast<int>(value);
                   },
                   [&](float Settings::*field) {
                       double value = parseReal(node.text());
                       settings.*field = toFloat(clampLogged(entry.key, value, entry.minimum, entry.maximum));
                   },
                   [&](bool Settings::*field) {
                       settings.*field = parseInteger(node.text()) != 0;
                       synchroniseMenus(entry, settings.*field, menus);
                   },
                   [&](ColourBytes Settings::*field) {
                       for (int i = 0; i < node.childCount(); ++i) {
                           const XmlNode& part = *node.child(i);
                           if (auto member = colourPart<ColourBytes>(part.name()))
                               (settings.*field).*member = parseColourPart(part.text());
                       }
                   },
                   [&](ColourFloats Settings::*field) {
                       for (int i = 0; i < node.childCount(); ++i) {
                           const XmlNode& part = *node.child(i);
                           if (auto member = colourPart<ColourFloats>(part.name()))
                               (settings.*field).*member = toFloat(parseReal(part.text()));
                       }
                   },
                   [&](CameraSpeeds Settings::*field) {
                       for (int i = 0; i < node.childCount(); ++i) {
                           const XmlNode& part = *node.child(i);
                           for (const SpeedPart& speed : kSpeedParts)
                               if (part.name().equals(speed.name))
                                   (settings.*field).*speed.field = toFloat(
                                       clampLogged(entry.key, parseReal(part.text()), speed.minimum, speed.maximum));
                       }
                   },
                   [&](String Settings::*field) { settings.*field = node.text(); },
               },
               entry.field);
}

// ---------------------------------------------------------------------------
// Storing.

bool isWrittenBack(WriteBack rule, const ShutdownState& state) {
    switch (rule) {
    case WriteBack::Never: return false;
    case WriteBack::WhileSculptedObject: return state.sculptedObjectExists;
    case WriteBack::Always:
    case WriteBack::BackBufferWidth:
    case WriteBack::BackBufferHeight: return true;
    }
    return false;
}

template <typename Colour, typename Format>
int writeColourParts(XmlNode& node, const Colour& colour, Format format) {
    int written = 0;
    for (int i = 0; i < node.childCount(); ++i) {
        XmlNode& part = *node.child(i);
        if (auto member = colourPart<Colour>(part.name())) {
            part.setText(format(colour.*member));
            ++written;
        }
    }
    return written;
}

int writeEntry(const Entry& entry, XmlNode& node, const Settings& settings, const ShutdownState& state) {
    if (entry.written == WriteBack::BackBufferWidth) {
        node.setText(formatInteger(state.backBufferWidth));
        return 1;
    }
    if (entry.written == WriteBack::BackBufferHeight) {
        node.setText(formatInteger(state.backBufferHeight));
        return 1;
    }
    return std::visit(
        Overloaded{
            [&](int Settings::*field) {
                node.setText(formatInteger(settings.*field));
                return 1;
            },
            [&](float Settings::*field) {
                node.setText(formatReal(settings.*field));
                return 1;
            },
            [&](bool Settings::*field) {
                node.setText(formatFlag(settings.*field));
                return 1;
            },
            [&](ColourBytes Settings::*field) {
                return writeColourParts(node, settings.*field, [](unsigned char part) { return formatReal(part); });
            },
            [&](ColourFloats Settings::*field) {
                return writeColourParts(node, settings.*field, [](float part) { return formatReal(part); });
            },
            [&](CameraSpeeds Settings::*field) {
                int written = 0;
                for (int i = 0; i < node.childCount(); ++i) {
                    XmlNode& part = *node.child(i);
                    for (const SpeedPart& speed : kSpeedParts)
                        if (part.name().equals(speed.name)) {
                            part.setText(formatReal((settings.*field).*speed.field));
                            ++written;
                        }
                }
                return written;
            },
            [&](String Settings::*field) {
                node.setText(settings.*field);
                return 1;
            },
        },
        entry.field);
}

String joinPath(const String& directory, const char* name) {
    String path(directory);
    if (path.length() > 0 && path.text()[path.length() - 1] != '/') path.append('/');
    return path.append(String(name));
}

const char* const kDefaultSettingsCaption = "Back to Default Settings?";
const char* const kDefaultSettingsText =
    "Do you really want to switch back to the default view settings?\n"
    "Note that this step cannot be undone and that all your customized view settings will be lost.";

}  // namespace

const std::vector<ConfigurationKey>& configurationKeys() {
    static const std::vector<ConfigurationKey> keys = [] {
        std::vector<ConfigurationKey> result;
        for (const Entry& entry : entries()) result.push_back({entry.key, entry.written, entry.menu, entry.label});
        return result;
    }();
    return keys;
}

ApplyReport applyConfiguration(const XmlDocument& document, Settings& settings, MenuChecks* menus) {
    ApplyReport report;
    const XmlNode* root = document.root();
    if (!root) return report;
    for (int i = 0; i < root->childCount(); ++i) {
        const XmlNode& node = *root->child(i);
        const Entry* entry = findEntry(node.name());
        if (!entry) {
            report.unknown.push_back(node.name());
            continue;
        }
        applyEntry(*entry, node, settings, menus);
        ++report.applied;
    }
    return report;
}

void applyEarlySettings(const XmlDocument& document, Settings& settings) {
    const XmlNode* root = document.root();
    if (!root) return;
    for (int i = 0; i < root->childCount(); ++i) {
        const XmlNode& node = *root->child(i);
        if (node.name().equals("backgroundcol") || node.name().equals("logging"))
            applyEntry(*findEntry(node.name()), node, settings, nullptr);
    }
}

WindowSize windowSizeFromConfiguration(const XmlDocument& document, int screenWidth, int screenHeight) {
    WindowSize size{screenWidth, screenHeight};
    const XmlNode* root = document.root();
    if (!root) return size;
    bool widthFound = false;
    bool heightFound = false;
    for (int i = 0; i < root->childCount() && !(widthFound && heightFound); ++i) {
        const XmlNode& node = *root->child(i);
        bool isWidth = node.name().equals("screenwidth");
        bool isHeight = node.name().equals("screenheight");
        if ((!isWidth || widthFound) && (!isHeight || heightFound)) continue;
        int value = parseInteger(node.text());
        if (value == -1) continue;
        if (value < 1 || value > 16384) {
            String message("Configuration: ignoring window ");
            message.append(node.name()).append(String(" of ")).append(value);
            Logger::instance().error(message);
            continue;
        }
        if (isWidth) {
            size.width = value;
            widthFound = true;
        } else {
            size.height = value;
            heightFound = true;
        }
    }
    return size;
}

int writeSettingsIntoTree(XmlDocument& document, const Settings& settings, const ShutdownState& state) {
    XmlNode* root = document.root();
    if (!root) return 0;
    int written = 0;
    for (int i = 0; i < root->childCount(); ++i) {
        XmlNode& node = *root->child(i);
        const Entry* entry = findEntry(node.name());
        if (entry && isWrittenBack(entry->written, state)) written += writeEntry(*entry, node, settings, state);
    }
    return written;
}

bool storeConfiguration(XmlDocument& document, const Settings& settings, const ShutdownState& state,
                        const String& path) {
    if (!document.root()) return false;
    writeSettingsIntoTree(document, settings, state);
    if (saveDocument(document, path)) return true;
    Logger::instance().error(String("storeConfiguration"), String("Could not write ").append(path));
    return false;
}

DefaultSettingsOutcome restoreDefaultSettings(const String& applicationDirectory, Settings& settings,
                                              MenuChecks* menus, const DefaultSettingsHooks& hooks) {
    if (hooks.showSystemCursor) hooks.showSystemCursor();
    bool yes = hooks.askYesNo && hooks.askYesNo(String(kDefaultSettingsCaption), String(kDefaultSettingsText));

    DefaultSettingsOutcome outcome = DefaultSettingsOutcome::Declined;
    if (yes) {
        XmlDocument defaults;
        String path = joinPath(applicationDirectory, "data/defaultconfig.xml");
        if (defaults.parse(path)) {
            applyConfiguration(defaults, settings, menus);
            outcome = DefaultSettingsOutcome::Applied;
        } else {
            Logger::instance().error(String("Default Settings"), String("Could not read ").append(path));
            outcome = DefaultSettingsOutcome::DefaultsMissing;
        }
        if (hooks.refreshViewObjects) hooks.refreshViewObjects();
    }

    if (hooks.hideSystemCursor) hooks.hideSystemCursor();
    if (hooks.clearKeyTable) hooks.clearKeyTable();
    return outcome;
}
