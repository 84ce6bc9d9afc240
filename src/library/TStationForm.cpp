#include "TStationForm.h"
#include "MakerAddress.h"

#include "MusicLibrary.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "TArchivForm.h"
#include "TFrame_Organizer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace larkspin {

namespace {

QWidget* EmptyPage(const QString& text) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    label->setEnabled(false);
    layout->addWidget(label);
    return page;
}

} // namespace

TStationForm::TStationForm(QWidget* parent) : TStationForm(library(), settings(), parent) {
    LoadLibraryAtStart(programFolder());
}

void TStationForm::LoadLibraryAtStart(const std::string& folder) {
    const LibraryFileResult r = LoadProgramLibrary(library_, settings_, folder);
    if (!r.Message.empty())
        QMessageBox::warning(this, QStringLiteral("Larkspin 3.0"), QString::fromStdString(r.Message));
}

TStationForm::TStationForm(MusicLibrary& library, Settings& settings, QWidget* parent)
    : QWidget(parent, Qt::Tool), library_(library), settings_(settings) {
    setWindowTitle(QString::fromStdString(WithMakerAddress("Zizezed Avidido")));
    StationPage = new QTabWidget;
    StationPage->setObjectName(QStringLiteral("StationPage"));
    StationPage->addTab(EmptyPage(QStringLiteral("The encoder is not available yet.")),
                        QStringLiteral("Encoder"));
    StationPage->addTab(EmptyPage(QStringLiteral("The CD ripper is not available yet.")),
                        QStringLiteral("CD Ripper"));
    organizer_ = new TFrame_Organizer(library_, settings_);
    StationPage->addTab(organizer_, QStringLiteral("Library"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 7);
    layout->addWidget(StationPage);
    resize(620, 480);

    organizer_->setImportOpener([this] {
        TArchivForm form(library_, settings_, this);
        form.setFileTypeLists(fileTypes_);
        form.exec();
    });
    connect(organizer_, &TFrame_Organizer::addToPlaylist, this, &TStationForm::addToPlaylist);
    connect(organizer_, &TFrame_Organizer::createPlaylist, this, &TStationForm::createPlaylist);
    connect(organizer_, &TFrame_Organizer::enqueue, this, &TStationForm::enqueue);
    connect(StationPage, &QTabWidget::currentChanged, this, &TStationForm::pageChanged);

    // The lists fill right after the window has appeared.
    LibraryTimer.setSingleShot(true);
    LibraryTimer.setInterval(1);
    connect(&LibraryTimer, &QTimer::timeout, this,
            [this] { organizer_->selectMode(settings_.stationindex2); });
}

void TStationForm::setPlayer(PlayerController* player) {
    organizer_->setPlayer(player);
}

void TStationForm::setHintWindow(std::function<Thintform*()> make) {
    organizer_->setHintWindow(std::move(make));
}

void TStationForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    showing_ = true;
    move(settings_.StationPosLeft, settings_.StationPosTop);
    settings_.StationWindowShow = true;
    if (!settings_.ActivateOrganizer) {
        library_.Lines.Clear();
        organizer_->titles().Clear();
    }
    const int page = std::clamp(settings_.stationindex, 0, static_cast<int>(LibraryPage));
    if (StationPage->currentIndex() != page)
        StationPage->setCurrentIndex(page);
    else if (page == LibraryPage)
        LibraryTimer.start();
    else if (page == CdRipperPage && activateCdRipper_)
        activateCdRipper_();
    if (!settings_.FullScreenMode && settings_.StationWidth > 0 && settings_.StationHeight > 0)
        resize(settings_.StationWidth, settings_.StationHeight);
    organizer_->setUpperPanelHeight(settings_.filelist_height);
    showing_ = false;
}

void TStationForm::pageChanged(int index) {
    settings_.stationindex = index;
    if (index == LibraryPage)
        LibraryTimer.start();
    else if (index == CdRipperPage && activateCdRipper_)
        activateCdRipper_();
}

void TStationForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!settings_.FullScreenMode && isVisible() && !showing_) {
        settings_.StationWidth = width();
        settings_.StationHeight = height();
    }
}

void TStationForm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!settings_.FullScreenMode && isVisible() && !showing_) {
        settings_.StationPosLeft = x();
        settings_.StationPosTop = y();
    }
}

void TStationForm::closeEvent(QCloseEvent* event) {
    if (!settings_.FullScreenMode) {
        settings_.StationPosLeft = x();
        settings_.StationPosTop = y();
    }
    settings_.StationWindowShow = false;
    QWidget::closeEvent(event);
    emit stationClosed();
}

void TStationForm::setEncoderPage(QWidget* page) {
    replacePage(EncoderPage, page, QStringLiteral("Encoder"));
}

void TStationForm::setCdRipperPage(QWidget* page, std::function<void()> activate) {
    replacePage(CdRipperPage, page, QStringLiteral("CD Ripper"));
    activateCdRipper_ = std::move(activate);
}

void TStationForm::replacePage(int index, QWidget* page, const QString& title) {
    const int current = StationPage->currentIndex();
    QWidget* placeholder = StationPage->widget(index);
    const QSignalBlocker quiet(StationPage);
    StationPage->removeTab(index);
    delete placeholder;
    StationPage->insertTab(index, page, title);
    StationPage->setCurrentIndex(current);
}

} // namespace larkspin
