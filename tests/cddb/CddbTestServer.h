#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

// A tiny HTTP server on 127.0.0.1 that answers each GET with the next canned CDDB reply and records
// what it was asked. It closes itself after a while, so no test can leave it running.
class CddbTestServer : public QObject {
public:
    struct Reply {
        QByteArray body;
        bool silent = false; // accept the request, never answer
        int httpStatus = 200;
        QByteArray raw; // when set, sent as it is instead of a head and body
    };

    explicit CddbTestServer(int lifetimeMs = 15000) {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] { accept(); });
        QTimer::singleShot(lifetimeMs, this, [this] { shutDown(); });
    }
    ~CddbTestServer() override { shutDown(); }

    QString port() const { return QString::number(server.serverPort()); }
    void enqueue(const QByteArray& body) { replies.append({body}); }
    void enqueueSilence() { replies.append({{}, true}); }
    void enqueueStatus(int status, const QByteArray& body) { replies.append({body, false, status}); }
    // Bytes sent as they are (a hostile head, a body without a length), then the connection closes.
    void enqueueRaw(const QByteArray& bytes) { replies.append({{}, false, 200, bytes}); }

    // Request targets as sent on the wire ("/~cddb/cddb.cgi?cmd=..."), in order.
    QList<QByteArray> targets;

    // One query parameter of a recorded request, decoded the way a CGI program decodes it.
    static QString parameter(const QByteArray& target, const QByteArray& name) {
        QByteArray query = target.mid(target.indexOf('?') + 1);
        for (const QByteArray& pair : query.split('&')) {
            qsizetype eq = pair.indexOf('=');
            if (eq >= 0 && pair.left(eq) == name) {
                QByteArray value = pair.mid(eq + 1);
                value.replace('+', ' ');
                return QUrl::fromPercentEncoding(value);
            }
        }
        return QStringLiteral("<missing>");
    }

    void shutDown() {
        server.close();
        for (const auto& socket : sockets)
            if (socket)
                socket->abort();
        sockets.clear();
    }

private:
    void accept() {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            socket->setParent(this);
            sockets.append(socket);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                QByteArray& request = pendingRequests[socket];
                request += socket->readAll();
                if (request.indexOf("\r\n\r\n") < 0)
                    return;
                QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
                targets.append(words.value(1));
                request.clear();
                answer(socket);
            });
        }
    }

    void answer(QTcpSocket* socket) {
        Reply reply = replies.isEmpty() ? Reply{"500 Unexpected request\r\n"} : replies.takeFirst();
        if (reply.silent)
            return;
        if (!reply.raw.isEmpty()) {
            socket->write(reply.raw);
            socket->disconnectFromHost();
            return;
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.httpStatus) +
                          (reply.httpStatus == 200   ? " OK"
                           : reply.httpStatus == 404 ? " Not Found"
                                                     : " Failed") +
                          "\r\nContent-Type: text/plain; charset=ISO-8859-1\r\nContent-Length: " +
                          QByteArray::number(reply.body.size()) + "\r\nConnection: close\r\n\r\n";
        socket->write(head + reply.body);
        socket->disconnectFromHost();
    }

    QTcpServer server;
    QList<Reply> replies;
    QList<QPointer<QTcpSocket>> sockets;
    QHash<QTcpSocket*, QByteArray> pendingRequests;
};
