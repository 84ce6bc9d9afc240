#include "AudioOutput.h"

#include "SdlAudioOwner.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace larkspin::kit {

namespace {

std::string trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return s.substr(b, e - b);
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

void sdlMix(void* user, Uint8* stream, int len) {
    static_cast<AudioOutput*>(user)->mix(reinterpret_cast<float*>(stream),
                                         len / static_cast<int>(2 * sizeof(float)));
}

std::string iniPathFor(const std::string& plugIn) {
    const size_t dot = plugIn.rfind('.');
    return (dot == std::string::npos ? plugIn : plugIn.substr(0, dot)) + ".ini";
}

// SDL_DISKAUDIOFILE, which tests set, wins over the settings file, as LARKSPIN_AUDIO_DRIVER does.
std::string captureFileFor(const OutputSettings& settings) {
    const char* fromEnvironment = std::getenv("SDL_DISKAUDIOFILE");
    return fromEnvironment && *fromEnvironment ? fromEnvironment : settings.diskFile;
}

} // namespace

OutputSettings readOutputSettings(const std::string& iniPath) {
    OutputSettings settings;
    std::ifstream in(iniPath);
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = lower(trimmed(line.substr(0, eq)));
        const std::string value = trimmed(line.substr(eq + 1));
        if (key == "driver" && !value.empty())
            settings.driver = lower(value);
        else if (key == "diskfile")
            settings.diskFile = value;
    }
    return settings;
}

std::string chooseDriver(int mode, const OutputSettings& settings, const char* environmentOverride) {
    std::string driver =
        environmentOverride && *environmentOverride ? lower(environmentOverride) : settings.driver;
    if (driver.empty() || driver == "default")
        return mode == 1 ? "alsa" : "";
    return driver;
}

void AudioOutput::open(int mode, MixFn mix, void* user) {
    if (mode == mode_ && mix == mix_ && user == user_)
        return;
    close();
    mode_ = mode;
    mix_ = mix;
    user_ = user;
    const std::string& plugIn = plugInPath_;
    const OutputSettings settings = readOutputSettings(iniPathFor(plugIn));
    const std::string driver = chooseDriver(mode, settings, std::getenv("LARKSPIN_AUDIO_DRIVER"));
    if (driver != "null") {
        SDL_AudioSpec want{};
        want.freq = 44100;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        // About 93 ms a callback: fades and volume are applied in the mixer, so they stay immediate,
        // and the audio thread wakes 11 times a second instead of 43.
        want.samples = 4096;
        want.callback = sdlMix;
        want.userdata = this;
        const SdlOpenResult opened = OpenSdlAudio(driver, captureFileFor(settings), want);
        // Playing through another plug-in's driver is told once; it happens at every switch.
        if (!opened.problem.empty() && !(opened.otherDriver && toldOtherDriver_.exchange(true)))
            std::fprintf(stderr, "%s: %s\n", plugIn.c_str(), opened.problem.c_str());
        device_ = opened.device;
        if (device_) {
            SDL_PauseAudioDevice(device_, 0);
            return;
        }
    }
    clockRunning_ = true;
    clock_ = std::thread([this] { runClock(); });
}

// Mixes in real time without a device, so positions advance and files end as they would audibly.
void AudioOutput::runClock() {
    using Clock = std::chrono::steady_clock;
    constexpr int Block = 2048;
    std::vector<float> buffer(Block * 2);
    const auto start = Clock::now();
    for (int64_t blocks = 1; clockRunning_; ++blocks) {
        mix_(user_, buffer.data(), Block);
        std::this_thread::sleep_until(start + std::chrono::microseconds(blocks * Block * 1000000 / 44100));
    }
}

void AudioOutput::close() {
    CloseSdlAudio(device_);
    device_ = 0;
    if (clock_.joinable()) {
        clockRunning_ = false;
        clock_.join();
    }
    mode_ = -1;
}

} // namespace larkspin::kit
