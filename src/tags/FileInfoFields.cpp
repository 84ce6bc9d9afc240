#include "FileInfoFields.h"

#include "Id3TagSave.h"
#include "TID3v1.h"
#include "TID3v2.h"
#include "TMPEGaudio.h"
#include "TOggVorbis.h"
#include "TWAVfile.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>
#include <cmath>

namespace larkspin {

namespace {

Q_LOGGING_CATEGORY(lcTagSave, "larkspin.tags", QtWarningMsg)

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

QString Either(const std::string& preferred, const std::string& fallback) {
    return Text(preferred.empty() ? fallback : preferred);
}

QString YesNo(bool value) {
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString Bytes(std::int64_t size) {
    return QString::number(size) + QStringLiteral(" bytes");
}

QString Hertz(unsigned rate) {
    return QString::number(rate) + QStringLiteral(" hz");
}

TagFields Id3v1Fields(const TID3v1& v1) {
    return {v1.Track(),       Text(v1.Year()),    Text(v1.Artist()),   Text(v1.Title()),
            Text(v1.Album()), Text(v1.Comment()), Text(v1.GenreName())};
}

TagFields Id3v2Fields(const TID3v2& v2) {
    return {v2.Track(),       Text(v2.Year()),    Text(v2.Artist()), Text(v2.Title()),
            Text(v2.Album()), Text(v2.Comment()), Text(v2.Genre())};
}

std::string Utf8(const QString& s) {
    return s.toStdString();
}

// The fields both ID3 versions hold alike; the genre differs (an index in ID3v1, a text in ID3v2).
template <class Tag> void PutFields(Tag& tag, const TagFields& f) {
    tag.SetTrack(static_cast<std::uint8_t>(std::clamp(f.track, 0, 255)));
    tag.SetYear(Utf8(f.year));
    tag.SetArtist(Utf8(f.artist));
    tag.SetTitle(Utf8(f.title));
    tag.SetAlbum(Utf8(f.album));
    tag.SetComment(Utf8(f.comment));
}

} // namespace

Mp3TagView Mp3TagFields(const TID3v1& id3v1, const TID3v2& id3v2, bool useId3v1, bool useId3v2) {
    Mp3TagView view;
    if (!(id3v2.Present() && useId3v2)) {
        // A tag that is not there shows empty fields, whatever its reader holds.
        if (id3v1.Present())
            view.fields = Id3v1Fields(id3v1);
        return view;
    }
    view.fromId3v2 = true;
    if (!(id3v1.Present() && useId3v1)) {
        view.fields = Id3v2Fields(id3v2);
        return view;
    }
    TagFields& f = view.fields;
    f.track = id3v2.Track() == 0 && id3v1.Track() != 0 ? id3v1.Track() : id3v2.Track();
    f.year = Either(id3v2.Year(), id3v1.Year());
    f.artist = Either(id3v2.Artist(), id3v1.Artist());
    f.title = Either(id3v2.Title(), id3v1.Title());
    f.album = Either(id3v2.Album(), id3v1.Album());
    f.comment = Either(id3v2.Comment(), id3v1.Comment());
    f.genre = Either(id3v2.Genre(), id3v1.GenreName());
    return view;
}

TagFields OggTagFields(const TOggVorbis& ogg) {
    return {ogg.Track,       Text(ogg.Year),    Text(ogg.Artist), Text(ogg.Title),
            Text(ogg.Album), Text(ogg.Comment), Text(ogg.Genre)};
}

QString DurationText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    const long long tenths = std::llround(seconds * 10);
    const long long whole = tenths / 10;
    return (whole > 0 ? QString::number(whole) : QString()) + QLatin1Char('.') +
           QString::number(tenths % 10) + QStringLiteral(" sec.");
}

FileProperties Mp3Properties(const TMPEGaudio& mpeg) {
    FileProperties p;
    p.fileType = QStringLiteral("Mp3 file");
    p.fileSize = Bytes(mpeg.FileSize());
    p.bitrate = (mpeg.Vbr().Found ? QStringLiteral("VBR ") : QStringLiteral("CBR ")) +
                QString::number(mpeg.Bitrate()) + QStringLiteral(" kbit/s");
    p.sampleRate = Hertz(mpeg.SampleRate());
    p.channelMode = Text(mpeg.ChannelModeName());
    p.duration = DurationText(mpeg.Duration());
    p.firstFrame = Bytes(mpeg.FirstFramePosition());
    p.totalFrames = QString::number(mpeg.FrameCount());
    const MpegFrame& frame = mpeg.FirstFrame();
    p.crc = YesNo(frame.CrcProtected);
    p.copyright = YesNo(frame.Copyrighted);
    p.original = YesNo(frame.OriginalMedia);
    p.emphasis = Text(mpeg.EmphasisName());
    p.encoder = Text(mpeg.EncoderName());
    return p;
}

// The "General informations" of a WAV or Ogg reader.
template <class Reader> FileProperties GeneralProperties(const QString& fileType, const Reader& r) {
    FileProperties p;
    p.fileType = fileType;
    p.fileSize = Bytes(r.FileSize);
    p.duration = DurationText(r.Duration);
    p.sampleRate = Hertz(r.SampleRate);
    p.channelMode = Text(r.ChannelModeName());
    return p;
}

FileProperties WavProperties(const TWAVfile& wav) {
    return GeneralProperties(QStringLiteral("Wave file (PCM)"), wav);
}

FileProperties OggProperties(const TOggVorbis& ogg) {
    FileProperties p = GeneralProperties(QStringLiteral("Ogg Vorbis File"), ogg);
    p.bitrate = QString::number(ogg.AverageBitrate()) + QStringLiteral(" kbit/s");
    p.encoder = QStringLiteral("Ogg Vorbis");
    return p;
}

int GenreIndexOf(const QString& genre) {
    for (int i = 0; i < GenreCount; ++i) {
        if (genre.compare(QLatin1String(GenreTable[i].data(), qsizetype(GenreTable[i].size())),
                          Qt::CaseInsensitive) == 0)
            return i;
    }
    return TID3v1::NoGenre;
}

QString SaveTagFields(const QString& path, const TagFields& fields, TID3v1* id3v1, TID3v2* id3v2) {
    if (id3v1) {
        PutFields(*id3v1, fields);
        id3v1->SetGenreIndex(static_cast<std::uint8_t>(GenreIndexOf(fields.genre)));
    }
    if (id3v2) {
        PutFields(*id3v2, fields);
        id3v2->SetGenre(Utf8(fields.genre));
    }
    std::string problem;
    const bool saved = SaveId3Tags(QFile::encodeName(path).toStdString(), id3v1, id3v2, &problem);
    if (!problem.empty())
        qCWarning(lcTagSave).noquote()
            << "ID3v2 tag of" << path << "written anew:" << QString::fromStdString(problem);
    if (saved)
        return {};
    if (!QFileInfo(path).isFile())
        return QStringLiteral("The tags could not be saved: %1 does not exist any more.").arg(path);
    return QStringLiteral("The tags could not be saved into %1 (no permission to write there, or the disk "
                          "is full). The file is unchanged.")
        .arg(path);
}

} // namespace larkspin
