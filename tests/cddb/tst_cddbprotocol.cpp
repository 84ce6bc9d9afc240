#include "CddbTestServer.h"
#include "CddbText.h"
#include "DiscImage.h"
#include "TCddb.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace larkspin;

using Checks = QList<QPair<QString, QString>>; // field name -> expected value

namespace {

TocRecord ThreeToneToc() {
    TocRecord toc;
    toc.TrackCount = 3;
    const uint32_t starts[] = {150, 525, 1070};
    for (int i = 0; i < 3; ++i) {
        static_cast<TocMsf&>(toc.Tracks[i]) = MsfFromFrames(starts[i]);
        toc.Tracks[i].IsAudio = TocAudioTrack;
    }
    toc.LeadOut = MsfFromFrames(1370);
    return toc;
}

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    return QTest::qWaitFor(done, ms);
}

// A component pointed at the test server that records everything it reports.
struct Client {
    TCddb cddb;
    QStringList statuses;
    QStringList exchanged;
    int matchCalls = 0;
    QStringList offered; // the non-empty matches of the last OnMatch
    int choice = 0;

    explicit Client(const CddbTestServer& server) {
        cddb.ServerAddr = "127.0.0.1";
        cddb.ServerPort = server.port();
        cddb.ServerType = TServerType::HTTP;
        QVERIFY(cddb.SetEmailUser("tester@example.org"));
        cddb.Toc = ThreeToneToc();
        QObject::connect(&cddb, &TCddb::OnStatusMessage, [this](const QString& s) {
            // A CD drive of the machine running the tests must not change what is compared.
            if (s != "No CD in CD/DVD drive!")
                statuses << s;
        });
        QObject::connect(&cddb, &TCddb::OnDataExchange, [this](const QString& s) { exchanged << s; });
        cddb.OnMatch = [this](TCddb&, const TMatchArray& matches, int& RightOne) {
            ++matchCalls;
            offered.clear();
            for (const QString& m : matches)
                if (!m.isEmpty())
                    offered << m;
            RightOne = choice;
        };
    }

    bool finished() const { return cddb.State != CddbState::Querying && cddb.State != CddbState::Reading; }
    bool query() {
        return cddb.HttpQuery() == 0 && WaitFor([this] { return finished(); });
    }
    bool read() {
        return cddb.HttpRead() == 0 && WaitFor([this] { return finished(); });
    }
    // A last query that must succeed: once it has, anything an earlier request still had to report
    // would have arrived before it, so what was recorded is complete.
    bool sentinel(CddbTestServer& server) {
        server.enqueue("200 rock 0a0b0c0d Sentinel / Query\r\n");
        cddb.ServerAddr = "127.0.0.1";
        cddb.ServerPort = server.port();
        cddb.ServerType = TServerType::HTTP;
        choice = 0;
        const bool ok = query() && cddb.State == CddbState::MatchChosen;
        statuses.removeLast(); // "Found exact match"
        statuses.removeLast(); // "Querying CD"
        return ok;
    }
};

QByteArray Lines(const QList<QByteArray>& lines) {
    QByteArray body;
    for (const QByteArray& line : lines)
        body += line + "\r\n";
    return body;
}

QString FieldValue(const TCddb& c, const QString& field) {
    const CddbEntry& e = c.Entry;
    if (field == "DiscArtist")
        return e.DiscArtist;
    if (field == "DiscTitle")
        return e.DiscTitle;
    if (field == "DiscYear")
        return e.Year;
    if (field == "DiscGenre")
        return e.Genre;
    if (field == "DiscExtended")
        return e.Extended;
    if (field == "EntryRevision")
        return QString::number(e.Revision);
    if (field == "Category")
        return c.Category;
    if (field == "TrackCount")
        return QString::number(e.TrackTitles.size());
    if (field == "TrackTitles[0].size")
        return QString::number(e.TrackTitles.empty() ? -1 : e.TrackTitles[0].size());
    auto index = [&](const QString& prefix) {
        return std::size_t(field.mid(prefix.size()).chopped(1).toInt());
    };
    // A track the entry does not reach reads as an empty title.
    auto at = [](const std::vector<QString>& table, std::size_t i) {
        return i < table.size() ? table[i] : QString();
    };
    if (field.startsWith("TrackTitles["))
        return at(e.TrackTitles, index("TrackTitles["));
    if (field.startsWith("TrackExtended["))
        return at(e.TrackExtended, index("TrackExtended["));
    if (field.startsWith("EntryLines["))
        return c.EntryLines.at(index("EntryLines["));
    return "<unknown field " + field + ">";
}

const QByteArray EntryHead = "210 rock 0e001003 CD database entry follows (until terminating `.')";

} // namespace

class TestCddbProtocol : public QObject {
    Q_OBJECT
private slots:
    void exactMatchThenRead();
    void queryReplies_data();
    void queryReplies();
    void readReplies_data();
    void readReplies();
    void entryParsing_data();
    void entryParsing();
    void helloParameters_data();
    void helloParameters();
    void failedRequests_data();
    void failedRequests();
    void refusedRequests();
    void hugeReplyIsCut();
    void readBufferIsBounded();
    void hostileRepliesFailFast_data();
    void hostileRepliesFailFast();
    void deletingDuringAFloodReturnsAtOnce();
    void emailIsCheckedWhereSet();
    void newRequestReplacesPendingOne();
    void proxyPropertiesReachTheClient();
    void namesDiscImageEndToEnd();
};

