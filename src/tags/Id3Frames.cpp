#include "Id3Frames.h"

#include <algorithm>

namespace larkspin {

namespace {

std::uint32_t BigEndian(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int k = 0; k < bytes; ++k)
        v = (v << 8) | p[k];
    return v;
}

bool IsNameByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

std::uint32_t Id3FrameReader::Synchsafe(const unsigned char* p) {
    return (std::uint32_t(p[0] & 0x7F) << 21) | (std::uint32_t(p[1] & 0x7F) << 14) |
           (std::uint32_t(p[2] & 0x7F) << 7) | (p[3] & 0x7F);
}

std::string Id3FrameReader::Resynchronised(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (!(bytes[i] == '\0' && i > 0 && bytes[i - 1] == '\xFF'))
            out += bytes[i];
    return out;
}

Id3FrameReader::Id3FrameReader(std::string_view tag, bool everyFrame) : everyFrame_(everyFrame) {
    if (tag.size() < HeaderLength || tag.substr(0, 3) != "ID3")
        return;
    const auto* h = reinterpret_cast<const unsigned char*>(tag.data());
    version_ = h[3];
    const std::uint8_t flags = h[5];
    if (version_ < 2 || version_ > 4 || (version_ == 2 && (flags & 0x40) != 0))
        return; // unknown version, or a v2.2 tag compressed as a whole
    const std::size_t declared = Synchsafe(h + 6);
    std::string_view body = tag.substr(HeaderLength, std::min(declared, tag.size() - HeaderLength));
    tagUnsync_ = (flags & 0x80) != 0;
    // Before v2.4 the whole tag was unsynchronised; in v2.4 each frame says so itself.
    if (tagUnsync_ && version_ < 4) {
        body_ = Resynchronised(body);
        body = body_;
    }
    std::size_t start = 0;
    if ((flags & 0x40) != 0 && body.size() >= 4) {
        const auto* e = reinterpret_cast<const unsigned char*>(body.data());
        // v2.3 counts the size without its own four bytes, v2.4 with them (and synchsafe).
        start = version_ == 3 ? 4 + std::size_t(BigEndian(e, 4)) : std::size_t(Synchsafe(e));
    }
    frames_ = start <= body.size() ? body.substr(start) : std::string_view();
}

bool Id3FrameReader::FrameStartsAt(std::size_t pos) const {
    const std::size_t idLength = version_ == 2 ? 3 : 4;
    if (pos == frames_.size())
        return true;
    if (pos > frames_.size() || frames_.size() - pos < idLength)
        return false;
    if (frames_[pos] == '\0')
        return true; // padding
    for (std::size_t k = 0; k < idLength; ++k)
        if (!IsNameByte(frames_[pos + k]))
            return false;
    return true;
}

std::size_t Id3FrameReader::FrameSizeAt(std::size_t pos) const {
    const auto* p = reinterpret_cast<const unsigned char*>(frames_.data() + pos);
    if (version_ == 2)
        return BigEndian(p + 3, 3);
    if (version_ == 3)
        return BigEndian(p + 4, 4);
    // Some writers put plain sizes into v2.4 tags: take the plain size when the synchsafe one does
    // not land on a frame, padding or the end and the plain one does.
    const std::size_t safe = Synchsafe(p + 4);
    const std::size_t plain = BigEndian(p + 4, 4);
    if (plain == safe || (p[4] | p[5] | p[6] | p[7]) & 0x80)
        return plain;
    if (!FrameStartsAt(pos + HeaderLength + safe) && FrameStartsAt(pos + HeaderLength + plain))
        return plain;
    return safe;
}

bool Id3FrameReader::Next() {
    const std::size_t headerLength = version_ == 2 ? 6 : HeaderLength;
    while (version_ >= 2 && version_ <= 4) {
        if (frames_.size() - pos_ < headerLength || frames_[pos_] < 'A' || frames_[pos_] > 'Z')
            return false;
        const std::size_t pos = pos_;
        const std::size_t size = FrameSizeAt(pos);
        const std::size_t dataPos = pos + headerLength;
        const std::size_t inTag = frames_.size() - dataPos;
        cut_ = size > inTag;
        // A frame running past the tag is the last one read.
        pos_ = cut_ ? frames_.size() : dataPos + size;
        id_ = frames_.substr(pos, version_ == 2 ? 3 : 4);
        std::string_view data = frames_.substr(dataPos, std::min(size, inTag));
        raw_ = frames_.substr(pos, headerLength + data.size());
        readable_ = true;
        if (version_ == 2) {
            data_ = data;
            return true;
        }
        const std::uint8_t format = static_cast<std::uint8_t>(frames_[pos + 9]);
        bool grouped, compressed, encrypted, unsync = false, lengthField = false;
        if (version_ == 3) {
            compressed = (format & 0x80) != 0;
            encrypted = (format & 0x40) != 0;
            grouped = (format & 0x20) != 0;
        } else {
            grouped = (format & 0x40) != 0;
            compressed = (format & 0x08) != 0;
            encrypted = (format & 0x04) != 0;
            unsync = (format & 0x02) != 0 || tagUnsync_;
            lengthField = (format & 0x01) != 0;
        }
        if (compressed || encrypted) {
            if (!everyFrame_)
                continue;
            readable_ = false;
            data_ = data;
            return true;
        }
        const std::size_t skip = (grouped ? 1 : 0) + (lengthField ? 4 : 0);
        data = data.substr(std::min(skip, data.size()));
        if (unsync) {
            frameData_ = Resynchronised(data);
            data = frameData_;
        }
        data_ = data;
        return true;
    }
    return false;
}

Id3Picture ParseId3Picture(std::string_view data, std::uint8_t version) {
    Id3Picture picture;
    if (data.empty())
        return picture;
    const auto encoding = static_cast<std::uint8_t>(data[0]);
    std::size_t pos = 1;
    std::string_view mime;
    if (version == 2) {
        if (data.size() < 4)
            return picture;
        mime = data.substr(1, 3);
        pos = 4;
    } else {
        const std::size_t end = data.find('\0', pos);
        if (end == std::string_view::npos)
            return picture;
        mime = data.substr(pos, end - pos);
        pos = end + 1;
    }
    if (pos >= data.size() || mime == "-->")
        return picture; // a link to a picture elsewhere
    picture.type = static_cast<std::uint8_t>(data[pos++]);
    // The description ends with one zero byte, or with a zero code unit in UTF-16 (encodings 1 and 2).
    if (encoding == 1 || encoding == 2) {
        for (; pos + 1 < data.size(); pos += 2)
            if (data[pos] == '\0' && data[pos + 1] == '\0')
                break;
        if (pos + 1 >= data.size())
            return picture;
        pos += 2;
    } else {
        const std::size_t end = data.find('\0', pos);
        if (end == std::string_view::npos)
            return picture;
        pos = end + 1;
    }
    picture.bytes = data.substr(pos);
    return picture;
}

} // namespace larkspin
