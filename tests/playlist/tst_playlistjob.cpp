// Reading track information on worker threads: results in order, equal to reading on the GUI
// thread, cancel and destruction while workers run. Crosses threads: run under the thread sanitizer.
#include "PlaylistFixtures.h"
#include "TrackInfoJob.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;
using namespace larkspin::test;

class TestPlaylistJob : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::vector<std::string> paths_; // real, vanished and foreign files, mixed

private slots:
    void initTestCase() {
        const bool tools = HaveTool("sox") && HaveTool("lame");
        for (int i = 0; i < 500; ++i) {
            const QString name = dir_.filePath(QStringLiteral("f%1").arg(i, 3, 10, QLatin1Char('0')));
            switch (i % 4) {
            case 0: // a tagged MP3, made once and copied
                if (tools && i == 0)
                    QVERIFY(MakeMp3(name + ".mp3", "Artist", "Title"));
                else if (tools)
                    QVERIFY(QFile::copy(dir_.filePath("f000.mp3"), name + ".mp3"));
                paths_.push_back((name + ".mp3").toStdString());
                break;
            case 1:
                paths_.push_back((name + " - gone.ogg").toStdString());
                break;
            case 2:
                WriteBytes(name + ".avi", "not audio");
                paths_.push_back((name + ".avi").toStdString());
                break;
            default:
                WriteBytes(name + ".wav", "RIFF damaged");
                paths_.push_back((name + ".wav").toStdString());
            }
        }
    }

    void slicesArriveInOrderAndMatchReadingHere() {
        std::vector<TrackRecord> expected;
        FillTrackItems(paths_, expected, true);
        TrackInfoJob job(paths_, true);
        job.SetSliceSize(7);
        std::vector<TrackRecord> got;
        QList<int> firsts;
        connect(&job, &TrackInfoJob::sliceReady, this,
                [&](int first, const std::vector<TrackRecord>& records) {
                    firsts << first;
                    QCOMPARE(first, static_cast<int>(got.size()));
                    got.insert(got.end(), records.begin(), records.end());
                });
        QSignalSpy progress(&job, &TrackInfoJob::progress);
        QSignalSpy finished(&job, &TrackInfoJob::finished);
        job.Start();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QCOMPARE(finished.first().first().toBool(), false);
        QCOMPARE(got, expected);
        QCOMPARE(firsts.size(), (500 + 6) / 7);
        QCOMPARE(progress.last().at(0).toInt(), 500);
        QVERIFY(job.Finished());
        QCOMPARE(job.Delivered(), 500);
    }

    void storedRecordsPassThrough() {
        std::vector<StoredEntry> items(3);
        items[0].record[RecordArtist] = "Kept";
        items[0].record[RecordPath] = paths_[0];
        items[1].record[RecordPath] = paths_[1];
        items[1].readFromFile = true;
        items[2].record[RecordTitle] = "Also kept";
        TrackInfoJob job(items, true);
        std::vector<TrackRecord> got;
        connect(&job, &TrackInfoJob::sliceReady, this, [&](int, const std::vector<TrackRecord>& records) {
            got.insert(got.end(), records.begin(), records.end());
        });
        job.Wait(); // starts, then delivers everything at once
        QVERIFY(job.Finished());
        QCOMPARE(got.size(), 3u);
        QCOMPARE(got[0], items[0].record); // not opened, though it is an MP3
        QCOMPARE(got[1][RecordArtist], std::string(FileNotFoundText));
        QCOMPARE(got[2], items[2].record);
    }

    void noItemsFinishOnTheNextTurn() {
        TrackInfoJob job(std::vector<std::string>{}, true);
        QSignalSpy finished(&job, &TrackInfoJob::finished);
        job.Start();
        QCOMPARE(finished.size(), 0); // never inside Start
        QTRY_COMPARE(finished.size(), 1);
    }

    void cancelDropsTheRest() {
        std::vector<std::string> many;
        for (int i = 0; i < 20; ++i)
            many.insert(many.end(), paths_.begin(), paths_.end());
        TrackInfoJob job(many, true);
        job.SetSliceSize(16);
        int delivered = 0;
        QSignalSpy finished(&job, &TrackInfoJob::finished);
        connect(&job, &TrackInfoJob::sliceReady, this,
                [&](int first, const std::vector<TrackRecord>& records) {
                    QCOMPARE(first, delivered);
                    delivered += static_cast<int>(records.size());
                    if (delivered >= 64)
                        job.Cancel(); // from inside a delivery
                });
        job.Start();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QCOMPARE(finished.first().first().toBool(), true);
        QVERIFY(job.Cancelled());
        const int atCancel = delivered;
        job.Wait(); // the workers have stopped; what they read after the cancel never arrives
        QCoreApplication::processEvents();
        QCOMPARE(delivered, atCancel);
        QCOMPARE(finished.size(), 1);
    }

    void destroyedWhileWorkersRun() {
        std::vector<std::string> many;
        for (int i = 0; i < 20; ++i)
            many.insert(many.end(), paths_.begin(), paths_.end());
        for (int round = 0; round < 5; ++round) {
            auto job = std::make_unique<TrackInfoJob>(many, true);
            job->SetSliceSize(8);
            job->Start();
            QCoreApplication::processEvents();
            job.reset(); // stops and waits; posted deliveries die with it
        }
        QCoreApplication::processEvents();
    }
};

QTEST_GUILESS_MAIN(TestPlaylistJob)
#include "tst_playlistjob.moc"