void TestCddbProtocol::exactMatchThenRead() {
    CddbTestServer server;
    server.enqueue("200 rock 0a0b0c0d Some Artist / Some Title\r\n");
    server.enqueue(
        Lines({EntryHead, "# xmcd", "# Revision: 4", "DISCID=0e001003", "DTITLE=Some Artist / Some Title",
               "TTITLE0=One", "TTITLE1=Two", "TTITLE2=Three", "."}));
    Client c(server);
    QVERIFY(c.query());
    QCOMPARE(c.cddb.State, CddbState::MatchChosen);
    QCOMPARE(c.cddb.Category, QString("rock"));
    QCOMPARE(c.cddb.DiscID, QString("0E001003")); // from the TOC, upper case; not the reply's ID
    QCOMPARE(c.offered, QStringList{"rock 0a0b0c0d Some Artist / Some Title"});

    QVERIFY(c.read());
    QCOMPARE(c.cddb.State, CddbState::EntryRead);
    QCOMPARE(server.targets.size(), 2);
    QCOMPARE(CddbTestServer::parameter(server.targets[1], "cmd"), QString("cddb read rock 0E001003"));
    QCOMPARE(c.statuses, (QStringList{"Querying CD", "Found exact match", "Reading CD info",
                                      "OK, CDDB database entry follows", "Entry read"}));
    QCOMPARE(c.cddb.Entry.DiscArtist, QString("Some Artist"));
    QCOMPARE(c.cddb.Entry.TrackTitles.at(2), QString("Three"));
    QCOMPARE(c.cddb.Entry.Revision, 4);
    QCOMPARE(c.cddb.Category, QString("rock"));
    // Every request URL and every received line went to the data log.
    QVERIFY(c.exchanged.first().startsWith("http://127.0.0.1:" + server.port() +
                                           "/~cddb/cddb.cgi?cmd=cddb+query+"));
    QVERIFY(c.exchanged.first().endsWith("\r\n"));
    QCOMPARE(c.exchanged.size(), 1 + 1 + 1 + 9);
    QCOMPARE(c.exchanged.last(), QString("."));
}

void TestCddbProtocol::queryReplies_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("state");            // a CddbState value
    QTest::addColumn<QStringList>("statuses"); // after "Querying CD"
    QTest::addColumn<int>("matchCalls");
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QString>("category"); // trimmed
    QTest::addColumn<QString>("discId");
    QTest::addColumn<bool>("handshake"); // HandshakeDone afterwards, when it started true

    const QByteArray list = "211 Found inexact matches, list follows (until terminating `.')";
    const QStringList three = {"rock 0e001003 A / One", "misc 0e0010ff B / Two", "jazz 0e001004 C / Three"};
    const QStringList listed = {"Found inexact matches", "OK, receiving matches", "Received matches"};

    QTest::newRow("200 exact match") << QByteArray("200 rock 0a0b0c0d Some Artist / Some Title\r\n") << 0 << 3
                                     << QStringList{"Found exact match"} << 1
                                     << QStringList{"rock 0a0b0c0d Some Artist / Some Title"} << "rock"
                                     << "0E001003" << true;
    QTest::newRow("200 without final line break keeps its last character")
        << QByteArray("200 rock 0a0b0c0d Some Artist / Some Title") << 0 << 3
        << QStringList{"Found exact match"} << 1 << QStringList{"rock 0a0b0c0d Some Artist / Some Title"}
        << "rock"
        << "0E001003" << true;
    QTest::newRow("200 declined") << QByteArray("200 rock 0a0b0c0d Some Artist / Some Title\r\n") << -1 << 5
                                  << QStringList{"Found exact match"} << 1
                                  << QStringList{"rock 0a0b0c0d Some Artist / Some Title"} << ""
                                  << "" << true;
    QTest::newRow("211, three matches, choice 1")
        << Lines({list, three[0].toLatin1(), three[1].toLatin1(), three[2].toLatin1(), "."}) << 1 << 3
        << listed << 1 << three << "misc"
        << "0e0010ff" << true;
    QTest::newRow("210, choice 0") << Lines({"210 Found exact matches, list follows (until terminating `.')",
                                             three[0].toLatin1(), three[2].toLatin1(), "."})
                                   << 0 << 3
                                   << QStringList{"Found exact matches", "OK, receiving matches",
                                                  "Received matches"}
                                   << 1 << QStringList{three[0], three[2]} << "rock"
                                   << "0e001003" << true;
    QTest::newRow("211 declined") << Lines({list, three[0].toLatin1(), "."}) << -1 << 5 << listed << 1
                                  << QStringList{three[0]} << ""
                                  << "" << true;
    QTest::newRow("211, choice past the list")
        << Lines({list, three[0].toLatin1(), three[1].toLatin1(), "."}) << 2 << 5
        << listed + QStringList{"No match found"} << 1 << QStringList{three[0], three[1]} << ""
        << "" << true;
    QTest::newRow("211, negative choice")
        << Lines({list, three[0].toLatin1(), "."}) << -7 << 5 << listed + QStringList{"No match found"} << 1
        << QStringList{three[0]} << ""
        << "" << true;
    QTest::newRow("210 with an empty list")
        << Lines({"210 Found exact matches", "."}) << 0 << 5
        << QStringList{"Found exact matches", "OK, receiving matches", "Received matches", "No match found"}
        << 1 << QStringList{} << ""
        << "" << true;
    QTest::newRow("211 cut before its final line")
        << Lines({list, three[0].toLatin1()}) << 0 << 5
        << QStringList{"Found inexact matches", "OK, receiving matches", "No match found"} << 0
        << QStringList{} << ""
        << "" << true;
    QTest::newRow("final line without line break") << list + "\r\n" + three[0].toLatin1() + "\r\n." << 0 << 3
                                                   << listed << 1 << QStringList{three[0]} << "rock"
                                                   << "0e001003" << true;
    QTest::newRow("Latin-1 match") << Lines({list, "rock 0e001003 Bj\xf6rk / D\xe9\x62ut", "."}) << 0 << 3
                                   << listed << 1
                                   << QStringList{QString::fromUtf8("rock 0e001003 Björk / Début")} << "rock"
                                   << "0e001003" << true;
    QTest::newRow("202 no match") << QByteArray("202 No match for disc ID 0e001003.\r\n") << 0 << 5
                                  << QStringList{"No match found"} << 0 << QStringList{} << ""
                                  << "" << true;
    QTest::newRow("403 corrupt") << QByteArray("403 Database entry is corrupt.\r\n") << 0 << 5
                                 << QStringList{"Database entry is corrupt"} << 0 << QStringList{} << ""
                                 << "" << true;
    QTest::newRow("409 no handshake") << QByteArray("409 No handshake.\r\n") << 0 << 5
                                      << QStringList{"No handshake"} << 0 << QStringList{} << ""
                                      << "" << false;
    QTest::newRow("500 syntax error")
        << QByteArray("500 Command syntax error.\r\n") << 0 << 5
        << QStringList{"Command syntax error, command unknown, command unimplemented", "No match found"} << 0
        << QStringList{} << ""
        << "" << true;
    QTest::newRow("530 server timeout")
        << QByteArray("530 Server error, server timeout.\r\n") << 0 << -1
        << QStringList{"Server error, server timeout"} << 0 << QStringList{} << ""
        << "" << false;
    QTest::newRow("230 closing") << QByteArray("230 Bye.\r\n") << 0 << -1
                                 << QStringList{"Command OK, connection will close"} << 0 << QStringList{}
                                 << ""
                                 << "" << false;
    QTest::newRow("431 other 4xx") << QByteArray("431 No.\r\n") << 0 << 5
                                   << QStringList{"Command OK, but cannot be performed", "No match found"}
                                   << 0 << QStringList{} << ""
                                   << "" << true;
    QTest::newRow("non-numeric code ends the reply")
        << QByteArray("2x1 nonsense\r\n200 rock 0a0b0c0d A / B\r\n") << 0 << 16
        << QStringList{"Server reply not understood: \"2x1 nonsense\""} << 0 << QStringList{} << ""
        << "" << true;
    QTest::newRow("digit alone") << QByteArray("5\r\n") << 0 << 16
                                 << QStringList{"Server reply not understood: \"5\""} << 0 << QStringList{}
                                 << ""
                                 << "" << true;
    QTest::newRow("web page instead of a reply")
        << QByteArray("<html><body>Service moved</body></html>\r\n") << 0 << 5
        << QStringList{"No match found"} << 0 << QStringList{} << ""
        << "" << true;
    QByteArray many = list + "\r\n";
    for (int i = 0; i < 150; ++i)
        many += QString::asprintf("c%03d 0e00%04d Artist / Title %d\r\n", i, i, i).toLatin1();
    many += ".\r\n";
    QStringList first100;
    for (int i = 0; i < 100; ++i)
        first100 << QString::asprintf("c%03d 0e00%04d Artist / Title %d", i, i, i);
    QTest::newRow("150 matches keep the first 100") << many << 99 << 3 << listed << 1 << first100 << "c099"
                                                    << "0e000099" << true;
}

