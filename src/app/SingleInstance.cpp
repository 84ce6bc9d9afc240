#include "SingleInstance.h"

#include "AppLog.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QVariant>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspin {
namespace {

constexpr int TimeoutMs = 3000;
constexpr quint32 MaxRequestBytes = 16 * 1024 * 1024;
constexpr char Accepted = 'A';
// How long a start waits for a running instance that is busy before it gives up.
constexpr int ClaimTimeoutMs = 30000;

// A folder only this user can reach: owned by the user, no access for others.
bool IsPrivateFolder(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

// $XDG_RUNTIME_DIR when it is private, else <temporary folder>/larkspin-<uid>, made private.
QString RuntimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && IsPrivateFolder(runtime))
        return QFile::decodeName(runtime);
    const QByteArray own =
        QFile::encodeName(QDir::tempPath() + QStringLiteral("/larkspin-%1").arg(::getuid()));
    if (::mkdir(own.constData(), 0700) != 0 && errno != EEXIST)
        qCWarning(lcApp) << "no private runtime folder:" << own << std::strerror(errno);
    if (!IsPrivateFolder(own))
        qCWarning(lcApp) << own
                         << "is not a private folder of this user; the socket may be reachable by others";
    return QFile::decodeName(own);
}

} // namespace

SingleInstance::SingleInstance(const std::string& programFolder, QObject* parent) : QObject(parent) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(programFolder), QCryptographicHash::Sha1).toHex();
    const QString base = RuntimeFolder() + QStringLiteral("/larkspin-") + QString::fromLatin1(hash.left(16));
    name_ = base + QStringLiteral(".socket");
    lockPath_ = base + QStringLiteral(".lock");
}

SingleInstance::~SingleInstance() {
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

SingleInstance::Claim SingleInstance::ClaimOrHandOver(const LaunchRequest& request) {
    lockFd_ =
        ::open(QFile::encodeName(lockPath_).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        qCWarning(lcApp) << "no single-instance lock:" << lockPath_ << std::strerror(errno);
        Listen();
        return Claim::Running;
    }
    // The lock is free only when no instance runs; while one runs, it is asked until it answers (it may
    // still be starting, or busy).
    QElapsedTimer waited;
    waited.start();
    while (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        switch (Offer(request)) {
        case Offered::Taken:
            return Claim::HandedOver;
        case Offered::NoAnswer:
            return Claim::NoAnswer;
        case Offered::NoServer:
            break; // still starting: it listens once it holds the lock
        }
        if (waited.elapsed() > ClaimTimeoutMs)
            return Claim::NoAnswer;
        QThread::msleep(50);
    }
    Listen();
    return Claim::Running;
}

bool SingleInstance::HandToRunning(const LaunchRequest& request) {
    return Offer(request) == Offered::Taken;
}

SingleInstance::Offered SingleInstance::Offer(const LaunchRequest& request) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(TimeoutMs))
        return Offered::NoServer;
    const QByteArray payload = EncodeLaunchRequest(request);
    QDataStream out(&socket);
    out << static_cast<quint32>(payload.size());
    out.writeRawData(payload.constData(), static_cast<int>(payload.size()));
    // Once written, the request is the running instance's: it is not offered twice, and an instance
    // that is busy gets time to answer.
    QElapsedTimer waited;
    waited.start();
    while (socket.bytesAvailable() < 1) {
        const int left = ClaimTimeoutMs - static_cast<int>(waited.elapsed());
        if (left <= 0 || !socket.waitForReadyRead(left))
            return Offered::NoAnswer;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == Accepted ? Offered::Taken : Offered::NoAnswer;
}

bool SingleInstance::Listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Nobody answered on the name (HandToRunning or the lock came first), so its socket is a crashed
        // run's.
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
