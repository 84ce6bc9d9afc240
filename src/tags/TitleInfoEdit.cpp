#include "TitleInfoEdit.h"

namespace larkspin {

QString StripFileNameChars(QString text) {
    static const QString forbidden = QStringLiteral("\"*/:<>?\\|");
    text.removeIf([](QChar c) { return forbidden.contains(c); });
    return text;
}

TitleEdit PrefillTitleEdit(const QList<TitleRow>& rows, int selectedRow) {
    TitleEdit edit;
    if (rows.size() >= 2) {
        bool same = true;
        for (qsizetype i = 1; i < rows.size() && same; ++i)
            same = rows[i].artist == rows[0].artist;
        if (same)
            edit.allArtist = rows[0].artist;
    }
    if (!rows.isEmpty()) {
        edit.allAlbum = rows[0].album;
        edit.allYear = rows[0].year;
        edit.allGenre = rows[0].genre;
    }
    if (selectedRow >= 0 && selectedRow < rows.size()) {
        edit.singleTitle = true;
        edit.selectedRow = selectedRow;
        edit.artist = rows[selectedRow].artist;
        edit.title = rows[selectedRow].title;
    }
    return edit;
}

static QString LoweredNumber(const QString& number) {
    bool ok = false;
    const int n = number.trimmed().toInt(&ok);
    return ok ? QString::number(n - 1) : number;
}

void ApplyTitleEdit(QList<TitleRow>& rows, const TitleEdit& edit) {
    if (edit.singleTitle) {
        if (edit.selectedRow < 0 || edit.selectedRow >= rows.size())
            return;
        TitleRow& row = rows[edit.selectedRow];
        row.artist = StripFileNameChars(edit.artist);
        row.title = StripFileNameChars(edit.title);
        if (edit.deleteRow) {
            rows.removeAt(edit.selectedRow);
            for (qsizetype i = edit.selectedRow; i < rows.size(); ++i)
                rows[i].number = LoweredNumber(rows[i].number);
        }
        return;
    }
    const QString artist = StripFileNameChars(edit.allArtist);
    for (TitleRow& row : rows) {
        if (!artist.isEmpty())
            row.artist = artist;
        if (!edit.allAlbum.isEmpty())
            row.album = edit.allAlbum;
        if (!edit.allYear.isEmpty())
            row.year = edit.allYear;
        if (!edit.allGenre.isEmpty())
            row.genre = edit.allGenre;
    }
}

} // namespace larkspin