void TestCddbProtocol::queryReplies() {
    QFETCH(QByteArray, reply);
    QFETCH(int, choice);
    QFETCH(int, state);
    QFETCH(QStringList, statuses);
    QFETCH(int, matchCalls);
    QFETCH(QStringList, offered);
    QFETCH(QString, category);
    QFETCH(QString, discId);
    QFETCH(bool, handshake);

    CddbTestServer server;
    server.enqueue(reply);
    Client c(server);
    c.choice = choice;
    c.cddb.HandshakeDone = true;
    QVERIFY(c.query());
    QCOMPARE(static_cast<int>(c.cddb.State), state); // the table gives CddbState values
    QCOMPARE(c.statuses, QStringList{"Querying CD"} + statuses);
    QCOMPARE(c.matchCalls, matchCalls);
    QCOMPARE(c.offered, offered);
    QCOMPARE(c.cddb.Category.trimmed(), category);
    QCOMPARE(c.cddb.DiscID, discId);
    QCOMPARE(c.cddb.HandshakeDone, handshake);

    // A read only goes out after a usable query.
    const int before = server.targets.size();
    if (state == 5) {
        QCOMPARE(c.cddb.HttpRead(), -1);
        QCOMPARE(c.statuses.last(), QString("Can't perform a CDDB READ without a successful CDDB QUERY!"));
        QVERIFY(c.sentinel(server));
        QCOMPARE(server.targets.size(), before + 1);
    }
}

