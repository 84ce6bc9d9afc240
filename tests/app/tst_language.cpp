// The language Larkspin speaks: the choice kept in the program folder, else the system's locale, else
// English; and the shipped program speaking the chosen language.
#include "Language.h"
#include "PrivateProfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace larkspin;

namespace {

void writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT
private slots:
    void storedChoiceWins_data();
    void storedChoiceWins();
    void storingNeedsTheLanguageFolder();
    void translationsInstallAndGo();
    void shippedProgramSpeaksTheChosenLanguage_data();
    void shippedProgramSpeaksTheChosenLanguage();
};

void TestLanguage::storedChoiceWins_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("chosen"); // "" = as the system's locale says
    QTest::newRow("German") << QByteArray("[Language]\nLanguage=de\n") << "de";
    QTest::newRow("English") << QByteArray("[Language]\nLanguage=en\n") << "en";
    QTest::newRow("any case") << QByteArray("[language]\nLANGUAGE=DE\n") << "de";
    QTest::newRow("unknown language") << QByteArray("[Language]\nLanguage=tlh\n") << "";
    QTest::newRow("no choice") << QByteArray() << "";
}

void TestLanguage::storedChoiceWins() {
    QFETCH(QByteArray, file);
    QFETCH(QString, chosen);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("Language"));
    if (!file.isEmpty())
        writeFile(dir.filePath("Language/Language.ini"), file);
    const QString system = QLocale::system().language() == QLocale::German ? "de" : "en";
    QCOMPARE(ChosenLanguage(dir.path().toStdString()), chosen.isEmpty() ? system : chosen);
}

void TestLanguage::storingNeedsTheLanguageFolder() {
    QTemporaryDir dir;
    QVERIFY_THROWS_EXCEPTION(EProfileWriteError, StoreLanguage(dir.path().toStdString(), "de"));
    QVERIFY(QDir(dir.path()).mkpath("Language"));
    StoreLanguage(dir.path().toStdString(), "de");
    QCOMPARE(ChosenLanguage(dir.path().toStdString()), QStringLiteral("de"));
    StoreLanguage(dir.path().toStdString(), "en");
    QCOMPARE(ChosenLanguage(dir.path().toStdString()), QStringLiteral("en"));
}

void TestLanguage::translationsInstallAndGo() {
    const char* text = "The language changes when Larkspin starts again.";
    QVERIFY(InstallLanguage("de"));
    QCOMPARE(QCoreApplication::translate("larkspin::TPlugInForm", text),
             QStringLiteral("Die Sprache wechselt beim nächsten Start von Larkspin."));
    QCOMPARE(TranslatedWriteError("Cannot write to /x/larkspin.ini: Permission denied"),
             QStringLiteral("Schreiben nicht möglich: /x/larkspin.ini: Permission denied"));
    QCOMPARE(TranslatedWriteError("Something else"), QStringLiteral("Something else"));
    QVERIFY(InstallLanguage("en"));
    QCOMPARE(QCoreApplication::translate("larkspin::TPlugInForm", text), QString::fromLatin1(text));
    QCOMPARE(TranslatedWriteError("Cannot write to /x/larkspin.ini: Permission denied"),
             QStringLiteral("Cannot write to /x/larkspin.ini: Permission denied"));
    QVERIFY(!InstallLanguage("tlh")); // no such translation: the texts stay English
    QCOMPARE(QCoreApplication::translate("larkspin::TPlugInForm", text), QString::fromLatin1(text));
}

void TestLanguage::shippedProgramSpeaksTheChosenLanguage_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray german = "gone.wav: Datei oder Ordner nicht gefunden";
    const QByteArray english = "gone.wav: no such file or folder";
    QTest::newRow("English by default") << QByteArray() << "C" << english;
    QTest::newRow("German locale") << QByteArray() << "de_DE.UTF-8" << german;
    QTest::newRow("German chosen") << QByteArray("[Language]\nLanguage=de\n") << "C" << german;
    QTest::newRow("English chosen, German locale")
        << QByteArray("[Language]\nLanguage=en\n") << "de_DE.UTF-8" << english;
}

// The shipped executable in a fresh program folder, started with a file that does not exist: it names
// the file on stderr in its language and plays on.
void TestLanguage::shippedProgramSpeaksTheChosenLanguage() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, locale);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    QDir d(dir.path());
    QVERIFY(d.mkpath("Language"));
    QVERIFY(QFile::copy(LARKSPIN_BUILD_DIR "/larkspin", d.filePath("larkspin")));
    if (!stored.isEmpty())
        writeFile(d.filePath("Language/Language.ini"), stored);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", dir.path());
    env.insert("LARKSPIN_AUDIO_DRIVER", "dummy");
    env.remove("DBUS_SESSION_BUS_ADDRESS"); // no media controls: the test's own bus is not wanted
    env.insert("LC_ALL", locale);
    env.insert("LANG", locale);
    env.remove("LANGUAGE");
    env.remove("LC_MESSAGES");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    QByteArray errors;
    connect(&program, &QProcess::readyReadStandardError, this,
            [&] { errors += program.readAllStandardError(); });
    program.start(d.filePath("larkspin"), {"gone.wav"});
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY2_WITH_TIMEOUT(errors.contains(expected), errors.constData(), 60000);
    QCOMPARE(program.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestLanguage)
#include "tst_language.moc"
