#include "CueSheet.h"

#include "WavReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace larkspin {

namespace {

// A sheet is a few kilobytes; anything far bigger is no sheet.
constexpr std::int64_t MaxSheetBytes = 1024 * 1024;

struct SheetFile {
    std::string name;
    std::string type; // upper case
    int line = 0;
};

struct SheetTrack {
    int number = 0;
    std::string mode; // upper case
    int sectorBytes = CueSectorBytes;
    int rawOffset = 0;
    bool audio = true;
    std::int64_t pregap = 0;
    std::int64_t postgap = 0;
    bool hasIndex1 = false;
    int lastIndex = -1;
    int line = 0;
};

// An INDEX line: where in which file a track's index lies.
struct SheetPoint {
    int track = 0; // into tracks
    int index = 0;
    int file = 0; // into files
    std::int64_t frame = 0;
    int line = 0;
};

struct Sheet {
    std::vector<SheetFile> files;
    std::vector<SheetTrack> tracks;
    std::vector<SheetPoint> points; // in sheet order
};

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& s) {
    size_t first = 0, last = s.size();
    while (first < last && IsBlank(s[first]))
        ++first;
    while (last > first && IsBlank(s[last - 1]))
        --last;
    return s.substr(first, last - first);
}

// The words of a line; a quoted word keeps its blanks and loses its quotes.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size())
            break;
        if (line[i] == '"') {
            const size_t end = line.find('"', i + 1);
            words.push_back(line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1));
            i = end == std::string::npos ? line.size() : end + 1;
        } else {
            size_t end = i;
            while (end < line.size() && !IsBlank(line[end]))
                ++end;
            words.push_back(line.substr(i, end - i));
            i = end;
        }
    }
    return words;
}

// A whole number of at most maxDigits digits.
std::optional<int> Number(const std::string& text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "mm:ss:ff" as sectors (75 a second).
std::optional<std::int64_t> Time(const std::string& text) {
    const size_t a = text.find(':');
    const size_t b = a == std::string::npos ? a : text.find(':', a + 1);
    if (b == std::string::npos)
        return std::nullopt;
    const auto mm = Number(text.substr(0, a), 4);
    const auto ss = Number(text.substr(a + 1, b - a - 1), 2);
    const auto ff = Number(text.substr(b + 1), 2);
    if (!mm || !ss || !ff || *ss > 59 || *ff > 74)
        return std::nullopt;
    return (static_cast<std::int64_t>(*mm) * 60 + *ss) * 75 + *ff;
}

// Bytes per sector in the file and where they sit in a raw sector, for a TRACK's mode.
bool ModeSizes(const std::string& mode, SheetTrack& track) {
    struct Mode {
        const char* name;
        int bytes;
        int offset;
    };
    static const Mode modes[] = {{"AUDIO", 2352, 0},       {"CDG", 2448, 0},         {"MODE1/2048", 2048, 16},
                                 {"MODE1/2352", 2352, 0},  {"MODE2/2048", 2048, 24}, {"MODE2/2324", 2324, 24},
                                 {"MODE2/2336", 2336, 16}, {"MODE2/2352", 2352, 0},  {"CDI/2336", 2336, 16},
                                 {"CDI/2352", 2352, 0}};
    for (const Mode& m : modes)
        if (mode == m.name) {
            track.sectorBytes = m.bytes;
            track.rawOffset = m.offset;
            track.audio = mode == "AUDIO";
            return true;
        }
    return false;
}

std::string LineText(int line) {
    return "Line " + std::to_string(line) + ": ";
}

std::string TimeText(std::int64_t frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(frames / 4500),
                  static_cast<int>(frames / 75 % 60), static_cast<int>(frames % 75));
    return text;
}

