#include "MprisService.h"

#include "AppLog.h"
#include "FileUrls.h"
#include "PlayerController.h"
#include "Settings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace larkspin {
namespace {

const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
constexpr qlonglong Microseconds = 1000000;

QString knownOrEmpty(const QString& text) {
    return text == QLatin1String("---") ? QString() : text;
}

} // namespace

QStringList MprisRootAdaptor::SupportedMimeTypes() const {
    return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-wav"),    QStringLiteral("audio/ogg"),
            QStringLiteral("audio/flac"), QStringLiteral("audio/x-ms-wma"), QStringLiteral("audio/mp4"),
            QStringLiteral("audio/opus"), QStringLiteral("audio/x-aiff")};
}

MprisService::MprisService(PlayerController& player, Settings& settings, Hooks hooks, QObject* parent)
    : QObject(parent), player_(player), settings_(settings), hooks_(std::move(hooks)) {
    new MprisRootAdaptor(this, this);
    new MprisPlayerAdaptor(this, this);
    connect(&player_, &PlayerController::displayChanged, this, &MprisService::publishChanges);
}

MprisService::~MprisService() {
    if (registered_)
        QDBusConnection::sessionBus().unregisterService(serviceName_);
}

bool MprisService::Register() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCWarning(lcApp) << "no D-Bus session bus: media keys and the desktop's media controls are off";
        return false;
    }
    serviceName_ = QStringLiteral("org.mpris.MediaPlayer2.larkspin");
    // A second Larkspin from another program folder takes a name of its own, as MPRIS allows.
    if (!bus.registerService(serviceName_)) {
        serviceName_ += QStringLiteral(".instance%1").arg(::getpid());
        if (!bus.registerService(serviceName_)) {
            qCWarning(lcApp) << "the media controls' name could not be registered:"
                             << bus.lastError().message();
            return false;
        }
    }
    if (!bus.registerObject(ObjectPath, this, QDBusConnection::ExportAdaptors)) {
        qCWarning(lcApp) << "the media controls could not be registered:" << bus.lastError().message();
        bus.unregisterService(serviceName_);
        return false;
    }
    registered_ = true;
    published_.reset();
    publishChanges();
    return true;
}

QString MprisService::PlaybackStatus() const {
    if (player_.Playing && player_.Paused)
        return QStringLiteral("Paused");
    return player_.Playing ? QStringLiteral("Playing") : QStringLiteral("Stopped");
}

QString MprisService::LoopStatus() const {
    if (settings_.RepeatOne)
        return QStringLiteral("Track");
    return settings_.RepeatAll ? QStringLiteral("Playlist") : QStringLiteral("None");
}

void MprisService::SetLoopStatus(const QString& status) {
    if (status == QLatin1String("Track") && !settings_.RepeatOne)
        player_.RepeatOneClick();
    else if (status == QLatin1String("Playlist") && !settings_.RepeatAll)
        player_.RepeatAllClick();
    else if (status == QLatin1String("None")) {
        if (settings_.RepeatOne)
            player_.RepeatOneClick();
        if (settings_.RepeatAll)
            player_.RepeatAllClick();
    }
    publishChanges();
}

bool MprisService::Shuffle() const {
    return settings_.ShufflePlay;
}

void MprisService::SetShuffle(bool on) {
    if (on != settings_.ShufflePlay)
        player_.ShuffleClick();
    publishChanges();
}

double MprisService::Volume() const {
    return player_.Display().VolumeBar / 100.0;
}

