#pragma once

#include "HttpGet.h"

#include "CdDrives.h"
#include "CddbEntry.h"
#include "TocRecord.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>

class QTimer;

namespace larkspin {

enum class TServerType { CDDBP, HTTP };

// Where the client stands: the request running, or how the last one ended. Owners read a chosen match
// (MatchChosen, or MatchListed while the choice is being made) as the sign to ask for the entry.
enum class CddbState : int {
    Idle = -1,          // nothing asked yet, or the server closed the session
    MatchChosen = 3,    // a query found the disc and a match is chosen: the entry can be read
    MatchListed = 4,    // a query's list of matches arrived; the choice follows
    NoMatch = 5,        // the query ended without a chosen match
    Querying = 6,       // a query is running
    Reading = 11,       // an entry read is running
    EntryRead = 12,     // the entry was read
    ReadFailed = 13,    // the server refused the read or its reply ended early
    RequestFailed = 16, // no usable answer: the request failed, timed out or was not understood
};

inline constexpr int MaxMatches = 100;
inline constexpr int MaxEntryLines = 512;
inline constexpr int CddbTracks = 100;
// A hostile or broken server must not exhaust memory: replies are read up to this size (one announced
// as longer fails at once), lines cut, the reply's head bounded, and the socket buffers at most
// ReplyReadBuffer bytes ahead of the reader.
inline constexpr qsizetype MaxReplyBytes = 1024 * 1024;
inline constexpr qint64 ReplyReadBuffer = 64 * 1024;
inline constexpr qsizetype MaxReplyLineBytes = 4096;
inline constexpr int DefaultCddbTimeoutMs = 20000;

using TMatchArray = std::array<QString, MaxMatches>;

// Names an audio CD: reads its TOC, asks a CDDB server over HTTP (protocol level 6, UTF-8) which entries
// match, lets the owner choose one through OnMatch, reads that entry and splits it into fields. Everything
// runs on the thread that owns the object; requests are asynchronous on its event loop. Protocol outcomes
// never raise: they end in State and a status text. Only ReadTOC passes on the ECdInterfaceError of the drive
// functions.
class TCddb : public QObject {
    Q_OBJECT
public:
    // The owner picks one of the matches: RightOne arrives as 0; set it to the chosen index or to -1.
    // Category and DiscID are set after the handler returns, so it must not call HttpRead itself.
    using TMatchEvent = std::function<void(TCddb& sender, const TMatchArray& matches, int& RightOne)>;

    explicit TCddb(QObject* parent = nullptr);
    ~TCddb() override;

    bool ReadTOC(int DriveIndex);
    int HttpQuery();
    int HttpRead();

    // Properties set by the owner. Server, port and e-mail start as the settings' defaults.
    bool InternalTOCRetrieve = false;
    TCDInterface CDInterface = cdiAutoDetect;
    std::string VirtualDrives; // disc images offered as drives after the real ones, ";"-separated
    QString ServerAddr;
    QString ServerPort;
    QString ServerAdditionalAddr = QStringLiteral("/~cddb/cddb.cgi");
    TServerType ServerType = TServerType::CDDBP;
    QString ClientName = QStringLiteral("Larkspin");
    QString ClientVersion = QStringLiteral("3.0");
    QString ProxyAddress;
    QString ProxyPort;
    QString ProxyUsername;
    QString ProxyPassword;
    int TimeoutMs = DefaultCddbTimeoutMs; // a request not finished by then fails (0 or less: the default)
    TMatchEvent OnMatch;

    // What the component found; read by the owner.
    CdDriveTable Drives;
    TocRecord Toc;
    QString DiscID;
    QString Category;
    TMatchArray Matches;
    std::array<QString, MaxEntryLines> EntryLines; // the entry's first lines as they arrived, for showing
    CddbEntry Entry;                               // the entry read, as fields
    CddbState State = CddbState::Idle;
    bool HandshakeDone = false;

    // The e-mail address sent in the hello. A server refuses a hello without "user@host", so an address
    // that is not one (IsHelloEmail) is refused here: false, and the address stays as it was.
    const QString& EmailUser() const { return emailUser_; }
    bool SetEmailUser(const QString& email);

    // The hello parameters as they appear in a request: user, host, client name and version, encoded.
    QString HelloParameters() const;

signals:
    void OnStatusMessage(const QString& Status);
    void OnDataExchange(const QString& Status);

private:
    int StartRequest(const QString& url, const QString& statusText, CddbState newState);
    void RequestDone(bool ok, const QString& error, const QByteArray& body, bool overflowed);
    void HandleQueryLine(const QString& line);
    void HandleReadLine(const QString& line, const QByteArray& raw);
    void ChooseFromList();
    bool InterpretReplyCode(const QString& line);
    void ParseEntry();
    void FailRequest(const QString& errorText);
    void Status(const QString& text);

    QTimer* Deadline = nullptr;
    QPointer<HttpGet> Pending;
    QList<QByteArray> entryBytes_; // the entry's lines undecoded: continued values are joined as bytes
    QString emailUser_;
};

} // namespace larkspin
