#pragma once

// Fixtures shared by the encoding tests: tools, generated WAV files and their samples.
#include "../plugins/DecoderPlugIn.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <vector>

// A sine WAV of seconds at frequency, 16-bit, made by sox, with the given rate and channels.
inline bool makeTone(const QString& path, double seconds, int rate = 44100, int channels = 2,
                     double frequency = 440) {
    return runTool("sox",
                   {"-n", "-r", QString::number(rate), "-c", QString::number(channels), "-b", "16", path,
                    "synth", QString::number(seconds), "sine", QString::number(frequency), "vol", "0.5"});
}

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Root-mean-square difference of two sample lists over their common length, as a fraction of full scale,
// after shifting b by the lag (in samples of all channels together) that fits best within maxLag.
inline double rmsDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int channels,
                            int maxLagFrames = 0) {
    double best = 1e9;
    for (int lag = -maxLagFrames; lag <= maxLagFrames; ++lag) {
        const long shift = long(lag) * channels;
        double sum = 0;
        size_t n = 0;
        for (size_t i = 4410 * size_t(channels); i + 4410 * size_t(channels) < a.size(); i += 7) {
            const long j = long(i) + shift;
            if (j < 0 || size_t(j) >= b.size())
                continue;
            const double d = (double(a[i]) - double(b[size_t(j)])) / 32768.0;
            sum += d * d;
            ++n;
        }
        if (n > 0)
            best = std::min(best, std::sqrt(sum / double(n)));
    }
    return best;
}
