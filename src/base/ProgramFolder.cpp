#include "ProgramFolder.h"

#include "AtomicFile.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspin {

std::string DeriveProgramFolder(std::string_view executablePath) {
    size_t slash = executablePath.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    std::string folder(executablePath.substr(0, slash + 1));
    if (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder;
}

namespace {

// Creates path and every missing parent; failures stay silent, the folder's users report them.
void createPath(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        struct stat st;
        if (!part.empty() && stat(part.c_str(), &st) != 0)
            mkdir(part.c_str(), 0755);
        if (slash == std::string::npos)
            return;
    }
}

bool holdsAnything(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return false;
    bool any = false;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            any = true;
            break;
        }
    }
    closedir(dir);
    return any;
}

} // namespace

std::string ChooseOutputFolder(const std::string& musicFolder, const std::string& home) {
    for (const std::string& folder : {musicFolder, home}) {
        struct stat st {};
        if (!folder.empty() && folder.front() == '/' && ::stat(folder.c_str(), &st) == 0 &&
            S_ISDIR(st.st_mode))
            return folder.back() == '/' ? folder : folder + "/";
    }
    return "/";
}

std::string ChooseProgramFolder(std::string_view executablePath, std::string_view dataHome) {
    std::string beside = DeriveProgramFolder(executablePath);
    if (access((beside.empty() ? "/" : beside.c_str()), W_OK) == 0)
        return beside;
    std::string folder = std::string(dataHome) + "/larkspin";
    createPath(folder);
    return folder;
}

InstalledFolders InstalledResourceFolders(std::string_view executablePath) {
    const std::string bin = DeriveProgramFolder(executablePath);
    const std::string prefix = DeriveProgramFolder(bin);
    return {prefix + "/lib/larkspin", prefix + "/share/larkspin"};
}

std::string ResourceFolder(const std::string& programFolder, const std::string& installedFolder,
                           std::string_view relative) {
    const std::string own = programFolder + std::string(relative);
    if (holdsAnything(own))
        return own;
    const std::string installed = installedFolder + std::string(relative);
    return holdsAnything(installed) ? installed : own;
}

void CreateDataFolders(const std::string& programFolder) {
    for (const char* sub : DataFolders) {
        std::string path = programFolder + sub;
        struct stat st;
        if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            mkdir(path.c_str(), 0755); // failures stay silent: the user of the folder reports them
    }
}

int RemoveLeftoverTemporaryFiles(const std::string& programFolder) {
    int removed = RemoveStaleTemporaryFiles(programFolder);
    for (const char* sub : DataFolders)
        removed += RemoveStaleTemporaryFiles(programFolder + sub);
    return removed;
}

std::string SettingsFilePath(const std::string& programFolder, std::string_view executablePath) {
    std::string_view name = executablePath.substr(executablePath.rfind('/') + 1);
    if (size_t dot = name.rfind('.'); dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    return programFolder + "/" + std::string(name) + ".ini";
}

} // namespace larkspin

namespace larkspin {

std::string& programFolder() {
    static std::string folder;
    return folder;
}

} // namespace larkspin
