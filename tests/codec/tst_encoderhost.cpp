// The encoder plug-in host: enumeration, the one loaded plug-in, selecting, reloading and call-throughs.
#include "EncoderFolder.h"

#include "TEncoderHost.h"

#include <QtTest>

#include <dlfcn.h>

using namespace larkspin;

namespace {

constexpr intptr_t SettingsWindow = 77;

// True while the library at path is loaded in this process.
bool isLoaded(const QString& path) {
    void* h = dlopen(path.toUtf8().constData(), RTLD_NOW | RTLD_NOLOAD);
    if (h)
        dlclose(h);
    return h != nullptr;
}

} // namespace

class TestEncoderHost : public QObject {
    Q_OBJECT
private slots:
    void enumerationListsLoadablePlugInsByName();
    void aPlugInMissingAnExportIsNotLoaded();
    void selectLoadsExactlyOne();
    void collectInfosLeavesTheFirstLoaded();
    void reloadStartsTheCurrentPlugInAfresh();
    void settingsReloadTheChosenPlugInFirst();
    void nothingIsCalledWithoutALoadedPlugIn();
};

void TestEncoderHost::enumerationListsLoadablePlugInsByName() {
    EncoderFolder f;
    f.add("zz_vorbis.so", {"type=OGG"});
    f.add("aa_flac.so", {"type=flac"}, "rec_b.so");
    f.add("mm_broken.so", {}, "rec_incomplete.so");
    QFile junk(f.folder() + "/notes.so");
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a library");
    junk.close();

    TEncoderHost host(f.folderName(), SettingsWindow);
    QCOMPARE(TEncoderHost::ListPluginFiles(f.folderName()),
             (std::vector<std::string>{"aa_flac.so", "mm_broken.so", "notes.so", "zz_vorbis.so"}));
    host.Enumerate();
    QCOMPARE(host.EncoderList().size(), size_t(2));
    QCOMPARE(host.EncoderList()[0].fileName, std::string("aa_flac.so"));
    QCOMPARE(host.EncoderList()[1].encodeType, std::string("ogg"));
    QVERIFY(host.EncoderList()[0].ticked);
    QCOMPARE(host.RipChoices(), (std::vector<std::string>{"flac - aa_flac.so", "ogg - zz_vorbis.so"}));
    QCOMPARE(host.Skipped().size(), size_t(2));
    QCOMPARE(host.Skipped()[0].fileName, std::string("mm_broken.so"));
    QCOMPARE(host.Skipped()[0].reason, std::string("lacks the export SendTag"));
    // Enumerating starts nothing and leaves nothing loaded.
    QVERIFY(!host.EncoderPluginLoaded());
    QVERIFY(!f.calls().join('\n').contains("StartPlugIn"));
    QVERIFY(!isLoaded(f.folder() + "/zz_vorbis.so"));
}

void TestEncoderHost::aPlugInMissingAnExportIsNotLoaded() {
    EncoderFolder f;
    f.add("broken.so", {}, "rec_incomplete.so");
    TEncoderHost host(f.folderName(), SettingsWindow);
    QVERIFY(!host.LoadEncoderPlugin("broken.so"));
    QVERIFY(!host.EncoderPluginLoaded());
    QVERIFY(!isLoaded(f.folder() + "/broken.so"));
    QVERIFY(!host.LoadEncoderPlugin("missing.so"));
    // A plug-in of a contract version this host does not know is refused like one lacking an export.
    f.add("future.so", {"abi=2"});
    QVERIFY(!host.LoadEncoderPlugin("future.so"));
    host.Enumerate();
    QVERIFY(host.EncoderList().empty());
    QCOMPARE(host.Skipped().size(), size_t(2));
    QCOMPARE(host.Skipped()[1].reason, std::string("follows the unknown contract version 2"));
    QVERIFY(f.calls().isEmpty());
}

