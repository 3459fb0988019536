// "plastora import" with placement, "plastora place" and "plastora info":
// what they write, what they refuse (writing nothing), the JSON scripts
// read, and the progress display.
#include "app/command_import.h"
#include "app/command_info.h"
#include "app/command_place.h"
#include "app/terminal_progress.h"

#include "render/image_file.h"
#include "support/command_capture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using nlohmann::json;
using testsupport::CommandRun;
using testsupport::TempDir;

// `count` RGBA pictures of a disc (the alpha channel the disc).
std::vector<std::string> discPictures(const TempDir& dir, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        RgbaImage rgba;
        rgba.width = 200;
        rgba.height = 150;
        rgba.hasAlpha = true;
        rgba.pixels.resize(200 * 150 * 4);
        for (int y = 0; y < 150; ++y) {
            for (int x = 0; x < 200; ++x) {
                unsigned char* p = &rgba.pixels[(static_cast<std::size_t>(y) * 200 + x) * 4];
                const bool disc = (x - 100) * (x - 100) + (y - 75) * (y - 75) < 50 * 50;
                p[0] = static_cast<unsigned char>(40 * i);
                p[1] = 100;
                p[2] = 200;
                p[3] = disc ? 255 : 0;
            }
        }
        paths.push_back(dir.file("disc" + std::to_string(i) + ".png"));
        String error;
        EXPECT_TRUE(encodeImageFile(String(paths.back().c_str()), rgba, error)) << error.text();
    }
    return paths;
}

CommandRun import(std::vector<std::string> arguments) {
    return testsupport::runCommand(runImportCommand, "import", std::move(arguments));
}

