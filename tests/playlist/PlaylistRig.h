#pragma once

#include "PlayerRig.h"
#include "Playlist.h"
#include "PlaylistFixtures.h"

#include <QSignalSpy>

namespace larkspin::test {

// A row count kept only from the model signals, as a view over the list would keep it.
class ModelMirror {
public:
    explicit ModelMirror(Playlist& list) : rows_(list.Count()) {
        QObject::connect(&list, &Playlist::rowsInserted, [this](int f, int l) { rows_ += l - f + 1; });
        QObject::connect(&list, &Playlist::rowsRemoved, [this](int f, int l) { rows_ -= l - f + 1; });
        QObject::connect(&list, &Playlist::wasReset, [this, &list] { rows_ = list.Count(); });
    }
    int rows() const { return rows_; }

private:
    int rows_;
};

// The player rig with a real Playlist as its entry list instead of the fake one.
class PlaylistRig {
public:
    PlaylistRig() : list(rig.settings, *rig.player), mirror(list) {
        rig.player->SetEntryList(&list);
        rig.settings.ReadId3v2Tag = true;
    }

    // Creates empty files e0.mp3 .. e(n-1).mp3 in the rig's folder and adds them.
    void addEntries(int n) {
        std::vector<std::string> paths;
        for (int i = 0; i < n; ++i)
            paths.push_back(file(QStringLiteral("e%1.mp3").arg(i)));
        add(paths);
    }
    // An empty file in the rig's folder; its path.
    std::string file(const QString& name) const {
        QFile f(rig.path(name));
        f.open(QIODevice::WriteOnly);
        return rig.path(name).toStdString();
    }
    void add(const std::vector<std::string>& paths) {
        list.AddFilesToPlaylist(paths);
        list.WaitForWork();
    }
    // Replaces the list with entries through a TE3 file.
    void load(const std::vector<PlaylistEntry>& entries) {
        const std::string te3 = rig.path("fixture.te3").toStdString();
        SaveTe3Playlist(te3, entries);
        list.LoadPlaylistFile(te3);
        list.WaitForWork();
    }
    std::vector<std::string> column(int field) const {
        std::vector<std::string> out;
        for (int i = 0; i < list.Count(); ++i)
            out.emplace_back(list.Field(i, field));
        return out;
    }
    PlayerController& player() { return *rig.player; }

    PlayerRig rig{0};
    Playlist list;
    ModelMirror mirror;
};

} // namespace larkspin::test
