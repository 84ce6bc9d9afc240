#include "FolderWalk.h"

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace larkspin {

namespace {

// The names in a folder (without "." and ".."), in byte order; empty when it cannot be read.
std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string_view name = e->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

bool WalkFolder(const std::string& folder, bool subfolders,
                const std::function<void(const std::string& path, std::string_view name)>& file,
                const std::atomic<bool>* cancel) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    std::set<std::pair<dev_t, ino_t>> visited{{st.st_dev, st.st_ino}};
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
    std::vector<std::string> pending{folder};
    while (!pending.empty() && !cancelled()) {
        const std::string current = std::move(pending.back());
        pending.pop_back();
        std::vector<std::string> inner;
        for (const std::string& name : FolderNames(current)) {
            if (cancelled())
                return true;
            const std::string path = JoinPath(current, name);
            if (::stat(path.c_str(), &st) != 0)
                continue;
            if (S_ISREG(st.st_mode))
                file(path, name);
            else if (S_ISDIR(st.st_mode) && subfolders && !name.starts_with('.') &&
                     visited.insert({st.st_dev, st.st_ino}).second)
                inner.push_back(path);
        }
        pending.insert(pending.end(), inner.rbegin(), inner.rend());
    }
    return true;
}

} // namespace larkspin
