#include "TEncoderPage.h"

#include "TDecodeForm.h"
#include "TEncodeJobs.h"
#include "TEncoderHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace larkspin {

namespace {
constexpr int PathRole = Qt::UserRole;
}

TEncoderPage::TEncoderPage(TEncoderHost& encoders, TPlugInHost* decoders, QWidget* parent)
    : QWidget(parent), encoders_(encoders), decoders_(decoders), jobs_(new TEncodeJobs(encoders, this)),
      plugIns_(new QComboBox(this)), folder_(new QLineEdit(this)), list_(new QTreeWidget(this)),
      decode_(new QCheckBox(QStringLiteral("Decode to wave"), this)),
      start_(new QPushButton(QStringLiteral("Start encoding..."), this)), panel_(new QFrame(this)),
      jobNumber_(new QLabel(panel_)), percent_(new QLabel(panel_)), gauge_(new QProgressBar(panel_)) {
    // The plug-in choice: each plug-in's information line; the first stays loaded.
    for (const std::string& info : encoders_.CollectInfos())
        plugIns_->addItem(QString::fromStdString(info));
    plugIns_->setEnabled(plugIns_->count() > 0);
    settings_ = new QPushButton(QStringLiteral("Settings..."), this);
    settings_->setEnabled(plugIns_->count() > 0);
    auto* search = new QPushButton(QStringLiteral("Search..."), this);
    list_->setColumnCount(1);
    list_->setHeaderLabels({QStringLiteral("Filename")});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* add = new QPushButton(QStringLiteral("Add files..."), this);
    auto* del = new QPushButton(QStringLiteral("Del files"), this);
    auto* clear = new QPushButton(QStringLiteral("Clear list"), this);
    decode_->setEnabled(decoders_ != nullptr);

    auto* encoding = new QLabel(QStringLiteral("Encoding..."), panel_);
    auto* abort = new QPushButton(QStringLiteral("Abort"), panel_);
    gauge_->setRange(0, 100);
    gauge_->setTextVisible(false);
    auto* panelLayout = new QGridLayout(panel_);
    panelLayout->addWidget(encoding, 0, 0);
    panelLayout->addWidget(jobNumber_, 0, 1);
    panelLayout->addWidget(percent_, 0, 2, Qt::AlignRight);
    panelLayout->addWidget(gauge_, 1, 0, 1, 3);
    panelLayout->addWidget(abort, 2, 2, Qt::AlignRight);
    panel_->setFrameShape(QFrame::StyledPanel);
    panel_->hide();

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Encoder:"), this), 0, 0);
    grid->addWidget(plugIns_, 0, 1);
    grid->addWidget(settings_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Output folder:"), this), 1, 0);
    grid->addWidget(folder_, 1, 1);
    grid->addWidget(search, 1, 2);
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(add);
    listButtons->addWidget(del);
    listButtons->addWidget(clear);
    listButtons->addStretch();
    listButtons->addWidget(decode_);
    listButtons->addWidget(start_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(list_, 1);
    layout->addLayout(listButtons);
    layout->addWidget(panel_);

    connect(settings_, &QPushButton::clicked, this, &TEncoderPage::SettingsClick);
    connect(search, &QPushButton::clicked, this, &TEncoderPage::SearchClick);
    connect(add, &QPushButton::clicked, this, &TEncoderPage::AddFilesClick);
    connect(del, &QPushButton::clicked, this, &TEncoderPage::DelFilesClick);
    connect(clear, &QPushButton::clicked, this, &TEncoderPage::ClearListClick);
    connect(start_, &QPushButton::clicked, this, &TEncoderPage::StartClick);
    connect(abort, &QPushButton::clicked, this, &TEncoderPage::AbortClick);
    connect(decode_, &QCheckBox::toggled, this, [this](bool on) {
        start_->setText(on ? QStringLiteral("Start decoding...") : QStringLiteral("Start encoding..."));
    });
    connect(jobs_, &TEncodeJobs::progressChanged, this, [this](int index, int count, int percent) {
        jobNumber_->setText(QStringLiteral("%1/%2").arg(index).arg(count));
        gauge_->setValue(percent);
        percent_->setText(QStringLiteral("%1%").arg(percent));
    });
    connect(jobs_, &TEncodeJobs::finished, this, [this] {
        panel_->hide();
        start_->setEnabled(true);
        emit encodingActiveChanged(false);
        if (!jobs_->Problems().isEmpty())
            showMessage(QStringLiteral("These files were not encoded:\n") + jobs_->Problems().join('\n'));
    });
}

TEncoderPage::~TEncoderPage() {
    if (jobs_->EncodingActive())
        encoders_.CancelEncoding();
}

void TEncoderPage::showMessage(const QString& text) {
    // Window-modal and not blocking: the page's timers keep running behind it.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Encoder"), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TEncoderPage::AddFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        auto* row = new QTreeWidgetItem(list_, {QFileInfo(path).fileName()});
        row->setData(0, PathRole, path);
        row->setToolTip(0, path);
    }
}

QStringList TEncoderPage::Files() const {
    QStringList paths;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        paths << list_->topLevelItem(i)->data(0, PathRole).toString();
    return paths;
}

bool TEncoderPage::EncodingActive() const {
    return jobs_->EncodingActive();
}

void TEncoderPage::setRipInProgress(bool running) {
    plugIns_->setEnabled(!running && plugIns_->count() > 0);
    settings_->setEnabled(!running && plugIns_->count() > 0);
    start_->setEnabled(!running && !jobs_->EncodingActive());
}

void TEncoderPage::SearchClick() {
    const QString start = folder_->text().isEmpty()
                              ? QStandardPaths::writableLocation(QStandardPaths::MusicLocation)
                              : folder_->text();
    QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Choose the destination directory..."), start);
    if (chosen.isEmpty())
        return;
    if (!chosen.endsWith('/'))
        chosen += '/';
    folder_->setText(chosen);
}

void TEncoderPage::AddFilesClick() {
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Add files..."), QStandardPaths::writableLocation(QStandardPaths::MusicLocation),
        QStringLiteral(
            "All files (*);;Mpeg files (*.mp3 *.mp2 *.mp1);;Ogg Vorbis files (*.ogg);;Wavefiles (*.wav)"));
    AddFiles(paths);
}

