#include "TPlaylistForm.h"
#include "MakerAddress.h"

#include "CdPanel.h"
#include "FileDrop.h"
#include "FolderSearch.h"
#include "Playlist.h"
#include "PlaylistColumns.h"
#include "PlaylistModel.h"
#include "PlaylistView.h"
#include "PlugInHost.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "TAdd_dirform.h"
#include "TCdPanelWidget.h"
#include "TDecodeForm.h"
#include "TFileInfoForm.h"
#include "Taddfilesform.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>

namespace larkspin {
namespace {

constexpr int DesignWidth = 433;
constexpr int DesignHeight = 282;
constexpr int Margin = 8;
constexpr int ButtonRowFromBottom = 34; // the buttons' top, above the client area's bottom
constexpr int FrameBelowGap = 49;       // client height minus the list frame's height
constexpr int SmallButton = 25;
constexpr int WideButton = 65;
constexpr int ButtonHeight = 25;

QString PlaylistCaption() {
    return QString::fromStdString(WithMakerAddress("Playlist"));
}

QString MessageCaption() {
    return QStringLiteral("Larkspin 3.0");
}

// The file types of the plug-ins that play: a switched-off plug-in's files would not play.
std::vector<std::string> TypeTexts(const TPlugInHost* host) {
    std::vector<std::string> texts;
    if (host)
        for (const PlugInRow& row : host->PlugInTable())
            if (row.enabled)
                texts.push_back(row.fileTypes);
    return texts;
}

} // namespace

TPlaylistForm::TPlaylistForm(Playlist& list, Settings& settings, QWidget* parent)
    : QWidget(parent, Qt::Tool), list_(list), settings_(settings) {
    setObjectName(QStringLiteral("Playlistform"));
    setWindowTitle(PlaylistCaption());
    setAcceptDrops(true);
    resize(DesignWidth, DesignHeight);
    buildControls();
    buildMenus();
    connectList();
    layoutControls();
    RebuildView();
    // The start-up reload waits until the program's start-up work is done and the event loop runs.
    QTimer::singleShot(100, this, [this] { list_.StartupReload(); });
}

TPlaylistForm::~TPlaylistForm() {
    if (searchCancel_)
        searchCancel_->store(true);
}

void TPlaylistForm::buildControls() {
    ListFrame = new QGroupBox(this);
    ListFrame->setObjectName(QStringLiteral("ListFrame"));
    auto* frameLayout = new QVBoxLayout(ListFrame);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->setSpacing(1);

    Fortschritt = new QProgressBar(ListFrame);
    Fortschritt->setObjectName(QStringLiteral("Fortschritt"));
    Fortschritt->setFixedHeight(9);
    Fortschritt->setTextVisible(false);
    Fortschritt->hide();
    frameLayout->addWidget(Fortschritt);

    PlaylistView_ = new PlaylistView(ListFrame);
    model_ = new PlaylistModel(list_, this);
    PlaylistView_->setModel(model_);
    if (settings_.PlayFontSize > 0) {
        QFont font = PlaylistView_->font();
        font.setPointSize(settings_.PlayFontSize);
        PlaylistView_->setFont(font);
    }
    PlaylistView_->verticalHeader()->setDefaultSectionSize(PlaylistView_->fontMetrics().height() + 4);
    PlaylistView_->setContextMenuPolicy(Qt::CustomContextMenu);
    frameLayout->addWidget(PlaylistView_);

    auto button = [this](const char* name, const QString& text, void (TPlaylistForm::*click)()) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setFocusPolicy(Qt::TabFocus);
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    BtnAdd = button("BtnAdd", QStringLiteral("+"), &TPlaylistForm::BtnAddClick);
    BtnDel = button("BtnDel", QStringLiteral("-"), &TPlaylistForm::BtnDelClick);
    BtnClear = button("BtnClear", tr("Clear list"), &TPlaylistForm::BtnClearClick);
    PlaylistLoadBtn = button("PlaylistLoadBtn", tr("Load list"), &TPlaylistForm::LoadPlaylistClick);
    PlaylistSaveBtn = button("PlaylistSaveBtn", tr("Save list"), &TPlaylistForm::SavePlaylistClick);
    FileInfoBtn = button("FileInfoBtn", tr("Fileinfo"), &TPlaylistForm::FileInfoClick);
    CancelBtn = new QPushButton(tr("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->hide();
    connect(CancelBtn, &QPushButton::clicked, this, &TPlaylistForm::cancelWork);
}

void TPlaylistForm::buildMenus() {
    PopupAdd = new QMenu(this);
    PopupAdd->setObjectName(QStringLiteral("PopupAdd"));
    PopupAdd->addAction(tr("Add files..."), this, &TPlaylistForm::AddFilesClick);
    PopupAdd->addAction(tr("Add directory..."), this, &TPlaylistForm::AddDirectoryClick);

    PlaylistPopUp = new QMenu(this);
    PlaylistPopUp->setObjectName(QStringLiteral("PlaylistPopUp"));
    Fileinfos1 = PlaylistPopUp->addAction(tr("Fileinfos"), this, &TPlaylistForm::FileInfoClick);
    PlaylistPopUp->addSeparator();
    PlaylistPopUp->addAction(tr("Decode to Wave..."), this, &TPlaylistForm::DecodeSelected);
    QMenu* transcode = PlaylistPopUp->addMenu(tr("Transcode with..."));
    transcode->addAction(QString())->setEnabled(false);
    connect(PlaylistView_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PlaylistPopUp->popup(PlaylistView_->viewport()->mapToGlobal(at)); });

    MainPopUp = new QMenu(this);
    MainPopUp->setObjectName(QStringLiteral("MainPopUp"));
    MainPopUp->addSeparator();
    MainPopUp->addAction(tr("Add files..."), this, &TPlaylistForm::AddFilesClick);
    MainPopUp->addAction(tr("Add directory..."), this, &TPlaylistForm::AddDirectoryClick);
    MainPopUp->addSeparator();
    MainPopUp->addAction(tr("Load Playlist..."), this, &TPlaylistForm::LoadPlaylistClick);
    MainPopUp->addAction(tr("Save Playlist..."), this, &TPlaylistForm::SavePlaylistClick);
    MainPopUp->addSeparator();
    MainPopUp->addAction(tr("Delete selected items"), this, &TPlaylistForm::BtnDelClick);
    MainPopUp->addAction(tr("Clear list"), this, &TPlaylistForm::BtnClearClick);
    MainPopUp->addSeparator();
    MainPopUp->addAction(tr("Reload fileinformations"), this, &TPlaylistForm::ReloadFileInfosClick);
    MainPopUp->addSeparator();
    QAction* closeProgram =
        MainPopUp->addAction(tr("Close Larkspin"), this, &TPlaylistForm::closeProgramRequested);
    closeProgram->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    MainPopUp->addSeparator();
    // Ctrl+C works anywhere in the window; Alt+Space opens it as a window menu would.
    closeProgram->setShortcutContext(Qt::WindowShortcut);
    addAction(closeProgram);
    auto* openMenu = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(openMenu, &QShortcut::activated, this, [this] { MainPopUp->popup(mapToGlobal(QPoint(0, 0))); });
}

void TPlaylistForm::connectList() {
    connect(model_, &QAbstractItemModel::modelReset, this, &TPlaylistForm::refreshCaption);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &TPlaylistForm::refreshCaption);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &TPlaylistForm::refreshCaption);

