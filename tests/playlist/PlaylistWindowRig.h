#pragma once

// The playlist window over the playlist rig: the real entry list and player, with the recording plug-in
// (playing *.mp3 and *.wav) as the only decoder, in a scratch program folder.
#include "../WhenModal.h"
#include "PlaylistRig.h"
#include "PlaylistView.h"
#include "TPlaylistForm.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace larkspin::test {

class PlaylistWindowRig {
public:
    PlaylistWindowRig() : rig(lists.rig), list(&lists.list) {
        rig.settings.PlayFade = false;
        rig.settings.StopFade = false;
        rig.settings.Crossfading = false;
        window = std::make_unique<TPlaylistForm>(*list, rig.settings);
        window->setPlugInHost(rig.host.get());
    }

    // Empty files of these names in the program folder, added through the window's one way in, with
    // their information read.
    void addFiles(const QStringList& names) {
        QByteArrayList paths;
        for (const QString& name : names) {
            QFile f(rig.path(name));
            f.open(QIODevice::WriteOnly);
            paths << QFile::encodeName(rig.path(name));
        }
        window->AddDroppedFiles(paths);
        list->WaitForWork();
        QCoreApplication::processEvents();
    }

    PlaylistView* view() const { return window->view(); }
    QAbstractItemModel* model() const { return view()->model(); }
    QString cell(int row, int column) const { return model()->index(row, column).data().toString(); }
    QStringList column(int c) const {
        QStringList out;
        for (int r = 0; r < model()->rowCount(); ++r)
            out << cell(r, c);
        return out;
    }
    // The path of every entry, in list order.
    QStringList paths() const {
        QStringList out;
        for (int r = 0; r < list->Count(); ++r)
            out << QString::fromStdString(std::string(list->Field(r, RecordPath)));
        return out;
    }
    QPoint rowPoint(int row) const { return view()->visualRect(model()->index(row, 0)).center(); }
    void click(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, modifiers, rowPoint(row));
    }
    template <class T> T* child(const char* name) const {
        T* w = window->findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }

    PlaylistRig lists;
    PlayerRig& rig;
    Playlist* list;
    std::unique_ptr<TPlaylistForm> window;
};

} // namespace larkspin::test