bool ParseLines(const std::string& text, Sheet& sheet, std::string& error) {
    size_t pos = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        pos = 3;
    int lineNumber = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
        ++lineNumber;
        const std::vector<std::string> words = Words(line);
        if (words.empty())
            continue;
        const std::string keyword = Upper(words[0]);
        const std::string at = LineText(lineNumber);
        if (keyword == "FILE") {
            SheetFile file;
            file.line = lineNumber;
            const size_t keywordStart = line.find_first_not_of(" \t");
            const size_t keywordEnd = line.find_first_of(" \t", keywordStart);
            const std::string rest =
                keywordEnd == std::string::npos ? std::string() : Trimmed(line.substr(keywordEnd));
            if (!rest.empty() && rest[0] == '"') {
                const size_t close = rest.find('"', 1);
                if (close == std::string::npos) {
                    error = at + "the file name has no closing quote";
                    return false;
                }
                file.name = rest.substr(1, close - 1);
                const std::vector<std::string> after = Words(rest.substr(close + 1));
                file.type = after.empty() ? std::string() : Upper(after[0]);
            } else {
                // An unquoted name may hold blanks: the type is the last word.
                const size_t blank = rest.find_last_of(" \t");
                if (blank != std::string::npos) {
                    file.name = Trimmed(rest.substr(0, blank));
                    file.type = Upper(rest.substr(blank + 1));
                }
            }
            if (file.name.empty() || file.type.empty()) {
                error = at + "FILE needs a name and a type";
                return false;
            }
            if (file.type != "BINARY" && file.type != "MOTOROLA" && file.type != "WAVE") {
                error = "\"" + file.name + "\" is a " + file.type +
                        " file; only BINARY, MOTOROLA and WAVE files can be read";
                return false;
            }
            sheet.files.push_back(file);
        } else if (keyword == "TRACK") {
            if (sheet.files.empty()) {
                error = at + "TRACK comes before any FILE";
                return false;
            }
            SheetTrack track;
            track.line = lineNumber;
            const auto number = words.size() > 1 ? Number(words[1], 2) : std::nullopt;
            if (!number || *number < 1) {
                error = at + "a TRACK needs a number from 1 to 99";
                return false;
            }
            track.number = *number;
            if (!sheet.tracks.empty() && track.number != sheet.tracks.back().number + 1) {
                error = at + "track " + std::to_string(track.number) + " does not follow track " +
                        std::to_string(sheet.tracks.back().number);
                return false;
            }
            track.mode = words.size() > 2 ? Upper(words[2]) : std::string();
            if (!ModeSizes(track.mode, track)) {
                error = at + "unknown track type \"" + (words.size() > 2 ? words[2] : std::string()) + "\"";
                return false;
            }
            sheet.tracks.push_back(track);
        } else if (keyword == "INDEX" || keyword == "PREGAP" || keyword == "POSTGAP") {
            if (sheet.tracks.empty()) {
                error = at + keyword + " comes before any TRACK";
                return false;
            }
            SheetTrack& track = sheet.tracks.back();
            const bool isIndex = keyword == "INDEX";
            const size_t timeWord = isIndex ? 2 : 1;
            const auto time = words.size() > timeWord ? Time(words[timeWord]) : std::nullopt;
            if (!time) {
                error = at + "bad time \"" + (words.size() > timeWord ? words[timeWord] : std::string()) +
                        "\" (mm:ss:ff expected)";
                return false;
            }
            if (keyword == "PREGAP") {
                track.pregap = *time;
                continue;
            }
            if (keyword == "POSTGAP") {
                track.postgap = *time;
                continue;
            }
            const auto index = Number(words[1], 2);
            if (!index) {
                error = at + "bad INDEX number \"" + words[1] + "\"";
                return false;
            }
            if (*index <= track.lastIndex || (track.lastIndex < 0 && *index > 1)) {
                error = at + "INDEX " + words[1] + " is out of order";
                return false;
            }
            track.lastIndex = *index;
            track.hasIndex1 = track.hasIndex1 || *index == 1;
            sheet.points.push_back({static_cast<int>(sheet.tracks.size()) - 1, *index,
                                    static_cast<int>(sheet.files.size()) - 1, *time, lineNumber});
        }
        // REM, TITLE, PERFORMER, FLAGS, ISRC, CATALOG ... say nothing about where the sectors are.
    }
    if (sheet.tracks.empty()) {
        error = "The sheet has no tracks";
        return false;
    }
    for (const SheetTrack& track : sheet.tracks)
        if (!track.hasIndex1) {
            error = LineText(track.line) + "track " + std::to_string(track.number) + " has no INDEX 01";
            return false;
        }
    return true;
}

bool IsRegular(const std::string& path, bool& exists) {
    struct stat info {};
    exists = ::stat(path.c_str(), &info) == 0;
    return exists && S_ISREG(info.st_mode);
}