    connect(&list_, &Playlist::wasReset, this, [this] {
        // Widths belong to fields: a new column set takes its fields' widths, an unchanged one keeps
        // what the user dragged.
        if (list_.Columns() != shownColumns_) {
            shownColumns_ = list_.Columns();
            for (size_t c = 0; c < shownColumns_.size(); ++c)
                PlaylistView_->setColumnWidth(static_cast<int>(c), FieldWidth(settings_, shownColumns_[c]));
            PlaylistView_->fitColumns();
        }
        mirrorSelection();
    });
    connect(&list_, &Playlist::selectionChanged, this, &TPlaylistForm::mirrorSelection);
    connect(&list_, &Playlist::reordered, this, &TPlaylistForm::mirrorSelection);
    connect(&list_, &Playlist::scrollToRowRequested, this, [this](int row) {
        if (row >= 0 && row < model_->rowCount())
            PlaylistView_->scrollTo(model_->index(row, 0));
    });
    connect(&list_, &Playlist::workStarted, this, [this](int total) { showProgress(0, total); });
    connect(&list_, &Playlist::workProgress, this, &TPlaylistForm::showProgress);
    connect(&list_, &Playlist::workFinished, this, [this] {
        if (!search_)
            hideProgress();
    });

    connect(PlaylistView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TPlaylistForm::selectionChangedInView);
    connect(PlaylistView_, &PlaylistView::playRequested, this, [this] { list_.PlaySelected(); });
    connect(PlaylistView_, &PlaylistView::deleteRequested, this, &TPlaylistForm::BtnDelClick);
    connect(PlaylistView_, &PlaylistView::filesDropped, this, &TPlaylistForm::AddDroppedFiles);
    connect(PlaylistView_, &PlaylistView::rowsMoveRequested, this,
            [this](int target) { list_.MoveSelectedRows(target); });
    connect(PlaylistView_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { list_.SortPlaylist(column); });
}

