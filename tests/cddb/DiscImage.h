#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QString>

// Builds a CD image from generated tones: <dir>/<name>.cue with one <name>.bin.
// trackFrames holds each track's length in frames (1/75 s, 2352 bytes); modes the CUE track types;
// pregaps a PREGAP (silence not in the file) in frames for each track, 0 for none.
// Returns the .cue path, or an empty text (with the reason in error) when sox fails.
inline QString MakeDiscImage(const QString& dir, const QString& name, const QList<int>& trackFrames,
                             QString* error, const QStringList& modes = {}, const QList<int>& pregaps = {}) {
    QByteArray bin;
    int frequency = 330;
    for (int frames : trackFrames) {
        QProcess sox;
        // 588 stereo samples per frame; the input rate must be given, or sox counts samples at 48 kHz.
        sox.start(QStringLiteral("sox"), {"-r",
                                          "44100",
                                          "-n",
                                          "-r",
                                          "44100",
                                          "-c",
                                          "2",
                                          "-b",
                                          "16",
                                          "-e",
                                          "signed-integer",
                                          "-L",
                                          "-t",
                                          "raw",
                                          "-",
                                          "synth",
                                          QString::number(frames * 588) + "s",
                                          "sine",
                                          QString::number(frequency),
                                          "vol",
                                          "0.5"});
        frequency += 220;
        if (!sox.waitForFinished(30000) || sox.exitCode() != 0) {
            *error = "sox failed: " + QString::fromLocal8Bit(sox.readAllStandardError()) + sox.errorString();
            return {};
        }
        QByteArray tone = sox.readAllStandardOutput();
        if (tone.size() != frames * 2352) {
            *error = QStringLiteral("sox gave %1 bytes for %2 frames").arg(tone.size()).arg(frames);
            return {};
        }
        bin += tone;
    }
    QString cue = "FILE \"" + name + ".bin\" BINARY\n";
    int start = 0;
    for (int i = 0; i < trackFrames.size(); ++i) {
        QString mode = modes.value(i, QStringLiteral("AUDIO"));
        cue += QString::asprintf("  TRACK %02d ", i + 1) + mode + "\n";
        if (const int gap = pregaps.value(i, 0))
            cue += QString::asprintf("    PREGAP %02d:%02d:%02d\n", gap / 4500, gap / 75 % 60, gap % 75);
        cue += QString::asprintf("    INDEX 01 %02d:%02d:%02d\n", start / 4500, start / 75 % 60, start % 75);
        start += trackFrames[i];
    }
    QFile binFile(QDir(dir).filePath(name + ".bin"));
    QFile cueFile(QDir(dir).filePath(name + ".cue"));
    if (!binFile.open(QIODevice::WriteOnly) || binFile.write(bin) != bin.size() ||
        !cueFile.open(QIODevice::WriteOnly) || cueFile.write(cue.toUtf8()) < 0) {
        *error = QStringLiteral("cannot write the image into ") + dir;
        return {};
    }
    return cueFile.fileName();
}

// Three tones at LSN 0, 375 and 920 with the lead-out at 1220: disc ID 0e001003.
inline const QList<int> ThreeToneFrames = {375, 545, 300};
