#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace larkspin::kit {

// Where the output goes, from the settings file beside the plug-in (IB_<name>.ini):
//     Driver=default|alsa|dummy|disk|pulseaudio|pipewire
//     DiskFile=/path/of/the/raw/output   (disk only; float32 stereo 44100 Hz)
// The environment variable LARKSPIN_AUDIO_DRIVER overrides Driver (SDL_DISKAUDIOFILE then names the
// disk driver's file). "default" means the sound server in output mode 0 and ALSA in mode 1.
struct OutputSettings {
    std::string driver = "default";
    std::string diskFile;
};

OutputSettings readOutputSettings(const std::string& iniPath);
// The SDL driver name for a mode and settings; empty lets SDL pick its sound server.
std::string chooseDriver(int mode, const OutputSettings& settings, const char* environmentOverride);

// The audio device: SDL2 when a driver opens, otherwise a silent real-time clock so playback still
// advances and ends. The mix function runs on the output's own thread.
class AudioOutput {
public:
    using MixFn = void (*)(void* user, float* out, int frames);
    AudioOutput(MixFn mix, void* user) : mix_(mix), user_(user) {}
    ~AudioOutput() { close(); }

    // Opens the device for mode without waiting for it; reopens when the mode changed.
    void open(int mode);
    void close();
    void mix(float* out, int frames) { mix_(user_, out, frames); }

private:
    void openNow(int mode);
    void runClock();

    MixFn mix_;
    void* user_;
    int mode_ = -1;
    std::thread opener_;
    std::atomic<bool> clockRunning_{false};
    std::thread clock_;
    unsigned device_ = 0;
    bool sdlInitialised_ = false;
};

} // namespace larkspin::kit
