#include "TFrame_Organizer.h"

#include "DriveCheck.h"
#include "LibraryBrowse.h"
#include "LibrarySearch.h"
#include "MusicLibrary.h"
#include "PlayerController.h"
#include "Settings.h"
#include "Thintform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStringListModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace larkspin {

namespace {

// The names of listarchiv2 under one column caption.
class NameListModel : public QStringListModel {
public:
    using QStringListModel::QStringListModel;
    void setCaption(const QString& caption) {
        caption_ = caption;
        emit headerDataChanged(Qt::Horizontal, 0, 0);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return caption_;
        return QStringListModel::headerData(section, orientation, role);
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return QStringListModel::flags(index) & ~Qt::ItemIsEditable;
    }

private:
    QString caption_;
};

const char* const ModeNames[] = {"All", "Artist", "Album", "Search"};

// The mode icons, drawn here: a stack of lines, a person, a disc, a magnifier.
QIcon ModeIcon(int mode) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 70, 120), 2.5));
    switch (mode) {
    case TFrame_Organizer::ModeAll:
        for (int y = 7; y <= 25; y += 6)
            p.drawLine(6, y, 26, y);
        break;
    case TFrame_Organizer::ModeArtist:
        p.setBrush(QColor(90, 130, 190));
        p.drawEllipse(QPointF(16, 10), 5, 5);
        p.drawChord(QRectF(6, 17, 20, 18), 0, 180 * 16);
        break;
    case TFrame_Organizer::ModeAlbum:
        p.setBrush(QColor(200, 200, 215));
        p.drawEllipse(QPointF(16, 16), 12, 12);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 16), 3, 3);
        break;
    default:
        p.drawEllipse(QPointF(13, 13), 8, 8);
        p.drawLine(QPointF(19, 19), QPointF(27, 27));
        break;
    }
    return QIcon(pixmap);
}

} // namespace

TFrame_Organizer::TFrame_Organizer(MusicLibrary& library, Settings& settings, QWidget* parent)
    : QWidget(parent), library_(library), settings_(settings) {
    buildWidgets();
    connectWidgets();
    casebox->setChecked(settings_.CaseSearch);
    hintAction->setChecked(settings_.HintWindow);
    QFont listFont = listarchiv3->font();
    if (settings_.OrgFontSize > 0)
        listFont.setPointSize(settings_.OrgFontSize);
    listarchiv2->setFont(listFont);
    listarchiv3->setFont(listFont);
    countTimer_.setInterval(1000);
    connect(&countTimer_, &QTimer::timeout, this, &TFrame_Organizer::UpdateEntryCount);
    UpdateEntryCount();
}

// Played files join the library from elsewhere, so the count is looked at once a second; a hidden
// browser shows no count, and a program that idles with it hidden is not woken for it.
void TFrame_Organizer::showEvent(QShowEvent* event) {
    UpdateEntryCount();
    countTimer_.start();
    QWidget::showEvent(event);
}

void TFrame_Organizer::hideEvent(QHideEvent* event) {
    countTimer_.stop();
    QWidget::hideEvent(event);
}

