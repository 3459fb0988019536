#include "app/script/injecting_window.h"
#include "app/script/run_script.h"
#include "app/script/script.h"
#include "app/script/script_player.h"
#include "app/shell/application_main.h"
#include "app/shell/run_application.h"
#include "core/logger.h"
#include "render/image_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using platform::MessageKind;
using platform::WindowMessage;
using testsupport::TempDir;

Script parsed(const std::string& text) {
    ScriptParseResult result = parseScript(text);
    EXPECT_TRUE(result.ok) << result.error;
    return result.script;
}

std::string parseError(const std::string& text) {
    ScriptParseResult result = parseScript(text);
    EXPECT_FALSE(result.ok) << "accepted: " << text;
    return result.error;
}

TEST(ScriptParser, ReadsEveryCommandWithItsArguments) {
    const Script script = parsed(
        "# a comment line\n"
        "keydown 78\r\n"
        "keyup n\n"
        "  key\tTAB   # trailing comment\n"
        "\n"
        "move -3 40\n"
        "press left 1 2\n"
        "release right 3 4\n"
        "doubleclick middle 5 6\n"
        "wheel +1\n"
        "wheel -3\n"
        "drop \"/tmp/my picture.png\" /tmp/b#1.png\n"
        "answer yes\nanswer NO\nanswer ok\nanswer cancel\n"
        "answer file /a.png\n"
        "answer files /a.png;/b.png /c.png\n"
        "answer save /out.obj 1\n"
        "answer colour 1 2 255\n"
        "answer slider max \"\"\n"
        "wait 0\nwait 25\n"
        "screenshot shots/a.png\n"
        "echo first frame \"x  y\"\n"
        "quit\n"
        "# only comments after quit\n");
    const auto& c = script.commands;
    ASSERT_EQ(c.size(), 24u);
    EXPECT_EQ(c[0].kind, ScriptCommandKind::KeyDown);
    EXPECT_EQ(c[0].key, 78);
    EXPECT_EQ(c[0].line, 2);
    EXPECT_EQ(c[1].kind, ScriptCommandKind::KeyUp);
    EXPECT_EQ(c[1].key, 'N');
    EXPECT_EQ(c[2].kind, ScriptCommandKind::Key);
    EXPECT_EQ(c[2].key, 9);
    EXPECT_EQ(c[3].kind, ScriptCommandKind::Move);
    EXPECT_EQ(std::make_pair(c[3].x, c[3].y), std::make_pair(-3, 40));
    EXPECT_EQ(c[3].line, 6);
    EXPECT_EQ(c[4].kind, ScriptCommandKind::Press);
    EXPECT_EQ(c[5].button, ScriptButton::Right);
    EXPECT_EQ(c[6].kind, ScriptCommandKind::DoubleClick);
    EXPECT_EQ(c[6].button, ScriptButton::Middle);
    EXPECT_EQ(std::make_pair(c[6].x, c[6].y), std::make_pair(5, 6));
    EXPECT_EQ(c[7].wheelSteps, 1);
    EXPECT_EQ(c[8].wheelSteps, -3);
    EXPECT_EQ(c[9].paths, (std::vector<std::string>{"/tmp/my picture.png", "/tmp/b#1.png"}));
    EXPECT_EQ(c[10].answer.kind, ScriptAnswerKind::Yes);
    EXPECT_EQ(c[11].answer.kind, ScriptAnswerKind::No);
    EXPECT_EQ(c[12].answer.kind, ScriptAnswerKind::Ok);
    EXPECT_EQ(c[13].answer.kind, ScriptAnswerKind::Cancel);
    EXPECT_EQ(c[14].answer.paths, (std::vector<std::string>{"/a.png"}));
    EXPECT_EQ(c[15].answer.paths, (std::vector<std::string>{"/a.png", "/b.png", "/c.png"}));
    EXPECT_EQ(c[16].answer.kind, ScriptAnswerKind::Save);
    EXPECT_EQ(c[16].answer.filterIndex, 1);
    EXPECT_EQ(c[17].answer.colour, (Rgb{1, 2, 255}));
    EXPECT_EQ(c[18].answer.sliderAction, SliderValueAction::SetMax);
    EXPECT_EQ(c[18].answer.text, "");
    EXPECT_EQ(c[19].frames, 0);
    EXPECT_EQ(c[20].frames, 25);
    EXPECT_EQ(c[21].path, "shots/a.png");
    EXPECT_EQ(c[22].text, "first frame x  y");
    EXPECT_EQ(c[23].kind, ScriptCommandKind::Quit);
    EXPECT_EQ(c[23].line, 26);
}

