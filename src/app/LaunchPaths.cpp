#include "LaunchPaths.h"

#include "FolderSearch.h"
#include "PlaylistFiles.h"

#include <sys/stat.h>

namespace larkspin {

LaunchPaths ResolveLaunchPaths(const std::vector<std::string>& given,
                               const std::vector<std::string>& patterns, const std::atomic<bool>* cancel) {
    LaunchPaths out;
    for (const std::string& path : given) {
        if (cancel && cancel->load())
            break;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            std::vector<std::string> found = SearchFolder(path, patterns, 0, true, cancel);
            SortByFolderAndName(found);
            out.paths.insert(out.paths.end(), std::make_move_iterator(found.begin()),
                             std::make_move_iterator(found.end()));
            continue;
        }
        std::vector<StoredEntry> stored;
        std::vector<PlaylistEntry> te3;
        PlaylistFileOutcome read;
        switch (PlaylistFormatOf(path)) {
        case PlaylistFormat::Te3:
            read = LoadTe3Playlist(path, te3);
            for (const PlaylistEntry& e : te3)
                out.paths.emplace_back(e.Path());
            break;
        case PlaylistFormat::Tel:
            read = LoadTelPlaylist(path, stored);
            break;
        case PlaylistFormat::M3u:
            read = LoadM3uPlaylist(path, stored);
            break;
        case PlaylistFormat::Pls:
            read = LoadPlsPlaylist(path, stored);
            break;
        case PlaylistFormat::Unsupported:
            out.paths.push_back(path);
            break;
        }
        for (const StoredEntry& e : stored)
            out.paths.push_back(e.record[RecordPath]);
        if (!read.ok)
            out.problems.push_back(path + ": " + read.error);
    }
    return out;
}

} // namespace larkspin
