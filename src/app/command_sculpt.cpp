#include "app/command_sculpt.h"

#include "app/command_support.h"
#include "app/terminal_progress.h"
#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "sculpt/mesh_export.h"
#include "sculpt/sculpture.h"
#include "sculpt/texture_atlas.h"


#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr const char* kName = "plastora sculpt";
constexpr float kMaxVoxelSize = 12.0f;
constexpr float kMaxSharpening = 100.0f;
constexpr float kMaxSmoothing = 50.0f;
constexpr float kMaxNormalParticipation = 1000.0f;

void printSculptUsage(FILE* out) {
    std::fprintf(out,
                 "usage: plastora sculpt PROJECT.qz -o OUT.obj|.wrl|.glb|.ply|.stl [--voxel-size D]\n"
                 "                       [--sharpening N] [--smoothing N] [--simplification S]\n"
                 "                       [--normal-participation W] [--flat] [--texture TEXTURE.ext]\n"
                 "                       [--no-texture] [--quiet]\n"
                 "  Carves the object from the project's placed pictures and writes the mesh.\n"
                 "  Settings not given come from the project.\n"
                 "  -o, --output FILE             the mesh, by its ending: Wavefront \".obj\", VRML\n"
                 "                                \".wrl\", binary glTF \".glb\" (texture inside), binary\n"
                 "                                \".ply\" (vertex colours) or binary \".stl\" (for printing)\n"
                 "  --voxel-size D                octree depth, 0 to 12 (finer with each step)\n"
                 "  --sharpening N                sharpening passes, 0 to 100\n"
                 "  --smoothing N                 smoothing passes, 0 to 50\n"
                 "  --simplification S            0 (none) to 1 (full)\n"
                 "  --normal-participation W      curvature weight of simplification, 0 to 1000\n"
                 "  --flat                        flat shading (face normals)\n"
                 "  --texture FILE                also write the texture image (.bmp .dds .dib .jpg .png\n"
                 "                                .ppm .tga); .obj and .wrl name it\n"
                 "  --no-texture                  no texturing (.glb and .ply are textured by default)\n"
                 "  -q, --quiet                   no progress on standard error\n"
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
    bool noTexture = false;
    bool quiet = false;
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
    if (is("--no-texture")) {
        arguments.noTexture = true;
        return true;
    }
    if (is("-q") || is("--quiet")) {
        arguments.quiet = true;
        return true;
    }
    if (!optionValue(argc, argv, i, value)) return false;
    if (is("-o") || is("--output")) {
        arguments.output = String(value);
        if (!meshFormatOfName(arguments.output, arguments.format)) {
            std::fprintf(stderr, "%s: the mesh file must end in .obj, .wrl, .glb, .ply or .stl, not '%s'\n", kName,
                         value);
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
        if (!isTextureFileName(arguments.texture)) {
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
        std::fprintf(stderr, "%s: no mesh file given (-o OUT.obj, .wrl, .glb, .ply or .stl)\n", kName);
        return false;
    }
    if (arguments.noTexture && arguments.texture.length() > 0) {
        std::fprintf(stderr, "%s: --texture and --no-texture cannot be given together\n", kName);
        return false;
    }
    return true;
}

// The stages timed for the output line, with the caption that starts each.
struct TimedStage {
    const char* name;
    const char* captionStart;
};
constexpr TimedStage kTimedStages[] = {
    {"carve", "Sculpturing - Creating Octree"},   {"faces", "Sculpturing - Creating Faces"},
    {"sharpen", "Sculpturing - Sharpening mesh"}, {"smooth", "Sculpturing - Smoothing mesh"},
    {"simplify", "Sculpturing - Mesh simplification"}, {"texture", "Texturise"},
};
constexpr int kTimedStageCount = static_cast<int>(sizeof kTimedStages / sizeof kTimedStages[0]);
// Captions that end the timed stage before them without starting another.
const char* const kUntimedCaptions[] = {"Sculpturing - Creating Buffers", "Save texture"};

// Each step of the run shown on the terminal; the time from a stage's first
// caption to the next stage's is added up per stage (captions a stage
// reports on its way belong to it).
class StageProgress : public SculptProgress {
public:
    explicit StageProgress(TerminalProgress& display) : display_(display) {}
    void step(const std::string& caption, float percent) override {
        display_.step(caption, percent);
        const int stage = stageStartedBy(caption);
        if (stage != kContinues) switchTo(stage);
    }
    // Ends the stage being timed.
    void stop() { switchTo(kNone); }
    // " carve=S faces=S ... texture=S" in seconds.
    std::string stageTimes() const {
        std::string text;
        char field[64];
        for (int i = 0; i < kTimedStageCount; ++i) {
            std::snprintf(field, sizeof field, " %s=%.3f", kTimedStages[i].name, seconds_[i]);
            text += field;
        }
        return text;
    }
    TerminalProgress& display() { return display_; }

private:
    static constexpr int kNone = -1;
    static constexpr int kContinues = -2;
    using Clock = std::chrono::steady_clock;

    static int stageStartedBy(const std::string& caption) {
        for (int i = 0; i < kTimedStageCount; ++i) {
            if (caption.starts_with(kTimedStages[i].captionStart)) return i;
        }
        for (const char* untimed : kUntimedCaptions) {
            if (caption.starts_with(untimed)) return kNone;
        }
        return kContinues;
    }
    void switchTo(int stage) {
        const Clock::time_point now = Clock::now();
        if (current_ != kNone) seconds_[current_] += std::chrono::duration<double>(now - since_).count();
        current_ = stage;
        since_ = now;
    }

    TerminalProgress& display_;
    int current_ = kNone;
    Clock::time_point since_ = Clock::now();
    double seconds_[kTimedStageCount] = {};
};

int truncated(float value) { return static_cast<int>(value); }

// A printf-formatted message line through the progress display.
template <typename... Args>
void say(TerminalProgress& display, const char* format, Args... args) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, format, args...);
    display.message(buffer);
}

// The run's settings: the options, else the project's values (a voxel size
// beyond the slider is brought back into range and said so).
SculptSettings runSettings(const SculptArguments& arguments, const ProjectSettings& project, TerminalProgress& display) {
    float voxelSize = arguments.voxelSize.value_or(project.voxelsize);
    if (voxelSize > kMaxVoxelSize) {
        say(display, "the project's voxel size %d is beyond %d; %d is used", truncated(voxelSize),
            truncated(kMaxVoxelSize), truncated(kMaxVoxelSize));
        voxelSize = kMaxVoxelSize;
    }
    SculptSettings settings;
    settings.depth = truncated(voxelSize);
    settings.sharpeningPasses = truncated(std::min(arguments.sharpening.value_or(project.sharpening), kMaxSharpening));
    settings.smoothingPasses = truncated(std::min(arguments.smoothing.value_or(project.smoothing), kMaxSmoothing));
    settings.simplification = arguments.simplification;
    settings.normalParticipation = arguments.normalParticipation;
    settings.flatShading = arguments.flat;
    return settings;
}

void reportProblems(const std::vector<String>& problems, TerminalProgress& display) {
    for (const String& problem : problems) say(display, "warning: %s", problem.text());
}

// Says which images that should carve cannot, and why.
void reportIdleClippings(const ImageList& images, const ClippingTable& clippings, TerminalProgress& display) {
    for (int i = 0; i < clippings.slotCount(); ++i) {
        const Clipping* clipping = clippings.clipping(i);
        const ImageEntry* entry = images.entry(i);
        if (clipping == nullptr || entry == nullptr) continue;
        if (!clipping->flags().enabled || !clipping->flags().forsculpting) continue;
        if (!clipping->hasSilhouette()) {
            say(display, "warning: image %s has an empty mask and takes no part", entry->name().text());
        } else if (!clipping->projection().isUsable()) {
            say(display, "warning: image %s has an unusable placement and takes no part", entry->name().text());
        }
    }
}

// Texturing runs when a texture file is asked for, or when the mesh format
// carries its texture itself, unless it was switched off.
bool wantsTexture(const SculptArguments& arguments) {
    if (arguments.noTexture) return false;
    return arguments.texture.length() > 0 || formatCarriesTexture(arguments.format);
}

// "Texturise" on the run, and the atlas written to the texture file when one
// was asked for (before the mesh, so the mesh never names a texture that is
// not there). False, with a message, when the texture cannot be written.
bool textureTheRun(Sculpture& run, std::span<Clipping* const> clippings, const String& texture,
                   StageProgress& progress) {
    TerminalProgress& display = progress.display();
    const TexturingReport report = texturise(run, clippings, progress);
    if (!report.message.empty()) say(display, "warning: %s", report.message.c_str());
    if (texture.length() == 0) return true;
    std::string error;
    if (!saveTexture(run, texture, progress, &error)) {
        say(display, "%s; no mesh was written", error.c_str());
        return false;
    }
    display.info("the texture went to " + std::string(texture.view()));
    return true;
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
    if (!checkWritableFile(kName, "mesh", arguments.output)) return 1;

    TerminalProgress display(kName, TerminalProgress::styleFor(arguments.quiet));
    ImageList images;
    ClippingTable clippings(images);
    ProjectSettings project;
    StatusSink quiet;
    const ProjectLoadReport loaded = loadProject(arguments.project, images, project, quiet, &clippings);
    reportProblems(loaded.problems, display);
    if (!loaded.opened) {
        say(display, "cannot sculpt: the project '%s' could not be read", arguments.project.text());
        return 1;
    }
    reportProblems(clippings.problems(), display);
    reportIdleClippings(images, clippings, display);

    std::vector<Clipping*> list;
    for (int i = 0; i < clippings.slotCount(); ++i) list.push_back(clippings.clipping(i));
    const SculptSettings settings = runSettings(arguments, project, display);

    Sculpture run(settings);
    StageProgress progress(display);
    if (!run.execute(list, progress)) {
        say(display, "nothing to sculpt: no image of '%s' is enabled for sculpting with a mask and a usable placement",
            arguments.project.text());
        return 1;
    }
    if (run.objectInfo().triangles == 0) {
        say(display, "nothing to sculpt: the placed pictures of '%s' leave no common volume", arguments.project.text());
        return 1;
    }
    if (wantsTexture(arguments) && !textureTheRun(run, list, arguments.texture, progress)) return 1;
    progress.stop();
    display.step("Save mesh", 100.0f);
    const ExportMesh mesh = exportMeshOf(run.mesh(), run.hasTexture());
    MeshTexture texture;
    texture.fileName = arguments.texture;
    texture.image = run.hasTexture() ? &run.textureImage() : nullptr;
    const MeshExportResult written = exportMesh(mesh, arguments.output, arguments.format, texture);
    if (!written.written) {
        say(display, "%s", written.error.text());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    display.finish();
    display.info("the mesh went to " + std::string(arguments.output.view()));
    std::printf("vertices=%zu triangles=%zu seconds=%.3f%s\n", mesh.positions.size(), mesh.triangles.size(), seconds,
                progress.stageTimes().c_str());
    return 0;
}
