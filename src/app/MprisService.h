#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <optional>
#include <string>

namespace larkspin {

class PlayerController;
struct Settings;

// The desktop's media controls and the keyboard's media keys: MPRIS 2 on the session bus as
// org.mpris.MediaPlayer2.larkspin. Every call goes through the player controller's commands, so the
// player window shows the same state. Without a session bus the program runs on without it.
class MprisService : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> raise;                          // Raise: show the player window on top
        std::function<void()> quit;                           // Quit: end the program as a close would
        std::function<void(const QByteArray& path)> openFile; // OpenUri: add a local file and play it
    };
    MprisService(PlayerController& player, Settings& settings, Hooks hooks, QObject* parent = nullptr);
    ~MprisService() override;

    // Registers on the session bus; false (said once on the console) when there is none.
    bool Register();
    const QString& ServiceName() const { return serviceName_; }

    // The properties of org.mpris.MediaPlayer2.Player as they stand now.
    QString PlaybackStatus() const;
    QString LoopStatus() const;
    void SetLoopStatus(const QString& status);
    bool Shuffle() const;
    void SetShuffle(bool on);
    double Volume() const;
    void SetVolume(double volume);
    qlonglong Position() const; // microseconds
    // Built again only when the track, its texts, its length or its cover change.
    QVariantMap Metadata() const;

    // The methods of org.mpris.MediaPlayer2.Player.
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offsetUs);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs);
    void OpenUri(const QString& uri);
    void Raise();
    void Quit();

signals:
    // The properties just sent in one PropertiesChanged, for a look without a bus listener.
    void propertiesPublished(const QVariantMap& changed);

private:
    // What the metadata is made of; equal keys give equal metadata.
    struct MetadataKey {
        bool loaded = false;
        bool cd = false;
        int index = -1;
        int cdTrack = 0;
        std::string file;
        int length = 0;
        QString title, artist, album, cover;
        int coverVersion = 0;
        bool operator==(const MetadataKey&) const = default;
    };
    MetadataKey CurrentMetadataKey() const;
    QVariantMap BuildMetadata(const MetadataKey& key) const;

    // Sends PropertiesChanged for the properties whose values differ from the last ones sent. It runs
    // on every display tick, so it compares plain values and leaves the metadata alone while the key
    // is unchanged.
    void publishChanges();
    QDBusObjectPath TrackId() const;

    PlayerController& player_;
    Settings& settings_;
    Hooks hooks_;
    QString serviceName_;
    bool registered_ = false;
    // The values last sent; unset after registering so the first look sends them all.
    struct Published {
        QString status, loop;
        bool shuffle = false;
        double volume = 0;
        MetadataKey metadata;
    };
    std::optional<Published> published_;
    mutable std::optional<MetadataKey> metadataKey_;
    mutable QVariantMap metadata_;
};

// org.mpris.MediaPlayer2
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    MprisRootAdaptor(MprisService* service, QObject* object)
        : QDBusAbstractAdaptor(object), service_(service) {}
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Larkspin"); }
    QString DesktopEntry() const { return QStringLiteral("larkspin"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const;

public slots:
    void Raise() { service_->Raise(); }
    void Quit() { service_->Quit(); }

private:
    MprisService* service_;
};

// org.mpris.MediaPlayer2.Player
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE SetLoopStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(bool Shuffle READ Shuffle WRITE SetShuffle)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanControl)
    Q_PROPERTY(bool CanGoPrevious READ CanControl)
    Q_PROPERTY(bool CanPlay READ CanControl)
    Q_PROPERTY(bool CanPause READ CanControl)
    Q_PROPERTY(bool CanSeek READ CanControl)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    MprisPlayerAdaptor(MprisService* service, QObject* object)
        : QDBusAbstractAdaptor(object), service_(service) {}
    QString PlaybackStatus() const { return service_->PlaybackStatus(); }
    QString LoopStatus() const { return service_->LoopStatus(); }
    void SetLoopStatus(const QString& status) { service_->SetLoopStatus(status); }
    double Rate() const { return 1.0; }
    void SetRate(double) {}
    bool Shuffle() const { return service_->Shuffle(); }
    void SetShuffle(bool on) { service_->SetShuffle(on); }
    QVariantMap Metadata() const { return service_->Metadata(); }
    double Volume() const { return service_->Volume(); }
    void SetVolume(double volume) { service_->SetVolume(volume); }
    qlonglong Position() const { return service_->Position(); }
    bool CanControl() const { return true; }

public slots:
    void Next() { service_->Next(); }
    void Previous() { service_->Previous(); }
    void Pause() { service_->Pause(); }
    void PlayPause() { service_->PlayPause(); }
    void Stop() { service_->Stop(); }
    void Play() { service_->Play(); }
    void Seek(qlonglong offset) { service_->Seek(offset); }
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position) {
        service_->SetPosition(trackId, position);
    }
    void OpenUri(const QString& uri) { service_->OpenUri(uri); }

signals:
    void Seeked(qlonglong position);

private:
    MprisService* service_;
};

} // namespace larkspin
