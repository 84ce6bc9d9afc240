#include "DecodeQueue.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace larkspin {

void DecodeQueue::Fill(const std::vector<std::string>& paths) {
    paths_.assign(paths.begin(), paths.end());
}

std::optional<std::string> DecodeQueue::TakeFirst() {
    if (paths_.empty())
        return std::nullopt;
    std::string first = std::move(paths_.front());
    paths_.pop_front();
    return first;
}

std::string ExtensionWithDot(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return path.substr(dot);
}

std::optional<std::string> DecodeOutputFolder(const std::string& file, DecodeOutput choice,
                                              const std::string& chosenFolder, std::string& error) {
    const std::size_t slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string("./") : file.substr(0, slash + 1);
    switch (choice) {
    case DecodeOutput::ParentDirectory:
        return folder;
    case DecodeOutput::DecodedSubfolder: {
        const std::string sub = folder + "decoded/";
        if (::mkdir(sub.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "Cannot create " + sub + ": " + std::strerror(errno);
            return std::nullopt;
        }
        struct stat st {};
        if (::stat(sub.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            error = sub + " is no folder";
            return std::nullopt;
        }
        return sub;
    }
    case DecodeOutput::ChosenFolder:
        if (chosenFolder.empty()) {
            error = "No output folder chosen";
            return std::nullopt;
        }
        return chosenFolder.back() == '/' ? chosenFolder : chosenFolder + "/";
    }
    return std::nullopt;
}

} // namespace larkspin
