// Every format whose reader fills AudioTags (WAV, Ogg Vorbis, WMA, FLAC, Opus, MP4) against TagLib: the
// track information service shows the texts, track, length and bit rate TagLib reads from the same file,
// for files made here by the standard tools and for the real files beside the clone. Where our rules read
// a field otherwise, the row names the field and says why.
#include "TagTestFiles.h"
#include "TrackFormat.h"
#include "TrackInfo.h"

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/vorbisproperties.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace larkspin;
using namespace fixtures;

namespace {

QString Ours(const std::string& path, int field) {
    return QString::fromStdString(GetTrackInfo(path, field, true));
}

QString Theirs(const TagLib::String& s) {
    return QString::fromStdString(s.to8Bit(true)).trimmed();
}

} // namespace

class TestTagOracle : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase();
    void sameFieldsAsTagLib_data();
    void sameFieldsAsTagLib();
};

void TestTagOracle::initTestCase() {
    QVERIFY(dir.isValid());
    CreateTrackReaders();
    if (!HaveTool("sox"))
        return; // the rows of made files skip
    const QString tone = path("tone.wav");
    QVERIFY(Run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", tone, "synth", "3", "sine", "440",
                        "pinknoise", "vol", "0.3"}));
    QVERIFY(QFile::copy(tone, path("made.wav")));
    const QStringList tags = {"TITLE=Gr\xC3\xBC\xC3\x9F"
                              "e",
                              "ARTIST=\xC3\x9Cn\xC3\xAF"
                              "code",
                              "ALBUM=The Album",
                              "DATE=2004",
                              "GENRE=Ambient",
                              "COMMENT=Nice one",
                              "TRACKNUMBER=3"};
    if (HaveTool("oggenc")) {
        QStringList args{"-Q", "-q", "2"};
        for (const QString& t : tags)
            args << "-c" << t;
        QVERIFY(Run("oggenc", args + QStringList{tone, "-o", path("made.ogg")}));
        // The same with 20,000 more comments: a comment header over many pages, tags behind them.
        if (HaveTool("vorbiscomment")) {
            QFile list(path("comments.txt"));
            QVERIFY(list.open(QIODevice::WriteOnly));
            for (int i = 0; i < 20000; ++i)
                list.write("NOTE=" + QByteArray::number(i) + "\n");
            for (const QString& t : tags)
                list.write(t.toUtf8() + "\n");
            list.close();
            QVERIFY(Run("vorbiscomment",
                        {"-w", "-c", list.fileName(), path("made.ogg"), path("many comments.ogg")}));
        }
    }
    if (HaveTool("flac")) {
        QStringList args{"--silent"};
        for (const QString& t : tags)
            args << "-T" << t;
        QVERIFY(Run("flac", args + QStringList{"-o", path("made.flac"), tone}));
    }
    if (HaveTool("opusenc")) {
        QStringList args{"--quiet"};
        for (const QString& t : tags)
            args << "--comment" << t;
        QVERIFY(Run("opusenc", args + QStringList{tone, path("made.opus")}));
    }
    if (HaveTool("ffmpeg")) {
        QStringList metadata;
        for (const QString& t : tags) {
            const QString name = t.section('=', 0, 0).toLower();
            metadata << "-metadata" << (name == "tracknumber" ? "track" : name) + "=" + t.section('=', 1);
        }
        QVERIFY(Run("ffmpeg",
                    QStringList{"-loglevel", "error", "-y", "-i", tone, "-c:a", "wmav2", "-b:a", "128k"} +
                        metadata + QStringList{path("made.wma")}));
        QVERIFY(
            Run("ffmpeg", QStringList{"-loglevel", "error", "-y", "-i", tone, "-c:a", "aac", "-b:a", "128k"} +
                              metadata + QStringList{path("made.m4a")}));
    }
}

