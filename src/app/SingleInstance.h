#pragma once

#include "CommandLine.h"

#include <QObject>

#include <string>

class QLocalServer;

namespace larkspin {

// One running Larkspin per program folder: a later start hands its request to the running one over a
// local socket named after the program folder (and the user), then ends. Lives on the GUI thread.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const std::string& programFolder, QObject* parent = nullptr);

    // Gives request to the running instance; true when it took it, false when none answers.
    bool HandToRunning(const LaunchRequest& request);
    // Makes this the running instance. A socket left by a crashed run (nobody answers on it) is
    // replaced. False when no socket can be made (the program then runs on without one).
    bool Listen();

    const QString& ServerName() const { return name_; }

signals:
    // A later start asked for this.
    void requestReceived(const LaunchRequest& request);

private:
    void acceptConnection();

    QString name_;
    QLocalServer* server_ = nullptr;
};

} // namespace larkspin
