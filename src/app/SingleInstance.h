#pragma once

#include "CommandLine.h"

#include <QObject>

#include <string>

class QLocalServer;

namespace larkspin {

// One running Larkspin per program folder: a later start hands its request to the running one over a
// local socket named after the program folder, then ends. The socket and a lock file lie in the user's
// private runtime folder ($XDG_RUNTIME_DIR, else a folder of the user's own below the temporary folder).
// The running instance holds the lock for its whole run, so two starts at once never both run, and a
// running instance that is slow to answer is waited for, never displaced. Lives on the GUI thread.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const std::string& programFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Claim {
        Running,    // this is the running instance now (with or without a socket)
        HandedOver, // the running instance took the request
        NoAnswer,   // an instance runs but did not take the request
    };
    // Becomes the running instance, or hands request to the one that runs.
    Claim ClaimOrHandOver(const LaunchRequest& request);

    // Gives request to the running instance; true when it took it, false when none answers.
    bool HandToRunning(const LaunchRequest& request);
    // Makes this the running instance. A socket left by a crashed run (nobody answers on it) is
    // replaced. False when no socket can be made (the program then runs on without one).
    bool Listen();

    // The socket's full path.
    const QString& ServerName() const { return name_; }

signals:
    // A later start asked for this.
    void requestReceived(const LaunchRequest& request);

private:
    enum class Offered { Taken, NoServer, NoAnswer };
    Offered Offer(const LaunchRequest& request);
    void acceptConnection();

    QString name_;
    QString lockPath_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr;
};

} // namespace larkspin
