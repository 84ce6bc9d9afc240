#include "TArchivForm.h"

#include "LibrarySort.h"
#include "MusicLibrary.h"
#include "Settings.h"
#include "TGetCDForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStringListModel>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <algorithm>
#include <numeric>

namespace larkspin {

namespace {

const char* const PreviewColumns[] = {"Artist",  "Title", "Length", "Album", "Bitrate",  "Year",  "Style",
                                      "Comment", "Track", "Size",   "Path",  "Location", "Rating"};
constexpr int PreviewColumnCount = 13;
// Paths read between two looks at the cancel flag.
constexpr std::size_t ReadChunk = 8;

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void ImportPreviewModel::SetRows(std::vector<ImportRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void ImportPreviewModel::RemoveRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int r : rows) {
        if (r < 0 || r >= static_cast<int>(rows_.size()))
            continue;
        beginRemoveRows({}, r, r);
        rows_.erase(rows_.begin() + r);
        endRemoveRows();
    }
}

void ImportPreviewModel::SortByArtist() {
    std::vector<std::string_view> artists;
    for (const ImportRow& r : rows_)
        artists.push_back(r.record[RecordArtist]);
    std::vector<std::string_view> sorted = artists;
    SortTexts(sorted, LibraryCollator(Qt::CaseSensitive));
    // Rank of each artist text in that order; rows of equal artists keep their order.
    std::unordered_map<std::string_view, std::size_t> rank;
    for (std::size_t i = 0; i < sorted.size(); ++i)
        rank.emplace(sorted[i], i);
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return rank.at(artists[a]) < rank.at(artists[b]); });
    std::vector<ImportRow> rows;
    rows.reserve(rows_.size());
    for (std::size_t i : order)
        rows.push_back(std::move(rows_[i]));
    SetRows(std::move(rows));
}

int ImportPreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ImportPreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : PreviewColumnCount;
}

QVariant ImportPreviewModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const ImportRow& r = rows_[static_cast<std::size_t>(index.row())];
    const int c = index.column();
    if (c < TrackRecordFields)
        return ToQString(r.record[static_cast<std::size_t>(c)]);
    return ToQString(c == TrackRecordFields ? r.location : r.rating);
}

QVariant ImportPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= PreviewColumnCount)
        return {};
    return QString::fromLatin1(PreviewColumns[section]);
}

TArchivForm::TArchivForm(MusicLibrary& library, Settings& settings, QWidget* parent)
    : QDialog(parent), library_(library), settings_(settings) {
    setWindowTitle(QStringLiteral("Add mediafiles to archive..."));
    buildWidgets();
    QString start = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (start.isEmpty() || !QDir(start).exists())
        start = QDir::homePath();
    setFolder(start);
    askMediumName = [this] {
        TGetCDForm form(this);
        form.exec();
        return form.mediumName();
    };
    progressTimer_.setInterval(50);
    connect(&progressTimer_, &QTimer::timeout, this, [this] {
        if (searching_)
            foundCount->setText(QString::number(searchFound_->load()));
        else if (readDone_)
            progress->setValue(readDone_->load());
    });
    connect(&searchWatcher_, &QFutureWatcher<std::vector<std::string>>::finished, this,
            &TArchivForm::searchFinished);
    connect(&readWatcher_, &QFutureWatcher<std::vector<TrackRecord>>::finished, this,
            &TArchivForm::readFinished);
}

TArchivForm::~TArchivForm() {
    stopWork();
}

QString& TArchivForm::mediumName() {
    static QString name;
    return name;
}

