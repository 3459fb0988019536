#include "app/command_sculpt.h"

#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "sculpt/mesh_export.h"
#include "sculpt/sculpture.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr const char* kName = "plastora sculpt";
constexpr float kMaxVoxelSize = 12.0f;
constexpr float kMaxSharpening = 100.0f;
constexpr float kMaxSmoothing = 50.0f;
constexpr float kMaxNormalParticipation = 1000.0f;
const char* const kTextureEndings[] = {".bmp", ".dds", ".dib", ".jpg", ".png", ".ppm", ".tga"};

void printSculptUsage(FILE* out) {
    std::fprintf(out,
                 "usage: plastora sculpt PROJECT.qz -o OUT.obj|OUT.wrl [--voxel-size D] [--sharpening N]\n"
                 "                       [--smoothing N] [--simplification S] [--normal-participation W]\n"
                 "                       [--flat] [--texture TEXTURE.ext]\n"
                 "  Carves the object from the project's placed pictures and writes the mesh.\n"
                 "  Settings not given come from the project.\n"
                 "  -o, --output FILE             the mesh: Wavefront \".obj\" or VRML \".wrl\"\n"
                 "  --voxel-size D                octree depth, 0 to 12 (finer with each step)\n"
                 "  --sharpening N                sharpening passes, 0 to 100\n"
                 "  --smoothing N                 smoothing passes, 0 to 50\n"
                 "  --simplification S            0 (none) to 1 (full)\n"
                 "  --normal-participation W      curvature weight of simplification, 0 to 1000\n"
                 "  --flat                        flat shading (face normals)\n"
                 "  --texture FILE                texture image (.bmp .dds .dib .jpg .png .ppm .tga)\n"
                 "  -h, --help                    print this text and exit\n");
}

struct SculptArguments {
    String project;
    String output;
    MeshFormat format = MeshFormat::Obj;
    std::optional<float> voxelSize;
    std::optional<float> sharpening;
    std::optional<float> smoothing;
    float simplification = 0.0f;
    float normalParticipation = 0.0f;
    bool flat = false;
    String texture;
    bool help = false;
};

// A whole number within [low, high]; false (with a message) otherwise.
bool parseNumber(const char* option, const char* text, float low, float high, bool whole, float& out) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    const bool number = end != text && *end == '\0' && std::isfinite(value);
    if (!number || value < low || value > high || (whole && value != std::floor(value))) {
        std::fprintf(stderr, "%s: %s takes %s from %g to %g, not '%s'\n", kName, option,
                     whole ? "a whole number" : "a number", static_cast<double>(low), static_cast<double>(high),
                     text);
        return false;
    }
    out = static_cast<float>(value);
    return true;
}

bool hasTextureEnding(const String& name) {
    for (const char* ending : kTextureEndings) {
        if (name.endsWith(ending)) return true;
    }
    return false;
}

// Reads the value of the option at argv[i]; false (with a message) when
// there is none.
bool optionValue(int argc, char** argv, int& i, const char*& value) {
    if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        std::fprintf(stderr, "%s: %s needs a value\n", kName, argv[i]);
        return false;
    }
    value = argv[++i];
    return true;
}

