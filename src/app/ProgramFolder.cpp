#include "ProgramFolder.h"

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

std::string ChooseProgramFolder(std::string_view executablePath, std::string_view dataHome) {
    std::string beside = DeriveProgramFolder(executablePath);
    if (access((beside.empty() ? "/" : beside.c_str()), W_OK) == 0)
        return beside;
    std::string folder = std::string(dataHome) + "/larkspin";
    mkdir(std::string(dataHome).c_str(), 0755);
    mkdir(folder.c_str(), 0755);
    return folder;
}

void CreateDataFolders(const std::string& programFolder) {
    for (const char* sub : DataFolders) {
        std::string path = programFolder + sub;
        struct stat st;
        if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            mkdir(path.c_str(), 0755); // failures stay silent: the user of the folder reports them
    }
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
