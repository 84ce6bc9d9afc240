#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

namespace larkspin {

class TPlugInHost;

// A decode run of the decode window: files decoded to WAV one after the other through the decoder
// plug-ins, polled every 100 ms. Each file gets the decoding plug-in of its own type; a file no plug-in
// decodes, or whose decode fails, is reported and the run goes on. Widget-free; lives on the
// user-interface thread.
class TDecodeRun : public QObject {
    Q_OBJECT
public:
    explicit TDecodeRun(TPlugInHost& host, QObject* parent = nullptr);
    ~TDecodeRun() override;

    // Decodes files into targetFolder, or each into its own folder when targetFolder is empty. Returns
    // "" when the run started, else why not (nothing to decode, a missing or read-only folder); a file
    // that cannot start is reported through fileFailed and skipped.
    QString Start(const QStringList& files, const QString& targetFolder);
    // Cancels the running decode (its partial output goes) and ends the run.
    void Abort();

    bool Running() const { return running_; }
    const QString& DecodeSource() const { return source_; }
    const QString& DecodeTarget() const { return target_; }
    // The files not started yet, next first.
    const QStringList& Pending() const { return pending_; }
    const QStringList& Problems() const { return problems_; }

    // The WAV a decode of source into folder writes.
    static QString WaveFor(const QString& source, const QString& folder);

signals:
    void progressChanged(const QString& fileName, int percent);
    void fileFailed(const QString& source, const QString& message);
    void fileDecoded(const QString& source, const QString& wave);
    void finished(bool aborted);

private:
    bool startNext();
    void tick();
    void finish(bool aborted);
    void fail(const QString& source, const QString& message);

    TPlugInHost& host_;
    QTimer timer_;
    QStringList pending_;
    QStringList problems_;
    QString folder_;
    QString source_;
    QString target_;
    QString loadedPlugIn_;
    quint64 oldWave_ = 0; // identity of a WAV that was there before, 0 for none
    bool running_ = false;
};

} // namespace larkspin