void TFrame_Organizer::buildWidgets() {
    listarchiv1 = new QListWidget;
    listarchiv1->setObjectName(QStringLiteral("listarchiv1"));
    listarchiv1->setViewMode(QListView::IconMode);
    listarchiv1->setFlow(QListView::LeftToRight);
    listarchiv1->setMovement(QListView::Static);
    listarchiv1->setIconSize(QSize(32, 32));
    listarchiv1->setGridSize(QSize(64, 56));
    listarchiv1->setFixedHeight(64);
    for (int m = ModeAll; m <= ModeSearch; ++m)
        listarchiv1->addItem(new QListWidgetItem(ModeIcon(m), QString::fromLatin1(ModeNames[m])));
    waitLabel = new QLabel(QStringLiteral("Please wait! Loading informations..."));
    waitLabel->setFixedHeight(64);
    waitLabel->hide();

    nameModel_ = new NameListModel(this);
    listarchiv2 = new QTreeView;
    listarchiv2->setObjectName(QStringLiteral("listarchiv2"));
    listarchiv2->setModel(nameModel_);
    listarchiv2->setRootIsDecorated(false);
    listarchiv2->setUniformRowHeights(true);
    listarchiv2->setSelectionMode(QAbstractItemView::SingleSelection);
    listarchiv2->setEditTriggers(QAbstractItemView::NoEditTriggers);

    searchpanel = new QWidget;
    searchpanel->setObjectName(QStringLiteral("searchpanel"));
    searchItem = new QLineEdit;
    startSearchButton = new QPushButton(QStringLiteral("Start search"));
    clearSearchButton = new QPushButton(QStringLiteral("Clear"));
    casebox = new QCheckBox(QStringLiteral("Case sensitive"));
    auto* searchLayout = new QVBoxLayout(searchpanel);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(new QLabel(QStringLiteral("Search for...")));
    searchRow->addWidget(searchItem, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(startSearchButton);
    buttonRow->addWidget(clearSearchButton);
    buttonRow->addWidget(casebox);
    buttonRow->addStretch();
    searchLayout->addLayout(searchRow);
    searchLayout->addLayout(buttonRow);
    searchLayout->addStretch();

    upperPanel = new QStackedWidget;
    upperPanel->addWidget(listarchiv2);
    upperPanel->addWidget(searchpanel);

    titleModel_ = new LibraryTitleModel(library_.Lines, this);
    listarchiv3 = new QTreeView;
    listarchiv3->setObjectName(QStringLiteral("listarchiv3"));
    listarchiv3->setModel(titleModel_);
    listarchiv3->setRootIsDecorated(false);
    listarchiv3->setUniformRowHeights(true);
    listarchiv3->setAllColumnsShowFocus(true);
    listarchiv3->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listarchiv3->setSelectionBehavior(QAbstractItemView::SelectRows);
    listarchiv3->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listarchiv3->setMouseTracking(true);
    listarchiv3->viewport()->installEventFilter(this);
    listarchiv3->header()->setSectionsClickable(true);
    listarchiv3->header()->setStretchLastSection(false);
    for (int c = 0; c < LibraryTitleModel::Columns; ++c)
        listarchiv3->header()->resizeSection(c, LibraryTitleModel::ColumnWidth(c));

    splitter1 = new QSplitter(Qt::Vertical);
    splitter1->setObjectName(QStringLiteral("splitter1"));
    splitter1->setChildrenCollapsible(false);
    splitter1->addWidget(upperPanel);
    splitter1->addWidget(listarchiv3);
    splitter1->setStretchFactor(1, 1);

    LibraryBox = new QGroupBox;
    auto* boxLayout = new QVBoxLayout(LibraryBox);
    boxLayout->addWidget(listarchiv1);
    boxLayout->addWidget(waitLabel);
    boxLayout->addWidget(splitter1, 1);

    albumpanel = new QGroupBox(QStringLiteral("Options of this artist/album..."));
    createPlaylistButton = new QPushButton(QStringLiteral("Create playlist"));
    enqueueButton = new QPushButton(QStringLiteral("Enqueue"));
    auto* albumLayout = new QHBoxLayout(albumpanel);
    albumLayout->addWidget(createPlaylistButton);
    albumLayout->addWidget(enqueueButton);
    albumpanel->hide();

    titlepanel = new QGroupBox(QStringLiteral("Options of this title..."));
    deleteButton = new QPushButton(QStringLiteral("Delete"));
    addToPlaylistButton = new QPushButton(QStringLiteral("Add to playlist"));
    playButton = new QPushButton(QStringLiteral("Play"));
    notFoundLabel = new QLabel(QStringLiteral("File not found..."));
    auto* titleLayout = new QHBoxLayout(titlepanel);
    titleLayout->addWidget(deleteButton);
    titleLayout->addWidget(addToPlaylistButton);
    titleLayout->addWidget(playButton);
    titleLayout->addWidget(notFoundLabel);
    titlepanel->hide();
    playButton->hide();
    notFoundLabel->hide();

    addFilesButton = new QPushButton(QStringLiteral("Add files to library..."));
    clearLibraryButton = new QPushButton(QStringLiteral("Clear library"));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(addFilesButton);
    buttons->addWidget(clearLibraryButton);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(buttons);
    bottom->addWidget(albumpanel);
    bottom->addWidget(titlepanel);
    bottom->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LibraryBox, 1);
    layout->addLayout(bottom);

    PopUpStation = new QMenu(this);
    hintAction = PopUpStation->addAction(QStringLiteral("Enable hint window"));
    hintAction->setCheckable(true);
}

