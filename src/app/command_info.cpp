#include "app/command_info.h"

#include "core/json.h"
#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "sculpt/sculpture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

constexpr const char* kName = "plastora info";
constexpr int kJsonVersion = 1;

void printInfoUsage(FILE* out) {
    std::fprintf(out,
                 "usage: plastora info PROJECT.qz [--json]\n"
                 "  Lists the project's pictures with their sizes, mask coverage and placements,\n"
                 "  and says whether the project can be sculpted.\n"
                 "  --json        a JSON document for scripts (described in docs/COMMAND_LINE.md)\n"
                 "  -h, --help    print this text and exit\n");
}

// What the command says of one image.
struct ImageInfo {
    int slot = 0;
    std::string name;
    int width = 0;
    int height = 0;
    double maskCoverage = 0.0;
    ClippingPlacement placement;
    ClippingFlags flags;
    bool carves = false;
    // Why an image meant to carve does not; empty when it carves or is not meant to.
    std::string problem;
};

double maskCoverageOf(const ImageEntry& entry) {
    const Image& mask = entry.mask;
    const int width = mask.width() - mask.marginRight;
    const int height = mask.height() - mask.marginBottom;
    if (width < 1 || height < 1) return 0.0;
    long long set = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) set += mask.isSet(x, y) ? 1 : 0;
    }
    return static_cast<double>(set) / (static_cast<double>(width) * height);
}

std::vector<ImageInfo> imageInfos(const ImageList& images, const ClippingTable& clippings) {
    std::vector<ImageInfo> infos;
    for (int slot = 0; slot < images.slotCount(); ++slot) {
        const ImageEntry* entry = images.entry(slot);
        const Clipping* clipping = clippings.clipping(slot);
        if (entry == nullptr || clipping == nullptr) continue;
        ImageInfo info;
        info.slot = slot;
        info.name = entry->name().str();
        info.width = entry->workingCopy.width() - entry->workingCopy.marginRight;
        info.height = entry->workingCopy.height() - entry->workingCopy.marginBottom;
        info.maskCoverage = maskCoverageOf(*entry);
        info.placement = clipping->placement();
        info.flags = clipping->flags();
        info.carves = clipping->isReadyForSculpting();
        if (info.flags.enabled && info.flags.forsculpting && !info.carves) {
            info.problem = !clipping->hasSilhouette() ? "empty mask" : "unusable placement";
        }
        infos.push_back(std::move(info));
    }
    return infos;
}

int carvingCount(const std::vector<ImageInfo>& infos) {
    int count = 0;
    for (const ImageInfo& info : infos) count += info.carves ? 1 : 0;
    return count;
}

// --- JSON --------------------------------------------------------------------------------

JsonValue numbers(std::initializer_list<double> values) {
    JsonValue list = JsonValue::array();
    for (double value : values) list.append(JsonValue::number(value));
    return list;
}

JsonValue placementJson(const ClippingPlacement& p) {
    JsonValue placement = JsonValue::object();
    placement.set("yaw", JsonValue::number(p.angle));
    placement.set("pitch", JsonValue::number(p.angleheight));
    placement.set("roll", JsonValue::number(p.angleimage));
    placement.set("translation", numbers({p.translation.x, p.translation.y, p.translation.z}));
    placement.set("width", JsonValue::number(p.scaling.z));
    placement.set("height", JsonValue::number(p.scaling.y));
    placement.set("depth", JsonValue::number(p.scaling.x));
    JsonValue fov = JsonValue::object();
    fov.set("on", JsonValue::boolean(p.fovSet));
    fov.set("x", JsonValue::number(p.fovX));
    fov.set("y", JsonValue::number(p.fovY));
    placement.set("fieldOfView", std::move(fov));
    return placement;
}

JsonValue imageJson(const ImageInfo& info) {
    const ClippingFlags& f = info.flags;
    JsonValue image = JsonValue::object();
    image.set("slot", JsonValue::number(info.slot));
    image.set("name", JsonValue::string(info.name));
    image.set("width", JsonValue::number(info.width));
    image.set("height", JsonValue::number(info.height));
    image.set("maskCoverage", JsonValue::number(info.maskCoverage));
    image.set("enabled", JsonValue::boolean(f.enabled));
    image.set("sculpting", JsonValue::boolean(f.forsculpting));
    image.set("addingVoxels", JsonValue::boolean(f.addingvoxels));
    image.set("texturing", JsonValue::boolean(f.fortexturing));
    image.set("textureStrength", JsonValue::number(f.texturestrength));
    image.set("placement", placementJson(info.placement));
    image.set("carves", JsonValue::boolean(info.carves));
    image.set("problem", info.problem.empty() ? JsonValue() : JsonValue::string(info.problem));
    return image;
}

// --- text --------------------------------------------------------------------------------