void TArchivForm::buildWidgets() {
    panel1 = new QWidget;
    folderEdit = new QLineEdit;
    browseButton = new QPushButton(QStringLiteral("Browse..."));
    ComboBox1 = new QComboBox;
    ComboBox1->setToolTip(QStringLiteral("Choose filetypes"));
    subfoldersBox = new QCheckBox(QStringLiteral("Include subfolders"));
    subfoldersBox->setChecked(true);
    startSearchButton = new QPushButton(QStringLiteral("Start search"));
    listeModel_ = new QStringListModel(this);
    Liste = new QListView;
    Liste->setModel(listeModel_);
    Liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Liste->setUniformItemSizes(true);
    foundCount = new QLabel(QStringLiteral("0"));
    status1 = new QLabel(QStringLiteral("Waiting..."));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("Folder:")));
    folderRow->addWidget(folderEdit, 1);
    folderRow->addWidget(browseButton);
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(new QLabel(QStringLiteral("Choose filetypes")));
    typeRow->addWidget(ComboBox1, 1);
    typeRow->addWidget(subfoldersBox);
    typeRow->addWidget(startSearchButton);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("Found files:")));
    countRow->addWidget(foundCount);
    countRow->addStretch();
    countRow->addWidget(status1);
    auto* p1 = new QVBoxLayout(panel1);
    p1->setContentsMargins(0, 0, 0, 0);
    p1->addLayout(folderRow);
    p1->addLayout(typeRow);
    p1->addWidget(Liste, 1);
    p1->addLayout(countRow);

    panel2 = new QWidget;
    auto* kind = new QGroupBox(QStringLiteral("Kind of tag (only mp3)"));
    id3v1Radio = new QRadioButton(QStringLiteral("Read Id3v1 Tag"));
    id3v2Radio = new QRadioButton(QStringLiteral("Read Id3v2 Tag"));
    id3v1Radio->setChecked(true);
    auto* kindLayout = new QHBoxLayout(kind);
    kindLayout->addWidget(id3v1Radio);
    kindLayout->addWidget(id3v2Radio);
    readButton = new QPushButton(QStringLiteral("Read file informations"));
    preview_ = new ImportPreviewModel(this);
    DetailList = new QTreeView;
    DetailList->setModel(preview_);
    DetailList->setRootIsDecorated(false);
    DetailList->setUniformRowHeights(true);
    DetailList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DetailList->setSelectionBehavior(QAbstractItemView::SelectRows);
    deleteButton = new QPushButton(QStringLiteral("Delete selected titles"));
    progress = new QProgressBar;
    status2 = new QLabel(QStringLiteral("Waiting..."));
    auto* readRow = new QHBoxLayout;
    readRow->addWidget(kind);
    readRow->addWidget(readButton);
    readRow->addStretch();
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(deleteButton);
    bottomRow->addWidget(progress, 1);
    bottomRow->addWidget(status2);
    auto* p2 = new QVBoxLayout(panel2);
    p2->setContentsMargins(0, 0, 0, 0);
    p2->addLayout(readRow);
    p2->addWidget(DetailList, 1);
    p2->addLayout(bottomRow);
    panel2->hide();

    nextButton = new QPushButton(QStringLiteral("Next >>"));
    nextButton->setEnabled(false);
    cancelButton = new QPushButton(QStringLiteral("Cancel"));
    finishProgress = new QProgressBar;
    finishProgress->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(finishProgress, 1);
    buttons->addStretch();
    buttons->addWidget(nextButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel1, 1);
    layout->addWidget(panel2, 1);
    layout->addLayout(buttons);
    resize(720, 480);

    connect(browseButton, &QPushButton::clicked, this, [this] {
        const QString folder =
            QFileDialog::getExistingDirectory(this, QStringLiteral("Choose a folder"), folderEdit->text());
        if (!folder.isEmpty())
            setFolder(folder);
    });
    connect(startSearchButton, &QPushButton::clicked, this, &TArchivForm::StartSearchClick);
    connect(nextButton, &QPushButton::clicked, this, &TArchivForm::NextClick);
    connect(readButton, &QPushButton::clicked, this, &TArchivForm::ReadInfosClick);
    connect(deleteButton, &QPushButton::clicked, this, &TArchivForm::DeleteSelectedClick);
    connect(cancelButton, &QPushButton::clicked, this, &TArchivForm::CancelClick);
}

void TArchivForm::setFileTypeLists(const std::vector<std::string>& typeLists) {
    masks_ = FileTypeMasks(typeLists);
    ComboBox1->clear();
    if (masks_.empty())
        return;
    ComboBox1->addItem(QStringLiteral("All compatible Files"));
    for (const std::string& m : masks_)
        ComboBox1->addItem(ToQString(m));
    ComboBox1->setCurrentIndex(0);
}

void TArchivForm::setFolder(const QString& folder) {
    folderEdit->setText(folder);
}

QStringList TArchivForm::foundPaths() const {
    return listeModel_->stringList();
}

void TArchivForm::StartSearchClick() {
    if (searching_ || reading_)
        return;
    const std::string folder = folderEdit->text().toStdString();
    mediumKind_ = MediumKindOf(folder);
    if (mediumKind_ != "int")
        mediumName() = askMediumName ? askMediumName() : QString();
    if (mediumName().isEmpty() && mediumKind_ != "int")
        return;
    status1->setText(QStringLiteral("Searching..."));
    listeModel_->setStringList({});
    foundCount->setText(QStringLiteral("0"));
    if (ComboBox1->count() == 0) {
        status1->setText(QStringLiteral("Finished"));
        nextButton->setEnabled(true);
        return;
    }
    ImportSearch search;
    search.folder = folder;
    search.masks = masks_;
    if (ComboBox1->currentIndex() > 0)
        search.only = masks_[static_cast<std::size_t>(ComboBox1->currentIndex() - 1)];
    search.includeSubfolders = subfoldersBox->isChecked();
    // A large tree is searched off the GUI thread: the window keeps answering and Cancel stops it.
    cancelSearch_ = std::make_shared<std::atomic<bool>>(false);
    searchFound_ = std::make_shared<std::atomic<int>>(0);
    searching_ = true;
    startSearchButton->setEnabled(false);
    searchWatcher_.setFuture(QtConcurrent::run([search, cancel = cancelSearch_, found = searchFound_] {
        return FindImportFiles(
            search, [&found](std::size_t n) { found->store(static_cast<int>(n)); }, cancel.get());
    }));
    progressTimer_.start();
}

