// Reading skins: the skin.ini format with hostile input, the built-in look as fallback, the shipped
// skins, the skin list of a folder tree and the active logo.
#include "SkinEngine.h"
#include "SkinFile.h"
#include "SkinFolder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

void writePicture(const QString& path, QSize size, const char* format = "PNG") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(10, 200, 30));
    QVERIFY(img.save(path, format));
}

const QColor Red(0xff, 0x00, 0x00);

} // namespace

class TestSkinFile : public QObject {
    Q_OBJECT
private slots:
    void missingFileKeepsTheBuiltInLook();
    void goodSkinIsRead();
    void hostileSkinIni_data();
    void hostileSkinIni();
    void oversizedFileIsRefused();
    void shippedSkinsLoadCompletely_data();
    void shippedSkinsLoadCompletely();
    void engineTellsTheWindows();
    void skinListFromAFolderTree();
    void findFilesDeepOrderAndLinks();
    void activeLogo();
};

void TestSkinFile::missingFileKeepsTheBuiltInLook() {
    QTemporaryDir dir;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("the built-in look stays"));
    SkinLoad l = LoadSkinFile(dir.filePath("Nothing/skin.ini"));
    QVERIFY(!l.read);
    QCOMPARE(l.warnings.size(), 1);
    QCOMPARE(l.skin.color(SkinColor::LedOn), SkinDescription::builtIn().color(SkinColor::LedOn));
    QCOMPARE(l.skin.bitmapCount(), 0);
}

void TestSkinFile::goodSkinIsRead() {
    QTemporaryDir dir;
    writePicture(dir.filePath("s/player.png"), PlayerBackgroundSize);
    writePicture(dir.filePath("s/digits.png"), {121, 19});
    writePicture(dir.filePath("s/play.jpg"), {32, 26}, "JPEG");
    writeFile(dir.filePath("s/skin.ini"), "; comment\r\n[Skin]\r\nName=Test\r\nAuthor=me\r\n[colors]\r\n"
                                          "ledon = #FF0000\r\n[Fonts]\r\nList=Noto Sans, 14, bold\r\n"
                                          "[Bitmaps]\r\nBackground=player.png\r\nDigits=digits.png\r\n"
                                          "Button.PlayBtn=play.jpg\r\n");
    SkinLoad l = LoadSkinFile(dir.filePath("s/skin.ini"));
    QVERIFY(l.read);
    QCOMPARE(l.warnings, QStringList());
    QCOMPARE(l.skin.name(), QStringLiteral("Test"));
    QCOMPARE(l.skin.color(SkinColor::LedOn), Red);
    QCOMPARE(l.skin.font(SkinFont::List).family, QStringLiteral("Noto Sans"));
    QCOMPARE(l.skin.font(SkinFont::List).pixelSize, 14);
    QVERIFY(l.skin.font(SkinFont::List).bold);
    QCOMPARE(l.skin.bitmap("background").size(), PlayerBackgroundSize);
    QVERIFY(!l.skin.bitmap("digits").isNull());
    QVERIFY(!l.skin.bitmap("button.PlayBtn").isNull());
}

void TestSkinFile::hostileSkinIni_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("warning"); // part of the one warning expected
    // A good colour in every file shows that the rest of the file is still read.
    QTest::newRow("unknown key") << QByteArray("[Colors]\nLedOnn=#00ff00\n") << "unknown colour";
    QTest::newRow("unknown section") << QByteArray("[Sounds]\nClick=a.wav\n") << "outside a known section";
    QTest::newRow("key before any section") << QByteArray("LedOn=#00ff00\n") << "outside a known section";
    QTest::newRow("colour without #") << QByteArray("[Colors]\nLedOn=00ff00\n") << "not #rrggbb";
    QTest::newRow("colour with letters") << QByteArray("[Colors]\nLedOn=#00zz00\n") << "not #rrggbb";
    QTest::newRow("colour too long") << QByteArray("[Colors]\nLedOn=#00ff0000\n") << "not #rrggbb";
    QTest::newRow("colour name") << QByteArray("[Colors]\nLedOn=green\n") << "not #rrggbb";
    QTest::newRow("empty colour") << QByteArray("[Colors]\nLedOn=\n") << "not #rrggbb";
    QTest::newRow("font without family") << QByteArray("[Fonts]\nList=,12\n") << "font List";
    QTest::newRow("font size not a number") << QByteArray("[Fonts]\nList=Sans,big\n") << "font List";
    QTest::newRow("font size absurd") << QByteArray("[Fonts]\nList=Sans,4000\n") << "font List";
    QTest::newRow("font style unknown") << QByteArray("[Fonts]\nList=Sans,12,wavy\n") << "font List";
    QTest::newRow("line without =") << QByteArray("[Colors]\njust text\n") << "not \"key=value\"";
    QTest::newRow("broken header") << QByteArray("[Colors\n") << "broken section header";
    QTest::newRow("missing bitmap") << QByteArray("[Bitmaps]\nBackground=gone.png\n") << "is missing";
    QTest::newRow("corrupt bitmap") << QByteArray("[Bitmaps]\nBackground=corrupt.png\n") << "cannot be read";
    QTest::newRow("background of the wrong size")
        << QByteArray("[Bitmaps]\nBackground=small.png\n") << "is 40 x 20 pixels, wanted 407 x 192";
    QTest::newRow("digit strip of the wrong size")
        << QByteArray("[Bitmaps]\nDigits=small.png\n") << "wanted 121 x 19";
    QTest::newRow("huge button picture")
        << QByteArray("[Bitmaps]\nButton.PlayBtn=huge.png\n") << "at most 512";
    QTest::newRow("unknown bitmap") << QByteArray("[Bitmaps]\nButton.Eject=small.png\n") << "unknown bitmap";
    QTest::newRow("bitmap outside the skin")
        << QByteArray("[Bitmaps]\nPanel=../outside.png\n") << "no file of the skin";
    QTest::newRow("bitmap is a folder") << QByteArray("[Bitmaps]\nPanel=sub\n") << "no file of the skin";
    QTest::newRow("bitmap is a device")
        << QByteArray("[Bitmaps]\nPanel=/dev/zero\n") << "no file of the skin";
    QTest::newRow("bytes that are no text")
        << QByteArray("[Colors]\n\xff\xfe\x01=\x80\n") << "unknown colour";
}

