#include "platform/scripted_dialogs.h"

#include "core/configuration.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::vector<FileFilter> kImageFilters = {{"Bmp", "*.bmp;"}, {"Png", "*.png;"}};

}  // namespace

TEST(ScriptedDialogs, AnswersInQueueOrderAndRecordsEachDialog) {
    ScriptedDialogs dialogs;
    dialogs.answerMessage(MessageAnswer::Yes);
    dialogs.answerOpenFiles({"/a.png", "/b.png"});
    dialogs.answerSaveFile("/out/pic", 1);
    dialogs.answerColour(Rgb{1, 2, 3});
    dialogs.answerOpenFile("/p.qz");

    EXPECT_EQ(dialogs.messageBox("Quit Plastora?", "Really?", MessageButtons::YesNo, MessageIcon::Question),
              MessageAnswer::Yes);
    auto files = dialogs.openFiles("Load Images", kImageFilters);
    ASSERT_TRUE(files.has_value());
    ASSERT_EQ(files->size(), 2u);
    EXPECT_TRUE((*files)[1].equals("/b.png"));
    auto saved = dialogs.saveFile("Save Image", kImageFilters, 0);
    ASSERT_TRUE(saved.has_value());
    EXPECT_TRUE(saved->path.equals("/out/pic"));
    EXPECT_EQ(saved->filterIndex, 1);
    EXPECT_EQ(dialogs.chooseColour(Rgb{9, 9, 9}), (Rgb{1, 2, 3}));
    auto project = dialogs.openFile("Load Project", {{"Plastora", "*.qz"}});
    ASSERT_TRUE(project.has_value());
    EXPECT_TRUE(project->equals("/p.qz"));

    const auto& calls = dialogs.calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].kind, DialogKind::MessageBox);
    EXPECT_TRUE(calls[0].caption.equals("Quit Plastora?"));
    EXPECT_TRUE(calls[0].text.equals("Really?"));
    EXPECT_EQ(calls[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(calls[0].icon, MessageIcon::Question);
    EXPECT_EQ(calls[1].kind, DialogKind::OpenFiles);
    ASSERT_EQ(calls[1].filters.size(), 2u);
    EXPECT_TRUE(calls[1].filters[1].patterns.equals("*.png;"));
    EXPECT_EQ(calls[2].kind, DialogKind::SaveFile);
    EXPECT_TRUE(calls[2].caption.equals("Save Image"));
    EXPECT_EQ(calls[3].initialColour, (Rgb{9, 9, 9}));
    EXPECT_EQ(calls[4].kind, DialogKind::OpenFile);
    EXPECT_EQ(dialogs.unexpectedCount(), 0);
    EXPECT_EQ(dialogs.pendingAnswers(), 0);
}

TEST(ScriptedDialogs, AnEmptyQueueCancelsAndIsRecorded) {
    ScriptedDialogs dialogs;
    EXPECT_EQ(dialogs.messageBox("c", "t", MessageButtons::YesNo, MessageIcon::Warning), MessageAnswer::No);
    EXPECT_EQ(dialogs.messageBox("c", "t", MessageButtons::Ok, MessageIcon::Error), MessageAnswer::Ok);
    EXPECT_FALSE(dialogs.openFile("t", {}).has_value());
    EXPECT_FALSE(dialogs.openFiles("t", {}).has_value());
    EXPECT_FALSE(dialogs.saveFile("t", {}, 0).has_value());
    EXPECT_FALSE(dialogs.chooseColour(Rgb{}).has_value());
    EXPECT_EQ(dialogs.unexpectedCount(), 6);

    // Queued cancels are expected answers.
    dialogs.answerCancel();
    dialogs.answerOpenFiles({});
    EXPECT_EQ(dialogs.messageBox("c", "t", MessageButtons::YesNo, MessageIcon::None), MessageAnswer::No);
    EXPECT_FALSE(dialogs.openFiles("t", {}).has_value());
    EXPECT_EQ(dialogs.unexpectedCount(), 6);
    EXPECT_EQ(dialogs.pendingAnswers(), 0);
}

TEST(ScriptedDialogs, AnAnswerThatDoesNotFitIsKeptForTheDialogItWasMeantFor) {
    ScriptedDialogs dialogs;
    dialogs.answerSaveFile("/mesh", 0);
    dialogs.answerMessage(MessageAnswer::Ok);

    EXPECT_FALSE(dialogs.openFile("Load Project", {}).has_value());  // wrong kind: cancelled
    EXPECT_EQ(dialogs.pendingAnswers(), 2);
    EXPECT_TRUE(dialogs.saveFile("Save mesh", {}, 0).has_value());
    // Ok does not answer a yes/no box.
    EXPECT_EQ(dialogs.messageBox("c", "t", MessageButtons::YesNo, MessageIcon::None), MessageAnswer::No);
    EXPECT_EQ(dialogs.pendingAnswers(), 1);
    EXPECT_EQ(dialogs.messageBox("c", "t", MessageButtons::Ok, MessageIcon::None), MessageAnswer::Ok);

    ASSERT_EQ(dialogs.calls().size(), 4u);
    EXPECT_TRUE(dialogs.calls()[0].unexpected);
    EXPECT_FALSE(dialogs.calls()[1].unexpected);
    EXPECT_TRUE(dialogs.calls()[2].unexpected);
    EXPECT_FALSE(dialogs.calls()[3].unexpected);
}

TEST(ScriptedDialogs, RecordsWhetherTheSystemCursorWasShown) {
    ScriptedDialogs dialogs;
    dialogs.messageBox("outside", "", MessageButtons::Ok, MessageIcon::None);
    {
        ShownSystemCursor shown(dialogs);
        EXPECT_TRUE(dialogs.cursorVisible());
        dialogs.chooseColour(Rgb{});
    }
    EXPECT_FALSE(dialogs.cursorVisible());
    EXPECT_EQ(dialogs.cursorShowCount(), 1);
    EXPECT_FALSE(dialogs.calls()[0].cursorVisible);
    EXPECT_TRUE(dialogs.calls()[1].cursorVisible);
}

// The "Default Settings" command wired to the dialogs as the application does.
TEST(ScriptedDialogs, DrivesTheDefaultSettingsCommand) {
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir.file("data"));
    ASSERT_TRUE(testsupport::writeText(dir.file("data/defaultconfig.xml"), "<config><maskopac>3</maskopac></config>"));

    ScriptedDialogs dialogs;
    bool keysCleared = false;
    DefaultSettingsHooks hooks;
    hooks.showSystemCursor = [&] { dialogs.show(); };
    hooks.hideSystemCursor = [&] { dialogs.hide(); };
    hooks.askYesNo = [&](const String& caption, const String& text) {
        return dialogs.messageBox(caption, text, MessageButtons::YesNo, MessageIcon::Question) == MessageAnswer::Yes;
    };
    hooks.clearKeyTable = [&] { keysCleared = true; };

    Settings settings;
    dialogs.answerMessage(MessageAnswer::No);
    restoreDefaultSettings(String(dir.path().c_str()), settings, nullptr, hooks);
    EXPECT_FLOAT_EQ(settings.maskopac, Settings{}.maskopac);

    dialogs.answerMessage(MessageAnswer::Yes);
    restoreDefaultSettings(String(dir.path().c_str()), settings, nullptr, hooks);
    EXPECT_FLOAT_EQ(settings.maskopac, 3.0f);

    ASSERT_EQ(dialogs.calls().size(), 2u);
    for (const DialogCall& call : dialogs.calls()) {
        EXPECT_TRUE(call.caption.equals("Back to Default Settings?"));
        EXPECT_EQ(call.buttons, MessageButtons::YesNo);
        EXPECT_TRUE(call.cursorVisible);
    }
    EXPECT_FALSE(dialogs.cursorVisible());
    EXPECT_TRUE(keysCleared);
    EXPECT_EQ(dialogs.unexpectedCount(), 0);
}

