#include "core/configuration.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>

using testsupport::TempDir;

namespace {

XmlDocument parseText(const std::string& text) {
    XmlDocument document;
    document.parseBuffer(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    return document;
}

XmlDocument parseShipped(const char* name) {
    XmlDocument document;
    document.parse(String((testsupport::sourceDir() + "/data/" + name).c_str()));
    return document;
}

std::string textOf(const XmlDocument& document) { return formatNode(*document.root(), 4, 0).str(); }

// A value for every setting that differs from the shipped one and survives
// "%f" unchanged.
Settings changedSettings() {
    Settings s;
    s.screenwidth = 800;
    s.screenheight = 600;
    s.logging = 0;
    s.toggleviewingkeyshortcuts = false;
    s.togglehelpbox = false;
    s.togglehelptext = false;
    s.checkforupdateatstartup = false;
    s.toggleintpreview = false;
    s.cameraspeed = {1234.5f, 7.25f, 0.125f};
    s.backgroundcol = {1, 2, 3};
    s.maskcol = {4, 5, 6};
    s.maskopac = 77.5f;
    s.brushcolrem = {7, 8, 9};
    s.brushcolover = {10, 11, 12};
    s.brushcolremover = {13, 14, 15};
    s.animtime = 250.0f;
    s.bordercol = {16, 17, 18};
    s.bordercolrem = {19, 20, 21};
    s.bordercolover = {22, 23, 24};
    s.bordercolselected = {25, 26, 27};
    s.bordercolvertuns = {28, 29, 30};
    s.bordercolvertover = {31, 32, 33};
    s.bordercolvertsel = {34, 35, 36};
    s.linescolor = {37, 38, 39};
    s.linescolorremove = {40, 41, 42};
    s.maxnrundos = 5;
    s.meshdetail = 7.0f;
    s.sharpening = 3.0f;
    s.smoothing = 4.0f;
    s.renderplane = false;
    s.rendercube = false;
    s.planenrtiles = 3;
    s.cubenrtiles = 4;
    s.renderdegs = false;
    s.viewcoordinatesystem = false;
    s.frontalpha = 11.0f;
    s.frontbackgroundalpha = 12.0f;
    s.maxsharpening = 13.0f;
    s.maxsmoothing = 14.0f;
    s.sidequality = 15.0f;
    s.sidetransparency = 16.0f;
    s.viewcollisionlines = false;
    s.collisionlinesbordertransp = true;
    s.collisionlinesbordercol = {43, 44, 45};
    s.collisionlineswithclippings = false;
    s.collisionlineswithobject = true;
    s.viewdecals = true;
    s.decalsonclippings = false;
    s.decalsonobject = true;
    s.decalquality = 17;
    s.pickangle = 9.5f;
    s.objmaterialdiffuse = {0.5f, 0.25f, 0.75f};
    s.objmaterialambient = {0.125f, 0.5f, 1.0f};
    s.objmaterialspecular = {1.0f, 0.0f, 0.5f};
    s.objmaterialemissive = {0.25f, 0.25f, 0.0f};
    s.bordernrsmoothes = 3;
    s.updateserver = "192.0.2.10";
    s.updateport = 8080;
    s.updatehost = "updates.example.org";
    s.homepage = "https://example.org/";
    return s;
}

// Copies the values of the keys that are not written back from `from`.
void keepUnwrittenKeys(Settings& into, const Settings& from) {
    into.logging = from.logging;
    into.maxnrundos = from.maxnrundos;
    into.planenrtiles = from.planenrtiles;
    into.cubenrtiles = from.cubenrtiles;
    into.maxsharpening = from.maxsharpening;
    into.maxsmoothing = from.maxsmoothing;
    into.pickangle = from.pickangle;
    into.bordernrsmoothes = from.bordernrsmoothes;
    into.updateserver = from.updateserver;
    into.updateport = from.updateport;
    into.updatehost = from.updatehost;
    into.homepage = from.homepage;
}

}  // namespace

TEST(ShippedConfiguration, EveryKeyIsKnownAndHoldsTheDefaultsWithTheLogOn) {
    Settings expected;
    expected.logging = 1;
    for (const char* name : {"config.xml", "defaultconfig.xml"}) {
        SCOPED_TRACE(name);
        XmlDocument document = parseShipped(name);
        ASSERT_NE(document.root(), nullptr);
        EXPECT_TRUE(document.root()->name().equals("config"));
        Settings settings = changedSettings();
        ApplyReport report = applyConfiguration(document, settings, nullptr);
        EXPECT_TRUE(report.unknown.empty());
        EXPECT_EQ(report.applied, static_cast<int>(configurationKeys().size()));
        for (const ConfigurationKey& key : configurationKeys())
            EXPECT_NE(document.root()->findChild(key.name), nullptr) << key.name;
        EXPECT_TRUE(settings == expected);
    }
}

TEST(ShippedConfiguration, StoringItsOwnValuesReproducesTheFileByteForByte) {
    std::string original = testsupport::readText(testsupport::sourceDir() + "/data/config.xml");
    XmlDocument document = parseShipped("config.xml");
    ASSERT_NE(document.root(), nullptr);
    Settings settings;
    applyConfiguration(document, settings, nullptr);
    writeSettingsIntoTree(document, settings, ShutdownState{-1, -1, true});
    EXPECT_EQ(textOf(document), original);
}

TEST(ShippedConfiguration, StoreParseApplyRoundTripsEveryWrittenValue) {
    TempDir dir;
    String path(dir.file("config.xml").c_str());
    XmlDocument document = parseShipped("config.xml");
    Settings fromFile;
    applyConfiguration(document, fromFile, nullptr);

    Settings changed = changedSettings();
    ASSERT_TRUE(storeConfiguration(document, changed, ShutdownState{1024, 768, true}, path));

    XmlDocument reread;
    ASSERT_TRUE(reread.parse(path));
    Settings result;
    applyConfiguration(reread, result, nullptr);

    Settings expected = changed;
    keepUnwrittenKeys(expected, fromFile);
    expected.screenwidth = 1024;  // from the back buffer, not the setting
    expected.screenheight = 768;
    EXPECT_TRUE(result == expected);
}

TEST(ApplyConfiguration, ColourPartsKeepTheLowEightBitsAndAreWrittenSo) {
    XmlDocument document = parseText(
        "<config>\n    <maskcol>\n        <red>300</red>\n        <green>-1</green>\n        <blue>12.9</blue>\n"
        "    </maskcol>\n</config>\n");
    Settings settings;
    applyConfiguration(document, settings, nullptr);
    EXPECT_EQ(settings.maskcol, (ColourBytes{44, 255, 12}));

    writeSettingsIntoTree(document, settings, ShutdownState{});
    const XmlNode* maskcol = document.root()->findChild("maskcol");
    EXPECT_STREQ(maskcol->findChild("red")->text().text(), "44.000000");
    EXPECT_STREQ(maskcol->findChild("green")->text().text(), "255.000000");
    EXPECT_STREQ(maskcol->findChild("blue")->text().text(), "12.000000");
}

TEST(ApplyConfiguration, MissingColourPartsAndMissingKeysLeaveTheSettingAsItIs) {
    Settings settings;
    settings.maxnrundos = 7;
    applyConfiguration(parseText("<config><bordercol><green>9</green></bordercol></config>"), settings, nullptr);
    EXPECT_EQ(settings.bordercol, (ColourBytes{255, 9, 0}));
    EXPECT_EQ(settings.maxnrundos, 7);
}

TEST(ApplyConfiguration, NumbersAreReadLikeAtoiAndAtof) {
    Settings settings;
    ApplyReport report = applyConfiguration(
        parseText("<config><maxnrundos> 12abc</maxnrundos><maskopac>+17.5x</maskopac><animtime>abc</animtime>"
                  "<togglehelptext>5</togglehelptext><renderplane>0.9</renderplane><sharpening></sharpening>"
                  "<pickangle>-2.5</pickangle></config>"),
        settings, nullptr);
    EXPECT_EQ(report.applied, 7);
    EXPECT_EQ(settings.maxnrundos, 12);
    EXPECT_FLOAT_EQ(settings.maskopac, 17.5f);
    EXPECT_FLOAT_EQ(settings.animtime, 0.0f);   // not a number
    EXPECT_TRUE(settings.togglehelptext);        // any non-zero value
    EXPECT_FALSE(settings.renderplane);          // atoi("0.9") is 0
    EXPECT_FLOAT_EQ(settings.sharpening, 0.0f);  // empty text
    EXPECT_FLOAT_EQ(settings.pickangle, -2.5f);
}

TEST(ApplyConfiguration, UnusableValuesAreBroughtIntoRange) {
    Settings settings;
    applyConfiguration(
        parseText("<config><planenrtiles>0</planenrtiles><meshdetail>40</meshdetail><decalquality>-3</decalquality>"
                  "<sidequality>0</sidequality><maxnrundos>99999999999999999999</maxnrundos>"
                  "<maskopac>nan</maskopac><frontalpha>1e999</frontalpha><updateport>70000</updateport>"
                  "<cameraspeed><moving>5000</moving><zooming>-1</zooming><lookaround>inf</lookaround></cameraspeed>"
                  "<objmaterialdiffuse><red>1e300</red></objmaterialdiffuse></config>"),
        settings, nullptr);
    EXPECT_EQ(settings.planenrtiles, 1);
    EXPECT_FLOAT_EQ(settings.meshdetail, 12.0f);
    EXPECT_EQ(settings.decalquality, 1);
    EXPECT_FLOAT_EQ(settings.sidequality, 1.0f);
    EXPECT_EQ(settings.maxnrundos, 2147483647);
    EXPECT_FLOAT_EQ(settings.maskopac, 1.0f);     // nan reads as 0, the slider starts at 1
    EXPECT_FLOAT_EQ(settings.frontalpha, 0.0f);   // infinite reads as 0
    EXPECT_EQ(settings.updateport, 65535);
    EXPECT_EQ(settings.cameraspeed, (CameraSpeeds{3000.0f, 0.0f, 0.0f}));
    EXPECT_TRUE(std::isfinite(settings.objmaterialdiffuse.red));
}

TEST(ApplyConfiguration, UnknownKeysAreReportedIgnoredAndLeftInTheFile) {
    XmlDocument document = parseText("<config><foo>1</foo><maskopac>7</maskopac><Maskopac>9</Maskopac></config>");
    Settings settings;
    ApplyReport report = applyConfiguration(document, settings, nullptr);
    EXPECT_EQ(report.applied, 1);
    ASSERT_EQ(report.unknown.size(), 2u);
    EXPECT_TRUE(report.unknown[0].equals("foo"));
    EXPECT_TRUE(report.unknown[1].equals("Maskopac"));  // names are case-sensitive
    EXPECT_FLOAT_EQ(settings.maskopac, 7.0f);

    writeSettingsIntoTree(document, settings, ShutdownState{});
    EXPECT_STREQ(document.root()->findChild("foo")->text().text(), "1");
    EXPECT_STREQ(document.root()->findChild("Maskopac")->text().text(), "9");
}

TEST(ApplyConfiguration, BrokenFilesNeverCrashAndKeepDefaults) {
    const Settings defaults;
    for (const char* text : {"", "not xml at all", "<", "<>", "</config>", "<config", "=====", ">>>><<<<",
                             "\x01\xff\xfe<\x80>"}) {
        SCOPED_TRACE(text);
        Settings settings;
        XmlDocument document = parseText(text);
        applyConfiguration(document, settings, nullptr);
        writeSettingsIntoTree(document, settings, ShutdownState{});
        EXPECT_TRUE(settings == defaults);
    }

    // An unterminated file still gives what it holds; an empty part reads as 0.
    Settings settings;
    applyConfiguration(parseText("<config>\n    <maskopac>12</maskopac>\n    <maskcol>\n        <red>"), settings, nullptr);
    EXPECT_FLOAT_EQ(settings.maskopac, 12.0f);
    EXPECT_EQ(settings.maskcol, (ColourBytes{0, 40, 40}));

    // Random bytes, with and without a well-formed start.
    std::mt19937 random(1234);
    for (int round = 0; round < 300; ++round) {
        std::string bytes = round % 2 ? "<config><maskcol><red>" : "";
        int length = static_cast<int>(random() % 400);
        for (int i = 0; i < length; ++i) bytes.push_back(static_cast<char>(random() % 256));
        Settings any;
        XmlDocument document = parseText(bytes);
        applyConfiguration(document, any, nullptr);
        writeSettingsIntoTree(document, any, ShutdownState{});
    }
}

TEST(ApplyConfiguration, FlagsSetTheirCheckItemInBothModes) {
    RecordingMenuChecks menus;
    Settings settings = changedSettings();  // every flag the opposite of the file
    applyConfiguration(parseShipped("config.xml"), settings, &menus);

    struct Expected {
        const char* menu;
        const char* label;
        bool checked;
    };
    const Expected expected[] = {
        {"View", "Render Keyshortcuts", true},          {"View", "Render Mouse Helptext", true},
        {"View", "Render Statusbar", true},             {"Info", "Check For Update At Startup", true},
        {"View", "Render Interactive Preview", true},   {"View", "Render Plane", true},
        {"View", "Render Cube", true},                  {"View", "Render Degrees", true},
        {"View", "Collision Lines With Borders", true}, {"View", "Collision Lines With Object", false},
    };
    EXPECT_EQ(menus.calls().size(), 2 * std::size(expected));
    for (const Expected& item : expected)
        for (int mode = 1; mode <= 2; ++mode)
            EXPECT_EQ(menus.lastState(mode, item.menu, item.label), item.checked ? 1 : 0)
                << item.label << " in mode " << mode;

    menus.clear();
    applyConfiguration(parseText("<config><togglehelptext>0</togglehelptext></config>"), settings, &menus);
    EXPECT_EQ(menus.lastState(1, "View", "Render Statusbar"), 0);
    EXPECT_EQ(menus.lastState(2, "View", "Render Statusbar"), 0);
}

TEST(ApplyConfiguration, EarlySettingsAndWindowSize) {
    XmlDocument document = parseText(
        "<config><screenheight>-1</screenheight><screenwidth>0</screenwidth><screenwidth>1280</screenwidth>"
        "<screenwidth>640</screenwidth><logging>1</logging><maskopac>5</maskopac>"
        "<backgroundcol><red>1</red><green>2</green><blue>3</blue></backgroundcol></config>");
    Settings settings;
    applyEarlySettings(document, settings);
    EXPECT_EQ(settings.logging, 1);
    EXPECT_EQ(settings.backgroundcol, (ColourBytes{1, 2, 3}));
    EXPECT_FLOAT_EQ(settings.maskopac, Settings{}.maskopac);

    WindowSize size = windowSizeFromConfiguration(document, 1920, 1080);
    EXPECT_EQ(size.width, 1280);  // 0 is refused, the first usable one wins
    EXPECT_EQ(size.height, 1080);
    EXPECT_EQ(windowSizeFromConfiguration(XmlDocument(), 1920, 1080).width, 1920);
}

TEST(StoreConfiguration, WritesOnlyExistingKeysMarkedAsWrittenBack) {
    TempDir dir;
    String path(dir.file("config.xml").c_str());
    XmlDocument document = parseText(
        "<config>\n    <togglehelptext>1</togglehelptext>\n    <maxnrundos>30</maxnrundos>\n"
        "    <screenwidth>-1</screenwidth>\n    <objmaterialdiffuse>\n        <red>1.000000</red>\n"
        "    </objmaterialdiffuse>\n    <cameraspeed>\n        <zooming>1</zooming>\n    </cameraspeed>\n</config>\n");
    Settings settings;
    settings.togglehelptext = false;
    settings.maxnrundos = 5;
    settings.objmaterialdiffuse.red = 0.5f;
    settings.cameraspeed.zooming = 2.5f;

    ASSERT_TRUE(storeConfiguration(document, settings, ShutdownState{1600, 900, false}, path));
    EXPECT_EQ(testsupport::readText(path.str()),
              "<config>\n    <togglehelptext>0</togglehelptext>\n    <maxnrundos>30</maxnrundos>\n"
              "    <screenwidth>1600</screenwidth>\n    <objmaterialdiffuse>\n        <red>1.000000</red>\n"
              "    </objmaterialdiffuse>\n    <cameraspeed>\n        <zooming>2.500000</zooming>\n"
              "    </cameraspeed>\n</config>\n");

    settings.togglehelptext = true;
    ASSERT_TRUE(storeConfiguration(document, settings, ShutdownState{1600, 900, true}, path));
    std::string text = testsupport::readText(path.str());
    EXPECT_NE(text.find("<togglehelptext>1</togglehelptext>"), std::string::npos);
    EXPECT_NE(text.find("<red>0.500000</red>"), std::string::npos);  // a sculpted object exists now
}

TEST(StoreConfiguration, AMissingKeyStaysMissing) {
    TempDir dir;
    String path(dir.file("config.xml").c_str());
    XmlDocument document = parseText("<config>\n    <maskopac>1</maskopac>\n</config>\n");
    Settings settings;
    applyConfiguration(document, settings, nullptr);
    EXPECT_EQ(settings.maxnrundos, 30);
    ASSERT_TRUE(storeConfiguration(document, settings, ShutdownState{}, path));
    EXPECT_EQ(testsupport::readText(path.str()), "<config>\n    <maskopac>1.000000</maskopac>\n</config>\n");
}

TEST(StoreConfiguration, AnUnreadableConfigurationLeavesTheFileAlone) {
    TempDir dir;
    std::string path = dir.file("config.xml");
    ASSERT_TRUE(testsupport::writeText(path, "garbage the user may still want"));
    XmlDocument document;
    document.parse(String(path.c_str()));
    ASSERT_EQ(document.root(), nullptr);
    EXPECT_FALSE(storeConfiguration(document, Settings(), ShutdownState{}, String(path.c_str())));
    EXPECT_EQ(testsupport::readText(path), "garbage the user may still want");
}

TEST(StoreConfiguration, AFailedWriteKeepsTheOldFile) {
    TempDir dir;
    std::string path = dir.file("config.xml");
    std::string original = testsupport::readText(testsupport::sourceDir() + "/data/config.xml");
    ASSERT_TRUE(testsupport::writeText(path, original));
    XmlDocument document;
    ASSERT_TRUE(document.parse(String(path.c_str())));

    // A folder that cannot exist: its parent is a regular file.
    EXPECT_FALSE(storeConfiguration(document, changedSettings(), ShutdownState{},
                                    String(dir.file("config.xml/sub/config.xml").c_str())));

    // The disk fills up while the new file is written.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 256;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool stored = storeConfiguration(document, changedSettings(), ShutdownState{}, String(path.c_str()));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(stored);
    EXPECT_EQ(testsupport::readText(path), original);
}

namespace {

struct HookLog {
    std::vector<std::string> events;
    String caption;
    String text;
    bool answer = false;

