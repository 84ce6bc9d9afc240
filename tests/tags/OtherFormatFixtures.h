#pragma once

// Byte builders for small WAV, Ogg Vorbis and ASF (WMA) files used by the tests.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fixtures {

inline void PutLE16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
inline void PutLE32(std::string& s, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        s += static_cast<char>((v >> (8 * k)) & 0xFF);
}
inline void PutLE64(std::string& s, uint64_t v) {
    for (int k = 0; k < 8; ++k)
        s += static_cast<char>((v >> (8 * k)) & 0xFF);
}

// A canonical 44-byte WAV header followed by dataBytes zero bytes; a negative riffSize means "as the file".
inline std::string Wav(uint32_t channels, uint32_t rate, uint32_t bits, uint32_t dataBytes,
                       int64_t riffSize = -1) {
    std::string s = "RIFF";
    PutLE32(s, riffSize < 0 ? 36 + dataBytes : static_cast<uint32_t>(riffSize));
    s += "WAVEfmt ";
    PutLE32(s, 16);
    PutLE16(s, 1);
    PutLE16(s, channels);
    PutLE32(s, rate);
    PutLE32(s, rate * channels * bits / 8);
    PutLE16(s, channels * bits / 8);
    PutLE16(s, bits);
    s += "data";
    PutLE32(s, dataBytes);
    s.append(dataBytes, '\0');
    return s;
}

// One Ogg page holding the given packet data (segment table made to fit, no CRC).
inline std::string OggPage(const std::string& body, uint8_t flags, uint64_t granule, uint32_t sequence) {
    std::string s = "OggS";
    s += '\0';
    s += static_cast<char>(flags);
    PutLE64(s, granule);
    PutLE32(s, 0x1234); // serial
    PutLE32(s, sequence);
    PutLE32(s, 0); // CRC, not checked
    std::vector<uint8_t> lacing;
    size_t left = body.size();
    while (left >= 255) {
        lacing.push_back(255);
        left -= 255;
    }
    lacing.push_back(static_cast<uint8_t>(left));
    s += static_cast<char>(lacing.size());
    for (uint8_t l : lacing)
        s += static_cast<char>(l);
    return s + body;
}

inline std::string VorbisIdPacket(uint8_t channels, uint32_t rate, int32_t nominal) {
    std::string p = "\x01vorbis";
    PutLE32(p, 0);
    p += static_cast<char>(channels);
    PutLE32(p, rate);
    PutLE32(p, 0);
    PutLE32(p, static_cast<uint32_t>(nominal));
    PutLE32(p, 0);
    p += '\xB8';
    p += '\x01';
    return p;
}

inline std::string VorbisCommentPacket(const std::string& vendor, const std::vector<std::string>& comments) {
    std::string p = "\x03vorbis";
    PutLE32(p, static_cast<uint32_t>(vendor.size()));
    p += vendor;
    PutLE32(p, static_cast<uint32_t>(comments.size()));
    for (const std::string& c : comments) {
        PutLE32(p, static_cast<uint32_t>(c.size()));
        p += c;
    }
    return p + '\x01';
}

// A Vorbis file: identification page, comment page, audioBytes of filler, last page with granule.
inline std::string Ogg(uint8_t channels, uint32_t rate, int32_t nominal,
                       const std::vector<std::string>& comments, uint64_t lastGranule,
                       size_t audioBytes = 1000, bool lastPage = true) {
    std::string s = OggPage(VorbisIdPacket(channels, rate, nominal), 2, 0, 0);
    s += OggPage(VorbisCommentPacket("test vendor", comments), 0, 0, 1);
    s.append(audioBytes, 'x');
    if (lastPage)
        s += OggPage(std::string(100, 'y'), 4, lastGranule, 2);
    return s;
}

// ASF building blocks. GUIDs in file byte order.
inline const std::string HeaderGuid("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
inline const std::string
    FilePropertiesGuid("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
inline const std::string
    StreamPropertiesGuid("\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65", 16);
inline const std::string
    ContentDescriptionGuid("\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
inline const std::string
    ExtendedContentGuid("\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50", 16);
inline const std::string DataGuid("\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);

inline std::string AsfObject(const std::string& guid, const std::string& body) {
    std::string s = guid;
    PutLE64(s, 24 + body.size());
    return s + body;
}

// UTF-16LE of an ASCII or Latin-1 text, with a terminating zero character.
inline std::string Utf16z(const std::u16string& text) {
    std::string s;
    for (char16_t c : text)
        PutLE16(s, c);
    PutLE16(s, 0);
    return s;
}

inline std::string FileProperties(uint32_t maxBitrate) {
    std::string body(76, '\0'); // up to offset 100 of the object
    PutLE32(body, maxBitrate);
    return AsfObject(FilePropertiesGuid, body);
}

inline std::string StreamProperties(uint16_t channels, uint32_t rate, uint32_t bytesPerSecond) {
    std::string body(54, '\0'); // the wave format starts at object offset 78
    PutLE16(body, 0x161);
    PutLE16(body, channels);
    PutLE32(body, rate);
    PutLE32(body, bytesPerSecond);
    PutLE16(body, 2731);
    PutLE16(body, 16);
    return AsfObject(StreamPropertiesGuid, body);
}

inline std::string ContentDescription(const std::u16string& title, const std::u16string& author,
                                      const std::u16string& description) {
    const std::string t = Utf16z(title), a = Utf16z(author), r = Utf16z(u""), d = Utf16z(description),
                      g = Utf16z(u"");
    std::string body;
    for (const std::string* x : {&t, &a, &r, &d, &g})
        PutLE16(body, static_cast<uint32_t>(x->size()));
    body += t + a + r + d + g;
    return AsfObject(ContentDescriptionGuid, body);
}

struct Descriptor {
    std::u16string name;
    uint16_t type;
    std::string value; // raw value bytes
};

inline std::string ExtendedContent(const std::vector<Descriptor>& descriptors) {
    std::string body;
    PutLE16(body, static_cast<uint32_t>(descriptors.size()));
    for (const Descriptor& d : descriptors) {
        const std::string name = Utf16z(d.name);
        PutLE16(body, static_cast<uint32_t>(name.size()));
        body += name;
        PutLE16(body, d.type);
        PutLE16(body, static_cast<uint32_t>(d.value.size()));
        body += d.value;
    }
    return AsfObject(ExtendedContentGuid, body);
}

inline Descriptor TextDescriptor(const std::u16string& name, const std::u16string& value) {
    return {name, 0, Utf16z(value)};
}

// A header object holding the given objects, then a data object of dataBytes bytes.
inline std::string Asf(const std::vector<std::string>& objects, size_t dataBytes = 2000) {
    std::string body;
    PutLE32(body, static_cast<uint32_t>(objects.size()));
    body += '\x01';
    body += '\x02';
    for (const std::string& o : objects)
        body += o;
    std::string s = AsfObject(HeaderGuid, body);
    return s + AsfObject(DataGuid, std::string(dataBytes, '\0'));
}

inline std::string PlausibleAsf(std::vector<std::string> more = {}, uint32_t maxBitrate = 64000) {
    std::vector<std::string> objects = {FileProperties(maxBitrate), StreamProperties(2, 44100, 8000)};
    objects.insert(objects.end(), more.begin(), more.end());
    return Asf(objects);
}

} // namespace fixtures
