#include "LarkspinApp.h"

#include "AppLog.h"
#include "CdPanel.h"
#include "EncoderEnumeration.h"
#include "FolderSearch.h"
#include "LaunchPaths.h"
#include "MprisService.h"
#include "MusicLibrary.h"
#include "PlayerController.h"
#include "Playlist.h"
#include "PlaylistFiles.h"
#include "PlaylistView.h"
#include "PlugInHost.h"
#include "PrivateProfile.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "SkinEngine.h"
#include "SkinFolder.h"
#include "TEncoderHost.h"
#include "TEncoderPage.h"
#include "TEncoderSettingsPanel.h"
#include "TFrame_CDRipper.h"
#include "TFrame_Organizer.h"
#include "THauptform.h"
#include "TPlaylistForm.h"
#include "TPlugInForm.h"
#include "TStationForm.h"
#include "Thintform.h"
#include "WindowSnapping.h"

#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLineEdit>
#include <QMessageBox>
#include <QStandardPaths>
#include <QtConcurrent>

#include <cstdio>

namespace larkspin {

LarkspinApp::LarkspinApp(const QString& executablePath, const QString& dataHome, QObject* parent)
    : QObject(parent) {
    const std::string exe = executablePath.toStdString();
    installed_ = InstalledResourceFolders(exe);
    programFolder() = ChooseProgramFolder(exe, dataHome.toStdString());
    CreateDataFolders(programFolder());
    if (const int removed = RemoveLeftoverTemporaryFiles(programFolder()))
        qCInfo(lcApp) << "removed" << removed << "temporary files of an earlier run that was killed";
    qCDebug(lcApp) << "program folder" << QString::fromStdString(programFolder());
    // A folder that cannot be made stays missing; its first user fails, this says why.
    for (const char* sub : DataFolders)
        if (!QFileInfo(QString::fromStdString(programFolder() + sub)).isDir())
            qCWarning(lcApp) << "data folder could not be created:"
                             << QString::fromStdString(programFolder() + sub);

    settingsFile_ = std::make_unique<PrivateProfile>(SettingsFilePath(programFolder(), exe));
    ReadSettings(
        *settingsFile_, programFolder(), settings(),
        ChooseOutputFolder(QStandardPaths::writableLocation(QStandardPaths::MusicLocation).toStdString(),
                           qEnvironmentVariable("HOME").toStdString()));
    // The CD plug-in offers the disc images of the settings as drives after the real ones. It reads
    // them from the environment, set once here before any plug-in is loaded.
    qputenv("LARKSPIN_VIRTUAL_DRIVES", QByteArray::fromStdString(settings().VirtualDrives));

    PlugInHostOptions options;
    options.decoderFolder = ResourceFolder(programFolder(), installed_.plugIns, "/PlugIn/Decoder");
    options.liveSettings = &settings();
    host_ = std::make_unique<TPlugInHost>(options);
    qCDebug(lcApp) << "decoder plug-ins from" << QString::fromStdString(options.decoderFolder);
}

LarkspinApp::~LarkspinApp() = default;

void LarkspinApp::Open(const LaunchRequest& request) {
    opens_.push_back(request);
    if (opens_.size() == 1)
        resolveNextOpen();
}

void LarkspinApp::resolveNextOpen() {
    if (opens_.empty())
        return;
    std::vector<std::string> typeTexts;
    for (const PlugInRow& row : host_->PlugInTable())
        if (row.enabled)
            typeTexts.push_back(row.fileTypes);
    std::vector<std::string> given;
    for (const QByteArray& path : opens_.front().paths)
        given.push_back(path.toStdString());
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    resolveCancel_ = cancel;
    resolving_ = std::make_unique<QFutureWatcher<LaunchPaths>>();
    connect(resolving_.get(), &QFutureWatcherBase::finished, this, &LarkspinApp::openResolved);
    resolving_->setFuture(QtConcurrent::run([given, patterns = AddDirectoryPatterns(typeTexts), cancel] {
        return ResolveLaunchPaths(given, patterns, cancel.get());
    }));
}

void LarkspinApp::openResolved() {
    const LaunchPaths resolved = resolving_->result();
    const LaunchRequest request = opens_.front();
    opens_.pop_front();
    resolving_.release()->deleteLater(); // this runs inside its signal
    for (const std::string& problem : resolved.problems)
        qCWarning(lcApp) << "playlist not read:" << QString::fromStdString(problem);
    if (!resolved.paths.empty()) {
        const int first = playlist_->Count();
        playlist_->AddFilesToPlaylist(resolved.paths);
        if (!request.enqueue) {
            pendingPlay_ = first;
            playPending();
        }
    }
    resolveNextOpen();
}

void LarkspinApp::playPending() {
    if (pendingPlay_ < 0 || pendingPlay_ >= playlist_->Count())
        return;
    const int row = pendingPlay_;
    pendingPlay_ = -1;
    // As a double-click on the row: a stopped player prepares and starts it, a playing one switches.
    playlist_->SelectRow(row);
    playlist_->PlaySelected();
}

void LarkspinApp::OfferMediaControls() {
    MprisService::Hooks hooks;
    hooks.raise = [this] { Raise(); };
    hooks.quit = [this] { hauptform_->close(); };
    hooks.openFile = [this](const QByteArray& path) {
        LaunchRequest request;
        request.paths = {path};
        Open(request);
    };
    mpris_ = std::make_unique<MprisService>(hauptform_->player(), settings(), std::move(hooks));
    if (!mpris_->Register())
        mpris_.reset();
}

void LarkspinApp::Raise() {
    hauptform_->show();
    hauptform_->raise();
    hauptform_->activateWindow();
}

void LarkspinApp::Start() {
    // The windows of the program, created once, in this order, living until the process ends; windows
    // that open only on a command are made when first opened.
    // With ActivateAdd on, every played file joins the library.
    PlayerFileServices files;
    files.AddPlayedFile = [](const std::string& path) { AddPlayedFile(library(), settings(), path); };
    hauptform_ = std::make_unique<THauptform>(*host_, std::move(files));
    playlist_ = std::make_unique<Playlist>(settings(), hauptform_->player());
    hauptform_->setEntryList(playlist_.get());
    playlistForm_ = std::make_unique<TPlaylistForm>(*playlist_, settings());
    // The plug-ins are enumerated when the settings window is made, which shows them.
    host_->options().mainWindow = static_cast<intptr_t>(hauptform_->winId());
    host_->EnumeratePlugIns(settings().PlugCheck);
    plugInForm_ = std::make_unique<TPlugInForm>(*host_);
    encoderHost_ =
        std::make_unique<TEncoderHost>(ResourceFolder(programFolder(), installed_.plugIns, "/PlugIn/Encoder"),
                                       static_cast<intptr_t>(hauptform_->winId()));
    EnumerateEncoderPlugIns(*encoderHost_);
    plugInForm_->setEncoders(new TEncoderSettingsPanel(*encoderHost_), encoderHost_->RipChoices());
    // The start playlist is read with the settings window; its rows are built when the windows show.
    const Playlist::FileCommandOutcome start = playlist_->LoadStartPlaylist(programFolder());
    if (!start.ok)
        qCWarning(lcApp) << "the start playlist could not be read:" << QString::fromStdString(start.message);
    if (!start.caption.isEmpty())
        playlistForm_->setWindowTitle(start.caption);
    stationForm_ = std::make_unique<TStationForm>();
    encoderPage_ = new TEncoderPage(*encoderHost_, host_.get());
    encoderPage_->Edit1()->setText(QString::fromStdString(settings().Temp));
    // The folder chosen or typed is where the next encoding (and the next start) goes.
    connect(encoderPage_->Edit1(), &QLineEdit::textChanged, this, [](const QString& text) {
        if (!text.isEmpty())
            settings().Temp = text.toStdString();
    });
    stationForm_->setEncoderPage(encoderPage_);
    cdRipper_ = new TFrame_CDRipper(settings(), encoderHost_.get());
    stationForm_->setCdRipperPage(cdRipper_, [this] { cdRipper_->Initialise(); });
    connect(cdRipper_, &TFrame_CDRipper::ripInProgressChanged, encoderPage_, &TEncoderPage::setRipInProgress);
    connect(encoderPage_, &TEncoderPage::encodingActiveChanged, cdRipper_,
            &TFrame_CDRipper::setEncodingActive);

    hauptform_->setCompanions(playlistForm_.get(), stationForm_.get());
    stationForm_->setPlayer(&hauptform_->player());
    // The hint window is made when the library browser first shows it: most runs never do.
    stationForm_->setHintWindow([this] {
        if (!hintForm_) {
            hintForm_ = std::make_unique<Thintform>();
            skinEngine().follow(hintForm_.get());
        }
        return hintForm_.get();
    });
    std::vector<std::string> fileTypes;
    for (const PlugInRow& row : host_->PlugInTable())
        fileTypes.push_back(row.fileTypes);
    stationForm_->setDecoderFileTypes(fileTypes);
    const auto toPaths = [](const QStringList& list) {
        std::vector<std::string> paths;
        for (const QString& p : list)
            paths.push_back(p.toStdString());
        return paths;
    };
    connect(stationForm_.get(), &TStationForm::addToPlaylist, this,
            [this, toPaths](const QStringList& p) { playlist_->AddFilesToPlaylist(toPaths(p)); });
    connect(stationForm_.get(), &TStationForm::enqueue, this,
            [this, toPaths](const QStringList& p) { playlist_->AddFilesToPlaylist(toPaths(p)); });
    connect(stationForm_.get(), &TStationForm::createPlaylist, this, [this, toPaths](const QStringList& p) {
        playlist_->ClearList();
        playlist_->AddFilesToPlaylist(toPaths(p));
    });
    playlistForm_->setPlugInHost(host_.get());
    playlistForm_->setDecodeFolder([this] {
        const QString folder = encoderPage_->Edit1()->text();
        return folder.isEmpty() ? QString::fromStdString(settings().Temp) : folder;
    });
    // The add-files dialog is made when first opened (its folder tree lists and watches folders).
    playlistForm_->setMainWindowMenu(hauptform_->popupMenu());
    cdPanel_ = std::make_unique<CdPanel>(settings(), hauptform_->player(), *host_);
    hauptform_->player().SetCdTrackList(cdPanel_.get());
    playlistForm_->setCdPanel(cdPanel_.get());
    connect(hauptform_.get(), &THauptform::filesDropped, playlistForm_.get(),
            &TPlaylistForm::AddDroppedFiles);
    connect(playlistForm_.get(), &TPlaylistForm::windowClosed, hauptform_.get(),
            &THauptform::playlistWindowClosed);
    connect(playlistForm_.get(), &TPlaylistForm::closeProgramRequested, hauptform_.get(), &QWidget::close);
    playlistForm_->RebuildView();
    connectSettingsAndSkins();
    connect(hauptform_.get(), &THauptform::closeRequested, this, [this] { ShutDown(Cause::User); });
    // Entries of a command line arrive as their files are read; the first plays when it is there.
    connect(playlist_.get(), &Playlist::rowsInserted, this, [this] { playPending(); });
    connect(playlist_.get(), &Playlist::workFinished, this,
            [this] { qCDebug(lcApp) << "playlist read:" << playlist_->Count() << "entries"; });
    hauptform_->show();
}

void LarkspinApp::connectSettingsAndSkins() {
    const std::string ownSkins = programFolder() + "/Skins";
    const std::vector<std::string> skinFolders = {ownSkins, installed_.data + "/Skins"};
    // Without the active skin's description the windows keep the built-in look.
    const QString skinIni = QString::fromStdString(SkinIniPath(skinFolders, settings().SkinName));
    if (QFileInfo(skinIni).isFile())
        skinEngine().load(skinIni);
    EnsureActiveLogo(skinFolders, ownSkins, settings().SkinName);
    hauptform_->applySkin(skinEngine().skin());
    connect(&skinEngine(), &SkinEngine::skinChanged, hauptform_.get(), &THauptform::applySkin);
    for (QWidget* w : std::initializer_list<QWidget*>{playlistForm_.get(), stationForm_.get()})
        skinEngine().follow(w);
    skinEngine().followInApplication();

    plugInForm_->setSkinFolders(skinFolders, ownSkins);
    SettingsWindowHooks hooks;
    hooks.RebuildPlaylistView = [this] { playlistForm_->RebuildView(); };
    hooks.PlaylistCount = [this] { return playlist_->Count(); };
    hooks.SelectPlaylistRow = [this](int row) {
        hauptform_->player().SelectPlaylistRow(row);
        playlist_->ScrollToRow(row);
    };
    hooks.StoreColumnWidths = [this] { playlistForm_->StoreColumnWidths(); };
    hooks.ApplyFontSizes = [this](int playlistSize, int librarySize) {
        QFont f = playlistForm_->view()->font();
        f.setPointSize(playlistSize);
        playlistForm_->view()->setFont(f);
        QFont l = stationForm_->organizer()->font();
        l.setPointSize(librarySize);
        stationForm_->organizer()->setFont(l);
    };
    hooks.LoadLibrary = [this] {
        LoadProgramLibrary(library(), settings(), programFolder());
        stationForm_->organizer()->RefreshBrowseMode();
    };
    hooks.EmptyLibrary = [this] {
        library().Lines.Clear();
        stationForm_->organizer()->RefreshBrowseMode();
    };
    hooks.WriteSettings = [this] { WriteSettings(*settingsFile_, settings()); };
    hooks.ShowLogo = [this](const QString&) { hauptform_->reloadCover(); };
    plugInForm_->setHooks(std::move(hooks));
    // Refused while an encoding job or a rip runs (the plug-in and the ripping settings are in use).
    const auto showSettings = [this] {
        plugInForm_->ShowSettings(encoderPage_->EncodingActive() || cdRipper_->RipInProgress());
    };
    connect(hauptform_.get(), &THauptform::settingsRequested, this, showSettings);
    connect(cdRipper_, &TFrame_CDRipper::settingsRequested, this, showSettings);

    snapping_ = std::make_unique<WindowSnapping>(hauptform_.get(), playlistForm_.get(), stationForm_.get());
    connect(hauptform_.get(), &THauptform::dockingTick, snapping_.get(), &WindowSnapping::DockingTick);
    connect(snapping_.get(), &WindowSnapping::dockingWorkPending, hauptform_.get(), &THauptform::requestDockingTick);
}

void LarkspinApp::ShutDown(Cause cause) {
    PlayerController& player = hauptform_->player();
    player.BeginShutDown();
    // Folders still being searched for a start's files are given up; files still being read are left
    // out: the temporary playlist holds what the list shows (an empty list is an empty file).
    opens_.clear();
    if (resolving_) {
        resolveCancel_->store(true);
        resolving_->disconnect(this);
        resolving_->waitForFinished();
        resolving_.reset();
    }
    playlistForm_->StoreColumnWidths();
    playlist_->CancelWork();
    const Playlist::FileCommandOutcome saved = playlist_->SaveTemporaryPlaylist(programFolder());
    if (!saved.ok)
        qCWarning(lcApp) << "the temporary playlist could not be written:"
                         << QString::fromStdString(saved.message);
    // The library is saved when it changed; a failed save leaves the old file whole.
    const LibraryFileResult savedLibrary = SaveProgramLibrary(library(), settings(), programFolder());
    if (!savedLibrary.Ok) {
        const std::string text = "The library could not be saved to " + LibraryFilePath(programFolder()) +
                                 ": " + savedLibrary.Message;
        if (cause == Cause::Signal) {
            std::fprintf(stderr, "Larkspin: %s\n", text.c_str());
        } else {
            QMessageBox::critical(hauptform_.get(), QStringLiteral("Larkspin 3.0"),
                                  QString::fromStdString(text));
            player.Closing = false;
            return;
        }
    }
    try {
        WriteSettings(*settingsFile_, settings());
    } catch (const EProfileWriteError& e) {
        if (cause == Cause::Signal) {
            std::fprintf(stderr, "Larkspin: %s\n", e.what());
            abortRip();
            emit finished(1);
            return;
        }
        QMessageBox::critical(hauptform_.get(), QStringLiteral("Larkspin 3.0"),
                              QString::fromStdString(e.what()));
        player.Closing = false;
        return;
    }
    abortRip();
    emit finished(0);
}

void LarkspinApp::abortRip() {
    // Only once the program is sure to end: a refused quit leaves a running rip running. The track
    // being ripped leaves no file behind.
    if (cdRipper_)
        cdRipper_->AbortClick();
}

} // namespace larkspin
