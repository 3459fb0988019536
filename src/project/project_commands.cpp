// The menu commands around the project file and the files dropped on the
// window.
#include "project/project_file.h"

#include "project/picture_import.h"
#include "project/platform_dialogs.h"

#include "image/image_entry.h"

#include <optional>

namespace {

const std::vector<FileFilter>& projectFilters() {
    static const std::vector<FileFilter> filters{FileFilter{"Plastora", "*.qz"}};
    return filters;
}

void tellUser(CommandUi& ui, const char* caption, const String& text, MessageIcon icon) {
    {
        ShownSystemCursor shown(ui.cursor);
        ui.dialogs.messageBox(String(caption), text, MessageButtons::Ok, icon);
    }
    ui.status.clearKeyTable();
}

void reportLoadProblems(CommandUi& ui, const ProjectLoadReport& report) {
    const String problems = describeLoadProblems(report);
    if (problems.length() == 0) return;
    String text(report.opened ? "Parts of the project could not be read:\n" : "The project could not be loaded:\n");
    text.append(problems);
    tellUser(ui, "Load Project", text, report.opened ? MessageIcon::Warning : MessageIcon::Error);
}

String joined(const String& first, const char* middle, const String& last) {
    String text = first;
    text.append(String(middle));
    text.append(last);
    return text;
}

bool isPictureName(const String& path) {
    for (const char* ending : {".bmp", ".dib", ".dds", ".jpg", ".png", ".ppm", ".tga"}) {
        if (path.endsWith(ending)) return true;
    }
    return false;
}

}  // namespace

bool saveProjectCommand(const ImageList& images, const ProjectSettings& settings, CommandUi& ui,
                        ClippingData* clippings) {
    if (images.imageCount() == 0) {
        ui.status.refuse(String("No project started which could be saved."));
        return false;
    }
    std::optional<SavedFile> chosen;
    {
        ShownSystemCursor shown(ui.cursor);
        chosen = ui.dialogs.saveFile(String("Save Project"), projectFilters(), 0);
    }
    ui.status.clearKeyTable();
    if (!chosen || chosen->path.length() == 0) return false;

    const ProjectSaveResult result = saveProject(chosen->path, images, settings, ui.status, clippings);
    if (!result.saved) {
        String text("The project was not saved; the files already there were left as they were.\n");
        text.append(result.error);
        tellUser(ui, "Save Project", text, MessageIcon::Error);
    }
    return result.saved;
}

bool loadProjectCommand(ImageList& images, ProjectSettings& settings, CommandUi& ui, ClippingData* clippings) {
    std::optional<String> path;
    {
        ShownSystemCursor shown(ui.cursor);
        path = ui.dialogs.openFile(String("Load Project"), projectFilters());
    }
    ui.status.clearKeyTable();
    if (!path || path->length() == 0) return false;

    const ProjectLoadReport report = loadProject(*path, images, settings, ui.status, clippings);
    reportLoadProblems(ui, report);
    return report.opened;
}

bool openDroppedFile(const String& path, ImageList& images, ProjectSettings& settings, CommandUi& ui,
                     unsigned char maskValue, ClippingData* clippings) {
    if (path.endsWith(".qz")) {
        reportLoadProblems(ui, loadProject(path, images, settings, ui.status, clippings));
        return true;
    }
    if (isPictureName(path)) {
        String error;
        const bool added = loadOnePicture(images, path, maskValue, ui.status, &error) >= 0;
        ui.status.setBusy(false);
        if (!added) reportUnreadablePictures(ui, {joined(path, ": ", error)});
        return true;
    }
    String text("Plastora can't handle the file: ");
    text.append(path);
    tellUser(ui, "Filetype unknown", text, MessageIcon::None);
    return false;
}