bool parseOption(int argc, char** argv, int& i, SculptArguments& arguments) {
    const char* option = argv[i];
    const char* value = nullptr;
    const auto is = [option](const char* name) { return std::strcmp(option, name) == 0; };
    float number = 0.0f;
    if (is("-h") || is("--help")) {
        arguments.help = true;
        return true;
    }
    if (is("--flat")) {
        arguments.flat = true;
        return true;
    }
    if (!optionValue(argc, argv, i, value)) return false;
    if (is("-o") || is("--output")) {
        arguments.output = String(value);
        if (!meshFormatOfName(arguments.output, arguments.format)) {
            std::fprintf(stderr, "%s: the mesh file must end in .obj or .wrl, not '%s'\n", kName, value);
            return false;
        }
    } else if (is("--voxel-size")) {
        if (!parseNumber(option, value, 0.0f, kMaxVoxelSize, true, number)) return false;
        arguments.voxelSize = number;
    } else if (is("--sharpening")) {
        if (!parseNumber(option, value, 0.0f, kMaxSharpening, true, number)) return false;
        arguments.sharpening = number;
    } else if (is("--smoothing")) {
        if (!parseNumber(option, value, 0.0f, kMaxSmoothing, true, number)) return false;
        arguments.smoothing = number;
    } else if (is("--simplification")) {
        if (!parseNumber(option, value, 0.0f, 1.0f, false, arguments.simplification)) return false;
    } else if (is("--normal-participation")) {
        if (!parseNumber(option, value, 0.0f, kMaxNormalParticipation, false, arguments.normalParticipation)) {
            return false;
        }
    } else if (is("--texture")) {
        arguments.texture = String(value);
        if (!hasTextureEnding(arguments.texture)) {
            std::fprintf(stderr, "%s: the texture must end in .bmp, .dds, .dib, .jpg, .png, .ppm or .tga, not '%s'\n",
                         kName, value);
            return false;
        }
    } else {
        std::fprintf(stderr, "%s: unknown option '%s'\n", kName, option);
        return false;
    }
    return true;
}

// Parses the arguments after "sculpt"; false (with a message) when they do
// not make a command.
bool parseArguments(int argc, char** argv, SculptArguments& arguments) {
    bool haveOutput = false;
    int projects = 0;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-' && argv[i][1] != '\0') {
            const bool output = std::strcmp(argv[i], "-o") == 0 || std::strcmp(argv[i], "--output") == 0;
            if (output && haveOutput) {
                std::fprintf(stderr, "%s: only one mesh file can be written at a time\n", kName);
                return false;
            }
            haveOutput |= output;
            if (!parseOption(argc, argv, i, arguments)) return false;
        } else {
            arguments.project = String(argv[i]);
            ++projects;
        }
    }
    if (arguments.help) return true;
    if (projects != 1) {
        std::fprintf(stderr, projects == 0 ? "%s: no project given\n" : "%s: give exactly one project\n", kName);
        return false;
    }
    if (!haveOutput) {
        std::fprintf(stderr, "%s: no mesh file given (-o OUT.obj or -o OUT.wrl)\n", kName);
        return false;
    }
    return true;
}

// Each stage of the run as one line on standard error.
class StderrProgress : public SculptProgress {
public:
    void step(const std::string& caption, float percent) override {
        std::fprintf(stderr, "%s: [%3d%%] %s\n", kName, static_cast<int>(percent), caption.c_str());
    }
};

// The later stages this version provides; an empty one is not built yet.
SculptStages availableStages() { return SculptStages{}; }
constexpr bool kTexturingAvailable = false;

void reportSkipped(const char* stage) {
    std::fprintf(stderr, "%s: %s: not available in this version, skipped\n", kName, stage);
}

// Names every requested stage that this version cannot run.
void reportUnavailableStages(const SculptSettings& settings, const SculptArguments& arguments,
                             const SculptStages& stages) {
    if (settings.sharpeningPasses > 0 && !stages.sharpen) reportSkipped("sharpening");
    if (settings.smoothingPasses > 0 && !stages.smooth) reportSkipped("smoothing");
    if (arguments.simplification > 0.0f && !stages.simplify) reportSkipped("simplification");
    if (arguments.texture.length() > 0 && !kTexturingAvailable) {
        std::fprintf(stderr, "%s: texturing: not available in this version, skipped; the mesh is written without "
                             "texture coordinates and no %s is written\n",
                     kName, arguments.texture.text());
    }
}

int truncated(float value) { return static_cast<int>(value); }

// The run's settings: the options, else the project's values (a voxel size
// beyond the slider is brought back into range and said so).
SculptSettings runSettings(const SculptArguments& arguments, const ProjectSettings& project) {
    float voxelSize = arguments.voxelSize.value_or(project.voxelsize);
    if (voxelSize > kMaxVoxelSize) {
        std::fprintf(stderr, "%s: the project's voxel size %d is beyond %d; %d is used\n", kName,
                     truncated(voxelSize), truncated(kMaxVoxelSize), truncated(kMaxVoxelSize));
        voxelSize = kMaxVoxelSize;
    }
    SculptSettings settings;
    settings.depth = truncated(voxelSize);
    settings.sharpeningPasses = truncated(std::min(arguments.sharpening.value_or(project.sharpening), kMaxSharpening));
    settings.smoothingPasses = truncated(std::min(arguments.smoothing.value_or(project.smoothing), kMaxSmoothing));
    settings.flatShading = arguments.flat;
    return settings;
}

