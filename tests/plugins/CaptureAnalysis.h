#pragma once

// Reading what SDL's disk driver captured: float32 stereo at 44100 Hz.
#include "DecoderPlugIn.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

namespace capture {

constexpr int Rate = 44100;
constexpr double Full = 0.5; // amplitude of the generated sines
constexpr int StepMs = 10;

struct Levels {
    std::vector<double> a; // 440 Hz
    std::vector<double> b; // 880 Hz
    std::vector<double> c; // 660 Hz
};

// True while a descriptor of this process has path open (SDL's disk driver writes a capture until
// the plug-in's output thread has closed the device).
inline bool heldOpen(const QString& path) {
    const QString wanted = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == wanted)
            return true;
    return false;
}

enum class Whole { Wait, SoFar };

// One channel of a capture (float32 stereo), 0 for the left: once the output has closed it, or as
// far as it is written yet.
inline std::vector<float> readCapture(const QString& path, int channel, Whole whole = Whole::Wait) {
    if (whole == Whole::Wait && !waitFor([&] { return !heldOpen(path); }, 30000))
        qWarning("%s is still being written", qPrintable(path));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    const size_t frames = size_t(bytes.size()) / (2 * sizeof(float));
    std::vector<float> left(frames);
    const float* data = reinterpret_cast<const float*>(bytes.constData());
    for (size_t i = 0; i < frames; ++i)
        left[i] = data[i * 2 + size_t(channel)];
    return left;
}

inline Levels levelsOf(const QString& capture, int channel = 0, Whole whole = Whole::Wait) {
    const std::vector<float> mono = readCapture(capture, channel, whole);
    const int window = Rate / 20, step = Rate * StepMs / 1000;
    return {toneLevels(mono, 440, Rate, window, step), toneLevels(mono, 880, Rate, window, step),
            toneLevels(mono, 660, Rate, window, step)};
}

// Milliseconds of audio a capture holds so far.
inline qint64 capturedMs(const QString& path) {
    return QFileInfo(path).size() / qint64(2 * sizeof(float)) * 1000 / Rate;
}

// Waits until the output has written ms more audio: time passing on the device's clock, however busy
// the machine is.
inline bool waitForMoreAudio(const QString& path, int ms) {
    const qint64 until = capturedMs(path) + ms;
    return waitFor([&] { return capturedMs(path) >= until; }, 30000);
}

// Waits until what the capture holds so far satisfies condition(Levels).
template <typename F> bool waitForLevels(const QString& path, F condition) {
    return waitFor([&] { return condition(levelsOf(path, 0, Whole::SoFar)); }, 30000);
}

// First index from `from` where the level is above (or below) fraction of Full; -1 when never.
inline int firstAbove(const std::vector<double>& l, double fraction, int from = 0) {
    for (int i = std::max(from, 0); i < int(l.size()); ++i)
        if (l[size_t(i)] > fraction * Full)
            return i;
    return -1;
}

inline int firstBelow(const std::vector<double>& l, double fraction, int from = 0) {
    for (int i = std::max(from, 0); i < int(l.size()); ++i)
        if (l[size_t(i)] < fraction * Full)
            return i;
    return -1;
}

inline int lastAbove(const std::vector<double>& l, double fraction, int before) {
    for (int i = std::min(before, int(l.size())) - 1; i >= 0; --i)
        if (l[size_t(i)] > fraction * Full)
            return i;
    return -1;
}

// A linear envelope over fadeMs crosses 5 % and 95 % of full 0.9 * fadeMs apart.
inline void verifyRamp(int from, int to, int fadeMs) {
    QVERIFY2(from >= 0 && to > from, qPrintable(QString("ramp %1..%2").arg(from).arg(to)));
    const int measured = (to - from) * StepMs;
    QVERIFY2(std::abs(measured - fadeMs * 9 / 10) <= 80,
             qPrintable(QString("ramp of %1 ms for a fade of %2 ms").arg(measured).arg(fadeMs)));
}

} // namespace capture
