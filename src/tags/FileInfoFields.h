#pragma once

#include <QString>

namespace larkspin {

class TID3v1;
class TID3v2;
class TMPEGaudio;
class TOggVorbis;
class TWAVfile;

// The editable fields of the file information window's title page.
struct TagFields {
    int track = 0;
    QString year;
    QString artist;
    QString title;
    QString album;
    QString comment;
    QString genre;

    bool operator==(const TagFields&) const = default;
};

// What the title page shows for an MP3 file, from the tags the user lets count. With both tags (and both
// ticked) every field is the ID3v2 value when it is not empty, else the ID3v1 value; the track is the
// ID3v2 one unless it is 0. Without a present and ticked ID3v2 tag everything comes from ID3v1 (a tag
// that is not there gives empty fields).
struct Mp3TagView {
    TagFields fields;
    bool fromId3v2 = false; // the ID3v2 marker is shown
};
Mp3TagView Mp3TagFields(const TID3v1& id3v1, const TID3v2& id3v2, bool useId3v1, bool useId3v2);
TagFields OggTagFields(const TOggVorbis& ogg);

// The read-only page "Fileinformations"; fields a type does not have stay empty.
struct FileProperties {
    QString fileType;
    QString fileSize;
    QString duration;
    QString sampleRate;
    QString channelMode;
    QString bitrate;
    QString encoder;
    QString totalFrames;
    QString firstFrame;
    QString emphasis;
    QString crc;
    QString copyright;
    QString original;

    bool operator==(const FileProperties&) const = default;
};
FileProperties Mp3Properties(const TMPEGaudio& mpeg);
FileProperties WavProperties(const TWAVfile& wav);
FileProperties OggProperties(const TOggVorbis& ogg);

// Seconds with one decimal and no digit before the point below 1 (0.46 gives ".5"), then " sec.".
QString DurationText(double seconds);

// The ID3v1 genre index of a genre text: its position in the genre table (letter case ignored), or 255
// when the text is not one of the names.
int GenreIndexOf(const QString& genre);

// "Save Tag": puts the fields into the given readers (null: that tag is not written) and writes them
// into the file, both in one replacement of the file. Empty on success, else the message to show; a
// failed save leaves the file as it was.
QString SaveTagFields(const QString& path, const TagFields& fields, TID3v1* id3v1, TID3v2* id3v2);

} // namespace larkspin
