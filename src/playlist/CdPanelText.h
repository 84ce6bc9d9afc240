#pragma once

#include "CddbText.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace larkspin {

// The lines the match window lists: the title part of each match text, up to the first empty one.
QStringList MatchChoiceLines(const QStringList& matches);

// What a read CDDB entry names, taken from the log of the client's lines in arrival order.
struct CdNames {
    bool hasDiscTitle = false;
    QString discTitle;               // the last DTITLE value
    std::vector<QString> trackTexts; // one per row, empty where no TTITLE line named it
};

// Names rows from the log: the k-th TTITLE line names row k (a title continued on a second line counts
// as the next track, as it arrives). A track title of its own artist ("Guest / Duet") gives
// "Guest - Duet", any other "<disc artist> - <title>".
CdNames ReadOutInfos(const QStringList& log, int rowCount);

} // namespace larkspin
