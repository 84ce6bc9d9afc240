#pragma once

// MP3 files for the file information tests, and TagLib as the outside reader of what was saved.

#include "Id3Fixtures.h"

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <QByteArray>
#include <QString>

namespace fixtures {

// 60 MPEG 1 Layer III frames, 128 kbit/s, 44100 Hz, stereo: about 1.6 seconds of audio.
inline QByteArray mp3Audio() {
    return frames(Header{}, 417, 60);
}

// An ID3v2.3 tag of Latin-1 text frames (id, text) pairs.
inline QByteArray v23Tag(std::initializer_list<std::pair<const char*, QByteArray>> frameTexts) {
    QByteArray body;
    for (const auto& [id, text] : frameTexts)
        body += v2Frame(id, latin1Text(text));
    return v2Tag(body);
}

// One tag as an outside reader sees it.
struct SeenTag {
    bool present = false;
    QString artist, title, album, comment, genre;
    unsigned year = 0, track = 0;
};

inline SeenTag seen(const TagLib::Tag* tag) {
    SeenTag s;
    if (!tag)
        return s;
    s.present = true;
    s.artist = QString::fromStdString(tag->artist().to8Bit(true));
    s.title = QString::fromStdString(tag->title().to8Bit(true));
    s.album = QString::fromStdString(tag->album().to8Bit(true));
    s.comment = QString::fromStdString(tag->comment().to8Bit(true));
    s.genre = QString::fromStdString(tag->genre().to8Bit(true));
    s.year = tag->year();
    s.track = tag->track();
    return s;
}

// Both tags of an MP3 file as TagLib reads them.
struct SeenTags {
    SeenTag v1, v2;
    int v1GenreNumber = -1;
};

inline SeenTags readWithTaglib(const QString& path) {
    TagLib::MPEG::File f(path.toLocal8Bit().constData(), false);
    SeenTags t;
    if (f.hasID3v1Tag()) {
        t.v1 = seen(f.ID3v1Tag());
        t.v1GenreNumber = int(f.ID3v1Tag()->genreNumber());
    }
    if (f.hasID3v2Tag())
        t.v2 = seen(f.ID3v2Tag());
    return t;
}

} // namespace fixtures
