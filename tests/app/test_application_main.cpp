// The application object run headless, from start-up to writing config.xml.
#include "app/shell/application_main.h"
#include "transform/three_d.h"
#include "twod/two_d.h"
#include "app/shell/run_application.h"
#include "core/logger.h"
#include "image/image_entry.h"
#include "project/platform_dialogs.h"
#include "project/project_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using platform::MessageKind;
using platform::WindowMessage;
using testsupport::TempDir;

const char* const kConfig =
    "<config>\n"
    "    <screenwidth>640</screenwidth>\n"
    "    <screenheight>-1</screenheight>\n"
    "    <logging>1</logging>\n"
    "    <togglehelptext>1</togglehelptext>\n"
    "    <toggleviewingkeyshortcuts>0</toggleviewingkeyshortcuts>\n"
    "    <checkforupdateatstartup>1</checkforupdateatstartup>\n"
    "    <updateserver></updateserver>\n"
    "    <backgroundcol><red>10.000000</red><green>20.000000</green><blue>30.000000</blue></backgroundcol>\n"
    "</config>\n";

class RecordingMain : public ApplicationMain {
public:
    using ApplicationMain::ApplicationMain;
    std::vector<int> released;
    void onKeyUp(int key) override {
        released.push_back(key);
        ApplicationMain::onKeyUp(key);
    }
};

std::string ppm(int width, int height) {
    std::string bytes = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    bytes.append(static_cast<size_t>(width * height * 3), '\x80');
    return bytes;
}

WindowMessage message(MessageKind kind, int code = 0) {
    WindowMessage m;
    m.kind = kind;
    m.key = code;
    return m;
}

class ApplicationMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testsupport::writeText(dir.file("config.xml"), kConfig));
        auto configuration = std::make_unique<XmlDocument>();
        configuration->parse(String(dir.file("config.xml").c_str()));
        app = std::make_unique<RecordingMain>(window, 640, 480, std::move(configuration),
                                              String((dir.path() + "/").c_str()), dialogs, dialogs);
        ASSERT_TRUE(app->init());
        app->twoD()->statusBar().setReady(true);
    }
    void TearDown() override {
        app.reset();
        Logger::instance().disable();
    }

    TwoD& twoD() { return *app->twoD(); }
    ThreeD& threeD() { return *app->threeD(); }
    String path(const std::string& name) { return String(dir.file(name).c_str()); }

    TempDir dir;
    platform::HeadlessWindow window{1280, 800};
    ScriptedDialogs dialogs;
    std::unique_ptr<RecordingMain> app;
};

TEST(StartUp, SizesTheWindowLogsEveryStepAndEntersTheTwoDMode) {
    TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("config.xml"), kConfig));
    platform::HeadlessWindow window{1280, 800};
    ScriptedDialogs dialogs;
    auto app = startApplication(window, String(dir.path().c_str()), dialogs, dialogs);
    ASSERT_TRUE(app->isInitialised());
    EXPECT_EQ(window.clientWidth(), 640);   // from the configuration
    EXPECT_EQ(window.clientHeight(), 800);  // -1: the screen's
    EXPECT_EQ(app->currentMode(), kModeTwoD);
    EXPECT_TRUE(app->twoD()->statusBar().isReady());
    EXPECT_EQ(app->updateCheck(), nullptr);  // no server configured
    EXPECT_FALSE(app->twoD()->rendersKeyShortcuts());

    const std::string log = testsupport::readText(dir.file("log.log"));
    size_t at = 0;
    for (const char* line : {"- Initialize Application", "- Register Window", "- create Window", "- Show window",
                             "- Initialize DxRenderer", "- Initialize dx input", "- Initialize Camera",
                             "- Initialize application", "- On initialization", "Could not load texture",
                             "- Initialization Complete"}) {
        const size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " missing or out of order in\n" << log;
        at = found;
    }
    Logger::instance().disable();
}

TEST_F(ApplicationMainTest, KeyTableKeepsVirtualKeyCodesAndClearsInAscendingOrder) {
    // F2 is 113: it must stay F2, not become the letter Q.
    app->onKeyDown(113);
    EXPECT_TRUE(app->keyTable().isDown(113));
    EXPECT_FALSE(app->keyTable().isDown('Q'));
    app->onKeyDown(113);  // already down
    EXPECT_EQ(app->keyTable().count(), 1);
    app->onKeyUp(113);
    app->onKeyUp(113);  // not down any more
    app->onKeyUp(300);  // no key code at all
    EXPECT_EQ(app->keyTable().count(), 0);

    for (int code : {int{'Z'}, 17, int{'B'}}) app->onKeyDown(code);
    app->released.clear();
    app->clearKeyTable();
    EXPECT_EQ(app->released, (std::vector<int>{17, 'B', 'Z'}));
    EXPECT_TRUE(app->keyTable().heldKeys().empty());
}

