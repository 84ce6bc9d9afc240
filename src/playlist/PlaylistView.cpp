#include "PlaylistView.h"

#include "FileDrop.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace larkspin {
namespace {

// Rows dragged inside one list; the data names the list, so a drag from another window or another
// Larkspin is never taken for a move.
const QString RowDragFormat = QStringLiteral("application/x-larkspin-playlist-rows");

} // namespace

PlaylistView::PlaylistView(QWidget* parent) : QTableView(parent) {
    setObjectName(QStringLiteral("PlaylistView"));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(true);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

QList<int> PlaylistView::selectedRowList() const {
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QMimeData* PlaylistView::rowDragData() const {
    auto* data = new QMimeData;
    const QString token =
        QStringLiteral("%1:%2").arg(QCoreApplication::applicationPid()).arg(reinterpret_cast<quintptr>(this));
    data->setData(RowDragFormat, token.toUtf8());
    return data;
}

bool PlaylistView::isOwnDrag(const QMimeData* data) const {
    if (!data || !data->hasFormat(RowDragFormat))
        return false;
    QMimeData* own = rowDragData();
    const bool same = data->data(RowDragFormat) == own->data(RowDragFormat);
    delete own;
    return same;
}

void PlaylistView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit playRequested();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        emit deleteRequested();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void PlaylistView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        emit playRequested();
}

void PlaylistView::startDrag(Qt::DropActions) {
    if (selectedRowList().isEmpty())
        return;
    // The rows move inside the list only; nothing is removed when the drag ends elsewhere.
    auto* drag = new QDrag(this);
    drag->setMimeData(rowDragData());
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

void PlaylistView::dragEnterEvent(QDragEnterEvent* event) {
    if (isOwnDrag(event->mimeData())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    AcceptFileDrop(event);
}

void PlaylistView::dragMoveEvent(QDragMoveEvent* event) {
    // The base class scrolls the list while the pointer rests near its edges; acceptance is decided here.
    QTableView::dragMoveEvent(event);
    if (isOwnDrag(event->mimeData())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    AcceptFileDrop(event);
}

void PlaylistView::dropEvent(QDropEvent* event) {
    stopAutoScroll();
    setState(QAbstractItemView::NoState);
    viewport()->update();
    if (isOwnDrag(event->mimeData())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        const QModelIndex at = indexAt(event->position().toPoint());
        emit rowsMoveRequested(at.isValid() ? at.row() : -1);
        return;
    }
    if (AcceptFileDrop(event))
        emit filesDropped(DroppedLocalFiles(event->mimeData()));
}

} // namespace larkspin
