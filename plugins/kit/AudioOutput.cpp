#include "AudioOutput.h"

#include <SDL.h>
#include <dlfcn.h>

#include <chrono>
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
    Dl_info info{};
    std::string ini;
    if (dladdr(reinterpret_cast<void*>(&readOutputSettings), &info) && info.dli_fname) {
        ini = info.dli_fname;
        const size_t dot = ini.rfind('.');
        ini = (dot == std::string::npos ? ini : ini.substr(0, dot)) + ".ini";
    }
    const OutputSettings settings = readOutputSettings(ini);
    const std::string driver = chooseDriver(mode, settings, std::getenv("LARKSPIN_AUDIO_DRIVER"));
    if (driver == "disk" && !settings.diskFile.empty() && !std::getenv("SDL_DISKAUDIOFILE"))
        SDL_setenv("SDL_DISKAUDIOFILE", settings.diskFile.c_str(), 1);
    if (driver != "null") {
        if (!SDL_WasInit(SDL_INIT_AUDIO))
            SDL_SetHint(SDL_HINT_AUDIODRIVER, driver.c_str());
        sdlInitialised_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    if (sdlInitialised_) {
        SDL_AudioSpec want{};
        want.freq = 44100;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        // About 93 ms a callback: fades and volume are applied in the mixer, so they stay immediate,
        // and the audio thread wakes 11 times a second instead of 43.
        want.samples = 4096;
        want.callback = sdlMix;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
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
    if (device_) {
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    if (sdlInitialised_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdlInitialised_ = false;
    }
    if (clock_.joinable()) {
        clockRunning_ = false;
        clock_.join();
    }
    mode_ = -1;
}

} // namespace larkspin::kit