TEST_F(ApplicationMainTest, SwitchingWindowsWithAltHeldLeavesNothingDown) {
    app->dispatch(message(MessageKind::KeyDown, 18));
    app->dispatch(message(MessageKind::KeyDown, 'Q'));
    app->onMouseDown(Application::kLeftButton, 5, 5);
    ASSERT_TRUE(twoD().isAltPending());
    ASSERT_TRUE(twoD().isGestureActive());
    app->released.clear();

    WindowMessage deactivate = message(MessageKind::ActivateApp);
    deactivate.active = false;
    app->dispatch(deactivate);
    EXPECT_EQ(app->released, (std::vector<int>{18, 'Q', 18}));
    EXPECT_EQ(app->keyTable().count(), 0);
    EXPECT_FALSE(twoD().isAltPending() || twoD().isGestureActive() || app->isActive());

    // Restore releases Alt only while it is pending.
    app->released.clear();
    app->onRestore();
    EXPECT_TRUE(app->released.empty());
    app->setMinimised(true);
    app->onKeyDown(18);
    app->onRestore();
    EXPECT_FALSE(app->isMinimised());
    EXPECT_EQ(app->released, std::vector<int>{18});
    EXPECT_FALSE(twoD().isAltPending());
}

TEST_F(ApplicationMainTest, CursorKindsSetPictureHotSpotSizeAndFlags) {
    struct Row {
        int kind, texture;
        float hotX, hotY, size;  // negative: not checked
        bool pressed, over;
    };
    for (const Row& r : {Row{2, -1, -1, -1, -1, true, false}, Row{3, 8, 17.5f, -1, 35.0f, true, false},
                         Row{4, -1, -1, -1, -1, false, true}, Row{11, 7, -1, 22.0f, 45.0f, false, true},
                         Row{12, 3, -1, -1, 22.0f, false, false}, Row{18, 16, 30.0f, -1, -1, false, false}}) {
        app->setCursor(r.kind);
        if (r.texture >= 0) {
            EXPECT_EQ(app->cursorTextureIndex(), r.texture) << r.kind;
        }
        if (r.hotX >= 0) {
            EXPECT_FLOAT_EQ(app->cursorHotSpotX(), r.hotX) << r.kind;
        }
        if (r.hotY >= 0) {
            EXPECT_FLOAT_EQ(app->cursorHotSpotY(), r.hotY) << r.kind;
        }
        if (r.size >= 0) {
            EXPECT_FLOAT_EQ(app->cursorSize(), r.size) << r.kind;
        }
        if (r.pressed) {
            EXPECT_TRUE(app->isCursorPressed()) << r.kind;
        }
        if (r.over) {
            EXPECT_TRUE(app->isCursorOver()) << r.kind;
        }
    }
    app->setCursor(40);  // stored, nothing else changes
    EXPECT_EQ(app->cursorKind(), 40);
    EXPECT_EQ(app->cursorTextureIndex(), 16);

    app->setCursor(1);
    app->setCursor(0);
    EXPECT_FALSE(app->isCursorOver());
    EXPECT_EQ(app->cursorTexture(), app->cursorTextureAt(0));
    EXPECT_EQ(app->cursorTextureAt(0), app->cursorTextureAt(3));  // the same file twice
}

TEST_F(ApplicationMainTest, WaitCursorIsForcedWhileAModeIsNotReady) {
    threeD().statusBar().setReady(false);
    app->setCursor(16);
    EXPECT_EQ(app->cursorKind(), 7);
    EXPECT_EQ(app->cursorTextureIndex(), 4);
    threeD().statusBar().setReady(true);
    app->onMouseMove(320, 470);  // a move over nothing asks for the arrow
    EXPECT_EQ(app->cursorKind(), 0);
}

