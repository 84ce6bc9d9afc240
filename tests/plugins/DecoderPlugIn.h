#pragma once

#include <larkspin/decoder_plugin.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <dlfcn.h>

#include <cmath>
#include <map>
#include <memory>
#include <vector>

// One built decoder plug-in, loaded the way the host loads it, with its exports resolved.
struct DecoderPlugIn {
    // name: a plug-in of the build's PlugIn/Decoder folder, or a path.
    explicit DecoderPlugIn(const QString& name) {
        const QString path =
            name.contains('/') ? name : QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/") + name;
        handle = dlopen(path.toUtf8().constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return;
        StartPlugIn = reinterpret_cast<LarkspinStartPlugInFn>(dlsym(handle, "StartPlugIn"));
        ClosePlugIn = reinterpret_cast<LarkspinClosePlugInFn>(dlsym(handle, "ClosePlugIn"));
        LoadFile = reinterpret_cast<LarkspinLoadFileFn>(dlsym(handle, "LoadFile"));
        Play = reinterpret_cast<LarkspinPlayFn>(dlsym(handle, "Play"));
        Pause = reinterpret_cast<LarkspinPauseFn>(dlsym(handle, "Pause"));
        Stop = reinterpret_cast<LarkspinStopFn>(dlsym(handle, "Stop"));
        GetLength = reinterpret_cast<LarkspinGetLengthFn>(dlsym(handle, "GetLength"));
        GetPos = reinterpret_cast<LarkspinGetPosFn>(dlsym(handle, "GetPos"));
        GetState = reinterpret_cast<LarkspinGetStateFn>(dlsym(handle, "GetState"));
        SetPos = reinterpret_cast<LarkspinSetPosFn>(dlsym(handle, "SetPos"));
        SetOutputMode = reinterpret_cast<LarkspinSetOutputModeFn>(dlsym(handle, "SetOutputMode"));
        GetNowFading = reinterpret_cast<LarkspinGetNowFadingFn>(dlsym(handle, "GetNowFading"));
        SetVolume = reinterpret_cast<LarkspinSetVolumeFn>(dlsym(handle, "SetVolume"));
        GetFileTypes = reinterpret_cast<LarkspinGetFileTypesFn>(dlsym(handle, "GetFileTypes"));
        decodefile = reinterpret_cast<LarkspinDecodeFileFn>(dlsym(handle, "decodefile"));
        GetDecodePos = reinterpret_cast<LarkspinGetDecodePosFn>(dlsym(handle, "GetDecodePos"));
        canceldecode = reinterpret_cast<LarkspinCancelDecodeFn>(dlsym(handle, "canceldecode"));
        SetFileGain = reinterpret_cast<LarkspinSetFileGainFn>(dlsym(handle, LARKSPIN_SET_FILE_GAIN_EXPORT));
    }
    bool loaded() const { return handle && StartPlugIn && decodefile && GetNowFading; }

    void* handle = nullptr;
    LarkspinStartPlugInFn StartPlugIn = nullptr;
    LarkspinClosePlugInFn ClosePlugIn = nullptr;
    LarkspinLoadFileFn LoadFile = nullptr;
    LarkspinPlayFn Play = nullptr;
    LarkspinPauseFn Pause = nullptr;
    LarkspinStopFn Stop = nullptr;
    LarkspinGetLengthFn GetLength = nullptr;
    LarkspinGetPosFn GetPos = nullptr;
    LarkspinGetStateFn GetState = nullptr;
    LarkspinSetPosFn SetPos = nullptr;
    LarkspinSetOutputModeFn SetOutputMode = nullptr;
    LarkspinGetNowFadingFn GetNowFading = nullptr;
    LarkspinSetVolumeFn SetVolume = nullptr;
    LarkspinGetFileTypesFn GetFileTypes = nullptr;
    LarkspinDecodeFileFn decodefile = nullptr;
    LarkspinGetDecodePosFn GetDecodePos = nullptr;
    LarkspinCancelDecodeFn canceldecode = nullptr;
    LarkspinSetFileGainFn SetFileGain = nullptr;
};

// A plug-in of the build loaded once per test program and kept loaded, as the host keeps its plug-ins.
inline DecoderPlugIn& KeptPlugIn(const QString& name) {
    static std::map<QString, std::unique_ptr<DecoderPlugIn>> plugIns;
    auto& slot = plugIns[name];
    if (!slot)
        slot = std::make_unique<DecoderPlugIn>(name);
    return *slot;
}

// Runs a command-line tool; true when it exits with 0.
inline bool runTool(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning().noquote() << program << arguments.join(' ') << "failed:" << p.readAll();
        return false;
    }
    return true;
}

// A sine WAV of seconds at frequency, amplitude 0.5, 44100 Hz stereo 16-bit, made by sox.
inline bool makeSine(const QString& path, double frequency, double seconds, int rate = 44100) {
    return runTool("sox", {"-n", "-r", QString::number(rate), "-c", "2", "-b", "16", path, "synth",
                           QString::number(seconds), "sine", QString::number(frequency), "vol", "0.5"});
}

// Polls until condition holds or timeoutMs passes.
template <typename F> bool waitFor(F condition, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

// The 16-bit samples of a canonical WAV file (everything after the "data" chunk header).
struct WavData {
    int channels = 0;
    int rate = 0;
    int bits = 0;
    uint32_t riffSize = 0;
    uint32_t dataSize = 0;
    qsizetype fileSize = 0;
    std::vector<int16_t> samples;
};

inline uint32_t le32(const QByteArray& b, int at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}

// Reads a WAV file by walking its chunks (reference decoders write extra chunks).
inline bool readWav(const QString& path, WavData& out) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray b = f.readAll();
    out.fileSize = b.size();
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE")
        return false;
    out.riffSize = le32(b, 4);
    for (qsizetype at = 12; at + 8 <= b.size();) {
        const QByteArray id = b.mid(at, 4);
        const uint32_t size = le32(b, int(at + 4));
        if (id == "fmt ") {
            out.channels = uint8_t(b[at + 10]) | uint8_t(b[at + 11]) << 8;
            out.rate = int(le32(b, int(at + 12)));
            out.bits = uint8_t(b[at + 22]);
        } else if (id == "data") {
            out.dataSize = size;
            const qsizetype bytes = std::min<qsizetype>(size, b.size() - at - 8);
            out.samples.resize(size_t(bytes / 2));
            if (!out.samples.empty())
                memcpy(out.samples.data(), b.constData() + at + 8, size_t(bytes / 2) * 2);
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

// Amplitude of frequency in the mono signal around each step, measured over windowFrames.
inline std::vector<double> toneLevels(const std::vector<float>& mono, double frequency, int rate,
                                      int windowFrames, int stepFrames) {
    std::vector<double> levels;
    const double w = 2.0 * M_PI * frequency / rate;
    for (size_t start = 0; start + size_t(windowFrames) <= mono.size(); start += size_t(stepFrames)) {
        double re = 0, im = 0;
        for (int i = 0; i < windowFrames; ++i) {
            re += mono[start + size_t(i)] * std::cos(w * i);
            im += mono[start + size_t(i)] * std::sin(w * i);
        }
        levels.push_back(2.0 * std::sqrt(re * re + im * im) / windowFrames);
    }
    return levels;
}