void TestCddbProtocol::readReplies_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("state");            // a CddbState value
    QTest::addColumn<QStringList>("statuses"); // after "Reading CD info"
    QTest::addColumn<QString>("artist");

    QTest::newRow("401 not found") << QByteArray("401 rock 0e001003 No such CD entry in database.\r\n") << 13
                                   << QStringList{"Specified CDDB entry not found"} << "";
    QTest::newRow("403 corrupt") << QByteArray("403 Database entry is corrupt.\r\n") << 13
                                 << QStringList{"Database entry is corrupt"} << "";
    QTest::newRow("409 no handshake")
        << QByteArray("409 No handshake.\r\n") << 13 << QStringList{"No handshake"} << "";
    QTest::newRow("402 is passed over")
        << Lines({"402 Server error.", EntryHead, "DTITLE=A / B", "."}) << 12
        << QStringList{"OK, CDDB database entry follows", "Entry read"} << "A";
    QTest::newRow("500 in the entry")
        << Lines({EntryHead, "DTITLE=A / B", "500 Command syntax error", "."}) << 12
        << QStringList{"OK, CDDB database entry follows",
                       "Command syntax error, command unknown, command unimplemented", "Entry read"}
        << "A";
    QTest::newRow("530 server timeout")
        << QByteArray("530 Server timeout.\r\n") << -1 << QStringList{"Server error, server timeout"} << "";
    QTest::newRow("web page instead of an entry")
        << QByteArray("<html><body>Oops</body></html>\r\n") << 16
        << QStringList{"Server reply not understood: \"<html><body>Oops</body></html>\""} << "";
    QTest::newRow("cut entry") << Lines({EntryHead, "DTITLE=A / B", "TTITLE0=x"}) << 13
                               << QStringList{"OK, CDDB database entry follows",
                                              "Entry incomplete: the reply ended before its last line"}
                               << "A";
    QTest::newRow("blank lines are passed over")
        << Lines({EntryHead, "", "DTITLE=A / B", "", "."}) << 12
        << QStringList{"OK, CDDB database entry follows", "Entry read"} << "A";
}

void TestCddbProtocol::readReplies() {
    QFETCH(QByteArray, reply);
    QFETCH(int, state);
    QFETCH(QStringList, statuses);
    QFETCH(QString, artist);

    CddbTestServer server;
    server.enqueue("200 rock 0e001003 A / B\r\n");
    server.enqueue(reply);
    Client c(server);
    QVERIFY(c.query());
    c.statuses.clear();
    QVERIFY(c.read());
    QCOMPARE(static_cast<int>(c.cddb.State), state); // the table gives CddbState values
    QCOMPARE(c.statuses, QStringList{"Reading CD info"} + statuses);
    QCOMPARE(c.cddb.Entry.DiscArtist, artist);
    QCOMPARE(c.cddb.Category, QString("rock"));
}

