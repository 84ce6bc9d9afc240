#include "CdPanelText.h"

namespace larkspin {

QStringList MatchChoiceLines(const QStringList& matches) {
    QStringList lines;
    for (const QString& match : matches) {
        if (match.isEmpty())
            break;
        lines << SplitAtSlash(match).second;
    }
    return lines;
}

CdNames ReadOutInfos(const CddbEntry& entry, int rowCount) {
    CdNames names;
    names.hasDiscTitle = entry.HasDiscTitle();
    names.album = entry.Album();
    names.trackTexts.resize(static_cast<size_t>(std::max(rowCount, 0)));
    for (size_t r = 0; r < names.trackTexts.size() && r < entry.TrackTitles.size(); ++r) {
        if (entry.TrackTitles[r].isEmpty())
            continue;
        const TrackName name = TrackNameOf(entry, r);
        names.trackTexts[r] = name.Artist + QStringLiteral(" - ") + name.Title;
    }
    return names;
}

} // namespace larkspin
