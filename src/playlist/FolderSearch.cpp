#include "FolderSearch.h"

namespace larkspin {

std::string JoinedTypeList(const std::vector<std::string>& typeTexts) {
    std::string joined;
    for (const auto& t : typeTexts)
        joined += t;
    return joined;
}

bool IsCompatibleName(std::string_view, std::string_view) {
    return false;
}
std::vector<std::string> AddDirectoryPatterns(const std::vector<std::string>&) {
    return {};
}
bool WildcardMatch(std::string_view, std::string_view) {
    return false;
}
std::vector<std::string> ListFolderFiles(const std::string&, const std::vector<std::string>&, bool,
                                         const std::atomic<bool>*) {
    return {};
}
std::vector<std::string> SearchFolder(const std::string&, const std::vector<std::string>&, int, bool,
                                      const std::atomic<bool>*) {
    return {};
}
std::vector<std::string> FolderFileNames(const std::string&) {
    return {};
}

} // namespace larkspin
