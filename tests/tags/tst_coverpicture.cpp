// The cover picture: the picture frames of every ID3v2 version as taggers write them, and covers
// written by lame and eyeD3.
#include "CoverPicture.h"
#include "Id3Fixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace larkspin;
using namespace fixtures;

namespace {

const QByteArray Jpeg("\xFF\xD8\xFF\xE0 picture \xFF\x00 bytes \xFF\xD9", 24);

QByteArray audio() {
    return frames(Header{}, 417, 6);
}

// APIC frame data: encoding, MIME type, picture type, description (already encoded), picture.
QByteArray apicData(char encoding, const QByteArray& mime, char type, const QByteArray& description,
                    const QByteArray& picture = Jpeg) {
    return QByteArray(1, encoding) + mime + '\0' + type + description + picture;
}

} // namespace

class TestCoverPicture : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // The picture ExtractCover writes for a file of these bytes; "<none>" when it writes none.
    QByteArray extracted(const QByteArray& content, const QString& name = "cover.mp3") {
        const QString file = path(name);
        QFile::remove(path("temp.jpg"));
        if (!writeFile(file, content) || !FindAudioStart(file.toStdString()))
            return "<no audio start>";
        if (!ExtractCover(file.toStdString(), dir.path().toStdString()))
            return "<none>";
        return readFile(path("temp.jpg"));
    }

private slots:
    void pictureFrames_data();
    void pictureFrames();
    void coversOfRealTaggers_data();
    void coversOfRealTaggers();
};

void TestCoverPicture::pictureFrames_data() {
    QTest::addColumn<QByteArray>("tag");
    QTest::addColumn<QByteArray>("picture");

    QTest::newRow("image/jpeg, as lame and eyeD3 write it")
        << v2Tag(v2Frame("APIC", apicData(0, "image/jpeg", 3, QByteArray(1, '\0')))) << Jpeg;
    QTest::newRow("image/jpg") << v2Tag(v2Frame("APIC", apicData(0, "image/jpg", 3, QByteArray(1, '\0'))))
                               << Jpeg;
    QTest::newRow("UTF-16 description")
        << v2Tag(
               v2Frame("APIC", apicData(1, "image/jpeg", 3, utf16Text("Cover").mid(1) + QByteArray(2, '\0'))))
        << Jpeg;
    // A description of an odd byte count in UTF-16 is impossible; a zero byte inside a unit is not its end.
    QTest::newRow("UTF-16 description with a zero byte inside a unit")
        << v2Tag(v2Frame("APIC", apicData(1, "image/png", 3, QByteArray("\xFF\xFE\x00\x01\0\0", 6)))) << Jpeg;
    QTest::newRow("UTF-8 description")
        << v2Tag(v2Frame("APIC", apicData(3, "image/jpeg", 3, QByteArray("H\xC3\xBClle\0", 7)))) << Jpeg;
    QTest::newRow("the front cover wins over other pictures")
        << v2Tag(v2Frame("APIC", apicData(0, "image/jpeg", 4, QByteArray(1, '\0'), "back")) +
                 v2Frame("APIC", apicData(0, "image/jpeg", 3, QByteArray(1, '\0'))) +
                 v2Frame("APIC", apicData(0, "image/jpeg", 0, QByteArray(1, '\0'), "other")))
        << Jpeg;
    QTest::newRow("without a front cover the last picture")
        << v2Tag(v2Frame("APIC", apicData(0, "image/jpeg", 4, QByteArray(1, '\0'), "back")) +
                 v2Frame("APIC", apicData(0, "image/jpeg", 0, QByteArray(1, '\0'))))
        << Jpeg;
    const QByteArray unsynchronised = QByteArray(apicData(0, "image/jpeg", 3, QByteArray(1, '\0')))
                                          .replace(QByteArray("\xFF\0", 2), QByteArray("\xFF\0\0", 3))
                                          .replace("\xFF\xD8", QByteArray("\xFF\0\xD8", 3))
                                          .replace("\xFF\xE0", QByteArray("\xFF\0\xE0", 3))
                                          .replace("\xFF\xD9", QByteArray("\xFF\0\xD9", 3));
    QTest::newRow("v2.4 frame unsynchronised") << v2Tag(v24Frame("APIC", unsynchronised, 0x02), 4) << Jpeg;
    QTest::newRow("v2.4 data length field")
        << v2Tag(v24Frame("APIC",
                          bigEndian32(quint32(apicData(0, "image/jpeg", 3, "\0").size())) +
                              apicData(0, "image/jpeg", 3, QByteArray(1, '\0')),
                          0x01),
                 4)
        << Jpeg;
    QTest::newRow("v2.2 PIC") << v2Tag(v22Frame("PIC", QByteArray("\0JPG\x03\0", 6) + Jpeg), 2) << Jpeg;
    QTest::newRow("a link is no picture")
        << v2Tag(v2Frame("APIC", apicData(0, "-->", 3, QByteArray(1, '\0'), "http://x/a.jpg")))
        << QByteArray("<none>");
    QTest::newRow("no picture frame") << v2Tag(v2Frame("TIT2", latin1Text("APIC"))) << QByteArray("<none>");
}

void TestCoverPicture::pictureFrames() {
    QFETCH(QByteArray, tag);
    QTEST(extracted(tag + audio()), "picture");
}

// Covers as the taggers write them, with a description where the tool takes one.
void TestCoverPicture::coversOfRealTaggers_data() {
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("args");

    QTest::newRow("lame --ti") << "lame" << QStringList{"--ti", "%cover"};
    QTest::newRow("eyeD3, ID3v2.4, UTF-8 description")
        << "eyeD3" << QStringList{"--add-image", "%cover:FRONT_COVER:H\u00FClle"};
    QTest::newRow("eyeD3, ID3v2.3, UTF-16 description")
        << "eyeD3" << QStringList{"--to-v2.3", "--add-image", "%cover:FRONT_COVER:H\u00FClle \u65E5"};
    QTest::newRow("mid3v2, ID3v2.4") << "mid3v2" << QStringList{"--picture", "%cover"};
}

void TestCoverPicture::coversOfRealTaggers() {
    QFETCH(QString, tool);
    QFETCH(QStringList, args);
    if (!HaveTool("sox") || !HaveTool("lame") || !HaveTool("ffmpeg") || !HaveTool(tool.toUtf8().constData()))
        QSKIP("sox, lame, ffmpeg and the tagger are needed");
    const QString cover = path("cover.jpg");
    if (!QFile::exists(cover)) {
        QVERIFY(Run("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "color=c=red:s=32x32",
                               "-frames:v", "1", cover}));
        QVERIFY(Run("sox", {"-n", "-r", "44100", "-c", "2", path("tone.wav"), "synth", "1", "sine", "440"}));
    }
    const QString mp3 = path("tagged.mp3");
    for (QString& a : args)
        a.replace("%cover", cover);
    if (tool == "lame") {
        QVERIFY(Run("lame", QStringList{"--quiet"} + args + QStringList{path("tone.wav"), mp3}));
    } else {
        QVERIFY(Run("lame", {"--quiet", path("tone.wav"), mp3}));
        QVERIFY(Run(tool, args + QStringList{mp3}));
    }
    QVERIFY(FindAudioStart(mp3.toStdString()));
    QFile::remove(path("temp.jpg"));
    QVERIFY(ExtractCover(mp3.toStdString(), dir.path().toStdString()));
    QCOMPARE(readFile(path("temp.jpg")), readFile(cover));
}

QTEST_GUILESS_MAIN(TestCoverPicture)
#include "tst_coverpicture.moc"
