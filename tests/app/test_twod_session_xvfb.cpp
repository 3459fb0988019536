// A whole session of the 2D mode on the real window (needs a display;
// scripts/test starts Xvfb), driven by a script as a user would work: three
// pictures loaded through "Load Images..." (the large one with an alpha
// channel), each selected with CTRL+digit, a mask painted, filled,
// thresholded, undone and redone, grown and shrunk, a vertex mode set on a
// rectangle of border vertices, an image cloned, turned and mirrored, a cut-
// out of the large picture, the project saved, a new project started, the
// project loaded again and saved once more. What was loaded must be what was
// saved: the files of both saves are equal byte for byte (masks, pictures,
// borders with their vertex modes, the project file with its order), and the
// images keep their margins and masks. Screenshots of each rubric and of an
// open menu are compared with their baselines.
#include "core/file_io.h"
#include "render/image_file.h"
#include "support/program_runner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::readPicture;
using testsupport::runProgram;

constexpr int kWidth = 1280;
constexpr int kHeight = 800;

// A picture of width × height whose pixel (x, y) is colour(x, y), as RGBA.
bool writePicture(const std::string& path, int width, int height,
                  const std::function<std::array<unsigned char, 4>(int, int)>& colour, bool alpha) {
    RgbaImage image;
    image.width = width;
    image.height = height;
    image.hasAlpha = alpha;
    image.pixels.resize(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto c = colour(x, y);
            std::copy(c.begin(), c.end(), &image.pixels[(static_cast<size_t>(y) * width + x) * 4]);
        }
    String error;
    return encodeImageFile(String(path.c_str()), image, error);
}

// The images of a `state` snapshot, each "width height marginRight
// marginBottom maskPixels", in list order.
std::vector<std::string> imagesOf(const std::string& state) {
    std::vector<std::string> images;
    const std::vector<std::string> keys = {"\"width\": ", "\"height\": ", "\"marginRight\": ", "\"marginBottom\": ",
                                           "\"maskPixels\": "};
    size_t at = state.find("\"images\"");
    while (at != std::string::npos && (at = state.find("\"name\"", at)) != std::string::npos) {
        std::string line;
        for (const std::string& key : keys) {
            at = state.find(key, at);
            if (at == std::string::npos) return images;
            at += key.size();
            line += state.substr(at, state.find_first_of(",\n}", at) - at) + " ";
        }
        images.push_back(line);
    }
    return images;
}

std::string ctrl(int digit) { return "keydown CTRL\nkey " + std::to_string(48 + digit) + "\nkeyup CTRL\n"; }

// The screen point of canvas pixel (x, y) while the view is centred.
std::string at(int x, int y) {
    return std::to_string(320 + x * 5 / 4) + " " + std::to_string(120 + y * 5 / 4);
}

class TwoDSession : public testsupport::ProgramScreensTest {
protected:
    TwoDSession() : ProgramScreensTest(kWidth, kHeight) {}
};