void TestCddbProtocol::entryParsing_data() {
    QTest::addColumn<QByteArray>("lines"); // between the 210 line and "."
    QTest::addColumn<Checks>("checks");

    QTest::newRow("whole entry")
        << Lines({"# xmcd", "#", "# Track frame offsets:", "#\t150", "# Revision: 7", "DISCID=0e001003",
                  "DTITLE=Art / Album", "DYEAR=1999", "DGENRE=Ambient", "TTITLE0=Low", "TTITLE1=Middle",
                  "TTITLE2=High", "EXTD=Liner notes", "EXTT0=", "EXTT1=Quiet", "EXTT2=", "PLAYORDER="})
        << Checks{{"DiscArtist", "Art"},           {"DiscTitle", "Album"},        {"DiscYear", "1999"},
                  {"DiscGenre", "Ambient"},        {"TrackTitles[0]", "Low"},     {"TrackTitles[2]", "High"},
                  {"DiscExtended", "Liner notes"}, {"TrackExtended[1]", "Quiet"}, {"EntryRevision", "7"},
                  {"EntryLines[0]", "# xmcd"}};
    QTest::newRow("continued TTITLE") << Lines({"TTITLE12=abc", "TTITLE12=def"})
                                      << Checks{{"TrackTitles[12]", "abcdef"}, {"TrackCount", "13"}};
    // Joined as bytes before decoding: a UTF-8 character split at the line break stays one character.
    QTest::newRow("UTF-8 character split over two lines")
        << Lines({"TTITLE0=Bj\xc3", "TTITLE0=\xb6rk", "DTITLE=\xe5\x9d", "DTITLE=\x82 / x"})
        << Checks{{"TrackTitles[0]", QString::fromUtf8("Björk")}, {"DiscArtist", QString::fromUtf8("坂")}};
    QTest::newRow("continued DTITLE") << Lines({"DTITLE=Art / Album", "DTITLE= Part 2"})
                                      << Checks{{"DiscArtist", "Art"}, {"DiscTitle", "Album Part 2"}};
    QTest::newRow("DTITLE continued inside the artist")
        << Lines({"DTITLE=Very Long Ar", "DTITLE=tist / Title"})
        << Checks{{"DiscArtist", "Very Long Artist"}, {"DiscTitle", "Title"}};
    // Only the line break is taken out when values are joined; the joined value is trimmed.
    QTest::newRow("DTITLE continued at the blank before the separator")
        << Lines({"DTITLE=Some Artist With A Very Long ", "DTITLE=Name / The Album"})
        << Checks{{"DiscArtist", "Some Artist With A Very Long Name"}, {"DiscTitle", "The Album"}};
    QTest::newRow("DTITLE continued inside the separator")
        << Lines({"DTITLE=Artist /", "DTITLE= Album"})
        << Checks{{"DiscArtist", "Artist"}, {"DiscTitle", "Album"}};
    QTest::newRow("continued title keeps the blank at the break")
        << Lines({"TTITLE0=Part one ", "TTITLE0=and two  "})
        << Checks{{"TrackTitles[0]", "Part one and two"}};
    QTest::newRow("DTITLE without separator")
        << Lines({"DTITLE=Various"}) << Checks{{"DiscArtist", "Various"}, {"DiscTitle", ""}};
    QTest::newRow("escapes") << Lines({R"(EXTD=one\ntwo\tcol\\end)", R"(TTITLE0=C:\\new)",
                                       R"(DTITLE=A\tB / C\nD)"})
                             << Checks{{"DiscExtended", "one\r\ntwo\tcol\\end"},
                                       {"TrackTitles[0]", R"(C:\new)"},
                                       {"DiscArtist", "A\tB"},
                                       {"DiscTitle", "C\r\nD"}};
    QTest::newRow("escape split over two lines")
        << Lines({R"(EXTD=a\)", "EXTD=nb"}) << Checks{{"DiscExtended", "a\r\nb"}};
    QTest::newRow("continuation is not unescaped twice")
        << Lines({R"(TTITLE0=a\\)", "TTITLE0=nb"}) << Checks{{"TrackTitles[0]", R"(a\nb)"}};
    QTest::newRow("keywords in mixed case")
        << Lines({"DTitle=a / b", "TTitle3=c", "Dyear=2001"})
        << Checks{{"DiscArtist", "a"}, {"TrackTitles[3]", "c"}, {"DiscYear", "2001"}};
    QTest::newRow("track 100 and odd numbers are ignored")
        << Lines({"TTITLE100=x", "TTITLE1=y", "TTITLEx=z", "TTITLE=w", "EXTT123=v", "TTITLE99=last"})
        << Checks{{"TrackTitles[1]", "y"},
                  {"TrackTitles[10]", ""},
                  {"TrackTitles[0]", ""},
                  {"TrackTitles[99]", "last"},
                  {"TrackExtended[12]", ""}};
    QTest::newRow("revision that is no number")
        << Lines({"# Revision: abc"}) << Checks{{"EntryRevision", "0"}};
    QTest::newRow("lines without =") << Lines({"TTITLE5", "DTITLE", "DTITLE=A / B"})
                                     << Checks{{"TrackTitles[5]", ""}, {"DiscArtist", "A"}};
    QTest::newRow("Latin-1 entry") << Lines({"DTITLE=Bj\xf6rk / D\xe9\x62ut", "TTITLE0=Cr\xe8me"})
                                   << Checks{{"DiscArtist", QString::fromUtf8("Björk")},
                                             {"DiscTitle", QString::fromUtf8("Début")},
                                             {"TrackTitles[0]", QString::fromUtf8("Crème")}};
    QTest::newRow("UTF-8 entry passes")
        << Lines({"DTITLE=Bj\xc3\xb6rk / Post"}) << Checks{{"DiscArtist", QString::fromUtf8("Björk")}};
    QTest::newRow("UTF-8 beyond Latin-1")
        << Lines({"DTITLE=\xe5\x9d\x82\xe6\x9c\xac\xe9\xbe\x8d\xe4\xb8\x80 / Esperanto"})
        << Checks{{"DiscArtist", QString::fromUtf8("坂本龍一")}};
    QByteArray crowd;
    for (int i = 0; i < 600; ++i)
        crowd += "# comment " + QByteArray::number(i) + "\r\n";
    // 512 lines are kept for showing; the fields come from every line.
    QTest::newRow("512 entry lines shown, all read")
        << crowd + "TTITLE0=late\r\n"
        << Checks{{"EntryLines[511]", "# comment 511"}, {"TrackTitles[0]", "late"}};
    QTest::newRow("overlong line is cut")
        << "TTITLE0=" + QByteArray(100000, 'a') + "\r\nTTITLE1=next\r\n"
        << Checks{{"TrackTitles[0].size", QString::number(MaxReplyLineBytes - 8)},
                  {"TrackTitles[1]", "next"}};
}

void TestCddbProtocol::entryParsing() {
    QFETCH(QByteArray, lines);
    QFETCH(Checks, checks);
    CddbTestServer server;
    server.enqueue("200 rock 0e001003 A / B\r\n");
    server.enqueue(EntryHead + "\r\n" + lines + ".\r\n");
    Client c(server);
    QVERIFY(c.query());
    QVERIFY(c.read());
    QCOMPARE(c.cddb.State, CddbState::EntryRead);
    for (const auto& [field, value] : checks)
        QCOMPARE(FieldValue(c.cddb, field), value);
}

void TestCddbProtocol::helloParameters_data() {
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("hello"); // in the URL
    QTest::addColumn<QString>("heard"); // as the server decodes it
    // An empty name leaves the component's defaults: the maker's address, "Larkspin", "3.0".
    QTest::newRow("defaults") << ""
                              << ""
                              << ""
                              << "larkspin+larkspin%2Eexample%2Eorg+Larkspin+3%2E0"
                              << "larkspin larkspin.example.org Larkspin 3.0";
    QTest::newRow("development version") << "me@host.example"
                                         << "My Ripper"
                                         << "v0.1.75 Development"
                                         << "me+host%2Eexample+My+Ripper+v0%2E1%2E75+Development"
                                         << "me host.example My Ripper v0.1.75 Development";
    // A server refuses a hello without user@host: such an address is refused where it is set.
    QTest::newRow("address without @ is refused") << "nobody"
                                                  << "Larkspin"
                                                  << "3.0"
                                                  << "tester+example%2Eorg+Larkspin+3%2E0"
                                                  << "tester example.org Larkspin 3.0";
    QTest::newRow("hostile characters stay inside the value") << "a&proto=1@h"
                                                              << "X&cmd=evil"
                                                              << "1#2"
                                                              << "a%26proto%3D1+h+X%26cmd%3Devil+1%232"
                                                              << "a&proto=1 h X&cmd=evil 1#2";
}

