// The encode job list over a recording encoder plug-in: order, destinations, counters, abort, bad
// input files and output folders.
#include "CodecFixtures.h"
#include "EncoderFolder.h"

#include "EncoderEnumeration.h"
#include "TEncodeJobs.h"
#include "TEncoderHost.h"

#include <QSignalSpy>
#include <QtTest>

#include <unistd.h>

using namespace larkspin;

namespace {

struct Rig {
    EncoderFolder plugIns;
    QTemporaryDir files;
    QTemporaryDir out;
    std::unique_ptr<TEncoderHost> host;
    std::unique_ptr<TEncodeJobs> jobs;

    explicit Rig(const QStringList& script = {"type=ogg"}) {
        plugIns.add("rec.so", script);
        host = std::make_unique<TEncoderHost>(plugIns.folderName(), 5);
        host->Enumerate();
        jobs = std::make_unique<TEncodeJobs>(*host);
    }
    QString wav(const QString& name) {
        const QString path = files.filePath(name);
        return makeTone(path, 0.2) ? path : QString();
    }
};

QStringList encodeCalls(const QStringList& calls) {
    QStringList result;
    for (const QString& c : calls)
        if (c.contains("EncodeFile"))
            result << c;
    return result;
}

} // namespace

class TestEncodeJobs : public QObject {
    Q_OBJECT
private slots:
    void encodesEveryFileInOrder();
    void abortDuringTheSecondJobKeepsTheFirst();
    void badFilesAreReportedAndTheListGoesOn();
    void plugInFailuresAreReported();
    void outputFolderIsCheckedBeforeStarting_data();
    void outputFolderIsCheckedBeforeStarting();
    void anEmptyListDoesNothing();
    void skippedPlugInsAreLogged();
    void destinationNames_data();
    void destinationNames();
};

void TestEncodeJobs::encodesEveryFileInOrder() {
    Rig rig;
    const QStringList sources{rig.wav("one.wav"), rig.wav("two.x.wav"), rig.wav("three.WAV")};
    QSignalSpy progress(rig.jobs.get(), &TEncodeJobs::progressChanged);
    QSignalSpy finished(rig.jobs.get(), &TEncodeJobs::finished);
    QCOMPARE(rig.jobs->Start(sources, rig.out.path() + "/", 0), QString());
    QVERIFY(rig.jobs->EncodingActive());
    QCOMPARE(rig.jobs->EncodeJobCount(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QVERIFY(!rig.jobs->EncodingActive());

    const QString o = rig.out.path();
    QCOMPARE(encodeCalls(rig.plugIns.calls()),
             (QStringList{"rec.so: EncodeFile(" + sources[0] + "," + o + "/one.ogg)",
                          "rec.so: EncodeFile(" + sources[1] + "," + o + "/two.x.ogg)",
                          "rec.so: EncodeFile(" + sources[2] + "," + o + "/three.ogg)"}));
    // The counter moves from 1/3 to 3/3 with the plug-in's percentage.
    QList<int> jobNumbers;
    for (const QList<QVariant>& p : progress) {
        QCOMPARE(p.at(1).toInt(), 3);
        QCOMPARE(p.at(2).toInt(), 50);
        if (jobNumbers.isEmpty() || jobNumbers.last() != p.at(0).toInt())
            jobNumbers << p.at(0).toInt();
    }
    QCOMPARE(jobNumbers, (QList<int>{1, 2, 3}));
    // Tags are never sent, and the plug-in starts afresh after the list.
    const QStringList calls = rig.plugIns.calls();
    QVERIFY(!calls.join('\n').contains("SendTag"));
    QCOMPARE(calls.mid(calls.size() - 2), (QStringList{"rec.so: ClosePlugIn()", "rec.so: StartPlugIn(0,5)"}));
    for (const QString& s : sources)
        QVERIFY(QFileInfo(s).size() > 44);
}

void TestEncodeJobs::abortDuringTheSecondJobKeepsTheFirst() {
    Rig rig({"type=ogg", "finished=0", "position=37"});
    const QStringList sources{rig.wav("a.wav"), rig.wav("b.wav"), rig.wav("c.wav")};
    QSignalSpy progress(rig.jobs.get(), &TEncodeJobs::progressChanged);
    QSignalSpy finished(rig.jobs.get(), &TEncodeJobs::finished);
    QCOMPARE(rig.jobs->Start(sources, rig.out.path(), 0), QString());
    QTRY_VERIFY_WITH_TIMEOUT(progress.size() >= 2, 10000);
    QCOMPARE(rig.jobs->EncodeJobIndex(), 1);
    rig.plugIns.setScript("rec.so", {"type=ogg", "finished=1", "position=37"});
    QTRY_COMPARE_WITH_TIMEOUT(rig.jobs->EncodeJobIndex(), 2, 10000);
    QCOMPARE(progress.last().at(2).toInt(), 37);
    rig.jobs->Abort();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QVERIFY(!rig.jobs->EncodingActive());
    QVERIFY(QFileInfo::exists(rig.out.filePath("a.ogg")));
    QVERIFY(!QFileInfo::exists(rig.out.filePath("b.ogg")));
    QCOMPARE(encodeCalls(rig.plugIns.calls()).size(), 2);
    QVERIFY(rig.plugIns.calls().contains("rec.so: CancelEncoding()"));
    // Polling has stopped: no third job can start later.
    QVERIFY(!rig.jobs->Polling());
}

void TestEncodeJobs::badFilesAreReportedAndTheListGoesOn() {
    Rig rig;
    const QString first = rig.wav("first.wav");
    const QString last = rig.wav("last.wav");
    const QString text = rig.files.filePath("text.wav");
    QVERIFY(writeBytes(text, "just text"));
    const QString wide = rig.files.filePath("wide.wav");
    QVERIFY(runTool("sox", {"-n", "-b", "24", wide, "synth", "0.1", "sine", "440"}));
    const QString cut = rig.files.filePath("cut.wav");
    QVERIFY(writeBytes(cut, fileBytes(first).left(1000)));
    const QString missing = rig.files.filePath("missing.wav");

    QSignalSpy failed(rig.jobs.get(), &TEncodeJobs::fileFailed);
    QSignalSpy finished(rig.jobs.get(), &TEncodeJobs::finished);
    QCOMPARE(rig.jobs->Start({first, text, wide, cut, missing, last}, rig.out.path(), 0), QString());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(encodeCalls(rig.plugIns.calls()).size(), 2);
    QVERIFY(QFileInfo::exists(rig.out.filePath("last.ogg")));
    QCOMPARE(failed.size(), 4);
    const QStringList problems = rig.jobs->Problems();
    QCOMPARE(problems.size(), 4);
    QCOMPARE(problems[0], QString("text.wav: is not a WAV file"));
    QVERIFY(problems[1].startsWith("wide.wav: is not 16-bit PCM"));
    QVERIFY(problems[2].startsWith("cut.wav: is truncated"));
    QVERIFY(problems[3].startsWith("missing.wav: cannot be opened"));
}

void TestEncodeJobs::plugInFailuresAreReported() {
    Rig rig({"type=wav", "error=could not be written"});
    const QString source = rig.wav("song.wav");
    QSignalSpy finished(rig.jobs.get(), &TEncodeJobs::finished);
    // Into its own folder with the type wav the output would replace the source.
    QCOMPARE(rig.jobs->Start({source, source}, rig.files.path(), 0), QString());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(rig.jobs->Problems(), (QStringList{"song.wav: would be replaced by its own output",
                                                "song.wav: would be replaced by its own output"}));
    QVERIFY(encodeCalls(rig.plugIns.calls()).isEmpty());

    QCOMPARE(rig.jobs->Start({source}, rig.out.path(), 0), QString());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 10000);
    QCOMPARE(rig.jobs->Problems(), QStringList{"song.wav: could not be written"});
}

void TestEncodeJobs::outputFolderIsCheckedBeforeStarting_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << ""
                           << "Choose an output folder first.";
    QTest::newRow("missing") << "missing"
                             << "The output folder \"%1\" does not exist.";
    QTest::newRow("a file") << "file"
                            << "The output folder \"%1\" does not exist.";
    QTest::newRow("read-only") << "locked"
                               << "The output folder \"%1\" cannot be written.";
}

