// A save killed at any moment leaves the file whole: a child process saves the file information window's
// fields over and over and is killed with SIGKILL at a random point; the file then holds either the tags
// from before or those of a finished save, ID3v1 and ID3v2 agreeing, with the picture and the audio intact.

#include "FileInfoFields.h"
#include "Id3Fixtures.h"
#include "TID3v1.h"
#include "TID3v2.h"
#include "TagTestFiles.h"

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

    int kept = 0, changed = 0;
    for (int round = 0; round < 30; ++round) {
        TID3v2 before;
        QVERIFY(before.Load(file.toStdString()));
        int started[2];
        QVERIFY(::pipe(started) == 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::close(started[0]);
            for (int n = 0;; ++n) {
                TID3v1 v1;
                TID3v2 v2;
                v1.Load(file.toStdString());
                v2.Load(file.toStdString());
                TagFields fields = Mp3TagFields(v1, v2, true, true).fields;
                fields.title = QStringLiteral("Round %1 save %2").arg(round).arg(n);
                const char go = 1;
                if (::write(started[1], &go, 1) != 1)
                    ::_exit(2);
                if (!SaveTagFields(file, fields, &v1, &v2).isEmpty())
                    ::_exit(1);
            }
        }
        ::close(started[1]);
        char go = 0;
        QCOMPARE(::read(started[0], &go, 1), ssize_t(1)); // the child has begun its first save
        ::usleep(QRandomGenerator::global()->bounded(40000));
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
    }
    qInfo("after 30 kills: %d files held the tags from before the kill, %d those of a finished save", kept,
          changed);
}

QTEST_GUILESS_MAIN(TestTagSaveKill)
#include "tst_tagsavekill.moc"
