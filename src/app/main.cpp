// Entry point of Plastora: dispatches the command line.
#include "app/command_import.h"
#include "app/command_info.h"
#include "app/command_place.h"
#include "app/command_sculpt.h"
#include "app/program_folders.h"
#include "app/gallery/run_gallery.h"
#include "app/script/run_script.h"
#include "app/script/run_soak.h"
#include "app/shell/application_main.h"
#include "app/shell/run_application.h"
#include "core/file_io.h"
#include "platform/desktop_dialogs.h"
#include "platform/window.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void printUsage(FILE* out) {
    std::fprintf(out,
                 "usage: plastora [PROJECT.qz]    open the program's window (with the project)\n"
                 "       plastora [--version] [--help]\n"
                 "       plastora import PICTURE... -o PROJECT.qz [--turntable|--views ...] [options]\n"
                 "       plastora place PROJECT.qz --turntable|--views ... [options]\n"
                 "       plastora info PROJECT.qz [--json]\n"
                 "       plastora sculpt PROJECT.qz -o OUT.obj|.wrl|.glb|.ply|.stl [options]\n"
                 "       plastora --script FILE [--headless]\n"
                 "       plastora --gallery [--script FILE [--headless]]\n"
                 "       plastora --soak SEED [--events N] [--record FILE] [--folder DIR] [--hang-seconds S]\n"
                 "  --version   print the version and exit\n"
                 "  --help      print this text and exit\n"
                 "  import      make a project from pictures (plastora import --help)\n"
                 "  place       place the pictures of a project (plastora place --help)\n"
                 "  info        describe a project (plastora info --help)\n"
                 "  sculpt      sculpt a project and write the mesh (plastora sculpt --help)\n"
                 "  --script    play a script of input events, dialog answers and screenshots\n"
                 "              (docs/SCRIPTING.md); --headless runs it without a window\n"
                 "  --gallery   show every widget in every state and a small 3D scene; with\n"
                 "              --script the gallery plays the script and ends after it\n"
                 "  --soak      play a random session of N events (2000) made from SEED, headless,\n"
                 "              written as a script to FILE for replaying (docs/SCRIPTING.md)\n");
}

// The program's folders, the settings folder made ready; false (with a
// message) when the program's own folder cannot be found. A settings folder
// that cannot be prepared is only reported: the program runs on its defaults.
bool findProgramFolders(ProgramFolders& folders) {
    if (executableDirectory().length() == 0) {
        std::fprintf(stderr, "plastora: cannot find the folder of the program\n");
        return false;
    }
    folders = programFolders();
    String error;
    if (!prepareSettingsFolder(folders, error)) {
        std::fprintf(stderr, "plastora: %s; the settings will not be kept\n", error.text());
    }
    return true;
}

// Opens the window and runs the program until it is closed. A project path
// (may be empty) is opened at start as if it had been dropped on the window.
int runInteractive(const String& projectPath) {
    std::unique_ptr<platform::Window> window = platform::createSdlWindow();
    if (!window) {
        std::fprintf(stderr,
                     "plastora: cannot open the window: no display could be used (is DISPLAY or WAYLAND_DISPLAY "
                     "set?)\n"
                     "  Pictures can still be made into a project without a window: plastora import --help\n");
        return 1;
    }
    ProgramFolders folders;
    if (!findProgramFolders(folders)) return 1;
    DesktopDialogs dialogs(window.get());
    std::unique_ptr<ApplicationMain> application =
        startApplication(*window, folders.data, dialogs, dialogs, folders.settings);
    const bool initialised = application->isInitialised();
    if (initialised && projectPath.length() > 0) application->onDropFile(projectPath);
    application->run();
    application.reset();
    const int result = initialised ? 0 : 1;
    if (result != 0) {
        std::fprintf(stderr,
                     "plastora: the window or its drawing device could not be set up (details in %slog.log when "
                     "logging is on)\n",
                     folders.settings.text());
    }
    return result;
}

// `plastora --script FILE [--headless]` (the two options in either order).
int runScriptCommand(int argc, char** argv) {
    ScriptRunOptions options;
    bool haveScript = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0) {
            options.headless = true;
        } else if (std::strcmp(argv[i], "--script") == 0 && !haveScript) {
            if (i + 1 >= argc) break;
            options.scriptPath = argv[++i];
            haveScript = true;
        } else {
            std::fprintf(stderr, "plastora: unexpected argument '%s'\n", argv[i]);
            printUsage(stderr);
            return kScriptRunBadScript;
        }
    }
    if (!haveScript) {
        std::fprintf(stderr, "plastora: --script needs the script file\n");
        printUsage(stderr);
        return kScriptRunBadScript;
    }
    ProgramFolders folders;
    if (!findProgramFolders(folders)) return kScriptRunFailed;
    options.applicationDirectory = folders.data;
    options.settingsDirectory = folders.settings;
    return runScript(options, stdout, stderr);
}