TEST(ScriptParser, KnowsKeysByCodeAndByName) {
    const std::pair<const char*, int> keys[] = {{"78", 78},   {"a", 'A'},      {"alt", 18},  {"LSHIFT", 16},
                                                {"f12", 123}, {"Delete", 46},  {"Escape", 27}, {"0", 0},
                                                {"255", 0},   {"MOUSE0", 0},   {"nokey", 0},   {"", 0}};
    for (const auto& [name, code] : keys) EXPECT_EQ(scriptKeyCode(name), code) << name;
}

TEST(ScriptParser, NamesTheLineAndTheFaultOfABadLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"klick left 1 2", "line 1: unknown command 'klick'"},
        {"key N\n\nkey", "line 3: expected: key KEY"},
        {"key 300", "line 1: '300' is no key"},
        {"move 1", "line 1: expected: move X Y"},
        {"move 1.5 2", "line 1: '1.5' is not a whole number (x)"},
        {"move 1 200000", "line 1: y 200000 is out of range"},
        {"press top 1 2", "line 1: 'top' is no mouse button"},
        {"wheel 0", "line 1: wheel needs a non-zero number"},
        {"wait -1", "line 1: frames -1 is out of range"},
        {"wait 99999999999999999999", "line 1: frames 99999999999999999999 is out of range"},
        {"drop", "line 1: expected: drop PATH..."},
        {"drop \"a.png", "line 1: a double quote is not closed"},
        {"answer maybe", "line 1: unknown answer 'maybe'"},
        {"answer yes please", "line 1: expected: answer yes"},
        {"answer files ;;", "line 1: expected: answer files"},
        {"answer colour 1 2 300", "line 1: blue 300 is out of range"},
        {"answer slider up 3", "line 1: expected: answer slider"},
        {"screenshot shot.txt", "line 1: screenshot: 'shot.txt' has no picture extension"},
        {"quit\nkey N", "line 2: nothing may follow 'quit' (line 1)"},
        {"key N\nkey\x01N", "line 2: the line holds the control byte 0x01"},
    };
    for (const auto& [text, expected] : cases) {
        const std::string error = parseError(text);
        EXPECT_EQ(error.rfind(expected, 0), 0u) << "script: " << text << "\nerror: " << error;
    }
    // A NUL byte inside a line is refused, not cut off.
    EXPECT_EQ(parseError(std::string("key N\nmove 1 2\0 x", 17)).rfind("line 2: the line holds the control byte 0x00", 0),
              0u);
}

TEST(ScriptParser, ReadsTheCommandsThatAskTheProgram) {
    const Script script = parsed("choose \"File\" \"Save Project...\"\nwait IDLE\nstate out/state.json\n");
    ASSERT_EQ(script.commands.size(), 3u);
    EXPECT_EQ(script.commands[0].kind, ScriptCommandKind::Choose);
    EXPECT_EQ(script.commands[0].menu, "File");
    EXPECT_EQ(script.commands[0].item, "Save Project...");
    EXPECT_EQ(script.commands[1].kind, ScriptCommandKind::WaitIdle);
    EXPECT_EQ(script.commands[2].kind, ScriptCommandKind::State);
    EXPECT_EQ(script.commands[2].path, "out/state.json");
    for (const char* bad : {"choose File", "choose File \"\"", "state", "wait soon"})
        EXPECT_FALSE(parseError(bad).empty()) << bad;
}

TEST(ScriptParser, LoadingReportsUnreadableFilesAndPrefixesThePath) {
    TempDir dir;
    EXPECT_NE(loadScriptFile(dir.file("missing.txt")).error.find("cannot read the script"), std::string::npos);
    EXPECT_FALSE(loadScriptFile(dir.path()).ok);  // a folder
    ASSERT_TRUE(testsupport::writeText(dir.file("bad.txt"), "key N\nwait x\n"));
    const ScriptParseResult bad = loadScriptFile(dir.file("bad.txt"));
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.error, dir.file("bad.txt") + ": line 2: 'x' is not a whole number (frames)");
}

// Runs a player over `frames` frames, recording which frame each message
// was posted before.
struct Recorded {
    int frame;
    WindowMessage message;
};

