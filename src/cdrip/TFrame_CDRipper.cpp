#include "TFrame_CDRipper.h"

#include "CdRip.h"
#include "CdripTrackSource.h"
#include "RipNames.h"
#include "RipRunLog.h"
#include "Settings.h"
#include "TEncoderHost.h"
#include "TLameCoder.h"
#include "TRipPrepare.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

namespace larkspin {

namespace {

constexpr int SpeedList[] = {32, 16, 8, 4, 2, 1};
const QString NoDrivesText = QStringLiteral("ASPI Error! No Drives found!");

QLabel* Named(QLabel* label, const char* name) {
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

TFrame_CDRipper::TFrame_CDRipper(Settings& settings, TEncoderHost* encoders, QWidget* parent)
    : QWidget(parent), settings_(settings), encoders_(encoders), coder_(std::make_unique<TLameCoder>()) {
    setObjectName(QStringLiteral("Frame_CDRipper"));
    coder_->DefaultExt = ".mp3";
    DriveSelBox = new QComboBox(this);
    DriveSelBox->setObjectName(QStringLiteral("DriveSelBox"));
    Pathinfo = new QLineEdit(this);
    Pathinfo->setObjectName(QStringLiteral("Pathinfo"));
    // The folder chosen or typed is where the next rip (and the next start) goes.
    connect(Pathinfo, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty())
            settings_.Temp = text.toStdString();
    });
    auto* search = new QPushButton(QStringLiteral("Search..."), this);
    CDListView = new QTreeWidget(this);
    CDListView->setObjectName(QStringLiteral("CDListView"));
    CDListView->setHeaderLabels({QStringLiteral("Track"), QStringLiteral("AccurateRip")});
    CDListView->setRootIsDecorated(false);
    auto* selectAll = new QPushButton(QStringLiteral("Select all"), this);
    auto* selectNone = new QPushButton(QStringLiteral("Select none"), this);
    EjectButton = new QPushButton(QStringLiteral("Eject"), this);
    RefreshButton = new QPushButton(QStringLiteral("Refresh view"), this);
    auto* settingsButton = new QPushButton(QStringLiteral("Settings..."), this);
    StartButton = new QPushButton(QStringLiteral("Start ripping..."), this);
    StartButton->setObjectName(QStringLiteral("StartRipping"));

