#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

// Disc images from PCM made here, so a rip can be compared sample by sample with its source. Unlike the
// tone images of the CDDB tests, left and right differ (a channel swap shows) and every track has tones
// of its own (an off-by-a-sector read shows).

// frames 44100 Hz stereo frames of track index: left 440 + 110 * index Hz, right two tones; all below
// 2.5 kHz, so halving the rate twice leaves them whole.
inline QByteArray TrackPcm(int index, qint64 frames, double extraHz = 0) {
    QByteArray pcm(static_cast<qsizetype>(frames * 4), Qt::Uninitialized);
    auto* out = reinterpret_cast<int16_t*>(pcm.data());
    const double pi = 3.14159265358979323846;
    const double f1 = 440 + 110 * index, f2 = 300 + 70 * index;
    for (qint64 n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / 44100;
        double left = 0.45 * std::sin(2 * pi * f1 * t);
        double right = 0.3 * std::sin(2 * pi * f2 * t) + 0.1 * std::sin(2 * pi * 1234 * t);
        if (extraHz > 0) {
            left = 0.5 * std::sin(2 * pi * extraHz * t);
            right = left;
        }
        out[2 * n] = static_cast<int16_t>(std::lrint(left * 32767));
        out[2 * n + 1] = static_cast<int16_t>(std::lrint(right * 32767));
    }
    return pcm;
}

// Writes <dir>/<name>.bin with the tracks' PCM one after the other and <dir>/<name>.cue describing
// them (modes: the CUE track types, AUDIO by default). Returns the .cue path, empty on failure.
inline QString WritePcmDiscImage(const QString& dir, const QString& name, const QList<QByteArray>& tracks,
                                 const QStringList& modes = {}) {
    QByteArray bin;
    QString cue = "FILE \"" + name + ".bin\" BINARY\n";
    for (int i = 0; i < tracks.size(); ++i) {
        const qsizetype start = bin.size() / 2352;
        cue += QString::asprintf("  TRACK %02d ", i + 1) + modes.value(i, QStringLiteral("AUDIO")) + "\n";
        cue += QString::asprintf("    INDEX 01 %02d:%02d:%02d\n", int(start / 4500), int(start / 75 % 60),
                                 int(start % 75));
        bin += tracks[i];
    }
    QFile binFile(QDir(dir).filePath(name + ".bin"));
    QFile cueFile(QDir(dir).filePath(name + ".cue"));
    if (!binFile.open(QIODevice::WriteOnly) || binFile.write(bin) != bin.size() ||
        !cueFile.open(QIODevice::WriteOnly) || cueFile.write(cue.toUtf8()) < 0)
        return {};
    return cueFile.fileName();
}

inline std::vector<int16_t> Samples(const QByteArray& pcm) {
    std::vector<int16_t> s(static_cast<size_t>(pcm.size() / 2));
    std::memcpy(s.data(), pcm.constData(), s.size() * 2);
    return s;
}
