#pragma once

#include "RipRun.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace larkspin {

// The files a finished rip leaves beside its tracks: a rip log and a CUE sheet that plays or burns the
// ripped files as one disc. Texts only; the run writes them.

// "<album>.log" and "<album>.cue" name the reports; an empty album gives "Audio CD".
QString RipReportName(const std::vector<CdListItem>& items, const QString& ext);

// The log: drive, read mode and offset, per item its file, peak, CRC-32 of the audio, AccurateRip
// checksums and verdict, jitter errors and error; then the run's problems ("None" without).
QString RipLogText(const RipDiscInfo& disc, const std::vector<CdListItem>& items,
                   const std::vector<RipTrackResult>& results, const QStringList& problems);

// The CUE sheet of the items that have a file: album TITLE and PERFORMER, then per file a FILE line
// (MP3 for ".mp3", WAVE otherwise) with TRACK nn AUDIO numbered from 01, its TITLE and PERFORMER and
// INDEX 01 00:00:00. File names are relative to the sheet's folder. Empty when no item has a file.
QString RipCueSheetText(const std::vector<CdListItem>& items, const std::vector<RipTrackResult>& results);

} // namespace larkspin
