#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

namespace larkspin {

// One xmcd database entry as its fields. Every window that names tracks from CDDB reads these, never the
// raw lines again.
struct CddbEntry {
    QString DiscArtist; // DTITLE before " / "; the whole DTITLE when it has no separator
    QString DiscTitle;  // DTITLE after " / "; empty when it has none
    QString Year;
    QString Genre;
    QString Extended;
    std::vector<QString> TrackTitles;   // TTITLEn, indexed by n; as many as the highest n + 1
    std::vector<QString> TrackExtended; // EXTTn, as many as TrackTitles
    int Revision = 0;

    bool HasDiscTitle() const { return !DiscArtist.isEmpty() || !DiscTitle.isEmpty(); }
    // The album name: a DTITLE without separator names artist and album alike.
    QString Album() const { return DiscTitle.isEmpty() ? DiscArtist : DiscTitle; }
};

// Reads the entry's lines (without the reply code and the closing "."). A value continued over several
// lines (the same keyword again) is joined as bytes first, so a UTF-8 character or an escape split
// between two lines still reads right; then it is decoded, trimmed and unescaped once. Keywords are
// read in any case; comment lines give only "# Revision: N".
CddbEntry ParseCddbEntry(const QList<QByteArray>& lines);

// A track title as artist and title: "Guest / Duet" names its own artist, any other title takes the
// disc artist.
struct TrackName {
    QString Artist;
    QString Title;
};
TrackName TrackNameOf(const CddbEntry& entry, std::size_t track);

} // namespace larkspin
