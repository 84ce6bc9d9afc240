// A save killed at any moment leaves the file whole: a child process saves the file information window's
// fields over and over and is killed with SIGKILL at a random point; the file then holds either the tags
// from before or those of a finished save, ID3v1 and ID3v2 agreeing, with the picture and the audio intact,
// and the next save leaves no temporary file beside it.

#include "FileInfoFields.h"
#include "Id3Fixtures.h"
#include "TID3v1.h"
#include "TID3v2.h"
#include "TagTestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace larkspin;
using namespace fixtures;

class TestTagSaveKill : public QObject {
    Q_OBJECT

private slots:
    void killedSaveLeavesOldOrNewFile();
};

void TestTagSaveKill::killedSaveLeavesOldOrNewFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("song.mp3");
    // Big enough that a save takes a while, so kills land before, during and after the rename.
    const QByteArray audio = frames(Header{}, 417, 20000);
    const QByteArray picture = v2Frame("APIC", QByteArray("\0image/png\0\3\0", 13) + QByteArray(100000, 'p'));
    QVERIFY(writeFile(file, v2Tag(v2Frame("TIT2", latin1Text("Start")) + picture) + audio));
    {
        TID3v1 v1;
        v1.SetTitle("Start");
        QVERIFY(v1.Save(file.toStdString()));
    }

    // One save as the child does it: the fields read from the file, a new title, saved.
    const auto save = [&file](const QString& title) {
        TID3v1 v1;
        TID3v2 v2;
        v1.Load(file.toStdString());
        v2.Load(file.toStdString());
        TagFields fields = Mp3TagFields(v1, v2, true, true).fields;
        fields.title = title;
        return SaveTagFields(file, fields, &v1, &v2);
    };
    // The kills fall anywhere in the child's first two saves, whatever a save costs here.
    QElapsedTimer clock;
    qint64 longest = 0;
    for (int n = 0; n < 2; ++n) {
        clock.start();
        QCOMPARE(save(QStringLiteral("Timed %1").arg(n)), QString());
        longest = std::max(longest, clock.nsecsElapsed() / 1000);
    }
    const int maxDelay = int(std::max<qint64>(40000, 2 * longest)); // microseconds
    // Files beside the song after a kill (a named temporary file where O_TMPFILE is missing).
    const auto strays = [&dir] {
        QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.removeOne("song.mp3");
        return names;
    };

    int kept = 0, changed = 0, strayRuns = 0;
    for (int round = 0; round < 30; ++round) {
        TID3v2 before;
        QVERIFY(before.Load(file.toStdString()));
        int started[2];
        QVERIFY(::pipe(started) == 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::close(started[0]);
            const char go = 1;
            if (::write(started[1], &go, 1) != 1)
                ::_exit(2);
            for (int n = 0;; ++n)
                if (!save(QStringLiteral("Round %1 save %2").arg(round).arg(n)).isEmpty())
                    ::_exit(1);
        }
        ::close(started[1]);
        char go = 0;
        QCOMPARE(::read(started[0], &go, 1), ssize_t(1)); // the child has begun its first save
        ::usleep(QRandomGenerator::global()->bounded(maxDelay));
        QVERIFY(::kill(child, SIGKILL) == 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFSIGNALED(status), "the saving child ended by itself: a save failed");
        ::close(started[0]);

        TID3v1 v1;
        TID3v2 v2;
        QVERIFY(v1.Load(file.toStdString()));
        QVERIFY(v2.Load(file.toStdString()));
        QVERIFY(v1.Present());
        QCOMPARE(QString::fromStdString(v1.Title()), QString::fromStdString(v2.Title()));
        if (v2.Title() == before.Title())
            ++kept;
        else
            ++changed;
        const QByteArray bytes = readFile(file);
        QCOMPARE(bytes.size(), v2.TagSize() + audio.size() + 128);
        QVERIFY(bytes.mid(v2.TagSize(), audio.size()) == audio);
        QVERIFY(bytes.left(v2.TagSize()).contains(picture));
        strayRuns += strays().isEmpty() ? 0 : 1;
    }
    // The next save in the folder takes what a killed one left.
    QCOMPARE(save(QStringLiteral("After the kills")), QString());
    QCOMPARE(strays(), QStringList{});
    qInfo("30 kills within %d ms: %d files held the tags from before the kill, %d those of a finished save, "
          "0 torn; temporary files left in %d runs, all removed by the next save",
          maxDelay / 1000, kept, changed, strayRuns);
}

QTEST_GUILESS_MAIN(TestTagSaveKill)
#include "tst_tagsavekill.moc"
