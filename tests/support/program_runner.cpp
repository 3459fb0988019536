#include "support/program_runner.h"

#include "support/screenshot_compare.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace testsupport {

namespace fs = std::filesystem;

namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

}  // namespace

std::string shellQuoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        if (c == '\'') result += "'\\''";
        else result += c;
    }
    return result + "'";
}

bool makeAppFolder(const std::string& folder, int width, int height, std::string& executable) {
    const fs::path built = fs::path(appDir()) / "plastora";
    if (!fs::exists(built)) return false;
    executable = (fs::path(folder) / "plastora").string();
    std::error_code error;
    fs::create_hard_link(built, executable, error);
    if (error && !fs::copy_file(built, executable, error)) return false;
    for (const char* art : {"data", "datav1_01"}) {
        const fs::path source = fs::path(appDir()) / art;
        if (fs::exists(source)) fs::create_directory_symlink(fs::absolute(source), fs::path(folder) / art, error);
    }
    std::string config = readText(sourceDir() + "/data/config.xml");
    if (config.empty()) return false;
    config = replaced(config, "<screenwidth>-1</screenwidth>", "<screenwidth>" + std::to_string(width) + "</screenwidth>");
    config = replaced(config, "<screenheight>-1</screenheight>",
                      "<screenheight>" + std::to_string(height) + "</screenheight>");
    config = replaced(config, "<checkforupdateatstartup>1</checkforupdateatstartup>",
                      "<checkforupdateatstartup>0</checkforupdateatstartup>");
    return writeText(folder + "/config.xml", config);
}

int runProgram(const std::string& executable, const std::string& folder, const std::string& script,
               const std::string& options, std::string& printed, const std::string& mode) {
    const std::string scriptPath = folder + "/script.txt";
    if (!writeText(scriptPath, script)) return -1;
    const std::string modeOption = mode.empty() ? "" : mode + " ";
    return runProgramWith(executable, folder, modeOption + "--script " + shellQuoted(scriptPath) + " " + options,
                          printed);
}

int runProgramWith(const std::string& executable, const std::string& folder, const std::string& arguments,
                   std::string& printed, int timeoutSeconds) {
    const std::string outputPath = folder + "/output.txt";
    std::string environment = "LIBGL_ALWAYS_SOFTWARE=1 ";
    // D-Bus and fontconfig keep allocations until exit; a sanitized build
    // must not count them as the program's leaks.
    if (std::getenv("LSAN_OPTIONS") == nullptr) {
        environment += "LSAN_OPTIONS=" + shellQuoted("suppressions=" + sourceDir() + "/tests/lsan.supp") + " ";
    }
    // Mesa's software driver leaks a little on the first draw and is unloaded
    // before the leak report, so no suppression can name it: a sanitized
    // build checks leaks of the program's own code in the headless runs.
    if (arguments.find("--headless") == std::string::npos && arguments.find("--soak") == std::string::npos) {
        const char* asan = std::getenv("ASAN_OPTIONS");
        environment += "ASAN_OPTIONS=" + shellQuoted(std::string(asan != nullptr ? asan : "") + ":detect_leaks=0") + " ";
    }
    const std::string command = environment + "timeout " + std::to_string(timeoutSeconds) + " " +
                                shellQuoted(executable) + " " + arguments + " >" + shellQuoted(outputPath) + " 2>&1";
    const int status = std::system(command.c_str());
    printed = readText(outputPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

RgbaImage readPicture(const std::string& path) {
    RgbaImage image;
    String error;
    EXPECT_TRUE(decodeImageFile(String(path.c_str()), image, error)) << error.text();
    return image;
}

void ProgramScreensTest::SetUp() {
    ASSERT_TRUE(makeAppFolder(dir.path(), width_, height_, executable)) << "no built program in " << appDir();
    shots = (fs::current_path() / "screenshots").string();
    fs::create_directories(shots);
}

void ProgramScreensTest::expectBaseline(const std::string& name) {
    const ImageComparison comparison = compareWithBaseline(name, shot(name), ImageTolerance{16, 0.005});
    EXPECT_TRUE(comparison.matches) << name << ": " << comparison.reason;
}

}  // namespace testsupport
