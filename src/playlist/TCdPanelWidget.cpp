#include "TCdPanelWidget.h"

#include "CdPanel.h"
#include "PlayMarks.h"
#include "Settings.h"
#include "TMatchform.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QPixmap>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace larkspin {

TCdPanelWidget::TCdPanelWidget(CdPanel& panel, const Settings& settings, QWidget* parent)
    : QGroupBox(parent), panel_(panel), settings_(settings) {
    setObjectName(QStringLiteral("cdpanel"));
    setTitle(panel_.Caption());
    // It lies over the playlist's frame: its own background hides the list's caption and header.
    setAutoFillBackground(true);

    cdlistview_ = new QTableWidget(0, 2, this);
    cdlistview_->setObjectName(QStringLiteral("cdlistview"));
    cdlistview_->setHorizontalHeaderLabels({tr("Track"), tr("Length")});
    cdlistview_->setColumnWidth(0, 300);
    cdlistview_->setColumnWidth(1, 80);
    cdlistview_->setShowGrid(true);
    cdlistview_->setSelectionBehavior(QAbstractItemView::SelectRows);
    cdlistview_->setSelectionMode(QAbstractItemView::SingleSelection);
    cdlistview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cdlistview_->verticalHeader()->hide();
    cdlistview_->setIconSize(QSize(PlayMarkSize, PlayMarkSize));

    closeButton_ = new QToolButton(this);
    closeButton_->setObjectName(QStringLiteral("cdpanelclose"));
    closeButton_->setText(QStringLiteral("x"));
    closeButton_->setToolTip(tr("Close CD Player"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(closeButton_, 0, Qt::AlignRight);
    layout->addWidget(cdlistview_);

    connect(closeButton_, &QToolButton::clicked, this, [this] { panel_.CloseCd(); });
    connect(cdlistview_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!selecting_)
            panel_.RowSelected(cdlistview_->currentRow());
    });
    connect(cdlistview_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { panel_.RowDoubleClicked(row); });
    connect(cdlistview_, &QTableWidget::activated, this, [this](const QModelIndex& index) {
        if (index.isValid())
            panel_.RowDoubleClicked(index.row());
    });

    connect(&panel_, &CdPanel::rowsChanged, this, &TCdPanelWidget::showRows);
    connect(&panel_, &CdPanel::markChanged, this, &TCdPanelWidget::showMarks);
    connect(&panel_, &CdPanel::captionChanged, this, [this] { setTitle(panel_.Caption()); });
    connect(&panel_, &CdPanel::rowSelectionRequested, this, &TCdPanelWidget::selectRow);
    connect(&panel_, &CdPanel::opened, this, [this] {
        show();
        raise();
        cdlistview_->setFocus(); // the keys work on the tracks: arrows choose, Enter plays
    });
    connect(&panel_, &CdPanel::closed, this, &QWidget::hide);
    connect(&panel_, &CdPanel::message, this, [this](const QString& text) {
        QMessageBox::information(this, QStringLiteral("Larkspin 3.0"), tr(text.toUtf8().constData()));
    });
    panel_.ChooseMatch = [this](const QStringList& lines) { return TMatchform::ChooseMatch(lines, this); };
    hide();
}

void TCdPanelWidget::showRows() {
    const int selected = cdlistview_->currentRow();
    selecting_ = true;
    cdlistview_->setRowCount(static_cast<int>(panel_.Rows().size()));
    for (int r = 0; r < cdlistview_->rowCount(); ++r) {
        const CdPanel::Row& row = panel_.Rows()[static_cast<size_t>(r)];
        cdlistview_->setItem(r, 0, new QTableWidgetItem(row.track));
        cdlistview_->setItem(r, 1, new QTableWidgetItem(row.length));
    }
    if (selected >= 0 && selected < cdlistview_->rowCount())
        cdlistview_->selectRow(selected);
    selecting_ = false;
    showMarks();
}

void TCdPanelWidget::showMarks() {
    const QIcon none(QPixmap::fromImage(PlayMarkPicture(0)));
    const QIcon mark(QPixmap::fromImage(PlayMarkPicture(settings_.IconIndex + 1)));
    for (int r = 0; r < cdlistview_->rowCount(); ++r)
        if (QTableWidgetItem* item = cdlistview_->item(r, 0))
            item->setIcon(r == panel_.MarkedRow() ? mark : none);
}

void TCdPanelWidget::selectRow(int row) {
    selecting_ = true;
    cdlistview_->clearSelection();
    if (row >= 0 && row < cdlistview_->rowCount()) {
        cdlistview_->selectRow(row);
        cdlistview_->scrollToItem(cdlistview_->item(row, 0));
    }
    selecting_ = false;
}

} // namespace larkspin