TEST_F(TwoDSession, MaskingAndImageOperationsSurviveSavingAndLoadingTheProject) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display (scripts/test starts Xvfb)";
    const std::string large = dir.file("large.png");
    const std::string halves = dir.file("halves.png");
    const std::string tall = dir.file("tall.png");
    ASSERT_TRUE(writePicture(large, 1200, 900, [](int x, int y) {
        const bool disc = (x - 600) * (x - 600) + (y - 450) * (y - 450) < 300 * 300;
        return std::array<unsigned char, 4>{static_cast<unsigned char>(x / 5), 90, static_cast<unsigned char>(y / 4),
                                            static_cast<unsigned char>(disc ? 255 : 0)};
    }, true));
    // Left half dark grey, right half yellow.
    ASSERT_TRUE(writePicture(halves, 400, 300, [](int x, int) {
        return x < 200 ? std::array<unsigned char, 4>{40, 40, 40, 255} : std::array<unsigned char, 4>{240, 230, 40, 255};
    }, false));
    ASSERT_TRUE(writePicture(tall, 300, 400, [](int x, int y) {
        return std::array<unsigned char, 4>{30, static_cast<unsigned char>(x / 2), static_cast<unsigned char>(y / 2), 255};
    }, false));
    const std::string first = dir.file("first");
    const std::string second = dir.file("second");
    fs::create_directories(first);
    fs::create_directories(second);
    for (const char* name : {"twod_image.png", "twod_mask.png", "twod_border.png", "twod_menu.png"})
        fs::remove(shot(name));

    const std::string away = "move 660 790\n";
    const std::string script =
        "wait 2\n"
        "answer files " + large + " " + halves + " " + tall + "\n"
        "choose File \"Load Images...\"\n"
        "wait idle\n" +
        ctrl(3) + ctrl(2) + ctrl(1) + away +
        "screenshot " + shot("twod_image.png") + "\n"
        // The mask rubric on the picture of two halves.
        "key S\n" + ctrl(2) +
        "press left " + at(50, 50) + "\nmove " + at(100, 70) + "\nmove " + at(150, 80) + "\nrelease left " +
        at(150, 80) + "\n"
        "key 52\npress left " + at(300, 150) + "\nrelease left " + at(300, 150) + "\n"
        "key 53\npress left " + at(100, 250) + "\nmove " + at(150, 250) + "\nrelease left " + at(150, 250) + "\n"
        "key Z\nkey Y\n"
        "key 54\nkey R\nkey W\nanswer slider value 5\nkey E\nkey R\n" + away +
        "screenshot " + shot("twod_mask.png") + "\n"
        // A rectangle over the fill's left edge, its vertices not smoothed.
        "key S\n"
        "press left " + at(190, 100) + "\nmove " + at(200, 120) + "\nmove " + at(210, 140) + "\nrelease left " +
        at(210, 140) + "\n"
        "key Q\n" + away +
        "screenshot " + shot("twod_border.png") + "\n"
        // Clone, turn and mirror; then cut the large picture.
        "key S\nkey C\nkey E\nkey H\n" + ctrl(1) +
        "key X\npress left " + at(100, 60) + "\nmove " + at(300, 200) + "\nmove " + at(400, 330) + "\n"
        "answer yes\nrelease left " + at(400, 330) + "\nwait idle\n"
        "press left 35 15\nrelease left 35 15\nmove 80 130\nwait 1\n"
        "screenshot " + shot("twod_menu.png") + "\n"
        "key ESCAPE\n"
        "answer save " + first + "/project\n"
        "choose File \"Save Project...\"\n"
        "wait idle\n"
        "state " + dir.file("saved.json") + "\n"
        "answer yes\n"
        "choose File \"New Project\"\n"
        "state " + dir.file("new.json") + "\n"
        "answer file " + first + "/project.qz\n"
        "choose File \"Load Project...\"\n"
        "wait idle\n"
        "state " + dir.file("loaded.json") + "\n"
        "answer save " + second + "/project\n"
        "choose File \"Save Project...\"\n"
        "wait idle\n"
        "quit\n";
    std::string printed;
    ASSERT_EQ(runProgram(executable, dir.path(), script, "", printed), 0) << printed;
    EXPECT_EQ(printed.find("warning"), std::string::npos) << printed;

    // What was saved.
    const std::vector<std::string> saved = imagesOf(testsupport::readText(dir.file("saved.json")));
    ASSERT_EQ(saved.size(), 4u) << testsupport::readText(dir.file("saved.json"));
    EXPECT_EQ(saved[1].rfind("512 512 112 212 ", 0), 0u) << saved[1];  // the halves, masked
    EXPECT_NE(saved[1], "512 512 112 212 0 ");
    EXPECT_EQ(saved[2], "512 512 212 112 0 ");                         // the tall picture
    EXPECT_EQ(saved[3].rfind("512 512 212 112 ", 0), 0u) << saved[3];  // the clone, turned
    EXPECT_EQ(saved[0].rfind("512 512 0 ", 0), 0u) << saved[0];        // the cut-out: wider than tall
    EXPECT_EQ(imagesOf(testsupport::readText(dir.file("new.json"))).size(), 0u);
    // What was loaded is what was saved, in the same order.
    EXPECT_EQ(imagesOf(testsupport::readText(dir.file("loaded.json"))), saved);

    // Both saves wrote the same files, byte for byte.
    for (const std::string name : {"project.qz", "image0.bmp", "mask0.bmp", "border0.brd", "image1.bmp", "mask1.bmp",
                                   "border1.brd", "image2.bmp", "mask2.bmp", "border2.brd", "image3.bmp", "mask3.bmp",
                                   "border3.brd"}) {
        ASSERT_TRUE(fs::exists(first + "/" + name)) << name;
        EXPECT_EQ(testsupport::readText(first + "/" + name), testsupport::readText(second + "/" + name)) << name;
    }
    // The vertices set to "not smoothed" kept their mode.
    EXPECT_NE(testsupport::readText(first + "/border1.brd").find("1 2 "), std::string::npos);

    for (const char* name : {"twod_image.png", "twod_mask.png", "twod_border.png", "twod_menu.png"}) {
        const RgbaImage picture = readPicture(shot(name));
        EXPECT_EQ(picture.width, kWidth) << name;
        expectBaseline(name);
    }
}

}  // namespace
