#include "RipRun.h"
#include "MakerAddress.h"

#include "AccurateRip.h"
#include "AtomicFile.h"
#include "HttpGet.h"
#include "RipDiscLog.h"
#include "RipNames.h"
#include "RipRunLog.h"
#include "Settings.h"
#include "TEncoderHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTime>

#include <unistd.h>

namespace larkspin {

namespace {

// A name taken by a file, or by a link even when it points nowhere: writing there would follow the
// link out of the output folder.
bool Taken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString Extension(const RipRunSetup& setup) {
    switch (setup.Mode) {
    case RipOutputMode::Mp3:
        return QStringLiteral(".mp3");
    case RipOutputMode::PlugIn:
        return u'.' + setup.PlugInType.toLower();
    case RipOutputMode::Wav:
        break;
    }
    return QStringLiteral(".wav");
}

} // namespace

RipRun::RipRun(RipRunSetup setup, RipTrackSource& ripper, TEncoderHost* encoder, QObject* parent)
    : QObject(parent), setup_(std::move(setup)), ripper_(ripper), encoder_(encoder) {
    setup_.Folder = FolderWithSlash(setup_.Folder);
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &RipRun::tick);
    results_.resize(setup_.Items.size());
    checkTimer_.setSingleShot(true);
    connect(&checkTimer_, &QTimer::timeout, this,
            [this] { checkDone(false, QStringLiteral("the server did not answer in time"), {}); });
}

RipRun::~RipRun() = default;

QString RipRun::ripFileOf(int position) const {
    const CdListItem& item = setup_.Items[position];
    const QString ext = setup_.Mode == RipOutputMode::Mp3 ? QStringLiteral(".mp3") : QStringLiteral(".wav");
    return setup_.Folder + TrackFileName(item.Caption, ext, item.Track);
}

QStringList RipRun::TargetFiles() const {
    QStringList files;
    const QString ext = Extension(setup_);
    for (const CdListItem& item : setup_.Items)
        files << setup_.Folder + TrackFileName(item.Caption, ext, item.Track);
    return files;
}

QStringList RipRun::ReportFiles() const {
    if (setup_.Disc.Toc.TrackCount == 0)
        return {};
    return {setup_.Folder + RipReportName(setup_.Items, QStringLiteral(".cue")),
            setup_.Folder + RipReportName(setup_.Items, QStringLiteral(".log"))};
}

QStringList RipRun::ExistingTargets() const {
    QStringList existing;
    const QStringList targets = TargetFiles();
    for (int i = 0; i < targets.size(); ++i) {
        // In plug-in mode the ripped WAV is replaced too, and removed afterwards.
        if (Taken(targets[i]))
            existing << targets[i];
        else if (setup_.Mode == RipOutputMode::PlugIn && Taken(ripFileOf(i)))
            existing << ripFileOf(i);
    }
    for (const QString& report : ReportFiles())
        if (Taken(report))
            existing << report;
    return existing;
}

QString RipRun::CheckOutputFolder(const QString& folder) {
    if (folder.isEmpty())
        return QStringLiteral("No output directory is chosen.");
    const QFileInfo info(folder);
    if (!info.isAbsolute())
        return QStringLiteral("The output directory \"%1\" is not a full path.").arg(folder);
    if (!info.exists())
        return QStringLiteral("The output directory \"%1\" does not exist.").arg(folder);
    if (!info.isDir())
        return QStringLiteral("\"%1\" is not a directory.").arg(folder);
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("The output directory \"%1\" cannot be written.").arg(folder);
    return {};
}

void RipRun::Start() {
    if (started_)
        return;
    started_ = true;
    clock_.start();
    // Links under the names this run writes were listed by ExistingTargets and their replacing agreed
    // to: the link itself is replaced, so nothing is written where it pointed.
    const QStringList targets = TargetFiles();
    for (int i = 0; i < targets.size(); ++i)
        for (const QString& path : {targets[i], ripFileOf(i)})
            if (QFileInfo(path).isSymLink())
                QFile::remove(path);
    for (const QString& path : ReportFiles())
        if (QFileInfo(path).isSymLink())
            QFile::remove(path);
    const bool encodeAfterRip = setup_.Mode != RipOutputMode::Wav;
    encodeDone_ = setup_.Mode != RipOutputMode::PlugIn;
    display_.EncodeVisible = encodeAfterRip;
    display_.EncodeText = encodeAfterRip ? QStringLiteral("Waiting for CDRipper") : QString();
    timer_.start();
    emit displayChanged();
    if (setup_.Items.empty()) {
        ripDone_ = true;
        finishIfDone();
        return;
    }
    // Each track starts from the event loop, so a ripper that rips inside RipTrack never nests.
    QMetaObject::invokeMethod(this, &RipRun::startTrack, Qt::QueuedConnection);
}