void TestSkinFile::hostileSkinIni() {
    QFETCH(QByteArray, ini);
    QFETCH(QString, warning);
    QTemporaryDir dir;
    writeFile(dir.filePath("s/corrupt.png"),
              QByteArray("\x89PNG\r\n\x1a\n garbage", 17) + QByteArray(500, 'x'));
    writePicture(dir.filePath("s/small.png"), {40, 20});
    writePicture(dir.filePath("s/huge.png"), {600, 20});
    writePicture(dir.filePath("outside.png"), {20, 20});
    QDir().mkpath(dir.filePath("s/sub"));
    writeFile(dir.filePath("s/skin.ini"), ini + "\n[Colors]\nText=#ff0000\n");

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(warning)));
    SkinLoad l = LoadSkinFile(dir.filePath("s/skin.ini"));
    QVERIFY(l.read);
    QCOMPARE(l.warnings.size(), 1);
    QVERIFY2(l.warnings.front().contains(warning), qPrintable(l.warnings.front()));
    QCOMPARE(l.skin.color(SkinColor::Text), Red);
    // Everything refused keeps the built-in look.
    QCOMPARE(l.skin.color(SkinColor::LedOn), SkinDescription::builtIn().color(SkinColor::LedOn));
    QCOMPARE(l.skin.font(SkinFont::List).family, SkinDescription::builtIn().font(SkinFont::List).family);
    QCOMPARE(l.skin.bitmapCount(), 0);
}

void TestSkinFile::oversizedFileIsRefused() {
    QTemporaryDir dir;
    writeFile(dir.filePath("s/skin.ini"), "[Colors]\nText=#ff0000\n" + QByteArray(MaxSkinFileBytes, ';'));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("larger than"));
    SkinLoad l = LoadSkinFile(dir.filePath("s/skin.ini"));
    QCOMPARE(l.warnings.size(), 1);
    QCOMPARE(l.skin.color(SkinColor::Text), SkinDescription::builtIn().color(SkinColor::Text));
}

void TestSkinFile::shippedSkinsLoadCompletely_data() {
    QTest::addColumn<QString>("name");
    const std::vector<std::string> names = SkinNames({LARKSPIN_SOURCE_DIR "/skins"});
    for (const std::string& name : names)
        QTest::newRow(name.c_str()) << QString::fromStdString(name);
    if (names.size() < 2)
        QTest::newRow("two shipped skins") << QString();
}

void TestSkinFile::shippedSkinsLoadCompletely() {
    QFETCH(QString, name);
    QVERIFY2(!name.isEmpty(), "the repository ships VezAdev and a second skin");
    const QString folder = QStringLiteral(LARKSPIN_SOURCE_DIR "/skins/") + name;
    SkinLoad l = LoadSkinFile(folder + "/skin.ini");
    QVERIFY(l.read);
    QCOMPARE(l.warnings, QStringList());
    QCOMPARE(l.skin.name(), name);
    QCOMPARE(l.skin.bitmap("background").size(), PlayerBackgroundSize);
    QVERIFY(!l.skin.bitmap("digits").isNull());
    for (int i = 0; i < SkinButtonCount; ++i)
        QVERIFY2(!l.skin.bitmap(QStringLiteral("button.") + SkinButtonNames[i]).isNull(), SkinButtonNames[i]);
    QVERIFY(QImage(folder + "/_display/_logo.jpg").width() > 0);
}