void TArchivForm::searchFinished() {
    progressTimer_.stop();
    searching_ = false;
    startSearchButton->setEnabled(true);
    const std::vector<std::string> paths = searchWatcher_.result();
    QStringList list;
    list.reserve(static_cast<qsizetype>(paths.size()));
    for (const std::string& p : paths)
        list << ToQString(p);
    listeModel_->setStringList(list);
    foundCount->setText(QString::number(list.size()));
    status1->setText(cancelSearch_->load() ? QStringLiteral("Cancelled") : QStringLiteral("Finished"));
    nextButton->setEnabled(true);
}

void TArchivForm::NextClick() {
    panel1->hide();
    panel2->show();
    nextButton->setEnabled(false);
    step2_ = true;
}

void TArchivForm::ReadInfosClick() {
    if (reading())
        return;
    status2->setText(QStringLiteral("Reading..."));
    readButton->setEnabled(false);
    deleteButton->setEnabled(false);
    std::vector<std::string> paths;
    for (const QString& p : listeModel_->stringList())
        paths.push_back(p.toStdString());
    progress->setRange(0, std::max<int>(1, static_cast<int>(paths.size())));
    progress->setValue(0);
    cancelRead_ = std::make_shared<std::atomic<bool>>(false);
    readDone_ = std::make_shared<std::atomic<int>>(0);
    const bool useId3v2 = id3v2Radio->isChecked();
    reading_ = true;
    readWatcher_.setFuture(
        QtConcurrent::run([paths = std::move(paths), useId3v2, cancel = cancelRead_, done = readDone_] {
            std::vector<TrackRecord> records;
            for (std::size_t i = 0; i < paths.size() && !cancel->load(); i += ReadChunk) {
                const std::vector<std::string> chunk(
                    paths.begin() + static_cast<std::ptrdiff_t>(i),
                    paths.begin() + static_cast<std::ptrdiff_t>(std::min(paths.size(), i + ReadChunk)));
                FillTrackItems(chunk, records, useId3v2);
                done->store(static_cast<int>(records.size()));
            }
            return records;
        }));
    progressTimer_.start();
}

void TArchivForm::readFinished() {
    progressTimer_.stop();
    reading_ = false;
    std::vector<TrackRecord> records = readWatcher_.result();
    progress->setValue(static_cast<int>(records.size()));
    const std::string location = mediumKind_ != "int" ? mediumName().toStdString() : std::string("Internal");
    std::vector<ImportRow> rows;
    rows.reserve(records.size());
    for (TrackRecord& r : records)
        rows.push_back({std::move(r), location, "0"});
    preview_->SetRows(std::move(rows));
    preview_->SortByArtist();
    const bool cancelled = cancelRead_ && cancelRead_->load();
    status2->setText(cancelled ? QStringLiteral("Cancelled") : QStringLiteral("Finished"));
    deleteButton->setEnabled(true);
    cancelButton->setText(QStringLiteral("Finish"));
    cancelButton->setDefault(true);
}

void TArchivForm::DeleteSelectedClick() {
    std::vector<int> rows;
    for (const QModelIndex& i : DetailList->selectionModel()->selectedRows())
        rows.push_back(i.row());
    preview_->RemoveRows(rows);
}

void TArchivForm::stopWork() {
    if (cancelSearch_)
        cancelSearch_->store(true);
    searchWatcher_.waitForFinished();
    if (cancelRead_)
        cancelRead_->store(true);
    readWatcher_.waitForFinished();
}

void TArchivForm::CancelClick() {
    if (searching()) {
        // Stops the search; the files found so far are listed.
        cancelSearch_->store(true);
        return;
    }
    if (reading()) {
        // Stops the reading; the rows read so far stay in the preview.
        cancelRead_->store(true);
        return;
    }
    if (step2_) {
        const std::vector<ImportRow>& rows = preview_->Rows();
        finishProgress->setRange(0, std::max<int>(1, static_cast<int>(rows.size())));
        finishProgress->show();
        AddImportRows(library_, rows, {settings_.TransformArtOrg, settings_.TransformTitOrg},
                      [this](std::size_t i) { finishProgress->setValue(static_cast<int>(i)); });
        finishProgress->hide();
    }
    accept();
}

void TArchivForm::reject() {
    // Closing the window is a plain cancel; a search or reading in progress is stopped first.
    stopWork();
    QDialog::reject();
}

void TArchivForm::closeEvent(QCloseEvent* event) {
    stopWork();
    QDialog::closeEvent(event);
}

} // namespace larkspin
