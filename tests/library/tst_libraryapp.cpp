// The library in the running program: loaded when the windows are made, saved when the program ends,
// found again at the next start.
#include "../WhenModal.h"
#include "LibraryFixtures.h"

#include "LarkspinApp.h"
#include "LibraryFile.h"
#include "MusicLibrary.h"
#include "Settings.h"
#include "THauptform.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace larkspin;
using namespace libfixtures;

class TestLibraryApp : public QObject {
    Q_OBJECT
private slots:
    void libraryFoundAgainAfterRestart();
    void failedLibrarySaveKeepsRunning();
};

void TestLibraryApp::libraryFoundAgainAfterRestart() {
    QTemporaryDir dir;
    const QString exe = dir.filePath("larkspin");
    {
        LarkspinApp app(exe, dir.filePath("share"));
        app.Start();
        QVERIFY(library().Lines.Empty());
        library().Lines.AppendValues(Values("Band", "Song", "/music/song.mp3"));
        library().LibraryModified = true;
        QSignalSpy finished(&app, &LarkspinApp::finished);
        app.mainWindow().close();
        QCOMPARE(finished.count(), 1);
    }
    QCOMPARE(QFileInfo(dir.filePath("Organizer/Archive.rol")).size(), static_cast<qint64>(LibraryRecordSize));
    library().Lines.Clear();
    LarkspinApp again(exe, dir.filePath("share"));
    again.Start();
    QCOMPARE(library().Lines.Count(), std::size_t(1));
    QCOMPARE(library().Lines.Field(0, PathField), std::string_view("/music/song.mp3"));
    QVERIFY(!library().LibraryModified);
}

void TestLibraryApp::failedLibrarySaveKeepsRunning() {
    QTemporaryDir dir;
    LarkspinApp app(dir.filePath("larkspin"), dir.filePath("share"));
    app.Start();
    // A folder where the file should be: the save fails and the user is told.
    QVERIFY(QDir(dir.path()).mkpath("Organizer/Archive.rol"));
    library().Lines.AppendValues(Values("Band", "Song", "/music/other.mp3"));
    library().LibraryModified = true;
    QString shown;
    larkspin::test::whenModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shown = box->text();
            box->accept();
        }
    });
    QSignalSpy finished(&app, &LarkspinApp::finished);
    app.mainWindow().close();
    QCOMPARE(finished.count(), 0);
    QVERIFY2(shown.contains("Organizer/Archive.rol"), qPrintable(shown));
    QVERIFY(library().LibraryModified);
    QVERIFY(app.mainWindow().isVisible());
}

QTEST_MAIN(TestLibraryApp)
#include "tst_libraryapp.moc"
