#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

namespace larkspin {

// What a start of larkspin asks for: larkspin [--enqueue] [FILE|FOLDER|PLAYLIST]...
struct LaunchRequest {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    bool enqueue = false; // add only; without it the first added entry plays
    QStringList paths;    // absolute, existing, in the order given
    QStringList missing;  // given paths that do not exist, as given
    QString message;      // the help or version text, or what was wrong
};

// Reads the arguments (without the program name); relative paths are taken from workingFolder.
LaunchRequest ParseCommandLine(const QStringList& arguments, const QString& workingFolder);

// A request as bytes for the running instance, and back. Decoding damaged bytes gives an empty request.
QByteArray EncodeLaunchRequest(const LaunchRequest& request);
LaunchRequest DecodeLaunchRequest(const QByteArray& bytes);

} // namespace larkspin

Q_DECLARE_METATYPE(larkspin::LaunchRequest)
