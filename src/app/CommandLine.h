#pragma once

#include <QByteArrayList>
#include <QMetaType>
#include <QString>

namespace larkspin {

// What a start of larkspin asks for: larkspin [--enqueue] [FILE|FOLDER|PLAYLIST]...
struct LaunchRequest {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    bool enqueue = false;   // add only; without it the first added entry plays
    QByteArrayList paths;   // absolute, existing, in the order given
    QByteArrayList missing; // given paths that do not exist, as given
    QString message;        // the help or version text, or what was wrong
};

// Reads the arguments (without the program name); relative paths are taken from workingFolder. Paths
// are file names as the system has them: bytes, kept whatever the locale makes of them.
LaunchRequest ParseCommandLine(const QByteArrayList& arguments, const QByteArray& workingFolder);

// A request as bytes for the running instance, and back. Decoding damaged bytes gives an empty request.
QByteArray EncodeLaunchRequest(const LaunchRequest& request);
LaunchRequest DecodeLaunchRequest(const QByteArray& bytes);

} // namespace larkspin

Q_DECLARE_METATYPE(larkspin::LaunchRequest)
