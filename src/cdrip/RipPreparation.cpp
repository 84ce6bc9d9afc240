#include "RipPreparation.h"

#include "RipNames.h"

namespace larkspin {

QList<TitleRow> RowsFromCdList(const CdList& list) {
    QList<TitleRow> rows;
    rows.reserve(qsizetype(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i) {
        const CdListItem& item = list[i];
        TitleRow row;
        row.number = QString::number(i + 1);
        row.artist = SplitAtSlash(item.Caption).first;
        if (LeadingTrackNumber(row.artist) > 0)
            row.artist = row.artist.mid(3);
        row.title = SplitAtSlash(item.Caption).second;
        row.album = item.Album;
        row.year = item.Year;
        row.genre = item.Genre;
        rows.append(std::move(row));
    }
    return rows;
}

QList<TitleRow> RowsFromEntry(const CddbEntry& entry) {
    QList<TitleRow> rows;
    for (std::size_t i = 0; i < entry.TrackTitles.size(); ++i) {
        const TrackName name = TrackNameOf(entry, i);
        TitleRow row;
        row.number = QString::number(i + 1);
        // A name is one line of a file name: line breaks and tabs of the entry become single blanks.
        row.artist = StripFileNameChars(name.Artist.simplified());
        row.title = StripFileNameChars(name.Title.simplified());
        row.album = entry.Album();
        row.year = entry.Year;
        row.genre = entry.Genre;
        rows.append(std::move(row));
    }
    return rows;
}

void WriteRowsBack(const QList<TitleRow>& rows, CdList& list) {
    for (std::size_t i = 0; i < list.size() && i < std::size_t(rows.size()); ++i) {
        const TitleRow& row = rows[qsizetype(i)];
        CdListItem& item = list[i];
        item.Caption = (i < 9 ? QStringLiteral("0") : QString()) + row.number + u' ' + row.artist +
                       QStringLiteral(" / ") + row.title;
        item.Album = row.album;
        item.Year = row.year;
        item.Genre = row.genre;
    }
}

QStringList MatchLines(const QStringList& matches) {
    QStringList lines;
    for (const QString& match : matches) {
        if (match.isEmpty())
            continue;
        const qsizetype slash = match.indexOf(u'/');
        lines << (slash < 0 ? match : match.mid(slash + 2));
    }
    return lines;
}

QueryOutcome OutcomeOfLog(const QStringList& log) {
    if (log.isEmpty())
        return QueryOutcome::Running;
    const QString last = log.last().toUpper();
    if (last == u"ENTRY READ")
        return QueryOutcome::EntryRead;
    if (last == u"NO MATCH FOUND")
        return QueryOutcome::NoMatch;
    return QueryOutcome::Running;
}

} // namespace larkspin
