#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

namespace larkspin {

class TEncoderHost;

// The encode job list of the encoder page: every file through the chosen encoder plug-in, one after the
// other, polled every 100 ms. A file the plug-in cannot take is reported and the list goes on; sources
// are never changed. Widget-free; lives on the user-interface thread.
class TEncodeJobs : public QObject {
    Q_OBJECT
public:
    explicit TEncodeJobs(TEncoderHost& host, QObject* parent = nullptr);

    // Starts encoding files into outputFolder with the plug-in of row plugInRow. Returns "" when the
    // jobs started or there is nothing to do (an empty list), else why nothing started: a missing or
    // read-only output folder, a plug-in that does not load.
    QString Start(const QStringList& files, const QString& outputFolder, int plugInRow);
    // Cancels the running job; polling stops at the next tick.
    void Abort();

    bool EncodingActive() const { return active_; }
    // True while the 100 ms poll runs.
    bool Polling() const { return timer_.isActive(); }
    int EncodeJobIndex() const { return index_; }
    int EncodeJobCount() const { return count_; }
    // "<file name>: <problem>" for every file that was not encoded in the last run.
    const QStringList& Problems() const { return problems_; }

    // outputFolder + "/" + the source's file name with its extension replaced by "." + encodeType.
    static QString Destination(const QString& source, const QString& outputFolder, const QString& encodeType);
    // Why outputFolder cannot take the output, "" when it can.
    static QString FolderProblem(const QString& outputFolder);

signals:
    // Job jobIndex of jobCount (from 1) is at percent.
    void progressChanged(int jobIndex, int jobCount, int percent);
    void fileFailed(const QString& source, const QString& message);
    void finished(bool aborted);

private:
    void startJob(int row);
    void tick();
    void finish();
    void fail(const QString& source, const QString& message);

    TEncoderHost& host_;
    QTimer timer_;
    QStringList files_;
    QString folder_;
    QStringList problems_;
    int index_ = 0;
    int count_ = 0;
    bool active_ = false;
    bool stop_ = false;
    bool aborted_ = false;
    bool submitted_ = false; // the current row went to the plug-in
};

} // namespace larkspin
