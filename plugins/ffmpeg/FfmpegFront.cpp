// IB_ffmpeg.so itself: the kit and the file types, with FFmpeg behind a back end loaded on the first
// LoadFile or decodefile. Enumerating the plug-in at start maps none of FFmpeg's libraries.
#include "Decoder.h"
#include "FfmpegBackEnd.h"

#include <dlfcn.h>

#include <mutex>
#include <string>

namespace larkspin::kit {
namespace {

std::mutex backEndMutex;
void* backEnd = nullptr; // guarded by backEndMutex
LarkspinFfmpegCreateDecoderFn createInBackEnd = nullptr;

// The back end lies beside this library.
std::string backEndPath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&backEndPath), &info) || !info.dli_fname)
        return LARKSPIN_FFMPEG_BACK_END;
    std::string path = info.dli_fname;
    const size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
           LARKSPIN_FFMPEG_BACK_END;
}

// Decoding threads call this; a back end that cannot be loaded makes every file unplayable.
std::unique_ptr<Decoder> create() {
    std::lock_guard lock(backEndMutex);
    if (!backEnd) {
        backEnd = dlopen(backEndPath().c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!backEnd)
            return nullptr;
        createInBackEnd =
            reinterpret_cast<LarkspinFfmpegCreateDecoderFn>(dlsym(backEnd, LARKSPIN_FFMPEG_CREATE_DECODER));
    }
    return std::unique_ptr<Decoder>(createInBackEnd ? createInBackEnd() : nullptr);
}

void unload() {
    std::lock_guard lock(backEndMutex);
    if (backEnd)
        dlclose(backEnd);
    backEnd = nullptr;
    createInBackEnd = nullptr;
}

} // namespace

// Types no other plug-in declares; none of them is a substring of another plug-in's type.
const PlugInDescription& plugInDescription() {
    static const PlugInDescription description{
        "*.wma;*.m4a;*.aac;*.opus;*.ape;*.wv;*.mpc;*.ac3;*.mka;*.tta;*.spx", create, unload};
    return description;
}

} // namespace larkspin::kit
