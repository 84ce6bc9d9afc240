#include "TMP4file.h"

#include "ByteReading.h"
#include "TID3v1.h"
#include "TextConvert.h"

#include <cmath>
#include <cstring>

namespace larkspin {

namespace {

struct Atom {
    std::string_view type;
    std::string_view body;
};

const unsigned char* Bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

// The child atoms of a body, in order. An atom claiming to run past its parent is cut at the parent's
// end and is the last one; one smaller than its own header ends the list.
class AtomList {
public:
    explicit AtomList(std::string_view body) : body_(body) {}

    bool Next(Atom& atom) {
        if (count_++ >= MaxTagItems || body_.size() - pos_ < 8)
            return false;
        const unsigned char* h = Bytes(body_) + pos_;
        std::uint64_t size = bytes::BE32(h);
        std::size_t header = 8;
        if (size == 1) {
            if (body_.size() - pos_ < 16)
                return false;
            size = bytes::BE64(h + 8);
            header = 16;
        } else if (size == 0) {
            size = body_.size() - pos_; // to the end of the parent
        }
        if (size < header)
            return false;
        const std::size_t left = body_.size() - pos_;
        const std::size_t length = size > left ? left : static_cast<std::size_t>(size);
        atom.type = body_.substr(pos_ + 4, 4);
        atom.body = body_.substr(pos_ + header, length - header);
        pos_ += length;
        return true;
    }

private:
    std::string_view body_;
    std::size_t pos_ = 0;
    std::uint32_t count_ = 0;
};

bool Child(std::string_view body, std::string_view type, Atom& found) {
    AtomList list(body);
    Atom atom;
    while (list.Next(atom)) {
        if (atom.type == type) {
            found = atom;
            return true;
        }
    }
    return false;
}

// A path of nested atoms ("mdia/minf/stbl").
bool Path(std::string_view body, std::string_view path, Atom& found) {
    found.body = body;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        if (!Child(found.body, path.substr(0, slash), found))
            return false;
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    return true;
}

// Time scale and duration of an "mvhd" or "mdhd" body (versions 0 and 1).
bool TimeOf(std::string_view body, double& seconds) {
    if (body.size() < 4)
        return false;
    const unsigned char* p = Bytes(body);
    std::uint32_t scale;
    std::uint64_t duration;
    if (p[0] == 1) {
        if (body.size() < 4 + 8 + 8 + 4 + 8)
            return false;
        scale = bytes::BE32(p + 20);
        duration = bytes::BE64(p + 24);
    } else {
        if (body.size() < 4 + 4 + 4 + 4 + 4)
            return false;
        scale = bytes::BE32(p + 12);
        duration = bytes::BE32(p + 16);
    }
    if (scale == 0 || duration == 0 || duration == ~std::uint64_t(0) || duration == 0xFFFFFFFFu)
        return false;
    seconds = static_cast<double>(duration) / scale;
    return true;
}

// The length field of an MPEG-4 descriptor: up to four bytes of seven bits.
bool DescriptorLength(std::string_view s, std::size_t& pos, std::size_t& length) {
    length = 0;
    for (int k = 0; k < 4; ++k) {
        if (pos >= s.size())
            return false;
        const auto b = static_cast<unsigned char>(s[pos++]);
        length = (length << 7) | (b & 0x7F);
        if ((b & 0x80) == 0)
            return true;
    }
    return true;
}

// The average bitrate (bit/s) of an "esds" body's decoder configuration; 0 when it is not there.
std::uint32_t EsdsBitrate(std::string_view body) {
    std::size_t pos = 4; // version and flags
    std::size_t length = 0;
    if (pos >= body.size() || body[pos++] != 0x03 || !DescriptorLength(body, pos, length) ||
        body.size() - pos < 3)
        return 0;
    const auto flags = static_cast<unsigned char>(body[pos + 2]);
    pos += 3;
    if (flags & 0x80)
        pos += 2;
    if ((flags & 0x40) && pos < body.size())
        pos += 1 + static_cast<unsigned char>(body[pos]);
    if (flags & 0x20)
        pos += 2;
    if (pos >= body.size() || body[pos++] != 0x04 || !DescriptorLength(body, pos, length) ||
        pos > body.size() || body.size() - pos < 13)
        return 0;
    return bytes::BE32(Bytes(body) + pos + 9);
}

void ReadSampleEntry(const Atom& entry, AudioTags& tags, std::uint32_t& bitrate) {
    const std::string_view b = entry.body;
    if (b.size() < 28)
        return;
    const unsigned char* p = Bytes(b);
    const std::uint16_t version = static_cast<std::uint16_t>(p[8] << 8 | p[9]);
    tags.Channels = static_cast<std::uint8_t>(p[16] << 8 | p[17]);
    tags.BitsPerSample = static_cast<std::uint8_t>(p[18] << 8 | p[19]);
    tags.SampleRate = bytes::BE32(p + 24) >> 16;
    // QuickTime's sound entries of versions 1 and 2 carry 16 or 36 more bytes before their atoms.
    const std::size_t children = 28 + (version == 1 ? 16 : version == 2 ? 36 : 0);
    if (b.size() < children)
        return;
    Atom child;
    if (Child(b.substr(children), "esds", child)) {
        bitrate = EsdsBitrate(child.body);
    } else if (Child(b.substr(children), "alac", child) && child.body.size() >= 4 + 24) {
        const unsigned char* c = Bytes(child.body) + 4;
        tags.BitsPerSample = c[5];
        tags.Channels = c[9];
        bitrate = bytes::BE32(c + 16);
        tags.SampleRate = bytes::BE32(c + 20);
    }
}

// The sound track: its length, and the properties of its first sample entry.
bool ReadSoundTrack(std::string_view moov, AudioTags& tags, double& seconds, std::uint32_t& bitrate) {
    AtomList list(moov);
    Atom trak;
    while (list.Next(trak)) {
        Atom hdlr, mdhd, stsd;
        if (trak.type != "trak" || !Path(trak.body, "mdia/hdlr", hdlr) || hdlr.body.size() < 12 ||
            hdlr.body.substr(8, 4) != "soun")
            continue;
        if (Path(trak.body, "mdia/mdhd", mdhd))
            TimeOf(mdhd.body, seconds);
        if (Path(trak.body, "mdia/minf/stbl/stsd", stsd) && stsd.body.size() >= 8) {
            AtomList entries(stsd.body.substr(8));
            Atom entry;
            if (entries.Next(entry))
                ReadSampleEntry(entry, tags, bitrate);
        }
        return true;
    }
    return false;
}

// A freeform item ("mean", "name", "data" children; the first two full atoms): the gain items that
// iTunes-style taggers keep under "com.apple.iTunes".
void ReadFreeform(std::string_view body, AudioTags& tags) {
    Atom name, data;
    if (!Child(body, "name", name) || name.body.size() < 4 || !Child(body, "data", data) ||
        data.body.size() < 8)
        return;
    tags.Gain.Take(name.body.substr(4), data.body.substr(8));
}

void ReadItems(std::string_view moov, AudioTags& tags, bool wantPicture) {
    Atom meta, ilst;
    if (!Path(moov, "udta/meta", meta))
        return;
    // "meta" is a full atom (four bytes of version and flags before its children) in iTunes files;
    // QuickTime writes it without them.
    std::string_view children = meta.body;
    if (children.size() >= 4 && bytes::BE32(Bytes(children)) == 0)
        children.remove_prefix(4);
    if (!Child(children, "ilst", ilst))
        return;
    AtomList items(ilst.body);
    Atom item;
    while (items.Next(item)) {
        if (item.type == "----") {
            ReadFreeform(item.body, tags);
            continue;
        }
        AtomList values(item.body);
        Atom data;
        while (values.Next(data)) {
            if (data.type != "data" || data.body.size() < 8)
                continue;
            const std::string_view value = data.body.substr(8); // type and locale
            const std::string_view name = item.type;
            if (name == "\xA9nam")
                AudioTags::AddValue(tags.Title, value);
            else if (name == "\xA9"
                             "ART")
                AudioTags::AddValue(tags.Artist, value);
            else if (name == "\xA9"
                             "alb")
                AudioTags::AddValue(tags.Album, value);
            else if (name == "\xA9"
                             "day" &&
                     tags.Year.empty())
                tags.Year = YearText(TrimControls(Utf8ValidPrefix(value.substr(0, MaxTagTextBytes))));
            else if (name == "\xA9gen")
                AudioTags::AddValue(tags.Genre, value);
            else if (name == "gnre" && value.size() >= 2 && tags.Genre.empty()) {
                const int index =
                    (static_cast<unsigned char>(value[0]) << 8 | static_cast<unsigned char>(value[1])) - 1;
                if (index >= 0 && index < GenreCount)
                    tags.Genre = GenreTable[static_cast<std::size_t>(index)];
            } else if (name == "\xA9"
                               "cmt")
                AudioTags::AddValue(tags.Comment, value);
            else if (name == "trkn" && value.size() >= 4 && tags.Track == 0)
                tags.Track = static_cast<unsigned char>(value[2]) << 8 | static_cast<unsigned char>(value[3]);
            else if (name == "covr" && wantPicture && tags.Picture.empty())
                tags.Picture.assign(value);
        }
    }
}

} // namespace

bool TMP4file::Load(const std::string& fileName, bool wantPicture) {
    FileBytes file;
    if (!file.Open(fileName)) {
        Clear();
        return false;
    }
    return Load(file, wantPicture);
}

bool TMP4file::Load(const FileBytes& file, bool wantPicture) {
    Clear();
    if (!file.IsOpen())
        return false;
    const std::int64_t size = file.Size();
    // The top-level atoms: "ftyp", "moov", "mdat", ... in any order.
    std::string moov;
    bool found = false;
    std::int64_t pos = 0;
    for (std::uint32_t n = 0; n < MaxTagItems && size - pos >= 8; ++n) {
        unsigned char h[16];
        if (!bytes::ReadExact(file, pos, h, 8))
            break;
        std::uint64_t atomSize = bytes::BE32(h);
        std::int64_t header = 8;
        if (atomSize == 1) {
            if (!bytes::ReadExact(file, pos, h, 16))
                break;
            atomSize = bytes::BE64(h + 8);
            header = 16;
        } else if (atomSize == 0) {
            atomSize = static_cast<std::uint64_t>(size - pos);
        }
        if (atomSize < static_cast<std::uint64_t>(header))
            break;
        const std::int64_t length = atomSize > static_cast<std::uint64_t>(size - pos)
                                        ? size - pos
                                        : static_cast<std::int64_t>(atomSize);
        if (std::memcmp(h + 4, "moov", 4) == 0) {
            const auto want =
                static_cast<std::size_t>(std::min<std::int64_t>(length - header, MaxTagBlockBytes));
            found = bytes::ReadString(file, pos + header, want, moov);
            break;
        }
        pos += length;
    }
    if (!found)
        return true;

    double seconds = 0;
    std::uint32_t bitrate = 0;
    Atom mvhd;
    if (!ReadSoundTrack(moov, *this, seconds, bitrate) || seconds <= 0) {
        if (Child(moov, "mvhd", mvhd))
            TimeOf(mvhd.body, seconds);
    }
    ReadItems(moov, *this, wantPicture);
    if (!(seconds > 0)) {
        Clear();
        return true;
    }
    Valid = true;
    FileSize = size;
    Duration = seconds;
    const double kbits = bitrate > 0 ? std::nearbyint(bitrate / 1000.0)
                                     : std::nearbyint(static_cast<double>(size) * 8 / seconds / 1000);
    Bitrate = kbits > 0 && kbits < 4294967295.0 ? static_cast<std::uint32_t>(kbits) : 0;
    return true;
}

} // namespace larkspin
