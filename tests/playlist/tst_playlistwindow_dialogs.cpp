// The playlist window's dialogs offscreen: loading and saving lists through the file dialogs, the
// add-files dialog and the add-directory dialog, answered as a user would.
#include "../tags/Id3Fixtures.h"
#include "FolderTree.h"
#include "MakerAddress.h"
#include "PlaylistWindowRig.h"
#include "PlugInHost.h"
#include "TAdd_dirform.h"
#include "TFileInfoForm.h"
#include "TMatchform.h"
#include "Taddfilesform.h"
#include "Taddurlform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

using namespace larkspin;
using namespace larkspin::test;

namespace {

// A caption as the program shows it: with the maker's address when the build set one.
QString Captioned(const QString& text) {
    return QString::fromStdString(WithMakerAddress(text.toStdString()));
}

// Answers the next file dialog with path; its filters are kept in filters.
void chooseFile(const QString& path, QStringList* filters = nullptr) {
    whenModal([path, filters](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        if (filters)
            *filters = dialog->nameFilters();
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept(); // the file dialog's own accept reads the typed name
    });
}

// Accepts the next message box; its text is kept in text.
void acceptMessage(QString* text) {
    whenModal([text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        *text = box->text();
        box->accept();
    });
}

QStringList rows(const QListView* list) {
    QStringList out;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        out << list->model()->index(r, 0).data().toString();
    return out;
}

void selectRows(QListView* list, const QStringList& names) {
    list->clearSelection();
    for (int r = 0; r < list->model()->rowCount(); ++r)
        if (names.contains(list->model()->index(r, 0).data().toString()))
            list->selectionModel()->select(list->model()->index(r, 0), QItemSelectionModel::Select);
}

} // namespace

class TestPlaylistWindowDialogs : public QObject {
    Q_OBJECT
private slots:
    void saveAndLoadThroughTheDialogs();
    void unsupportedExtensionsLeaveEverything_data();
    void unsupportedExtensionsLeaveEverything();
    void dialogsSpeakTheLanguage_data();
    void dialogsSpeakTheLanguage();
    void addFilesDialog();
    void addFilesDialogRemembersChosenFiles();
    void addDirectoryDialog();
    void decodeSelectedToWave();
    void fileInfoEditsTheSelectedRow();
};

void TestPlaylistWindowDialogs::saveAndLoadThroughTheDialogs() {
    PlaylistWindowRig w;
    w.addFiles({"A - one.mp3", "B - two.wav", "C - three.mp3"});

    QStringList filters;
    chooseFile(w.rig.path("mix"), &filters);
    w.window->SavePlaylistClick();
    QCOMPARE(filters,
             (QStringList{"Larkspin Playlist (*.te3)", "Larkspin Playlist, short records (*.tel)",
                          "M3U Playlist (*.m3u)", "M3U Playlist, UTF-8 (*.m3u8)", "PLS Playlist (*.pls)"}));
    // te3 is the default extension.
    QCOMPARE(QFileInfo(w.rig.path("mix.te3")).size(), 3 * 751);
    QCOMPARE(w.window->windowTitle(), Captioned("Playlist"));

    chooseFile(w.rig.path("mix.tel"));
    w.window->SavePlaylistClick();
    QCOMPARE(QFileInfo(w.rig.path("mix.tel")).size(), 3 * 458);
    QCOMPARE(w.window->windowTitle(), Captioned("mix"));

    w.window->BtnClearClick();
    chooseFile(w.rig.path("mix.te3"), &filters);
    w.window->LoadPlaylistClick();
    QCOMPARE(filters, (QStringList{"All compatible Playlists (*.te3 *.tel *.m3u *.m3u8 *.pls)",
                                   "Larkspin Playlist (*.te3)", "Larkspin Playlist, short records (*.tel)",
                                   "M3U Playlist (*.m3u *.m3u8)", "PLS Playlist (*.pls)"}));
    w.list->WaitForWork();
    QCOMPARE(w.column(0), (QStringList{"A", "B", "C"}));
    QCOMPARE(w.window->windowTitle(), Captioned("mix"));
    // The first row is prepared while nothing plays.
    QCOMPARE(w.rig.player->Order().Current(), 0);
    QCOMPARE(w.view()->selectedRowList(), QList<int>{0});

    // Every format the dialog loads, it saves.
    for (const char* name : {"mix.m3u8", "mix.m3u", "mix.pls"}) {
        chooseFile(w.rig.path(name));
        w.window->SavePlaylistClick();
        w.window->BtnClearClick();
        chooseFile(w.rig.path(name));
        w.window->LoadPlaylistClick();
        w.list->WaitForWork();
        QCoreApplication::processEvents();
        QCOMPARE(w.column(1), (QStringList{"one", "two", "three"}));
    }
}

