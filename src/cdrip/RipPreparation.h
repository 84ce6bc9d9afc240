#pragma once

#include "CdListItem.h"
#include "CddbEntry.h"
#include "TitleInfoEdit.h"

#include <QString>
#include <QStringList>

namespace larkspin {

// The rows for a CD list: number i + 1, artist and title split from the caption (a leading "NN " of the
// artist part dropped), album, year and genre from the sub-items.
QList<TitleRow> RowsFromCdList(const CdList& list);

// The rows a CDDB entry gives: one per track it names, numbered from 1, the artist from the track title
// when it names one, else the disc artist; album, year and genre from the disc. Artist and title are
// made one line and lose the characters no file name may hold.
QList<TitleRow> RowsFromEntry(const CddbEntry& entry);

// Writes the rows back: item i with a row i gets the caption "NN Artist / Title" (NN two digits up to 9,
// the row's number text after) and the row's album, year and genre. Items without a row keep theirs.
void WriteRowsBack(const QList<TitleRow>& rows, CdList& list);

// The lines of the match window: each non-empty match text after its first "/" and the character behind
// it ("rock 0e001003 Artist / Album" -> "Album"); a match without "/" is shown whole.
QStringList MatchLines(const QStringList& matches);

// What the log's last line says about a running query.
enum class QueryOutcome { Running, EntryRead, NoMatch };
QueryOutcome OutcomeOfLog(const QStringList& log);

} // namespace larkspin
