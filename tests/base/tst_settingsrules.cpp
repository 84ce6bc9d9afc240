#include "SettingsRules.h"

#include <QTest>

using namespace larkspin;

namespace {

constexpr int Artist = 0, Title = 1, Length = 2, Album = 3, Year = 5, Path = 10, None = NoColumn;

void setRows(Settings& s, const ColumnLists& lists) {
    for (int k = 1; k <= 10; ++k)
        RowSetting(s, k) = lists[k - 1];
}

// Every "<none>" of lists 3 to 10 after every field.
bool noneAfterFields(const ColumnLists& n) {
    bool none = false;
    for (int k = 3; k <= 10; ++k) {
        if (n[k - 1] == NoColumn)
            none = true;
        else if (none)
            return false;
    }
    return true;
}

QByteArray text(const ColumnLists& n) {
    QByteArray t;
    for (int v : n)
        t += QByteArray(ColumnNames[v]) + ' ';
    return t;
}

} // namespace

Q_DECLARE_METATYPE(ColumnLists)

class TestSettingsRules : public QObject {
    Q_OBJECT
private slots:
    void columnChanges_data();
    void columnChanges();
    void everyChangeKeepsNoneBelowTheFields();
    void crossfadeDiagram_data();
    void crossfadeDiagram();
    void fadeFieldsAndSliders();
    void startupOptionsExcludeEachOther();
    void outputFormat();
    void decodeOutputChoice();
};

void TestSettingsRules::columnChanges_data() {
    QTest::addColumn<ColumnLists>("before");
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("value");
    QTest::addColumn<ColumnLists>("after");
    QTest::newRow("No04 to <none> under No05 Year: Year moves up")
        << ColumnLists{Artist, Title, Length, Album, Year, None, None, None, None, None} << 4 << None
        << ColumnLists{Artist, Title, Length, Year, None, None, None, None, None, None};
    QTest::newRow("No04 to <none> with two fields below: both move up")
        << ColumnLists{Artist, Title, Length, Album, Year, Path, None, None, None, None} << 4 << None
        << ColumnLists{Artist, Title, Length, Year, Path, None, None, None, None, None};
    QTest::newRow("No06 Album under No05 <none> moves up to the first <none>")
        << ColumnLists{Artist, Title, Length, None, None, None, None, None, None, None} << 6 << Album
        << ColumnLists{Artist, Title, Length, Album, None, None, None, None, None, None};
    QTest::newRow("No10 Path with all <none> above moves up to No03")
        << ColumnLists{Artist, Title, None, None, None, None, None, None, None, None} << 10 << Path
        << ColumnLists{Artist, Title, Path, None, None, None, None, None, None, None};
    QTest::newRow("No03 to <none> pulls every field up")
        << ColumnLists{Artist, Title, Length, Album, Year, None, None, None, None, None} << 3 << None
        << ColumnLists{Artist, Title, Album, Year, None, None, None, None, None, None};
    QTest::newRow("a field replaced in place stays")
        << ColumnLists{Artist, Title, Length, Album, None, None, None, None, None, None} << 4 << Path
        << ColumnLists{Artist, Title, Length, Path, None, None, None, None, None, None};
    QTest::newRow("No10 to <none> at the end")
        << ColumnLists{Artist, Title, Length, Album, Year, Path, Artist, Title, Length, Album} << 10 << None
        << ColumnLists{Artist, Title, Length, Album, Year, Path, Artist, Title, Length, None};
    QTest::newRow("No01 has no <none>: the last field instead")
        << ColumnLists{Artist, Title, Length, None, None, None, None, None, None, None} << 1 << None
        << ColumnLists{Path, Title, Length, None, None, None, None, None, None, None};
}

void TestSettingsRules::columnChanges() {
    QFETCH(ColumnLists, before);
    QFETCH(int, list);
    QFETCH(int, value);
    QFETCH(ColumnLists, after);
    Settings s;
    setRows(s, before);
    ColumnLists n = before;
    ChangeColumn(n, list, value, s);
    QCOMPARE(text(n), text(after));
    QCOMPARE(text(ColumnListsOf(s)), text(after));
}

