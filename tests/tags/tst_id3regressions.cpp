// Every input kept in regressions/ (inputs that once made a reader fail) goes through the ID3v1, ID3v2
// and MPEG readers: they must return, and what they read must build a tag that reads back the same.

#include "FileBytes.h"
#include "TID3v1.h"
#include "TID3v2.h"
#include "TMPEGaudio.h"

#include <QDir>
#include <QTest>

#include <cmath>

using namespace larkspin;

class TestId3Regressions : public QObject {
    Q_OBJECT

private slots:
    void inputs_data();
    void inputs();
};

void TestId3Regressions::inputs_data() {
    QTest::addColumn<QString>("file");
    const QDir dir(QStringLiteral(LARKSPIN_SOURCE_DIR "/tests/tags/regressions"));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    if (names.isEmpty())
        QSKIP("no kept inputs");
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void TestId3Regressions::inputs() {
    QFETCH(QString, file);
    const std::string path = file.toStdString();
    FileBytes bytes;
    QVERIFY(bytes.Open(path));

    TID3v1 v1;
    if (v1.Load(bytes)) {
        const auto block = v1.BuildTag();
        TID3v1 again;
        QVERIFY(again.Load(
            FileBytes::FromMemory(std::string(reinterpret_cast<const char*>(block.data()), block.size()))));
        QCOMPARE(again.Title(), v1.Title());
        QCOMPARE(again.Artist(), v1.Artist());
        QCOMPARE(again.Album(), v1.Album());
        QCOMPARE(again.Year(), v1.Year());
    }

    TID3v2 v2;
    if (v2.Load(bytes)) {
        TID3v2 again;
        QVERIFY(again.Load(FileBytes::FromMemory(v2.BuildTag())));
        QCOMPARE(again.Title().substr(0, 100), v2.Title().substr(0, 100));
        QCOMPARE(int(again.Track()), int(v2.Track()));
    }

    TMPEGaudio mpeg;
    mpeg.Load(bytes);
    QVERIFY(std::isfinite(mpeg.Duration()) && mpeg.Duration() >= 0);
    QVERIFY(!mpeg.EncoderName().empty());
    if (!mpeg.FirstFrame().Found)
        QVERIFY(mpeg.FrameCount() == 0 && mpeg.Bitrate() == 0);
}

QTEST_GUILESS_MAIN(TestId3Regressions)
#include "tst_id3regressions.moc"
