#include "app/program_folders.h"

#include "core/file_io.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

String withSlash(String folder) {
    if (folder.length() > 0 && folder.view().back() != '/') folder.append('/');
    return folder;
}

bool isFolder(const String& path) {
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::path(std::string(path.view())), error);
}

String joined(const String& folder, const char* name) {
    String path = withSlash(folder);
    return path.append(String(name));
}

// PREFIX/share/plastora/ for an executable in PREFIX/bin/; empty otherwise.
String installedDataFolder(const String& executableDirectory) {
    std::string folder(executableDirectory.view());
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    const std::size_t slash = folder.rfind('/');
    if (slash == std::string::npos || folder.substr(slash + 1) != "bin") return String();
    const std::string share = folder.substr(0, slash) + "/share/plastora/";
    const String data(static_cast<int>(share.size()), share.data());
    return isFolder(joined(data, "data")) ? data : String();
}

String userSettingsFolder(const String& xdgConfigHome, const String& home) {
    if (xdgConfigHome.length() > 0 && xdgConfigHome.view().front() == '/') {
        return joined(xdgConfigHome, "plastora/");
    }
    if (home.length() > 0) return joined(home, ".config/plastora/");
    return String();
}

bool canWrite(const String& folder) { return ::access(folder.text(), W_OK | X_OK) == 0; }

String environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? String(value) : String();
}

}  // namespace

ProgramFolders programFoldersFor(const String& executableDirectory, const String& xdgConfigHome, const String& home,
                                 bool (*writable)(const String& folder)) {
    ProgramFolders folders;
    const String beside = withSlash(executableDirectory);
    const String user = userSettingsFolder(xdgConfigHome, home);
    const bool portable = isFolder(joined(beside, "data"));
    const String installed = portable ? String() : installedDataFolder(beside);
    if (installed.length() > 0) {
        folders.installed = true;
        folders.data = installed;
        folders.settings = user.length() > 0 ? user : beside;
        return folders;
    }
    folders.data = beside;
    folders.settings = writable(beside) || user.length() == 0 ? beside : user;
    return folders;
}

ProgramFolders programFolders() {
    String home = environment("HOME");
    if (home.length() == 0) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
            home = String(entry->pw_dir);
        }
    }
    return programFoldersFor(executableDirectory(), environment("XDG_CONFIG_HOME"), home, canWrite);
}

bool prepareSettingsFolder(const ProgramFolders& folders, String& error) {
    if (folders.settings.equals(folders.data.text())) return true;
    std::error_code code;
    std::filesystem::create_directories(std::filesystem::path(std::string(folders.settings.view())), code);
    if (code || !isFolder(folders.settings)) {
        error = String("cannot make the settings folder ").append(folders.settings);
        if (code) error.append(String(": ")).append(String(code.message().c_str()));
        return false;
    }
    const String config = joined(folders.settings, "config.xml");
    if (::access(config.text(), F_OK) == 0) return true;
    std::vector<unsigned char> factory;
    if (!readFile(joined(folders.data, "config.xml"), factory)) {
        error = String("cannot read the factory settings ").append(joined(folders.data, "config.xml"));
        return false;
    }
    if (!replaceFile(config, factory.data(), static_cast<int>(factory.size()))) {
        error = String("cannot write ").append(config);
        return false;
    }
    return true;
}
