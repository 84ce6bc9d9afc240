// Names of ripped files, tag values from CD list captions, and the rows of the rip preparation.
#include "RipNames.h"
#include "RipPreparation.h"
#include "RipTagging.h"

#include <QTest>

using namespace larkspin;

class TestRipNames : public QObject {
    Q_OBJECT
private slots:
    void splitAtSlash_data();
    void splitAtSlash();
    void leadingTrackNumber_data();
    void leadingTrackNumber();
    void trackFileName_data();
    void trackFileName();
    void trackFileNameFitsAFileSystem();
    void tagsFromCaption_data();
    void tagsFromCaption();
    void rowsFromEntry();
    void rowsFromCdListAndBack();
    void writeBackKeepsItemsWithoutRow();
    void matchLinesAndOutcome();
};

void TestRipNames::splitAtSlash_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("part1");
    QTest::addColumn<QString>("part2");
    QTest::newRow("artist / title") << "Some Artist / Some Song"
                                    << "Some Artist"
                                    << "Some Song";
    QTest::newRow("no separator") << "Some Song"
                                  << "Some Song"
                                  << "Some Song";
    QTest::newRow("first separator decides") << "A / B / C"
                                             << "A"
                                             << "B / C";
    QTest::newRow("slash in a title stays") << "Guest / Either/Or"
                                            << "Guest"
                                            << "Either/Or";
    QTest::newRow("slash in a name stays") << "AC/DC"
                                           << "AC/DC"
                                           << "AC/DC";
    QTest::newRow("backslash separator") << "A \\ B"
                                         << "A"
                                         << "B";
    QTest::newRow("empty artist") << " / x"
                                  << ""
                                  << "x";
}

void TestRipNames::splitAtSlash() {
    QFETCH(QString, text);
    QTEST(SplitAtSlash(text).first, "part1");
    QTEST(SplitAtSlash(text).second, "part2");
}

void TestRipNames::leadingTrackNumber_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::newRow("blank") << "03 Song" << 3;
    QTest::newRow("dash") << "12-Song" << 12;
    QTest::newRow("underscore") << "07_Song" << 7;
    QTest::newRow("too short") << "03 " << 0;
    QTest::newRow("three digits") << "100 Song" << 0;
    QTest::newRow("dot") << "03.Song" << 0;
    QTest::newRow("letters") << "Song" << 0;
}

void TestRipNames::leadingTrackNumber() {
    QFETCH(QString, name);
    QTEST(LeadingTrackNumber(name), "number");
}

void TestRipNames::trackFileName_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("name");
    QTest::newRow("prepared wav") << "03 Some Artist / Some Song"
                                  << ".wav"
                                  << "03 Some Artist - Some Song.wav";
    QTest::newRow("prepared mp3") << "03 Some Artist / Some Song"
                                  << ".mp3"
                                  << "03 Some Artist - Some Song.mp3";
    // A dot in the title is no extension: the name keeps "Mr. X".
    QTest::newRow("dot in title") << "01 Band / Mr. X"
                                  << ".mp3"
                                  << "01 Band - Mr. X.mp3";
    QTest::newRow("fresh list") << "CD Audio / Track Number 4"
                                << ".wav"
                                << "CD Audio - Track Number 4.wav";
    QTest::newRow("traversal") << "../../etc/passwd"
                               << ".wav"
                               << "-..-etc-passwd.wav";
    QTest::newRow("leading dots") << "..hidden"
                                  << ".ogg"
                                  << "hidden.ogg";
    QTest::newRow("only dots") << ".."
                               << ".wav"
                               << "Track07.wav";
    QTest::newRow("empty") << ""
                           << ".wav"
                           << "Track07.wav";
    QTest::newRow("control characters") << QString("A\tB\nC") + QChar(0) + "D\x7f"
                                        << ".wav"
                                        << "ABCD.wav";
    QTest::newRow("utf8 kept") << "02 Björk / Jóga"
                               << ".mp3"
                               << "02 Björk - Jóga.mp3";
    QTest::newRow("backslash kept") << "AC\\DC"
                                    << ".wav"
                                    << "AC\\DC.wav";
}

void TestRipNames::trackFileName() {
    QFETCH(QString, caption);
    QFETCH(QString, ext);
    QTEST(TrackFileName(caption, ext, 7), "name");
}

void TestRipNames::trackFileNameFitsAFileSystem() {
    // 200 three-byte characters: cut at a character boundary so the UTF-8 name fits 255 bytes.
    const QString longCaption = QString(200, QChar(0x20AC));
    const QString name = TrackFileName(longCaption, QStringLiteral(".mp3"), 1);
    QVERIFY(name.endsWith(u".mp3"));
    QVERIFY(name.toUtf8().size() <= 255);
    QCOMPARE(name.toUtf8().size(), 4 + 3 * 83);
    // A surrogate pair is never split.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x8E\xB5").repeated(80);
    const QString cut = TrackFileName(emoji, QStringLiteral(".wav"), 1);
    QVERIFY(cut.toUtf8().size() <= 255);
    QCOMPARE(QString::fromUtf8(cut.toUtf8()), cut);
    QVERIFY(!cut.chopped(4).back().isHighSurrogate());
}

