#pragma once

#include "Output.h"

#include <atomic>
#include <string>
#include <thread>

namespace larkspin::kit {

// Where the output goes, from the settings file beside the plug-in (IB_<name>.ini):
//     Driver=default|alsa|dummy|disk|pulseaudio|pipewire
//     DiskFile=/path/of/the/raw/output   (disk only; float32 stereo 44100 Hz)
// The environment variables LARKSPIN_AUDIO_DRIVER and SDL_DISKAUDIOFILE override Driver and DiskFile.
// "default" means the sound server in output mode 0 and ALSA in mode 1. Each plug-in keeps its own
// settings even though SDL's audio is shared by the whole process (see SdlAudioOwner.h).
struct OutputSettings {
    std::string driver = "default";
    std::string diskFile;
};

OutputSettings readOutputSettings(const std::string& iniPath);
// The SDL driver name for a mode and settings; empty lets SDL pick its sound server.
std::string chooseDriver(int mode, const OutputSettings& settings, const char* environmentOverride);

// The audio device: SDL2 when a driver opens, otherwise a silent real-time clock so playback still
// advances and ends.
class AudioOutput : public Output {
public:
    // plugInPath: the plug-in's own file; its settings file lies beside it.
    explicit AudioOutput(std::string plugInPath) : plugInPath_(std::move(plugInPath)) {}
    ~AudioOutput() override { close(); }
    void open(int mode, MixFn mix, void* user) override;
    void close() override;

    // SDL's callback.
    void mix(float* out, int frames) { mix_(user_, out, frames); }

private:
    void runClock();

    const std::string plugInPath_;
    std::atomic<bool> toldOtherDriver_{false};
    // Set by open before the device or clock starts, read by their thread.
    MixFn mix_ = nullptr;
    void* user_ = nullptr;
    int mode_ = -1;
    std::atomic<bool> clockRunning_{false};
    std::thread clock_;
    unsigned device_ = 0;
};

} // namespace larkspin::kit