    rippanel = new QFrame(this);
    rippanel->setObjectName(QStringLiteral("rippanel"));
    rippanel->setFrameShape(QFrame::StyledPanel);
    label5 = Named(new QLabel(rippanel), "label5");
    label10 = Named(new QLabel(rippanel), "label10");
    ProgressBar1 = new QProgressBar(rippanel);
    label6 = Named(new QLabel(rippanel), "label6");
    label20 = Named(new QLabel(rippanel), "label20");
    ProgressBar2 = new QProgressBar(rippanel);
    label12 = Named(new QLabel(rippanel), "label12");
    label2 = new QLabel(QStringLiteral("Encoding..."), rippanel);
    spSkinStdLabel12 = new QLabel(QStringLiteral("File:"), rippanel);
    AbortButton = new QPushButton(QStringLiteral("Abort"), rippanel);
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        bar->setRange(0, 100);
        bar->setTextVisible(false);
    }
    auto* panel = new QGridLayout(rippanel);
    panel->addWidget(new QLabel(QStringLiteral("Ripping..."), rippanel), 0, 0);
    panel->addWidget(label5, 0, 1);
    panel->addWidget(label10, 0, 2, Qt::AlignRight);
    panel->addWidget(ProgressBar1, 1, 0, 1, 3);
    panel->addWidget(label2, 2, 0);
    panel->addWidget(label6, 2, 1);
    panel->addWidget(label20, 2, 2, Qt::AlignRight);
    panel->addWidget(ProgressBar2, 3, 0, 1, 3);
    panel->addWidget(spSkinStdLabel12, 4, 0);
    panel->addWidget(new QLabel(QStringLiteral("Time left:"), rippanel), 5, 0);
    panel->addWidget(label12, 5, 1);
    panel->addWidget(AbortButton, 5, 2, Qt::AlignRight);
    rippanel->hide();

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Choose source CD-Drive..."), this), 0, 0);
    grid->addWidget(DriveSelBox, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Choose output directory..."), this), 1, 0);
    grid->addWidget(Pathinfo, 1, 1);
    grid->addWidget(search, 1, 2);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {selectAll, selectNone, EjectButton, RefreshButton, settingsButton})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(StartButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(new QLabel(QStringLiteral("Tracks on this Audio CD..."), this));
    layout->addWidget(CDListView, 1);
    layout->addLayout(buttons);
    layout->addWidget(rippanel);

    connect(search, &QPushButton::clicked, this, &TFrame_CDRipper::SearchClick);
    connect(selectAll, &QPushButton::clicked, this, &TFrame_CDRipper::SelectAllClick);
    connect(selectNone, &QPushButton::clicked, this, &TFrame_CDRipper::SelectNoneClick);
    connect(EjectButton, &QPushButton::clicked, this, &TFrame_CDRipper::EjectClick);
    connect(RefreshButton, &QPushButton::clicked, this, [this] {
        if (RipInProgress())
            return;
        try {
            RefreshCdView();
        } catch (const std::exception&) {
            message(NoDrivesText, true);
        }
    });
    connect(settingsButton, &QPushButton::clicked, this, &TFrame_CDRipper::settingsRequested);
    connect(StartButton, &QPushButton::clicked, this, &TFrame_CDRipper::StartRippingClick);
    connect(AbortButton, &QPushButton::clicked, this, &TFrame_CDRipper::AbortClick);
    connect(DriveSelBox, &QComboBox::currentIndexChanged, this, &TFrame_CDRipper::DriveChanged);
    connect(CDListView, &QTreeWidget::itemChanged, this, [this] {
        if (!filling_)
            readTicks();
    });
}

TFrame_CDRipper::~TFrame_CDRipper() {
    if (run_)
        run_->Abort();
}

void TFrame_CDRipper::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::PaletteChange)
        return;
    // The style outlines tick boxes in a darker window colour, which a dark skin makes invisible on
    // its list; the list's text colour outlines them instead.
    QPalette ticks;
    ticks.setColor(QPalette::Window, palette().color(QPalette::Text).lighter(140));
    CDListView->setPalette(ticks);
}

void TFrame_CDRipper::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (Pathinfo->text().isEmpty())
        Pathinfo->setText(QString::fromStdString(settings_.Temp));
}

bool TFrame_CDRipper::makeComponent() {
    source_.reset();
    CR_SetVirtualDrives(settings_.VirtualDrives);
    source_ = std::make_unique<CdripTrackSource>();
    return true;
}

void TFrame_CDRipper::Initialise() {
    if (RipInProgress())
        return;
    if (Pathinfo->text().isEmpty())
        Pathinfo->setText(QString::fromStdString(settings_.Temp));
    if (DriveSelBox->count() == 0) {
        try {
            makeComponent();
        } catch (const std::exception& e) {
            qCDebug(lcRipRun) << "no ripping component:" << e.what();
            message(NoDrivesText, true);
        }
    }
    if (DriveSelBox->count() == 0 && source_) {
        filling_ = true;
        for (int v = 0; v < source_->DriveCount(); ++v) {
            source_->SetDrive(v);
            DriveSelBox->addItem(source_->DriveName());
        }
        filling_ = false;
    }
    if (DriveSelBox->count() > 0 && DriveSelBox->currentIndex() < 0) {
        filling_ = true;
        DriveSelBox->setCurrentIndex(0);
        filling_ = false;
    }
    try {
        RefreshCdView();
    } catch (const std::exception& e) {
        qCDebug(lcRipRun) << "refresh failed:" << e.what();
        message(NoDrivesText, true);
    }
}

bool TFrame_CDRipper::RefreshCdView() {
    if (RipInProgress())
        return false;
    makeComponent();
    if (DriveSelBox->currentIndex() >= 0)
        source_->SetDrive(DriveSelBox->currentIndex());
    list_.clear();
    verdicts_.clear();
    for (int position : source_->AudioTracks())
        list_.push_back(
            {position, QStringLiteral("CD Audio / Track Number %1").arg(position), {}, {}, {}, false});
    showList();
    return true;
}