void TestPlaylistWindowDialogs::unsupportedExtensionsLeaveEverything_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("expected");
    const QString english = QStringLiteral("This file type is not supported yet!");
    QTest::newRow("load") << false << QString() << english;
    QTest::newRow("save") << true << QString() << english;
    QTest::newRow("load, German") << false << "de"
                                  << QStringLiteral("Dieser Dateityp wird noch nicht unterstützt!");
}

void TestPlaylistWindowDialogs::unsupportedExtensionsLeaveEverything() {
    QFETCH(bool, save);
    QFETCH(QString, language);
    QFETCH(QString, expected);
    // The built translation, as the program carries it.
    QTranslator translator;
    if (!language.isEmpty()) {
        QVERIFY(
            translator.load(QStringLiteral(LARKSPIN_BUILD_DIR "/translations/larkspin_%1.qm").arg(language)));
        QVERIFY(QCoreApplication::installTranslator(&translator));
    }
    PlaylistWindowRig w;
    w.addFiles({"A - one.mp3"});
    const QString name = w.rig.path("songs.xyz");
    if (!save) {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#EXTM3U\n");
    }
    QString message;
    chooseFile(name);
    acceptMessage(&message);
    if (save)
        w.window->SavePlaylistClick();
    else
        w.window->LoadPlaylistClick();
    QCOMPARE(message, expected);
    QCOMPARE(w.column(0), QStringList{"A"});
    QCOMPARE(QFileInfo::exists(name), !save);
    QCOMPARE(w.window->windowTitle(), Captioned("Playlist"));
}

// The playlist's dialogs in English and, with the built German translation, in German.
void TestPlaylistWindowDialogs::dialogsSpeakTheLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("expected"); // add directory, add files, add URL, match window
    QTest::newRow("English") << QString()
                             << QStringList{"Add directory...", "Import audiofiles...", "Add URL...",
                                            "Matchform",        "Include subfolders",   "Files to add:"};
    QTest::newRow("German") << "de" << QStringList{"Ordner hinzufügen...",    "Audiodateien importieren...",
                                                   "URL hinzufügen...",       "Treffer",
                                                   "Unterordner einbeziehen", "Hinzuzufügende Dateien:"};
}

void TestPlaylistWindowDialogs::dialogsSpeakTheLanguage() {
    QFETCH(QString, language);
    QFETCH(QStringList, expected);
    QTranslator translator;
    if (!language.isEmpty()) {
        QVERIFY(
            translator.load(QStringLiteral(LARKSPIN_BUILD_DIR "/translations/larkspin_%1.qm").arg(language)));
        QVERIFY(QCoreApplication::installTranslator(&translator));
    }
    Settings settings;
    TAdd_dirform addDirectory(std::vector<std::string>{"All compatible Files"});
    Taddfilesform addFiles(settings, nullptr);
    Taddurlform addUrl;
    TMatchform match;
    QStringList shown{addDirectory.windowTitle(), addFiles.windowTitle(), addUrl.windowTitle(),
                      match.windowTitle()};
    shown << addDirectory.findChild<QCheckBox*>()->text();
    for (const QLabel* label : addFiles.findChildren<QLabel*>())
        if (label->text().endsWith(':') && label->text() != QLatin1String("0"))
            shown << label->text();
    QVERIFY2(shown.size() >= expected.size(), qPrintable(shown.join(" | ")));
    for (const QString& text : expected)
        QVERIFY2(shown.contains(text), qPrintable(text + " not in " + shown.join(" | ")));
}