void TestSkinFile::engineTellsTheWindows() {
    QTemporaryDir dir;
    writeFile(dir.filePath("s/skin.ini"), "[Colors]\nListBackground=#ff0000\n");
    SkinEngine engine;
    QWidget window;
    engine.follow(&window);
    QVERIFY(engine.load(dir.filePath("s/skin.ini")));
    QCOMPARE(window.palette().color(QPalette::Base), Red);
    engine.useBuiltIn();
    QCOMPARE(window.palette().color(QPalette::Base),
             SkinDescription::builtIn().color(SkinColor::ListBackground));
}

void TestSkinFile::skinListFromAFolderTree() {
    QTemporaryDir own, installed;
    writeFile(own.filePath("Zebra/skin.ini"), "");
    writeFile(own.filePath("Aqua/skin.ini"), "");
    writeFile(own.filePath("Aqua/extra.INI"), "");         // one row per folder
    writeFile(own.filePath("Pack/Deep/skin.ini"), "");     // found below another folder
    writeFile(own.filePath(".hidden/skin.ini"), "");       // folders beginning with "." are skipped
    writeFile(own.filePath("NoIni/readme.txt"), "");       // no description: no skin
    writeFile(own.filePath("loose.ini"), "");              // an .ini in Skins itself gives its folder's name
    writeFile(installed.filePath("VezAdev/skin.ini"), ""); // an installed program's shipped skins
    writeFile(installed.filePath("Aqua/skin.ini"), "");
    const QString ownFolder = own.path();
    const std::vector<std::string> folders = {ownFolder.toStdString(), installed.path().toStdString()};
    std::vector<std::string> expected = {"Aqua", "Deep", "VezAdev", "Zebra",
                                         QFileInfo(ownFolder).fileName().toStdString()};
    std::sort(expected.begin(), expected.end());
    QCOMPARE(SkinNames(folders), expected);
    // The user's own copy of a skin comes first.
    QCOMPARE(SkinIniPath(folders, "Aqua"), ownFolder.toStdString() + "/Aqua/skin.ini");
    QCOMPARE(SkinIniPath(folders, "VezAdev"), installed.path().toStdString() + "/VezAdev/skin.ini");
    QCOMPARE(SkinIniPath(folders, "Gone"), ownFolder.toStdString() + "/Gone/skin.ini");
}

void TestSkinFile::findFilesDeepOrderAndLinks() {
    QTemporaryDir dir;
    writeFile(dir.filePath("b.ini"), "");
    writeFile(dir.filePath("a.ini"), "");
    writeFile(dir.filePath("B/x.ini"), "");
    writeFile(dir.filePath("A/y.ini"), "");
    writeFile(dir.filePath("A/z.txt"), "");
    // A link back up must not send the search round in circles.
    QVERIFY(QFile::link(dir.path(), dir.filePath("A/loop")));
    const std::string root = dir.path().toStdString() + "/";
    const std::vector<std::string> expected = {root + "a.ini", root + "b.ini", root + "A/y.ini",
                                               root + "B/x.ini"};
    QCOMPARE(FindFilesDeep(root + "*.ini"), expected);
    QCOMPARE(FindFilesDeep(root + "missing/*.ini"), std::vector<std::string>());
}

void TestSkinFile::activeLogo() {
    QTemporaryDir dir;
    const std::string skins = dir.path().toStdString();
    writeFile(dir.filePath("Own/skin.ini"), "");
    writeFile(dir.filePath("Own/_display/_logo.jpg"), "own logo");
    writeFile(dir.filePath("Plain/skin.ini"), "");
    writeFile(dir.filePath("main_logo.jpg"), "main logo");
    auto active = [&] {
        QFile f(dir.filePath("_logo.jpg"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    QVERIFY(EnsureActiveLogo({skins}, skins, "Own"));
    QCOMPARE(active(), QByteArray("own logo"));
    // Once there, start-up leaves it alone; only an activation replaces it.
    QVERIFY(EnsureActiveLogo({skins}, skins, "Plain"));
    QCOMPARE(active(), QByteArray("own logo"));
    QVERIFY(CopySkinLogo({skins}, skins, "Plain"));
    QCOMPARE(active(), QByteArray("main logo"));
    // No logo anywhere: the active logo stays as it was.
    QFile::remove(dir.filePath("main_logo.jpg"));
    QVERIFY(!CopySkinLogo({skins}, skins, "Plain"));
    QCOMPARE(active(), QByteArray("main logo"));
}

QTEST_MAIN(TestSkinFile)
#include "tst_skinfile.moc"
