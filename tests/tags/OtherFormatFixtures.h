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

namespace fixtures {

inline void PutBE16(std::string& s, uint32_t v) {
    s += static_cast<char>((v >> 8) & 0xFF);
    s += static_cast<char>(v & 0xFF);
}
inline void PutBE24(std::string& s, uint32_t v) {
    s += static_cast<char>((v >> 16) & 0xFF);
    PutBE16(s, v);
}
inline void PutBE32(std::string& s, uint32_t v) {
    PutBE16(s, v >> 16);
    PutBE16(s, v);
}
inline void PutBE64(std::string& s, uint64_t v) {
    PutBE32(s, static_cast<uint32_t>(v >> 32));
    PutBE32(s, static_cast<uint32_t>(v));
}

// A Vorbis comment block as FLAC and Opus carry it (no framing bit).
inline std::string VorbisComments(const std::vector<std::string>& comments, uint32_t count = UINT32_MAX) {
    std::string p;
    PutLE32(p, 6);
    p += "vendor";
    PutLE32(p, count == UINT32_MAX ? static_cast<uint32_t>(comments.size()) : count);
    for (const std::string& c : comments) {
        PutLE32(p, static_cast<uint32_t>(c.size()));
        p += c;
    }
    return p;
}

// A FLAC picture block body: type, MIME type, description, 16 bytes of sizes, data.
inline std::string FlacPicture(uint32_t type, const std::string& data) {
    std::string p;
    PutBE32(p, type);
    PutBE32(p, 10);
    p += "image/jpeg";
    PutBE32(p, 4);
    p += "desc";
    p.append(16, '\0');
    PutBE32(p, static_cast<uint32_t>(data.size()));
    return p + data;
}

// A FLAC metadata block; length < 0 means the body's own length.
inline std::string FlacBlock(int type, const std::string& body, bool last, int64_t length = -1) {
    std::string s(1, static_cast<char>((last ? 0x80 : 0) | type));
    PutBE24(s, length < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(length));
    return s + body;
}

inline std::string StreamInfo(uint32_t rate, uint32_t channels, uint32_t bits, uint64_t samples) {
    std::string s(10, '\0'); // block and frame sizes
    s += static_cast<char>(rate >> 12);
    s += static_cast<char>(rate >> 4);
    s += static_cast<char>(((rate & 0x0F) << 4) | ((channels - 1) << 1) | ((bits - 1) >> 4));
    s += static_cast<char>((((bits - 1) & 0x0F) << 4) | static_cast<uint32_t>(samples >> 32));
    PutBE32(s, static_cast<uint32_t>(samples));
    s.append(16, '\0'); // MD5
    return s;
}

// "fLaC", the blocks, then audioBytes of frames.
inline std::string Flac(const std::vector<std::string>& blocks, size_t audioBytes = 10000) {
    std::string s = "fLaC";
    for (const std::string& b : blocks)
        s += b;
    return s + std::string(audioBytes, '\x55');
}

// One Ogg page of a stream with explicit lacing values (a packet continues over pages when the last
// value is 255).
inline std::string OggLacedPage(const std::string& body, const std::vector<uint8_t>& lacing, uint8_t flags,
                                uint64_t granule, uint32_t sequence, uint32_t serial = 0x1234) {
    std::string s = "OggS";
    s += '\0';
    s += static_cast<char>(flags);
    PutLE64(s, granule);
    PutLE32(s, serial);
    PutLE32(s, sequence);
    PutLE32(s, 0);
    s += static_cast<char>(lacing.size());
    for (uint8_t l : lacing)
        s += static_cast<char>(l);
    return s + body;
}

// Pages carrying one packet, split over pages of at most pageSegments lacing values.
inline std::string OggPacketPages(const std::string& packet, uint32_t& sequence, size_t pageSegments = 255,
                                  uint32_t serial = 0x1234) {
    std::vector<uint8_t> lacing;
    for (size_t left = packet.size();; left -= 255) {
        lacing.push_back(static_cast<uint8_t>(left >= 255 ? 255 : left));
        if (left < 255)
            break;
    }
    std::string s;
    size_t offset = 0;
    for (size_t first = 0; first < lacing.size(); first += pageSegments) {
        std::vector<uint8_t> part(lacing.begin() + static_cast<long>(first),
                                  lacing.begin() +
                                      static_cast<long>(std::min(lacing.size(), first + pageSegments)));
        size_t length = 0;
        for (uint8_t l : part)
            length += l;
        s += OggLacedPage(packet.substr(offset, length), part, first == 0 ? 0 : 1, 0, sequence++, serial);
        offset += length;
    }
    return s;
}

inline std::string OpusHead(uint8_t channels, uint16_t preSkip, uint32_t inputRate) {
    std::string p = "OpusHead";
    p += '\x01';
    p += static_cast<char>(channels);
    PutLE16(p, preSkip);
    PutLE32(p, inputRate);
    PutLE16(p, 0);
    p += '\0';
    return p;
}

// An Opus file: head page, tags pages (pageSegments lacing values a page), audio, last page.
inline std::string Opus(const std::vector<std::string>& comments, uint64_t lastGranule,
                        uint16_t preSkip = 312, size_t pageSegments = 255, size_t audioBytes = 4000) {
    uint32_t sequence = 0;
    std::string s = OggPacketPages(OpusHead(2, preSkip, 44100), sequence);
    s += OggPacketPages("OpusTags" + VorbisComments(comments), sequence, pageSegments);
    s += OggLacedPage(std::string(audioBytes, 'a'), std::vector<uint8_t>(audioBytes / 250, 250), 0, 960,
                      sequence++);
    return s + OggLacedPage(std::string(100, 'z'), {100}, 4, lastGranule, sequence++);
}

// An MP4 atom; size64 writes the 64-bit form; declared overrides the size written.
inline std::string Atom(const char* type, const std::string& body, bool size64 = false,
                        int64_t declared = -1) {
    std::string s;
    const uint64_t size = declared >= 0 ? static_cast<uint64_t>(declared) : body.size() + (size64 ? 16 : 8);
    PutBE32(s, size64 ? 1 : static_cast<uint32_t>(size));
    s.append(type, 4);
    if (size64)
        PutBE64(s, size);
    return s + body;
}

// mvhd or mdhd body of version 0 or 1.
inline std::string TimeBody(uint32_t scale, uint64_t duration, int version = 0) {
    std::string s(1, static_cast<char>(version));
    s.append(3, '\0');
    if (version == 1) {
        s.append(16, '\0');
        PutBE32(s, scale);
        PutBE64(s, duration);
    } else {
        s.append(8, '\0');
        PutBE32(s, scale);
        PutBE32(s, static_cast<uint32_t>(duration));
    }
    return s + std::string(80, '\0');
}

// An "mp4a" sample entry with an esds giving avgBitrate.
inline std::string Mp4aEntry(uint16_t channels, uint32_t rate, uint32_t avgBitrate) {
    std::string e(6, '\0');
    PutBE16(e, 1);
    e.append(8, '\0');
    PutBE16(e, channels);
    PutBE16(e, 16);
    PutBE32(e, 0);
    PutBE32(e, rate << 16);
    std::string esds(4, '\0');
    esds += '\x03';
    esds += '\x19';
    PutBE16(esds, 1);
    esds += '\0';
    esds += '\x04';
    esds += '\x11';
    esds += '\x40';
    esds += '\x15';
    PutBE24(esds, 0);
    PutBE32(esds, avgBitrate * 2);
    PutBE32(esds, avgBitrate);
    return Atom("mp4a", e + Atom("esds", esds));
}

inline std::string SoundTrak(uint32_t scale, uint64_t duration, const std::string& entry, int version = 0) {
    std::string hdlr(8, '\0');
    hdlr += "soun";
    hdlr.append(12, '\0');
    std::string stsd(4, '\0');
    PutBE32(stsd, 1);
    stsd += entry;
    return Atom("trak", Atom("mdia", Atom("mdhd", TimeBody(scale, duration, version)) + Atom("hdlr", hdlr) +
                                         Atom("minf", Atom("stbl", Atom("stsd", stsd)))));
}

// An ilst item holding one data atom of the given type indicator.
inline std::string Item(const char* name, const std::string& value, uint32_t type = 1) {
    std::string data;
    PutBE32(data, type);
    PutBE32(data, 0);
    return Atom(name, Atom("data", data + value));
}

inline std::string Ilst(const std::vector<std::string>& items) {
    std::string body;
    for (const std::string& i : items)
        body += i;
    return Atom("udta", Atom("meta", std::string(4, '\0') + Atom("hdlr", std::string(25, '\0')) +
                                         Atom("ilst", body)));
}

} // namespace fixtures
