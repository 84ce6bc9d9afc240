#include "SdlAudioOwner.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <mutex>
#include <sstream>
#include <vector>

namespace larkspin::kit {

namespace {

// Process-wide, yet reachable from every copy of the kit without shared memory: each open() of
// /proc/self makes a new open file description, and flock excludes other descriptions, so two plug-ins
// of one process exclude each other while other processes lock their own /proc entry. The mutex covers
// threads of this copy should /proc be missing.
class ProcessAudioLock {
public:
    ProcessAudioLock() : guard_(mutex()) {
        fd_ = ::open("/proc/self", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~ProcessAudioLock() {
        if (fd_ >= 0)
            ::close(fd_); // closing the description releases the lock
    }
    ProcessAudioLock(const ProcessAudioLock&) = delete;
    ProcessAudioLock& operator=(const ProcessAudioLock&) = delete;

private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    std::lock_guard<std::mutex> guard_;
    int fd_ = -1;
};

// The record of open outputs: one line "device<TAB>capture file" each, kept as an SDL hint because SDL
// is the one thing every plug-in shares. Read and written only under ProcessAudioLock.
constexpr const char* RecordHint = "LARKSPIN_OPEN_AUDIO_OUTPUTS";

struct OpenOutput {
    SDL_AudioDeviceID device = 0;
    std::string captureFile;
};

std::vector<OpenOutput> readRecord() {
    std::vector<OpenOutput> outputs;
    const char* text = SDL_GetHint(RecordHint);
    std::istringstream in(text ? text : "");
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        outputs.push_back(
            {static_cast<SDL_AudioDeviceID>(std::stoul(line.substr(0, tab))), line.substr(tab + 1)});
    }
    return outputs;
}

void writeRecord(const std::vector<OpenOutput>& outputs) {
    std::string text;
    for (const auto& o : outputs)
        text += std::to_string(o.device) + '\t' + o.captureFile + '\n';
    SDL_SetHintWithPriority(RecordHint, text.c_str(), SDL_HINT_OVERRIDE);
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
    ProcessAudioLock lock;
    std::vector<OpenOutput> outputs = readRecord();
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
    writeRecord(outputs);
    return result;
}

void CloseSdlAudio(SDL_AudioDeviceID device) {
    if (!device)
        return;
    ProcessAudioLock lock;
    SDL_CloseAudioDevice(device);
    std::vector<OpenOutput> outputs = readRecord();
    std::erase_if(outputs, [device](const OpenOutput& o) { return o.device == device; });
    writeRecord(outputs);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace larkspin::kit
