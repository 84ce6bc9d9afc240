#include "OutputNames.h"

namespace larkspin {

std::string OutputFileName(const std::string& source, const std::string& outputFolder,
                           const std::string& extension) {
    const std::size_t slash = source.rfind('/');
    std::string base = slash == std::string::npos ? source : source.substr(slash + 1);
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0)
        base.resize(dot);
    std::string folder = outputFolder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder + "/" + base + "." + extension;
}

} // namespace larkspin