void TestEncodeJobs::outputFolderIsCheckedBeforeStarting() {
    QFETCH(QString, folder);
    QFETCH(QString, message);
    Rig rig;
    const QString source = rig.wav("s.wav");
    QString path = folder.isEmpty() ? QString() : rig.out.filePath(folder);
    if (folder == "file")
        QVERIFY(writeBytes(path, "x"));
    if (folder == "locked") {
        if (geteuid() == 0)
            QSKIP("root may write into a read-only folder");
        QVERIFY(QDir().mkdir(path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
    }
    QCOMPARE(rig.jobs->Start({source}, path, 0), message.contains("%1") ? message.arg(path) : message);
    QVERIFY(!rig.jobs->EncodingActive());
    QVERIFY(encodeCalls(rig.plugIns.calls()).isEmpty());
}

void TestEncodeJobs::anEmptyListDoesNothing() {
    Rig rig;
    QSignalSpy finished(rig.jobs.get(), &TEncodeJobs::finished);
    QCOMPARE(rig.jobs->Start({}, rig.out.path(), 0), QString());
    QVERIFY(!rig.jobs->EncodingActive());
    QVERIFY(rig.plugIns.calls().isEmpty());
    QCOMPARE(finished.size(), 0);
}

void TestEncodeJobs::skippedPlugInsAreLogged() {
    EncoderFolder f;
    f.add("good.so");
    f.add("broken.so", {}, "rec_incomplete.so");
    TEncoderHost host(f.folderName());
    QLoggingCategory::setFilterRules("larkspin.codec.warning=true");
    QTest::ignoreMessage(QtWarningMsg, "encoder plug-in broken.so left out: lacks the export SendTag");
    EnumerateEncoderPlugIns(host);
    QLoggingCategory::setFilterRules(QString());
    QCOMPARE(host.EncoderList().size(), size_t(1));
}

void TestEncodeJobs::destinationNames_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("destination");
    QTest::newRow("plain") << "/m/a.wav"
                           << "/out"
                           << "ogg"
                           << "/out/a.ogg";
    QTest::newRow("trailing slash") << "/m/a.wav"
                                    << "/out/"
                                    << "flac"
                                    << "/out/a.flac";
    QTest::newRow("two dots") << "/m/b.x.wav"
                              << "/out"
                              << "mp3"
                              << "/out/b.x.mp3";
    QTest::newRow("no extension") << "/m.d/c"
                                  << "/o"
                                  << "opus"
                                  << "/o/c.opus";
    QTest::newRow("hidden file") << "/m/.wav"
                                 << "/o"
                                 << "ogg"
                                 << "/o/.wav.ogg";
}

void TestEncodeJobs::destinationNames() {
    QFETCH(QString, source);
    QFETCH(QString, folder);
    QFETCH(QString, type);
    QFETCH(QString, destination);
    QCOMPARE(TEncodeJobs::Destination(source, folder, type), destination);
}

QTEST_GUILESS_MAIN(TestEncodeJobs)
#include "tst_encodejobs.moc"
