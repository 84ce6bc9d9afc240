#include "TCddb.h"

#include "CddbLog.h"
#include "CddbText.h"
#include "DiscId.h"
#include "Settings.h"

#include <QTimer>
#include <QUrl>

namespace larkspin {

namespace {

// Trimming removes the characters 0 to 32 at both ends, as everywhere in the program.
QString Trim(const QString& s) {
    qsizetype first = 0;
    qsizetype last = s.size();
    while (first < last && s[first].unicode() <= 32)
        ++first;
    while (last > first && s[last - 1].unicode() <= 32)
        --last;
    return s.mid(first, last - first);
}

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The track number after a TTITLE or EXTT keyword: digits only, 0 to 99.
int TrackNumber(QStringView digits) {
    if (digits.isEmpty() || digits.size() > 2)
        return -1;
    int n = 0;
    for (QChar c : digits) {
        if (!IsDigit(c))
            return -1;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

template <size_t N> void AppendToFirstEmpty(std::array<QString, N>& table, const QString& text) {
    for (auto& slot : table) {
        if (slot.isEmpty()) {
            slot = text;
            return;
        }
    }
}

const QString RequestFailedText =
    QStringLiteral("CDDB Component Internal Error: THttpCli.GetAsync failed because of error ");

} // namespace

TCddb::TCddb(QObject* parent)
    : QObject(parent), ServerAddr(QString::fromUtf8(DefaultCddbServer)), ServerPort(QStringLiteral("80")),
      emailUser_(QString::fromUtf8(MakerEmail)) {
    Deadline = new QTimer(this);
    Deadline->setSingleShot(true);
    connect(Deadline, &QTimer::timeout, this, [this] {
        if (!Pending)
            return;
        Pending->Abort();
        Pending->deleteLater();
        Pending = nullptr;
        FailRequest(QStringLiteral("no answer within %1 seconds").arg(TimeoutMs / 1000.0));
    });
    InternalTOCRetrieve = DetectInterface();
    if (InternalTOCRetrieve && EnumerateCdDrives(Drives, CDInterface, VirtualDrives)) {
        if (ReadDriveToc(Drives, 0, Toc, CDInterface) != 0)
            qCDebug(lcCddb) << "no table of contents in the first drive"
                            << Drives.Drives[0].DevicePath.c_str();
        Drives.CurrentDrive = 0;
    } else {
        qCDebug(lcCddb) << "no CD drive or CD interface found";
    }
}

bool TCddb::SetEmailUser(const QString& email) {
    if (!IsHelloEmail(email)) {
        qCDebug(lcCddb) << "e-mail address refused for the hello:" << email;
        return false;
    }
    emailUser_ = email;
    return true;
}

TCddb::~TCddb() {
    if (Pending)
        Pending->Abort(); // nothing to wait for: the request runs on this thread's event loop
}

void TCddb::Status(const QString& text) {
    emit OnStatusMessage(text);
}

bool TCddb::ReadTOC(int DriveIndex) {
    if (!InternalTOCRetrieve) {
        Status(QStringLiteral("No CD-ROM interface detected!"));
        return false;
    }
    EnumerateCdDrives(Drives, CDInterface, VirtualDrives);
    if (DriveIndex < 0 || DriveIndex > Drives.DriveCount - 1)
        return false;
    int r = ReadDriveToc(Drives, DriveIndex, Toc, CDInterface);
    if (r == 1)
        Status(QStringLiteral("No CD in CD/DVD drive!"));
    DiscID = QString::asprintf("%08x", ComputeDiscId(Toc));
    Drives.CurrentDrive = static_cast<uint8_t>(DriveIndex);
    return r == 0;
}

QString TCddb::HelloParameters() const {
    return UrlEncode(EmailToUserHost(emailUser_)) + QLatin1Char('+') + UrlEncode(ClientName) +
           QLatin1Char('+') + UrlEncode(ClientVersion);
}

int TCddb::HttpQuery() {
    if (ServerType != TServerType::HTTP) {
        Status(QStringLiteral("Selected server not an HTTP server"));
        return -1;
    }
    QString command = UrlEncode(QString::fromStdString(BuildQueryCommand(Toc)));
    QString url = QStringLiteral("http://%1:%2%3?cmd=%4&hello=%5&proto=6")
                      .arg(ServerAddr, ServerPort, ServerAdditionalAddr, command, HelloParameters());
    return StartRequest(url, QStringLiteral("Querying CD"), CddbState::Querying);
}

int TCddb::HttpRead() {
    if (State == CddbState::NoMatch) {
        Status(QStringLiteral("Can't perform a CDDB READ without a successful CDDB QUERY!"));
        return -1;
    }
    if (ServerType != TServerType::HTTP) {
        Status(QStringLiteral("Selected server not an HTTP server"));
        return -1;
    }
    // Category and disc ID come from the server's reply: encoded, so a hostile reply cannot add
    // parameters to the request. Real values are letters and digits and pass unchanged.
    QString url = QStringLiteral("http://%1:%2%3?cmd=cddb+read+%4+%5&hello=%6&proto=6")
                      .arg(ServerAddr, ServerPort, ServerAdditionalAddr, UrlEncode(Trim(Category)),
                           UrlEncode(Trim(DiscID)), HelloParameters());
    return StartRequest(url, QStringLiteral("Reading CD info"), CddbState::Reading);
}

int TCddb::StartRequest(const QString& url, const QString& statusText, CddbState newState) {
    if (Pending) {
        // One request at a time: a new one replaces the one still running.
        Pending->Abort();
        Pending->deleteLater();
        Pending = nullptr;
    }
    Deadline->stop();

    Status(statusText);
    emit OnDataExchange(url + QStringLiteral("\r\n"));

    QUrl target(url, QUrl::StrictMode);
    if (!target.isValid() || target.host().isEmpty() || target.port() <= 0) {
        FailRequest(QStringLiteral("invalid server address \"%1\"").arg(url));
        return -1;
    }
    HttpGet::Proxy proxy;
    if (!ProxyAddress.isEmpty()) {
        bool ok = false;
        const quint16 port = ProxyPort.toUShort(&ok);
        proxy = {ProxyAddress, ok ? port : quint16(80), ProxyUsername, ProxyPassword};
    }
    HttpGet::Limits limits;
    limits.maxBodyBytes = MaxReplyBytes;
    limits.readBuffer = ReplyReadBuffer;
    Pending = new HttpGet(this);
    connect(Pending, &HttpGet::finished, this, &TCddb::RequestDone);
    Pending->Start(target, (ClientName + QLatin1Char('/') + ClientVersion).toUtf8(), proxy, limits);
    Deadline->start(TimeoutMs > 0 ? TimeoutMs : DefaultCddbTimeoutMs); // never wait without a limit
    State = newState;
    return 0;
}

void TCddb::FailRequest(const QString& errorText) {
    qCDebug(lcCddb) << "request failed:" << errorText;
    State = CddbState::RequestFailed;
    Status(RequestFailedText + QLatin1Char('"') + errorText + QLatin1Char('"'));
}

void TCddb::RequestDone(bool ok, const QString& error, const QByteArray& body, bool overflowed) {
    if (Pending)
        Pending->deleteLater();
    Pending = nullptr;
    Deadline->stop();
    if (!ok) {
        FailRequest(error);
        return;
    }
    const QList<QByteArray> lines = SplitReplyLines(body, MaxReplyLineBytes);
    if (overflowed) {
        qCDebug(lcCddb) << "reply cut at" << MaxReplyBytes << "bytes";
        Status(QStringLiteral("Reply longer than 1 MiB; the rest was ignored"));
    }

    const CddbState mode = State;
    if (mode != CddbState::Querying && mode != CddbState::Reading)
        return;
    for (const QByteArray& raw : lines) {
        QString line = DecodeReplyLine(raw);
        emit OnDataExchange(line);
        if (mode == CddbState::Querying)
            HandleQueryLine(line);
        else
            HandleReadLine(line);
        if (State == CddbState::RequestFailed)
            return; // a reply we cannot understand is abandoned
    }
    // A reply cut before its final "." line ends the request too, so the owner does not wait forever.
    if (mode == CddbState::Querying && State == CddbState::Querying) {
        State = CddbState::NoMatch;
        Status(QStringLiteral("No match found"));
    }
    if (mode == CddbState::Reading) {
        if (State == CddbState::Reading) {
            State = CddbState::ReadFailed;
            Status(QStringLiteral("Entry incomplete: the reply ended before its last line"));
        }
        ParseEntry();
    }
}

void TCddb::HandleQueryLine(const QString& line) {
    const QString code = line.left(3);
    if (code == QLatin1String("200")) {
        State = CddbState::MatchChosen;
        Status(QStringLiteral("Found exact match"));
        Matches = {};
        Matches[0] = Trim(line.mid(4));
        int RightOne = 0;
        if (OnMatch)
            OnMatch(*this, Matches, RightOne);
        if (RightOne == -1) {
            State = CddbState::NoMatch;
            return;
        }
        Category = Trim(Matches[0].section(QLatin1Char(' '), 0, 0));
        DiscID = QString::asprintf("%08X", ComputeDiscId(Toc));
    } else if (code == QLatin1String("210") || code == QLatin1String("211")) {
        Status(code == QLatin1String("210") ? QStringLiteral("Found exact matches")
                                            : QStringLiteral("Found inexact matches"));
        Matches = {};
        Status(QStringLiteral("OK, receiving matches"));
    } else if (code == QLatin1String("202")) {
        State = CddbState::NoMatch;
        Status(QStringLiteral("No match found"));
    } else if (code == QLatin1String("403")) {
        State = CddbState::NoMatch;
        Status(QStringLiteral("Database entry is corrupt"));
    } else if (code == QLatin1String("409")) {
        State = CddbState::NoMatch;
        HandshakeDone = false;
        Status(QStringLiteral("No handshake"));
    } else if (!line.isEmpty() && IsDigit(line[0])) {
        InterpretReplyCode(line);
    } else if (line.startsWith(QLatin1Char('.'))) {
        State = CddbState::MatchListed;
        Status(QStringLiteral("Received matches"));
        ChooseFromList();
    } else {
        AppendToFirstEmpty(Matches, Trim(line));
    }
}

void TCddb::ChooseFromList() {
    int RightOne = 0;
    if (OnMatch)
        OnMatch(*this, Matches, RightOne);
    if (RightOne == -1) {
        State = CddbState::NoMatch;
        return;
    }
    // A choice outside the list, or an empty list, is no match rather than a read of nothing.
    if (RightOne < 0 || RightOne >= MaxMatches || Matches[RightOne].isEmpty()) {
        State = CddbState::NoMatch;
        Status(QStringLiteral("No match found"));
        return;
    }
    const QString& match = Matches[RightOne];
    qsizetype blank = match.indexOf(QLatin1Char(' '));
    Category = match.left(blank + 1);
    DiscID = match.mid(blank + 1, 8);
    State = CddbState::MatchChosen;
}

bool TCddb::InterpretReplyCode(const QString& line) {
    if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) {
        State = CddbState::RequestFailed;
        Status(QStringLiteral("Server reply not understood: \"%1\"").arg(line.left(80)));
        return false;
    }
    int code = line.left(3).toInt();
    if (code % 100 == 30) { // 530 too
        State = CddbState::Idle;
        HandshakeDone = false;
    }
    Status(ReplyCodeText(code));
    return true;
}

void TCddb::HandleReadLine(const QString& line) {
    const QString code = line.left(3);
    if (line.isEmpty())
        return; // a blank line carries nothing
    if (code == QLatin1String("210")) {
        Status(QStringLiteral("OK, CDDB database entry follows"));
        EntryLines = {};
    } else if (code == QLatin1String("401")) {
        State = CddbState::ReadFailed;
        Status(QStringLiteral("Specified CDDB entry not found"));
    } else if (code == QLatin1String("403")) {
        State = CddbState::ReadFailed;
        Status(QStringLiteral("Database entry is corrupt"));
    } else if (code == QLatin1String("409")) {
        State = CddbState::ReadFailed;
        HandshakeDone = false;
        Status(QStringLiteral("No handshake"));
    } else if (code == QLatin1String("402")) {
        // nothing to do
    } else if (line.startsWith(QLatin1Char('.'))) {
        State = CddbState::EntryRead;
        Status(QStringLiteral("Entry read"));
    } else if (QStringLiteral("#TDEP").contains(line[0])) {
        // Only the line break is gone: a blank at the end of a continued value belongs to the value.
        AppendToFirstEmpty(EntryLines, line);
    } else {
        State = CddbState::ReadFailed;
        InterpretReplyCode(line);
    }
}

void TCddb::ParseEntry() {
    const QString keptCategory = Category;
    DiscID.clear();
    DiscArtist.clear();
    DiscTitle.clear();
    DiscYear.clear();
    DiscGenre.clear();
    DiscExtended.clear();
    TrackTitles = {};
    TrackExtended = {};
    EntryRevision = 0;
    Toc = TocRecord{};
    try {
        ReadTOC(Drives.CurrentDrive);
    } catch (const ECdInterfaceError& e) {
        qCDebug(lcCddb) << "table of contents not read again:" << e.what();
        Status(QString::fromUtf8(e.what())); // never let it escape into the event loop
    }
    Category = keptCategory;

    // Values continued over several lines are joined first and unescaped once, so an escape split
    // between two lines still reads right and nothing is unescaped twice.
    QString title;
    QString extended;
    std::array<QString, CddbTracks> titles;
    std::array<QString, CddbTracks> trackExtended;
    for (const QString& line : EntryLines) {
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('#'))) {
            if (line.startsWith(QLatin1String("# Revision: "))) {
                bool ok = false;
                int revision = Trim(line.mid(12)).toInt(&ok);
                EntryRevision = ok ? revision : 0;
            }
            continue;
        }
        qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = Trim(line.left(eq)).toUpper();
        const QString value = line.mid(eq + 1);
        if (key == QLatin1String("DTITLE")) {
            title += value;
        } else if (key == QLatin1String("DYEAR")) {
            DiscYear = XmcdUnescape(Trim(value));
        } else if (key == QLatin1String("DGENRE")) {
            DiscGenre = XmcdUnescape(Trim(value));
        } else if (key == QLatin1String("EXTD")) {
            extended += value;
        } else if (key.startsWith(QLatin1String("TTITLE"))) {
            int n = TrackNumber(QStringView(key).mid(6));
            if (n >= 0)
                titles[n] += value;
        } else if (key.startsWith(QLatin1String("EXTT"))) {
            int n = TrackNumber(QStringView(key).mid(4));
            if (n >= 0)
                trackExtended[n] += value;
        }
    }
    // The joined values are trimmed, not the lines they were joined from.
    title = Trim(title);
    qsizetype separator = title.indexOf(QLatin1String(" / "));
    if (separator >= 0) {
        DiscArtist = XmcdUnescape(Trim(title.left(separator)));
        DiscTitle = XmcdUnescape(Trim(title.mid(separator + 3)));
    } else {
        DiscArtist = XmcdUnescape(title);
    }
    DiscExtended = XmcdUnescape(Trim(extended));
    for (int i = 0; i < CddbTracks; ++i) {
        TrackTitles[i] = XmcdUnescape(Trim(titles[i]));
        TrackExtended[i] = XmcdUnescape(Trim(trackExtended[i]));
    }
}

} // namespace larkspin