void TFrame_CDRipper::DriveChanged(int) {
    if (filling_ || RipInProgress())
        return;
    try {
        RefreshCdView();
    } catch (const std::exception&) {
        message(NoDrivesText, true);
    }
}

bool TFrame_CDRipper::EjectClick() {
    if (RipInProgress() || !source_)
        return false;
    source_->Eject(!TrayOpen);
    TrayOpen = !TrayOpen;
    try {
        RefreshCdView();
    } catch (const std::exception&) {
        message(NoDrivesText, true);
    }
    return true;
}

void TFrame_CDRipper::showList() {
    filling_ = true;
    CDListView->clear();
    for (const CdListItem& item : list_) {
        auto* row = new QTreeWidgetItem(CDListView, {item.Caption, verdicts_.value(item.Track)});
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, item.Ticked ? Qt::Checked : Qt::Unchecked);
    }
    filling_ = false;
}

void TFrame_CDRipper::readTicks() {
    for (int i = 0; i < CDListView->topLevelItemCount() && i < static_cast<int>(list_.size()); ++i)
        list_[i].Ticked = CDListView->topLevelItem(i)->checkState(0) == Qt::Checked;
}

void TFrame_CDRipper::SelectAllClick() {
    for (CdListItem& item : list_)
        item.Ticked = true;
    showList();
}

void TFrame_CDRipper::SelectNoneClick() {
    for (CdListItem& item : list_)
        item.Ticked = false;
    showList();
}

void TFrame_CDRipper::SearchClick() {
    const QString start = Pathinfo->text().isEmpty()
                              ? QStandardPaths::writableLocation(QStandardPaths::MusicLocation)
                              : Pathinfo->text();
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Choose the destination directory..."), start);
    if (!chosen.isEmpty())
        Pathinfo->setText(FolderWithSlash(chosen));
}

void TFrame_CDRipper::setEncodingActive(bool active) {
    encodingActive_ = active;
    StartButton->setEnabled(!active && !RipInProgress());
}

void TFrame_CDRipper::StartRippingClick() {
    readTicks();
    if (RipInProgress() || encodingActive_ || !source_)
        return;
    if (std::none_of(list_.begin(), list_.end(), [](const CdListItem& i) { return i.Ticked; }))
        return;
    const bool started = TRipPrepare::Prepare(list_, settings_, DriveSelBox->currentIndex(), this);
    showList(); // the preparation wrote its rows back either way
    if (!started)
        return;

    RipRunSetup setup;
    setup.Mode = settings_.Encoder      ? RipOutputMode::PlugIn
                 : settings_.IntEncoder ? RipOutputMode::Mp3
                                        : RipOutputMode::Wav;
    setup.Folder = FolderWithSlash(Pathinfo->text());
    setup.Tags = {settings_.WriteId3v1, settings_.WriteId3v2};
    setup.Disc.Toc = source_->Toc();
    setup.Disc.DriveName = source_->DriveName();
    const bool secure = settings_.Jitter || (settings_.IntEncoder && !settings_.Encoder);
    setup.Disc.ReadMode = secure ? QStringLiteral("Secure (jitter correction)") : QStringLiteral("Burst");
    // A disc image holds the audio where it belongs: no offset to correct.
    setup.Disc.ReadOffset = source_->IsImage() ? 0 : settings_.ReadOffset;
    setup.Disc.AccurateRipUrl = QString::fromStdString(settings_.AccurateRipUrl);
    for (const CdListItem& item : list_)
        if (item.Ticked)
            setup.Items.push_back(item);
    if (const QString problem = RipRun::CheckOutputFolder(setup.Folder); !problem.isEmpty()) {
        message(problem, true);
        return;
    }
    if (setup.Mode == RipOutputMode::PlugIn) {
        if (!encoders_ || !encoders_->UsePlugIn(settings_.EncIdx)) {
            message(QStringLiteral("The encoder plug-in chosen for ripping cannot be loaded."), true);
            return;
        }
        setup.PlugInType = QString::fromStdString(encoders_->GetEncodeType()).toLower();
    }

    auto run = std::make_unique<RipRun>(std::move(setup), *source_, encoders_);
    if (const QStringList existing = run->ExistingTargets(); !existing.isEmpty()) {
        if (!ask(QStringLiteral("These files exist already and would be replaced:\n%1\n\nReplace them?")
                     .arg(existing.join(u'\n'))))
            return;
    }

    CdripTrackSource::RipOptions options;
    options.Speed = SpeedList[std::min<int>(settings_.SpeedIdx, 5)];
    options.SwapChannel = settings_.SwapChannel;
    options.JitterCorrect = settings_.Jitter;
    options.ReadOffset = run->Disc().ReadOffset;
    if (settings_.IntEncoder && !settings_.Encoder) {
        options.Encode = true;
        options.Coder = coder_.get();
        options.JitterCorrect = true;
    }
    source_->Configure(options);
    if (options.Encode) {
        // The component has set the coder's mode and rate from its output format; the settings decide.
        coder_->Bitrate = static_cast<std::uint32_t>(settings_.Bitrate);
        coder_->SetMode(settings_.Channel);
    }

    run_ = std::move(run);
    source_->setRun(run_.get());
    connect(run_.get(), &RipRun::displayChanged, this, &TFrame_CDRipper::showRunDisplay);
    connect(run_.get(), &RipRun::finished, this, &TFrame_CDRipper::runFinished, Qt::QueuedConnection);
    for (QWidget* w : {static_cast<QWidget*>(StartButton), static_cast<QWidget*>(EjectButton),
                       static_cast<QWidget*>(RefreshButton), static_cast<QWidget*>(DriveSelBox)})
        w->setEnabled(false);
    rippanel->show();
    emit ripInProgressChanged(true);
    run_->Start();
    showRunDisplay();
}