void TestSettingsRules::everyChangeKeepsNoneBelowTheFields() {
    // Lists 3 to 10 drawn from Artist, Title and <none> in every order that has the <none> entries last,
    // each list changed to each value: the <none> entries stay last and the settings follow the lists.
    const int values[] = {Artist, Title, None};
    int checked = 0;
    for (int code = 0; code < 6561; ++code) {
        ColumnLists start{Artist, Title};
        int c = code;
        for (int k = 3; k <= 10; ++k, c /= 3)
            start[k - 1] = values[c % 3];
        if (!noneAfterFields(start))
            continue;
        for (int list = 3; list <= 10; ++list) {
            for (int value : values) {
                Settings s;
                setRows(s, start);
                ColumnLists n = start;
                ChangeColumn(n, list, value, s);
                QVERIFY2(noneAfterFields(n), text(start) + "list " + QByteArray::number(list) + " -> " +
                                                 ColumnNames[value] + ": " + text(n));
                QVERIFY2(ColumnListsOf(s) == n, text(n));
                ++checked;
            }
        }
    }
    QVERIFY(checked > 100);
}

void TestSettingsRules::crossfadeDiagram_data() {
    QTest::addColumn<int>("crossTime");
    QTest::addColumn<int>("span");
    QTest::newRow("slider at 50: 5000 ms") << 5000 << 120;
    QTest::newRow("one second") << 1000 << 24;
    QTest::newRow("below a quarter second") << 240 << 0;
    QTest::newRow("slider at 100") << 10000 << 240;
}

void TestSettingsRules::crossfadeDiagram() {
    QFETCH(int, crossTime);
    QFETCH(int, span);
    const CrossfadeDiagram d = CrossfadeDiagramFor(200, 80, crossTime);
    QCOMPARE(d.slopeSpan(), span);
    const int half = span / 2;
    QCOMPARE(d.outgoing, (std::array<DiagramPoint, 3>{{{0, 20}, {100 - half, 20}, {100 + half, 80}}}));
    QCOMPARE(d.incoming, (std::array<DiagramPoint, 3>{{{200, 20}, {100 + half, 20}, {100 - half, 80}}}));
}

void TestSettingsRules::fadeFieldsAndSliders() {
    QCOMPARE(FadeTimeOfSlider(50), 5000);
    QCOMPARE(FadeSliderOf(2000), 20);
    QCOMPARE(FadeSliderOf(2050), 20);
    QCOMPARE(FadeSliderOf(0), FadeSliderMin);
    QCOMPARE(FadeSliderOf(60000), FadeSliderMax);
    QCOMPARE(ParseFadeTime("2500"), std::optional<int32_t>(2500));
    QCOMPARE(ParseFadeTime("$10"), std::optional<int32_t>(16));
    for (const char* bad : {"", "abc", "12a", "-5", "1.5", "99999999"})
        QVERIFY2(!ParseFadeTime(bad), bad);
}

void TestSettingsRules::startupOptionsExcludeEachOther() {
    Settings s;
    QVERIFY(s.RememberPlaylist && !s.SelectedPlaylist);
    SetSelectedPlaylist(s, true);
    QVERIFY(s.SelectedPlaylist && !s.RememberPlaylist);
    SetRememberPlaylist(s, true);
    QVERIFY(s.RememberPlaylist && !s.SelectedPlaylist);
    // Switching one off leaves the other alone.
    SetRememberPlaylist(s, false);
    QVERIFY(!s.RememberPlaylist && !s.SelectedPlaylist);
}

void TestSettingsRules::outputFormat() {
    Settings s;
    QCOMPARE(OutputFormatOf(s), OutputFormat::Wave);
    s.IntEncoder = true;
    s.Encoder = true; // both set in a file: the external encoder wins
    QCOMPARE(OutputFormatOf(s), OutputFormat::ExternalPlugIn);
    SetOutputFormat(s, OutputFormat::InternalLame);
    QVERIFY(s.IntEncoder && !s.Encoder);
    SetOutputFormat(s, OutputFormat::Wave);
    QVERIFY(!s.IntEncoder && !s.Encoder);
}

void TestSettingsRules::decodeOutputChoice() {
    DecodeOutputChoice c;
    ChooseDecodeOutput(c, 1, DecodeChoiceTexts[1], false);
    QCOMPARE(c.target, DecodeOutputChoice::DecodedSubFolder);
    ChooseDecodeOutput(c, 2, "/music/out", true);
    QCOMPARE(c.target, DecodeOutputChoice::ChosenFolder);
    QCOMPARE(c.folder, std::string("/music/out/"));
    ChooseDecodeOutput(c, 2, "...", true);
    QCOMPARE(c.target, DecodeOutputChoice::SourceFolder);
    ChooseDecodeOutput(c, 2, "/gone", false);
    QCOMPARE(c.target, DecodeOutputChoice::SourceFolder);
    QCOMPARE(WithTrailingSlash("/a/"), std::string("/a/"));
}

QTEST_APPLESS_MAIN(TestSettingsRules)
#include "tst_settingsrules.moc"
