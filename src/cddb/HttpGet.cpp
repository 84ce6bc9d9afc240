#include "HttpGet.h"

#include <QNetworkProxy>
#include <QTcpSocket>

namespace larkspin {

HttpGet::HttpGet(QObject* parent) : QObject(parent) {}

HttpGet::~HttpGet() {
    Abort();
}

void HttpGet::Start(const QUrl& url, const QByteArray& userAgent, const Proxy& proxy, const Limits& limits) {
    limits_ = limits;
    socket_ = new QTcpSocket(this);
    socket_->setProxy(QNetworkProxy::NoProxy);
    socket_->setReadBufferSize(limits.readBuffer);
    const bool viaProxy = !proxy.host.isEmpty();
    const QByteArray target =
        viaProxy ? url.toEncoded() : url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    QByteArray request = "GET " + (target.isEmpty() ? QByteArray("/") : target) +
                         " HTTP/1.0\r\nHost: " + url.host().toUtf8() + ":" +
                         QByteArray::number(url.port(80)) + "\r\nUser-Agent: " + userAgent +
                         "\r\nAccept-Encoding: identity\r\nConnection: close\r\n";
    if (viaProxy && !proxy.user.isEmpty())
        request += "Proxy-Authorization: Basic " +
                   (proxy.user + QLatin1Char(':') + proxy.password).toUtf8().toBase64() + "\r\n";
    request += "\r\n";
    connect(socket_, &QTcpSocket::connected, this, [this, request] {
        reached_ = true;
        socket_->write(request);
    });
    connect(socket_, &QTcpSocket::readyRead, this, &HttpGet::readSome);
    connect(socket_, &QTcpSocket::disconnected, this, &HttpGet::closed);
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError)
            closed();
        else
            fail(socket_->errorString());
    });
    if (viaProxy)
        socket_->connectToHost(proxy.host, proxy.port);
    else
        socket_->connectToHost(url.host(), static_cast<quint16>(url.port(80)));
}

void HttpGet::Abort() {
    done_ = true;
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
        socket_ = nullptr;
    }
}

void HttpGet::readSome() {
    while (!done_ && socket_ && socket_->bytesAvailable() > 0) {
        const QByteArray chunk = socket_->read(limits_.readBuffer);
        if (!headDone_) {
            head_ += chunk;
            const qsizetype end = head_.indexOf("\r\n\r\n");
            if (end < 0) {
                if (head_.size() > limits_.maxHeadBytes)
                    fail(QStringLiteral("the server's reply header is longer than %1 KiB")
                             .arg(limits_.maxHeadBytes / 1024));
                continue;
            }
            body_ = head_.mid(end + 4);
            head_.truncate(end);
            headDone_ = true;
            if (!parseHead())
                return;
        } else {
            body_ += chunk;
        }
        if (body_.size() > limits_.maxBodyBytes) {
            body_.truncate(limits_.maxBodyBytes);
            overflowed_ = true;
            succeed();
            return;
        }
        if (contentLength_ >= 0 && body_.size() >= contentLength_) {
            body_.truncate(contentLength_);
            succeed();
            return;
        }
    }
}

bool HttpGet::parseHead() {
    const QList<QByteArray> lines = head_.split('\n');
    const QByteArray status = lines.value(0).trimmed();
    const QList<QByteArray> words = status.split(' ');
    bool numeric = false;
    const int code = words.value(1).toInt(&numeric);
    if (!status.startsWith("HTTP/") || !numeric) {
        fail(QStringLiteral("the server's reply is no HTTP reply"));
        return false;
    }
    if (code < 200 || code > 299) {
        fail(QString::fromLatin1(status.mid(status.indexOf(' ') + 1).left(200))
                 .prepend(QStringLiteral("HTTP ")));
        return false;
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed().toLower();
        if (name == "content-length") {
            bool ok = false;
            contentLength_ = value.toLongLong(&ok);
            if (!ok || contentLength_ < 0) {
                fail(QStringLiteral("the server's reply has a damaged length"));
                return false;
            }
            if (contentLength_ > limits_.maxBodyBytes) {
                fail(QStringLiteral("the reply of %1 bytes is larger than %2 KiB")
                         .arg(contentLength_)
                         .arg(limits_.maxBodyBytes / 1024));
                return false;
            }
        } else if (name == "content-encoding" && value != "identity") {
            fail(QStringLiteral("the server sent a compressed reply (%1)")
                     .arg(QString::fromLatin1(value.left(40))));
            return false;
        } else if (name == "transfer-encoding" && value != "identity") {
            fail(QStringLiteral("the server sent its reply in pieces (%1)")
                     .arg(QString::fromLatin1(value.left(40))));
            return false;
        }
    }
    return true;
}

void HttpGet::closed() {
    if (done_)
        return;
    readSome();
    if (done_)
        return;
    if (!headDone_)
        fail(QStringLiteral("the server closed the connection without a reply"));
    else if (contentLength_ >= 0 && body_.size() < contentLength_)
        fail(QStringLiteral("the server closed the connection before the reply was complete"));
    else
        succeed();
}

void HttpGet::fail(const QString& error) {
    if (done_)
        return;
    Abort();
    emit finished(false, error, {}, false);
}

void HttpGet::succeed() {
    if (done_)
        return;
    const QByteArray body = std::move(body_);
    const bool overflowed = overflowed_;
    Abort();
    emit finished(true, {}, body, overflowed);
}

} // namespace larkspin
