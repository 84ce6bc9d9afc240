#pragma once

#include "LoudnessMeter.h"

#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <memory>

namespace larkspin {

class TDecodeRun;
class TPlugInHost;

// One file to measure and the album it belongs to ("" for none).
struct LoudnessScanItem {
    QString path;
    QString album;
};

// "Calculate loudness": files are decoded to WAV through the decoder plug-ins (a TDecodeRun into a
// folder of its own), measured on a worker thread while the next file decodes, and given REPLAYGAIN_*
// tags (reference -18 LUFS; MP3 and FLAC files). Files of one album (same album text, same folder) also get
// the album's gain, written once every file of the album is measured. The decoded WAVs are removed as soon as
// they are measured. Lives on the user-interface thread.
class LoudnessScan : public QObject {
    Q_OBJECT
public:
    explicit LoudnessScan(TPlugInHost& host, QObject* parent = nullptr);
    ~LoudnessScan() override; // cancels a running scan and waits for the worker

    // Starts a scan; "" when it started, else why not.
    QString Start(const QList<LoudnessScanItem>& items);
    // Stops decoding and measuring; files measured and tagged so far keep their tags.
    void Cancel();
    bool Running() const { return running_; }

signals:
    // done of total files are finished (tagged or failed); current is the file being decoded.
    void progressChanged(int done, int total, const QString& current);
    void fileTagged(const QString& path, double trackGainDb);
    void fileFailed(const QString& path, const QString& message);
    void finished(bool cancelled);

    // To the worker (queued).
    void measureRequested(const QString& path, const QString& wave, const QString& albumKey, bool removeWave);
    void albumComplete(const QString& albumKey);
    void forgetRequested();

private:
    void decoded(const QString& source, const QString& wave);
    void decodeFailed(const QString& source, const QString& message);
    void workerDone(const QString& path, bool ok, const QString& message, double gain);
    void measuredOne(const QString& albumKey);
    void finishIfDone();

    class Worker;
    TPlugInHost& host_;
    std::unique_ptr<TDecodeRun> decode_;
    std::unique_ptr<QTemporaryDir> waves_;
    QThread thread_;
    Worker* worker_ = nullptr;
    std::shared_ptr<std::atomic<bool>> cancel_;
    QMap<QString, QString> albumOf_; // path -> album key
    QMap<QString, int> albumLeft_;   // album key -> files not measured yet
    int total_ = 0;
    int done_ = 0;
    int inFlight_ = 0; // decoded files handed to the worker and not measured yet
    bool decoding_ = false;
    bool running_ = false;
};

} // namespace larkspin
