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

CdNames ReadOutInfos(const QStringList& log, int rowCount) {
    CdNames names;
    names.trackTexts.resize(static_cast<size_t>(std::max(rowCount, 0)));
    int counter = 0;
    for (const QString& line : log) {
        if (line.startsWith(QLatin1String("DTITL"))) {
            names.discTitle = ValueAfterEquals(line);
            names.hasDiscTitle = true;
        } else if (line.startsWith(QLatin1String("TTITL"))) {
            ++counter;
            if (counter > rowCount)
                continue;
            const auto [p1, p2] = SplitAtSlash(ValueAfterEquals(line));
            names.trackTexts[static_cast<size_t>(counter - 1)] =
                p1 != p2 ? p1 + QStringLiteral(" - ") + p2
                         : SplitAtSlash(names.discTitle).first + QStringLiteral(" - ") + p2;
        }
    }
    return names;
}

} // namespace larkspin