void MprisService::SetVolume(double volume) {
    if (!std::isfinite(volume))
        return;
    player_.VolumeBarChange(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
}

qlonglong MprisService::Position() const {
    return player_.Display().SliderPos * Microseconds;
}

QDBusObjectPath MprisService::TrackId() const {
    if (player_.CdMode && !player_.CdFailed)
        return QDBusObjectPath(
            QStringLiteral("/org/larkspin/CdTrack/%1").arg(std::max(player_.CurrentCdTrack, 0)));
    if (player_.CdMode || !player_.TrackLoaded || player_.CurrentFile().empty())
        return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    const int current = std::max(player_.Order().Current(), 0);
    return QDBusObjectPath(QStringLiteral("/org/larkspin/Track/%1").arg(current));
}

MprisService::MetadataKey MprisService::CurrentMetadataKey() const {
    const PlayerDisplay& d = player_.Display();
    MetadataKey k;
    k.cd = player_.CdMode;
    if (k.cd) {
        // A CD track has no file and no tags: its caption (what the title display shows) and its length.
        k.loaded = !player_.CdFailed;
        if (k.loaded) {
            k.cdTrack = player_.CurrentCdTrack;
            k.length = d.SliderMax;
            k.title = d.DisplayInfo.trimmed();
        }
        return k;
    }
    k.loaded = player_.TrackLoaded && !player_.CurrentFile().empty();
    if (!k.loaded)
        return k;
    k.index = player_.Order().Current();
    k.file = player_.CurrentFile();
    k.length = d.SliderMax;
    k.title = knownOrEmpty(d.Title);
    k.artist = knownOrEmpty(d.Artist);
    k.album = knownOrEmpty(d.Album);
    if (d.CoverVisible) {
        k.cover = d.CoverPath;
        k.coverVersion = d.CoverVersion;
    }
    return k;
}

QVariantMap MprisService::BuildMetadata(const MetadataKey& k) const {
    QVariantMap m;
    m[QStringLiteral("mpris:trackid")] = QVariant::fromValue(TrackId());
    if (!k.loaded)
        return m;
    m[QStringLiteral("mpris:length")] = static_cast<qlonglong>(k.length) * Microseconds;
    if (k.cd) {
        if (!k.title.isEmpty())
            m[QStringLiteral("xesam:title")] = k.title;
        return m;
    }
    const QString file = QString::fromStdString(k.file);
    // The tag's title; a file without one is known by its name.
    m[QStringLiteral("xesam:title")] = k.title.isEmpty() ? QFileInfo(file).completeBaseName() : k.title;
    m[QStringLiteral("xesam:url")] = QUrl::fromLocalFile(file).toString();
    if (!k.artist.isEmpty())
        m[QStringLiteral("xesam:artist")] = QStringList{k.artist};
    if (!k.album.isEmpty())
        m[QStringLiteral("xesam:album")] = k.album;
    if (!k.cover.isEmpty() && QFileInfo::exists(k.cover))
        m[QStringLiteral("mpris:artUrl")] = QUrl::fromLocalFile(k.cover).toString();
    return m;
}

QVariantMap MprisService::Metadata() const {
    MetadataKey key = CurrentMetadataKey();
    if (!metadataKey_ || !(*metadataKey_ == key)) {
        metadata_ = BuildMetadata(key);
        metadataKey_ = std::move(key);
    }
    return metadata_;
}

void MprisService::Next() {
    player_.NextTrack();
}
void MprisService::Previous() {
    player_.PreviousTrack();
}
void MprisService::Pause() {
    if (player_.Playing && !player_.Paused)
        player_.Pause();
}
void MprisService::PlayPause() {
    if (player_.Playing && !player_.Paused)
        player_.Pause();
    else
        player_.Play();
}
void MprisService::Stop() {
    player_.Stop();
}
void MprisService::Play() {
    player_.Play();
}

void MprisService::Seek(qlonglong offsetUs) {
    if (!player_.Playing)
        return;
    const qlonglong target = Position() + offsetUs;
    if (target >= static_cast<qlonglong>(player_.Display().SliderMax) * Microseconds) {
        player_.NextTrack(); // seeking past the end goes to the next title
        return;
    }
    SetPosition(TrackId(), std::max<qlonglong>(target, 0));
}

void MprisService::SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs) {
    if (!player_.Playing || trackId != TrackId() || positionUs < 0 ||
        positionUs > static_cast<qlonglong>(player_.Display().SliderMax) * Microseconds)
        return;
    // As if the position slider were dragged there.
    player_.SliderMouseDown();
    player_.SliderMouseUp(static_cast<int>(positionUs / Microseconds));
    if (registered_) {
        QDBusMessage seeked =
            QDBusMessage::createSignal(ObjectPath, PlayerInterface, QStringLiteral("Seeked"));
        seeked << Position();
        QDBusConnection::sessionBus().send(seeked);
    }
}

void MprisService::OpenUri(const QString& uri) {
    // The address's escapes give the file name's bytes, whatever they are.
    const std::optional<std::string> local = LocalPathOfFileUrl(uri.toStdString());
    const QByteArray path = local
                                ? QByteArray::fromStdString(*local)
                                : (uri.startsWith(QLatin1Char('/')) ? QFile::encodeName(uri) : QByteArray());
    struct stat st {};
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0) {
        qCWarning(lcApp) << "media controls asked to open what is no local file:" << uri;
        return;
    }
    if (hooks_.openFile)
        hooks_.openFile(path);
}

void MprisService::Raise() {
    if (hooks_.raise)
        hooks_.raise();
}

void MprisService::Quit() {
    if (hooks_.quit)
        hooks_.quit();
}

void MprisService::publishChanges() {
    if (!registered_)
        return;
    Published now;
    now.status = PlaybackStatus();
    now.loop = LoopStatus();
    now.shuffle = Shuffle();
    now.volume = Volume();
    now.metadata = CurrentMetadataKey();
    QVariantMap changed;
    const bool all = !published_;
    if (all || published_->status != now.status)
        changed.insert(QStringLiteral("PlaybackStatus"), now.status);
    if (all || published_->loop != now.loop)
        changed.insert(QStringLiteral("LoopStatus"), now.loop);
    if (all || published_->shuffle != now.shuffle)
        changed.insert(QStringLiteral("Shuffle"), now.shuffle);
    if (all || published_->volume != now.volume)
        changed.insert(QStringLiteral("Volume"), now.volume);
    if (all || !(published_->metadata == now.metadata))
        changed.insert(QStringLiteral("Metadata"), Metadata());
    if (changed.isEmpty())
        return;
    published_ = std::move(now);
    QDBusMessage signal = QDBusMessage::createSignal(
        ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << PlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
    emit propertiesPublished(changed);
}

} // namespace larkspin
