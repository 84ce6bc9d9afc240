#pragma once

#include "PlaylistEntry.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace larkspin::test {

inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteBytes(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

// An entry whose fields are "<prefix> <field name>" and whose path is path.
inline PlaylistEntry MakeEntry(const std::string& artist, const std::string& title, const std::string& path,
                               const std::string& length = "3:45") {
    TrackRecord r;
    r[RecordArtist] = artist;
    r[RecordTitle] = title;
    r[RecordLength] = length;
    r[RecordAlbum] = "Album";
    r[RecordBitrate] = "128 kbit/s";
    r[RecordYear] = "1999";
    r[RecordStyle] = "Rock";
    r[RecordComment] = "Comment";
    r[RecordTrack] = "01";
    r[RecordSize] = "3.1 MB";
    r[RecordPath] = path;
    return PlaylistEntry(r);
}

inline bool HaveTool(const QString& tool) {
    return !QStandardPaths::findExecutable(tool).isEmpty();
}

inline bool RunTool(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A one-second tagged MP3 made with sox and lame; false when a tool is missing or fails.
inline bool MakeMp3(const QString& path, const QString& artist, const QString& title, double seconds = 1) {
    const QString wav = path + ".tmp.wav";
    const bool ok = RunTool("sox", {"-n", "-r", "44100", "-c", "1", "-b", "16", wav, "synth",
                                    QString::number(seconds), "sine", "440"}) &&
                    RunTool("lame", {"--quiet", "-b", "64", "--ta", artist, "--tt", title, wav, path});
    QFile::remove(wav);
    return ok;
}

inline bool MakeWav(const QString& path, double seconds = 1) {
    return RunTool("sox", {"-n", "-r", "44100", "-c", "1", "-b", "16", path, "synth",
                           QString::number(seconds), "sine", "330"});
}

} // namespace larkspin::test