void TFrame_Organizer::connectWidgets() {
    connect(listarchiv1, &QListWidget::itemClicked, this, [this] { ListArchiv1_Down(); });
    connect(listarchiv1, &QListWidget::itemActivated, this, [this] { ListArchiv1_Down(); });
    connect(listarchiv2, &QAbstractItemView::pressed, this, [this] { ListArchiv2_Down(); });
    connect(listarchiv2, &QAbstractItemView::activated, this, [this] { ListArchiv2_Down(); });
    connect(listarchiv2, &QAbstractItemView::doubleClicked, this, [this] { CreatePlaylistClick(); });
    connect(listarchiv3->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { listarchiv3SelectItem(); });
    connect(listarchiv3, &QAbstractItemView::doubleClicked, this, [this] { AddToPlaylistClick(); });
    connect(listarchiv3->header(), &QHeaderView::sectionClicked, this, &TFrame_Organizer::columnClicked);
    connect(startSearchButton, &QPushButton::clicked, this, &TFrame_Organizer::StartSearch);
    connect(searchItem, &QLineEdit::returnPressed, this, &TFrame_Organizer::StartSearch);
    connect(clearSearchButton, &QPushButton::clicked, this, &TFrame_Organizer::ClearSearch);
    connect(casebox, &QCheckBox::toggled, this, [this](bool on) { settings_.CaseSearch = on; });
    connect(createPlaylistButton, &QPushButton::clicked, this, &TFrame_Organizer::CreatePlaylistClick);
    connect(enqueueButton, &QPushButton::clicked, this, &TFrame_Organizer::EnqueueClick);
    connect(deleteButton, &QPushButton::clicked, this, &TFrame_Organizer::DeleteClick);
    connect(addToPlaylistButton, &QPushButton::clicked, this, &TFrame_Organizer::AddToPlaylistClick);
    connect(playButton, &QPushButton::clicked, this, &TFrame_Organizer::PlayClick);
    connect(clearLibraryButton, &QPushButton::clicked, this, &TFrame_Organizer::ClearLibraryClick);
    connect(addFilesButton, &QPushButton::clicked, this, &TFrame_Organizer::AddFilesClick);
    connect(hintAction, &QAction::toggled, this, [this](bool on) {
        settings_.HintWindow = on;
        if (!on && hint_)
            hint_->close();
    });
    connect(splitter1, &QSplitter::splitterMoved, this,
            [this] { settings_.filelist_height = upperPanelHeight(); });
}

int TFrame_Organizer::currentMode() const {
    const int row = listarchiv1->currentRow();
    return row < 0 ? ModeAll : row;
}

void TFrame_Organizer::selectMode(int mode) {
    if (mode < ModeAll || mode > ModeSearch)
        mode = ModeAll;
    listarchiv1->setCurrentRow(mode);
    ListArchiv1_Down();
}

void TFrame_Organizer::ListArchiv1_Down() {
    const int mode = currentMode();
    static_cast<NameListModel*>(nameModel_)->setCaption(QString::fromLatin1(ModeNames[mode]));
    RefreshBrowseMode();
    settings_.stationindex2 = mode;
}

int TFrame_Organizer::nameField() const {
    return currentMode() == ModeAlbum ? AlbumField : ArtistField;
}

void TFrame_Organizer::fillNames(int field) {
    names_ = BrowseNames(library_.Lines, field);
    QStringList list;
    list.reserve(static_cast<qsizetype>(names_.size()));
    for (const std::string& n : names_)
        list << QString::fromStdString(n);
    nameModel_->setStringList(list);
    static_cast<NameListModel*>(nameModel_)
        ->setCaption(
            QStringLiteral("%1 [%2]").arg(field == AlbumField ? "Album" : "Artist").arg(list.size()));
}

