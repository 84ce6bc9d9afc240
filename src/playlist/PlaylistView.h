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

    // Room the columns leave free goes to the widest column, so they fill the view's width; it is taken
    // back when the view narrows or another column widens. Runs by itself when the view is resized.
    void fitColumns();
    // The width of column without that room: the width that was set or dragged, the one to store.
    int storedWidth(int column) const;

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
    bool viewportEvent(QEvent* event) override;

private:
    bool isOwnDrag(const QMimeData* data) const;
    void columnResized(int column, int oldWidth, int newWidth);

    int fillColumn_ = -1; // the column holding the room, or none
    int fill_ = 0;        // the room it holds
    bool fitting_ = false;
};

} // namespace larkspin
