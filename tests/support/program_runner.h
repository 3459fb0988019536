// The built program run with a script from a private folder (a link to the
// executable, the art linked in, config.xml with a fixed window size), so
// that its config.xml rewrite at exit touches nothing shared.
#pragma once

#include "render/image_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace testsupport {

// `text` in single quotes for the shell.
std::string shellQuoted(const std::string& text);

// Fills `folder` so that the program can run from it: its executable (hard
// link, or a copy across file systems), the art folders linked, and
// config.xml from the source tree with a `width` by `height` window and no
// update check. `executable` gets the path to run; false when the program
// is not built or the folder cannot be filled.
bool makeAppFolder(const std::string& folder, int width, int height, std::string& executable);

// Runs the program with the script text (`mode`, such as "--gallery", goes
// before "--script", `options` after it); returns its exit code and leaves
// what it printed in `printed`.
int runProgram(const std::string& executable, const std::string& folder, const std::string& script,
               const std::string& options, std::string& printed, const std::string& mode = "");

// Runs the program with `arguments` (quoted for the shell as needed) in the
// test environment, stopped after `timeoutSeconds`; returns its exit code
// (-1 when it did not exit by itself) and leaves what it printed in
// `printed`. Runs without a window (--headless, --soak) keep the sanitizers'
// leak check.
int runProgramWith(const std::string& executable, const std::string& folder, const std::string& arguments,
                   std::string& printed, int timeoutSeconds = 120);

// A picture file the program wrote; a failed test when it cannot be read.
RgbaImage readPicture(const std::string& path);

// Screens of the program run with a script: a private app folder with a
// fixed window size, and screenshots kept in screenshots/ of the test's
// working folder for inspection.
class ProgramScreensTest : public ::testing::Test {
protected:
    ProgramScreensTest(int width, int height) : width_(width), height_(height) {}

    void SetUp() override;

    // Path of screenshot `name`.
    std::string shot(const std::string& name) const { return shots + "/" + name; }
    // Compares screenshot `name` with its baseline.
    void expectBaseline(const std::string& name);

    TempDir dir;
    std::string executable;
    std::string shots;

private:
    int width_;
    int height_;
};

}  // namespace testsupport
