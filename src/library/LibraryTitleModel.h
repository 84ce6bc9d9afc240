#pragma once

#include "LibraryLines.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace larkspin {

// The rows of the title list (listarchiv3): a list of library entries shown in twelve columns, each
// cell read from its entry when drawn, so a million rows cost a million handles and nothing more.
class LibraryTitleModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Artist,
        Title,
        Length,
        Album,
        Bitrate,
        Year,
        Genre,
        Track,
        Size,
        Location,
        Rating,
        Path,
        Columns
    };

    explicit LibraryTitleModel(const LibraryLines& lines, QObject* parent = nullptr);

    // Column captions and their widths in pixels.
    static QStringList ColumnCaptions();
    static int ColumnWidth(int column);
    // The library field shown in a column.
    static int FieldOfColumn(int column);

    void SetEntries(std::vector<LibraryEntry> entries);
    void Clear() { SetEntries({}); }
    const std::vector<LibraryEntry>& Entries() const { return rows_; }
    // The entry of a row; invalid when the row does not exist or the library was emptied since.
    LibraryEntry EntryAt(int row) const;
    QString Text(int row, int column) const;
    QString PathAt(int row) const { return Text(row, Path); }
    void RemoveRow(int row);
    // Sorts the rows ascending by the column's text, case-sensitively with the user's locale.
    void SortByColumn(int column);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    bool Current() const { return generation_ == lines_.Generation(); }

    const LibraryLines& lines_;
    std::vector<LibraryEntry> rows_;
    std::uint64_t generation_ = 0;
};

} // namespace larkspin