void TFrame_Organizer::RefreshBrowseMode() {
    // The lists are views over the library: every mode lists at once, a million titles included.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    names_.clear();
    nameModel_->setStringList({});
    titleModel_->Clear();
    albumpanel->hide();
    titlepanel->hide();
    const int mode = currentMode();
    switch (mode) {
    case ModeAll: {
        upperPanel->hide();
        titleModel_->SetEntries(library_.Lines.Entries());
        break;
    }
    case ModeArtist:
    case ModeAlbum:
        upperPanel->setCurrentWidget(listarchiv2);
        fillNames(mode == ModeAlbum ? AlbumField : ArtistField);
        upperPanel->show();
        break;
    default:
        upperPanel->setCurrentWidget(searchpanel);
        upperPanel->show();
        break;
    }
    listarchiv3->scrollToTop();
    listarchiv2->scrollToTop();
    QApplication::restoreOverrideCursor();
}

void TFrame_Organizer::ListArchiv2_Down() {
    titleModel_->Clear();
    titlepanel->hide();
    const QModelIndex current = listarchiv2->currentIndex();
    const bool selected = current.isValid() && listarchiv2->selectionModel()->isSelected(current);
    if (selected) {
        const std::string name = current.data().toString().toStdString();
        titleModel_->SetEntries(BrowseTitles(library_.Lines, nameField(), name));
    }
    albumpanel->setVisible(selected);
}

void TFrame_Organizer::columnClicked(int column) {
    titleModel_->SortByColumn(column);
}

void TFrame_Organizer::StartSearch() {
    titleModel_->Clear();
    titlepanel->hide();
    const std::string text = searchItem->text().toStdString();
    titleModel_->SetEntries(SearchLibrary(library_.Lines, text, casebox->isChecked()));
}

void TFrame_Organizer::ClearSearch() {
    titleModel_->Clear();
    titlepanel->hide();
}

void TFrame_Organizer::listarchiv3SelectItem() {
    const QModelIndexList rows = listarchiv3->selectionModel()->selectedRows();
    const QModelIndex current = listarchiv3->currentIndex();
    if (current.isValid())
        currentPath_ = titleModel_->PathAt(current.row());
    playButton->hide();
    notFoundLabel->hide();
    albumpanel->hide();
    titlepanel->setVisible(!rows.isEmpty());
    if (rows.size() != 1)
        return;
    currentPath_ = titleModel_->PathAt(rows.front().row());
    bool available = false;
    try {
        available = DriveReady(currentPath_.toStdString()) && FileAvailable(currentPath_.toStdString());
    } catch (const EConvertError& e) {
        QMessageBox::critical(this, QStringLiteral("Larkspin 3.0"), QString::fromUtf8(e.what()));
    }
    playButton->setVisible(available);
    notFoundLabel->setVisible(!available);
}

QStringList TFrame_Organizer::selectedPaths() const {
    QModelIndexList rows = listarchiv3->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList paths;
    for (const QModelIndex& r : rows)
        paths << titleModel_->PathAt(r.row());
    return paths;
}

QStringList TFrame_Organizer::allPaths() const {
    QStringList paths;
    paths.reserve(titleModel_->rowCount());
    for (int r = 0; r < titleModel_->rowCount(); ++r)
        paths << titleModel_->PathAt(r);
    return paths;
}

void TFrame_Organizer::AddToPlaylistClick() {
    const QStringList paths = selectedPaths();
    if (!paths.isEmpty())
        emit addToPlaylist(paths);
}

void TFrame_Organizer::CreatePlaylistClick() {
    emit createPlaylist(allPaths());
}

void TFrame_Organizer::EnqueueClick() {
    const QStringList paths = allPaths();
    if (!paths.isEmpty())
        emit enqueue(paths);
}