void TFrame_CDRipper::showRunDisplay() {
    if (!run_)
        return;
    const RipDisplay& d = run_->Display();
    label5->setText(d.RipText);
    ProgressBar1->setValue(d.RipPercent);
    label10->setText(QStringLiteral("%1 %").arg(d.RipPercent));
    for (QWidget* w :
         {static_cast<QWidget*>(ProgressBar2), static_cast<QWidget*>(label6), static_cast<QWidget*>(label20),
          static_cast<QWidget*>(label2), static_cast<QWidget*>(spSkinStdLabel12)})
        w->setVisible(d.EncodeVisible);
    label6->setText(d.EncodeText);
    ProgressBar2->setValue(d.EncodePercent);
    label20->setText(QStringLiteral("%1 %").arg(d.EncodePercent));
    label12->setText(d.Elapsed);
}

void TFrame_CDRipper::AbortClick() {
    if (run_)
        run_->Abort();
}

void TFrame_CDRipper::runFinished() {
    if (!run_ || run_->Running())
        return;
    const QStringList problems = run_->Problems();
    const bool aborted = run_->Aborted();
    const std::vector<CdListItem>& items = run_->Items();
    for (size_t i = 0; i < items.size() && i < run_->Results().size(); ++i)
        verdicts_[items[i].Track] = run_->Results()[i].AccurateRip;
    showList();
    source_->setRun(nullptr);
    run_.reset();
    rippanel->hide();
    for (QWidget* w : {static_cast<QWidget*>(EjectButton), static_cast<QWidget*>(RefreshButton),
                       static_cast<QWidget*>(DriveSelBox)})
        w->setEnabled(true);
    StartButton->setEnabled(!encodingActive_);
    emit ripInProgressChanged(false);
    if (!problems.isEmpty() && !aborted)
        message(QStringLiteral("Not every track was ripped:\n") + problems.join(u'\n'), true);
}

void TFrame_CDRipper::message(const QString& text, bool warning) {
    // Window-modal and not blocking: a running rip goes on behind it.
    auto* box = new QMessageBox(warning ? QMessageBox::Warning : QMessageBox::Information,
                                QStringLiteral("Larkspin 3.0"), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool TFrame_CDRipper::ask(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Larkspin 3.0"), text,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("ReplaceQuestion"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace larkspin
