// The decoder contract's exports for every plug-in built on the kit. No C++ exception leaves an
// export: a failure gives the neutral answer the contract documents (nothing playing, no length).
#include "AudioOutput.h"
#include "DecodeJob.h"
#include "Decoder.h"
#include "Engine.h"

#include <larkspin/decoder_plugin.h>

#include <dlfcn.h>

#include <string>
#include <type_traits>

namespace larkspin::kit {
namespace {

// This plug-in's own file, found from an address inside it (this file is compiled into every plug-in;
// the rest of the kit is a library they share).
std::string plugInPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&plugInDescription), &info) && info.dli_fname)
        return info.dli_fname;
    return "plug-in";
}

struct PlugIn {
    Engine engine{plugInDescription().createDecoder, std::make_unique<AudioOutput>(plugInPath())};
    DecodeJob decode{plugInDescription().createDecoder};
    std::string loadError; // GetLoadError's answer, kept until its next call
};

PlugIn* instance = nullptr; // the user-interface thread only

PlugIn& plugIn() {
    if (!instance)
        instance = new PlugIn;
    return *instance;
}

// Runs when the library is unloaded or the process ends without ClosePlugIn: no thread may outlive
// the code it runs.
__attribute__((destructor)) void unloadPlugIn() {
    try {
        delete instance;
        if (plugInDescription().unload)
            plugInDescription().unload();
    } catch (...) {
    }
    instance = nullptr;
}

template <typename Result, typename F> Result guarded(Result neutral, F&& f) noexcept {
    try {
        return f();
    } catch (...) {
        return neutral;
    }
}

template <typename F> void guarded(F&& f) noexcept {
    try {
        f();
    } catch (...) {
    }
}

} // namespace
} // namespace larkspin::kit

using larkspin::kit::guarded;
using larkspin::kit::plugIn;
using larkspin::kit::plugInDescription;

// Each export has exactly the type the host looks it up as.
static_assert(std::is_same_v<decltype(&SupportDecoding), LarkspinSupportDecodingFn>);
static_assert(std::is_same_v<decltype(&StartPlugIn), LarkspinStartPlugInFn>);
static_assert(std::is_same_v<decltype(&ClosePlugIn), LarkspinClosePlugInFn>);
static_assert(std::is_same_v<decltype(&LoadFile), LarkspinLoadFileFn>);
static_assert(std::is_same_v<decltype(&Play), LarkspinPlayFn>);
static_assert(std::is_same_v<decltype(&Pause), LarkspinPauseFn>);
static_assert(std::is_same_v<decltype(&Stop), LarkspinStopFn>);
static_assert(std::is_same_v<decltype(&ShowSettings), LarkspinShowSettingsFn>);
static_assert(std::is_same_v<decltype(&GetLength), LarkspinGetLengthFn>);
static_assert(std::is_same_v<decltype(&GetPos), LarkspinGetPosFn>);
static_assert(std::is_same_v<decltype(&GetState), LarkspinGetStateFn>);
static_assert(std::is_same_v<decltype(&GetOutputMode), LarkspinGetOutputModeFn>);
static_assert(std::is_same_v<decltype(&SetPos), LarkspinSetPosFn>);
static_assert(std::is_same_v<decltype(&SetOutputMode), LarkspinSetOutputModeFn>);
static_assert(std::is_same_v<decltype(&GetDSSupport), LarkspinGetDSSupportFn>);
static_assert(std::is_same_v<decltype(&GetFadeSupport), LarkspinGetFadeSupportFn>);
static_assert(std::is_same_v<decltype(&GetNowFading), LarkspinGetNowFadingFn>);
static_assert(std::is_same_v<decltype(&SetVolume), LarkspinSetVolumeFn>);
static_assert(std::is_same_v<decltype(&GetFileTypes), LarkspinGetFileTypesFn>);
static_assert(std::is_same_v<decltype(&GetCDSupport), LarkspinGetCDSupportFn>);
static_assert(std::is_same_v<decltype(&GetCDDriveNum), LarkspinGetCDDriveNumFn>);
static_assert(std::is_same_v<decltype(&GetCDDriveLetter), LarkspinGetCDDriveLetterFn>);
static_assert(std::is_same_v<decltype(&GetCDTrackCount), LarkspinGetCDTrackCountFn>);
static_assert(std::is_same_v<decltype(&GetCDTrackInfos), LarkspinGetCDTrackInfosFn>);
static_assert(std::is_same_v<decltype(&PlayCDTrack), LarkspinPlayCDTrackFn>);
static_assert(std::is_same_v<decltype(&decodefile), LarkspinDecodeFileFn>);
static_assert(std::is_same_v<decltype(&GetDecodePos), LarkspinGetDecodePosFn>);
static_assert(std::is_same_v<decltype(&canceldecode), LarkspinCancelDecodeFn>);
static_assert(std::is_same_v<decltype(&LarkspinAbiVersion), LarkspinAbiVersionFn>);
static_assert(std::is_same_v<decltype(&GetLoadError), LarkspinGetLoadErrorFn>);
static_assert(std::is_same_v<decltype(&SetFileGain), LarkspinSetFileGainFn>);

