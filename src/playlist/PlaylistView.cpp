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
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &PlaylistView::columnResized);
}

void PlaylistView::fitColumns() {
    QHeaderView* header = horizontalHeader();
    fitting_ = true;
    if (fillColumn_ >= 0 && fillColumn_ < header->count())
        setColumnWidth(fillColumn_, std::max(columnWidth(fillColumn_) - fill_, 0));
    fillColumn_ = -1;
    fill_ = 0;
    const int spare = viewport()->width() - header->length();
    int widest = -1;
    for (int c = 0; c < header->count(); ++c)
        if (!header->isSectionHidden(c) && (widest < 0 || columnWidth(c) > columnWidth(widest)))
            widest = c;
    if (spare > 0 && widest >= 0) {
        setColumnWidth(widest, columnWidth(widest) + spare);
        fillColumn_ = widest;
        fill_ = spare;
    }
    fitting_ = false;
}

int PlaylistView::storedWidth(int column) const {
    return columnWidth(column) - (column == fillColumn_ ? fill_ : 0);
}

// A column set or dragged: the fill column's new width is its own; another column's change is taken
// from (or given to) the room, so the columns keep filling the view.
void PlaylistView::columnResized(int column, int oldWidth, int newWidth) {
    if (fitting_)
        return;
    if (column == fillColumn_) {
        fillColumn_ = -1;
        fill_ = 0;
        return;
    }
    if (fillColumn_ < 0 || fillColumn_ >= horizontalHeader()->count())
        return;
    const int give = std::min(newWidth - oldWidth, fill_); // negative: the room grows
    fitting_ = true;
    setColumnWidth(fillColumn_, columnWidth(fillColumn_) - give);
    fill_ -= give;
    fitting_ = false;
}

bool PlaylistView::viewportEvent(QEvent* event) {
    const bool handled = QTableView::viewportEvent(event);
    if (event->type() == QEvent::Resize && !fitting_)
        fitColumns();
    return handled;
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