// Where the file a sheet names is: as written (relative to the sheet's folder), else its last part
// in the sheet's folder in any case (sheets written on other systems name "C:\Rips\Album.wav" or
// "ALBUM.BIN").
std::string FindFile(const std::string& name, const std::string& folder) {
    const std::string written = !name.empty() && name[0] == '/' ? name : folder + "/" + name;
    bool exists = false;
    IsRegular(written, exists);
    if (exists)
        return written;
    const size_t cut = name.find_last_of("/\\");
    const std::string base = Upper(cut == std::string::npos ? name : name.substr(cut + 1));
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec))
        if (Upper(it->path().filename().string()) == base)
            return it->path().string();
    return {};
}

bool StartsAsWave(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    char head[12] = {};
    const bool wave = ::pread(fd, head, sizeof head, 0) == 12 && std::memcmp(head, "RIFF", 4) == 0 &&
                      std::memcmp(head + 8, "WAVE", 4) == 0;
    ::close(fd);
    return wave;
}

bool ResolveFile(const SheetFile& entry, const std::string& folder, CueFile& file, std::string& error) {
    file.Name = entry.name;
    file.Path = FindFile(entry.name, folder);
    const std::string quoted = "\"" + entry.name + "\"";
    bool exists = false;
    if (file.Path.empty()) {
        error = "The file " + quoted + " named in the sheet is missing";
        return false;
    }
    if (!IsRegular(file.Path, exists)) {
        error = quoted + " is not a regular file";
        return false;
    }
    file.Type = entry.type == "WAVE"       ? CueFileType::Wave
                : entry.type == "MOTOROLA" ? CueFileType::Motorola
                                           : CueFileType::Binary;
    // Sheets often call a WAV file BINARY; its header is no audio.
    if (file.Type == CueFileType::Binary && StartsAsWave(file.Path))
        file.Type = CueFileType::Wave;
    if (file.Type == CueFileType::Wave) {
        WavReader wav;
        if (!wav.Open(file.Path)) {
            error = quoted + " " + wav.ProblemText();
            return false;
        }
        const WavFormat& format = wav.Format();
        if (format.channels != 2 || format.sampleRate != 44100 || format.bitsPerSample != 16) {
            error = quoted + " is not 44.1 kHz 16-bit stereo, as CD audio is";
            return false;
        }
        file.DataOffset = format.dataOffset;
        file.DataBytes = format.frames * 4;
        return true;
    }
    struct stat info {};
    if (::stat(file.Path.c_str(), &info) != 0) {
        error = "The file " + quoted + " named in the sheet is missing";
        return false;
    }
    file.DataBytes = info.st_size;
    return true;
}

struct Builder {
    DiscLayout& layout;
    std::string& error;
    std::int64_t sector = 0;

    bool tooLong() {
        if (sector <= CueMaxDiscSectors)
            return false;
        error = "The image is longer than a CD can be (99:59:74)";
        return true;
    }
    bool silence(std::int64_t sectors) {
        if (sectors <= 0)
            return true;
        layout.Spans.push_back({static_cast<std::int32_t>(sector),
                                static_cast<std::int32_t>(std::min<std::int64_t>(sectors, INT32_MAX))});
        sector += sectors;
        return !tooLong();
    }
    bool data(std::int64_t sectors, int file, std::int64_t byteOffset, const SheetTrack& owner) {
        if (sectors <= 0)
            return true;
        CueSpan span;
        span.FirstSector = static_cast<std::int32_t>(sector);
        span.Sectors = static_cast<std::int32_t>(std::min<std::int64_t>(sectors, INT32_MAX));
        span.File = file;
        span.ByteOffset = byteOffset;
        span.SectorBytes = owner.sectorBytes;
        span.RawOffset = owner.rawOffset;
        span.SwapBytes = owner.audio && layout.Files[static_cast<size_t>(file)].Type == CueFileType::Motorola;
        layout.Spans.push_back(span);
        sector += sectors;
        return !tooLong();
    }
};

