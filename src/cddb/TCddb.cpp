#include "TCddb.h"

#include "CddbLog.h"
#include "CddbText.h"
#include "DiscId.h"
#include "Settings.h"

#include <QTimer>
#include <QUrl>

namespace larkspin {

namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

template <size_t N> void AppendToFirstEmpty(std::array<QString, N>& table, const QString& text) {
    for (auto& slot : table) {
        if (slot.isEmpty()) {
            slot = text;
            return;
        }
    }
}

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
        FailRequest(
            QStringLiteral("The CDDB server did not answer within %1 seconds").arg(TimeoutMs / 1000.0));
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
    if (Toc.TrackCount == 0) {
        // Without a table of contents there is no disc ID to ask for.
        State = CddbState::RequestFailed;
        Status(
            QStringLiteral("The CD's table of contents could not be read, so the CDDB server was not asked"));
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
                      .arg(ServerAddr, ServerPort, ServerAdditionalAddr, UrlEncode(TrimBlanks(Category)),
                           UrlEncode(TrimBlanks(DiscID)), HelloParameters());
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
        FailRequest(QStringLiteral("The CDDB server address is not valid: \"%1\"").arg(url));
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
    Status(errorText);
}

void TCddb::RequestDone(bool ok, const QString& error, const QByteArray& body, bool overflowed) {
    const bool reached = Pending && Pending->Reached();
    if (Pending)
        Pending->deleteLater();
    Pending = nullptr;
    Deadline->stop();
    if (!ok) {
        // Qt says "Connection refused"; within the sentence it reads "connection refused".
        QString reason = error;
        if (reason.size() > 1 && reason[0].isUpper() && reason[1].isLower())
            reason[0] = reason[0].toLower();
        FailRequest(reached ? QStringLiteral("The CDDB server's reply could not be used: ") + reason
                            : QStringLiteral("The CDDB server could not be reached: ") + reason);
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
            HandleReadLine(line, raw);
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
        Matches[0] = TrimBlanks(line.mid(4));
        int RightOne = 0;
        if (OnMatch)
            OnMatch(*this, Matches, RightOne);
        if (RightOne == -1) {
            State = CddbState::NoMatch;
            return;
        }
        Category = TrimBlanks(Matches[0].section(QLatin1Char(' '), 0, 0));
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
        AppendToFirstEmpty(Matches, TrimBlanks(line));
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

void TCddb::HandleReadLine(const QString& line, const QByteArray& raw) {
    const QString code = line.left(3);
    if (line.isEmpty())
        return; // a blank line carries nothing
    if (code == QLatin1String("210")) {
        Status(QStringLiteral("OK, CDDB database entry follows"));
        EntryLines = {};
        entryBytes_.clear();
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
        // Every line counts for the fields, however long the entry's comments: the reply's size bounds it.
        entryBytes_.append(raw);
    } else {
        State = CddbState::ReadFailed;
        InterpretReplyCode(line);
    }
}

void TCddb::ParseEntry() {
    const QString keptCategory = Category;
    DiscID.clear();
    Entry = ParseCddbEntry(entryBytes_);
    Toc = TocRecord{};
    try {
        ReadTOC(Drives.CurrentDrive);
    } catch (const ECdInterfaceError& e) {
        qCDebug(lcCddb) << "table of contents not read again:" << e.what();
        Status(QString::fromUtf8(e.what())); // never let it escape into the event loop
    }
    Category = keptCategory;
}

} // namespace larkspin