void TPlaylistForm::layoutControls() {
    const int w = width();
    const int h = height();
    ListFrame->setGeometry(Margin, Margin, w - 2 * Margin, h - FrameBelowGap);
    const int top = h - ButtonRowFromBottom;
    BtnAdd->setGeometry(8, top, SmallButton, ButtonHeight);
    BtnDel->setGeometry(40, top, SmallButton, ButtonHeight);
    BtnClear->setGeometry(80, top, WideButton, ButtonHeight);
    PlaylistLoadBtn->setGeometry(152, top, WideButton, ButtonHeight);
    PlaylistSaveBtn->setGeometry(224, top, WideButton, ButtonHeight);
    FileInfoBtn->setGeometry(304, top, WideButton, ButtonHeight);
    CancelBtn->setGeometry(w - Margin - WideButton, top, WideButton, ButtonHeight);
    if (cdpanel) {
        cdpanel->setGeometry(ListFrame->geometry());
        cddbbtn->setGeometry(8, top, 2 * WideButton + 16, ButtonHeight);
        closecd->setGeometry(8 + 2 * WideButton + 24, top, 2 * WideButton + 16, ButtonHeight);
    }
}

void TPlaylistForm::setCdPanel(CdPanel* panel) {
    if (cd_ || !panel)
        return;
    cd_ = panel;
    cdpanel = new TCdPanelWidget(*panel, settings_, this);
    cddbbtn = new QPushButton(tr("Get FreeDB Infos"), this);
    cddbbtn->setObjectName(QStringLiteral("cddbbtn"));
    cddbbtn->hide();
    closecd = new QPushButton(tr("Close CD Player"), this);
    closecd->setObjectName(QStringLiteral("closecd"));
    closecd->hide();
    connect(cddbbtn, &QPushButton::clicked, panel, &CdPanel::GetFreeDbInfos);
    connect(closecd, &QPushButton::clicked, panel, &CdPanel::CloseCd);
    connect(panel, &CdPanel::opened, this, [this] { showCdPlayer(true); });
    connect(panel, &CdPanel::closed, this, [this] { showCdPlayer(false); });

    cd11 = PopupAdd->addAction(QString(), this, [this] { cd_->OpenCd(0); });
    cd11->setObjectName(QStringLiteral("cd11"));
    cd11->setVisible(false);
    cd21 = PopupAdd->addAction(QString(), this, [this] { cd_->OpenCd(1); });
    cd21->setObjectName(QStringLiteral("cd21"));
    cd21->setVisible(false);
    connect(PopupAdd, &QMenu::aboutToShow, this, &TPlaylistForm::prepareCdItems);
    layoutControls();
}

void TPlaylistForm::prepareCdItems() {
    cd11->setVisible(false);
    cd21->setVisible(false);
    for (const CdPanel::DriveItem& item : cd_->AudioCdDrives()) {
        QAction* action = item.drive == 0 ? cd11 : cd21;
        action->setText(item.caption);
        action->setVisible(true);
    }
}

// While the CD player is open its panel covers the list and its two buttons replace the list's.
void TPlaylistForm::showCdPlayer(bool open) {
    if (open)
        fileInfoShown_ = FileInfoBtn->isVisible();
    for (QPushButton* b : {BtnAdd, BtnDel, BtnClear, PlaylistLoadBtn, PlaylistSaveBtn})
        b->setVisible(!open);
    FileInfoBtn->setVisible(!open && fileInfoShown_);
    cddbbtn->setVisible(open);
    closecd->setVisible(open);
}

void TPlaylistForm::refreshCaption() {
    ListFrame->setTitle(list_.TitlesCaption());
}

void TPlaylistForm::RebuildView() {
    list_.RebuildView();
}

std::vector<int> TPlaylistForm::ColumnWidths() const {
    std::vector<int> widths;
    for (int c = 0; c < model_->columnCount(); ++c)
        widths.push_back(PlaylistView_->storedWidth(c));
    return widths;
}

void TPlaylistForm::StoreColumnWidths() {
    larkspin::StoreColumnWidths(settings_, ColumnWidths());
}