void TestRipNames::tagsFromCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("track");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("title");
    QTest::newRow("prepared") << "03 Some Artist / Some Song" << 3 << "Some Artist"
                              << "Some Song";
    QTest::newRow("dot in title") << "01 Band / Mr. X" << 1 << "Band"
                                  << "Mr. X";
    QTest::newRow("no artist") << "05 Lonely" << 5 << "Lonely"
                               << "Lonely";
    QTest::newRow("fresh list") << "CD Audio / Track Number 4" << 0 << "CD Audio"
                                << "Track Number 4";
    QTest::newRow("slash without blanks") << "10 AC/DC / Thunder" << 10 << "AC/DC"
                                          << "Thunder";
}

void TestRipNames::tagsFromCaption() {
    QFETCH(QString, caption);
    const CaptionTags tags = TagsFromCaption(caption);
    QTEST(tags.track, "track");
    QTEST(tags.artist, "artist");
    QTEST(tags.title, "title");
    // Without a leading number the tag takes the track's place on the disc.
    CdListItem item{9, caption, "Album", "1999", "Rock", true};
    QCOMPARE(TagValuesOf(item).Track, tags.track > 0 ? tags.track : 9);
}

void TestRipNames::rowsFromEntry() {
    const QList<QByteArray> lines = {
        "# xmcd",
        "DTITLE=Disc Artist / Disc Al",
        "DTITLE=bum",
        "DYEAR=1999",
        "DGENRE=Rock",
        "TTITLE0=Some Artist / Some Song",
        "TTITLE1=Plain: Song?",
        "TTITLE2=What\\",
        "TTITLE2=never",
        "TTITLE3=",
        "EXTD=",
    };
    const QList<TitleRow> rows = RowsFromEntry(ParseCddbEntry(lines));
    QCOMPARE(rows.size(), 4); // one row per track, however many lines a title takes
    QCOMPARE(rows[0].number, QStringLiteral("1"));
    QCOMPARE(rows[0].artist, QStringLiteral("Some Artist"));
    QCOMPARE(rows[0].title, QStringLiteral("Some Song"));
    // A title that names no artist gets the disc artist; file-name characters go from artist and title.
    QCOMPARE(rows[1].artist, QStringLiteral("Disc Artist"));
    QCOMPARE(rows[1].title, QStringLiteral("Plain Song"));
    // The escape "\n" split over two lines is a line break, which a file name gets as one blank.
    QCOMPARE(rows[2].title, QStringLiteral("What ever"));
    for (const TitleRow& row : rows) {
        QCOMPARE(row.album, QStringLiteral("Disc Album"));
        QCOMPARE(row.year, QStringLiteral("1999"));
        QCOMPARE(row.genre, QStringLiteral("Rock"));
    }
    QCOMPARE(rows[3].number, QStringLiteral("4"));
    QCOMPARE(rows[3].title, QString());
}

void TestRipNames::rowsFromCdListAndBack() {
    CdList list;
    for (int i = 1; i <= 10; ++i)
        list.push_back({i, QStringLiteral("CD Audio / Track Number %1").arg(i), {}, {}, {}, i % 2 == 0});
    QList<TitleRow> rows = RowsFromCdList(list);
    QCOMPARE(rows.size(), 10);
    QCOMPARE(rows[2].number, QStringLiteral("3"));
    QCOMPARE(rows[2].artist, QStringLiteral("CD Audio"));
    QCOMPARE(rows[2].title, QStringLiteral("Track Number 3"));
    for (TitleRow& row : rows) {
        row.artist = "A";
        row.title = "T" + row.number;
        row.album = "Alb";
    }
    WriteRowsBack(rows, list);
    QCOMPARE(list[0].Caption, QStringLiteral("01 A / T1"));
    QCOMPARE(list[8].Caption, QStringLiteral("09 A / T9"));
    QCOMPARE(list[9].Caption, QStringLiteral("10 A / T10"));
    QCOMPARE(list[9].Album, QStringLiteral("Alb"));
    QVERIFY(list[9].Ticked);
    // Opened again, the written captions give the same rows: the leading number is dropped.
    const QList<TitleRow> again = RowsFromCdList(list);
    QCOMPARE(again[0].artist, QStringLiteral("A"));
    QCOMPARE(again[9].title, QStringLiteral("T10"));
}

void TestRipNames::writeBackKeepsItemsWithoutRow() {
    CdList list = {{1, "CD Audio / Track Number 1", {}, {}, {}, true},
                   {2, "CD Audio / Track Number 2", "old", "1", "g", true}};
    WriteRowsBack(RowsFromEntry(ParseCddbEntry({"DTITLE=X / Y", "TTITLE0=Only"})), list);
    QCOMPARE(list[0].Caption, QStringLiteral("01 X / Only"));
    QCOMPARE(list[1].Caption, QStringLiteral("CD Audio / Track Number 2"));
    QCOMPARE(list[1].Album, QStringLiteral("old"));
}

void TestRipNames::matchLinesAndOutcome() {
    QCOMPARE(MatchLines({"rock 0e001003 Artist / Album", "", "misc 0e001004 Other / One"}),
             QStringList({"Album", "One"}));
    QCOMPARE(OutcomeOfLog({}), QueryOutcome::Running);
    QCOMPARE(OutcomeOfLog({"Querying CD", "Entry read"}), QueryOutcome::EntryRead);
    QCOMPARE(OutcomeOfLog({"No match found"}), QueryOutcome::NoMatch);
    QCOMPARE(OutcomeOfLog({"No match found", "Reading CD info"}), QueryOutcome::Running);
}

QTEST_GUILESS_MAIN(TestRipNames)
#include "tst_ripnames.moc"
