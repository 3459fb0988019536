// The project file: everything the user has built, saved as one XML file
// "NAME.qz" plus numbered companion files in the same folder.
//
// Layout (element names exact; attributes are name=value):
//   Plastora
//     config: voxelsize, sharpening, smoothing (slider values, "%d")
//     entry imagename=image<i>.bmp maskname=mask<i>.bmp   (one per image)
//       border right=<marginRight> bottom=<marginBottom>
//       rotationcenter x=<x> y=<y>                         ("%f")
//       border: border<i>.brd                              (when it has one)
//       ... the clipping's elements (see ClippingData)
// i is the image's slot in the image list (empty slots keep their numbers).
// image<i>.bmp is the working copy and mask<i>.bmp the mask, both as 24-bit
// BMP; border<i>.brd is the border file (the smoothing mode of every vertex).
//
// Saving never leaves a half-written project: every file is first written
// beside its final name (stagingFileName) and only when all of them are
// complete are they renamed into place, the ".qz" file last.
//
// Loading adds the project's images after those already in the list.
// Damaged projects load what can be read; every problem is reported as one
// line and nothing is ever taken from outside the project's folder.
#pragma once

#include "core/string.h"
#include "project/status_sink.h"

#include <cstddef>
#include <vector>

class ClippingData;
class ImageList;

// The slider values of the transformation mode kept in "config".
struct ProjectSettings {
    float voxelsize = 10.0f;
    float sharpening = 10.0f;
    float smoothing = 0.0f;
};

// A project that asks for more images than this has the rest left out (and
// reported): every image costs several megabytes.
inline constexpr int kMaxProjectImages = 100;

// --- names -------------------------------------------------------------------------

// The folder of a path, up to and including its last '/'; empty when the
// path has none.
String projectFolder(const String& path);
// The path with ".qz" appended unless it already ends in ".qz".
String projectFileName(const String& chosen);
// Where a project file is written before it is renamed to `finalPath`.
String stagingFileName(const String& finalPath);

// --- saving ------------------------------------------------------------------------

struct ProjectSaveResult {
    bool saved = false;
    String projectPath;  // the ".qz" file, also when the save failed
    String error;        // one line saying what failed; empty on success
};

// Saves the project under projectFileName(chosenPath): for every image of
// slot i, with progress 100 / slots * i and the status texts "Save project",
// "Save image and mask %s", "Save border for image %s" and "Save clipping %s
// properties" (a frame after each), its picture, mask and border files and
// its "entry" element; then the ".qz" file. Slider values are truncated
// toward zero. `clippings` (may be null) adds the clipping elements and sets
// the image-plane positions aside while saving. Existing files of the same
// names are replaced; when any file cannot be written, nothing is replaced
// and every file of the previous project stays as it was.
ProjectSaveResult saveProject(const String& chosenPath, const ImageList& images, const ProjectSettings& settings,
                              StatusSink& status, ClippingData* clippings = nullptr);

// --- loading ------------------------------------------------------------------------

struct ProjectLoadReport {
    // The file was read and holds a Plastora project.
    bool opened = false;
    int imagesAdded = 0;
    // One line for each part that could not be read as it should (missing
    // or damaged companion files, values out of range, images left out).
    std::vector<String> problems;
};

// Loads the project at `path` and adds its images after the current ones.
// For each root child k: progress 100 / children * k, status "Load project",
// a frame; "config" sets the slider values it holds; each "entry" adds one
// image (status "Add image", "Load border properties", "Load image
// properties", a frame after each) named with the list's next image number.
// A picture or mask that cannot be read gives an empty canvas or an empty
// mask, a missing border file a border traced from the mask alone; each is
// reported. A file that cannot be read or is no Plastora project loads
// nothing (opened false, the reason in problems). At most kMaxProjectImages
// images are added. `clippings` (may be null) reads the clipping elements.
ProjectLoadReport loadProject(const String& path, ImageList& images, ProjectSettings& settings, StatusSink& status,
                              ClippingData* clippings = nullptr);

// As loadProject, from the XML bytes in memory, with the companion files
// looked up in `folder` (ending in '/', or empty for the current folder) and
// at most `maxImages` images added.
ProjectLoadReport loadProjectFromMemory(const unsigned char* bytes, std::size_t count, const String& folder,
                                        ImageList& images, ProjectSettings& settings, StatusSink& status,
                                        ClippingData* clippings = nullptr, int maxImages = kMaxProjectImages);

// The problems of a load as the text of one message box (at most ten lines,
// then a count of the rest); empty when there were none.
String describeLoadProblems(const ProjectLoadReport& report);

// --- commands ------------------------------------------------------------------------

// "Save Project...": refused with "No project started which could be saved."
// while no image is loaded; otherwise the save dialog ("Save Project", the
// single type "Plastora" "*.qz"), then saveProject. A failure is shown in a
// message box. True when the project was saved.
bool saveProjectCommand(const ImageList& images, const ProjectSettings& settings, CommandUi& ui,
                        ClippingData* clippings = nullptr);

// "Load Project...": the open dialog ("Load Project", "Plastora" "*.qz"),
// then loadProject; problems are shown in a message box. True when a project
// file was chosen and opened (the caller then enters 2D mode).
bool loadProjectCommand(ImageList& images, ProjectSettings& settings, CommandUi& ui,
                        ClippingData* clippings = nullptr);

// A file dropped on the window, by its last characters (case-sensitive):
// ".qz" loads it as a project (problems in a message box; the mode is not
// changed); ".bmp", ".dib", ".dds", ".jpg", ".png", ".ppm", ".tga" load it as
// a new image (the busy state ends afterwards); anything else shows the
// message box "Plastora can't handle the file: %s" with the caption
// "Filetype unknown". False for an unknown type.
bool openDroppedFile(const String& path, ImageList& images, ProjectSettings& settings, CommandUi& ui,
                     unsigned char maskValue, ClippingData* clippings = nullptr);