void TestCddbProtocol::helloParameters() {
    QFETCH(QString, email);
    QFETCH(QString, name);
    QFETCH(QString, version);
    QFETCH(QString, hello);
    QFETCH(QString, heard);
    CddbTestServer server;
    server.enqueue("200 rock 0e001003 A / B\r\n");
    server.enqueue(Lines({EntryHead, "."}));
    Client c(server);
    if (name.isEmpty()) {
        QVERIFY(c.cddb.SetEmailUser(TCddb().EmailUser())); // the test client sets its own address
    } else {
        QCOMPARE(c.cddb.SetEmailUser(email), email.contains('@'));
        c.cddb.ClientName = name;
        c.cddb.ClientVersion = version;
    }
    QVERIFY(c.query());
    QVERIFY(c.read());
    const QString base = "http://127.0.0.1:" + server.port() + "/~cddb/cddb.cgi?cmd=";
    QCOMPARE(c.exchanged.first(),
             base + "cddb+query+0e001003+3+150+525+1070+18&hello=" + hello + "&proto=6\r\n");
    QVERIFY(c.exchanged.contains(base + "cddb+read+rock+0E001003&hello=" + hello + "&proto=6\r\n"));
    QCOMPARE(server.targets.size(), 2);
    for (const QByteArray& target : server.targets) {
        QCOMPARE(CddbTestServer::parameter(target, "hello"), heard);
        // Level 6: the server sends UTF-8 rather than turning what Latin-1 lacks into "?".
        QCOMPARE(CddbTestServer::parameter(target, "proto"), QString("6"));
    }
    QCOMPARE(CddbTestServer::parameter(server.targets[0], "cmd"),
             QString("cddb query 0e001003 3 150 525 1070 18"));
}

void TestCddbProtocol::failedRequests_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("errorPart");
    // The user reads these: they say in words what happened.
    QTest::newRow("server never answers") << "silent"
                                          << "The CDDB server did not answer within 0.3 seconds";
    QTest::newRow("connection refused") << "refused"
                                        << "The CDDB server could not be reached: connection refused";
    QTest::newRow("HTTP error status") << "http404"
                                       << "The CDDB server's reply could not be used: HTTP 404 Not Found";
    QTest::newRow("empty server address") << "noaddress"
                                          << "The CDDB server address is not valid: \"";
    QTest::newRow("port that is no number") << "badport"
                                            << "The CDDB server address is not valid: \"";
}

void TestCddbProtocol::failedRequests() {
    QFETCH(QString, kind);
    QFETCH(QString, errorPart);
    CddbTestServer server;
    Client c(server);
    c.cddb.TimeoutMs = 300;
    if (kind == "silent") {
        server.enqueueSilence();
    } else if (kind == "refused") {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        c.cddb.ServerPort = QString::number(closed.serverPort());
    } else if (kind == "http404") {
        server.enqueueStatus(404, "200 rock 0e001003 A / B\r\n");
    } else if (kind == "noaddress") {
        c.cddb.ServerAddr.clear();
    } else if (kind == "badport") {
        c.cddb.ServerPort = "eighty";
    }
    QElapsedTimer clock;
    clock.start();
    int sent = c.cddb.HttpQuery();
    QVERIFY(WaitFor([&] { return c.finished(); }));
    QVERIFY(clock.elapsed() < 4000);
    QCOMPARE(sent, kind == "noaddress" || kind == "badport" ? -1 : 0);
    QCOMPARE(c.cddb.State, CddbState::RequestFailed);
    QCOMPARE(c.statuses.size(), 2);
    QCOMPARE(c.statuses[0], QString("Querying CD"));
    QVERIFY2(c.statuses[1].startsWith(errorPart), qPrintable(c.statuses[1]));
    QCOMPARE(c.matchCalls, 0);
    // Nothing arrives later: no second completion, no stray lines.
    QVERIFY(c.sentinel(server));
    QCOMPARE(c.statuses.size(), 2);
}

void TestCddbProtocol::refusedRequests() {
    CddbTestServer server;
    Client c(server);
    c.cddb.ServerType = TServerType::CDDBP;
    QCOMPARE(c.cddb.HttpQuery(), -1);
    QCOMPARE(c.cddb.HttpRead(), -1);
    QCOMPARE(c.statuses,
             (QStringList{"Selected server not an HTTP server", "Selected server not an HTTP server"}));
    QCOMPARE(c.cddb.State, CddbState::Idle);
    QVERIFY(c.sentinel(server));
    QCOMPARE(server.targets.size(), 1);

    // Without a table of contents there is nothing to ask: no "cddb query 00000000 0 0" goes out.
    c.cddb.ServerType = TServerType::HTTP;
    c.cddb.Toc = TocRecord{};
    c.statuses.clear();
    QCOMPARE(c.cddb.HttpQuery(), -1);
    QCOMPARE(c.cddb.State, CddbState::RequestFailed);
    QCOMPARE(c.statuses,
             QStringList{"The CD's table of contents could not be read, so the CDDB server was not asked"});
    c.cddb.Toc = ThreeToneToc();
    QVERIFY(c.sentinel(server)); // the sentinel's query is the next the server hears
    QCOMPARE(server.targets.size(), 2);
    QCOMPARE(CddbTestServer::parameter(server.targets[1], "cmd"),
             QString("cddb query 0e001003 3 150 525 1070 18"));
}

