// The tutorial's commands, run as written against the built program on
// turntable photographs of the sample mug: a new user following
// docs/TUTORIAL.md (or the README's short version) gets a textured .glb.
#include "sample_project.h"
#include "support/glb_reader.h"
#include "support/program_runner.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

// The shell commands of a document: indented lines "    $ plastora ...".
std::vector<std::string> commandsOf(const std::string& document) {
    std::vector<std::string> commands;
    std::istringstream in(testsupport::readText(document));
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("    $ plastora ", 0) == 0) commands.push_back(line.substr(6));
    }
    return commands;
}

// Runs `command` with "plastora" standing for the built program, in
// `folder`; its exit code, and what it printed in `printed`.
int runInFolder(const std::string& folder, const std::string& command, std::string& printed) {
    const std::string program = testsupport::shellQuoted(testsupport::appDir() + "/plastora");
    const std::string line = "cd " + testsupport::shellQuoted(folder) + " && " + program +
                             command.substr(std::string("plastora").size()) + " 2>&1";
    std::FILE* pipe = ::popen(line.c_str(), "r");
    if (pipe == nullptr) return -1;
    printed.clear();
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) printed += buffer;
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(Tutorial, TheThreeCommandsTurnTurntablePhotographsIntoATexturedGlb) {
    const std::vector<std::string> tutorial = commandsOf(testsupport::sourceDir() + "/docs/TUTORIAL.md");
    ASSERT_EQ(tutorial.size(), 3u);
    // The README's short version is the same three commands.
    EXPECT_EQ(commandsOf(testsupport::sourceDir() + "/README.md"), tutorial);

    // The photographs the tutorial describes: 8 pictures, 20 degrees above
    // the turntable, numbered in the order taken.
    const std::smatch elevation = [&] {
        std::smatch match;
        std::regex_search(tutorial[0], match, std::regex("--elevation (\\d+)"));
        return match;
    }();
    ASSERT_FALSE(elevation.empty()) << tutorial[0];
    TempDir dir;
    std::string error;
    ASSERT_TRUE(sample::writeTurntablePictures(dir.file("photos"), 8, std::stof(elevation[1]), error)) << error;

    for (const std::string& command : tutorial) {
        SCOPED_TRACE(command);
        std::string printed;
        ASSERT_EQ(runInFolder(dir.path(), command, printed), 0) << printed;
        if (command.find(" info ") != std::string::npos) {
            EXPECT_NE(printed.find("Can be sculpted: yes, 8 pictures carve"), std::string::npos) << printed;
        }
    }
    const std::smatch output = [&] {
        std::smatch match;
        std::regex_search(tutorial[2], match, std::regex("-o (\\S+\\.glb)"));
        return match;
    }();
    ASSERT_FALSE(output.empty()) << tutorial[2];
    testsupport::GlbMesh mesh;
    ASSERT_TRUE(testsupport::readGlb(dir.file(output[1]), mesh, error)) << error;
    EXPECT_GT(mesh.indices.size(), 30000u);
    EXPECT_GT(mesh.texture.width, 0);
    EXPECT_EQ(mesh.uvs.size(), mesh.positions.size());
}