    DefaultSettingsHooks hooks() {
        DefaultSettingsHooks h;
        h.showSystemCursor = [this] { events.push_back("show"); };
        h.askYesNo = [this](const String& c, const String& t) {
            events.push_back("ask");
            caption = c;
            text = t;
            return answer;
        };
        h.hideSystemCursor = [this] { events.push_back("hide"); };
        h.clearKeyTable = [this] { events.push_back("clear"); };
        h.refreshViewObjects = [this] { events.push_back("refresh"); };
        return h;
    }
};

void writeDefaults(const TempDir& dir, const std::string& text) {
    std::filesystem::create_directory(dir.file("data"));
    ASSERT_TRUE(testsupport::writeText(dir.file("data/defaultconfig.xml"), text));
}

}  // namespace

TEST(DefaultSettings, YesAppliesTheDefaultsFileAndRefreshes) {
    TempDir dir;
    writeDefaults(dir, "<config><maskopac>50</maskopac><renderplane>0</renderplane></config>");
    Settings settings;
    RecordingMenuChecks menus;
    HookLog log;
    log.answer = true;

    EXPECT_EQ(restoreDefaultSettings(String(dir.path().c_str()), settings, &menus, log.hooks()),
              DefaultSettingsOutcome::Applied);
    EXPECT_EQ(log.events, (std::vector<std::string>{"show", "ask", "refresh", "hide", "clear"}));
    EXPECT_STREQ(log.caption.text(), "Back to Default Settings?");
    EXPECT_STREQ(log.text.text(),
                 "Do you really want to switch back to the default view settings?\nNote that this step cannot be "
                 "undone and that all your customized view settings will be lost.");
    EXPECT_FLOAT_EQ(settings.maskopac, 50.0f);
    EXPECT_FALSE(settings.renderplane);
    EXPECT_EQ(menus.lastState(1, "View", "Render Plane"), 0);
    EXPECT_EQ(menus.lastState(2, "View", "Render Plane"), 0);
}

TEST(DefaultSettings, NoOrAMissingFileChangesNothing) {
    TempDir dir, empty;
    writeDefaults(dir, "<config><maskopac>50</maskopac></config>");
    Settings settings;
    HookLog no;
    EXPECT_EQ(restoreDefaultSettings(String(dir.path().c_str()), settings, nullptr, no.hooks()),
              DefaultSettingsOutcome::Declined);
    EXPECT_EQ(no.events, (std::vector<std::string>{"show", "ask", "hide", "clear"}));
    HookLog yes;
    yes.answer = true;
    EXPECT_EQ(restoreDefaultSettings(String((empty.path() + "/").c_str()), settings, nullptr, yes.hooks()),
              DefaultSettingsOutcome::DefaultsMissing);
    EXPECT_EQ(yes.events, (std::vector<std::string>{"show", "ask", "refresh", "hide", "clear"}));
    EXPECT_TRUE(settings == Settings());
}

TEST(DefaultSettings, ThenStoringWritesTheDefaults) {
    TempDir dir;
    writeDefaults(dir, testsupport::readText(testsupport::sourceDir() + "/data/defaultconfig.xml"));
    XmlDocument config = parseShipped("config.xml");
    Settings settings = changedSettings();
    HookLog log;
    log.answer = true;
    restoreDefaultSettings(String(dir.path().c_str()), settings, nullptr, log.hooks());

    String path(dir.file("config.xml").c_str());
    ASSERT_TRUE(storeConfiguration(config, settings, ShutdownState{-1, -1, true}, path));
    EXPECT_EQ(testsupport::readText(path.str()), testsupport::readText(testsupport::sourceDir() + "/data/config.xml"));
}