bool LayOut(const Sheet& sheet, DiscLayout& layout, std::string& error) {
    Builder build{layout, error};
    layout.Tracks.resize(sheet.tracks.size());
    std::vector<bool> started(sheet.tracks.size(), false);
    int owner = -1;  // the track whose sectors are being read
    size_t next = 0; // into sheet.points
    for (size_t f = 0; f < layout.Files.size(); ++f) {
        const CueFile& file = layout.Files[f];
        if (owner < 0) {
            if (next >= sheet.points.size() || sheet.points[next].file != static_cast<int>(f)) {
                error = LineText(sheet.files[f].line) + "the file \"" + file.Name + "\" holds no track";
                return false;
            }
            owner = sheet.points[next].track;
        }
        std::int64_t frame = 0, byte = 0;
        for (; next < sheet.points.size() && sheet.points[next].file == static_cast<int>(f); ++next) {
            const SheetPoint& point = sheet.points[next];
            const std::string at = LineText(point.line);
            if (point.frame < frame) {
                error = at + "INDEX " + TimeText(point.frame) + " lies before the INDEX above it";
                return false;
            }
            const SheetTrack& ownerTrack = sheet.tracks[static_cast<size_t>(owner)];
            const std::int64_t bytes = (point.frame - frame) * ownerTrack.sectorBytes;
            if (bytes > file.DataBytes - byte) {
                error = at + "INDEX " + TimeText(point.frame) + " lies past the end of \"" + file.Name + "\"";
                return false;
            }
            if (!build.data(point.frame - frame, static_cast<int>(f), file.DataOffset + byte, ownerTrack))
                return false;
            byte += bytes;
            frame = point.frame;
            const auto t = static_cast<size_t>(point.track);
            CueTrack& track = layout.Tracks[t];
            if (!started[t]) {
                // A track's gaps come before its first index: the one before's POSTGAP, then its PREGAP.
                if (t > 0 && !build.silence(sheet.tracks[t - 1].postgap))
                    return false;
                const std::int64_t gapStart = build.sector;
                if (!build.silence(sheet.tracks[t].pregap))
                    return false;
                if (sheet.tracks[t].pregap > 0)
                    track.Index0 = static_cast<std::int32_t>(gapStart);
                started[t] = true;
                owner = point.track;
            }
            if (point.index == 0 && track.Index0 < 0)
                track.Index0 = static_cast<std::int32_t>(build.sector);
            if (point.index == 1)
                track.Start = static_cast<std::int32_t>(build.sector);
        }
        const SheetTrack& ownerTrack = sheet.tracks[static_cast<size_t>(owner)];
        if (!build.data((file.DataBytes - byte) / ownerTrack.sectorBytes, static_cast<int>(f),
                        file.DataOffset + byte, ownerTrack))
            return false;
    }
    if (!build.silence(sheet.tracks.back().postgap))
        return false;
    layout.LeadOut = static_cast<std::int32_t>(build.sector);
    for (size_t t = 0; t < sheet.tracks.size(); ++t) {
        CueTrack& track = layout.Tracks[t];
        track.Number = sheet.tracks[t].number;
        track.Mode = sheet.tracks[t].mode;
        track.Audio = sheet.tracks[t].audio;
        const std::int32_t end = t + 1 < sheet.tracks.size() ? layout.Tracks[t + 1].Start : layout.LeadOut;
        if (track.Start >= end) {
            error =
                LineText(sheet.tracks[t].line) + "track " + std::to_string(track.Number) + " has no sectors";
            return false;
        }
    }
    return true;
}

} // namespace

bool ParseCueSheet(const std::string& text, const std::string& folder, DiscLayout& layout,
                   std::string& error) {
    layout = DiscLayout{};
    error.clear();
    Sheet sheet;
    bool ok = ParseLines(text, sheet, error);
    layout.Files.resize(sheet.files.size());
    for (size_t f = 0; ok && f < sheet.files.size(); ++f)
        ok = ResolveFile(sheet.files[f], folder, layout.Files[f], error);
    ok = ok && LayOut(sheet, layout, error);
    if (!ok)
        layout = DiscLayout{};
    return ok;
}

bool ReadCueSheet(const std::string& cuePath, DiscLayout& layout, std::string& error) {
    layout = DiscLayout{};
    error.clear();
    const std::string quoted = "\"" + cuePath + "\"";
    // Opened without waiting, so a FIFO named like a sheet cannot block; only a regular file is read.
    const int fd = ::open(cuePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "Cannot open the CUE sheet " + quoted + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    std::string text;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        error = quoted + " is not a regular file";
    else if (info.st_size > MaxSheetBytes)
        error = quoted + " is too big for a CUE sheet";
    else {
        text.resize(static_cast<size_t>(info.st_size));
        size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        text.resize(got);
    }
    ::close(fd);
    if (!error.empty())
        return false;
    const size_t slash = cuePath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : cuePath.substr(0, slash);
    return ParseCueSheet(text, folder, layout, error);
}

} // namespace larkspin