std::vector<Recorded> playFrames(const std::string& text, int frames, bool quitAtEnd = false) {
    ScriptedDialogs dialogs;
    std::vector<Recorded> posted;
    int frame = 1;
    ScriptPlayer player(parsed(text), dialogs, [&](const WindowMessage& m) { posted.push_back({frame, m}); },
                        quitAtEnd, nullptr);
    for (; frame <= frames; ++frame) {
        player.beforeFrame(nullptr);
        player.afterFrame(nullptr);
    }
    return posted;
}

TEST(ScriptPlayer, PostsEachMessageBeforeTheFrameItBelongsTo) {
    const std::vector<Recorded> posted = playFrames(
        "key N\n"
        "move 10 20\n"
        "wait 2\n"
        "doubleclick right 5 6\n"
        "wheel -2\n"
        "drop a.png b.png\n"
        "wait 1\n"
        "press middle 1 2\n"
        "release middle 1 2\n"
        "quit\n",
        8);
    const std::vector<std::pair<int, MessageKind>> expected = {
        {1, MessageKind::KeyDown},       {1, MessageKind::KeyUp},      {1, MessageKind::MouseMove},
        {3, MessageKind::RButtonDown},   {3, MessageKind::RButtonUp},  {3, MessageKind::RButtonDblClk},
        {3, MessageKind::RButtonUp},     {3, MessageKind::MouseWheel}, {3, MessageKind::MouseWheel},
        {3, MessageKind::DropFiles},     {4, MessageKind::MButtonDown}, {4, MessageKind::MButtonUp},
        {4, MessageKind::Close},
    };
    ASSERT_EQ(posted.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(posted[i].frame, expected[i].first) << "message " << i;
        EXPECT_EQ(posted[i].message.kind, expected[i].second) << "message " << i;
    }
    EXPECT_EQ(posted[0].message.key, 'N');
    EXPECT_EQ(posted[2].message.x, 10);
    EXPECT_EQ(posted[2].message.y, 20);
    EXPECT_EQ(posted[7].message.wheelDelta, -120);
    EXPECT_EQ(posted[9].message.files, (std::vector<std::string>{"a.png", "b.png"}));
}

// A program with one menu "File" whose title opens the menu when clicked.
struct FakeHost : ScriptHost {
    bool open = false;
    bool saveEnabled = true;
    int busyFrames = 0;
    std::vector<std::string> states;
    MenuItemPlace findMenuItem(const std::string& menu, const std::string& item) override {
        MenuItemPlace place;
        place.menuFound = menu == "File";
        place.menuOpen = open;
        place.titleX = 20;
        place.titleY = 10;
        place.itemFound = open && (item == "Save Project..." || item == "Quit");
        place.itemEnabled = item != "Save Project..." || saveEnabled;
        place.itemX = 40;
        place.itemY = item == "Quit" ? 90 : 60;
        return place;
    }
    bool isBusy(std::string& running) override {
        running = "Load images";
        return busyFrames > 0;
    }
    bool writeState(const std::string& path, std::string&) override {
        states.push_back(path);
        return true;
    }
};

struct HostedRun {
    std::vector<Recorded> posted;
    std::vector<std::string> errors;
};

// Plays `text` against `host` for `frames` frames; a left press on the
// title opens the menu, a frame counts down the host's busy frames.
HostedRun playWithHost(const std::string& text, FakeHost& host, int frames) {
    ScriptedDialogs dialogs;
    HostedRun run;
    int frame = 1;
    ScriptPlayer player(
        parsed(text), dialogs,
        [&](const WindowMessage& m) {
            run.posted.push_back({frame, m});
            if (m.kind == MessageKind::LButtonDown && m.y == 10) host.open = true;
            if (m.kind == MessageKind::LButtonDown && m.y > 10) host.open = false;
        },
        false, nullptr);
    player.setHost(&host);
    for (; frame <= frames; ++frame) {
        player.beforeFrame(nullptr);
        player.afterFrame(nullptr);
        if (host.busyFrames > 0) --host.busyFrames;
    }
    run.errors = player.errors();
    return run;
}

TEST(ScriptPlayer, ChooseOpensTheMenuWhereItIsDrawnThenClicksTheItem) {
    FakeHost host;
    const HostedRun run = playWithHost("key N\nchoose File \"Save Project...\"\nstate a.json\n", host, 5);
    EXPECT_TRUE(run.errors.empty());
    // Frame 1: the key; frame 2: the title clicked; frame 3: the item.
    const std::vector<std::pair<int, int>> clicks = [&] {
        std::vector<std::pair<int, int>> found;
        for (const Recorded& r : run.posted)
            if (r.message.kind == MessageKind::LButtonDown) found.emplace_back(r.frame, r.message.y);
        return found;
    }();
    EXPECT_EQ(clicks, (std::vector<std::pair<int, int>>{{2, 10}, {3, 60}}));
    // The state is taken after the item's click was handled.
    EXPECT_EQ(host.states, std::vector<std::string>{"a.json"});
}

