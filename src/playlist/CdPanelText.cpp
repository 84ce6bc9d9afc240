#include "CdPanelText.h"

namespace larkspin {

std::pair<QString, QString> SplitAtSlash(const QString& text) {
    qsizetype at = text.indexOf(QLatin1String(" / "));
    const qsizetype back = text.indexOf(QLatin1String(" \\ "));
    if (at < 0 || (back >= 0 && back < at))
        at = back;
    if (at < 0)
        return {text, text};
    return {text.left(at), text.mid(at + 3)};
}

QStringList MatchChoiceLines(const QStringList& matches) {
    QStringList lines;
    for (const QString& match : matches) {
        if (match.isEmpty())
            break;
        lines << SplitAtSlash(match).second;
    }
    return lines;
}

namespace {
QString ValueAfterEquals(const QString& line) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.mid(eq + 1);
}
} // namespace

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
