#include "app/command_import.h"

#include "core/configuration.h"
#include "core/file_io.h"
#include "core/xml.h"
#include "image/image_entry.h"
#include "project/picture_import.h"
#include "project/project_file.h"
#include "render/image_file.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr const char* kName = "plastora import";

void printImportUsage(FILE* out) {
    std::fprintf(out,
                 "usage: plastora import PICTURE... -o PROJECT.qz\n"
                 "  Loads the pictures (BMP, DDS, DIB, HDR, JPG, PFM, PNG, PPM, TGA) as new\n"
                 "  images, each alpha channel becoming the image's mask, and saves them as\n"
                 "  a project with its image, mask and border files beside it.\n"
                 "  -o, --output PROJECT.qz   the project to write (\".qz\" is appended if missing)\n"
                 "  -h, --help                print this text and exit\n");
}

struct ImportArguments {
    std::vector<String> pictures;
    String output;
    bool help = false;
};

// Parses the arguments after "import"; false (with a message) when they do
// not make a command.
bool parseArguments(int argc, char** argv, ImportArguments& arguments) {
    bool optionsEnded = false;
    bool haveOutput = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (!optionsEnded && argument[0] == '-' && argument[1] != '\0') {
            if (std::strcmp(argument, "--") == 0) {
                optionsEnded = true;
            } else if (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0) {
                arguments.help = true;
            } else if (std::strcmp(argument, "-o") == 0 || std::strcmp(argument, "--output") == 0) {
                if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                    std::fprintf(stderr, "%s: %s needs a project file name\n", kName, argument);
                    return false;
                }
                if (haveOutput) {
                    std::fprintf(stderr, "%s: only one project can be written at a time\n", kName);
                    return false;
                }
                haveOutput = true;
                arguments.output = String(argv[++i]);
            } else {
                std::fprintf(stderr, "%s: unknown option '%s'\n", kName, argument);
                return false;
            }
        } else {
            arguments.pictures.push_back(String(argument));
        }
    }
    if (arguments.help) return true;
    if (arguments.pictures.empty()) {
        std::fprintf(stderr, "%s: no pictures given\n", kName);
        return false;
    }
    if (!haveOutput) {
        std::fprintf(stderr, "%s: no project given (-o PROJECT.qz)\n", kName);
        return false;
    }
    return true;
}

// Progress of the import on standard error: one line per picture loaded and
// per image saved.
class StderrStatus : public StatusSink {
public:
    void setProgress(float percent) override { percent_ = percent; }
    void setStatus(const String& text) override {
        if (!startsWith(text, "Load image ") && !startsWith(text, "Save image and mask ")) return;
        std::fprintf(stderr, "%s: [%3d%%] %s\n", kName, static_cast<int>(percent_), text.text());
    }

private:
    static bool startsWith(const String& text, const char* prefix) {
        return text.view().substr(0, std::strlen(prefix)) == prefix;
    }
    float percent_ = 0.0f;
};

// The folder the project goes to must exist and take new files.
bool checkProjectFolder(const String& projectPath) {
    String folder = projectFolder(projectPath);
    if (folder.length() == 0) folder = String("./");
    std::error_code error;
    if (!std::filesystem::is_directory(std::filesystem::path(folder.str()), error)) {
        std::fprintf(stderr, "%s: cannot write the project: the folder '%s' does not exist\n", kName, folder.text());
        return false;
    }
    if (::access(folder.text(), W_OK | X_OK) != 0) {
        std::fprintf(stderr, "%s: cannot write the project: the folder '%s' is not writable (%s)\n", kName,
                     folder.text(), std::strerror(errno));
        return false;
    }
    if (std::filesystem::is_directory(std::filesystem::path(projectPath.str()), error)) {
        std::fprintf(stderr, "%s: cannot write the project: '%s' is a folder\n", kName, projectPath.text());
        return false;
    }
    return true;
}

// Every picture must at least have a readable header before anything is
// loaded.
bool checkPictures(const std::vector<String>& pictures) {
    bool readable = true;
    for (const String& picture : pictures) {
        int width = 0;
        int height = 0;
        String error;
        if (!readImageSize(picture, width, height, error)) {
            std::fprintf(stderr, "%s: cannot read the picture '%s': %s\n", kName, picture.text(), error.text());
            readable = false;
        }
    }
    return readable;
}

// The user's settings from "config.xml" beside the program, when there is
// one: the mask value and the sculpting sliders stored in the project.
Settings userSettings() {
    Settings settings;
    const String directory = executableDirectory();
    if (directory.length() == 0) return settings;
    String path = directory;
    path.append(String("config.xml"));
    XmlDocument document;
    if (document.parse(path)) applyConfiguration(document, settings, nullptr);
    return settings;
}

unsigned char maskValueOf(const Settings& settings) {
    const float value = settings.maskopac;
    if (!std::isfinite(value) || value < 1.0f) return 1;
    return value >= 255.0f ? 255 : static_cast<unsigned char>(value);
}

}  // namespace

int runImportCommand(int argc, char** argv) {
    ImportArguments arguments;
    if (!parseArguments(argc, argv, arguments)) {
        printImportUsage(stderr);
        return 2;
    }
    if (arguments.help) {
        printImportUsage(stdout);
        return 0;
    }
    const String projectPath = projectFileName(arguments.output);
    if (!checkProjectFolder(projectPath) || !checkPictures(arguments.pictures)) return 1;

    const Settings settings = userSettings();
    ImageList images;
    StderrStatus status;
    const PictureLoadReport loaded = loadPictures(images, arguments.pictures, maskValueOf(settings), status);
    if (!loaded.failures.empty()) {
        for (const String& failure : loaded.failures) {
            std::fprintf(stderr, "%s: cannot read the picture %s\n", kName, failure.text());
        }
        return 1;
    }

    ProjectSettings sliders;
    sliders.voxelsize = settings.meshdetail;
    sliders.sharpening = settings.sharpening;
    sliders.smoothing = settings.smoothing;
    const ProjectSaveResult saved = saveProject(projectPath, images, sliders, status);
    if (!saved.saved) {
        std::fprintf(stderr, "%s: cannot write the project '%s': %s\n", kName, saved.projectPath.text(),
                     saved.error.text());
        return 1;
    }
    std::printf("Imported %d picture%s into %s\n", loaded.loaded, loaded.loaded == 1 ? "" : "s",
                saved.projectPath.text());
    return 0;
}
