// A decoder plug-in that records what the host asks of it and answers what a test scripted.
#include "RecordingPlugIn.h"

#include <larkspin/decoder_plugin.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>

namespace {

struct Recorder {
    std::mutex mutex;
    std::string libraryPath;
    std::string libraryName;
    std::string log;
    std::string logCopy; // returned by Recording_Log
    std::map<std::string, std::string> script;
    int32_t autoState = LARKSPIN_STATE_IDLE;
    int32_t autoPos = 0;
    std::string textAnswer; // keeps returned texts alive until the next call
    std::string cdInfoAnswer;
    std::string loadErrorAnswer;
};

Recorder* instance = nullptr;

// Made again should a call come during process exit, after the library's destructors ran.
Recorder& recorder() {
    if (!instance)
        instance = new Recorder;
    return *instance;
}

// A host that refuses the library unloads it at once.
__attribute__((destructor)) void unloaded() {
    delete instance;
    instance = nullptr;
}

void locateLibrary(Recorder& r) {
    if (!r.libraryPath.empty())
        return;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&locateLibrary), &info) && info.dli_fname) {
        r.libraryPath = info.dli_fname;
        const size_t slash = r.libraryPath.rfind('/');
        r.libraryName = slash == std::string::npos ? r.libraryPath : r.libraryPath.substr(slash + 1);
    }
}

void readScriptFile(Recorder& r) {
    std::ifstream in(r.libraryPath + ".script");
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            r.script[line.substr(0, eq)] = line.substr(eq + 1);
    }
}

__attribute__((constructor)) void loaded() {
    Recorder& r = recorder();
    std::lock_guard lock(r.mutex);
    locateLibrary(r);
    readScriptFile(r);
}

std::string arg(const char* text) {
    return text ? text : "(null)";
}
std::string arg(int64_t value) {
    return std::to_string(value);
}

template <typename... Args> void record(const char* name, const Args&... args) {
    Recorder& r = recorder();
    std::ostringstream line;
    line << r.libraryName << ": " << name << "(";
    [[maybe_unused]] const char* sep = "";
    ((line << sep << arg(args), sep = ","), ...);
    line << ")\n";
    std::lock_guard lock(r.mutex);
    r.log += line.str();
    if (const char* file = std::getenv("LARKSPIN_RECORDING_LOG"); file && *file) {
        if (FILE* f = std::fopen(file, "a")) {
            std::fputs(line.str().c_str(), f);
            std::fclose(f);
        }
    }
}

// The scripted value of key, or fallback.
std::string answer(const char* key, const std::string& fallback) {
    Recorder& r = recorder();
    std::lock_guard lock(r.mutex);
    auto it = r.script.find(key);
    return it == r.script.end() ? fallback : it->second;
}

int32_t number(const char* key, int32_t fallback) {
    const std::string text = answer(key, std::to_string(fallback));
    return static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 0));
}

const char* keepText(std::string& slot, std::string text) {
    slot = std::move(text);
    return slot.c_str();
}

} // namespace

extern "C" {

LARKSPIN_PLUGIN_EXPORT void Recording_Set(const char* key, const char* value) {
    if (!key)
        return;
    Recorder& r = recorder();
    std::lock_guard lock(r.mutex);
    if (value)
        r.script[key] = value;
    else
        r.script.erase(key);
}

LARKSPIN_PLUGIN_EXPORT const char* Recording_Log(void) {
    Recorder& r = recorder();
    std::lock_guard lock(r.mutex);
    r.logCopy = r.log;
    return r.logCopy.c_str();
}

LARKSPIN_PLUGIN_EXPORT void Recording_ClearLog(void) {
    Recorder& r = recorder();
    std::lock_guard lock(r.mutex);
    r.log.clear();
}

#ifndef RECORDING_UNVERSIONED
// Not recorded: the host asks it before anything else.
int32_t LarkspinAbiVersion(void) {
    return number("abiversion", LARKSPIN_DECODER_ABI_VERSION);
}
#endif

unsigned char SupportDecoding(void) {
    record("SupportDecoding");
    return number("decoding", 0) != 0;
}

void StartPlugIn(int32_t reserved, intptr_t mainWindow) {
    record("StartPlugIn", reserved, static_cast<int64_t>(mainWindow));
    Recorder& r = recorder();
    std::lock_guard lock(r.mutex);
    readScriptFile(r);
}

void ClosePlugIn(void) {
    record("ClosePlugIn");
}

void LoadFile(const char* path) {
    record("LoadFile", path);
}

void Play(int32_t fadeMs) {
    record("Play", fadeMs);
    recorder().autoState = LARKSPIN_STATE_PLAYING;
}

void Pause(int32_t fadeMs) {
    record("Pause", fadeMs);
    recorder().autoState = LARKSPIN_STATE_PAUSED;
}

void Stop(int32_t fadeMs) {
    record("Stop", fadeMs);
    recorder().autoState = LARKSPIN_STATE_IDLE;
}

void ShowSettings(intptr_t parentWindow) {
    record("ShowSettings", static_cast<int64_t>(parentWindow));
}

int32_t GetLength(void) {
    record("GetLength");
    return number("length", 0);
}

int32_t GetPos(void) {
    record("GetPos");
    return number("pos", recorder().autoPos);
}

unsigned char GetState(void) {
    record("GetState");
    return static_cast<unsigned char>(number("state", recorder().autoState));
}

int32_t GetOutputMode(void) {
    record("GetOutputMode");
    return 0;
}

void SetPos(int32_t seconds) {
    record("SetPos", seconds);
    recorder().autoPos = seconds;
}

void SetOutputMode(int32_t mode) {
    record("SetOutputMode", mode);
}

unsigned char GetDSSupport(void) {
    record("GetDSSupport");
    return 1;
}

unsigned char GetFadeSupport(void) {
    record("GetFadeSupport");
    return 1;
}

unsigned char GetNowFading(void) {
    record("GetNowFading");
    return number("fading", 0) != 0;
}

void SetVolume(int32_t volume) {
    record("SetVolume", volume);
}

void SetFileGain(int32_t hundredthsDb) {
    record("SetFileGain", hundredthsDb);
}

const char* GetFileTypes(void) {
    record("GetFileTypes");
    return keepText(recorder().textAnswer, answer("filetypes", "*.rec"));
}

unsigned char GetCDSupport(void) {
    record("GetCDSupport");
    return number("cdsupport", 0) != 0;
}

int32_t GetCDDriveNum(void) {
    record("GetCDDriveNum");
    return 0;
}

#ifndef RECORDING_INCOMPLETE
const char* GetCDDriveLetter(int32_t drive) {
    record("GetCDDriveLetter", drive);
    return "";
}
#endif

int32_t GetCDTrackCount(int32_t drive) {
    record("GetCDTrackCount", drive);
    return number("cdtrackcount", 0);
}

const char* GetCDTrackInfos(int32_t track) {
    record("GetCDTrackInfos", track);
    return keepText(recorder().cdInfoAnswer, answer("cdtrackinfos", ""));
}

void PlayCDTrack(int32_t drive, int32_t track, const char* command) {
    record("PlayCDTrack", drive, track, command);
}

void decodefile(const char* source, const char* outputFolder) {
    record("decodefile", source, outputFolder);
}

int32_t GetDecodePos(void) {
    record("GetDecodePos");
    return number("decodepos", 100);
}

void canceldecode(void) {
    record("canceldecode");
}

const char* GetLoadError(void) {
    record("GetLoadError");
    return keepText(recorder().loadErrorAnswer, answer("loaderror", ""));
}

} // extern "C"