// The mesh must go into an existing, writable folder, and not over a folder.
bool checkOutput(const String& output) {
    const String folderText = projectFolder(output);
    const std::string folder = folderText.length() > 0 ? std::string(folderText.view()) : std::string("./");
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        std::fprintf(stderr, "%s: cannot write the mesh: the folder '%s' does not exist\n", kName, folder.c_str());
        return false;
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0 ||
        std::filesystem::is_directory(std::string(output.view()), error)) {
        std::fprintf(stderr, "%s: cannot write the mesh to '%s'\n", kName, output.text());
        return false;
    }
    return true;
}

void reportProblems(const std::vector<String>& problems) {
    for (const String& problem : problems) std::fprintf(stderr, "%s: warning: %s\n", kName, problem.text());
}

// Says which images that should carve cannot, and why.
void reportIdleClippings(const ImageList& images, const ClippingTable& clippings) {
    for (int i = 0; i < clippings.slotCount(); ++i) {
        const Clipping* clipping = clippings.clipping(i);
        const ImageEntry* entry = images.entry(i);
        if (clipping == nullptr || entry == nullptr) continue;
        if (!clipping->flags().enabled || !clipping->flags().forsculpting) continue;
        if (!clipping->hasSilhouette()) {
            std::fprintf(stderr, "%s: warning: image %s has an empty mask and takes no part\n", kName,
                         entry->name().text());
        } else if (!clipping->projection().isUsable()) {
            std::fprintf(stderr, "%s: warning: image %s has an unusable placement and takes no part\n", kName,
                         entry->name().text());
        }
    }
}

}  // namespace

int runSculptCommand(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    SculptArguments arguments;
    if (!parseArguments(argc, argv, arguments)) {
        printSculptUsage(stderr);
        return 2;
    }
    if (arguments.help) {
        printSculptUsage(stdout);
        return 0;
    }
    if (!checkOutput(arguments.output)) return 1;

    ImageList images;
    ClippingTable clippings(images);
    ProjectSettings project;
    StatusSink quiet;
    const ProjectLoadReport loaded = loadProject(arguments.project, images, project, quiet, &clippings);
    if (!loaded.opened) {
        reportProblems(loaded.problems);
        std::fprintf(stderr, "%s: cannot sculpt: the project '%s' could not be read\n", kName,
                     arguments.project.text());
        return 1;
    }
    reportProblems(loaded.problems);
    reportProblems(clippings.problems());
    reportIdleClippings(images, clippings);

    std::vector<Clipping*> list;
    for (int i = 0; i < clippings.slotCount(); ++i) list.push_back(clippings.clipping(i));
    const SculptSettings settings = runSettings(arguments, project);
    const SculptStages stages = availableStages();
    reportUnavailableStages(settings, arguments, stages);

    Sculpture run(settings, stages);
    StderrProgress progress;
    if (!run.execute(list, progress)) {
        std::fprintf(stderr,
                     "%s: nothing to sculpt: no image of '%s' is enabled for sculpting with a mask and a usable "
                     "placement\n",
                     kName, arguments.project.text());
        return 1;
    }
    const ExportMesh mesh = exportMeshOf(run.mesh(), false);
    if (mesh.triangles.empty()) {
        std::fprintf(stderr, "%s: nothing to sculpt: the placed pictures of '%s' leave no common volume\n", kName,
                     arguments.project.text());
        return 1;
    }
    const MeshExportResult written = exportMesh(mesh, arguments.output, arguments.format);
    if (!written.written) {
        std::fprintf(stderr, "%s: %s\n", kName, written.error.text());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "%s: the mesh went to %s\n", kName, arguments.output.text());
    std::printf("vertices=%zu triangles=%zu seconds=%.3f\n", mesh.positions.size(), mesh.triangles.size(), seconds);
    return 0;
}
