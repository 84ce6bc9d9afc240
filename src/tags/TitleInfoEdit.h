#pragma once

#include <QList>
#include <QString>

namespace larkspin {

// One row of the rip preparation's track list: its number (first cell) and its five texts.
struct TitleRow {
    QString number;
    QString artist;
    QString title;
    QString album;
    QString year;
    QString genre;

    bool operator==(const TitleRow&) const = default;
};

// What "Edit title informations..." was asked to do: either change one row (and maybe drop it), or set
// the non-empty values of the all-titles fields on every row.
struct TitleEdit {
    bool singleTitle = false;
    // The row the single-title fields belong to; -1 when no row was selected.
    int selectedRow = -1;
    QString artist;
    QString title;
    bool deleteRow = false;

    QString allArtist;
    QString allAlbum;
    QString allYear;
    QString allGenre;
};

// Removes the characters a file name cannot hold on the systems the rips are copied to:
// " * / : < > ? \ |
QString StripFileNameChars(QString text);

// The dialog's fields before it is shown: the common artist (only when there are at least two rows and
// all share it), album, year and genre of the first row; with a valid selected row the single-title mode
// with that row's artist and title, otherwise the all-titles mode.
TitleEdit PrefillTitleEdit(const QList<TitleRow>& rows, int selectedRow);

// Applies "OK". A selected row outside the list changes nothing. Dropping a row lowers the number of
// every row after it by one.
void ApplyTitleEdit(QList<TitleRow>& rows, const TitleEdit& edit);

} // namespace larkspin
