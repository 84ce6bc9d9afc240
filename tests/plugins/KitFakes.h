#pragma once

// A decoder and outputs for driving the plug-in kit's engine without files of a real format or a
// sound device: faster than real time, with signals whose every sample says where it came from.
#include "Decoder.h"
#include "Output.h"

#include <QFile>
#include <QString>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace kitfakes {

// While set, every fake decoder's open waits (a decoder busy with a slow scan or a blocking file).
inline std::atomic<bool> openGate{false};

// A fake file: "rate channels seconds level lengthKnown" on one line. Its frames hold level plus
// 1000 for each tenth of a second (0 to 19, then again), so a sample tells its position.
inline bool writeFake(const QString& path, int rate, int channels, double seconds, int level,
                      bool lengthKnown = true) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(QString("%1 %2 %3 %4 %5\n")
                .arg(rate)
                .arg(channels)
                .arg(seconds)
                .arg(level)
                .arg(lengthKnown ? 1 : 0)
                .toUtf8());
    return true;
}

// The value of a fake's frame at second t of a file of level.
inline float fakeValue(int level, double t) {
    return float(level + 1000 * (int(t * 10 + 1e-9) % 20)) / 32768.0f;
}

class FakeDecoder : public larkspin::kit::Decoder {
public:
    bool open(const std::string& path) override {
        while (openGate)
            openGate.wait(true);
        FILE* f = std::fopen(path.c_str(), "r");
        if (!f)
            return false;
        double seconds = 0;
        int known = 1;
        const int n = std::fscanf(f, "%d %d %lf %d %d", &rate_, &channels_, &seconds, &level_, &known);
        std::fclose(f);
        frames_ = int64_t(seconds * rate_);
        known_ = known != 0;
        return n == 5;
    }
    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    int64_t lengthFrames() const override { return known_ ? frames_ : -1; }
    long read(int16_t* out, long frames) override {
        long n = 0;
        for (; n < frames && at_ < frames_; ++n, ++at_) {
            const auto v = int16_t(level_ + 1000 * ((at_ * 10 / rate_) % 20));
            for (int c = 0; c < channels_; ++c)
                out[n * channels_ + c] = v;
        }
        return n;
    }
    bool seek(int64_t frame) override {
        if (frame > frames_)
            return false;
        at_ = frame;
        return true;
    }

private:
    int rate_ = 0, channels_ = 0, level_ = 0;
    int64_t frames_ = 0, at_ = 0;
    bool known_ = true;
};

inline std::unique_ptr<larkspin::kit::Decoder> createFake() {
    return std::make_unique<FakeDecoder>();
}

// An output the test pumps by hand, keeping what it mixed (the left channel).
class ManualOutput : public larkspin::kit::Output {
public:
    void open(int mode, MixFn mix, void* user) override {
        std::lock_guard lock(mutex_);
        mode_ = mode, mix_ = mix, user_ = user;
        ++opens_;
    }
    void close() override {
        std::lock_guard lock(mutex_);
        mix_ = nullptr;
    }
    // Mixes frames frames; false (and nothing kept) while closed.
    bool pump(int frames = 1024) {
        std::lock_guard lock(mutex_);
        if (!mix_)
            return false;
        buffer_.resize(size_t(frames) * 2);
        mix_(user_, buffer_.data(), frames);
        for (int i = 0; i < frames; ++i)
            heard.push_back(buffer_[size_t(i) * 2]);
        return true;
    }
    int opens() {
        std::lock_guard lock(mutex_);
        return opens_;
    }
    std::vector<float> heard;

private:
    std::mutex mutex_;
    MixFn mix_ = nullptr;
    void* user_ = nullptr;
    int mode_ = -1;
    int opens_ = 0;
    std::vector<float> buffer_;
};

// An output whose own thread mixes as fast as it can, like a device with no clock.
class RacingOutput : public larkspin::kit::Output {
public:
    ~RacingOutput() override { close(); }
    void open(int mode, MixFn mix, void* user) override {
        if (thread_.joinable() && mode == mode_)
            return;
        close();
        mode_ = mode;
        running_ = true;
        thread_ = std::thread([this, mix, user] {
            std::vector<float> buffer(2048 * 2);
            while (running_) {
                mix(user, buffer.data(), 2048);
                std::this_thread::yield();
            }
        });
    }
    void close() override {
        running_ = false;
        if (thread_.joinable())
            thread_.join();
        mode_ = -1;
    }

private:
    int mode_ = -1;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

// An output whose open and close take as long as the test holds its gate (a sound server that is slow
// to answer), counting what it was asked to do. It never mixes.
class GatedOutput : public larkspin::kit::Output {
public:
    std::atomic<bool> gate{false};
    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
    std::atomic<bool> isOpen{false};

    void open(int, MixFn, void*) override {
        pass();
        ++opens;
        isOpen = true;
    }
    void close() override {
        pass();
        ++closes;
        isOpen = false;
    }
    void release() {
        gate = false;
        gate.notify_all();
    }

private:
    void pass() {
        while (gate)
            gate.wait(true);
    }
};

} // namespace kitfakes
