#include "app/command_support.h"

#include "app/program_folders.h"
#include "app/terminal_progress.h"
#include "core/xml.h"
#include "project/project_file.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

Settings userSettings() {
    Settings settings;
    const ProgramFolders folders = programFolders();
    for (const String& folder : {folders.settings, folders.data}) {
        if (folder.length() == 0) continue;
        String path = folder;
        path.append(String("config.xml"));
        XmlDocument document;
        if (document.parse(path)) {
            applyConfiguration(document, settings, nullptr);
            break;
        }
    }
    return settings;
}

unsigned char maskValueOf(const Settings& settings) {
    const float value = settings.maskopac;
    if (!std::isfinite(value) || value < 1.0f) return 1;
    return value >= 255.0f ? 255 : static_cast<unsigned char>(value);
}

bool checkWritableFile(const char* command, const char* what, const String& path) {
    String folder = projectFolder(path);
    if (folder.length() == 0) folder = String("./");
    std::error_code error;
    if (!std::filesystem::is_directory(std::filesystem::path(folder.str()), error)) {
        std::fprintf(stderr, "%s: cannot write the %s: the folder '%s' does not exist\n", command, what,
                     folder.text());
        return false;
    }
    if (::access(folder.text(), W_OK | X_OK) != 0) {
        std::fprintf(stderr, "%s: cannot write the %s: the folder '%s' is not writable (%s)\n", command, what,
                     folder.text(), std::strerror(errno));
        return false;
    }
    if (std::filesystem::is_directory(std::filesystem::path(path.str()), error)) {
        std::fprintf(stderr, "%s: cannot write the %s: '%s' is a folder\n", command, what, path.text());
        return false;
    }
    return true;
}

void SaveProgress::setStatus(const String& text) {
    if (text.view().starts_with("Save image and mask ")) {
        display_.step(std::string(text.view()), from_ + percent_ * share_ / 100.0f);
    }
}
