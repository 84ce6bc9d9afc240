#include "TFLACfile.h"

#include "ByteReading.h"
#include "TID3v2.h"
#include "VorbisComments.h"

#include <cmath>
#include <cstring>

namespace larkspin {

namespace {

enum BlockType { StreamInfo = 0, VorbisComment = 4, PictureBlock = 6 };

} // namespace

bool TFLACfile::Load(const std::string& fileName, bool wantPicture) {
    FileBytes file;
    if (!file.Open(fileName)) {
        Clear();
        return false;
    }
    return Load(file, wantPicture);
}

bool TFLACfile::Load(const FileBytes& file, bool wantPicture) {
    Clear();
    const std::int64_t size = file.Size();
    if (!file.IsOpen())
        return false;
    unsigned char head[10];
    // Some taggers put an ID3v2 tag in front of the stream.
    std::int64_t pos = 0;
    if (bytes::ReadExact(file, 0, head, sizeof head))
        pos = TID3v2::TagSizeOf(head, size);
    unsigned char magic[4];
    if (!bytes::ReadExact(file, pos, magic, 4) || std::memcmp(magic, "fLaC", 4) != 0)
        return true;
    pos += 4;

    bool haveInfo = false;
    bool frontCover = false;
    std::uint64_t samples = 0;
    std::string block;
    for (std::uint32_t n = 0; n < MaxTagItems; ++n) {
        unsigned char header[4];
        if (!bytes::ReadExact(file, pos, header, 4))
            break;
        const bool last = (header[0] & 0x80) != 0;
        const int type = header[0] & 0x7F;
        const std::uint32_t length =
            std::uint32_t(header[1]) << 16 | std::uint32_t(header[2]) << 8 | header[3];
        pos += 4;
        // A block that claims to run past the file ends the scan.
        if (length > size - pos)
            break;
        if (type == StreamInfo && length >= 34 && !haveInfo) {
            unsigned char s[34];
            if (!bytes::ReadExact(file, pos, s, sizeof s))
                break;
            SampleRate = std::uint32_t(s[10]) << 12 | std::uint32_t(s[11]) << 4 | s[12] >> 4;
            Channels = static_cast<std::uint8_t>(((s[12] >> 1) & 7) + 1);
            BitsPerSample = static_cast<std::uint8_t>((((s[12] & 1) << 4) | s[13] >> 4) + 1);
            samples = std::uint64_t(s[13] & 0x0F) << 32 | bytes::BE32(s + 14);
            haveInfo = true;
        } else if (type == VorbisComment && length <= MaxTagBlockBytes) {
            if (bytes::ReadString(file, pos, length, block))
                ReadVorbisComments(block, *this, false);
        } else if (type == PictureBlock && wantPicture && !frontCover && length <= MaxTagBlockBytes) {
            std::string_view data;
            std::uint32_t pictureType = 0;
            if (bytes::ReadString(file, pos, length, block) && ParseFlacPicture(block, data, pictureType) &&
                !data.empty() && (Picture.empty() || pictureType == 3)) {
                Picture.assign(data);
                frontCover = pictureType == 3;
            }
        }
        pos += length;
        if (last)
            break;
    }
    if (!haveInfo) {
        Clear();
        return true;
    }
    Valid = true;
    FileSize = size;
    if (SampleRate > 0 && samples > 0) {
        Duration = static_cast<double>(samples) / SampleRate;
        const double kbits = std::nearbyint(static_cast<double>(size - pos) * 8 / Duration / 1000);
        Bitrate = kbits > 0 && kbits < 4294967295.0 ? static_cast<std::uint32_t>(kbits) : 0;
    }
    return true;
}

} // namespace larkspin
