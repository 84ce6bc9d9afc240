#include "SkinFolder.h"

#include "AtomicFile.h"
#include "FolderWalk.h"

#include <algorithm>
#include <fnmatch.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace larkspin {
namespace {

bool isFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool readFile(const std::string& path, std::string& data) {
    if (!isFile(path))
        return false;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    data = bytes.str();
    return in.good() || in.eof();
}

// The skin's own logo, else the main logo of the first folder that has one.
std::string logoSource(const std::vector<std::string>& skinsFolders, const std::string& name) {
    for (const std::string& folder : skinsFolders)
        if (isFile(folder + "/" + name + "/" + SkinIniName) &&
            isFile(folder + "/" + name + "/" + SkinLogoName))
            return folder + "/" + name + "/" + SkinLogoName;
    for (const std::string& folder : skinsFolders)
        if (isFile(folder + "/" + MainLogoName))
            return folder + "/" + MainLogoName;
    return {};
}

} // namespace

std::vector<std::string> FindFilesDeep(const std::string& patternPath) {
    std::vector<std::string> found;
    const size_t slash = patternPath.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string("./") : patternPath.substr(0, slash + 1);
    const std::string pattern = slash == std::string::npos ? patternPath : patternPath.substr(slash + 1);
    WalkFolder(folder, true, [&](const std::string& path, std::string_view name) {
        if (fnmatch(pattern.c_str(), std::string(name).c_str(), FNM_CASEFOLD) == 0)
            found.push_back(path);
    });
    return found;
}

std::vector<std::string> SkinNames(const std::vector<std::string>& skinsFolders) {
    std::vector<std::string> names;
    for (const std::string& folder : skinsFolders) {
        for (const std::string& path : FindFilesDeep(folder + "/*.ini")) {
            // The text between the last two slashes.
            const size_t last = path.rfind('/');
            const size_t before = last == 0 ? std::string::npos : path.rfind('/', last - 1);
            names.push_back(path.substr(before + 1, last - before - 1));
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::string SkinIniPath(const std::vector<std::string>& skinsFolders, const std::string& name) {
    for (const std::string& folder : skinsFolders)
        if (isFile(folder + "/" + name + "/" + SkinIniName))
            return folder + "/" + name + "/" + SkinIniName;
    return skinsFolders.empty() ? std::string() : skinsFolders.front() + "/" + name + "/" + SkinIniName;
}

bool CopySkinLogo(const std::vector<std::string>& skinsFolders, const std::string& ownSkins,
                  const std::string& name) {
    std::string data;
    const std::string source = logoSource(skinsFolders, name);
    return !source.empty() && readFile(source, data) &&
           WriteFileAtomically(ownSkins + "/" + ActiveLogoName, data);
}

bool EnsureActiveLogo(const std::vector<std::string>& skinsFolders, const std::string& ownSkins,
                      const std::string& name) {
    if (isFile(ownSkins + "/" + ActiveLogoName))
        return true;
    return CopySkinLogo(skinsFolders, ownSkins, name);
}

} // namespace larkspin