void printText(const std::string& path, const std::vector<ImageInfo>& infos, const ProjectSettings& settings,
               const std::vector<std::string>& problems) {
    std::printf("Project %s\n", path.c_str());
    std::printf("Sculpting settings: voxel size %d, sharpening %d, smoothing %d\n",
                static_cast<int>(settings.voxelsize), static_cast<int>(settings.sharpening),
                static_cast<int>(settings.smoothing));
    std::printf("%zu picture%s:\n", infos.size(), infos.size() == 1 ? "" : "s");
    for (const ImageInfo& info : infos) {
        const ClippingPlacement& p = info.placement;
        std::printf("  %-4s %4dx%-4d mask %5.1f%%  yaw %7.2f pitch %7.2f roll %7.2f  depth %.0f  fov %s",
                    info.name.c_str(), info.width, info.height, 100.0 * info.maskCoverage,
                    static_cast<double>(p.angle), static_cast<double>(p.angleheight),
                    static_cast<double>(p.angleimage), static_cast<double>(p.scaling.x), p.fovSet ? "on" : "off");
        if (p.fovSet) std::printf(" %.2f", static_cast<double>(p.fovX));
        std::printf("  %s%s\n", !info.flags.enabled ? "not placed" : info.carves ? "carves" : "does not carve",
                    info.problem.empty() ? "" : (" (" + info.problem + ")").c_str());
    }
    for (const std::string& problem : problems) std::printf("Problem: %s\n", problem.c_str());
    const int carving = carvingCount(infos);
    if (carving > 0) {
        std::printf("Can be sculpted: yes, %d picture%s carve%s\n", carving, carving == 1 ? "" : "s",
                    carving == 1 ? "s" : "");
    } else {
        std::printf("Can be sculpted: no, no picture is placed with a mask (plastora place --help)\n");
    }
}

std::vector<std::string> problemsOf(const ProjectLoadReport& report, const ClippingTable& clippings) {
    std::vector<std::string> problems;
    for (const String& problem : report.problems) problems.push_back(problem.str());
    for (const String& problem : clippings.problems()) problems.push_back(problem.str());
    return problems;
}

}  // namespace

std::string projectInfoJson(const std::string& path, const ImageList& images, const ClippingTable& clippings,
                            const ProjectSettings& settings, const ProjectLoadReport& report) {
    const std::vector<ImageInfo> infos = imageInfos(images, clippings);
    JsonValue document = JsonValue::object();
    document.set("format", JsonValue::string("plastora-project-info"));
    document.set("version", JsonValue::number(kJsonVersion));
    document.set("project", JsonValue::string(path));
    JsonValue sliders = JsonValue::object();
    sliders.set("voxelSize", JsonValue::number(static_cast<int>(settings.voxelsize)));
    sliders.set("sharpening", JsonValue::number(static_cast<int>(settings.sharpening)));
    sliders.set("smoothing", JsonValue::number(static_cast<int>(settings.smoothing)));
    document.set("settings", std::move(sliders));
    JsonValue list = JsonValue::array();
    for (const ImageInfo& info : infos) list.append(imageJson(info));
    document.set("images", std::move(list));
    const int carving = carvingCount(infos);
    document.set("carvingImages", JsonValue::number(carving));
    document.set("sculptable", JsonValue::boolean(carving > 0));
    JsonValue problems = JsonValue::array();
    for (const std::string& problem : problemsOf(report, clippings)) problems.append(JsonValue::string(problem));
    document.set("problems", std::move(problems));
    return document.serialise(2) + "\n";
}

int runInfoCommand(int argc, char** argv) {
    std::string path;
    bool json = false;
    int projects = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) {
            json = true;
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            printInfoUsage(stdout);
            return 0;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "%s: unknown option '%s'\n", kName, argv[i]);
            printInfoUsage(stderr);
            return 2;
        } else {
            path = argv[i];
            ++projects;
        }
    }
    if (projects != 1) {
        std::fprintf(stderr, projects == 0 ? "%s: no project given\n" : "%s: give exactly one project\n", kName);
        printInfoUsage(stderr);
        return 2;
    }
    ImageList images;
    ClippingTable clippings(images);
    ProjectSettings settings;
    StatusSink quiet;
    const ProjectLoadReport report = loadProject(String(path.c_str()), images, settings, quiet, &clippings);
    if (!report.opened) {
        for (const String& problem : report.problems) std::fprintf(stderr, "%s: %s\n", kName, problem.text());
        std::fprintf(stderr, "%s: the project '%s' could not be read\n", kName, path.c_str());
        return 1;
    }
    if (json) {
        std::fputs(projectInfoJson(path, images, clippings, settings, report).c_str(), stdout);
    } else {
        printText(path, imageInfos(images, clippings), settings, problemsOf(report, clippings));
    }
    return 0;
}
