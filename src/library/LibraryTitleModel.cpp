#include "LibraryTitleModel.h"

#include "LibrarySort.h"

namespace larkspin {

namespace {

struct ColumnInfo {
    const char* caption;
    int width;
    int field;
};

// The Comment is not shown.
constexpr ColumnInfo ColumnTable[LibraryTitleModel::Columns] = {
    {"Artist", 120, ArtistField},     {"Title", 150, TitleField},    {"Length", 50, LengthField},
    {"Album", 120, AlbumField},       {"Bitrate", 60, BitrateField}, {"Year", 50, YearField},
    {"Genre", 70, StyleField},        {"Track", 50, TrackField},     {"Size", 60, SizeField},
    {"Location", 100, LocationField}, {"Rating", 50, RatingField},   {"Path", 200, PathField}};

} // namespace

LibraryTitleModel::LibraryTitleModel(const LibraryLines& lines, QObject* parent)
    : QAbstractTableModel(parent), lines_(lines), generation_(lines.Generation()) {}

QStringList LibraryTitleModel::ColumnCaptions() {
    QStringList captions;
    for (const ColumnInfo& c : ColumnTable)
        captions << QString::fromLatin1(c.caption);
    return captions;
}

int LibraryTitleModel::ColumnWidth(int column) {
    return ColumnTable[column].width;
}

int LibraryTitleModel::FieldOfColumn(int column) {
    return ColumnTable[column].field;
}

void LibraryTitleModel::SetEntries(std::vector<LibraryEntry> entries) {
    beginResetModel();
    rows_ = std::move(entries);
    generation_ = lines_.Generation();
    endResetModel();
}

LibraryEntry LibraryTitleModel::EntryAt(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || !Current())
        return {};
    return rows_[static_cast<std::size_t>(row)];
}

QString LibraryTitleModel::Text(int row, int column) const {
    const LibraryEntry e = EntryAt(row);
    if (!e.Valid() || column < 0 || column >= Columns)
        return {};
    const std::string_view text = e.Field(ColumnTable[column].field);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void LibraryTitleModel::RemoveRow(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void LibraryTitleModel::SortByColumn(int column) {
    if (column < 0 || column >= Columns || !Current())
        return;
    beginResetModel();
    SortEntriesByField(rows_, ColumnTable[column].field);
    endResetModel();
}

int LibraryTitleModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !Current() ? 0 : static_cast<int>(rows_.size());
}

int LibraryTitleModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant LibraryTitleModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return Text(index.row(), index.column());
}

QVariant LibraryTitleModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= Columns)
        return {};
    return QString::fromLatin1(ColumnTable[section].caption);
}

} // namespace larkspin
