#include "SdlAudioOwner.h"

#include <mutex>
#include <vector>

namespace larkspin::kit {

namespace {

// The kit is one shared library every plug-in links, so this is the one record of open outputs in the
// process, and its mutex orders every plug-in's opens and closes.
struct OpenOutput {
    SDL_AudioDeviceID device = 0;
    std::string captureFile;
};

// Never destroyed: a plug-in unloaded at exit closes its output after static objects are gone.
std::mutex& ownerMutex() {
    static auto* m = new std::mutex;
    return *m;
}

std::vector<OpenOutput>& openOutputs() {
    static auto* outputs = new std::vector<OpenOutput>;
    return *outputs;
}

bool writtenBy(const std::vector<OpenOutput>& outputs, const std::string& file) {
    for (const auto& o : outputs)
        if (o.captureFile == file)
            return true;
    return false;
}

std::string freeCaptureName(const std::vector<OpenOutput>& outputs, const std::string& wanted) {
    std::string name = wanted;
    for (int n = 2; writtenBy(outputs, name); ++n)
        name = wanted + '.' + std::to_string(n);
    return name;
}

} // namespace

SdlOpenResult OpenSdlAudio(const std::string& driver, const std::string& captureFile,
                           const SDL_AudioSpec& want) {
    SdlOpenResult result;
    std::lock_guard lock(ownerMutex());
    std::vector<OpenOutput>& outputs = openOutputs();
    if (outputs.empty()) {
        // Nothing plays, so SDL audio is down (every open pairs an init with the close's quit) and this
        // output may choose the driver.
        if (driver.empty())
            SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        else
            SDL_SetHint(SDL_HINT_AUDIODRIVER, driver.c_str());
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        result.problem = std::string("SDL audio: ") + SDL_GetError();
        return result;
    }
    const char* running = SDL_GetCurrentAudioDriver();
    const std::string live = running ? running : "";
    // SDL runs one driver at a time; while another output plays, a different one cannot start. The
    // track is played through the running driver rather than not heard at all.
    if (!outputs.empty() && live != driver && !(driver.empty() && live != "disk" && live != "dummy")) {
        result.otherDriver = true;
        result.problem = "audio driver \"" + (driver.empty() ? std::string("default") : driver) +
                         "\" was not used: another plug-in plays through \"" + live +
                         "\", so this one does too";
    }
    const char* deviceName = nullptr;
    if (live == "disk") {
        // The disk driver takes the device name as the file to write.
        const std::string wanted = captureFile.empty() ? "sdlaudio.raw" : captureFile;
        result.captureFile = freeCaptureName(outputs, wanted);
        if (result.captureFile != wanted && !result.otherDriver)
            result.problem =
                "capture file " + wanted + " is written by another output; writing " + result.captureFile;
        deviceName = result.captureFile.c_str();
    }
    SDL_AudioSpec have{};
    result.device = SDL_OpenAudioDevice(deviceName, 0, &want, &have, 0);
    if (!result.device) {
        result.otherDriver = false;
        result.problem = std::string("SDL audio device: ") + SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return result;
    }
    outputs.push_back({result.device, result.captureFile});
    return result;
}

void CloseSdlAudio(SDL_AudioDeviceID device) {
    if (!device)
        return;
    std::lock_guard lock(ownerMutex());
    SDL_CloseAudioDevice(device);
    std::erase_if(openOutputs(), [device](const OpenOutput& o) { return o.device == device; });
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace larkspin::kit
