#pragma once

#include <QTableView>

class QMimeData;

namespace larkspin {

// The visible playlist: a table over the playlist model with whole-row, multiple selection. It turns
// Enter and double-clicks into playRequested, the Delete key into deleteRequested, drops of files from a file
// manager into filesDropped, and drags of its own selected rows into rowsMoveRequested. Drags from anywhere
// else that carry no files are refused.
class PlaylistView : public QTableView {
    Q_OBJECT
public:
    explicit PlaylistView(QWidget* parent = nullptr);

    // The rows selected now, in ascending order.
    QList<int> selectedRowList() const;

    // The data an internal drag carries (also used by tests to stand in for a drag).
    QMimeData* rowDragData() const;

signals:
    void playRequested();
    // The Delete key.
    void deleteRequested();
    void filesDropped(const QByteArrayList& paths);
    // Selected rows dropped before row target; -1 when dropped below the last row.
    void rowsMoveRequested(int target);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool isOwnDrag(const QMimeData* data) const;
};

} // namespace larkspin
