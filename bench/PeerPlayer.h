#pragma once

// The peer player the benches compare with: Audacious (scripts/install-deps.sh bench installs it).

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <csignal>

// The path of the audacious program, empty when it is not installed.
inline QString AudaciousProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("audacious"));
}

// Makes home a home in which Audacious plays into SDL's output (the dummy driver the benches set, as
// Larkspin's plug-ins use) instead of the first sound server it finds: Audacious is run once without
// windows so it writes its plug-in list, and the list is changed to enable the SDL output only.
// Returns false when that fails; the other files of home are left as that run wrote them.
inline bool PrepareAudaciousHome(const QString& audacious, const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.remove("XDG_CONFIG_HOME");
    env.remove("XDG_DATA_HOME");
    env.insert("SDL_AUDIODRIVER", "dummy");
    const QString registry = QDir(home).filePath(".config/audacious/plugin-registry");
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(audacious, {"--headless"});
    if (!p.waitForStarted(10000))
        return false;
    // Audacious writes the list when it quits; SIGTERM makes it quit as its own Quit does.
    p.waitForFinished(5000);
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    if (!p.waitForFinished(15000)) {
        p.kill();
        p.waitForFinished(5000);
        return false;
    }
    QFile file(registry);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The list has one block per plug-in: "<kind> <path>", then "key value" lines, "enabled" among them.
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    QByteArray kind, path;
    bool sdlFound = false;
    for (QByteArray& line : lines) {
        const qsizetype space = line.indexOf(' ');
        if (space > 0 && line.mid(space + 1).startsWith('/')) {
            kind = line.left(space);
            path = line.mid(space + 1);
        } else if (line.startsWith("enabled ") && kind == "output") {
            const bool sdl = path.endsWith("/sdlout.so");
            sdlFound |= sdl;
            line = sdl ? "enabled 1" : "enabled 0";
        }
    }
    if (!sdlFound || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(lines.join('\n')) > 0;
}

// Copies the Audacious settings of from into the home to (the plug-in list and its settings file).
inline void CopyAudaciousHome(const QString& from, const QString& to) {
    const QDir source(QDir(from).filePath(".config/audacious"));
    QDir target(QDir(to).filePath(".config/audacious"));
    target.mkpath(".");
    for (const QString& name : source.entryList(QDir::Files))
        QFile::copy(source.filePath(name), target.filePath(name));
}