void TestCddbProtocol::hugeReplyIsCut() {
    // A reply that does not say its length is read up to 1 MiB and the rest ignored.
    CddbTestServer server;
    QByteArray flood = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n200 rock 0a0b0c0d A / B\r\n";
    const QByteArray line = QByteArray(999, 'x') + "\n";
    while (flood.size() < 3 * MaxReplyBytes)
        flood += line;
    server.enqueueRaw(flood);
    Client c(server);
    QVERIFY(c.query());
    QCOMPARE(c.cddb.State, CddbState::MatchChosen);
    QCOMPARE(c.cddb.Category, QString("rock"));
    QVERIFY(c.statuses.contains("Reply longer than 1 MiB; the rest was ignored"));
    // At most 1 MiB was taken in: the first line, then 1000-byte lines.
    QVERIFY(c.exchanged.size() <= 2 + int(MaxReplyBytes / 1000) + 1);
    QVERIFY(c.exchanged.size() > 1000);
}

// Hostile servers end the request at once with a message in words, not at the deadline.
void TestCddbProtocol::hostileRepliesFailFast_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("errorPart");
    QTest::newRow("announced as longer than 1 MiB")
        << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 3000000000\r\n\r\n200 rock 0a0b0c0d A / B\r\n")
        << "larger than 1024 KiB";
    QByteArray endlessHead = "HTTP/1.0 200 OK\r\n";
    while (endlessHead.size() < 4 * 1024 * 1024)
        endlessHead += "X-Flood: " + QByteArray(100, 'y') + "\r\n";
    QTest::newRow("endless header lines") << endlessHead << "header is longer";
    QByteArray bomb = "HTTP/1.0 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 20\r\n\r\n";
    bomb += QByteArray(20, '\x1f');
    QTest::newRow("compressed body") << bomb << "compressed";
    QTest::newRow("chunked body")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n")
        << "in pieces";
    QTest::newRow("no HTTP at all") << QByteArray("garbage garbage\r\n\r\n") << "no HTTP reply";
    QTest::newRow("redirect") << QByteArray("HTTP/1.0 301 Moved\r\nLocation: http://127.0.0.1:1/\r\n\r\n")
                              << "HTTP 301 Moved";
    QTest::newRow("cut before its length")
        << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n200 rock")
        << "before the reply was complete";
}

void TestCddbProtocol::hostileRepliesFailFast() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, errorPart);
    CddbTestServer server;
    server.enqueueRaw(reply);
    Client c(server);
    c.cddb.TimeoutMs = 600000; // the deadline is not what ends these
    QCOMPARE(c.cddb.HttpQuery(), 0);
    QVERIFY(WaitFor([&] { return c.finished(); }));
    QCOMPARE(c.cddb.State, CddbState::RequestFailed);
    QVERIFY2(c.statuses.last().contains(errorPart), qPrintable(c.statuses.last()));
    QCOMPARE(c.matchCalls, 0);
}

