#pragma once

namespace larkspin::kit {

// Where mixed audio goes: float stereo frames at 44100 Hz pulled by a mix function on the output's own
// thread. open and close are called from one thread (the engine's output thread), never from the
// mix function.
class Output {
public:
    using MixFn = void (*)(void* user, float* out, int frames);
    virtual ~Output() = default;
    // Starts pulling for mode; reopens when the mode changed, does nothing when open in that mode.
    virtual void open(int mode, MixFn mix, void* user) = 0;
    // Stops pulling; the mix function is not running and will not run once this returns.
    virtual void close() = 0;
};

} // namespace larkspin::kit
