#pragma once

#include "CddbEntry.h"
#include "CddbText.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace larkspin {

// The lines the match window lists: the title part of each match text, up to the first empty one.
QStringList MatchChoiceLines(const QStringList& matches);

// What a read CDDB entry names for the panel.
struct CdNames {
    bool hasDiscTitle = false;
    QString album;
    std::vector<QString> trackTexts; // one per row, empty where the entry names no such track
};

// Names rows from the entry: TTITLEn names row n. A track title of its own artist ("Guest / Duet") gives
// "Guest - Duet", any other "<disc artist> - <title>".
CdNames ReadOutInfos(const CddbEntry& entry, int rowCount);

} // namespace larkspin