void RipRun::startTrack() {
    if (ripAborted_ || ripDone_)
        return;
    ripping_ = true;
    const CdListItem& item = setup_.Items[ripPosition_];
    qCDebug(lcRipRun) << "ripping track" << item.Track << "to" << ripFileOf(ripPosition_);
    ripper_.RipTrack(item.Track, ripFileOf(ripPosition_));
}

void RipRun::TrackBegun(int) {
    display_.RipText = QStringLiteral("%1/%2").arg(tracksRipped_ + 1).arg(setup_.Items.size());
    display_.RipPercent = 0;
    if (setup_.Mode == RipOutputMode::Mp3) {
        display_.EncodeText = display_.RipText;
        display_.EncodePercent = 0;
    }
    emit displayChanged();
    if (ripAborted_)
        ripper_.AbortRip();
}

void RipRun::TrackProgress(int percent) {
    if (ripAborted_) {
        ripper_.AbortRip();
        return;
    }
    display_.RipPercent = std::clamp(percent, 0, 100);
    if (setup_.Mode == RipOutputMode::Mp3)
        display_.EncodePercent = display_.RipPercent;
    emit displayChanged();
}

void RipRun::TrackEnded(int) {
    if (!ripping_)
        return;
    ripping_ = false;
    const int position = ripPosition_;
    const QString file = ripFileOf(position);
    if (ripAborted_) {
        finishIfDone();
        return;
    }
    if (!QFileInfo(file).isFile()) {
        // The ripper could not be opened for this track; the run goes on with the next one.
        const QString text = QStringLiteral("Track %1 could not be read.").arg(setup_.Items[position].Track);
        problem(text);
        results_[position].Error = text;
    } else {
        results_[position].Sums = ripper_.LastChecksums();
        results_[position].JitterErrors = ripper_.LastJitterErrors();
        if (setup_.Mode == RipOutputMode::Mp3) {
            const QString failed = WriteRipTags(file, TagValuesOf(setup_.Items[position]), setup_.Tags);
            if (!failed.isEmpty())
                problem(failed);
            wrote(position, file);
        } else if (setup_.Mode == RipOutputMode::PlugIn) {
            waiting_.push_back(position);
        } else {
            wrote(position, file);
        }
    }
    ++tracksRipped_;
    if (ripPosition_ + 1 < static_cast<int>(setup_.Items.size())) {
        ++ripPosition_;
        QMetaObject::invokeMethod(this, &RipRun::startTrack, Qt::QueuedConnection);
    } else {
        ripDone_ = true;
        display_.RipText = QStringLiteral("Finished");
        display_.RipPercent = 100;
        if (setup_.Mode == RipOutputMode::Mp3) {
            display_.EncodeText = display_.RipText;
            display_.EncodePercent = 100;
        }
        emit displayChanged();
        finishIfDone();
    }
}

void RipRun::TrackFailed(int track, const QString& message) {
    if (!ripping_)
        return;
    ripping_ = false;
    if (ripAborted_) {
        finishIfDone();
        return;
    }
    problem(QStringLiteral("Track %1: %2").arg(track).arg(message));
    results_[ripPosition_].Error = message;
    // A drive that failed once fails again; the tracks ripped so far are still finished.
    ripDone_ = true;
    display_.RipText = QStringLiteral("Stopped");
    emit displayChanged();
    emit ripFailed(message);
    finishIfDone();
}

void RipRun::Abort() {
    if (!started_ || finished_ || ripAborted_)
        return;
    ripAborted_ = true;
    if (ripping_)
        ripper_.AbortRip();
    if (job_ >= 0 && encoder_) {
        encoder_->CancelEncoding();
        job_ = -1;
    }
    finishIfDone();
}