void TestPlaylistWindowDialogs::addFilesDialog() {
    PlaylistWindowRig w;
    QVERIFY(QDir().mkpath(w.rig.path("A")));
    QVERIFY(QDir().mkpath(w.rig.path("B")));
    for (const char* name : {"A/x.mp3", "A/b.WAV", "A/c.ogg", "A/backupmp3", "B/x.mp3", "B/y.wav"}) {
        QFile f(w.rig.path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    Taddfilesform form(w.rig.settings, nullptr);
    w.window->setAddFilesForm(&form);
    w.rig.settings.AllowMoreThanOne = true;
    form.showFolder(w.rig.path("A"));
    auto* available = form.findChild<QListView*>("ListBox1");
    auto* chosen = form.findChild<QListView*>("ListBox2");
    auto button = [&](const char* name) { return form.findChild<QPushButton*>(name); };

    whenModal([&](QWidget* modal) {
        QCOMPARE(modal, &form);
        QCOMPARE(form.windowTitle(), QStringLiteral("Import audiofiles..."));
        QVERIFY(form.findChild<QCheckBox*>("AllowMoreThanOne")->isChecked());
        // Only the last three characters count: "backupmp3" is offered, the Ogg file is not.
        QCOMPARE(rows(available), (QStringList{"b.WAV", "backupmp3", "x.mp3"}));
        // With nothing chosen the dialog stays open.
        button("AcceptBtn")->click();
        QVERIFY(form.isVisible());
        selectRows(available, {"x.mp3", "b.WAV"});
        button("AddBtn")->click();
        QCOMPARE(rows(chosen), (QStringList{"b.WAV", "x.mp3"}));
        QCOMPARE(rows(available), QStringList{"backupmp3"});
        // Another folder: the chosen files stay, and its own x.mp3 can be chosen too.
        form.showFolder(w.rig.path("B"));
        QCOMPARE(rows(available), (QStringList{"x.mp3", "y.wav"}));
        QCOMPARE(form.findChild<QLabel*>("Label4")->text(), QStringLiteral("2"));
        QCOMPARE(form.findChild<QLabel*>("Label5")->text(), QStringLiteral("2"));
        button("AddAllBtn")->click();
        QCOMPARE(rows(chosen), (QStringList{"b.WAV", "x.mp3", "x.mp3", "y.wav"}));
        button("AcceptBtn")->click();
    });
    w.window->AddFilesClick();
    w.list->WaitForWork();
    QCoreApplication::processEvents();
    QCOMPARE(w.paths(), (QStringList{w.rig.path("A/b.WAV"), w.rig.path("A/x.mp3"), w.rig.path("B/x.mp3"),
                                     w.rig.path("B/y.wav")}));
    QCOMPARE(w.window->windowTitle(), Captioned("Playlist"));
}

void TestPlaylistWindowDialogs::addFilesDialogRemembersChosenFiles() {
    PlaylistWindowRig w;
    for (const char* name : {"a.mp3", "b.mp3"}) {
        QFile f(w.rig.path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    Taddfilesform form(w.rig.settings, nullptr);
    w.window->setAddFilesForm(&form);
    form.showFolder(w.rig.folder());
    auto* available = form.findChild<QListView*>("ListBox1");
    auto* chosen = form.findChild<QListView*>("ListBox2");
    // Cancelled with "Remember selected files" ticked: nothing is added, the choice is kept for later.
    whenModal([&](QWidget*) {
        form.findChild<QCheckBox*>("RemSelected")->click();
        selectRows(available, {"b.mp3"});
        form.findChild<QPushButton*>("AddBtn")->click();
        form.findChild<QPushButton*>("CancelBtn")->click();
    });
    w.window->AddFilesClick();
    QVERIFY(w.rig.settings.RemSelected);
    QCOMPARE(w.model()->rowCount(), 0);
    // Hidden, the dialog's folder tree has no file system model watching folders; it keeps its folder.
    auto* tree = form.findChild<FolderTree*>();
    QVERIFY(!tree->folderModel());
    QCOMPARE(tree->folder(), w.rig.folder());
    QSignalSpy folderChanges(tree, &FolderTree::folderChosen);
    whenModal([&](QWidget*) {
        QVERIFY(tree->folderModel());
        QCOMPARE(tree->folder(), w.rig.folder());
        QCOMPARE(folderChanges.size(), 0); // shown again on the same folder: no change to report
        QCOMPARE(rows(chosen), QStringList{"b.mp3"});
        QCOMPARE(rows(available), QStringList{"a.mp3"});
        form.findChild<QPushButton*>("AcceptBtn")->click();
    });
    w.window->AddFilesClick();
    w.list->WaitForWork();
    QCoreApplication::processEvents();
    QCOMPARE(w.column(0), QStringList{"b"});
}

void TestPlaylistWindowDialogs::addDirectoryDialog() {
    PlaylistWindowRig w;
    for (const char* name : {"tree/a.wav", "tree/b.mp3", "tree/sub/c.wav", "tree/sub/d.MP3",
                             "tree/.hidden/e.mp3", "tree/z.ogg"}) {
        QVERIFY(QDir().mkpath(QFileInfo(w.rig.path(name)).path()));
        QFile f(w.rig.path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QStringList patterns;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TAdd_dirform*>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Add directory..."));
        auto* combo = dialog->findChild<QComboBox*>("Patterns");
        for (int i = 0; i < combo->count(); ++i)
            patterns << combo->itemText(i);
        QCOMPARE(dialog->selectedPattern(), 0);
        QVERIFY(dialog->includeSubfolders());
        dialog->setFolder(w.rig.path("tree"));
        dialog->accept();
    });
    w.window->AddDirectoryClick();
    QCOMPARE(patterns, (QStringList{"All compatible Files", "*.mp3", "*.wav"}));
    // Every MP3 of the tree before the first WAV; each folder's own files before its subfolders'.
    QTRY_COMPARE(w.model()->rowCount(), 4);
    w.list->WaitForWork();
    QCoreApplication::processEvents();
    QCOMPARE(w.paths(), (QStringList{w.rig.path("tree/b.mp3"), w.rig.path("tree/sub/d.MP3"),
                                     w.rig.path("tree/a.wav"), w.rig.path("tree/sub/c.wav")}));
    QCOMPARE(w.window->windowTitle(), Captioned("Playlist"));

    // Cancel adds nothing.
    whenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    w.window->AddDirectoryClick();
    QCoreApplication::processEvents();
    QCOMPARE(w.model()->rowCount(), 4);
}

void TestPlaylistWindowDialogs::decodeSelectedToWave() {
    const QString plugIn = QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_sndfile.so");
    if (!QFile::exists(plugIn))
        QSKIP("the sndfile decoder plug-in is not built");
    if (!HaveTool("sox"))
        QSKIP("sox is needed to make the FLAC files");
    PlaylistWindowRig w;
    // The window decodes through a host with the real FLAC plug-in; the player keeps its own.
    QTemporaryDir decoders;
    QVERIFY(QFile::copy(plugIn, decoders.filePath("IB_sndfile.so")));
    PlugInHostOptions options;
    options.decoderFolder = decoders.path().toStdString();
    TPlugInHost host(options);
    std::string check;
    host.EnumeratePlugIns(check);
    QCOMPARE(host.DecodingPlugIns().size(), size_t(1));
    w.window->setPlugInHost(&host);

    QStringList names = {"A - one.flac", "B - two.flac", "C - three.flac", "D - four.xyz"};
    for (const QString& n : names.mid(0, 3))
        QVERIFY(RunTool("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", w.rig.path(n), "synth", "0.5",
                                "sine", "440"}));
    QFile(w.rig.path(names[3])).open(QIODevice::WriteOnly);
    QByteArrayList paths;
    for (const QString& n : names)
        paths << QFile::encodeName(w.rig.path(n));
    w.window->AddDroppedFiles(paths);
    w.list->WaitForWork();
    QCoreApplication::processEvents();
    w.click(0);
    w.click(2, Qt::ControlModifier);
    w.click(3, Qt::ControlModifier);

    // The file no plug-in decodes is reported once the others are done.
    QString report;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            report = box->text();
            box->accept();
        }
    });
    answer.start(10);
    w.window->DecodeSelected();
    answer.stop();
    for (const char* wave : {"A - one.wav", "C - three.wav"}) {
        QFileInfo decoded(w.rig.path(wave));
        QVERIFY2(decoded.size() > 44 + 0.4 * 44100 * 4, wave);
    }
    QVERIFY(!QFileInfo::exists(w.rig.path("B - two.wav")));
    QVERIFY2(report.contains("D - four.xyz"), qPrintable(report));
    QVERIFY(!report.contains("one.flac"));

    // With an output folder (the encoder page's), the WAV files go there instead.
    QTemporaryDir out;
    w.window->setDecodeFolder([&] { return out.path(); });
    answer.start(10);
    w.window->DecodeSelected();
    answer.stop();
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), (QStringList{"A - one.wav", "C - three.wav"}));
}