TEST(ScriptPlayer, AMissingOrDisabledItemIsAFaultThatNamesItAndStopsTheScript) {
    struct Case {
        const char* script;
        const char* fault;
    };
    const Case cases[] = {
        {"choose Edit Undo\nkey N\n", "line 1: choose \"Edit\" \"Undo\": there is no menu \"Edit\""},
        {"choose File Print\nkey N\n", "line 1: choose \"File\" \"Print\": the menu \"File\" has no item \"Print\""},
        {"choose File \"Save Project...\"\nkey N\n",
         "line 1: choose \"File\" \"Save Project...\": the item \"Save Project...\" is disabled"},
    };
    for (const Case& c : cases) {
        FakeHost host;
        host.saveEnabled = false;
        const HostedRun run = playWithHost(c.script, host, 6);
        ASSERT_EQ(run.errors.size(), 1u) << c.script;
        EXPECT_EQ(run.errors[0], c.fault);
        ASSERT_FALSE(run.posted.empty());
        EXPECT_EQ(run.posted.back().message.kind, MessageKind::Close);
        for (const Recorded& r : run.posted) EXPECT_NE(r.message.kind, MessageKind::KeyDown) << c.script;
    }
}

TEST(ScriptPlayer, WaitIdleLetsFramesBeDrawnUntilNothingRuns) {
    FakeHost host;
    host.busyFrames = 4;
    const HostedRun run = playWithHost("wait idle\nkey N\n", host, 8);
    EXPECT_TRUE(run.errors.empty());
    ASSERT_EQ(run.posted.size(), 2u);
    EXPECT_EQ(run.posted[0].frame, 5);
}

TEST(ScriptPlayer, ClosesAfterTheLastCommandOnlyWhenAsked) {
    const std::vector<Recorded> withoutUser = playFrames("wait 2\n", 5, true);
    ASSERT_EQ(withoutUser.size(), 1u);
    EXPECT_EQ(withoutUser[0].message.kind, MessageKind::Close);
    EXPECT_EQ(withoutUser[0].frame, 3);
    EXPECT_TRUE(playFrames("wait 2\n", 5, false).empty());
}

TEST(ScriptPlayer, QueuesAnswersInOrderForTheDialogs) {
    ScriptedDialogs dialogs;
    ScriptPlayer player(parsed("answer yes\nanswer file /a.png\nanswer files /b.png;/c.png\nanswer save /d.obj 1\n"
                               "answer colour 4 5 6\nanswer slider value 12.5\nanswer cancel\n"),
                        dialogs, [](const WindowMessage&) {}, false, nullptr);
    player.beforeFrame(nullptr);
    EXPECT_TRUE(player.isFinished());
    EXPECT_EQ(dialogs.messageBox("c", "t", MessageButtons::YesNo, MessageIcon::Question), MessageAnswer::Yes);
    EXPECT_EQ(dialogs.openFile("t", {})->str(), "/a.png");
    EXPECT_EQ(dialogs.openFiles("t", {})->size(), 2u);
    const std::optional<SavedFile> saved = dialogs.saveFile("t", {}, 0);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->path.str(), "/d.obj");
    EXPECT_EQ(saved->filterIndex, 1);
    EXPECT_EQ(dialogs.chooseColour(Rgb{}), (Rgb{4, 5, 6}));
    const std::optional<SliderValueAnswer> slider = dialogs.sliderValue("1", false, false);
    ASSERT_TRUE(slider);
    EXPECT_EQ(slider->text.str(), "12.5");
    EXPECT_FALSE(dialogs.openFile("t", {}));
    EXPECT_EQ(dialogs.unexpectedCount(), 0);
}

RgbaImage readPicture(const std::string& path) {
    RgbaImage image;
    String error;
    EXPECT_TRUE(decodeImageFile(String(path.c_str()), image, error)) << error.text();
    return image;
}

