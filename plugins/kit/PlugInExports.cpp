// The decoder contract's exports for every plug-in built on the kit.
#include "DecodeJob.h"
#include "Decoder.h"
#include "Engine.h"

#include <larkspin/decoder_plugin.h>

#include <cstring>

namespace larkspin::kit {
namespace {

struct PlugIn {
    Engine engine;
    DecodeJob decode;
};

PlugIn* instance = nullptr;

PlugIn& plugIn() {
    if (!instance)
        instance = new PlugIn;
    return *instance;
}

// Runs when the library is unloaded or the process ends without ClosePlugIn: no thread may outlive
// the code it runs.
__attribute__((destructor)) void unloadPlugIn() {
    delete instance;
    instance = nullptr;
}

} // namespace
} // namespace larkspin::kit

using larkspin::kit::plugIn;
using larkspin::kit::plugInDescription;

extern "C" {

unsigned char SupportDecoding(void) {
    return 1;
}

void StartPlugIn(int32_t, intptr_t) {
    plugIn();
}

// A Stop with a fade just before (the host's switch to another plug-in) still fades out.
void ClosePlugIn(void) {
    plugIn().decode.cancel();
    plugIn().engine.closeAfterFades();
}

void LoadFile(const char* path) {
    plugIn().engine.loadFile(path ? path : "");
}
void Play(int32_t fadeMs) {
    plugIn().engine.play(fadeMs);
}
void Pause(int32_t) {
    plugIn().engine.pause();
}
void Stop(int32_t fadeMs) {
    plugIn().engine.stop(fadeMs);
}
void ShowSettings(intptr_t) {}
int32_t GetLength(void) {
    return plugIn().engine.length();
}
int32_t GetPos(void) {
    return plugIn().engine.position();
}
unsigned char GetState(void) {
    return plugIn().engine.state();
}
int32_t GetOutputMode(void) {
    return plugIn().engine.outputMode();
}
void SetPos(int32_t seconds) {
    plugIn().engine.setPos(seconds);
}
void SetOutputMode(int32_t mode) {
    plugIn().engine.setOutputMode(mode);
}
unsigned char GetDSSupport(void) {
    return 1;
}
unsigned char GetFadeSupport(void) {
    return 1;
}
unsigned char GetNowFading(void) {
    return plugIn().engine.nowFading() ? 1 : 0;
}
void SetVolume(int32_t volume) {
    plugIn().engine.setVolume(volume);
}
const char* GetFileTypes(void) {
    return plugInDescription().fileTypes;
}
unsigned char GetCDSupport(void) {
    return 0;
}
int32_t GetCDDriveNum(void) {
    return 0;
}
const char* GetCDDriveLetter(int32_t) {
    return "";
}
int32_t GetCDTrackCount(int32_t) {
    return 0;
}
const char* GetCDTrackInfos(int32_t) {
    return "";
}
void PlayCDTrack(int32_t, int32_t, const char*) {}

void decodefile(const char* source, const char* outputFolder) {
    if (source && outputFolder)
        plugIn().decode.start(source, outputFolder);
}

int32_t GetDecodePos(void) {
    return plugIn().decode.progress();
}
void canceldecode(void) {
    plugIn().decode.cancel();
}

} // extern "C"
