#pragma once

// Running the shipped program from a bench: a fresh program folder, a fresh home, and a clean end.
// Benches that use it define LARKSPIN_BUILD_DIR.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <csignal>

// A program folder in dir with the built program and its decoder plug-ins (not the test-only ones, and
// not those whose name contains skip); returns the program's path.
inline QString CopyShippedProgram(const QTemporaryDir& dir, const QString& skip = {}) {
    const QDir build(QStringLiteral(LARKSPIN_BUILD_DIR));
    QDir d(dir.path());
    d.mkpath("PlugIn/Decoder");
    QFile::copy(build.filePath("larkspin"), d.filePath("larkspin"));
    const QDir decoders(build.filePath("PlugIn/Decoder"));
    for (const QString& name : decoders.entryList({"IB_*.so", "*backend*.so"}, QDir::Files))
        if (!name.startsWith("IB_recording") && !name.startsWith("IB_unversioned") &&
            (skip.isEmpty() || !name.contains(skip)))
            QFile::copy(decoders.filePath(name), d.filePath("PlugIn/Decoder/" + name));
    return d.filePath("larkspin");
}

// The environment of a program started as a new user in home, playing into SDL's dummy output.
inline QProcessEnvironment FreshHomeEnvironment(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.remove("XDG_CONFIG_HOME");
    env.remove("XDG_DATA_HOME");
    env.insert("LARKSPIN_AUDIO_DRIVER", "dummy");
    env.insert("SDL_AUDIODRIVER", "dummy");
    return env;
}

// Asks the program to end as a desktop session would (SIGTERM), then kills it if it does not.
inline void EndProgram(QProcess& p) {
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}
