#include "SingleInstance.h"

#include "AppLog.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>
#include <QVariant>

#include <unistd.h>

namespace larkspin {
namespace {

constexpr int TimeoutMs = 3000;
constexpr quint32 MaxRequestBytes = 16 * 1024 * 1024;
constexpr char Accepted = 'A';

} // namespace

SingleInstance::SingleInstance(const std::string& programFolder, QObject* parent) : QObject(parent) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(programFolder), QCryptographicHash::Sha1).toHex();
    name_ = QStringLiteral("larkspin-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash.left(16)));
}

bool SingleInstance::HandToRunning(const LaunchRequest& request) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(TimeoutMs))
        return false;
    const QByteArray payload = EncodeLaunchRequest(request);
    QDataStream out(&socket);
    out << static_cast<quint32>(payload.size());
    out.writeRawData(payload.constData(), static_cast<int>(payload.size()));
    if (!socket.waitForBytesWritten(TimeoutMs))
        return false;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(TimeoutMs))
            return false;
    char answer = 0;
    return socket.getChar(&answer) && answer == Accepted;
}

bool SingleInstance::Listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Nobody answered on the name (HandToRunning came first), so its socket is a crashed run's.
        QLocalServer::removeServer(name_);
        if (!server_->listen(name_)) {
            qCWarning(lcApp) << "no single-instance socket:" << server_->errorString();
            return false;
        }
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return true;
}

void SingleInstance::acceptConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->property("done").toBool())
                return;
            if (socket->bytesAvailable() < 4)
                return;
            const QByteArray head = socket->peek(4);
            QDataStream in(head);
            quint32 size = 0;
            in >> size;
            if (size > MaxRequestBytes) {
                socket->abort();
                return;
            }
            if (socket->bytesAvailable() < 4 + static_cast<qint64>(size))
                return;
            socket->read(4);
            const QByteArray payload = socket->read(size);
            socket->setProperty("done", true);
            socket->putChar(Accepted);
            socket->flush();
            emit requestReceived(DecodeLaunchRequest(payload));
        });
    }
}

} // namespace larkspin
