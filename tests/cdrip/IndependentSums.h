#pragma once

// The checksums of ripped audio computed apart from the code under test: a short Python program
// (zlib's CRC-32 and AccurateRip's sums written out plainly) over sector ranges of a file of raw CD
// audio. Used by tests as the expected values.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

struct IndependentSum {
    uint32_t v1 = 0, v2 = 0, crc32 = 0, peak = 0;
};

// One range: sectors first to last (inclusive) of the file, and whether it is the disc's first or
// last audio track.
struct SumRange {
    int first = 0, last = 0;
    bool firstTrack = false, lastTrack = false;
};

inline const char* IndependentSumProgram = R"(
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
for part in sys.argv[2:]:
    a, b, first, last = map(int, part.split(':'))
    pcm = data[a * 2352:(b + 1) * 2352]
    n = len(pcm) // 4
    words = struct.unpack('<%dI' % n, pcm[:n * 4])
    lo = 5 * 588 if first else 1
    hi = n - 5 * 588 if last else n
    v1 = v2 = 0
    for i, w in enumerate(words, 1):
        if lo <= i <= hi:
            p = w * i
            v1 = (v1 + p) % 2**32
            v2 = (v2 + p % 2**32 + p // 2**32) % 2**32
    samples = struct.unpack('<%dh' % (2 * n), pcm[:n * 4])
    peak = max([abs(s) for s in samples] + [0])
    print(v1, v2, zlib.crc32(pcm) & 0xffffffff, peak)
)";

// Empty (and error set) when python3 cannot be run.
inline std::vector<IndependentSum> IndependentSums(const QString& file, const std::vector<SumRange>& ranges,
                                                   QString* error) {
    QStringList args{"-c", IndependentSumProgram, file};
    for (const SumRange& r : ranges)
        args << QStringLiteral("%1:%2:%3:%4")
                    .arg(r.first)
                    .arg(r.last)
                    .arg(int(r.firstTrack))
                    .arg(int(r.lastTrack));
    QProcess python;
    python.start(QStringLiteral("python3"), args);
    if (!python.waitForFinished(120000) || python.exitCode() != 0) {
        *error =
            "python3 failed: " + python.errorString() + QString::fromLocal8Bit(python.readAllStandardError());
        return {};
    }
    std::vector<IndependentSum> sums;
    for (const QByteArray& line : python.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() == 4)
            sums.push_back({f[0].toUInt(), f[1].toUInt(), f[2].toUInt(), f[3].toUInt()});
    }
    if (sums.size() != ranges.size())
        *error = QStringLiteral("python3 gave %1 lines for %2 ranges").arg(sums.size()).arg(ranges.size());
    return sums;
}