void TestEncoderHost::selectLoadsExactlyOne() {
    EncoderFolder f;
    f.add("a.so");
    f.add("b.so", {"info=Second"}, "rec_b.so");
    TEncoderHost host(f.folderName(), SettingsWindow);
    host.Enumerate();
    f.clear();
    QVERIFY(host.Select(0));
    QVERIFY(host.Select(1));
    QCOMPARE(f.calls(),
             (QStringList{"a.so: StartPlugIn(0,77)", "a.so: ClosePlugIn()", "b.so: StartPlugIn(0,77)"}));
    QVERIFY(!isLoaded(f.folder() + "/a.so"));
    QVERIFY(isLoaded(f.folder() + "/b.so"));
    QCOMPARE(host.CurrentEncoderPlugin(), std::string("b.so"));
    QCOMPARE(host.SelectedRow(), 1);
    QCOMPARE(host.Info().info, std::string("Second"));
    QCOMPARE(host.Info().mail, std::string("tests@localhost"));
    QCOMPARE(host.Info().web, std::string("---"));
    // Using the selected row again keeps it running.
    f.clear();
    QVERIFY(host.UsePlugIn(1));
    QVERIFY(f.calls().isEmpty());
    QVERIFY(!host.Select(2));
}

void TestEncoderHost::collectInfosLeavesTheFirstLoaded() {
    EncoderFolder f;
    f.add("a.so", {"info=Ogg Vorbis"});
    f.add("b.so", {"info=FLAC"}, "rec_b.so");
    TEncoderHost host(f.folderName(), SettingsWindow);
    host.Enumerate();
    QCOMPARE(host.CollectInfos(), (std::vector<std::string>{"Ogg Vorbis", "FLAC"}));
    QCOMPARE(host.SelectedRow(), 0);
    QVERIFY(host.EncoderPluginLoaded());
    QVERIFY(isLoaded(f.folder() + "/a.so"));
    QVERIFY(!isLoaded(f.folder() + "/b.so"));

    EncoderFolder empty;
    TEncoderHost none(empty.folderName());
    none.Enumerate();
    QVERIFY(none.CollectInfos().empty());
    QVERIFY(!none.EncoderPluginLoaded());
}

void TestEncoderHost::reloadStartsTheCurrentPlugInAfresh() {
    EncoderFolder f;
    f.add("a.so");
    TEncoderHost host(f.folderName(), SettingsWindow);
    host.Enumerate();
    host.ReloadEncoderPlugin(); // nothing loaded: nothing happens
    QVERIFY(f.calls().isEmpty());
    QVERIFY(host.Select(0));
    f.clear();
    host.ReloadEncoderPlugin();
    QCOMPARE(f.calls(), (QStringList{"a.so: ClosePlugIn()", "a.so: StartPlugIn(0,77)"}));
    QVERIFY(host.EncoderPluginLoaded());
}

void TestEncoderHost::settingsReloadTheChosenPlugInFirst() {
    EncoderFolder f;
    f.add("a.so");
    f.add("b.so", {}, "rec_b.so");
    TEncoderHost host(f.folderName(), SettingsWindow);
    host.Enumerate();
    QVERIFY(host.Select(0));
    f.clear();
    host.ShowSettingsOf(1);
    QCOMPARE(f.calls(), (QStringList{"a.so: ClosePlugIn()", "b.so: StartPlugIn(0,77)", "b.so: ClosePlugIn()",
                                     "b.so: StartPlugIn(0,77)", "b.so: ShowSettings()"}));
}

void TestEncoderHost::nothingIsCalledWithoutALoadedPlugIn() {
    EncoderFolder f;
    f.add("a.so");
    TEncoderHost host(f.folderName());
    host.Enumerate();
    host.EncodeFile("/x.wav", "/x.rec");
    host.SendTag("a", "t", "al", "2000", 1, "c", "g");
    host.CancelEncoding();
    QCOMPARE(host.GetPosition(), 0);
    QVERIFY(host.GetFinished());
    QVERIFY(host.GetEncodeType().empty());
    QVERIFY(f.calls().isEmpty());

    QVERIFY(host.Select(0));
    host.SendTag("Artïst", "", "", "", 7, "", "");
    host.EncodeFile("/x.wav", "/x.rec");
    QCOMPARE(f.calls().mid(1),
             (QStringList{"a.so: SendTag(Artïst,,,,7,,)", "a.so: EncodeFile(/x.wav,/x.rec)"}));
}

QTEST_GUILESS_MAIN(TestEncoderHost)
#include "tst_encoderhost.moc"