void TestTagOracle::sameFieldsAsTagLib_data() {
    QTest::addColumn<QString>("file");       // made here, or a real file's name
    QTest::addColumn<QStringList>("differ"); // fields our rules read otherwise

    const QStringList none;
    QTest::newRow("WAV, made") << "made.wav" << none;
    QTest::newRow("Ogg Vorbis, made") << "made.ogg" << none;
    QTest::newRow("Ogg Vorbis, 20,000 comments") << "many comments.ogg" << none;
    QTest::newRow("FLAC, made") << "made.flac" << none;
    QTest::newRow("Opus, made") << "made.opus" << none;
    QTest::newRow("M4A, made") << "made.m4a" << none;
    // ffmpeg stores the track as WM/TrackNumber; only WM/Track counts for us.
    QTest::newRow("WMA, made") << "made.wma" << QStringList{"track"};

    QTest::newRow("empty.ogg") << "taglib:empty.ogg" << none;
    QTest::newRow("lowercase-fields.ogg") << "taglib:lowercase-fields.ogg" << none;
    QTest::newRow("test.ogg") << "taglib:test.ogg" << none;
    QTest::newRow("silence-1.wma") << "taglib:silence-1.wma" << none;
    // The first 10 KB of a longer track: our length is the file's size over the maximum bit rate, TagLib's
    // the play duration the header states.
    QTest::newRow("real_example.wma") << "taglib:real_example.wma" << QStringList{"track", "length"};
    QTest::newRow("empty.wav") << "taglib:empty.wav" << none;
    QTest::newRow("alaw.wav") << "taglib:alaw.wav" << none;
    QTest::newRow("float64.wav") << "taglib:float64.wav" << none;
    QTest::newRow("uint8we.wav") << "taglib:uint8we.wav" << none;
    QTest::newRow("pcm_with_fact_chunk.wav") << "taglib:pcm_with_fact_chunk.wav" << none;
}

void TestTagOracle::sameFieldsAsTagLib() {
    QFETCH(QString, file);
    QFETCH(QStringList, differ);
    std::string p;
    if (file.startsWith("taglib:")) {
        SKIP_WITHOUT_TAGLIB_FILES();
        p = TaglibPath(file.mid(7));
    } else {
        if (!QFileInfo::exists(path(file)))
            QSKIP("the tool that makes this file is not installed");
        p = path(file).toStdString();
    }

    TagLib::FileRef ref(p.c_str(), true, TagLib::AudioProperties::Accurate);
    QVERIFY(!ref.isNull() && ref.tag() && ref.audioProperties());
    const TagLib::Tag& tag = *ref.tag();
    const TagLib::AudioProperties& audio = *ref.audioProperties();
    const bool wav = file.endsWith(".wav");

    // The made files carry these fields (ffmpeg writes neither a year nor a comment that WMA readers know),
    // so an empty one on both sides would prove nothing.
    if (!wav && !file.startsWith("taglib:"))
        for (int field : {InfoArtist, InfoTitle, InfoAlbum, InfoStyle, InfoTrack})
            QVERIFY2(!Ours(p, field).isEmpty() || (field == InfoTrack && differ.contains("track")),
                     qPrintable(QString::number(field)));
    // A WAV file's texts are not read: every text field is empty.
    const auto text = [&](const char* name, int field, const TagLib::String& theirs) {
        if (differ.contains(name))
            return;
        QCOMPARE(Ours(p, field), wav ? QString() : Theirs(theirs));
    };
    text("artist", InfoArtist, tag.artist());
    text("title", InfoTitle, tag.title());
    text("album", InfoAlbum, tag.album());
    text("comment", InfoComment, tag.comment());
    text("genre", InfoStyle, tag.genre());
    if (!differ.contains("year"))
        QCOMPARE(Ours(p, InfoYear), wav || tag.year() == 0 ? QString() : QString::number(tag.year()));
    if (!differ.contains("track"))
        QCOMPARE(Ours(p, InfoTrack),
                 wav ? QString() : QString::fromStdString(FormatTrackNumber(tag.track())));

    // The length within rounding.
    const int ms = audio.lengthInMilliseconds();
    const QString length = Ours(p, InfoLength);
    QVERIFY2(differ.contains("length") || length == QString::fromStdString(FormatLength(ms / 1000.0)) ||
                 length == QString::fromStdString(FormatLength(ms / 1000.0 + 0.5)) ||
                 length == QString::fromStdString(FormatLength(ms / 1000.0 - 0.5)),
             qPrintable(length + " / TagLib " + QString::number(ms) + " ms"));

    // The bit rate: the word "Wavefile" for WAV, the nominal rate for Ogg Vorbis, else the average.
    const QString bitrate = Ours(p, InfoBitrate);
    if (wav) {
        QCOMPARE(bitrate, QString("Wavefile"));
    } else if (const auto* vorbis = dynamic_cast<const TagLib::Vorbis::Properties*>(&audio)) {
        QCOMPARE(bitrate, QString::fromStdString(FormatBitrate(vorbis->bitrateNominal() / 1000)));
    } else {
        const int kbits = bitrate.section(' ', 0, 0).toInt();
        QVERIFY2(std::abs(kbits - audio.bitrate()) <= 2,
                 qPrintable(bitrate + " / TagLib " + QString::number(audio.bitrate())));
    }
    QCOMPARE(Ours(p, InfoSize),
             QString::fromStdString(FormatSize(QFileInfo(QString::fromStdString(p)).size())));
}

QTEST_GUILESS_MAIN(TestTagOracle)
#include "tst_tagoracle.moc"