void RipRun::tick() {
    if (!(ripDone_ && encodeDone_))
        display_.Elapsed = QTime(0, 0).addMSecs(clock_.elapsed()).toString(QStringLiteral("hh:mm:ss"));
    if (setup_.Mode == RipOutputMode::PlugIn && !ripAborted_)
        pollPlugIn();
    emit displayChanged();
    finishIfDone();
}

void RipRun::pollPlugIn() {
    if (!encoder_) {
        encodeDone_ = true;
        return;
    }
    if (job_ >= 0) {
        display_.EncodePercent = std::clamp(encoder_->GetPosition(), 0, 100);
        if (!encoder_->GetFinished())
            return;
        const int position = job_;
        job_ = -1;
        const QString wav = ripFileOf(position);
        const QString target = TargetFiles().at(position);
        const QString error = QString::fromStdString(encoder_->GetEncodeError());
        if (!error.isEmpty() || !QFileInfo(target).isFile()) {
            // The WAV stays: the ripped audio is not lost with a failed encode.
            problem(
                QStringLiteral("%1 could not be encoded%2").arg(wav, error.isEmpty() ? "" : ": " + error));
            results_[position].Error = problems_.back();
        } else {
            // The plug-in wrote its own ID3v2 tag from SendTag; ID3v1 is added here.
            if (setup_.PlugInType.compare(u"mp3", Qt::CaseInsensitive) == 0 && setup_.Tags.Id3v1) {
                const QString failed =
                    WriteRipTags(target, TagValuesOf(setup_.Items[position]), {true, false});
                if (!failed.isEmpty())
                    problem(failed);
            }
            wrote(position, target);
            if (!QFile::remove(wav))
                qCWarning(lcRipRun) << "the ripped WAV could not be removed:" << wav;
        }
    }
    if (!waiting_.empty()) {
        startJob();
    } else if (ripDone_) {
        encodeDone_ = true;
        display_.EncodeText = QStringLiteral("Finished");
    } else {
        display_.EncodeText = QStringLiteral("Waiting for CDRipper");
    }
}

void RipRun::startJob() {
    job_ = waiting_.front();
    waiting_.pop_front();
    const CdListItem& item = setup_.Items[job_];
    const RipTagValues v = TagValuesOf(item);
    // An MP3 plug-in writes ID3v2 from these values; without WriteId3v2 it gets none.
    const bool tags = setup_.PlugInType.compare(u"mp3", Qt::CaseInsensitive) != 0 || setup_.Tags.Id3v2;
    const std::string comment = WithMakerAddress("Larkspin");
    if (tags)
        encoder_->SendTag(v.Artist.toStdString(), v.Title.toStdString(), v.Album.toStdString(),
                          v.Year.toStdString(), static_cast<uint8_t>(std::clamp(v.Track, 0, 255)), comment,
                          v.Genre.toStdString());
    else
        encoder_->SendTag({}, {}, {}, {}, 0, {}, {});
    display_.EncodeText = QStringLiteral("%1/%2").arg(job_ + 1).arg(setup_.Items.size());
    display_.EncodePercent = 0;
    encoder_->EncodeFile(ripFileOf(job_).toStdString(), TargetFiles().at(job_).toStdString());
}

void RipRun::finishIfDone() {
    if (finished_ || ripping_ || job_ >= 0)
        return;
    if (!ripAborted_ && !(ripDone_ && encodeDone_))
        return;
    if (!ripAborted_ && !checked_) {
        if (!check_)
            startCheck();
        if (!checked_)
            return;
    }
    if (check_) {
        // Aborted while the database was asked: the answer is no longer wanted.
        checkTimer_.stop();
        check_->Abort();
        check_->deleteLater();
        check_ = nullptr;
    }
    if (!ripAborted_)
        writeReports();
    finished_ = true;
    timer_.stop();
    // The plug-in starts the next run fresh.
    if (setup_.Mode == RipOutputMode::PlugIn && encoder_ && encoder_->EncoderPluginLoaded())
        encoder_->ReloadEncoderPlugin();
    emit displayChanged();
    emit finished();
}

void RipRun::wrote(int position, const QString& file) {
    written_ << file;
    results_[position].File = file;
}