void TestCddbProtocol::deletingDuringAFloodReturnsAtOnce() {
    // A server that floods header lines for ever: the client is deleted in the middle of it, and the
    // deletion leaves nothing running (no thread to wait for) and drops the connection.
    QTcpServer flood;
    QVERIFY(flood.listen(QHostAddress::LocalHost, 0));
    QList<QTcpSocket*> peers;
    connect(&flood, &QTcpServer::newConnection, this, [&] {
        QTcpSocket* peer = flood.nextPendingConnection();
        peers << peer;
        peer->write("HTTP/1.0 200 OK\r\n");
        auto* pump = new QTimer(peer);
        connect(pump, &QTimer::timeout, peer, [peer] {
            if (peer->bytesToWrite() < 1024 * 1024)
                peer->write(QByteArray(1000, 'h') + "\r\n");
        });
        pump->start(0);
    });
    auto cddb = std::make_unique<TCddb>();
    cddb->ServerType = TServerType::HTTP;
    cddb->ServerAddr = "127.0.0.1";
    cddb->ServerPort = QString::number(flood.serverPort());
    cddb->Toc = ThreeToneToc();
    QCOMPARE(cddb->HttpQuery(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!peers.isEmpty(), 20000);
    // Either the head limit ended it already, or the flood is still running: deleting is safe either way.
    cddb.reset();
    // The connection is dropped: the server sees it closed.
    QTRY_VERIFY_WITH_TIMEOUT(peers[0]->state() == QAbstractSocket::UnconnectedState, 20000);
}

// The 1 MiB cap alone does not bound memory: a fast reply must not be read into memory far ahead of the
// reader, so the socket's read buffer is bounded.
void TestCddbProtocol::readBufferIsBounded() {
    CddbTestServer server;
    server.enqueueSilence();
    Client c(server);
    QCOMPARE(c.cddb.HttpQuery(), 0);
    const QList<QTcpSocket*> sockets = c.cddb.findChildren<QTcpSocket*>();
    QCOMPARE(sockets.size(), 1);
    QCOMPARE(sockets[0]->readBufferSize(), ReplyReadBuffer);
    QVERIFY(ReplyReadBuffer > 0 && ReplyReadBuffer <= MaxReplyBytes);
}

void TestCddbProtocol::emailIsCheckedWhereSet() {
    TCddb cddb;
    const QString initial = cddb.EmailUser();
    QVERIFY(IsHelloEmail(initial));
    for (const char* bad :
         {"", "nobody", "@host", "user@", "us er@host", "user@ho st", "user@host\t", "a\n@b"}) {
        QVERIFY2(!cddb.SetEmailUser(QString::fromUtf8(bad)), bad);
        QCOMPARE(cddb.EmailUser(), initial);
    }
    QVERIFY(cddb.SetEmailUser("me@host.example"));
    QCOMPARE(cddb.EmailUser(), QString("me@host.example"));
    QVERIFY(cddb.SetEmailUser("first@part@host"));
}

void TestCddbProtocol::newRequestReplacesPendingOne() {
    CddbTestServer server;
    server.enqueueSilence();
    server.enqueue("200 rock 0a0b0c0d A / B\r\n");
    Client c(server);
    QCOMPARE(c.cddb.HttpQuery(), 0);
    QVERIFY(WaitFor([&] { return server.targets.size() == 1; }));
    QVERIFY(c.query());
    QCOMPARE(c.cddb.State, CddbState::MatchChosen);
    QVERIFY(c.sentinel(server));
    QCOMPARE(c.statuses, (QStringList{"Querying CD", "Querying CD", "Found exact match"}));
}

void TestCddbProtocol::proxyPropertiesReachTheClient() {
    CddbTestServer proxy;
    proxy.enqueue("200 rock 0a0b0c0d A / B\r\n");
    Client c(proxy);
    c.cddb.ServerAddr = "cddb.example.invalid"; // never resolved: the proxy gets the whole URL
    c.cddb.ServerPort = "8880";
    c.cddb.ProxyAddress = "127.0.0.1";
    c.cddb.ProxyPort = proxy.port();
    QVERIFY(c.query());
    QCOMPARE(c.cddb.State, CddbState::MatchChosen);
    QCOMPARE(proxy.targets.size(), 1);
    QVERIFY2(proxy.targets[0].startsWith("http://cddb.example.invalid:8880/~cddb/cddb.cgi?cmd=cddb+query+"),
             proxy.targets[0].constData());
}

void TestCddbProtocol::namesDiscImageEndToEnd() {
    QTemporaryDir dir;
    QString error;
    const QString cue = MakeDiscImage(dir.path(), "Three Tones", ThreeToneFrames, &error);
    QVERIFY2(!cue.isEmpty(), qPrintable(error));

    CddbTestServer server;
    server.enqueue(
        Lines({"211 Found inexact matches, list follows (until terminating `.')",
               "rock 0e001003 Tone Makers / Three Tones", "misc 0e001003 Someone Else / Other Tones", "."}));
    server.enqueue(
        Lines({EntryHead, "# xmcd", "# Revision: 2", "DISCID=0e001003", "DTITLE=Tone Makers / Three Tones",
               "DYEAR=2026", "DGENRE=Test", "TTITLE0=Low", "TTITLE1=Middle", "TTITLE2=High",
               "EXTD=", "EXTT0=", "EXTT1=", "EXTT2=", "PLAYORDER=", "."}));

    Client c(server);
    c.cddb.Toc = TocRecord{};
    c.cddb.CDInterface = cdiASPI;
    c.cddb.VirtualDrives = cue.toStdString();
    CdDriveTable real;
    EnumerateCdDrives(real, cdiAutoDetect, "");
    const int drive = real.DriveCount; // images come after the machine's drives

    // The owner's way: choose in OnMatch, read from a posted call once OnMatch has returned.
    c.cddb.OnMatch = [&c](TCddb& sender, const TMatchArray& matches, int& RightOne) {
        ++c.matchCalls;
        c.offered = QStringList(matches.begin(), matches.begin() + 2);
        RightOne = 0;
        QMetaObject::invokeMethod(
            &sender,
            [&sender] {
                if (sender.State == CddbState::MatchChosen || sender.State == CddbState::MatchListed)
                    sender.HttpRead();
            },
            Qt::QueuedConnection);
    };
    QVERIFY(c.cddb.ReadTOC(drive));
    QCOMPARE(c.cddb.DiscID, QString("0e001003"));
    QCOMPARE(c.cddb.HttpQuery(), 0);
    QVERIFY(WaitFor([&] {
        return c.cddb.State == CddbState::EntryRead || c.cddb.State == CddbState::ReadFailed ||
               c.cddb.State == CddbState::RequestFailed;
    }));

    QCOMPARE(c.statuses,
             (QStringList{"Querying CD", "Found inexact matches", "OK, receiving matches", "Received matches",
                          "Reading CD info", "OK, CDDB database entry follows", "Entry read"}));
    QCOMPARE(c.cddb.State, CddbState::EntryRead);
    QCOMPARE(server.targets.size(), 2);
    QCOMPARE(CddbTestServer::parameter(server.targets[0], "cmd"),
             QString("cddb query 0e001003 3 150 525 1070 18"));
    QCOMPARE(CddbTestServer::parameter(server.targets[1], "cmd"), QString("cddb read rock 0e001003"));
    QCOMPARE(c.cddb.Entry.DiscArtist, QString("Tone Makers"));
    QCOMPARE(c.cddb.Entry.DiscTitle, QString("Three Tones"));
    QCOMPARE(c.cddb.Entry.Year, QString("2026"));
    QCOMPARE(c.cddb.Entry.TrackTitles.at(0), QString("Low"));
    QCOMPARE(c.cddb.Entry.TrackTitles.at(1), QString("Middle"));
    QCOMPARE(c.cddb.Entry.TrackTitles.at(2), QString("High"));
    QCOMPARE(c.cddb.Entry.Revision, 2);
    // The entry was parsed against the disc: its TOC read again, the ID back in lower case.
    QCOMPARE(c.cddb.DiscID, QString("0e001003"));
    QCOMPARE(int(c.cddb.Toc.TrackCount), 3);
    QCOMPARE(int(c.cddb.Drives.CurrentDrive), drive);
}

QTEST_GUILESS_MAIN(TestCddbProtocol)
#include "tst_cddbprotocol.moc"
