// What the host loads: a library cut short is never mapped, one built for an unknown contract version
// is never called, and why goes to the larkspin.plugins log.
#include "PlugInHost.h"
#include "RecordingPlugIn.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

namespace {

const QString RecordingDir = QStringLiteral(LARKSPIN_BUILD_DIR "/tests/plugins/");

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestPlugInHostLoading : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void incompleteLibrariesAreNeverLoaded_data();
    void incompleteLibrariesAreNeverLoaded();
    void contractVersions_data();
    void contractVersions();
    void completeElfCheck_data();
    void completeElfCheck();

private:
    QString add(const QString& name, const QByteArray& bytes, const QStringList& script = {}) {
        const QString path = folder.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write(bytes);
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile s(path + ".script");
        if (s.open(QIODevice::WriteOnly))
            s.write(script.join('\n').toUtf8());
        return path;
    }
    PlugInHostOptions options() const {
        PlugInHostOptions o;
        o.decoderFolder = folder.path().toStdString();
        return o;
    }

    QTemporaryDir folder;
    QByteArray recording;
};

void TestPlugInHostLoading::initTestCase() {
    QVERIFY(folder.isValid());
    recording = contents(RecordingDir + "IB_recording.so");
    QVERIFY(recording.size() > 4096);
    QLoggingCategory::setFilterRules("larkspin.plugins.warning=true");
}

void TestPlugInHostLoading::incompleteLibrariesAreNeverLoaded_data() {
    QTest::addColumn<int>("keep"); // bytes of the library that remain
    QTest::newRow("cut in half") << int(recording.size() / 2);
    QTest::newRow("only the ELF header") << 64;
    QTest::newRow("cut before the section table") << int(recording.size() - 100);
}

// A truncated IB_*.so once killed the program at start with SIGBUS inside dlopen.
void TestPlugInHostLoading::incompleteLibrariesAreNeverLoaded() {
    QFETCH(int, keep);
    // A folder per row: a library the host loaded stays mapped and must not be rewritten.
    QTemporaryDir rowFolder(folder.filePath("rowXXXXXX"));
    add(rowFolder.path().mid(folder.path().size() + 1) + "/IB_a.so", recording, {"filetypes=*.aaa"});
    add(rowFolder.path().mid(folder.path().size() + 1) + "/IB_b.so", recording.left(keep),
        {"filetypes=*.bbb"});
    PlugInHostOptions o = options();
    o.decoderFolder = rowFolder.path().toStdString();
    TPlugInHost host(o);
    std::string check;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("IB_b\\.so is cut short"));
    host.EnumeratePlugIns(check);
    QCOMPARE(host.PlugInTable().size(), size_t(2));
    QCOMPARE(host.PlugInTable()[0].fileTypes, std::string("*.aaa"));
    QCOMPARE(host.PlugInTable()[1].fileTypes, std::string()); // keeps its row, never called
    QCOMPARE(check, std::string("11"));
    QVERIFY(!host.PlugInReady());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("IB_b\\.so is cut short"));
    QVERIFY(!host.LoadDecodingPlugIn("IB_b.so"));
    host.UnloadDecodingPlugIn();
}

void TestPlugInHostLoading::contractVersions_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("version"); // scripted answer, empty for the default
    QTest::addColumn<bool>("used");
    QTest::newRow("this version") << "IB_recording.so"
                                  << "" << true;
    QTest::newRow("no version export counts as 1") << "IB_unversioned.so"
                                                   << "" << true;
    QTest::newRow("the first version") << "IB_recording.so"
                                       << "1" << true;
    QTest::newRow("a later version") << "IB_recording.so"
                                     << "3" << false;
    QTest::newRow("version 0") << "IB_recording.so"
                               << "0" << false;
}

void TestPlugInHostLoading::contractVersions() {
    QFETCH(QString, source);
    QFETCH(QString, version);
    QFETCH(bool, used);
    const QString name = "IB_v" + QString::number(QTest::currentDataTag()[0]) + ".so";
    add(name, contents(RecordingDir + source),
        version.isEmpty() ? QStringList{"filetypes=*.ver"}
                          : QStringList{"filetypes=*.ver", "abiversion=" + version});
    TPlugInHost host(options());
    if (!used)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("built for contract version " + version));
    QCOMPARE(host.BindPlugIn(name.toStdString()), used);
    QCOMPARE(host.PlugInReady(), used);
    QCOMPARE(host.GetFileTypes(), used ? std::string("*.ver") : std::string());
    QFile::remove(folder.filePath(name));
}

void TestPlugInHostLoading::completeElfCheck_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("why");
    QTest::newRow("a built plug-in") << recording << true << "";
    QTest::newRow("empty") << QByteArray() << false << "no ELF object";
    QTest::newRow("text") << QByteArray("#!/bin/sh\necho hello\n") << false << "no ELF object";
    QTest::newRow("one byte short") << recording.chopped(1) << false << "cut short";
    QByteArray hugeSegment = recording;
    // The first program header's file size (64-bit ELF: table at e_phoff, p_filesz at +32).
    const quint64 phoff = qFromLittleEndian<quint64>(hugeSegment.constData() + 32);
    qToLittleEndian<quint64>(~quint64(0) - 10, hugeSegment.data() + phoff + 32);
    QTest::newRow("segment size that wraps") << hugeSegment << false << "segment ends beyond";
}

void TestPlugInHostLoading::completeElfCheck() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, complete);
    QFETCH(QString, why);
    const QString path = add("check.so", bytes);
    std::string reason;
    QCOMPARE(IsCompleteElfObject(path.toStdString(), reason), complete);
    QVERIFY2(QString::fromStdString(reason).contains(why), reason.c_str());
    QVERIFY(!IsCompleteElfObject(folder.path().toStdString(), reason)); // a folder
}

QTEST_GUILESS_MAIN(TestPlugInHostLoading)
#include "tst_pluginhostloading.moc"
