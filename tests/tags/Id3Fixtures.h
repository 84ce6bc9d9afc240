#pragma once

// Byte-built MP3 and tag fixtures, and file helpers, for the ID3 and MPEG reader tests.

#include "TagTestFiles.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>

namespace fixtures {

// A 128-byte ID3v1 block: "TAG" and zero bytes, with fields put in at their offsets.
struct V1Block {
    QByteArray b = QByteArray("TAG") + QByteArray(125, '\0');
    V1Block& put(int offset, const QByteArray& data) {
        b.replace(offset, data.size(), data);
        return *this;
    }
    V1Block& title(const QByteArray& t) { return put(3, t); }
    V1Block& comment(const QByteArray& c) { return put(97, c); }
    V1Block& byte(int offset, int value) { return put(offset, QByteArray(1, char(value))); }
};

// An ID3v2.3 frame: identifier, 32-bit big-endian size, two flag bytes, data.
inline QByteArray v2Frame(const char* id, const QByteArray& data) {
    QByteArray f(id, 4);
    const quint32 n = quint32(data.size());
    f += char(n >> 24);
    f += char(n >> 16);
    f += char(n >> 8);
    f += char(n);
    f += QByteArray(2, '\0');
    return f + data;
}

inline QByteArray synchsafe32(quint32 n) {
    QByteArray b;
    b += char((n >> 21) & 127);
    b += char((n >> 14) & 127);
    b += char((n >> 7) & 127);
    b += char(n & 127);
    return b;
}

// An ID3v2.4 frame: identifier, synchsafe size, status and format flags, data.
inline QByteArray v24Frame(const char* id, const QByteArray& data, int format = 0) {
    return QByteArray(id, 4) + synchsafe32(quint32(data.size())) + char(0) + char(format) + data;
}

// An ID3v2.2 frame: three-letter identifier, 24-bit big-endian size, data.
inline QByteArray v22Frame(const char* id, const QByteArray& data) {
    const quint32 n = quint32(data.size());
    return QByteArray(id, 3) + char(n >> 16) + char(n >> 8) + char(n) + data;
}

// An ID3v2 tag header with the given body size (7 bits a byte) and version.
inline QByteArray v2Header(quint32 bodySize, int major = 3, int flags = 0) {
    QByteArray h("ID3");
    h += char(major);
    h += char(0);
    h += char(flags);
    h += char((bodySize >> 21) & 127);
    h += char((bodySize >> 14) & 127);
    h += char((bodySize >> 7) & 127);
    h += char(bodySize & 127);
    return h;
}

inline QByteArray v2Tag(const QByteArray& body, int major = 3) {
    return v2Header(quint32(body.size()), major) + body;
}

// Text frame data: encoding byte 0 and the bytes.
inline QByteArray latin1Text(const QByteArray& text) {
    return QByteArray(1, '\0') + text;
}

// Text frame data in UTF-16 with a byte-order mark.
inline QByteArray utf16Text(const QString& text, bool bigEndian = false) {
    QByteArray d(1, '\1');
    d += bigEndian ? QByteArray("\xFE\xFF", 2) : QByteArray("\xFF\xFE", 2);
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (bigEndian) {
            d += char(u >> 8);
            d += char(u & 0xFF);
        } else {
            d += char(u & 0xFF);
            d += char(u >> 8);
        }
    }
    return d;
}

// MPEG audio frame header bytes.
struct Header {
    int version = 3; // 3 MPEG 1, 2 MPEG 2, 0 MPEG 2.5
    int layer = 1;   // 1 Layer III, 2 Layer II, 3 Layer I
    bool crc = false;
    int bitrateIndex = 9; // 128 kbit/s for MPEG 1 Layer III
    int rateIndex = 0;    // 44100 Hz for MPEG 1
    bool padded = false;
    int mode = 0;
    bool copyright = false;
    bool original = false;
    int emphasis = 0;
    QByteArray bytes() const {
        QByteArray h(4, '\0');
        h[0] = char(0xFF);
        h[1] = char(0xE0 | (version << 3) | (layer << 1) | (crc ? 0 : 1));
        h[2] = char((bitrateIndex << 4) | (rateIndex << 2) | (padded ? 2 : 0));
        h[3] = char((mode << 6) | (copyright ? 8 : 0) | (original ? 4 : 0) | emphasis);
        return h;
    }
};

// count frames of length bytes each, every one starting with header and filled with 0x55 (so no side
// information is blank and no false header appears).
inline QByteArray frames(const Header& h, int length, int count) {
    QByteArray one = h.bytes() + QByteArray(length - 4, '\x55');
    QByteArray all;
    for (int i = 0; i < count; ++i)
        all += one;
    return all;
}

inline QByteArray bigEndian32(quint32 n) {
    QByteArray b;
    b += char(n >> 24);
    b += char(n >> 16);
    b += char(n >> 8);
    b += char(n);
    return b;
}

} // namespace fixtures