json infoJson(const std::string& project) {
    const CommandRun run = testsupport::runCommand(runInfoCommand, "info", {project, "--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return json::parse(run.out, nullptr, false);
}

std::vector<std::string> with(std::vector<std::string> list, const std::vector<std::string>& more) {
    list.insert(list.end(), more.begin(), more.end());
    return list;
}

}  // namespace

TEST(CommandPlacement, ImportPlacesOnTheTurntableAndInfoTellsIt) {
    TempDir dir;
    const std::vector<std::string> pictures = discPictures(dir, 4);
    const std::string project = dir.file("discs.qz");
    const CommandRun run = import(with(pictures, {"-o", project, "--turntable", "--elevation", "15", "--start", "30",
                                                   "--clockwise"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Imported 4 pictures"), std::string::npos);

    const json info = infoJson(project);
    ASSERT_FALSE(info.is_discarded());
    EXPECT_EQ(info["format"], "plastora-project-info");
    EXPECT_EQ(info["version"], 1);
    EXPECT_EQ(info["sculptable"], true);
    EXPECT_EQ(info["carvingImages"], 4);
    EXPECT_TRUE(info["problems"].empty());
    ASSERT_EQ(info["images"].size(), 4u);
    const float yaws[] = {30.0f, 300.0f, 210.0f, 120.0f};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const json& image = info["images"][static_cast<std::size_t>(i)];
        EXPECT_EQ(image["slot"], i);
        EXPECT_EQ(image["name"], std::to_string(i + 1));
        EXPECT_EQ(image["width"], 200);  // small pictures are not enlarged
        EXPECT_EQ(image["height"], 150);
        EXPECT_NEAR(image["maskCoverage"].get<double>(), 3.14159 * 50 * 50 / (200.0 * 150.0), 0.02);
        EXPECT_EQ(image["enabled"], true);
        EXPECT_EQ(image["carves"], true);
        EXPECT_TRUE(image["problem"].is_null());
        EXPECT_NEAR(image["placement"]["yaw"].get<double>(), yaws[i], 1e-4);
        EXPECT_NEAR(image["placement"]["pitch"].get<double>(), -15.0, 1e-4);
        EXPECT_EQ(image["placement"]["depth"], 1500);
        EXPECT_EQ(image["placement"]["fieldOfView"]["on"], false);
        EXPECT_EQ(image["placement"]["translation"], json::array({0, 0, 0}));
    }
    const CommandRun text = testsupport::runCommand(runInfoCommand, "info", {project});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("Can be sculpted: yes, 4 pictures carve"), std::string::npos) << text.out;

    // Unplaced pictures: readable, but nothing can be sculpted.
    ASSERT_EQ(import(with(pictures, {"-o", dir.file("loose.qz")})).exitCode, 0);
    const json loose = infoJson(dir.file("loose.qz"));
    EXPECT_EQ(loose["sculptable"], false);
    EXPECT_EQ(loose["images"][0]["enabled"], false);
}

TEST(CommandPlacement, BadPlacementsAreRefusedAndWriteNothing) {
    TempDir dir;
    const std::vector<std::string> pictures = discPictures(dir, 2);
    const std::string project = dir.file("p.qz");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--views", "0,0,0"}, "1 view for 2 pictures"},
        {{"--views", "0,0,0;90,x,0"}, "pitch 'x'"},
        {{"--views", "0,0,0;90,0"}, "three angles"},
        {{"--turntable", "--elevation", "95"}, "--elevation"},
        {{"--turntable", "--elevation"}, "needs a value"},
        {{"--turntable", "--start", "abc"}, "--start"},
        {{"--elevation", "10"}, "go with --turntable"},
        {{"--turntable", "--views", "0,0,0;1,1,1"}, "cannot be given together"},
    };
    std::vector<std::string> tooMany;
    for (int i = 0; i < 101; ++i) tooMany.push_back(pictures[static_cast<std::size_t>(i % 2)]);
    const CommandRun crowded = import(with(tooMany, {"-o", project}));
    EXPECT_EQ(crowded.exitCode, 2);
    EXPECT_NE(crowded.err.find("at most 100 pictures"), std::string::npos) << crowded.err;
    for (const auto& [options, reason] : cases) {
        SCOPED_TRACE(reason);
        const CommandRun run = import(with(with(pictures, {"-o", project}), options));
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        EXPECT_FALSE(testsupport::fileExists(project));
        EXPECT_FALSE(testsupport::fileExists(dir.file("image0.bmp")));
    }
}

TEST(CommandPlacement, PlaceRewritesOnlyThePlacementsAndRefusesSafely) {
    TempDir dir;
    const std::string project = dir.file("p.qz");
    ASSERT_EQ(import(with(discPictures(dir, 3), {"-o", project})).exitCode, 0);
    const std::vector<unsigned char> mask = testsupport::readBytes(dir.file("mask1.bmp"));
    const std::string before = testsupport::readText(project);

    const auto place = [](std::vector<std::string> arguments) {
        return testsupport::runCommand(runPlaceCommand, "place", std::move(arguments));
    };
    for (const auto& [arguments, code] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{project, "--views", "0,0,0;1,1,1"}, 2},
             {{project}, 2},
             {{project, "--views", "0,0,0;1,1,1;2,2,2", "--turntable"}, 2},
             {{dir.file("missing.qz"), "--turntable"}, 1},
         }) {
        SCOPED_TRACE(arguments.back());
        EXPECT_EQ(place(arguments).exitCode, code);
        EXPECT_EQ(testsupport::readText(project), before);
    }

    const CommandRun placed = place({project, "--views", "10,-5,0; 100,-5,0; 200,-5,370", "--quiet"});
    ASSERT_EQ(placed.exitCode, 0) << placed.err;
    EXPECT_TRUE(placed.err.empty()) << placed.err;
    EXPECT_EQ(testsupport::readBytes(dir.file("mask1.bmp")), mask);
    const json info = infoJson(project);
    EXPECT_NEAR(info["images"][2]["placement"]["yaw"].get<double>(), 200.0, 1e-4);
    EXPECT_NEAR(info["images"][2]["placement"]["roll"].get<double>(), 10.0, 1e-4);
    EXPECT_EQ(info["sculptable"], true);

    // A project whose companion files cannot all be read is left alone:
    // saving it would replace them by placeholders.
    const std::string placedText = testsupport::readText(project);
    std::remove(dir.file("image0.bmp").c_str());
    const CommandRun damaged = place({project, "--turntable"});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_NE(damaged.err.find("nothing was changed"), std::string::npos) << damaged.err;
    EXPECT_EQ(testsupport::readText(project), placedText);
    EXPECT_FALSE(testsupport::fileExists(dir.file("image0.bmp")));
}

