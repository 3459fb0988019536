// The dialog program's command lines and answers; nothing here needs a
// display (the program run is printf, true or false).
#include "platform/desktop_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using chooser::ProgramResult;
using Args = std::vector<std::string>;

namespace {

const std::vector<FileFilter> kSaveFilters = {{"Bmp", "*.bmp;"}, {"Dds", "*.dds;"}, {"Dib", "*.dib;"},
                                              {"Jpg", "*.jpg;"}, {"Png", "*.png;"}, {"Ppm", "*.ppm;"},
                                              {"Tga", "*.tga;"}};

ProgramResult finished(int exitCode, const std::string& output) { return ProgramResult{true, exitCode, output}; }

std::vector<std::string> strings(const std::vector<String>& paths) {
    std::vector<std::string> result;
    for (const String& path : paths) result.push_back(path.str());
    return result;
}

}  // namespace

TEST(DesktopDialogCommands, FiltersIgnoreCaseAndKeepTheirOrder) {
    EXPECT_EQ(chooser::filterArgument({"Png", "*.png;"}), "--file-filter=Png | *.[pP][nN][gG]");
    EXPECT_EQ(chooser::filterArgument({"All supported formats", "*.bmp;*.jpg"}),
              "--file-filter=All supported formats | *.[bB][mM][pP] *.[jJ][pP][gG]");
    // The description cannot end early, and no pattern lists everything.
    EXPECT_EQ(chooser::filterArgument({"a|b", ""}), "--file-filter=a/b | *");

    Args open = chooser::openFileArguments("Load Project", {{"Plastora", "*.qz"}}, false, 0);
    EXPECT_EQ(open, (Args{"zenity", "--file-selection", "--title=Load Project", "--file-filter=Plastora | *.[qQ][zZ]"}));

    Args several = chooser::openFileArguments("Load Images", {{"Bmp", "*.bmp;"}, {"Png", "*.png;"}}, true, 0x2a00003);
    EXPECT_EQ(several, (Args{"zenity", "--file-selection", "--title=Load Images", "--multiple", "--separator=//",
                             "--file-filter=Bmp | *.[bB][mM][pP]", "--file-filter=Png | *.[pP][nN][gG]", "--modal",
                             "--attach=44040195"}));
}

TEST(DesktopDialogCommands, SaveStartsWithTheChosenFilterAndConfirmsOverwriting) {
    Args save = chooser::saveFileArguments("Save texture", kSaveFilters, 4, 0);
    ASSERT_EQ(save.size(), 5u + kSaveFilters.size());
    EXPECT_EQ(Args(save.begin(), save.begin() + 5),
              (Args{"zenity", "--file-selection", "--save", "--confirm-overwrite", "--title=Save texture"}));
    EXPECT_EQ(save[5], "--file-filter=Png | *.[pP][nN][gG]");
    EXPECT_EQ(save[6], "--file-filter=Bmp | *.[bB][mM][pP]");
    EXPECT_EQ(save[9], "--file-filter=Jpg | *.[jJ][pP][gG]");
    EXPECT_EQ(save[10], "--file-filter=Ppm | *.[pP][pP][mM]");

    // An index outside the list keeps the list as it is.
    Args outside = chooser::saveFileArguments("Save mesh", {{"obj", "*.obj;"}, {"wrl", "*.wrl;"}}, 9, 0);
    ASSERT_EQ(outside.size(), 7u);
    EXPECT_EQ(outside[5], "--file-filter=obj | *.[oO][bB][jJ]");
}

TEST(DesktopDialogCommands, TitlesPassThroughUntouched) {
    const String title("My \"odd\" title; $(rm -rf ~) `x` 'y' --help");
    Args open = chooser::openFileArguments(title, {}, false, 0);
    ASSERT_EQ(open.size(), 3u);
    EXPECT_EQ(open[2], "--title=My \"odd\" title; $(rm -rf ~) `x` 'y' --help");

    Args slider = chooser::sliderValueArguments("--version", false, false, 0);
    EXPECT_EQ(slider[4], "--entry-text=--version");

    // And through a real process, byte for byte: no shell in between.
    ProgramResult echoed = chooser::runProgram({"printf", "%s", title.str()});
    EXPECT_TRUE(echoed.started);
    EXPECT_EQ(echoed.exitCode, 0);
    EXPECT_EQ(echoed.output, title.str());
}