extern "C" {

int32_t LarkspinAbiVersion(void) {
    return LARKSPIN_DECODER_ABI_VERSION;
}

unsigned char SupportDecoding(void) {
    return 1;
}

void StartPlugIn(int32_t, intptr_t) {
    guarded([] { plugIn(); });
}

// A Stop with a fade just before (the host's switch to another plug-in) still fades out.
void ClosePlugIn(void) {
    guarded([] {
        plugIn().decode.cancel();
        plugIn().engine.closeAfterFades();
    });
}

void LoadFile(const char* path) {
    guarded([path] { plugIn().engine.loadFile(path ? path : ""); });
}
void Play(int32_t fadeMs) {
    guarded([fadeMs] { plugIn().engine.play(fadeMs); });
}
void Pause(int32_t) {
    guarded([] { plugIn().engine.pause(); });
}
void Stop(int32_t fadeMs) {
    guarded([fadeMs] { plugIn().engine.stop(fadeMs); });
}
void ShowSettings(intptr_t) {}
int32_t GetLength(void) {
    return guarded(int32_t{0}, [] { return plugIn().engine.length(); });
}
int32_t GetPos(void) {
    return guarded(int32_t{0}, [] { return plugIn().engine.position(); });
}
unsigned char GetState(void) {
    return guarded(static_cast<unsigned char>(LARKSPIN_STATE_IDLE), [] { return plugIn().engine.state(); });
}
int32_t GetOutputMode(void) {
    return guarded(int32_t{0}, [] { return plugIn().engine.outputMode(); });
}
void SetPos(int32_t seconds) {
    guarded([seconds] { plugIn().engine.setPos(seconds); });
}
void SetOutputMode(int32_t mode) {
    guarded([mode] { plugIn().engine.setOutputMode(mode); });
}
unsigned char GetDSSupport(void) {
    return 1;
}
unsigned char GetFadeSupport(void) {
    return 1;
}
unsigned char GetNowFading(void) {
    return guarded(static_cast<unsigned char>(0),
                   [] { return static_cast<unsigned char>(plugIn().engine.nowFading() ? 1 : 0); });
}
void SetVolume(int32_t volume) {
    guarded([volume] { plugIn().engine.setVolume(volume); });
}
void SetFileGain(int32_t hundredthsDb) {
    guarded([hundredthsDb] { plugIn().engine.setFileGain(hundredthsDb); });
}
const char* GetFileTypes(void) {
    return plugInDescription().fileTypes;
}
unsigned char GetCDSupport(void) {
    return plugInDescription().cd ? 1 : 0;
}
int32_t GetCDDriveNum(void) {
    const auto* cd = plugInDescription().cd;
    return cd ? guarded(int32_t{0}, [cd] { return cd->driveCount(); }) : 0;
}
const char* GetCDDriveLetter(int32_t drive) {
    const auto* cd = plugInDescription().cd;
    return cd ? guarded(static_cast<const char*>(""), [cd, drive] { return cd->drivePath(drive); }) : "";
}
int32_t GetCDTrackCount(int32_t drive) {
    const auto* cd = plugInDescription().cd;
    return cd ? guarded(int32_t{0}, [cd, drive] { return cd->trackCount(drive); }) : 0;
}
const char* GetCDTrackInfos(int32_t track) {
    const auto* cd = plugInDescription().cd;
    return cd ? guarded(static_cast<const char*>(""), [cd, track] { return cd->trackInfos(track); }) : "";
}
// A track plays as a file the CD functions name. Play on the track that is paused resumes it; a track
// that does not exist stops what plays, so the host's state never shows a track that is not there.
void PlayCDTrack(int32_t drive, int32_t track, const char* command) {
    const auto* cd = plugInDescription().cd;
    if (!cd || !command)
        return;
    guarded([cd, drive, track, command] {
        const std::string what = command;
        auto& engine = plugIn().engine;
        if (what == "pause") {
            engine.pause();
        } else if (what == "stop") {
            engine.stop(0);
        } else if (what == "play") {
            const std::string path = cd->trackPath(drive, track);
            if (path.empty()) {
                engine.stop(0);
            } else if (engine.state() == LARKSPIN_STATE_PAUSED && engine.currentPath() == path) {
                engine.play(1);
            } else {
                engine.loadFile(path);
                engine.play(0);
            }
        }
    });
}

void decodefile(const char* source, const char* outputFolder) {
    if (source && outputFolder)
        guarded([source, outputFolder] { plugIn().decode.start(source, outputFolder); });
}

int32_t GetDecodePos(void) {
    return guarded(int32_t{100}, [] { return plugIn().decode.progress(); });
}
void canceldecode(void) {
    guarded([] { plugIn().decode.cancel(); });
}

const char* GetLoadError(void) {
    return guarded(static_cast<const char*>(""), [] {
        auto& p = plugIn();
        p.loadError = p.engine.loadError();
        return p.loadError.c_str();
    });
}

} // extern "C"
