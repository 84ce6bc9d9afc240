#pragma once

#include <QObject>

class QSocketNotifier;

namespace larkspin {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered on the event loop (the handler only
// writes a byte into a pipe), so a logout or Ctrl+C ends the program through its normal shutdown.
class UnixSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit UnixSignalWatcher(QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace larkspin