TEST(DesktopDialogCommands, ColourAndSliderDialogs) {
    EXPECT_EQ(chooser::colourArguments(Rgb{255, 16, 1}, 0), (Args{"zenity", "--color-selection", "--color=#ff1001"}));

    EXPECT_EQ(chooser::sliderValueArguments("12", false, false, 0),
              (Args{"zenity", "--entry", "--title=Set value of slider", "--text=Value:", "--entry-text=12",
                    "--ok-label=Set value", "--cancel-label=Cancel"}));
    Args both = chooser::sliderValueArguments("0.500000", true, true, 0);
    ASSERT_EQ(both.size(), 9u);
    EXPECT_EQ(both[5], "--ok-label=Set Value");
    EXPECT_EQ(both[7], "--extra-button=Set Min");
    EXPECT_EQ(both[8], "--extra-button=Set Max");
    Args maxOnly = chooser::sliderValueArguments("3", false, true, 0);
    ASSERT_EQ(maxOnly.size(), 8u);
    EXPECT_EQ(maxOnly[7], "--extra-button=Set Max");

    Args bound = chooser::boundValueArguments(SliderValueAction::SetMin, "3", 0);
    EXPECT_EQ(bound[5], "--ok-label=Set Min");
    EXPECT_EQ(bound[4], "--entry-text=3");
}

TEST(DesktopDialogAnswers, Files) {
    EXPECT_EQ(chooser::parseSingleFile(finished(0, "/home/u/my file; \"x\".qz\n"))->str(), "/home/u/my file; \"x\".qz");
    // Only the closing line break goes: one that belongs to the name stays.
    EXPECT_EQ(chooser::parseSingleFile(finished(0, "/tmp/odd\n\n"))->str(), "/tmp/odd\n");
    EXPECT_FALSE(chooser::parseSingleFile(finished(1, "")).has_value());
    EXPECT_FALSE(chooser::parseSingleFile(finished(0, "\n")).has_value());
    EXPECT_FALSE(chooser::parseSingleFile(finished(255, "/tmp/a\n")).has_value());
    EXPECT_FALSE(chooser::parseSingleFile(ProgramResult{}).has_value());

    auto several = chooser::parseFileList(finished(0, "/p/a b.png///p/c;d.jpg///q/'e'.bmp\n"));
    ASSERT_TRUE(several.has_value());
    EXPECT_EQ(strings(*several), (std::vector<std::string>{"/p/a b.png", "/p/c;d.jpg", "/q/'e'.bmp"}));
    auto one = chooser::parseFileList(finished(0, "/p/only.png\n"));
    ASSERT_TRUE(one.has_value());
    EXPECT_EQ(strings(*one), (std::vector<std::string>{"/p/only.png"}));
    EXPECT_FALSE(chooser::parseFileList(finished(1, "")).has_value());
    EXPECT_FALSE(chooser::parseFileList(finished(0, "")).has_value());
    EXPECT_FALSE(chooser::parseFileList(finished(0, "/a//relative\n")).has_value());
}

TEST(DesktopDialogAnswers, Colours) {
    EXPECT_EQ(chooser::parseColour(finished(0, "rgb(255,128,0)\n")), (Rgb{255, 128, 0}));
    EXPECT_EQ(chooser::parseColour(finished(0, "rgba(1,2,3,0.5)\n")), (Rgb{1, 2, 3}));
    EXPECT_EQ(chooser::parseColour(finished(0, "#0a0B0c\n")), (Rgb{10, 11, 12}));
    EXPECT_EQ(chooser::parseColour(finished(0, "rgb(300,-5,12.6)\n")), (Rgb{255, 0, 13}));
    EXPECT_FALSE(chooser::parseColour(finished(1, "")).has_value());
    EXPECT_FALSE(chooser::parseColour(finished(0, "rgb(1,2)\n")).has_value());
    EXPECT_FALSE(chooser::parseColour(finished(0, "rgb(1,2,x)\n")).has_value());
    EXPECT_FALSE(chooser::parseColour(finished(0, "#12345\n")).has_value());
    EXPECT_FALSE(chooser::parseColour(finished(0, "hsl(1,2,3)\n")).has_value());
}

