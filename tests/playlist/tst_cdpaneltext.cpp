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
    QTest::addColumn<QList<QByteArray>>("entry");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("album");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("disc artist and own artist")
        << QList<QByteArray>{"DTITLE=Band / Album", "TTITLE0=Song", "TTITLE1=Guest / Duet"} << 3 << "Album"
        << QStringList{"Band - Song", "Guest - Duet", ""};
    // TTITLEn names row n: a title continued on a second line stays one track's title.
    QTest::newRow("continued title names one track")
        << QList<QByteArray>{"DTITLE=Band / Album", "TTITLE0=A very long", "TTITLE0= title", "TTITLE1=Two"}
        << 3 << "Album" << QStringList{"Band - A very long title", "Band - Two", ""};
    QTest::newRow("continued disc title")
        << QList<QByteArray>{"DTITLE=Some Very Long Band Na", "DTITLE=me / The Album", "TTITLE0=One"} << 1
        << "The Album" << QStringList{"Some Very Long Band Name - One"};
    QTest::newRow("escapes undone") << QList<QByteArray>{R"(DTITLE=A\\B / C\tD)", R"(TTITLE0=x\\y)"} << 1
                                    << "C\tD" << QStringList{"A\\B - x\\y"};
    QTest::newRow("more titles than rows")
        << QList<QByteArray>{"DTITLE=Band / Album", "TTITLE0=One", "TTITLE1=Two", "TTITLE2=Three"} << 2
        << "Album" << QStringList{"Band - One", "Band - Two"};
    QTest::newRow("disc title without separator") << QList<QByteArray>{"DTITLE=Various", "TTITLE0=One"} << 1
                                                  << "Various" << QStringList{"Various - One"};
    QTest::newRow("no disc title") << QList<QByteArray>{"TTITLE1=Two"} << 2 << ""
                                   << QStringList{"", " - Two"};
    QTest::newRow("no rows") << QList<QByteArray>{"TTITLE0=One"} << 0 << "" << QStringList{};
}

void TestCdPanelText::readOutInfos() {
    QFETCH(QList<QByteArray>, entry);
    QFETCH(int, rows);
    QFETCH(QString, album);
    QFETCH(QStringList, texts);
    const CdNames names = ReadOutInfos(ParseCddbEntry(entry), rows);
    QCOMPARE(names.hasDiscTitle, !album.isEmpty());
    QCOMPARE(names.album, album);
    QCOMPARE(QStringList(names.trackTexts.begin(), names.trackTexts.end()), texts);
}

QTEST_GUILESS_MAIN(TestCdPanelText)
#include "tst_cdpaneltext.moc"
