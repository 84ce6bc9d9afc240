#include "PlaylistModel.h"

#include "PlayMarks.h"
#include "Playlist.h"
#include "PlaylistColumns.h"

namespace larkspin {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

PlaylistModel::PlaylistModel(Playlist& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {
    for (int i = 0; i < PlayMarkCount; ++i)
        marks_[static_cast<size_t>(i)] = QPixmap::fromImage(PlayMarkPicture(i));

    connect(&list_, &Playlist::rowsAboutToBeInserted, this,
            [this](int first, int last) { beginInsertRows({}, first, last); });
    connect(&list_, &Playlist::rowsInserted, this, [this] { endInsertRows(); });
    connect(&list_, &Playlist::rowsAboutToBeRemoved, this,
            [this](int first, int last) { beginRemoveRows({}, first, last); });
    connect(&list_, &Playlist::rowsRemoved, this, [this] { endRemoveRows(); });
    connect(&list_, &Playlist::aboutToBeReset, this, [this] { beginResetModel(); });
    connect(&list_, &Playlist::wasReset, this, [this] { endResetModel(); });
    connect(&list_, &Playlist::aboutToBeReordered, this, [this] { emit layoutAboutToBeChanged(); });
    connect(&list_, &Playlist::reordered, this, &PlaylistModel::reorder);
    connect(&list_, &Playlist::rowsChanged, this, [this](int first, int last) {
        if (columnCount() > 0)
            emit dataChanged(index(first, 0), index(last, columnCount() - 1));
    });
    connect(&list_, &Playlist::playMarkChanged, this, &PlaylistModel::markChanged);
}

int PlaylistModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.Count();
}

int PlaylistModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.Columns().size());
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= list_.Count() || index.column() >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return Text(list_.Cell(index.row(), index.column()));
    case Qt::DecorationRole:
        if (index.column() == 0) {
            const int mark = list_.PlayMarkImage(index.row());
            return marks_[static_cast<size_t>(mark >= 0 && mark < PlayMarkCount ? mark : 0)];
        }
        return {};
    default:
        return {};
    }
}

QVariant PlaylistModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return {};
    return QString::fromStdString(FieldCaption(list_.Columns()[static_cast<size_t>(section)]));
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled |
           Qt::ItemNeverHasChildren;
}

void PlaylistModel::reorder(const QList<int>& newRowOfOldRow) {
    // Selection and the view's current row follow their entries.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        const int row = old.row() < newRowOfOldRow.size() ? newRowOfOldRow[old.row()] : -1;
        after << (row >= 0 ? index(row, old.column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void PlaylistModel::markChanged(int oldRow, int newRow) {
    for (int row : {oldRow, newRow})
        if (row >= 0 && row < list_.Count() && columnCount() > 0)
            emit dataChanged(index(row, 0), index(row, 0), {Qt::DecorationRole});
}

} // namespace larkspin