void TPlaylistForm::mirrorSelection() {
    QItemSelection selection;
    const std::vector<int> rows = list_.SelectedRows();
    const int lastColumn = std::max(model_->columnCount() - 1, 0);
    for (size_t i = 0; i < rows.size();) {
        size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        selection.select(model_->index(rows[i], 0), model_->index(rows[j], lastColumn));
        i = j + 1;
    }
    mirroring_ = true;
    QItemSelectionModel* model = PlaylistView_->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.empty())
        model->setCurrentIndex(model_->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
    mirroring_ = false;
}

void TPlaylistForm::selectionChangedInView() {
    // Rows leaving while the list deletes or clears deselect themselves in the view; the list reports
    // its own selection when it is done.
    if (mirroring_ || list_.PlaylistBusy())
        return;
    const QList<int> rows = PlaylistView_->selectedRowList();
    list_.SelectionChangedInView(std::vector<int>(rows.begin(), rows.end()));
}

void TPlaylistForm::showProgress(int done, int total) {
    Fortschritt->setRange(0, std::max(total, 0));
    Fortschritt->setValue(done);
    Fortschritt->show();
    CancelBtn->show();
    setCursor(Qt::BusyCursor);
}

void TPlaylistForm::hideProgress() {
    Fortschritt->hide();
    CancelBtn->hide();
    unsetCursor();
}

void TPlaylistForm::BtnAddClick() {
    PopupAdd->popup(BtnAdd->mapToGlobal(QPoint(0, BtnAdd->height())));
}

void TPlaylistForm::BtnDelClick() {
    list_.DeleteSelected();
}

void TPlaylistForm::BtnClearClick() {
    list_.ClearList();
}

void TPlaylistForm::ReloadFileInfosClick() {
    list_.ReloadFileInfos(ColumnWidths());
}

void TPlaylistForm::FileInfoClick() {
    const std::optional<std::string> file = list_.FileInfoTarget();
    if (!file)
        return;
    TFileInfoForm form(settings_, QFile::decodeName(QByteArray::fromStdString(programFolder())), this);
    form.setPlaylistSource([this] {
        QList<TFileInfoForm::ListRow> rows;
        for (int row = 0; row < list_.Count(); ++row) {
            const auto text = [&](int field) {
                const std::string_view v = list_.Field(row, field);
                return QString::fromUtf8(v.data(), qsizetype(v.size()));
            };
            rows.append(
                {text(RecordArtist) + QStringLiteral(" - ") + text(RecordTitle),
                 QFile::decodeName(QByteArray::fromStdString(std::string(list_.Field(row, RecordPath))))});
        }
        return rows;
    });
    form.Open(QFile::decodeName(QByteArray::fromStdString(*file)));
    form.exec();
    // The rows show what the files now hold.
    if (form.tagsSaved())
        list_.ReloadFileInfos(ColumnWidths());
}

void TPlaylistForm::AddDroppedFiles(const QByteArrayList& paths) {
    std::vector<std::string> names;
    for (const QByteArray& path : paths)
        names.push_back(path.toStdString());
    list_.AddFilesToPlaylist(names);
}

namespace {
const QString Te3Filter = QStringLiteral("Larkspin Playlist (*.te3)");
const QString TelFilter = QStringLiteral("Larkspin Playlist, short records (*.tel)");
const QString PlsFilter = QStringLiteral("PLS Playlist (*.pls)");
} // namespace

