// Soak sessions: script lines written for every command parse back to the
// same command; the generator makes the same session from the same seed,
// acts only where the program shows something and answers each dialog with
// an answer that fits it; and a short session of the built program runs to
// its end and replays from its record.
#include "app/script/script.h"
#include "app/script/soak.h"

#include "support/program_runner.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

namespace {

SoakView sampleView() {
    SoakView view;
    view.width = 800;
    view.height = 600;
    view.controls = {{10, 40, 60, 60}, {700, 500, 790, 590}};
    SoakMenu file;
    file.name = "File";
    file.title = {0, 0, 40, 30};
    file.items = {{"New Project", false}, {"Load Project...", true}, {"Check For Update...", true}, {"Quit", true}};
    view.menus = {file};
    return view;
}

SoakFiles sampleFiles() {
    SoakFiles files;
    files.pictures = {"/p/a.png", "/p/b b.png"};
    files.junk = {"/p/junk.txt"};
    files.projects = {"/p/x.qz"};
    files.folder = "/out";
    return files;
}

// Formats `command`, parses the line back and formats again.
std::string roundTrip(const ScriptCommand& command, ScriptCommand& parsed) {
    const std::string line = formatScriptCommand(command);
    const ScriptParseResult result = parseScript(line + "\n");
    EXPECT_TRUE(result.ok) << line << ": " << result.error;
    if (!result.ok || result.script.commands.size() != 1) return std::string();
    parsed = result.script.commands.front();
    return formatScriptCommand(parsed);
}

}  // namespace

TEST(SoakScriptLines, EveryCommandParsesBackToItself) {
    const char* const lines[] = {
        "keydown 16", "keyup 16", "key 9", "move -20 820", "press right 5 6", "release middle 5 6",
        "doubleclick left 100 200", "wheel -3", "drop \"/p/a.png\" \"/p/b b.png\"", "answer yes", "answer no",
        "answer ok", "answer cancel", "answer file \"/p/a b.png\"", "answer files \"/p/a.png;/p/b.png\"",
        "answer save \"/out/saved 1.qz\" 4", "answer colour 1 2 3", "answer slider min \"-12.5\"",
        "answer slider value \"\"", "wait 3", "wait idle", "choose \"File\" \"Save Project...\"",
        "state \"/out/state.json\"", "screenshot \"/out/a b.png\"", "echo \"two  spaces\"", "quit"};
    for (const char* line : lines) {
        const ScriptParseResult parsed = parseScript(std::string(line) + "\n");
        ASSERT_TRUE(parsed.ok) << line << ": " << parsed.error;
        EXPECT_EQ(formatScriptCommand(parsed.script.commands.front()), line);
    }
}

TEST(SoakScriptLines, CommandsThatCannotBeLinesGiveNothing) {
    ScriptCommand drop;
    drop.kind = ScriptCommandKind::Drop;
    drop.paths = {"/p/\"quoted\".png"};
    EXPECT_EQ(formatScriptCommand(drop), "");
    ScriptCommand files;
    files.kind = ScriptCommandKind::Answer;
    files.answer.kind = ScriptAnswerKind::Files;
    files.answer.paths = {"/p/a;b.png"};
    EXPECT_EQ(formatScriptCommand(files), "");
    ScriptCommand choose;
    choose.kind = ScriptCommandKind::Choose;
    choose.menu = "File";
    EXPECT_EQ(formatScriptCommand(choose), "") << "no item";
}

TEST(SoakGenerator, TheSameSeedMakesTheSameSessionAndEveryLineReplays) {
    SoakGenerator first(42, sampleFiles());
    SoakGenerator second(42, sampleFiles());
    SoakGenerator other(43, sampleFiles());
    std::string a, b, c;
    for (int step = 0; step < 400; ++step) {
        for (const ScriptCommand& command : first.nextStep(sampleView())) {
            ScriptCommand parsed;
            EXPECT_EQ(roundTrip(command, parsed), formatScriptCommand(command));
            a += formatScriptCommand(command) + "\n";
        }
        for (const ScriptCommand& command : second.nextStep(sampleView())) b += formatScriptCommand(command) + "\n";
        for (const ScriptCommand& command : other.nextStep(sampleView())) c += formatScriptCommand(command) + "\n";
    }
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_GT(first.events(), 400);
}

TEST(SoakGenerator, StepsStayOnTheWindowAndChooseOnlyEnabledItemsOfTheMenuItOpened) {
    SoakGenerator generator(7, sampleFiles());
    SoakView view = sampleView();
    std::set<std::string> chosen;
    bool opened = false;
    for (int step = 0; step < 3000; ++step) {
        const std::vector<ScriptCommand> commands = generator.nextStep(view);
        EXPECT_EQ(commands.back().kind, ScriptCommandKind::WaitIdle);
        for (const ScriptCommand& command : commands) {
            if (command.kind == ScriptCommandKind::Press || command.kind == ScriptCommandKind::DoubleClick) {
                EXPECT_TRUE(command.x >= 0 && command.x < view.width && command.y >= 0 && command.y < view.height)
                    << formatScriptCommand(command);
            }
            if (command.kind == ScriptCommandKind::Choose) {
                EXPECT_TRUE(opened) << "a choice follows the step that opened the menu";
                chosen.insert(command.item);
            }
        }
        // The menu opens when its title is clicked; it is open in the next view.
        opened = false;
        view.openMenu.clear();
        for (const ScriptCommand& command : commands) {
            if (command.kind == ScriptCommandKind::Press && command.x < 40 && command.y < 30) {
                view.openMenu = "File";
                opened = true;
            }
        }
    }
    EXPECT_EQ(chosen, (std::set<std::string>{"Load Project...", "Quit"}))
        << "disabled items and items that reach the network are never chosen";
}