TEST(ScriptPlayer, AScreenshotShowsTheMessagesPostedBeforeIt) {
    TempDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createNullDevice(8, 4);
    device->clear(gfx::kClearTarget, 0xFFFF0000, 1.0f, 0);  // what was drawn before the script: red
    const std::string text = "screenshot " + dir.file("before.png") + "\nkey N\nscreenshot " + dir.file("after.png") +
                             "\nscreenshot " + dir.file("no/such/../x.txt.png") + "\n";
    ScriptPlayer player(parsed(text), dialogs, [](const WindowMessage&) {}, false, nullptr);

    player.beforeFrame(device.get());
    EXPECT_EQ(player.screenshots().size(), 1u);  // at once: nothing waited for a frame
    EXPECT_EQ(player.nextLine(), 3);              // the second waits for the frame with the key
    device->clear(gfx::kClearTarget, 0xFF00FF00, 1.0f, 0);  // the frame: green
    player.afterFrame(device.get());
    player.beforeFrame(device.get());
    EXPECT_TRUE(player.isFinished());
    EXPECT_EQ(player.screenshots().size(), 3u);

    const RgbaImage before = readPicture(dir.file("before.png"));
    const RgbaImage after = readPicture(dir.file("after.png"));
    ASSERT_EQ(before.width, 8);
    ASSERT_EQ(before.height, 4);
    EXPECT_EQ(before.pixels[0], 255);
    EXPECT_EQ(before.pixels[1], 0);
    EXPECT_EQ(after.pixels[0], 0);
    EXPECT_EQ(after.pixels[1], 255);
}

TEST(ScriptPlayer, ReportsScreenshotsThatCannotBeTaken) {
    TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("file"), "x"));
    ScriptedDialogs dialogs;
    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createNullDevice(4, 4);
    ScriptPlayer player(parsed("\nscreenshot " + dir.file("file") + "/shot.png\nscreenshot " + dir.file("b.png")),
                        dialogs, [](const WindowMessage&) {}, false, nullptr);
    player.beforeFrame(device.get());
    ScriptPlayer noDevice(parsed("screenshot a.png\n"), dialogs, [](const WindowMessage&) {}, false, nullptr);
    noDevice.beforeFrame(nullptr);
    ASSERT_EQ(player.errors().size(), 1u);
    EXPECT_EQ(player.errors()[0].rfind("line 2: cannot write the screenshot", 0), 0u) << player.errors()[0];
    ASSERT_EQ(noDevice.errors().size(), 1u);
    EXPECT_EQ(noDevice.errors()[0].rfind("line 1: no drawing device", 0), 0u);
    EXPECT_EQ(player.screenshots(), (std::vector<std::string>{dir.file("b.png")}));  // the next one still runs
}

TEST(InjectingWindow, HandsOutTheWindowsOwnMessagesFirst) {
    platform::HeadlessWindow inner;
    InjectingWindow window(inner);
    WindowMessage desktop;
    desktop.kind = MessageKind::ActivateApp;
    inner.post(desktop);
    WindowMessage scripted;
    scripted.kind = MessageKind::KeyDown;
    window.inject(scripted);
    WindowMessage taken;
    ASSERT_TRUE(window.waitMessage(taken, 0));
    EXPECT_EQ(taken.kind, MessageKind::ActivateApp);
    ASSERT_TRUE(window.peekMessage(taken));
    EXPECT_EQ(taken.kind, MessageKind::KeyDown);
    EXPECT_FALSE(window.peekMessage(taken));
}

const char* const kConfig =
    "<config>\n"
    "    <screenwidth>320</screenwidth>\n"
    "    <screenheight>200</screenheight>\n"
    "    <logging>0</logging>\n"
    "    <checkforupdateatstartup>0</checkforupdateatstartup>\n"
    "    <backgroundcol><red>10.000000</red><green>20.000000</green><blue>30.000000</blue></backgroundcol>\n"
    "</config>\n";

TEST(ScriptedRun, EventsReachTheApplicationThroughItsWindow) {
    TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("config.xml"), kConfig));
    platform::HeadlessWindow headless{1280, 800};
    InjectingWindow window(headless);
    ScriptedDialogs dialogs;
    auto application = startApplication(window, String((dir.path() + "/").c_str()), dialogs, dialogs);
    ASSERT_TRUE(application->isInitialised());
    application->setNoWait(true);
    ScriptPlayer player(parsed("move 100 50\nkey N\nwait 1\nkey N\nkey N\n"), dialogs,
                        [&](const WindowMessage& m) { window.inject(m); }, true, nullptr);
    std::vector<int> steps;
    player.beforeFrame(application->device());
    while (application->runPass()) {
        steps.push_back(application->captionStep());
        player.afterFrame(application->device());
        player.beforeFrame(application->device());
    }
    application->shutDown();
    // The last two keys arrive with the close: that pass draws and ends the loop.
    EXPECT_EQ(steps, (std::vector<int>{1}));
    EXPECT_EQ(application->captionStep(), 3);
    EXPECT_FLOAT_EQ(application->mouseX(), 100.0f);
    EXPECT_FLOAT_EQ(application->mouseY(), 50.0f);
    application.reset();
    Logger::instance().disable();
}

