#include "TEncodeJobs.h"

#include "CodecLog.h"
#include "OutputNames.h"
#include "TEncoderHost.h"
#include "WavReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace larkspin {

namespace {
constexpr int PollMs = 100;
}

TEncodeJobs::TEncodeJobs(TEncoderHost& host, QObject* parent) : QObject(parent), host_(host) {
    timer_.setInterval(PollMs);
    connect(&timer_, &QTimer::timeout, this, &TEncodeJobs::tick);
}

QString TEncodeJobs::Destination(const QString& source, const QString& outputFolder,
                                 const QString& encodeType) {
    return QFile::decodeName(QByteArray::fromStdString(
        OutputFileName(QFile::encodeName(source).toStdString(), QFile::encodeName(outputFolder).toStdString(),
                       QFile::encodeName(encodeType).toStdString())));
}

QString TEncodeJobs::FolderProblem(const QString& outputFolder) {
    const QFileInfo folder(outputFolder);
    if (outputFolder.isEmpty())
        return QStringLiteral("Choose an output folder first.");
    if (!folder.isDir())
        return QStringLiteral("The output folder \"%1\" does not exist.").arg(outputFolder);
    if (access(QFile::encodeName(outputFolder).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("The output folder \"%1\" cannot be written.").arg(outputFolder);
    return {};
}

QString TEncodeJobs::Start(const QStringList& files, const QString& outputFolder, int plugInRow) {
    if (files.isEmpty() || active_)
        return {};
    if (QString problem = FolderProblem(outputFolder); !problem.isEmpty())
        return problem;
    if (!host_.UsePlugIn(plugInRow))
        return QStringLiteral("The encoder plug-in could not be loaded.");
    files_ = files;
    folder_ = outputFolder;
    problems_.clear();
    active_ = true;
    stop_ = false;
    aborted_ = false;
    count_ = static_cast<int>(files.size());
    index_ = 1;
    startJob(0);
    timer_.start();
    return {};
}

void TEncodeJobs::fail(const QString& source, const QString& message) {
    problems_ << QFileInfo(source).fileName() + ": " + message;
    qCWarning(lcCodec) << source << message;
    emit fileFailed(source, message);
}

void TEncodeJobs::startJob(int row) {
    submitted_ = false;
    const QString source = files_.at(row);
    // The plug-in could only say "failed"; the reader says what is wrong with the file.
    WavReader wav;
    if (!wav.Open(QFile::encodeName(source).toStdString())) {
        fail(source, QString::fromStdString(wav.ProblemText()));
        return;
    }
    const QString destination = Destination(source, folder_, QString::fromStdString(host_.GetEncodeType()));
    if (QFileInfo(destination) == QFileInfo(source)) {
        fail(source, QStringLiteral("would be replaced by its own output"));
        return;
    }
    host_.EncodeFile(QFile::encodeName(source).toStdString(), QFile::encodeName(destination).toStdString());
    submitted_ = true;
}

void TEncodeJobs::Abort() {
    if (!active_)
        return;
    stop_ = true;
    aborted_ = true;
    host_.CancelEncoding();
}

void TEncodeJobs::tick() {
    if (stop_) {
        finish();
        return;
    }
    const int percent = host_.GetPosition();
    emit progressChanged(index_, count_, percent);
    if (!host_.GetFinished())
        return;
    if (submitted_) {
        const QString error = QString::fromStdString(host_.GetEncodeError());
        if (!error.isEmpty())
            fail(files_.at(index_ - 1), error);
        submitted_ = false;
    }
    if (index_ >= count_) {
        stop_ = true;
        finish();
        return;
    }
    startJob(index_);
    ++index_;
}

void TEncodeJobs::finish() {
    timer_.stop();
    active_ = false;
    host_.ReloadEncoderPlugin();
    emit finished(aborted_);
}

} // namespace larkspin