void TFrame_Organizer::PlayClick() {
    const QModelIndex current = listarchiv3->currentIndex();
    if (!player_ || currentPath_.isEmpty())
        return;
    PlayerEntryList::Entry entry;
    entry.Path = currentPath_.toStdString();
    if (current.isValid()) {
        entry.Artist = titleModel_->Text(current.row(), LibraryTitleModel::Artist).toStdString();
        entry.Title = titleModel_->Text(current.row(), LibraryTitleModel::Title).toStdString();
        entry.Album = titleModel_->Text(current.row(), LibraryTitleModel::Album).toStdString();
        entry.Year = titleModel_->Text(current.row(), LibraryTitleModel::Year).toStdString();
    }
    player_->PlayLibraryFile(entry);
}

void TFrame_Organizer::DeleteClick() {
    QModelIndexList rows = listarchiv3->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() > b.row(); });
    std::vector<int> order;
    for (const QModelIndex& r : rows)
        order.push_back(r.row());
    listarchiv3->selectionModel()->clear();
    // Each row names its entry; paths are unique, so this deletes the entry of each row's path and no
    // other. The rows go first: their handles die with the entries.
    std::vector<LibraryEntry> entries;
    for (int row : order) {
        const LibraryEntry e = titleModel_->EntryAt(row);
        titleModel_->RemoveRow(row);
        if (e.Valid())
            entries.push_back(e);
    }
    library_.Lines.RemoveEntries(entries);
    library_.LibraryModified = true;
    if (titleModel_->rowCount() == 0) {
        // The artist or album may be gone.
        ListArchiv1_Down();
    } else {
        listarchiv3->setCurrentIndex(titleModel_->index(0, 0));
        listarchiv3->selectionModel()->select(titleModel_->index(0, 0), QItemSelectionModel::ClearAndSelect |
                                                                            QItemSelectionModel::Rows);
    }
    UpdateEntryCount();
}

void TFrame_Organizer::ClearLibraryClick() {
    const auto answer = QMessageBox::question(this, QStringLiteral("Clear library..."),
                                              QStringLiteral("Do you want to delete the whole library?"),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    titleModel_->Clear();
    names_.clear();
    nameModel_->setStringList({});
    library_.Lines.Clear();
    albumpanel->hide();
    titlepanel->hide();
    library_.LibraryModified = true;
    UpdateEntryCount();
}

void TFrame_Organizer::AddFilesClick() {
    if (!openImport_)
        return;
    openImport_();
    ListArchiv1_Down();
    UpdateEntryCount();
}

void TFrame_Organizer::UpdateEntryCount() {
    if (settings_.ActivateOrganizer)
        LibraryBox->setTitle(QStringLiteral("Number of files: %1").arg(library_.Lines.Count()));
}

int TFrame_Organizer::upperPanelHeight() const {
    return splitter1->sizes().value(0);
}

void TFrame_Organizer::setUpperPanelHeight(int height) {
    const QList<int> sizes = splitter1->sizes();
    const int total = std::max(height + 1, sizes.value(0) + sizes.value(1));
    splitter1->setSizes({height, total - height});
}

void TFrame_Organizer::HintAt(const QPoint& viewportPos) {
    const QModelIndex index = listarchiv3->indexAt(viewportPos);
    if (!settings_.HintWindow || !index.isValid()) {
        if (hint_)
            hint_->close();
        return;
    }
    if (!hint_ && makeHint_) {
        hint_ = makeHint_();
        if (hint_)
            hint_->setWatchedWidget(listarchiv3);
    }
    if (!hint_)
        return;
    const int row = index.row();
    using C = LibraryTitleModel;
    hint_->ShowTrack(listarchiv3->viewport()->mapToGlobal(viewportPos),
                     {titleModel_->Text(row, C::Artist), titleModel_->Text(row, C::Title),
                      titleModel_->Text(row, C::Album), titleModel_->Text(row, C::Location),
                      titleModel_->Text(row, C::Bitrate), titleModel_->Text(row, C::Length)});
}

bool TFrame_Organizer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == listarchiv3->viewport()) {
        if (event->type() == QEvent::MouseMove)
            HintAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        else if (event->type() == QEvent::Leave && hint_)
            hint_->close();
        else if (event->type() == QEvent::ContextMenu) {
            hintAction->setChecked(settings_.HintWindow);
            PopUpStation->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace larkspin