TEST(ScriptedRun, HeadlessRunWritesTheClearedFrameAndReportsFaults) {
    TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("config.xml"), kConfig));
    ASSERT_TRUE(testsupport::writeText(dir.file("good.txt"), "key N\necho hello\nscreenshot " + dir.file("shot.png")));
    ASSERT_TRUE(testsupport::writeText(dir.file("bad.txt"), "key N\nwheel 0\n"));
    ASSERT_TRUE(testsupport::writeText(dir.file("nowrite.txt"), "screenshot " + dir.file("config.xml/x.png")));
    ScriptRunOptions options;
    options.headless = true;
    options.applicationDirectory = String((dir.path() + "/").c_str());

    std::FILE* output = std::tmpfile();
    std::FILE* messages = std::tmpfile();
    ASSERT_NE(output, nullptr);
    ASSERT_NE(messages, nullptr);
    options.scriptPath = dir.file("good.txt");
    EXPECT_EQ(runScript(options, output, messages), kScriptRunOk);
    options.scriptPath = dir.file("bad.txt");
    EXPECT_EQ(runScript(options, output, messages), kScriptRunBadScript);
    options.scriptPath = dir.file("nowrite.txt");
    EXPECT_EQ(runScript(options, output, messages), kScriptRunFailed);
    Logger::instance().disable();

    const auto readAll = [](std::FILE* file) {
        std::rewind(file);
        std::string text;
        char buffer[256];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, file)) text.append(buffer, n);
        std::fclose(file);
        return text;
    };
    EXPECT_NE(readAll(output).find("hello\n"), std::string::npos);
    const std::string faults = readAll(messages);
    EXPECT_NE(faults.find("bad.txt: line 2: wheel needs a non-zero number"), std::string::npos) << faults;
    EXPECT_NE(faults.find("line 1: cannot write the screenshot"), std::string::npos) << faults;

    const RgbaImage shot = readPicture(dir.file("shot.png"));
    ASSERT_EQ(shot.width, 320);
    ASSERT_EQ(shot.height, 200);
    EXPECT_EQ(shot.pixels[0], 10);
    EXPECT_EQ(shot.pixels[1], 20);
    EXPECT_EQ(shot.pixels[2], 30);
}

TEST(ScriptedRun, MenusAreChosenByLabelAndTheStateIsWrittenAfterTheWorkIsDone) {
    TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("config.xml"), kConfig));
    RgbaImage picture;
    picture.width = 600;
    picture.height = 400;
    picture.pixels.assign(600 * 400 * 4, 200);
    String error;
    ASSERT_TRUE(encodeImageFile(String(dir.file("photo.png").c_str()), picture, error)) << error.str();
    ASSERT_TRUE(testsupport::writeText(dir.file("run.txt"),
                                       "answer files " + dir.file("photo.png") + "\n" +
                                           "choose File \"Load Images...\"\n"
                                           "wait idle\n"
                                           "state " + dir.file("state.json") + "\n"
                                           "choose File \"Load Mask (Color Channel)...\"\n"
                                           "key N\n"));
    ScriptRunOptions options;
    options.headless = true;
    options.applicationDirectory = String((dir.path() + "/").c_str());
    options.scriptPath = dir.file("run.txt");
    std::FILE* messages = std::tmpfile();
    ASSERT_NE(messages, nullptr);
    // The mask item is enabled once the loaded image is selected: the run
    // goes through.
    EXPECT_EQ(runScript(options, nullptr, messages), kScriptRunOk);
    std::fclose(messages);
    Logger::instance().disable();

    const std::string state = testsupport::readText(dir.file("state.json"));
    for (const char* expected : {"\"mode\": 1", "\"rubric\": \"Image\"", "\"selected\": \"1\"", "\"marginBottom\": 171",
                                 "\"maskPixels\": 0"})
        EXPECT_NE(state.find(expected), std::string::npos) << expected << " in\n" << state;
}

}  // namespace
