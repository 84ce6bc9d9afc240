#pragma once

#include <SDL.h>

#include <string>

namespace larkspin::kit {

// SDL has one audio subsystem per process, shared by every plug-in; each plug-in has settings of its
// own. Every plug-in opens and closes SDL audio only through these calls (they live in the one shared
// kit library), which keep the record of open outputs. That way the driver is chosen by whoever opens
// first while nothing is open (a plug-in's settings are never overwritten by another's leftovers), and
// no two outputs write one capture file.
struct SdlOpenResult {
    SDL_AudioDeviceID device = 0;
    std::string captureFile; // the disk driver's file actually written, when that driver runs
    std::string problem;     // why no device was opened, or what was changed to open one
    // The device opened on the driver another output runs, not on the one asked for.
    bool otherDriver = false;
};

// driver: an SDL driver name, or empty for SDL's own choice (the sound server). While another output
// plays through a different driver, the device opens on that one (SDL runs one driver at a time).
// captureFile: what the disk driver should write; empty for SDL's default, sdlaudio.raw. A capture file
// another output writes already is replaced by a numbered sibling ("name.2", ...).
SdlOpenResult OpenSdlAudio(const std::string& driver, const std::string& captureFile,
                           const SDL_AudioSpec& want);
void CloseSdlAudio(SDL_AudioDeviceID device);

} // namespace larkspin::kit
