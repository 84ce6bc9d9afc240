#include "LoudnessScan.h"

#include "CodecLog.h"
#include "GainTagWriting.h"
#include "TDecodeRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <map>
#include <vector>

namespace larkspin {

namespace {

// Writes the values with the writer of the file's type; false with the reason in problem.
bool WriteGain(const QString& path, const GainValues& values, std::string& problem) {
    const QString type = QFileInfo(path).suffix().toLower();
    const std::string name = QFile::encodeName(path).toStdString();
    if (type == QStringLiteral("mp3"))
        return WriteMp3Gain(name, values, problem);
    if (type == QStringLiteral("flac"))
        return WriteFlacGain(name, values, problem);
    problem = "gain tags are not written into " + type.toUpper().toStdString() + " files yet";
    return false;
}

} // namespace

// Measures on its own thread, one file after the other; writes the tags once a file's values are
// complete (at once for a file of no album, when the album is complete for the others).
class LoudnessScan::Worker : public QObject {
    Q_OBJECT
public:
    explicit Worker(std::shared_ptr<std::atomic<bool>> cancel) : cancel_(std::move(cancel)) {}

    void measure(const QString& path, const QString& wave, const QString& albumKey, bool removeWave) {
        TrackLoudness result;
        std::string problem;
        LoudnessMeter& meter = albumKey.isEmpty() ? single_ : albums_[albumKey];
        if (albumKey.isEmpty())
            meter.ClearAlbum();
        const bool ok = meter.Measure(QFile::encodeName(wave).toStdString(), result, problem, cancel_.get());
        if (removeWave)
            QFile::remove(wave);
        emit measured(path);
        if (!ok) {
            emit done(path, false,
                      QStringLiteral("cannot be measured: the decoded audio ") +
                          QString::fromStdString(problem),
                      0);
            return;
        }
        if (albumKey.isEmpty()) {
            write(path, {result.GainDb(), result.Peak, std::nullopt, std::nullopt});
            return;
        }
        pending_[albumKey].push_back({path, result});
    }

    void forget() {
        albums_.clear();
        pending_.clear();
    }

    void completeAlbum(const QString& albumKey) {
        auto& files = pending_[albumKey];
        TrackLoudness album;
        const bool haveAlbum = albums_[albumKey].Album(album);
        for (const auto& [path, track] : files) {
            GainValues v{track.GainDb(), track.Peak, std::nullopt, std::nullopt};
            if (haveAlbum) {
                v.AlbumGain = album.GainDb();
                v.AlbumPeak = album.Peak;
            }
            write(path, v);
        }
        pending_.erase(albumKey);
        albums_.erase(albumKey);
    }

signals:
    void measured(const QString& path);
    void done(const QString& path, bool ok, const QString& message, double gain);

private:
    void write(const QString& path, const GainValues& values) {
        if (cancel_->load()) {
            emit done(path, false, QStringLiteral("was not tagged: the scan was cancelled"), 0);
            return;
        }
        std::string problem;
        if (!WriteGain(path, values, problem)) {
            emit done(path, false, QString::fromStdString(problem), values.TrackGain);
            return;
        }
        emit done(path, true, {}, values.TrackGain);
    }

