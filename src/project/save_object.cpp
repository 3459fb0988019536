#include "project/save_object.h"

#include "project/picture_import.h"
#include "project/platform_dialogs.h"
#include "sculpt/mesh_export.h"
#include "sculpt/sculpture.h"
#include "sculpt/texture_atlas.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

namespace {

// The run's progress captions on the command's status.
class StatusProgress : public SculptProgress {
public:
    explicit StatusProgress(StatusSink& status) : status_(status) {}
    void step(const std::string& caption, float percent) override {
        status_.setProgress(percent);
        status_.setStatus(String(caption.c_str()));
        status_.drawFrame();
    }

private:
    StatusSink& status_;
};

std::optional<SavedFile> askFileName(CommandUi& ui, const char* title, const std::vector<FileFilter>& filters) {
    std::optional<SavedFile> chosen;
    {
        ShownSystemCursor shown(ui.cursor);
        chosen = ui.dialogs.saveFile(String(title), filters, 0);
    }
    ui.status.clearKeyTable();
    if (chosen && chosen->path.length() == 0) chosen.reset();
    return chosen;
}

void tellFailure(CommandUi& ui, const char* caption, const String& text) {
    {
        ShownSystemCursor shown(ui.cursor);
        ui.dialogs.messageBox(String(caption), text, MessageButtons::Ok, MessageIcon::Error);
    }
    ui.status.clearKeyTable();
}

bool writeTexture(const Sculpture& run, const String& path, CommandUi& ui) {
    StatusProgress progress(ui.status);
    std::string error;
    errno = 0;
    if (saveTexture(run, path, progress, &error)) return true;
    const int reason = errno;
    String text("The texture was not saved; any file already there was left as it was.\n");
    text.append(String(error.c_str()));
    if (reason != 0) text.append(String(": ")).append(String(std::strerror(reason)));
    tellFailure(ui, "Save texture", text);
    return false;
}

bool writeMesh(const Sculpture& run, const String& path, int filterIndex, const String& texturePath, CommandUi& ui) {
    StatusProgress(ui.status).step("Save mesh", 0.0f);
    MeshTexture texture;
    texture.fileName = texturePath;
    texture.image = run.hasTexture() ? &run.textureImage() : nullptr;
    const MeshExportResult written =
        exportMesh(exportMeshOf(run.mesh(), run.hasTexture()), path, meshFormatForFilter(filterIndex), texture);
    if (written.written) return true;
    String text("The mesh was not saved; any file already there was left as it was.\n");
    text.append(written.error);
    tellFailure(ui, "Save mesh", text);
    return false;
}

}  // namespace

const std::vector<FileFilter>& meshSaveFilters() {
    static const std::vector<FileFilter> filters{FileFilter{"obj", "*.obj;"}, FileFilter{"wrl", "*.wrl;"},
                                                 FileFilter{"glb", "*.glb;"}, FileFilter{"ply", "*.ply;"},
                                                 FileFilter{"stl", "*.stl;"}};
    return filters;
}

SaveObjectResult saveObjectCommand(const Sculpture* run, CommandUi& ui) {
    SaveObjectResult result;
    if (run == nullptr || run->objectInfo().triangles == 0) return result;

    int meshFilter = 1;
    if (const std::optional<SavedFile> mesh = askFileName(ui, "Save mesh", meshSaveFilters())) {
        meshFilter = mesh->filterIndex + 1;
        result.meshPath = meshFileNameForFilter(mesh->path, meshFilter);
    }
    if (run->hasTexture()) {
        if (const std::optional<SavedFile> texture = askFileName(ui, "Save texture", pictureSaveFilters())) {
            result.texturePath = textureFileNameForFilter(texture->path, texture->filterIndex + 1);
        }
    }
    if (result.meshPath.length() == 0 && result.texturePath.length() == 0) return result;

    ui.status.setBusy(true);
    if (result.texturePath.length() > 0) {
        result.textureWritten = writeTexture(*run, result.texturePath, ui);
        result.failed |= !result.textureWritten;
    }
    if (result.meshPath.length() > 0) {
        const String named = result.textureWritten ? result.texturePath : String();
        result.meshWritten = writeMesh(*run, result.meshPath, meshFilter, named, ui);
        result.failed |= !result.meshWritten;
    }
    ui.status.setBusy(false);
    return result;
}