TEST(CommandPlacement, InfoRefusesWhatIsNoProjectAndEscapesItsJson) {
    TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("junk.qz"), "not a project"));
    EXPECT_EQ(testsupport::runCommand(runInfoCommand, "info", {dir.file("junk.qz")}).exitCode, 1);
    EXPECT_EQ(testsupport::runCommand(runInfoCommand, "info", {}).exitCode, 2);
    EXPECT_EQ(testsupport::runCommand(runInfoCommand, "info", {"a.qz", "--yaml"}).exitCode, 2);

    const std::string odd = dir.file("we\"ird\\ \xff name.qz");
    ASSERT_EQ(import(with(discPictures(dir, 1), {"-o", odd})).exitCode, 0);
    const json info = infoJson(odd);
    ASSERT_FALSE(info.is_discarded());
    EXPECT_NE(info["project"].get<std::string>().find("we\"ird\\ \xef\xbf\xbd name.qz"), std::string::npos);
}

TEST(TerminalProgressDisplay, UpdatesOneLineOnATerminalAndWritesLinesElsewhere) {
    const auto captured = [](TerminalProgress::Style style, auto steps) {
        std::FILE* file = std::tmpfile();
        {
            TerminalProgress progress("plastora test", style, file);
            steps(progress);
        }
        std::rewind(file);
        std::string text;
        for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
        std::fclose(file);
        return text;
    };
    const auto run = [](TerminalProgress& p) {
        p.step("Carving", 10.0f);
        p.step("Carving", 10.4f);  // nothing new to show
        p.step("Faces", 50.0f);
        p.message("warning: something");
        p.info("the mesh went somewhere");
        p.step("Faces", 150.0f);
    };
    const std::string lines = captured(TerminalProgress::Style::Lines, run);
    EXPECT_EQ(lines,
              "plastora test: [ 10%] Carving\nplastora test: [ 10%] Carving\nplastora test: [ 50%] Faces\n"
              "plastora test: warning: something\nplastora test: the mesh went somewhere\n"
              "plastora test: [100%] Faces\n");

    const std::string updating = captured(TerminalProgress::Style::Updating, run);
    const std::size_t warning = updating.find("\r\033[Kplastora test: warning");
    ASSERT_NE(warning, std::string::npos);
    EXPECT_EQ(updating.substr(0, warning).find('\n'), std::string::npos);  // the steps share one line
    EXPECT_EQ(std::count(updating.begin(), updating.end(), '\n'), 3);  // two messages and the end
    EXPECT_EQ(updating.back(), '\n');
    EXPECT_NE(updating.find("\r\033[Kplastora test: warning: something\n"), std::string::npos);
    EXPECT_NE(updating.find("[100%] Faces"), std::string::npos);
    EXPECT_EQ(updating.find("[ 10%] Carving", updating.find("[ 10%] Carving") + 1), std::string::npos);

    const std::string quiet = captured(TerminalProgress::Style::Quiet, run);
    EXPECT_EQ(quiet, "plastora test: warning: something\n");
    EXPECT_EQ(TerminalProgress::styleFor(true), TerminalProgress::Style::Quiet);
    std::FILE* file = std::tmpfile();
    EXPECT_EQ(TerminalProgress::styleFor(false, file), TerminalProgress::Style::Lines);
    std::fclose(file);
}