TEST(SoakGenerator, ACrowdedProjectIsStartedAfreshWithinAFewSteps) {
    // The steps until "New Project" is first chosen, and how often it is
    // chosen in 200 steps, with `images` pictures in the project.
    const auto newProjects = [](int images, int& firstAt) {
        SoakGenerator generator(11, sampleFiles());
        SoakView view = sampleView();
        view.menus.front().items.front().enabled = true;  // "New Project"
        view.images = images;
        int chosen = 0;
        firstAt = -1;
        for (int step = 0; step < 200; ++step) {
            const std::vector<ScriptCommand> commands = generator.nextStep(view);
            view.openMenu.clear();
            for (const ScriptCommand& command : commands) {
                if (command.kind == ScriptCommandKind::Press && command.x < 40 && command.y < 30) view.openMenu = "File";
                if (command.kind != ScriptCommandKind::Choose || command.item != "New Project") continue;
                ++chosen;
                if (firstAt < 0) firstAt = step;
            }
        }
        return chosen;
    };
    int firstAt = -1;
    const int few = newProjects(SoakGenerator::kCrowdedProject - 1, firstAt);
    const int crowded = newProjects(SoakGenerator::kCrowdedProject, firstAt);
    EXPECT_GE(firstAt, 0);
    EXPECT_LT(firstAt, 40);
    // Below the limit only the random menu choices start a new project.
    EXPECT_GT(crowded, 3 * few + 10) << few << " against " << crowded;
}

TEST(SoakGenerator, AnswersFitTheirDialogs) {
    SoakGenerator generator(3, sampleFiles());
    for (int round = 0; round < 200; ++round) {
        SoakQuestion okBox;
        okBox.buttons = MessageButtons::Ok;
        EXPECT_EQ(generator.answer(okBox).kind, ScriptAnswerKind::Ok);
        SoakQuestion quit;
        quit.buttons = MessageButtons::YesNo;
        quit.caption = "Quit Plastora?";
        EXPECT_EQ(generator.answer(quit).kind, ScriptAnswerKind::No);

        SoakQuestion save;
        save.kind = DialogKind::SaveFile;
        save.filterCount = 5;
        const ScriptAnswer saved = generator.answer(save);
        if (saved.kind != ScriptAnswerKind::Cancel) {
            ASSERT_EQ(saved.kind, ScriptAnswerKind::Save);
            EXPECT_LT(saved.filterIndex, 5);
            EXPECT_EQ(saved.paths.front().rfind("/out/", 0), 0u) << saved.paths.front();
        }
        SoakQuestion slider;
        slider.kind = DialogKind::SliderValue;
        slider.maximumAdjustable = true;
        const ScriptAnswer value = generator.answer(slider);
        EXPECT_NE(value.sliderAction, SliderValueAction::SetMin) << "the dialog offers no minimum";
        SoakQuestion files;
        files.kind = DialogKind::OpenFiles;
        const ScriptAnswer picked = generator.answer(files);
        if (picked.kind != ScriptAnswerKind::Cancel) {
            EXPECT_FALSE(picked.paths.empty());
        }
    }
}

// A short session of the built program under whatever sanitizers it was
// built with; on failure its output names the seed and the replay command.
TEST(SoakSession, AShortSessionRunsToItsEndAndItsRecordReplays) {
    testsupport::TempDir dir;
    std::string executable;
    if (!testsupport::makeAppFolder(dir.path(), 1280, 800, executable)) GTEST_SKIP() << "the program is not built";
    std::string printed;
    const std::string folder = dir.path() + "/session";
    const int exit = testsupport::runProgramWith(
        executable, dir.path(),
        "--soak 20240 --events 1500 --hang-seconds 90 --folder " + testsupport::shellQuoted(folder), printed, 280);
    ASSERT_EQ(exit, 0) << printed;
    EXPECT_NE(printed.find("soak session passed"), std::string::npos) << printed;

    const std::string record = folder + "/soak-20240.txt";
    std::ifstream file(record);
    std::stringstream text;
    text << file.rdbuf();
    ASSERT_TRUE(parseScript(text.str()).ok);
    const int replayed = testsupport::runProgramWith(
        executable, dir.path(), "--script " + testsupport::shellQuoted(record) + " --headless", printed, 280);
    EXPECT_EQ(replayed, 0) << printed;
}