TEST(DesktopDialogAnswers, SliderValue) {
    auto set = chooser::parseSliderValue(finished(0, "-3.5\n"));
    ASSERT_TRUE(set.has_value());
    EXPECT_EQ(set->action, SliderValueAction::SetValue);
    EXPECT_EQ(set->text.str(), "-3.5");
    EXPECT_FALSE(set->needsBound);

    // The text is handed on as entered; the slider decides what is a number.
    EXPECT_EQ(chooser::parseSliderValue(finished(0, "1.2.3\n"))->text.str(), "1.2.3");
    EXPECT_EQ(chooser::parseSliderValue(finished(0, "\n"))->text.str(), "");

    auto min = chooser::parseSliderValue(finished(1, "Set Min\n"));
    ASSERT_TRUE(min.has_value());
    EXPECT_EQ(min->action, SliderValueAction::SetMin);
    EXPECT_TRUE(min->needsBound);
    EXPECT_EQ(chooser::parseSliderValue(finished(1, "Set Max\n"))->action, SliderValueAction::SetMax);

    EXPECT_FALSE(chooser::parseSliderValue(finished(1, "")).has_value());  // Cancel
    EXPECT_FALSE(chooser::parseSliderValue(finished(5, "")).has_value());
    EXPECT_FALSE(chooser::parseSliderValue(ProgramResult{}).has_value());
}

TEST(DesktopDialogAnswers, FilterIndexFollowsTheExtension) {
    EXPECT_EQ(chooser::filterIndexOfName("/out/tex.png", kSaveFilters, 0), 4);
    EXPECT_EQ(chooser::filterIndexOfName("/out/TEX.TGA", kSaveFilters, 0), 6);
    EXPECT_EQ(chooser::filterIndexOfName("/out/archive.tar.jpg", kSaveFilters, 0), 3);
    // No extension, an unknown one, or a dot only in the folder: the initial filter.
    EXPECT_EQ(chooser::filterIndexOfName("/out/texture", kSaveFilters, 2), 2);
    EXPECT_EQ(chooser::filterIndexOfName("/out/texture.gif", kSaveFilters, 1), 1);
    EXPECT_EQ(chooser::filterIndexOfName("/out.d/texture", kSaveFilters, 5), 5);
    EXPECT_EQ(chooser::filterIndexOfName("/out/.png", kSaveFilters, 0), 0);
    EXPECT_EQ(chooser::filterIndexOfName("/out/mesh.wrl", {{"obj", "*.obj;"}, {"wrl", "*.wrl;"}}, 0), 1);
    EXPECT_EQ(chooser::filterIndexOfName("/a/b.png", {{"All", "*.bmp;*.png"}, {"Png", "*.png;"}}, 1), 0);
}

TEST(DesktopDialogProgram, ReportsExitCodesAndAMissingProgram) {
    EXPECT_EQ(chooser::runProgram({"false"}).exitCode, 1);
    ProgramResult ok = chooser::runProgram({"true"});
    EXPECT_TRUE(ok.started);
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(ok.output, "");

    ProgramResult missing = chooser::runProgram({"plastora-no-such-program-here"});
    EXPECT_FALSE(missing.started);
    EXPECT_FALSE(chooser::runProgram({}).started);

    // Long answers arrive whole.
    std::string longText(100000, 'x');
    EXPECT_EQ(chooser::runProgram({"printf", "%s", longText}).output.size(), longText.size());
}
