#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QTcpSocket;

namespace larkspin {

// One HTTP/1.0 GET on the GUI thread's event loop, with hard limits, for the CDDB client: a reply head
// longer than maxHeadBytes, a body announced or grown beyond maxBodyBytes, a compressed or chunked
// body, a redirect or an error status end the request at once with a message in words. Abort() ends it
// without waiting for anything: no thread of its own, nothing left to join.
class HttpGet : public QObject {
    Q_OBJECT
public:
    struct Limits {
        qint64 maxHeadBytes = 64 * 1024;
        qint64 maxBodyBytes = 1024 * 1024;
        qint64 readBuffer = 64 * 1024; // what the socket holds ahead of the reader
    };
    // Through an HTTP proxy when proxyHost is set: the request line then carries the whole URL.
    struct Proxy {
        QString host;
        quint16 port = 80;
        QString user;
        QString password;
    };

    explicit HttpGet(QObject* parent = nullptr);
    ~HttpGet() override;

    void Start(const QUrl& url, const QByteArray& userAgent, const Proxy& proxy, const Limits& limits);
    // Ends the request; no signal follows.
    void Abort();
    // True once the connection to the server (or the proxy) stood: a failure before it means the server
    // could not be reached, one after it that its reply was not usable.
    bool Reached() const { return reached_; }

signals:
    // ok: a 2xx reply whose body is complete (or was cut at maxBodyBytes: overflowed). Otherwise error
    // says why, e.g. "Connection refused" or "HTTP 404 Not Found".
    void finished(bool ok, const QString& error, const QByteArray& body, bool overflowed);

private:
    void readSome();
    void closed();
    bool parseHead();
    void fail(const QString& error);
    void succeed();

    QPointer<QTcpSocket> socket_;
    Limits limits_;
    QByteArray head_;
    QByteArray body_;
    bool headDone_ = false;
    qint64 contentLength_ = -1;
    bool overflowed_ = false;
    bool done_ = false;
    bool reached_ = false;
};

} // namespace larkspin
