#pragma once

// Library entries and small tagged MP3 files for the library tests.

#include "LibraryLines.h"
#include "TID3v1.h"
#include "TrackInfo.h"

#include <QFile>
#include <QString>

#include <string>

namespace libfixtures {

// An entry's thirteen values; the ones not given are plausible defaults.
inline larkspin::LibraryValues Values(const std::string& artist, const std::string& title,
                                      const std::string& path, const std::string& album = "Album",
                                      const std::string& track = "01", const std::string& comment = {}) {
    return {artist,  title, "3:12",    album, "128 kbit/s", "1999", "Rock",
            comment, track, "4.21 MB", path,  "Internal",   "0"};
}

// The library line of those values: every field filled with spaces to its width.
inline std::string Line(const larkspin::LibraryValues& v) {
    std::string line;
    for (std::size_t k = 0; k < v.size(); ++k)
        line += larkspin::FillToWidth(v[k], larkspin::LibraryFieldWidths[k]);
    return line;
}

inline std::string ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}

inline bool WriteBytes(const QString& path, const std::string& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           f.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

// A short MP3 (MPEG 1 Layer III frames, 128 kbit/s) with an ID3v1 tag.
inline bool WriteTaggedMp3(const std::string& path, const std::string& artist, const std::string& title,
                           const std::string& album = {}, std::uint8_t track = 0) {
    std::string frame(417, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    std::string bytes;
    for (int i = 0; i < 20; ++i)
        bytes += frame;
    if (!WriteBytes(QString::fromStdString(path), bytes))
        return false;
    larkspin::TID3v1 tag;
    tag.SetArtist(artist);
    tag.SetTitle(title);
    tag.SetAlbum(album);
    tag.SetTrack(track);
    return tag.Save(path);
}

} // namespace libfixtures
