#include "TDecodeRun.h"

#include "CodecLog.h"
#include "PlugInHost.h"
#include "TEncodeJobs.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace larkspin {

namespace {

constexpr int PollMs = 100;

// Device and inode: a decode replaces the file through a rename, so a new file has a new identity.
quint64 identity(const QString& path) {
    struct stat st {};
    if (stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return (quint64(st.st_dev) << 40) ^ quint64(st.st_ino);
}

// Why no WAV appeared: the plug-in reports only that it ended, so the folder is asked whether it went
// away, became read-only or filled up; otherwise the source is to blame.
QString decodeFailure(const QString& wave, const QString& folder) {
    const QByteArray name = QFile::encodeName(folder);
    int error = 0;
    struct statvfs fs {};
    if (access(name.constData(), W_OK | X_OK) != 0)
        error = errno;
    else if (statvfs(name.constData(), &fs) == 0 && fs.f_bavail == 0)
        error = ENOSPC;
    if (error == 0)
        return QStringLiteral("could not be decoded");
    return QStringLiteral("could not be written to %1: %2")
        .arg(wave, QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

TDecodeRun::TDecodeRun(TPlugInHost& host, QObject* parent) : QObject(parent), host_(host) {
    timer_.setInterval(PollMs);
    connect(&timer_, &QTimer::timeout, this, &TDecodeRun::tick);
}

TDecodeRun::~TDecodeRun() {
    if (running_) {
        host_.CancelDecode();
        host_.UnloadDecodingPlugIn();
    }
}

QString TDecodeRun::WaveFor(const QString& source, const QString& folder) {
    return TEncodeJobs::Destination(source, folder, QStringLiteral("wav"));
}

QString TDecodeRun::Start(const QStringList& files, const QString& targetFolder) {
    if (running_)
        return QStringLiteral("A decode is already running.");
    if (files.isEmpty())
        return QStringLiteral("There is nothing to decode.");
    if (!targetFolder.isEmpty())
        if (QString problem = TEncodeJobs::FolderProblem(targetFolder); !problem.isEmpty())
            return problem;
    pending_ = files;
    problems_.clear();
    folder_ = targetFolder;
    running_ = true;
    if (!startNext())
        return {};
    timer_.start();
    return {};
}

void TDecodeRun::fail(const QString& source, const QString& message) {
    problems_ << QFileInfo(source).fileName() + ": " + message;
    qCWarning(lcCodec) << source << message;
    emit fileFailed(source, message);
}

// Starts the next pending file that can start; false (and the run finished) when none is left.
bool TDecodeRun::startNext() {
    while (!pending_.isEmpty()) {
        const QString source = pending_.takeFirst();
        const QFileInfo info(source);
        if (!info.isFile()) {
            fail(source, QStringLiteral("does not exist"));
            continue;
        }
        const QString folder = folder_.isEmpty() ? info.absolutePath() : folder_;
        if (!folder_.isEmpty() || TEncodeJobs::FolderProblem(folder).isEmpty()) {
            const QString wave = WaveFor(source, folder);
            if (QFileInfo(wave) == info) {
                fail(source, QStringLiteral("would be replaced by its own output"));
                continue;
            }
            const int row = host_.FindDecodingPlugIn(("." + info.suffix()).toStdString());
            if (row < 0) {
                fail(source, QStringLiteral("has a type no decoder plug-in decodes"));
                continue;
            }
            const QString name = QString::fromStdString(host_.DecodingPlugIns()[size_t(row)].name);
            if (name != loadedPlugIn_) {
                if (!loadedPlugIn_.isEmpty())
                    host_.UnloadDecodingPlugIn();
                loadedPlugIn_.clear();
                if (!host_.LoadDecodingPlugIn(name.toStdString())) {
                    host_.UnloadDecodingPlugIn();
                    fail(source, QStringLiteral("cannot be decoded: the plug-in %1 does not load").arg(name));
                    continue;
                }
                host_.StartDecodingPlugIn();
                loadedPlugIn_ = name;
            }
            source_ = source;
            target_ = folder;
            oldWave_ = identity(wave);
            host_.DecodeFile(QFile::encodeName(source).toStdString(),
                             QFile::encodeName(folder).toStdString());
            emit progressChanged(info.fileName(), 0);
            return true;
        }
        fail(source, TEncodeJobs::FolderProblem(folder));
    }
    finish(false);
    return false;
}

void TDecodeRun::tick() {
    const int percent = host_.GetDecodePos();
    emit progressChanged(QFileInfo(source_).fileName(), std::min(percent, 100));
    if (percent < 100)
        return;
    const QString wave = WaveFor(source_, target_);
    const quint64 now = identity(wave);
    if (now == 0 || now == oldWave_)
        fail(source_, decodeFailure(wave, target_));
    else
        emit fileDecoded(source_, wave);
    if (startNext())
        return;
}

void TDecodeRun::Abort() {
    if (!running_)
        return;
    host_.CancelDecode();
    finish(true);
}

void TDecodeRun::finish(bool aborted) {
    timer_.stop();
    if (!loadedPlugIn_.isEmpty())
        host_.UnloadDecodingPlugIn();
    loadedPlugIn_.clear();
    const bool wasRunning = running_;
    running_ = false;
    if (wasRunning)
        emit finished(aborted);
}

} // namespace larkspin