// `plastora --gallery [--script FILE] [--headless]` (in any order).
int runGalleryCommand(int argc, char** argv) {
    GalleryRunOptions options;
    bool haveScript = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gallery") == 0) continue;
        if (std::strcmp(argv[i], "--headless") == 0) {
            options.headless = true;
        } else if (std::strcmp(argv[i], "--script") == 0 && !haveScript && i + 1 < argc) {
            options.scriptPath = argv[++i];
            haveScript = true;
        } else {
            std::fprintf(stderr, "plastora: unexpected argument '%s'\n", argv[i]);
            printUsage(stderr);
            return kScriptRunBadScript;
        }
    }
    if (options.headless && !haveScript) {
        std::fprintf(stderr, "plastora: --headless needs --script FILE\n");
        return kScriptRunBadScript;
    }
    ProgramFolders folders;
    if (!findProgramFolders(folders)) return kScriptRunFailed;
    options.applicationDirectory = folders.data;
    return runGallery(options, stdout, stderr);
}

// A whole number in [low, high]; false (with a message) otherwise.
bool readWholeNumber(const char* option, const char* text, long low, long high, long& value) {
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < low || number > high) {
        std::fprintf(stderr, "plastora: %s takes a whole number from %ld to %ld, not '%s'\n", option, low, high, text);
        return false;
    }
    value = number;
    return true;
}

// `plastora --soak SEED [--events N] [--record FILE] [--folder DIR] [--hang-seconds S]`.
int runSoakCommand(int argc, char** argv) {
    SoakOptions options;
    bool haveSeed = false;
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "plastora: %s needs a value\n", option);
            return 2;
        }
        const char* value = argv[++i];
        long number = 0;
        if (std::strcmp(option, "--soak") == 0 && !haveSeed) {
            if (!readWholeNumber(option, value, 0, 4294967295L, number)) return 2;
            options.seed = static_cast<std::uint32_t>(number);
            haveSeed = true;
        } else if (std::strcmp(option, "--events") == 0) {
            if (!readWholeNumber(option, value, 1, 10000000L, number)) return 2;
            options.events = number;
        } else if (std::strcmp(option, "--hang-seconds") == 0) {
            if (!readWholeNumber(option, value, 1, 86400L, number)) return 2;
            options.hangSeconds = static_cast<int>(number);
        } else if (std::strcmp(option, "--record") == 0) {
            options.recordPath = value;
        } else if (std::strcmp(option, "--folder") == 0) {
            options.folder = value;
        } else {
            std::fprintf(stderr, "plastora: unexpected argument '%s'\n", option);
            printUsage(stderr);
            return 2;
        }
    }
    // The session keeps its settings in its own folder: config.xml starts as
    // the factory one and what the session changes never reaches the user's.
    const ProgramFolders folders = programFolders();
    options.applicationDirectory = folders.data;
    return runSoak(options, stderr);
}

bool hasArgument(int argc, char** argv, const char* wanted) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], wanted) == 0) return true;
    }
    return false;
}

bool isScriptOption(const char* argument) {
    return std::strcmp(argument, "--script") == 0 || std::strcmp(argument, "--headless") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "import") == 0) return runImportCommand(argc - 1, argv + 1);
    if (argc >= 2 && std::strcmp(argv[1], "sculpt") == 0) return runSculptCommand(argc - 1, argv + 1);
    if (argc >= 2 && std::strcmp(argv[1], "place") == 0) return runPlaceCommand(argc - 1, argv + 1);
    if (argc >= 2 && std::strcmp(argv[1], "info") == 0) return runInfoCommand(argc - 1, argv + 1);
    if (hasArgument(argc, argv, "--gallery")) return runGalleryCommand(argc, argv);
    if (argc >= 2 && isScriptOption(argv[1])) return runScriptCommand(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--soak") == 0) return runSoakCommand(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Plastora %s\n", PLASTORA_VERSION);
        return 0;
    }
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(stdout);
        return 0;
    }
    if (argc == 2 && argv[1][0] != '-' && String(argv[1]).endsWith(".qz")) return runInteractive(String(argv[1]));
    if (argc >= 2) {
        std::fprintf(stderr, "plastora: unknown argument '%s'\n", argv[1]);
        printUsage(stderr);
        return 2;
    }
    return runInteractive(String());
}
