// M3U/M3U8 and PLS: text playlists naming one file per entry.
#include "PlaylistFiles.h"

#include "AtomicFile.h"
#include "FileNameParts.h"
#include "FileUrls.h"
#include "Id3Text.h"
#include "PlaylistLimits.h"
#include "TextConvert.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace larkspin {

namespace {

// A longer line is no playlist line; it is skipped rather than held in memory.
constexpr std::size_t MaxLineBytes = 64 * 1024;

std::string SystemError(const char* what, const std::string& fileName) {
    return std::string(what) + " " + fileName + ": " + std::strerror(errno);
}

// Calls take(line) for every line of the file as UTF-8 (a line that is no UTF-8 is read as Latin-1),
// without its line end and a leading byte-order mark.
template <class Take> PlaylistFileOutcome ReadLines(const std::string& fileName, Take take) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"), std::fclose);
    if (!file)
        return {false, SystemError("Cannot open", fileName)};
    struct stat st {};
    if (::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode))
        return {false, "Not a playlist file: " + fileName};
    std::string line;
    bool tooLong = false;
    bool first = true;
    auto finish = [&]() {
        if (!tooLong) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (first && line.starts_with("\xEF\xBB\xBF"))
                line.erase(0, 3);
            take(IsValidUtf8(line) ? line : id3text::DecodeEightBit(line));
        }
        first = false;
        tooLong = false;
        line.clear();
    };
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        for (std::size_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                finish();
            } else if (!tooLong) {
                line.push_back(c);
                if (line.size() > MaxLineBytes) {
                    tooLong = true;
                    line.clear();
                    line.shrink_to_fit();
                }
            }
        }
        if (got < buffer.size()) {
            if (std::ferror(file.get()))
                return {false, SystemError("Cannot read", fileName)};
            if (!line.empty() || tooLong)
                finish();
            return {};
        }
    }
}

bool HasScheme(std::string_view s) {
    const std::size_t colon = s.find("://");
    if (colon == std::string_view::npos || colon == 0)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = s[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
              (i > 0 && ((c >= '0' && c <= '9') || c == '+'))))
            return false;
    }
    return true;
}

std::string ListFolder(const std::string& fileName) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(fileName, ec);
    if (ec)
        absolute = fileName;
    return absolute.lexically_normal().parent_path().string();
}

// A path line of the list as the path of the entry: file:// addresses decoded, relative paths resolved
// against the list's folder; other addresses kept as written.
std::string ResolveEntryPath(std::string line, const std::string& folder) {
    if (const std::optional<std::string> local = LocalPathOfFileUrl(line))
        return *local;
    if (HasScheme(line))
        return line;
    // A list made on Windows separates with backslashes.
    if (line.find('/') == std::string::npos)
        for (char& c : line)
            if (c == '\\')
                c = '/';
    if (line.starts_with('/'))
        return std::filesystem::path(line).lexically_normal().string();
    return (std::filesystem::path(folder) / line).lexically_normal().string();
}

std::string LengthText(long seconds) {
    if (seconds <= 0)
        return NoValueText;
    const long s = seconds % 60;
    return std::to_string(seconds / 60) + ":" + (s < 10 ? "0" : "") + std::to_string(s);
}

long ParseSeconds(std::string_view s) {
    const std::string trimmed = TrimControls(s);
    if (trimmed.empty() || trimmed.size() > 9)
        return -1;
    bool negative = trimmed[0] == '-';
    long value = 0;
    for (std::size_t i = negative ? 1 : 0; i < trimmed.size(); ++i) {
        if (trimmed[i] < '0' || trimmed[i] > '9')
            return -1;
        value = value * 10 + (trimmed[i] - '0');
    }
    return negative ? -1 : value;
}

// "m:ss" or "h:mm:ss" (the display texts of lengths) as seconds; -1 for anything else.
long LengthSeconds(std::string_view length) {
    long total = 0;
    int parts = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = length.find(':', start);
        const long part =
            ParseSeconds(length.substr(start, colon == std::string_view::npos ? colon : colon - start));
        if (part < 0 || ++parts > 3)
            return -1;
        total = total * 60 + part;
        if (colon == std::string_view::npos)
            break;
        start = colon + 1;
    }
    return parts >= 2 ? total : -1;
}

// An entry from a path and, when the list gives one, a display title "Artist - Title" and a length.
StoredEntry MakeEntry(std::string path, const std::optional<std::string>& title, long seconds) {
    StoredEntry e;
    for (int k = RecordLength; k <= RecordSize; ++k)
        e.record[static_cast<std::size_t>(k)] = NoValueText;
    if (title) {
        const std::size_t dash = title->find(" - ");
        if (dash == std::string::npos) {
            e.record[RecordTitle] = *title;
        } else {
            e.record[RecordArtist] = title->substr(0, dash);
            e.record[RecordTitle] = title->substr(dash + 3);
        }
        e.record[RecordLength] = LengthText(seconds);
    }
    e.readFromFile = !title || ReadsTrackInfo(path);
    e.record[RecordPath] = std::move(path);
    return e;
}

bool Full(const std::vector<StoredEntry>& entries, std::size_t before) {
    return entries.size() - before >= MaxPlaylistEntries;
}

// "Artist - Title" (or the title alone) on one line, as text lists store it.
std::string OneLineTitle(const PlaylistEntry& entry) {
    const std::string_view artist = entry.Field(RecordArtist);
    std::string info;
    if (!artist.empty())
        info.append(artist).append(" - ");
    info.append(entry.Field(RecordTitle));
    for (char& c : info) // a title never breaks the line
        if (c == '\r' || c == '\n')
            c = ' ';
    return info;
}

