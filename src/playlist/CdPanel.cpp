#include "CdPanel.h"

#include "CdDrives.h"
#include "CdPanelText.h"
#include "PlayerController.h"
#include "PlugInHost.h"
#include "Settings.h"
#include "TCddb.h"

#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>

namespace larkspin {

Q_LOGGING_CATEGORY(lcCdPanel, "larkspin.cdpanel", QtWarningMsg)

namespace {

const QString PanelCaption = QStringLiteral("CD Digital Audio");
const QString NoAudioCd = QStringLiteral("No CD Audio in this drive!");
const QString NotListed = QStringLiteral("This AudioCD is not listed in the database!");
const QString NoCdPlugIn = QStringLiteral("No decoder plugin for CD-Playing found!");
constexpr int OfferedDrives = 2; // the first two CD drives

CdDriveTable Drives(const Settings& settings) {
    CdDriveTable table;
    try {
        EnumerateCdDrives(table, cdiAutoDetect, settings.VirtualDrives);
    } catch (const ECdInterfaceError& e) {
        qCDebug(lcCdPanel) << "no CD drives:" << e.what();
        table.DriveCount = 0;
    }
    return table;
}

bool HoldsAudio(const CdDriveTable& table, int drive) {
    TocRecord toc;
    try {
        if (drive < 0 || drive >= table.DriveCount || ReadDriveToc(table, drive, toc, cdiAutoDetect) != 0)
            return false;
    } catch (const ECdInterfaceError&) {
        return false;
    }
    for (int t = 0; t < toc.TrackCount; ++t)
        if (toc.Tracks[static_cast<size_t>(t)].IsAudio)
            return true;
    return false;
}

// The CD plug-in reads the disc images it offers as drives from the environment; the settings window
// may have changed the list since the program set it. Written only when it changed, on this thread.
void OfferVirtualDrives(const Settings& settings) {
    const QByteArray images = QByteArray::fromStdString(settings.VirtualDrives);
    if (qgetenv("LARKSPIN_VIRTUAL_DRIVES") != images)
        qputenv("LARKSPIN_VIRTUAL_DRIVES", images);
}

} // namespace

CdPanel::CdPanel(Settings& settings, PlayerController& player, TPlugInHost& host, QObject* parent)
    : QObject(parent), settings_(settings), player_(player), host_(host), cddb_(std::make_unique<TCddb>()),
      caption_(PanelCaption) {
    cddb_->InternalTOCRetrieve = true;
    connect(&player_, &PlayerController::displayChanged, this, &CdPanel::followPlayer);
    connect(cddb_.get(), &TCddb::OnStatusMessage, this, &CdPanel::appendLog);
    connect(cddb_.get(), &TCddb::OnDataExchange, this, &CdPanel::appendLog);
    cddb_->OnMatch = [this](TCddb&, const TMatchArray& matches, int& rightOne) {
        onMatch(QStringList(matches.begin(), matches.end()), rightOne);
    };
}

void CdPanel::followPlayer() {
    // The player left CD mode by itself (a playlist entry played after a CD track could not be read):
    // the panel closes with it, and the playlist's commands come back.
    if (!shown_ || player_.CdMode)
        return;
    shown_ = false;
    querying_ = false;
    waiting_ = false;
    emit closed();
}

CdPanel::~CdPanel() = default;

std::vector<CdPanel::DriveItem> CdPanel::AudioCdDrives() const {
    OfferVirtualDrives(settings_);
    std::vector<DriveItem> items;
    const CdDriveTable table = Drives(settings_);
    for (int drive = 0; drive < std::min<int>(table.DriveCount, OfferedDrives); ++drive)
        if (HoldsAudio(table, drive))
            items.push_back({drive, QStringLiteral("AudioCD (%1)")
                                        .arg(QString::fromStdString(
                                            table.Drives[static_cast<size_t>(drive)].DevicePath))});
    return items;
}

bool CdPanel::IsAudioCD(int drive) const {
    return drive >= 0 && drive < OfferedDrives && HoldsAudio(Drives(settings_), drive);
}

bool CdPanel::IsOpen() const {
    return player_.CdMode;
}

bool CdPanel::OpenCd(int drive) {
    if (!IsAudioCD(drive)) {
        emit message(NoAudioCd);
        return false;
    }
    const std::vector<std::string>& cdPlugIns = host_.CdPlugIns();
    if (cdPlugIns.empty()) {
        qCWarning(lcCdPanel) << "no decoder plug-in plays CDs";
        emit message(NoCdPlugIn);
        return false;
    }
    OfferVirtualDrives(settings_);
    player_.OpenCd(drive);
    // A stored choice beyond the list (a plug-in removed since) takes the first CD plug-in.
    const int32_t choice = settings_.CDPlugIndex;
    const size_t index =
        choice >= 0 && static_cast<size_t>(choice) < cdPlugIns.size() ? static_cast<size_t>(choice) : 0;
    host_.SelectPlugIn(cdPlugIns[index]);
    player_.CdPluginSelected();
    caption_ = PanelCaption;
    marked_ = -1;
    fillRows();
    shown_ = true;
    emit opened();
    emit captionChanged();
    if (settings_.CDautoFreeDB)
        GetFreeDbInfos();
    if (!rows_.empty()) {
        SelectCdRow(0);
        RowSelected(0);
    }
    return true;
}

void CdPanel::fillRows() {
    rows_.clear();
    const int count = host_.GetCDTrackCount(player_.CdDriveNumber);
    for (int t = 0; t < count; ++t) {
        const QString info = QString::fromStdString(host_.GetCDTrackInfos(t));
        rows_.push_back({info.left(8), info.mid(10, 5)});
    }
    emit rowsChanged();
}

void CdPanel::CloseCd() {
    if (!player_.CdMode)
        return;
    host_.PlayCDTrack(player_.CdDriveNumber, player_.CurrentCdTrack, "stop");
    querying_ = false;
    waiting_ = false;
    shown_ = false;
    player_.CloseCd();
    emit closed();
}

void CdPanel::RowSelected(int row) {
    if (player_.Playing || row < 0 || row >= CdTrackCount())
        return;
    player_.CurrentCdTrack = row;
    MarkCurrentCdTrack(row);
    player_.UpdateTrackNumber();
}

void CdPanel::RowDoubleClicked(int row) {
    if (!player_.CdMode || row < 0 || row >= CdTrackCount())
        return;
    player_.CurrentCdTrack = row;
    host_.PlayCDTrack(player_.CdDriveNumber, row, "play");
    player_.Playing = true;
    player_.Paused = false;
    MarkCurrentCdTrack(row);
    player_.UpdateTrackNumber();
}

std::string CdPanel::CdTrackCaption(int track) const {
    return track >= 0 && track < CdTrackCount() ? rows_[static_cast<size_t>(track)].track.toStdString()
                                                : std::string();
}

void CdPanel::SelectCdRow(int track) {
    emit rowSelectionRequested(track);
}

void CdPanel::MarkCurrentCdTrack(int track) {
    marked_ = track;
    emit markChanged();
}

void CdPanel::GetFreeDbInfos() {
    log_.clear();
    cddb_->VirtualDrives = settings_.VirtualDrives;
    try {
        cddb_->ReadTOC(player_.CdDriveNumber);
    } catch (const ECdInterfaceError& e) {
        appendLog(QString::fromUtf8(e.what()));
    }
    waiting_ = true;
    querying_ = true;
    cddb_->ServerAddr = QString::fromStdString(settings_.CDDBServer);
    cddb_->ServerAdditionalAddr = QStringLiteral("/~cddb/cddb.cgi");
    cddb_->ServerType = TServerType::HTTP;
    cddb_->ServerPort = QString::fromStdString(settings_.CDDBPort);
    if (!cddb_->SetEmailUser(QString::fromStdString(settings_.CDDBEmail)))
        qCDebug(lcCdPanel) << "the CDDB e-mail address is not user@host; the default is sent";
    cddb_->HttpQuery();
}

// The outcome of a query is seen in the client's texts; it is handled after the client has returned.
void CdPanel::appendLog(const QString& line) {
    log_ << line;
    if (!waiting_)
        return;
    const QString upper = line.trimmed().toUpper();
    if (upper == QLatin1String("ENTRY READ")) {
        waiting_ = false;
        QTimer::singleShot(0, this, &CdPanel::readOutInfos);
    } else if (upper == QLatin1String("NO MATCH FOUND")) {
        waiting_ = false;
        QTimer::singleShot(0, this, &CdPanel::noMatch);
    } else if (cddb_->State == CddbState::RequestFailed) {
        // A server that is down or answers nonsense: the user is not told, the log says why.
        qCInfo(lcCdPanel) << "CDDB:" << line;
    }
}

void CdPanel::onMatch(const QStringList& matches, int& rightOne) {
    const QStringList lines = MatchChoiceLines(matches);
    if (lines.size() < 2 || settings_.CDautofirst)
        rightOne = 0;
    else
        rightOne = ChooseMatch ? ChooseMatch(lines) : 0;
    if (querying_ && cddb_->ServerType == TServerType::HTTP) {
        if (rightOne != -1)
            QTimer::singleShot(0, this, &CdPanel::readAfterMatch);
        querying_ = false;
    }
}

void CdPanel::readAfterMatch() {
    if (cddb_->State == CddbState::MatchChosen || cddb_->State == CddbState::MatchListed)
        cddb_->HttpRead();
}

void CdPanel::readOutInfos() {
    if (!player_.CdMode)
        return;
    const CdNames names = ReadOutInfos(cddb_->Entry, CdTrackCount());
    if (names.hasDiscTitle) {
        caption_ = PanelCaption + QStringLiteral(" [") + names.album + QLatin1Char(']');
        emit captionChanged();
    }
    for (size_t r = 0; r < rows_.size(); ++r)
        if (!names.trackTexts[r].isEmpty())
            rows_[r].track = names.trackTexts[r];
    emit rowsChanged();
}

void CdPanel::noMatch() {
    emit message(NotListed);
}

} // namespace larkspin