    std::shared_ptr<std::atomic<bool>> cancel_;
    LoudnessMeter single_;
    std::map<QString, LoudnessMeter> albums_;
    std::map<QString, std::vector<std::pair<QString, TrackLoudness>>> pending_;
};

LoudnessScan::LoudnessScan(TPlugInHost& host, QObject* parent)
    : QObject(parent), host_(host), cancel_(std::make_shared<std::atomic<bool>>(false)) {
    worker_ = new Worker(cancel_);
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(this, &LoudnessScan::measureRequested, worker_, &Worker::measure);
    connect(this, &LoudnessScan::albumComplete, worker_, &Worker::completeAlbum);
    connect(this, &LoudnessScan::forgetRequested, worker_, &Worker::forget);
    connect(worker_, &Worker::measured, this, [this](const QString& path) {
        --inFlight_;
        measuredOne(albumOf_.value(path));
        finishIfDone();
    });
    connect(worker_, &Worker::done, this, &LoudnessScan::workerDone);
    thread_.start();
}

LoudnessScan::~LoudnessScan() {
    Cancel();
    thread_.quit();
    thread_.wait();
}

QString LoudnessScan::Start(const QList<LoudnessScanItem>& items) {
    if (running_)
        return QStringLiteral("A loudness calculation is already running.");
    if (items.isEmpty())
        return QStringLiteral("There is nothing to measure.");
    waves_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/larkspin-loudness-XXXXXX"));
    if (!waves_->isValid())
        return QStringLiteral("No folder for the decoded audio can be made: ") + waves_->errorString();
    cancel_->store(false);
    emit forgetRequested();
    inFlight_ = 0;
    albumOf_.clear();
    albumLeft_.clear();
    QStringList files;
    for (const LoudnessScanItem& item : items) {
        if (albumOf_.contains(item.path))
            continue;
        // An album is its text within one folder: two records called "Greatest Hits" are two albums.
        const QString key = item.album.trimmed().isEmpty()
                                ? QString()
                                : QFileInfo(item.path).absolutePath() + QChar(0) + item.album.trimmed();
        albumOf_.insert(item.path, key);
        if (!key.isEmpty())
            ++albumLeft_[key];
        files << item.path;
    }
    total_ = static_cast<int>(files.size());
    done_ = 0;
    running_ = true;
    decoding_ = true;
    decode_ = std::make_unique<TDecodeRun>(host_);
    connect(decode_.get(), &TDecodeRun::fileDecoded, this, &LoudnessScan::decoded);
    connect(decode_.get(), &TDecodeRun::fileFailed, this, &LoudnessScan::decodeFailed);
    connect(decode_.get(), &TDecodeRun::progressChanged, this,
            [this](const QString& name, int) { emit progressChanged(done_, total_, name); });
    connect(decode_.get(), &TDecodeRun::finished, this, [this](bool) {
        decoding_ = false;
        finishIfDone();
    });
    if (const QString problem = decode_->Start(files, waves_->path()); !problem.isEmpty()) {
        running_ = decoding_ = false;
        return problem;
    }
    return {};
}

void LoudnessScan::Cancel() {
    if (!running_)
        return;
    cancel_->store(true);
    if (decode_ && decode_->Running())
        decode_->Abort();
}

void LoudnessScan::decoded(const QString& source, const QString& wave) {
    ++inFlight_;
    emit measureRequested(source, wave, albumOf_.value(source), true);
}

// A file that could not be decoded leaves its album: the album's gain is that of the others.
void LoudnessScan::decodeFailed(const QString& source, const QString& message) {
    ++done_;
    emit fileFailed(source, message);
    emit progressChanged(done_, total_, {});
    measuredOne(albumOf_.value(source));
    finishIfDone();
}

void LoudnessScan::workerDone(const QString& path, bool ok, const QString& message, double gain) {
    ++done_;
    if (ok)
        emit fileTagged(path, gain);
    else
        emit fileFailed(path, message);
    emit progressChanged(done_, total_, {});
    finishIfDone();
}

void LoudnessScan::measuredOne(const QString& albumKey) {
    if (albumKey.isEmpty() || !albumLeft_.contains(albumKey))
        return;
    if (--albumLeft_[albumKey] == 0) {
        albumLeft_.remove(albumKey);
        emit albumComplete(albumKey);
    }
}

// Done when every file has its outcome; after a cancel, once nothing is decoding or being measured
// (an album the cancel left incomplete gets no tags).
void LoudnessScan::finishIfDone() {
    if (!running_ || decoding_ || inFlight_ > 0 || (done_ < total_ && !cancel_->load()))
        return;
    running_ = false;
    waves_.reset();
    emit finished(cancel_->load());
}

} // namespace larkspin

#include "LoudnessScan.moc"
