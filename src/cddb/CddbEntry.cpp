#include "CddbEntry.h"

#include "CddbText.h"

namespace larkspin {

namespace {

// The track number after a TTITLE or EXTT keyword: digits only, 0 to 99.
int TrackNumber(const QByteArray& digits) {
    if (digits.isEmpty() || digits.size() > 2)
        return -1;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

QString Value(const QByteArray& joined) {
    return XmcdUnescape(TrimBlanks(DecodeReplyLine(joined)));
}

} // namespace

CddbEntry ParseCddbEntry(const QList<QByteArray>& lines) {
    CddbEntry entry;
    QByteArray title;
    QByteArray year;
    QByteArray genre;
    QByteArray extended;
    std::vector<QByteArray> titles;
    std::vector<QByteArray> trackExtended;
    const auto slot = [](std::vector<QByteArray>& table, int n) -> QByteArray& {
        if (table.size() <= std::size_t(n))
            table.resize(std::size_t(n) + 1);
        return table[std::size_t(n)];
    };
    for (const QByteArray& line : lines) {
        if (line.startsWith('#')) {
            if (line.startsWith("# Revision: ")) {
                bool ok = false;
                const int revision = line.mid(12).trimmed().toInt(&ok);
                entry.Revision = ok ? revision : 0;
            }
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.left(eq).trimmed().toUpper();
        const QByteArray value = line.mid(eq + 1);
        if (key == "DTITLE")
            title += value;
        else if (key == "DYEAR")
            year += value;
        else if (key == "DGENRE")
            genre += value;
        else if (key == "EXTD")
            extended += value;
        else if (key.startsWith("TTITLE")) {
            const int n = TrackNumber(key.mid(6));
            if (n >= 0)
                slot(titles, n) += value;
        } else if (key.startsWith("EXTT")) {
            const int n = TrackNumber(key.mid(4));
            if (n >= 0)
                slot(trackExtended, n) += value;
        }
    }
    // Split before unescaping, so an escaped text cannot make a separator of its own.
    const QString disc = TrimBlanks(DecodeReplyLine(title));
    const qsizetype separator = disc.indexOf(QLatin1String(" / "));
    if (separator >= 0) {
        entry.DiscArtist = XmcdUnescape(TrimBlanks(disc.left(separator)));
        entry.DiscTitle = XmcdUnescape(TrimBlanks(disc.mid(separator + 3)));
    } else {
        entry.DiscArtist = XmcdUnescape(disc);
    }
    entry.Year = Value(year);
    entry.Genre = Value(genre);
    entry.Extended = Value(extended);
    const std::size_t tracks = std::max(titles.size(), trackExtended.size());
    titles.resize(tracks);
    trackExtended.resize(tracks);
    for (std::size_t i = 0; i < tracks; ++i) {
        entry.TrackTitles.push_back(Value(titles[i]));
        entry.TrackExtended.push_back(Value(trackExtended[i]));
    }
    return entry;
}

TrackName TrackNameOf(const CddbEntry& entry, std::size_t track) {
    if (track >= entry.TrackTitles.size())
        return {entry.DiscArtist, {}};
    const QString& text = entry.TrackTitles[track];
    const auto [artist, title] = SplitAtSlash(text);
    if (artist != title || text.contains(QLatin1String(" / ")) || text.contains(QLatin1String(" \\ ")))
        return {artist, title};
    return {entry.DiscArtist, title};
}

} // namespace larkspin