void TestPlaylistWindowDialogs::fileInfoEditsTheSelectedRow() {
    using namespace fixtures;
    PlaylistWindowRig w;
    // Nothing prepared yet: the command does nothing.
    w.window->FileInfoClick();
    QVERIFY(!QApplication::activeModalWidget());

    const QByteArray audio = frames(Header{}, 417, 20);
    QByteArrayList paths;
    for (const char* name : {"first.mp3", "second.mp3"}) {
        paths << QFile::encodeName(w.rig.path(name));
        QVERIFY(writeFile(w.rig.path(name), v2Tag(v2Frame("TPE1", latin1Text("Old Artist"))) + audio));
    }
    w.window->AddDroppedFiles(paths);
    w.list->WaitForWork();
    QCoreApplication::processEvents();
    QCOMPARE(w.list->Field(1, RecordArtist), "Old Artist");
    w.click(1);

    QString shownFile;
    whenModal([&](QWidget* modal) {
        auto* form = qobject_cast<TFileInfoForm*>(modal);
        QVERIFY(form);
        shownFile = form->fileName();
        form->findChild<QLineEdit*>("Edit1")->setText(QStringLiteral("New Ärtist"));
        form->findChild<QPushButton*>("SaveTagBtn")->click();
        form->findChild<QPushButton*>("CloseBtn")->click();
    });
    w.window->FileInfoClick();
    QCOMPARE(shownFile, paths[1]);
    w.list->WaitForWork();
    QCoreApplication::processEvents();
    QCOMPARE(QString::fromUtf8(std::string(w.list->Field(1, RecordArtist))), QStringLiteral("New Ärtist"));
    QCOMPARE(w.list->Field(0, RecordArtist), "Old Artist");
    QVERIFY(w.column(0).contains(QStringLiteral("New Ärtist")) ||
            w.column(1).contains(QStringLiteral("New Ärtist")));

    // A vanished file opens no window.
    QVERIFY(QFile::remove(paths[0]));
    w.click(0);
    w.window->FileInfoClick();
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestPlaylistWindowDialogs)
#include "tst_playlistwindow_dialogs.moc"