// The path as a text list stores it: relative below the list's folder, absolute elsewhere. A name the
// line-based readers would change (a line break, blanks at either end, bytes that are no UTF-8 and would
// be read as Latin-1) is stored as a file:// address, which keeps its bytes.
std::string StoredPath(std::string_view entryPath, const std::string& folder) {
    const std::string path(entryPath);
    std::string stored = path;
    if (!HasScheme(path) && path.starts_with('/')) {
        const std::string prefix = folder == "/" ? folder : folder + "/";
        const std::string normal = std::filesystem::path(path).lexically_normal().string();
        if (normal.starts_with(prefix) && normal.size() > prefix.size())
            stored = normal.substr(prefix.size());
    }
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    const bool changedOnReading = stored.find_first_of("\r\n") != std::string::npos || !IsValidUtf8(stored) ||
                                  (!stored.empty() && (blank(stored.front()) || blank(stored.back())));
    if (changedOnReading && path.starts_with('/'))
        return "file://" + PercentEncodePath(path);
    return stored;
}

} // namespace

PlaylistFileOutcome LoadM3uPlaylist(const std::string& fileName, std::vector<StoredEntry>& entries) {
    const std::string folder = ListFolder(fileName);
    const std::size_t before = entries.size();
    std::optional<std::string> title;
    long seconds = -1;
    bool full = false;
    PlaylistFileOutcome outcome = ReadLines(fileName, [&](const std::string& raw) {
        const std::string line = TrimControls(raw);
        if (line.empty() || full)
            return;
        if (line.starts_with('#')) {
            if (line.starts_with("#EXTINF:")) {
                const std::size_t comma = line.find(',');
                seconds = ParseSeconds(
                    std::string_view(line).substr(8, comma == std::string::npos ? comma : comma - 8));
                title = comma == std::string::npos ? std::string() : line.substr(comma + 1);
            }
            return;
        }
        if (Full(entries, before)) {
            full = true;
            return;
        }
        entries.push_back(MakeEntry(ResolveEntryPath(line, folder), title, seconds));
        title.reset();
        seconds = -1;
    });
    if (outcome.ok && full)
        return {false, TooManyEntriesMessage(fileName)};
    return outcome;
}

PlaylistFileOutcome SaveM3uPlaylist(const std::string& fileName, const std::vector<PlaylistEntry>& entries) {
    const std::string folder = ListFolder(fileName);
    std::string text = "#EXTM3U\n";
    for (const PlaylistEntry& entry : entries) {
        text += "#EXTINF:" + std::to_string(LengthSeconds(entry.Field(RecordLength))) + "," +
                OneLineTitle(entry) + "\n";
        std::string path = StoredPath(entry.Path(), folder);
        if (path.starts_with('#'))
            path = "./" + path; // not a comment line
        text += path;
        text += '\n';
    }
    if (!WriteFileAtomically(fileName, text))
        return {false, SystemError("Cannot write", fileName)};
    return {};
}

PlaylistFileOutcome SavePlsPlaylist(const std::string& fileName, const std::vector<PlaylistEntry>& entries) {
    const std::string folder = ListFolder(fileName);
    std::string text = "[playlist]\n";
    std::size_t n = 0;
    for (const PlaylistEntry& entry : entries) {
        const std::string number = std::to_string(++n);
        text += "File" + number + "=" + StoredPath(entry.Path(), folder) + "\n";
        text += "Title" + number + "=" + OneLineTitle(entry) + "\n";
        text += "Length" + number + "=" + std::to_string(LengthSeconds(entry.Field(RecordLength))) + "\n";
    }
    text += "NumberOfEntries=" + std::to_string(n) + "\nVersion=2\n";
    if (!WriteFileAtomically(fileName, text))
        return {false, SystemError("Cannot write", fileName)};
    return {};
}

PlaylistFileOutcome LoadPlsPlaylist(const std::string& fileName, std::vector<StoredEntry>& entries) {
    const std::string folder = ListFolder(fileName);
    struct Item {
        std::string file;
        std::optional<std::string> title;
        long seconds = -1;
    };
    std::map<long, Item> items;
    bool full = false;
    PlaylistFileOutcome outcome = ReadLines(fileName, [&](const std::string& raw) {
        const std::string line = TrimControls(raw);
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            return;
        const std::string key = UpperAscii(TrimControls(std::string_view(line).substr(0, eq)));
        const std::string value = TrimControls(std::string_view(line).substr(eq + 1));
        std::string_view name = key;
        for (const char* prefix : {"FILE", "TITLE", "LENGTH"}) {
            if (!name.starts_with(prefix))
                continue;
            const long n = ParseSeconds(name.substr(std::strlen(prefix)));
            if (n < 0)
                return;
            if (items.size() >= MaxPlaylistEntries && !items.contains(n)) {
                full = true;
                return;
            }
            Item& item = items[n];
            if (prefix[0] == 'F')
                item.file = value;
            else if (prefix[0] == 'T')
                item.title = value;
            else
                item.seconds = ParseSeconds(value);
            return;
        }
    });
    for (auto& [n, item] : items)
        if (!item.file.empty())
            entries.push_back(MakeEntry(ResolveEntryPath(item.file, folder), item.title, item.seconds));
    if (outcome.ok && full)
        return {false, TooManyEntriesMessage(fileName)};
    return outcome;
}

} // namespace larkspin
