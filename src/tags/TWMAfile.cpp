#include "TWMAfile.h"

#include "ByteReading.h"
#include "TextConvert.h"

#include <algorithm>
#include <cstring>

namespace larkspin {

namespace {

using Guid = unsigned char[16];

// GUIDs as they are stored in the file (the first three groups little-endian).
constexpr Guid HeaderObject = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                               0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid FilePropertiesObject = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                       0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr Guid StreamPropertiesObject = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                         0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr Guid ContentDescriptionObject = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                           0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid ExtendedContentDescriptionObject = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                                                   0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};

enum Text { TitleText, ArtistText, AlbumText, TrackText, YearField, GenreText, CommentText, TextCount };

constexpr const char* DescriptorNames[TextCount] = {"WM/TITLE", "WM/AUTHOR", "WM/ALBUMTITLE", "WM/TRACK",
                                                    "WM/YEAR",  "WM/GENRE",  "WM/DESCRIPTION"};

struct FileData {
    int64_t fileSize = 0;
    uint32_t maxBitrate = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t bytesPerSecond = 0;
    std::string texts[TextCount]; // UTF-8
};

// The bytes of the header: the Header Object, as long as it says it is (up to MaxTagBlockBytes), comes
// in one read when it is longer than the cached head of the file, so its many small fields cost no
// read each. Bytes outside it come from the file.
class HeaderBytes {
public:
    explicit HeaderBytes(const FileBytes& file) : file_(file) {}

    void Load(std::uint64_t headerSize) {
        if (headerSize <= file_.Head().size() || headerSize > MaxTagBlockBytes)
            return;
        header_.resize(static_cast<std::size_t>(headerSize));
        const std::int64_t got =
            file_.Read(0, header_.size(), reinterpret_cast<std::uint8_t*>(header_.data()));
        header_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }

    bool Read(int64_t offset, void* out, size_t n) const {
        if (offset >= 0 && offset + static_cast<int64_t>(n) <= static_cast<int64_t>(header_.size())) {
            std::memcpy(out, header_.data() + offset, n);
            return true;
        }
        return bytes::ReadExact(file_, offset, out, n);
    }

private:
    const FileBytes& file_;
    std::string header_;
};

// Reads inside one header object: nothing past the object's end (or the file's) is taken.
class ObjectReader {
public:
    ObjectReader(const HeaderBytes& src, int64_t start, int64_t end) : src_(src), pos_(start), end_(end) {}

    bool Bytes(void* out, size_t n) {
        if (end_ - pos_ < static_cast<int64_t>(n) || !src_.Read(pos_, out, n))
            return false;
        pos_ += static_cast<int64_t>(n);
        return true;
    }
    bool U16(uint16_t& v) {
        unsigned char b[2];
        if (!Bytes(b, 2))
            return false;
        v = bytes::LE16(b);
        return true;
    }
    bool Skip(int64_t n) {
        if (end_ - pos_ < n)
            return false;
        pos_ += n;
        return true;
    }
    // A UTF-16 string of byteLength bytes: the first 500 are decoded, the rest skipped.
    bool String(uint16_t byteLength, std::string& out) {
        const size_t used = std::min<size_t>(byteLength, TWMAfile::MaxStringBytes);
        std::string raw(used, '\0');
        if (!Bytes(raw.data(), used) || !Skip(byteLength - static_cast<int64_t>(used)))
            return false;
        out = DecodeUtf16(raw);
        return true;
    }

private:
    const HeaderBytes& src_;
    int64_t pos_;
    int64_t end_;
};

// A fixed-offset number of an object; absent when the object is too short to hold it.
bool FieldAt(const HeaderBytes& src, int64_t start, int64_t end, int64_t offset, unsigned char* out,
             size_t n) {
    return end - start >= offset + static_cast<int64_t>(n) && src.Read(start + offset, out, n);
}

void ReadContentDescription(ObjectReader r, FileData& data) {
    uint16_t lengths[5];
    for (uint16_t& l : lengths)
        if (!r.U16(l))
            return;
    std::string s[5];
    for (int k = 0; k < 5; ++k)
        if (!r.String(lengths[k], s[k]))
            return;
    data.texts[TitleText] = s[0];
    data.texts[ArtistText] = s[1];
    data.texts[CommentText] = s[3];
}

void ReadExtendedContentDescription(ObjectReader r, FileData& data) {
    uint16_t count;
    if (!r.U16(count))
        return;
    for (uint16_t d = 0; d < count; ++d) {
        uint16_t nameLength, type, valueLength;
        std::string name;
        if (!r.U16(nameLength) || !r.String(nameLength, name) || !r.U16(type) || !r.U16(valueLength))
            return;
        if (type != 0) {
            if (!r.Skip(valueLength))
                return;
            continue;
        }
        std::string value;
        if (!r.String(valueLength, value))
            return;
        const std::string key = UpperAscii(TrimControls(name));
        for (int k = 0; k < TextCount; ++k)
            if (key == DescriptorNames[k])
                data.texts[k] = value;
    }
}

bool Plausible(const FileData& d) {
    return d.maxBitrate >= 1 && d.maxBitrate <= 319999 && (d.channels == 1 || d.channels == 2) &&
           d.sampleRate >= 8000 && d.sampleRate <= 96000 && d.bytesPerSecond >= 1 &&
           d.bytesPerSecond <= 39999;
}

} // namespace

