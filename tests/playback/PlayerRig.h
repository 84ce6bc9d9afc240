#pragma once

#include "PlayerController.h"
#include "PlugInHost.h"
#include "RecordingPlugIn.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <dlfcn.h>

#include <memory>

namespace larkspin::test {

// A playlist of entries "e0.mp3", "e1.mp3", ... that reports selections back to the player, as the
// playlist window does.
class FakeEntryList : public PlayerEntryList {
public:
    std::vector<Entry> entries;
    PlayerController* player = nullptr;
    bool busy = false;
    int marked = -2;
    QList<int> selections;

    int Count() const override { return static_cast<int>(entries.size()); }
    Entry EntryAt(int index) const override { return entries.at(static_cast<size_t>(index)); }
    bool PlaylistBusy() const override { return busy; }
    void MarkCurrentEntry(int index) override { marked = index; }
    void SelectRow(int index) override {
        selections << index;
        if (player)
            player->PlaylistSelectionChanged(index, index >= 0 && index < Count() ? 1 : 0);
    }
    void ScrollToRow(int) override {}
    PlayOrder& Order() override { return order; }
    const PlayOrder& Order() const override { return order; }
    PlayOrder order;
};

class FakeCdTracks : public PlayerCdTrackList {
public:
    int count = 0;
    int selected = -1;
    int marked = -1;
    int CdTrackCount() const override { return count; }
    std::string CdTrackCaption(int track) const override { return "Track " + std::to_string(track + 1); }
    void SelectCdRow(int track) override { selected = track; }
    void MarkCurrentCdTrack(int track) override { marked = track; }
};

// A program folder with the recording plug-in (playing *.mp3 and *.wav) as its only decoder, a
// playlist of empty files and a player over the real plug-in host.
class PlayerRig {
public:
    explicit PlayerRig(int entries, bool withPlugIn = true) {
        folder_ = dir_.path();
        const QString decoders = folder_ + "/PlugIn/Decoder";
        QDir().mkpath(decoders);
        if (withPlugIn) {
            libraryPath_ = decoders + "/IB_recording.so";
            const bool copied = QFile::copy(
                QStringLiteral(LARKSPIN_BUILD_DIR "/tests/plugins/IB_recording.so"), libraryPath_);
            if (!copied)
                qFatal("recording plug-in missing");
            QFile script(libraryPath_ + ".script");
            script.open(QIODevice::WriteOnly);
            script.write("filetypes=*.mp3;*.wav\n");
        }
        settings.Crossfading = true;
        settings.CrossTime = 5000;
        settings.PlayFade = true;
        settings.PlayTime = 2000;
        settings.StopFade = true;
        settings.StopTime = 1000;
        settings.DirectSound = true;

        PlugInHostOptions options;
        options.decoderFolder = decoders.toStdString();
        options.liveSettings = &settings;
        host = std::make_unique<TPlugInHost>(options);
        std::string check;
        host->EnumeratePlugIns(check);
        if (withPlugIn) {
            handle_ = dlopen(libraryPath_.toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD);
            if (!handle_)
                qFatal("recording plug-in not loaded by the host");
            set_ = reinterpret_cast<RecordingSetFn>(dlsym(handle_, LARKSPIN_RECORDING_SET));
            log_ = reinterpret_cast<RecordingLogFn>(dlsym(handle_, LARKSPIN_RECORDING_LOG));
            clearLog_ = reinterpret_cast<RecordingClearLogFn>(dlsym(handle_, LARKSPIN_RECORDING_CLEAR_LOG));
        }

        for (int i = 0; i < entries; ++i)
            addEntry(QStringLiteral("e%1.mp3").arg(i));

        PlayerFileServices files;
        files.AddPlayedFile = [this](const std::string& path) { played << QString::fromStdString(path); };
        files.ExtractCover = [this](const std::string& path, const std::string& folder) {
            return extractCover && extractCover(path, folder);
        };
        files.ReadGain = [this](const std::string& path) { return readGain ? readGain(path) : GainTags{}; };
        player = std::make_unique<PlayerController>(settings, *host, files, folder_.toStdString());
        list.player = player.get();
        player->SetEntryList(&list);
        player->SetCdTrackList(&cd);
        clear();
    }
    ~PlayerRig() {
        if (handle_)
            dlclose(handle_);
    }

    // Appends an entry; a name with "/" or ":" is taken as the path itself and no file is made.
    void addEntry(const QString& name, const std::string& artist = {}) {
        PlayerEntryList::Entry e;
        if (name.contains('/') || name.contains(':')) {
            e.Path = name.toStdString();
        } else {
            e.Path = path(name).toStdString();
            QFile f(path(name));
            f.open(QIODevice::WriteOnly);
        }
        e.Artist = artist;
        list.entries.push_back(e);
    }

    QString path(const QString& name) const { return folder_ + "/" + name; }
    const QString& folder() const { return folder_; }

    // Scripted plug-in answers: state, pos, length, fading.
    void script(const char* key, int value) { set_(key, QByteArray::number(value).constData()); }
    // A scripted text answer; null restores the default.
    void scriptText(const char* key, const QString& value) {
        set_(key, value.isNull() ? nullptr : value.toUtf8().constData());
    }

    // The commands the plug-in received since the last clear (queries left out), with the folder
    // of the entries cut from paths.
    QStringList commands() const {
        static const QRegularExpression command(
            QStringLiteral("^[^:]*: (LoadFile|Play|Pause|Stop|SetPos|SetVolume|SetFileGain|PlayCDTrack)\\("));
        QStringList out;
        if (!log_)
            return out;
        for (const QString& line : QString::fromUtf8(log_()).split('\n', Qt::SkipEmptyParts)) {
            if (!command.match(line).hasMatch())
                continue;
            QString c = line.mid(line.indexOf(": ") + 2);
            out << c.replace(folder_ + "/", QString());
        }
        return out;
    }
    QStringList queries(const QString& name) const {
        QStringList out;
        if (log_)
            for (const QString& line : QString::fromUtf8(log_()).split('\n', Qt::SkipEmptyParts))
                if (line.contains(": " + name + "("))
                    out << line;
        return out;
    }
    void clear() {
        if (clearLog_)
            clearLog_();
    }

    // One DisplayTimer tick; a TimerLinear it started fires before the next tick, as its 1 ms does.
    void tick() {
        player->DisplayTimerTimer();
        if (player->TimerLinearEnabled())
            player->TimerLinearTimer();
    }

    // Selects entry index while stopped (which prepares it), presses Play, and clears the log.
    void playEntry(int index) {
        list.SelectRow(index);
        player->Play();
        clear();
    }

    Settings settings;
    std::unique_ptr<TPlugInHost> host;
    std::unique_ptr<PlayerController> player;
    FakeEntryList list;
    FakeCdTracks cd;
    QStringList played;
    // Stands in for cutting the cover out of a file; unset: no file has a cover.
    std::function<bool(const std::string&, const std::string&)> extractCover;
    // Stands in for reading a file's gain tags; unset: no file has any.
    std::function<GainTags(const std::string&)> readGain;

private:
    QTemporaryDir dir_;
    QString folder_;
    QString libraryPath_;
    void* handle_ = nullptr;
    RecordingSetFn set_ = nullptr;
    RecordingLogFn log_ = nullptr;
    RecordingClearLogFn clearLog_ = nullptr;
};

} // namespace larkspin::test