void TPlaylistForm::LoadPlaylistClick() {
    QFileDialog dialog(this, QStringLiteral("Load Playlist"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("All compatible Playlists (*.te3 *.tel *.m3u *.m3u8 *.pls)"),
                           Te3Filter, TelFilter, QStringLiteral("M3U Playlist (*.m3u *.m3u8)"), PlsFilter});
    dialog.setDefaultSuffix(QStringLiteral("te3"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const Playlist::FileCommandOutcome outcome =
        list_.LoadPlaylistFile(QFile::encodeName(dialog.selectedFiles().front()).toStdString());
    if (!outcome.caption.isEmpty())
        setWindowTitle(outcome.caption);
    if (!outcome.ok)
        QMessageBox::warning(this, MessageCaption(), tr(outcome.message.c_str())); // known texts translated
}

void TPlaylistForm::SavePlaylistClick() {
    QFileDialog dialog(this, QStringLiteral("Save Playlist"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({Te3Filter, TelFilter, QStringLiteral("M3U Playlist (*.m3u)"),
                           QStringLiteral("M3U Playlist, UTF-8 (*.m3u8)"), PlsFilter});
    dialog.setDefaultSuffix(QStringLiteral("te3"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const Playlist::FileCommandOutcome outcome =
        list_.SavePlaylistFile(QFile::encodeName(dialog.selectedFiles().front()).toStdString());
    if (!outcome.caption.isEmpty())
        setWindowTitle(outcome.caption);
    if (!outcome.ok)
        QMessageBox::warning(this, MessageCaption(), tr(outcome.message.c_str())); // known texts translated
}

void TPlaylistForm::AddFilesClick() {
    if (!addFilesForm_)
        addFilesForm_ = new Taddfilesform(this);
    addFilesForm_->setJoinedTypes(JoinedTypeList(TypeTexts(host_)));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = addFilesForm_->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        addFilesForm_->move(r.topLeft());
    }
    addFilesForm_->exec();
    update();
    const std::vector<std::string> paths = addFilesForm_->result();
    if (!paths.empty())
        setWindowTitle(PlaylistCaption());
    list_.AddFilesToPlaylist(paths);
}

void TPlaylistForm::AddDirectoryClick() {
    if (search_)
        return; // one search at a time; its progress is showing
    const std::vector<std::string> patterns = AddDirectoryPatterns(TypeTexts(host_));
    TAdd_dirform dialog(patterns, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string folder = QFile::encodeName(dialog.folder()).toStdString();
    const int selected = dialog.selectedPattern();
    const bool subfolders = dialog.includeSubfolders();
    update();

    // A large tree is searched off the GUI thread; the window keeps painting and Cancel stops it.
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    searchCancel_ = cancel;
    search_ = std::make_unique<QFutureWatcher<std::vector<std::string>>>();
    connect(search_.get(), &QFutureWatcherBase::finished, this, &TPlaylistForm::searchFinished);
    search_->setFuture(QtConcurrent::run(
        [=] { return SearchFolder(folder, patterns, selected, subfolders, cancel.get()); }));
    showProgress(0, 0);
}

void TPlaylistForm::searchFinished() {
    const bool cancelled = searchCancel_->load();
    const std::vector<std::string> paths = cancelled ? std::vector<std::string>{} : search_->result();
    search_.reset();
    searchCancel_.reset();
    if (!list_.Working())
        hideProgress();
    if (cancelled)
        return;
    if (!paths.empty())
        setWindowTitle(PlaylistCaption());
    list_.AddFilesToPlaylist(paths);
}

void TPlaylistForm::cancelWork() {
    if (searchCancel_)
        searchCancel_->store(true);
    list_.CancelWork();
}

void TPlaylistForm::DecodeSelected() {
    list_.FillDecodeQueue();
    QStringList files;
    while (std::optional<std::string> path = list_.decodebox().TakeFirst())
        files << QFile::decodeName(QByteArray::fromStdString(*path));
    if (files.isEmpty() || !host_)
        return;
    // Each file is decoded by the plug-in of its own type into the output folder; the decode window
    // reports the files it could not decode.
    TDecodeForm::DecodeFiles(*host_, files, decodeFolder_ ? decodeFolder_() : QString(), this);
}

void TPlaylistForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!settings_.FullScreenMode) {
        resize(settings_.ListWidth, settings_.ListHeight);
        // A docked window is placed by the player window; later showings keep where it was put.
        const bool docked = settings_.ListDockedRight || settings_.ListDockedLeft ||
                            settings_.ListDockedTop || settings_.ListDockedBottom;
        if (!placed_ && !docked)
            move(settings_.ListPosLeft, settings_.ListPosTop);
    }
    placed_ = true;
    settings_.PlaylistWindowShow = true;
}

void TPlaylistForm::closeEvent(QCloseEvent* event) {
    if (!settings_.FullScreenMode) {
        settings_.ListPosLeft = x();
        settings_.ListPosTop = y();
    }
    settings_.PlaylistWindowShow = false;
    QWidget::closeEvent(event);
    emit windowClosed();
}

void TPlaylistForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (placed_ && !settings_.FullScreenMode) {
        settings_.ListWidth = width();
        settings_.ListHeight = height();
    }
    layoutControls();
}

void TPlaylistForm::contextMenuEvent(QContextMenuEvent* event) {
    if (mainWindowMenu_)
        mainWindowMenu_->popup(event->globalPos());
}

void TPlaylistForm::dragEnterEvent(QDragEnterEvent* event) {
    AcceptFileDrop(event);
}

void TPlaylistForm::dragMoveEvent(QDragMoveEvent* event) {
    AcceptFileDrop(event);
}

void TPlaylistForm::dropEvent(QDropEvent* event) {
    if (AcceptFileDrop(event))
        AddDroppedFiles(DroppedLocalFiles(event->mimeData()));
}

} // namespace larkspin
