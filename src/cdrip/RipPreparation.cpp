#include "RipPreparation.h"

#include "RipNames.h"

namespace larkspin {

std::vector<PrepareRow> RowsFromCdList(const CdList& list) {
    std::vector<PrepareRow> rows;
    rows.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const CdListItem& item = list[i];
        PrepareRow row;
        row.Number = QString::number(i + 1);
        row.Artist = SplitAtSlash(item.Caption, 1);
        if (LeadingTrackNumber(row.Artist) > 0)
            row.Artist = row.Artist.mid(3);
        row.Title = SplitAtSlash(item.Caption, 2);
        row.Album = item.Album;
        row.Year = item.Year;
        row.Genre = item.Genre;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<PrepareRow> RowsFromEntryLines(const QStringList& lines, EntryDiscValues& disc) {
    std::vector<PrepareRow> rows;
    for (const QString& line : lines) {
        const QString key = line.left(5);
        if (key == u"DTITL") {
            disc.DiscTitle = ValueAfterEquals(line);
        } else if (key == u"DYEAR") {
            disc.Year = ValueAfterEquals(line);
        } else if (key == u"DGENR") {
            disc.Genre = ValueAfterEquals(line);
        } else if (key == u"TTITL") {
            const QString value = ValueAfterEquals(line);
            const QString artist = StripFileNameChars(SplitAtSlash(value, 1));
            PrepareRow row;
            row.Number = QString::number(rows.size() + 1);
            row.Title = StripFileNameChars(SplitAtSlash(value, 2));
            row.Artist = artist != row.Title ? artist : SplitAtSlash(disc.DiscTitle, 1);
            row.Album = SplitAtSlash(disc.DiscTitle, 2);
            row.Year = disc.Year;
            row.Genre = disc.Genre;
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

void WriteRowsBack(const std::vector<PrepareRow>& rows, CdList& list) {
    for (std::size_t i = 0; i < list.size() && i < rows.size(); ++i) {
        const PrepareRow& row = rows[i];
        CdListItem& item = list[i];
        item.Caption = (i < 9 ? QStringLiteral("0") : QString()) + row.Number + u' ' + row.Artist +
                       QStringLiteral(" / ") + row.Title;
        item.Album = row.Album;
        item.Year = row.Year;
        item.Genre = row.Genre;
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
