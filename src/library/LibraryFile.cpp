#include "LibraryFile.h"

#include "AtomicFile.h"
#include "Id3Text.h"
#include "ProgramFolder.h"
#include "TextConvert.h"
#include "TrackInfo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspin {

namespace {

// Records read per system call.
constexpr std::size_t RecordsPerRead = 1024;

// Fast trim of filling spaces: most of a record is spaces, so look eight bytes at a time.
std::size_t LengthWithoutSpaces(const char* p, std::size_t n) {
    constexpr std::uint64_t Spaces = 0x2020202020202020ULL;
    while (n >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p + n - 8, 8);
        if (w != Spaces)
            break;
        n -= 8;
    }
    while (n > 0 && p[n - 1] == ' ')
        --n;
    return n;
}

bool IsAscii(std::string_view s) {
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        if (w & 0x8080808080808080ULL)
            return false;
    }
    for (; i < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80)
            return false;
    return true;
}

struct Damage {
    std::size_t overlong = 0;
    std::size_t notUtf8 = 0;
};

void AppendRecord(LibraryLines& lines, const char* record, Damage& damage) {
    std::array<std::string_view, LibraryFieldCount> values;
    std::array<std::string, LibraryFieldCount> decoded;
    std::size_t offset = 0;
    bool overlong = false, notUtf8 = false;
    for (int k = 0; k < LibraryFieldCount; ++k) {
        const std::size_t capacity = LibraryRecordCapacities[k];
        std::size_t length = static_cast<unsigned char>(record[offset]);
        if (length > capacity) {
            length = capacity;
            overlong = true;
        }
        const char* text = record + offset + 1;
        std::string_view value(text, LengthWithoutSpaces(text, length));
        if (IsAscii(value) || IsValidUtf8(value)) {
            values[k] = value;
        } else {
            // Files of the old 8-bit program: Latin-1 keeps their accented letters.
            decoded[k] = id3text::DecodeEightBit(value);
            values[k] = decoded[k];
            notUtf8 = true;
        }
        offset += capacity + 1;
    }
    lines.AppendViews(values);
    damage.overlong += overlong;
    damage.notUtf8 += notUtf8;
}

// The system's words for the error; a step that failed without saying why reports an input/output error.
std::string SystemMessage(int error) {
    return std::strerror(error != 0 ? error : EIO);
}

// A load error names the file: at start nothing else tells the user which file it is.
std::string ReadFailure(const std::string& path, int error) {
    return "The library file " + path + " could not be read: " + SystemMessage(error);
}

std::string Plural(std::size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

class FileCloser {
public:
    explicit FileCloser(int fd) : fd_(fd) {}
    ~FileCloser() { ::close(fd_); }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    int fd_;
};

} // namespace

std::string LibraryFilePath(const std::string& programFolder) {
    return programFolder + "/Organizer/Archive.rol";
}

LibraryFileResult LoadLibrary(LibraryLines& lines, const std::string& path) {
    LibraryFileResult result;
    lines.Clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            result.Ok = false;
            result.Message = ReadFailure(path, errno);
        }
        return result;
    }
    FileCloser closer(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result.Ok = false;
        result.Message = ReadFailure(path, S_ISDIR(st.st_mode) ? EISDIR : errno);
        return result;
    }

    std::string buffer(RecordsPerRead * LibraryRecordSize, '\0');
    std::size_t filled = 0;
    std::size_t total = 0;
    Damage damage;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data() + filled, buffer.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            result.Ok = false;
            result.Message = ReadFailure(path, errno);
            break;
        }
        filled += static_cast<std::size_t>(got);
        total += static_cast<std::size_t>(got);
        std::size_t used = 0;
        while (filled - used >= LibraryRecordSize) {
            AppendRecord(lines, buffer.data() + used, damage);
            used += LibraryRecordSize;
        }
        std::memmove(buffer.data(), buffer.data() + used, filled - used);
        filled -= used;
        if (got == 0)
            break;
    }
    result.Records = lines.Count();
    // The file holds the list in sorted order (every save writes it so); it is not sorted again here,
    // and a played file is put in its place among the loaded entries.
    lines.SetKnownSorted(true);

    std::string damageText;
    if (result.Ok && filled > 0)
        damageText += "The last " + Plural(filled, "byte") + " make no whole record and were ignored.\n";
    if (damage.overlong > 0)
        damageText += Plural(damage.overlong, "record") + " had a field longer than its room; it was cut.\n";
    if (damage.notUtf8 > 0)
        damageText +=
            Plural(damage.notUtf8, "record") + " had text that is not UTF-8; it was read as Latin-1.\n";
    if (!damageText.empty()) {
        damageText.pop_back();
        result.Message = "The library file " + path + " is damaged (" + std::to_string(total) + " bytes, " +
                         Plural(result.Records, "entry") + " kept).\n" + damageText;
    }
    return result;
}

LibraryFileResult SaveLibrary(const LibraryLines& lines, const std::string& path) {
    LibraryFileResult result;
    // The folder is made at start; one removed while running is made again rather than losing the save.
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0)
        ::mkdir(path.substr(0, slash).c_str(), 0777);

    AtomicFile file(path);
    if (!file.Open()) {
        result.Ok = false;
        result.Message = SystemMessage(errno);
        return result;
    }
    std::string record;
    record.reserve(LibraryRecordSize);
    for (LibraryEntry entry : lines.Entries()) {
        record.clear();
        for (int k = 0; k < LibraryFieldCount; ++k) {
            const std::size_t capacity = LibraryRecordCapacities[k];
            record += static_cast<char>(capacity);
            record += FillToWidth(std::string(entry.Value(k + 1)), capacity);
        }
        if (!file.Write(record)) {
            result.Ok = false;
            result.Message = SystemMessage(errno);
            return result;
        }
        ++result.Records;
    }
    if (!file.Commit()) {
        result.Ok = false;
        result.Message = SystemMessage(errno);
    }
    return result;
}

} // namespace larkspin