bool TWMAfile::Load(const std::string& fileName) {
    FileBytes file;
    if (!file.Open(fileName)) {
        Clear();
        return false;
    }
    return Load(file);
}

bool TWMAfile::Load(const FileBytes& file) {
    Clear();
    FileData data;
    data.fileSize = file.Size();

    unsigned char guid[16];
    if (!bytes::ReadExact(file, 0, guid, 16))
        return false;
    if (std::memcmp(guid, HeaderObject, 16) == 0) {
        unsigned char sizeAndCount[12];
        if (!bytes::ReadExact(file, 16, sizeAndCount, sizeof sizeAndCount))
            return false;
        HeaderBytes header(file);
        header.Load(std::uint64_t(bytes::LE32(sizeAndCount)) | std::uint64_t(bytes::LE32(sizeAndCount + 4))
                                                                   << 32);
        const unsigned char* countBytes = sizeAndCount + 8;
        const uint32_t count = bytes::LE32(countBytes);
        int64_t pos = 30;
        for (uint32_t i = 0; i < count && i < MaxHeaderObjects; ++i) {
            const int64_t start = pos;
            unsigned char head[24];
            if (!header.Read(start, head, sizeof head))
                return false;
            const uint32_t size = bytes::LE32(head + 16);
            // An object smaller than its own header is not an object: the scan ends there.
            if (size < 24)
                break;
            // An object that claims to run past the end is read only up to the end.
            const int64_t end = std::min<int64_t>(start + size, data.fileSize);
            unsigned char b[4];
            if (std::memcmp(head, FilePropertiesObject, 16) == 0) {
                if (FieldAt(header, start, end, 100, b, 4))
                    data.maxBitrate = bytes::LE32(b);
            } else if (std::memcmp(head, StreamPropertiesObject, 16) == 0) {
                if (FieldAt(header, start, end, 80, b, 2))
                    data.channels = bytes::LE16(b);
                if (FieldAt(header, start, end, 82, b, 4))
                    data.sampleRate = bytes::LE32(b);
                if (FieldAt(header, start, end, 86, b, 4))
                    data.bytesPerSecond = bytes::LE32(b);
            } else if (std::memcmp(head, ContentDescriptionObject, 16) == 0) {
                ReadContentDescription(ObjectReader(header, start + 24, end), data);
            } else if (std::memcmp(head, ExtendedContentDescriptionObject, 16) == 0) {
                ReadExtendedContentDescription(ObjectReader(header, start + 24, end), data);
            }
            pos = start + size;
        }
    }

    if (!Plausible(data))
        return true;
    Valid = true;
    FileSize = data.fileSize;
    Channels = static_cast<uint8_t>(data.channels);
    SampleRate = data.sampleRate;
    Duration = static_cast<double>(data.fileSize) * 8 / data.maxBitrate;
    Bitrate = data.bytesPerSecond * 8 / 1000;
    Title = TrimControls(data.texts[TitleText]);
    Artist = TrimControls(data.texts[ArtistText]);
    Album = TrimControls(data.texts[AlbumText]);
    Track = SignedDecimalOr(TrimControls(data.texts[TrackText]), 0);
    Year = TrimControls(data.texts[YearField]);
    Genre = TrimControls(data.texts[GenreText]);
    Comment = TrimControls(data.texts[CommentText]);
    return true;
}

} // namespace larkspin
