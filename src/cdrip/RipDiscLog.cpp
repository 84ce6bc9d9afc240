#include "RipDiscLog.h"

#include "RipNames.h"
#include "RipTagging.h"

#include <QFileInfo>

namespace larkspin {

namespace {

// CUE sheets quote with '"' and know no escape for it.
QString Quoted(const QString& text) {
    QString t = text;
    t.replace(u'"', u'\'');
    t.replace(u'\n', u' ');
    t.replace(u'\r', u' ');
    return u'"' + t + u'"';
}

QString Hex(std::uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

QString AlbumOf(const std::vector<CdListItem>& items) {
    return items.empty() ? QString() : items.front().Album.trimmed();
}

// The artist every item shares, or empty.
QString AlbumArtist(const std::vector<CdListItem>& items) {
    QString artist;
    for (const CdListItem& item : items) {
        const QString a = TagValuesOf(item).Artist;
        if (artist.isEmpty())
            artist = a;
        else if (a != artist)
            return {};
    }
    return artist;
}

} // namespace

QString RipReportName(const std::vector<CdListItem>& items, const QString& ext) {
    const QString album = AlbumOf(items);
    return TrackFileName(album.isEmpty() ? QStringLiteral("Audio CD") : album, ext, 0);
}

QString RipLogText(const RipDiscInfo& disc, const std::vector<CdListItem>& items,
                   const std::vector<RipTrackResult>& results, const QStringList& problems) {
    QString log = QStringLiteral("Larkspin rip log\n\n");
    log += QStringLiteral("Album: %1\n").arg(AlbumOf(items));
    log += QStringLiteral("Drive: %1\n").arg(disc.DriveName);
    log += QStringLiteral("Read mode: %1\n").arg(disc.ReadMode);
    log += QStringLiteral("Read offset: %1 samples\n").arg(disc.ReadOffset);
    for (size_t i = 0; i < items.size(); ++i) {
        const RipTrackResult result = i < results.size() ? results[i] : RipTrackResult{};
        log += QStringLiteral("\nTrack %1\n").arg(items[i].Track, 2, 10, QLatin1Char('0'));
        log += QStringLiteral("  File: %1\n")
                   .arg(result.File.isEmpty() ? QStringLiteral("(none)") : QFileInfo(result.File).fileName());
        if (result.Sums) {
            const TrackChecksums& s = *result.Sums;
            log += QStringLiteral("  Peak: %1 %\n").arg(s.Peak * 100.0 / 32768, 0, 'f', 1);
            log += QStringLiteral("  CRC32: %1\n").arg(Hex(s.Crc32));
            log +=
                QStringLiteral("  AccurateRip checksums: v1 %1, v2 %2\n").arg(Hex(s.ArCrcV1), Hex(s.ArCrcV2));
        }
        log += QStringLiteral("  AccurateRip: %1\n")
                   .arg(result.AccurateRip.isEmpty() ? QStringLiteral("Not checked") : result.AccurateRip);
        log += QStringLiteral("  Jitter errors: %1\n").arg(result.JitterErrors);
        if (!result.Error.isEmpty())
            log += QStringLiteral("  Error: %1\n").arg(result.Error);
    }
    log += QStringLiteral("\nErrors:\n");
    if (problems.isEmpty())
        log += QStringLiteral("  None\n");
    for (const QString& p : problems)
        log += QStringLiteral("  %1\n").arg(p);
    return log;
}

QString RipCueSheetText(const std::vector<CdListItem>& items, const std::vector<RipTrackResult>& results) {
    QString body;
    int number = 0;
    for (size_t i = 0; i < items.size() && i < results.size(); ++i) {
        if (results[i].File.isEmpty())
            continue;
        const RipTagValues v = TagValuesOf(items[i]);
        const QString name = QFileInfo(results[i].File).fileName();
        const bool mp3 = name.endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive);
        body += QStringLiteral("FILE %1 %2\n")
                    .arg(Quoted(name), mp3 ? QStringLiteral("MP3") : QStringLiteral("WAVE"));
        body += QStringLiteral("  TRACK %1 AUDIO\n").arg(++number, 2, 10, QLatin1Char('0'));
        body += QStringLiteral("    TITLE %1\n").arg(Quoted(v.Title));
        body += QStringLiteral("    PERFORMER %1\n").arg(Quoted(v.Artist));
        body += QStringLiteral("    INDEX 01 00:00:00\n");
    }
    if (number == 0)
        return {};
    QString head;
    if (const QString artist = AlbumArtist(items); !artist.isEmpty())
        head += QStringLiteral("PERFORMER %1\n").arg(Quoted(artist));
    if (const QString album = AlbumOf(items); !album.isEmpty())
        head += QStringLiteral("TITLE %1\n").arg(Quoted(album));
    return head + body;
}

} // namespace larkspin
