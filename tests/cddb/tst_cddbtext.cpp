#include "CddbText.h"

#include <QTest>

using namespace larkspin;

class TestCddbText : public QObject {
    Q_OBJECT
private slots:
    void urlEncode_data();
    void urlEncode();
    void emailToUserHost_data();
    void emailToUserHost();
    void xmcdUnescape_data();
    void xmcdUnescape();
    void splitReplyLines_data();
    void splitReplyLines();
    void decodeReplyLine_data();
    void decodeReplyLine();
    void replyCodeText_data();
    void replyCodeText();
};

void TestCddbText::urlEncode_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("client version") << "v0.1.75 Development"
                                    << "v0%2E1%2E75+Development";
    QTest::newRow("query command") << "cddb query 0e001003 3 150 525 1070 18"
                                   << "cddb+query+0e001003+3+150+525+1070+18";
    QTest::newRow("reserved characters") << "a&b=c?d#e%f+g/h"
                                         << "a%26b%3Dc%3Fd%23e%25f%2Bg%2Fh";
    QTest::newRow("unreserved punctuation too") << "~-_."
                                                << "%7E%2D%5F%2E";
    QTest::newRow("non-ASCII as UTF-8 bytes") << QString::fromUtf8("Bj\xc3\xb6rk") << "Bj%C3%B6rk";
    QTest::newRow("control characters") << QString::fromLatin1("a\r\nb\tc") << "a%0D%0Ab%09c";
    QTest::newRow("empty") << ""
                           << "";
}

void TestCddbText::urlEncode() {
    QFETCH(QString, text);
    QFETCH(QString, encoded);
    QCOMPARE(UrlEncode(text), encoded);
}

void TestCddbText::emailToUserHost_data() {
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("userHost");
    QTest::newRow("user and host") << "larkspin@larkspin.example.org"
                                   << "larkspin larkspin.example.org";
    QTest::newRow("no @ gives nothing") << "nobody"
                                        << "";
    QTest::newRow("the last @ decides") << "a@b@c.org"
                                        << "a@b c.org";
    QTest::newRow("empty user") << "@host"
                                << " host";
    QTest::newRow("empty") << ""
                           << "";
}

void TestCddbText::emailToUserHost() {
    QFETCH(QString, email);
    QFETCH(QString, userHost);
    QCOMPARE(EmailToUserHost(email), userHost);
}

void TestCddbText::xmcdUnescape_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("line break") << R"(one\ntwo)"
                                << "one\r\ntwo";
    QTest::newRow("tab") << R"(a\tb)"
                         << "a\tb";
    QTest::newRow("backslash") << R"(C:\\music)"
                               << R"(C:\music)";
    QTest::newRow("escaped backslash before n stays literal") << R"(a\\n)"
                                                              << R"(a\n)";
    QTest::newRow("two escaped backslashes") << R"(\\\\)"
                                             << R"(\\)";
    QTest::newRow("unknown escape kept") << R"(a\qb)"
                                         << R"(a\qb)";
    QTest::newRow("lone backslash at the end") << R"(end\)"
                                               << R"(end\)";
    QTest::newRow("all three") << R"(x\n\t\\y)"
                               << "x\r\n\t\\y";
}

void TestCddbText::xmcdUnescape() {
    QFETCH(QString, value);
    QFETCH(QString, text);
    QCOMPARE(XmcdUnescape(value), text);
}

void TestCddbText::splitReplyLines_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("maxLine");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::newRow("CR LF") << QByteArray("200 a\r\n.\r\n") << 100 << QList<QByteArray>{"200 a", "."};
    QTest::newRow("LF only") << QByteArray("a\nb\n") << 100 << QList<QByteArray>{"a", "b"};
    QTest::newRow("CR only") << QByteArray("a\rb\r") << 100 << QList<QByteArray>{"a", "b"};
    QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb\n") << 100 << QList<QByteArray>{"a", "", "b"};
    QTest::newRow("last line without a break is kept whole")
        << QByteArray("200 rock 0a0b0c0d Some Artist / Some Title") << 100
        << QList<QByteArray>{"200 rock 0a0b0c0d Some Artist / Some Title"};
    QTest::newRow("terminator without a break") << QByteArray("a\r\n.") << 100 << QList<QByteArray>{"a", "."};
    QTest::newRow("long line cut, next line intact")
        << QByteArray("abcdefgh\nxy\n") << 4 << QList<QByteArray>{"abcd", "xy"};
    QTest::newRow("empty reply") << QByteArray() << 100 << QList<QByteArray>{};
}

void TestCddbText::splitReplyLines() {
    QFETCH(QByteArray, reply);
    QFETCH(int, maxLine);
    QFETCH(QList<QByteArray>, lines);
    QCOMPARE(SplitReplyLines(reply, maxLine), lines);
}

void TestCddbText::decodeReplyLine_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("text");
    QTest::newRow("Latin-1") << QByteArray("DTITLE=Bj\xf6rk / D\xe9\x62ut")
                             << QString::fromUtf8("DTITLE=Björk / Début");
    QTest::newRow("valid UTF-8 passes")
        << QByteArray("DTITLE=Bj\xc3\xb6rk") << QString::fromUtf8("DTITLE=Björk");
    QTest::newRow("cut UTF-8 sequence is Latin-1") << QByteArray("x\xc3") << QString::fromUtf8("xÃ");
    QTest::newRow("ASCII") << QByteArray("210 rock") << "210 rock";
}

void TestCddbText::decodeReplyLine() {
    QFETCH(QByteArray, line);
    QFETCH(QString, text);
    QCOMPARE(DecodeReplyLine(line), text);
}

void TestCddbText::replyCodeText_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("402") << 402 << "Server error";
    QTest::newRow("408") << 408 << "CGI environment error";
    QTest::newRow("500") << 500 << "Command syntax error, command unknown, command unimplemented";
    QTest::newRow("530") << 530 << "Server error, server timeout";
    QTest::newRow("100") << 100 << "Informative message, ready for further commands";
    QTest::newRow("210") << 210 << "Command OK, more server-to-client output follows";
    QTest::newRow("320") << 320 << "Command OK so far, more client-to-server input follows";
    QTest::newRow("230") << 230 << "Command OK, connection will close";
    QTest::newRow("430") << 430 << "Command OK, but cannot be performed, connection will close";
    QTest::newRow("501") << 501 << "Command unimplemented, incorrect, or program error";
    QTest::newRow("900") << 900 << ", ready for further commands";
    QTest::newRow("645") << 645 << "";
}

void TestCddbText::replyCodeText() {
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(ReplyCodeText(code), text);
}

QTEST_APPLESS_MAIN(TestCddbText)
#include "tst_cddbtext.moc"