TEST(ScriptedDialogs, SliderValueDialogOffersOnlyItsBoundButtons) {
    ScriptedDialogs dialogs;
    dialogs.answerSliderValue(SliderValueAction::SetMin, "-3.5");
    dialogs.answerSliderValue(SliderValueAction::SetMin, "1");
    dialogs.answerSliderValue(SliderValueAction::SetValue, "7");

    auto min = dialogs.sliderValue("12.000000", true, false);
    ASSERT_TRUE(min.has_value());
    EXPECT_EQ(min->action, SliderValueAction::SetMin);
    EXPECT_TRUE(min->text.equals("-3.5"));

    // "Set Min" is not offered without an adjustable minimum: cancelled, answer kept.
    EXPECT_FALSE(dialogs.sliderValue("12", false, true).has_value());
    EXPECT_EQ(dialogs.pendingAnswers(), 2);
    EXPECT_TRUE(dialogs.sliderValue("12", true, true).has_value());
    auto value = dialogs.sliderValue("12", false, false);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->action, SliderValueAction::SetValue);

    const auto& calls = dialogs.calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].kind, DialogKind::SliderValue);
    EXPECT_TRUE(calls[0].caption.equals("Set value of slider"));
    EXPECT_TRUE(calls[0].text.equals("12.000000"));
    EXPECT_TRUE(calls[0].minimumAdjustable);
    EXPECT_FALSE(calls[0].maximumAdjustable);
    EXPECT_TRUE(calls[1].unexpected);
    EXPECT_EQ(dialogs.unexpectedCount(), 1);
}