TEST_F(ApplicationMainTest, DroppedPicturesAreAddedInOrder) {
    for (auto [name, side] : {std::pair{"a.ppm", 2}, {"b.ppm", 4}, {"c.ppm", 8}})
        ASSERT_TRUE(testsupport::writeText(dir.file(name), ppm(side, side)));
    WindowMessage drop = message(MessageKind::DropFiles);
    drop.files = {dir.file("a.ppm"), dir.file("b.ppm"), dir.file("c.ppm")};
    app->dispatch(drop);

    ImageList& images = twoD().images();
    ASSERT_EQ(images.imageCount(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(images.entry(i)->biggerImage.width(), 2 << i);
    EXPECT_TRUE(dialogs.calls().empty());
    EXPECT_TRUE(twoD().statusBar().isReady());
    EXPECT_EQ(app->cursorKind(), 0);
}

TEST_F(ApplicationMainTest, DroppedProjectAddsItsImagesWithoutChangingTheMode) {
    ASSERT_TRUE(testsupport::writeText(dir.file("p.ppm"), ppm(6, 6)));
    {
        ImageList saved;
        ASSERT_GE(saved.loadPicture(path("p.ppm"), 255), 0);
        StatusSink quiet;
        ASSERT_TRUE(saveProject(path("work.qz"), saved, ProjectSettings{}, quiet).saved);
    }
    app->onDropFile(path("p.ppm"));
    app->switchToThreeD();
    app->onDropFile(path("work.qz"));
    EXPECT_EQ(twoD().images().imageCount(), 2);
    EXPECT_EQ(app->currentMode(), kModeThreeD);
    EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(ApplicationMainTest, UnknownExtensionsAreReportedCaseSensitively) {
    ASSERT_TRUE(testsupport::writeText(dir.file("A.QZ"), "<Plastora/>"));
    ASSERT_TRUE(testsupport::writeText(dir.file("P.PNG"), ppm(2, 2)));
    for (const char* name : {"A.QZ", "notes.txt", "P.PNG"}) {
        app->onKeyDown('K');
        app->onDropFile(path(name));
        ASSERT_FALSE(dialogs.calls().empty());
        const DialogCall& call = dialogs.calls().back();
        EXPECT_EQ(call.text.str(), "Plastora can't handle the file: " + dir.file(name));
        EXPECT_TRUE(call.cursorVisible);
        EXPECT_EQ(app->keyTable().count(), 0);
    }
    EXPECT_EQ(twoD().images().imageCount(), 0);
    EXPECT_FALSE(dialogs.cursorVisible());
}

TEST_F(ApplicationMainTest, EveryOtherNReleaseShowsTheNextCaption) {
    EXPECT_EQ(app->currentCaption(), nullptr);
    std::vector<std::string> shown;
    for (int press = 1; press <= 12; ++press) {
        window.post(message(MessageKind::KeyDown, press % 2 ? 'N' : 'n'));
        window.post(message(MessageKind::KeyUp, 'N'));
        ASSERT_TRUE(app->runPass());  // draws the overlay as well
        shown.push_back(app->currentCaption() ? app->currentCaption() : "");
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Load Images", "", "Lay mask over the objects", "",
                                               "Transform the images in 3d space", "",
                                               "Make screenshot and sculpture with it", "", "Transform the images",
                                               "", "Make screenshot and sculpture and/or texturize with it", ""}));
    EXPECT_EQ(app->captionStep(), 12);
}

TEST_F(ApplicationMainTest, EventsReachOnlyTheCurrentModeInBackBufferPixels) {
    app->setWindowSize(320, 240);  // half the back buffer
    app->onMouseDown(Application::kRightButton, 10, 20);
    EXPECT_FLOAT_EQ(twoD().pointerY(), 40.0f);
    EXPECT_FLOAT_EQ(app->mouseX(), 20.0f);
    app->onMouseUp(Application::kRightButton, 30, 30);
    EXPECT_FLOAT_EQ(twoD().pointerX(), 60.0f);
    EXPECT_FLOAT_EQ(threeD().pointerX(), 0.0f);

    app->setCurrentMode(3);  // no such mode: nothing happens
    app->onMouseMove(99, 99);
    app->onKeyDown(18);
    EXPECT_FLOAT_EQ(twoD().pointerX(), 60.0f);
    EXPECT_FALSE(twoD().isAltPending() || threeD().isAltPending());
    app->setCurrentMode(kModeTwoD);
}

TEST_F(ApplicationMainTest, TabAloneSwitchesBetweenTheModes) {
    app->onKeyDown(16);  // SHIFT + TAB does not switch
    app->onKeyDown(9);
    EXPECT_EQ(app->currentMode(), kModeTwoD);
    app->clearKeyTable();
    app->onKeyDown(9);
    EXPECT_EQ(app->currentMode(), kModeThreeD);
    app->onKeyUp(9);
    app->onKeyDown(9);
    EXPECT_EQ(app->currentMode(), kModeTwoD);
}

TEST_F(ApplicationMainTest, NewProjectAsksAndClearsTheImagesOnlyOnYes) {
    ASSERT_TRUE(testsupport::writeText(dir.file("a.ppm"), ppm(2, 2)));
    app->onDropFile(path("a.ppm"));
    app->onKeyDown('X');

    dialogs.answerMessage(MessageAnswer::No);
    app->onMenuCommand(String("New Project"));
    ASSERT_EQ(dialogs.calls().size(), 1u);
    EXPECT_EQ(dialogs.calls()[0].caption.str(), "Really deleting?");
    EXPECT_EQ(dialogs.calls()[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(dialogs.calls()[0].cursorVisible);
    EXPECT_EQ(twoD().images().imageCount(), 1);
    EXPECT_EQ(app->keyTable().count(), 0);
    dialogs.answerMessage(MessageAnswer::Yes);
    app->onCommand(kCommandNewProject);
    EXPECT_EQ(twoD().images().imageCount(), 0);
    EXPECT_FALSE(dialogs.cursorVisible());
    EXPECT_EQ(dialogs.unexpectedCount(), 0);
}

TEST_F(ApplicationMainTest, QuitAsksThenShowsTheLastStatusAndStopsTheLoop) {
    ASSERT_TRUE(app->runPass());
    dialogs.answerMessage(MessageAnswer::No);
    app->onMenuCommand(String("Quit"));
    EXPECT_TRUE(app->isRunning());
    EXPECT_EQ(dialogs.calls().back().caption.str(), "Quit Plastora?");

    dialogs.answerMessage(MessageAnswer::Yes);
    app->onMenuCommand(String("Quit"));
    EXPECT_FALSE(app->isRunning() || twoD().statusBar().isReady());
    EXPECT_EQ(app->cursorKind(), 7);
    WindowMessage posted;
    ASSERT_TRUE(window.peekMessage(posted));
    EXPECT_EQ(posted.kind, MessageKind::Destroy);
}

TEST_F(ApplicationMainTest, ShutDownWritesTheCurrentSettingsIntoConfigXml) {
    app->settings().togglehelptext = false;
    app->settings().backgroundcol = ColourBytes{1, 2, 3};
    app->shutDown();
    const std::string written = testsupport::readText(dir.file("config.xml"));
    for (const char* part : {"<togglehelptext>0</togglehelptext>", "<red>1.000000</red>",
                             "<screenwidth>640</screenwidth>", "<screenheight>480</screenheight>"})
        EXPECT_NE(written.find(part), std::string::npos) << part << " in\n" << written;
    EXPECT_EQ(written.find("maxnrundos"), std::string::npos);  // no key is added
}

TEST_F(ApplicationMainTest, AFailedWriteLeavesWhatIsThereAndLeavesNoDebris) {
    // A folder in the file's place: the new file cannot replace it.
    std::filesystem::remove(dir.file("config.xml"));
    std::filesystem::create_directory(dir.file("config.xml"));
    ASSERT_TRUE(testsupport::writeText(dir.file("config.xml/keep"), "x"));
    app->shutDown();
    EXPECT_TRUE(testsupport::fileExists(dir.file("config.xml/keep")));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST(ShutDown, WithoutConfigurationNothingIsWritten) {
    TempDir dir;
    platform::HeadlessWindow window{800, 600};
    ScriptedDialogs dialogs;
    auto app = startApplication(window, String(dir.path().c_str()), dialogs, dialogs);
    ASSERT_TRUE(app->isInitialised());
    EXPECT_EQ(window.clientWidth(), 800);  // the screen's size
    window.post(message(MessageKind::Close));
    app->run();
    EXPECT_FALSE(testsupport::fileExists(dir.file("config.xml")));
}

TEST_F(ApplicationMainTest, CommonViewTogglesKeepBothMenuBarsInStep) {
    struct Case {
        const char* label;
        bool Settings::*setting;
    };
    const Case cases[] = {{"Render Keyshortcuts", &Settings::toggleviewingkeyshortcuts},
                          {"Render Mouse Helptext", &Settings::togglehelpbox},
                          {"Render Statusbar", &Settings::togglehelptext}};
    for (const Case& c : cases) {
        for (bool on : {false, true}) {
            app->onMenuCommand(String(c.label).append(String(on ? " checked" : " unchecked")));
            EXPECT_EQ(app->settings().*c.setting, on) << c.label;
            EXPECT_EQ(twoD().itemChecked("View", c.label), on ? 1 : 0) << c.label;
            EXPECT_EQ(threeD().itemChecked("View", c.label), on ? 1 : 0) << c.label;
        }
    }
    // About answers with its box; an unknown text changes nothing.
    dialogs.answerMessage(MessageAnswer::Ok);
    app->onMenuCommand(String("About..."));
    EXPECT_STREQ(dialogs.calls().back().caption.text(), "About Plastora");
    app->onMenuCommand(String("Render Plane checked"));
    app->onMenuCommand(String("Save 3d Object..."));
}

TEST_F(ApplicationMainTest, AnOpenMenuMovesToTheOtherModesMenuBar) {
    twoD().menuBar().openMenuNamed(String("View"));
    app->switchToThreeD();
    EXPECT_EQ(twoD().openMenuName().str(), "");
    EXPECT_EQ(threeD().openMenuName().str(), "View");
    app->switchToTwoD();
    EXPECT_EQ(twoD().openMenuName().str(), "View");
}

}  // namespace
