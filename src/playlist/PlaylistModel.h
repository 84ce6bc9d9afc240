#pragma once

#include <QAbstractTableModel>
#include <QPixmap>

#include <array>

namespace larkspin {

class Playlist;

// The one model over the playlist's entry list: row k is entry k, column c shows the field of the
// column's Row setting, and the first column carries the play-mark picture. It holds no texts of its
// own; every change of the list reaches the view through the list's notifications.
class PlaylistModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PlaylistModel(Playlist& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void reorder(const QList<int>& newRowOfOldRow);
    void markChanged(int oldRow, int newRow);

    Playlist& list_;
    std::array<QPixmap, 6> marks_;
};

} // namespace larkspin