void RipRun::startCheck() {
    const RipDiscInfo& disc = setup_.Disc;
    const AccurateRipDisc ids = AccurateRipDiscOf(disc.Toc);
    const bool anySums = std::any_of(results_.begin(), results_.end(), [](const RipTrackResult& r) {
        return r.Sums.has_value() && !r.File.isEmpty();
    });
    if (disc.AccurateRipUrl.isEmpty() || ids.TrackCount == 0 || !anySums) {
        checked_ = true;
        return;
    }
    const QUrl url(QString::fromStdString(AccurateRipUrl(disc.AccurateRipUrl.toStdString(), ids)));
    qCDebug(lcRipRun) << "asking AccurateRip:" << url;
    check_ = new HttpGet(this);
    connect(
        check_, &HttpGet::finished, this,
        [this](bool ok, const QString& error, const QByteArray& body, bool) { checkDone(ok, error, body); });
    HttpGet::Limits limits;
    limits.maxBodyBytes = 256 * 1024; // a record file holds a few hundred bytes per submission
    check_->Start(url, "Larkspin/3.0", {}, limits);
    if (!check_)
        return; // answered at once
    checkTimer_.start(disc.AccurateRipTimeoutMs);
    // Last: a listener may abort the run from here.
    display_.RipText = QStringLiteral("Checking AccurateRip...");
    emit displayChanged();
}

void RipRun::checkDone(bool ok, const QString& error, const QByteArray& body) {
    if (!check_)
        return;
    checkTimer_.stop();
    check_->Abort();
    check_->deleteLater();
    check_ = nullptr;
    const AccurateRipDisc ids = AccurateRipDiscOf(setup_.Disc.Toc);
    std::vector<AccurateRipRecord> records;
    QString common; // the verdict of every track when the record itself decides nothing
    if (ok) {
        std::string why;
        if (!ParseAccurateRip(std::string_view(body.constData(), static_cast<size_t>(body.size())), records,
                              why))
            common = QStringLiteral("AccurateRip's record is unusable: ") + QString::fromStdString(why);
    } else if (error.startsWith(QStringLiteral("HTTP 404"))) {
        common = QStringLiteral("Not in database");
    } else {
        common = QStringLiteral("AccurateRip could not be reached: ") + error;
    }
    if (!common.isEmpty())
        qCDebug(lcRipRun) << common;
    for (size_t i = 0; i < results_.size(); ++i) {
        RipTrackResult& r = results_[i];
        if (!r.Sums || r.File.isEmpty())
            continue;
        // The track's place among the disc's audio tracks.
        const int track = setup_.Items[i].Track;
        int position = 0;
        for (int t = 0; t + 1 < track && t < TocMaxTracks; ++t)
            position += setup_.Disc.Toc.Tracks[static_cast<size_t>(t)].IsAudio != 0 ? 1 : 0;
        r.AccurateRip = !common.isEmpty() ? common
                                          : QString::fromStdString(AccurateRipText(CheckAccurateRip(
                                                records, ids, position, r.Sums->ArCrcV1, r.Sums->ArCrcV2)));
    }
    checked_ = true;
    display_.RipText = QStringLiteral("Finished");
    emit displayChanged();
    finishIfDone();
}

void RipRun::writeReports() {
    if (setup_.Disc.Toc.TrackCount == 0 || written_.isEmpty())
        return;
    const auto write = [this](const QString& path, const QString& text, QString& written) {
        const QString name = QFileInfo(path).fileName();
        std::string error;
        if (WriteFileAtomically(path.toStdString(), text.toStdString(), &error))
            written = path;
        else
            problem(QStringLiteral("%1 could not be written: %2").arg(name, QString::fromStdString(error)));
    };
    const QStringList reports = ReportFiles(); // the CUE sheet, the log
    const QString cue = RipCueSheetText(setup_.Items, results_);
    if (!cue.isEmpty())
        write(reports[0], cue, cueFile_);
    // The log last, so it lists a CUE sheet that could not be written.
    write(reports[1], RipLogText(setup_.Disc, setup_.Items, results_, problems_), logFile_);
}

void RipRun::problem(const QString& text) {
    qCWarning(lcRipRun) << text;
    problems_ << text;
}

} // namespace larkspin