void TEncoderPage::DelFilesClick() {
    for (int i = list_->topLevelItemCount() - 1; i >= 0; --i)
        if (list_->topLevelItem(i)->isSelected())
            delete list_->takeTopLevelItem(i);
}

void TEncoderPage::ClearListClick() {
    list_->clear();
}

void TEncoderPage::SettingsClick() {
    if (plugIns_->currentIndex() >= 0 && !jobs_->EncodingActive())
        encoders_.ShowSettingsOf(plugIns_->currentIndex());
}

void TEncoderPage::StartClick() {
    const QStringList files = Files();
    if (files.isEmpty() || jobs_->EncodingActive())
        return;
    if (decode_->isChecked()) {
        // The WAV files go into the output folder, as encoded files do.
        if (folder_->text().isEmpty())
            showMessage(TEncodeJobs::FolderProblem(folder_->text()));
        else if (decoders_)
            TDecodeForm::DecodeFiles(*decoders_, files, folder_->text(), this);
        return;
    }
    if (plugIns_->currentIndex() < 0) {
        showMessage(QStringLiteral("There is no encoder plug-in."));
        return;
    }
    const QString problem = jobs_->Start(files, folder_->text(), plugIns_->currentIndex());
    if (!problem.isEmpty()) {
        showMessage(problem);
        return;
    }
    jobNumber_->setText(QStringLiteral("1/%1").arg(files.size()));
    percent_->setText(QStringLiteral("0%"));
    gauge_->setValue(0);
    panel_->show();
    start_->setEnabled(false);
    emit encodingActiveChanged(true);
}

void TEncoderPage::AbortClick() {
    jobs_->Abort();
}

} // namespace larkspin
