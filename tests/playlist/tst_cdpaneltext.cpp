// Naming CD rows from a CDDB entry: the artist/title split, the match window's lines, and which row
// each title line names.
#include "CdPanelText.h"

#include <QtTest>

using namespace larkspin;

class TestCdPanelText : public QObject {
    Q_OBJECT
private slots:
    void splitAtSlash_data();
    void splitAtSlash();
    void matchLinesStopAtTheFirstEmptyMatch();
    void readOutInfos_data();
    void readOutInfos();
};

void TestCdPanelText::splitAtSlash_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("artist and title") << "Band / Album"
                                      << "Band"
                                      << "Album";
    QTest::newRow("backslash") << "Band \\ Album"
                               << "Band"
                               << "Album";
    QTest::newRow("slash inside the artist") << "AC/DC / Back in Black"
                                             << "AC/DC"
                                             << "Back in Black";
    QTest::newRow("slash inside the title") << "Either/Or"
                                            << "Either/Or"
                                            << "Either/Or";
    QTest::newRow("title with a separator of its own") << "Band / Live / Remix"
                                                       << "Band"
                                                       << "Live / Remix";
    QTest::newRow("no separator") << "Song"
                                  << "Song"
                                  << "Song";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("separator at the end") << "Band / "
                                          << "Band"
                                          << "";
}

void TestCdPanelText::splitAtSlash() {
    QFETCH(QString, text);
    QFETCH(QString, first);
    QFETCH(QString, second);
    const auto [p1, p2] = SplitAtSlash(text);
    QCOMPARE(p1, first);
    QCOMPARE(p2, second);
}

void TestCdPanelText::matchLinesStopAtTheFirstEmptyMatch() {
    QCOMPARE(
        MatchChoiceLines({"rock 0e001003 Band / Album", "blues 0e001003 Other / Record", "", "jazz x A / B"}),
        (QStringList{"Album", "Record"}));
    QCOMPARE(MatchChoiceLines({"misc 0e001003 no separator"}), QStringList{"misc 0e001003 no separator"});
    QCOMPARE(MatchChoiceLines({}), QStringList{});
}

void TestCdPanelText::readOutInfos_data() {
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("discTitle");
    QTest::addColumn<QStringList>("texts");
    const QStringList head{"Querying CD", "http://127.0.0.1:8880/~cddb/cddb.cgi?cmd=...\r\n",
                           "Found exact match"};
    QTest::newRow("disc artist and own artist")
        << head + QStringList{"DTITLE=Band / Album", "TTITLE0=Song", "TTITLE1=Guest / Duet", "Entry read"}
        << 3 << "Band / Album" << QStringList{"Band - Song", "Guest - Duet", ""};
    // The k-th title line names row k, whatever number its keyword carries.
    QTest::newRow("continued title counts as the next track")
        << QStringList{"DTITLE=Band / Album", "TTITLE0=A very long", "TTITLE0= title", "TTITLE1=Two"} << 3
        << "Band / Album" << QStringList{"Band - A very long", "Band -  title", "Band - Two"};
    QTest::newRow("more titles than rows")
        << QStringList{"DTITLE=Band / Album", "TTITLE0=One", "TTITLE1=Two", "TTITLE2=Three"} << 2
        << "Band / Album" << QStringList{"Band - One", "Band - Two"};
    QTest::newRow("the last disc title counts")
        << QStringList{"DTITLE=Old / First", "DTITLE=New / Second", "TTITLE0=One"} << 1 << "New / Second"
        << QStringList{"New - One"};
    QTest::newRow("keywords are upper case only")
        << QStringList{"dtitle=Band / Album", "ttitle0=One", "#TTITLE0=Two"} << 1 << "" << QStringList{""};
    QTest::newRow("no rows") << QStringList{"TTITLE0=One"} << 0 << "" << QStringList{};
}

void TestCdPanelText::readOutInfos() {
    QFETCH(QStringList, log);
    QFETCH(int, rows);
    QFETCH(QString, discTitle);
    QFETCH(QStringList, texts);
    const CdNames names = ReadOutInfos(log, rows);
    QCOMPARE(names.hasDiscTitle, !discTitle.isEmpty());
    QCOMPARE(names.discTitle, discTitle);
    QCOMPARE(QStringList(names.trackTexts.begin(), names.trackTexts.end()), texts);
}

QTEST_GUILESS_MAIN(TestCdPanelText)
#include "tst_cdpaneltext.moc"
