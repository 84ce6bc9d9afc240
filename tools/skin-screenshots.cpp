// Starts Larkspin in a scratch program folder and saves pictures of the player, playlist and station
// windows and of every settings page in each shipped skin and in the built-in look, for review.
// Usage: larkspin_skin_screenshots <skins folder> <output folder>   (tools/screenshot-skins.sh)
#include "LarkspinApp.h"
#include "SkinEngine.h"
#include "SkinFolder.h"
#include "THauptform.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace larkspin;

namespace {

void settle() {
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
}

bool save(QWidget* w, const QString& file) {
    settle();
    if (w->grab().save(file))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return false;
}

// Every page of a tab control, sub-pages included, each saved as <stem>-<page>[-<sub-page>].png.
bool savePages(QWidget* window, QTabWidget* tabs, const QString& stem) {
    bool ok = true;
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        const QString name = stem + QLatin1Char('-') + tabs->tabText(i).remove(QLatin1Char(' '));
        auto* sub = qobject_cast<QTabWidget*>(tabs->widget(i));
        if (sub)
            ok = savePages(window, sub, name) && ok;
        else
            ok = save(window, name + QStringLiteral(".png")) && ok;
    }
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <skins folder> <output folder>\n", argv[0]);
        return 2;
    }
    const QString skins = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    QTemporaryDir folder;
    QDir().mkpath(folder.filePath("Skins"));
    for (const std::string& name : SkinNames({skins.toStdString()})) {
        const QString from = skins + QLatin1Char('/') + QString::fromStdString(name);
        QDir().mkpath(folder.filePath("Skins/" + QString::fromStdString(name) + "/_display"));
        for (const QString& f : QDir(from).entryList(QDir::Files))
            QFile::copy(from + "/" + f, folder.filePath("Skins/" + QString::fromStdString(name) + "/" + f));
        for (const QString& f : QDir(from + "/_display").entryList(QDir::Files))
            QFile::copy(from + "/_display/" + f,
                        folder.filePath("Skins/" + QString::fromStdString(name) + "/_display/" + f));
    }
    QFile::copy(skins + "/main_logo.jpg", folder.filePath("Skins/main_logo.jpg"));
    // The build's decoder plug-ins, so the plug-in lists show rows.
    const QString decoders = QCoreApplication::applicationDirPath() + "/../PlugIn/Decoder";
    QDir().mkpath(folder.filePath("PlugIn/Decoder"));
    for (const QString& f : QDir(decoders).entryList({QStringLiteral("*.so")}, QDir::Files))
        QFile::copy(decoders + "/" + f, folder.filePath("PlugIn/Decoder/" + f));

    LarkspinApp larkspin(folder.filePath("larkspin"), folder.filePath("data"));
    larkspin.Start();
    settle();

    QWidget* playlist = nullptr;
    QWidget* station = nullptr;
    QDialog* settingsWindow = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->inherits("larkspin::TPlaylistForm"))
            playlist = w;
        else if (w->inherits("larkspin::TStationForm"))
            station = w;
        else if (w->inherits("larkspin::TPlugInForm"))
            settingsWindow = qobject_cast<QDialog*>(w);
    }
    std::vector<std::pair<QString, QString>> looks = {{QStringLiteral("builtin"), QString()}};
    for (const std::string& name : SkinNames({skins.toStdString()}))
        looks.push_back({QString::fromStdString(name),
                         folder.filePath("Skins/" + QString::fromStdString(name) + "/skin.ini")});
    bool ok = true;
    for (const auto& [look, ini] : looks) {
        if (ini.isEmpty())
            skinEngine().useBuiltIn();
        else
            skinEngine().load(ini);
        const QString stem = out + QLatin1Char('/') + look;
        ok = save(&larkspin.mainWindow(), stem + "-player.png") && ok;
        if (playlist) {
            playlist->show();
            ok = save(playlist, stem + "-playlist.png") && ok;
            // The CD player's panel over the list, as opening a disc shows it.
            if (auto* cd = playlist->findChild<QWidget*>(QStringLiteral("cdpanel"))) {
                cd->show();
                cd->raise();
                ok = save(playlist, stem + "-playlist-cd.png") && ok;
                cd->hide();
            }
        }
        if (station) {
            station->show();
            ok = save(station, stem + "-station.png") && ok;
        }
        if (settingsWindow) {
            settingsWindow->show();
            if (auto* pages = settingsWindow->findChild<QTabWidget*>(QStringLiteral("Pages")))
                ok = savePages(settingsWindow, pages, stem + "-settings") && ok;
            settingsWindow->hide();
        }
    }
    std::printf("screenshots in %s\n", qPrintable(out));
    // The program's own shutdown is not wanted here: nothing of the scratch folder is kept.
    std::fflush(stdout);
    std::_Exit(ok ? 0 : 1);
}
