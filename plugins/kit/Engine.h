#pragma once

#include "Decoder.h"
#include "Output.h"
#include "Retirer.h"
#include "Voice.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace larkspin::kit {

// The playback side of a plug-in: the voice brought in last, the voices fading out, the envelopes and
// the mixer the audio output calls. Its public functions run on the user-interface thread and never
// wait for a decoder or the device: the output opens and closes on the engine's output thread, and
// voices that are done are joined on a retiring thread.
class Engine {
public:
    Engine(DecoderFactory createDecoder, std::unique_ptr<Output> output);
    ~Engine(); // stops output and every voice, waiting for them

    void loadFile(const std::string& path);
    void play(int32_t fadeMs);
    void pause();
    void stop(int32_t fadeMs);
    void setPos(int32_t seconds);
    int32_t position();
    int32_t length();
    // Why the current file cannot be played; empty while it plays or that is not known yet.
    std::string loadError();
    uint8_t state();
    // The file of the voice brought in last; "" when none plays.
    std::string currentPath();
    bool nowFading();
    void setVolume(int32_t volume);
    // The loudness gain of the file loaded last (or, with none pending, of the one playing), in
    // hundredths of a dB; every loadFile starts at 0 dB.
    void setFileGain(int32_t hundredthsDb);
    void setOutputMode(int32_t mode);
    int32_t outputMode() const { return mode_; }
    // Closes the output without waiting for it (the output thread closes the device; the destructor
    // waits for that). While voices fade out (a Stop with a fade just before) they finish their fade
    // first, unless a later play, pause, stop, seek or mode change keeps the output open. Orders the
    // output thread has not reached yet are dropped: only where the device should end up matters.
    void closeAfterFades();
    // Blocks until the output thread and the retiring thread have done what was asked so far.
    void settle();

    void mix(float* out, int frames); // audio thread

private:
    using Voices = std::vector<std::shared_ptr<Voice>>;
    struct Order {
        enum Kind { Open, Close, CloseAfterFades, Quit } kind;
        int mode = 0;
    };

    void post(Order order);
    void serveOutput(); // output thread
    void retire(Voices voices);
    // Under mutex_: moves the voices whose fade is over into dead.
    void collectSilent(Voices& dead);
    // Under mutex_: leaves room in fading_ for one more voice without allocating.
    void makeRoomToFade(Voices& dead);
    // Under mutex_: the voice fades out from its gain to silence over fadeMs.
    void fadeOut(std::shared_ptr<Voice> voice, int32_t fadeMs, Voices& dead);
    bool fadesRunning(); // takes mutex_

    const DecoderFactory createDecoder_;   // immutable
    const std::unique_ptr<Output> output_; // opened and closed on the output thread only

    std::mutex mutex_;               // guards everything down to scratch_
    std::shared_ptr<Voice> current_; // the voice brought in last
    int32_t currentFadeMs_ = 0;      // its fade-in, applied when it starts
    std::shared_ptr<Voice> leaving_; // fades out once current_ starts
    Voices fading_;                  // capacity reserved: the mixer appends without allocating
    std::string pendingPath_;
    float pendingGain_ = 1.0f; // the loudness factor of pendingPath_
    bool hasPending_ = false;
    std::string lastPath_;
    float lastGain_ = 1.0f; // the loudness factor of lastPath_
    bool paused_ = false;
    float volume_ = 1.0f;
    std::vector<float> scratch_; // the mixer's buffer, sized once

    int32_t mode_ = 0;         // user-interface thread only
    bool outputAsked_ = false; // user-interface thread only: an Open was ever posted

    std::mutex ordersMutex_; // guards orders_ and outputThread_
    std::condition_variable ordersWake_;
    std::condition_variable ordersDone_;
    std::deque<Order> orders_;
    bool serving_ = false;     // guarded by ordersMutex_: an order is being carried out
    std::thread outputThread_; // started with the first order

    Retirer retirer_;
};

} // namespace larkspin::kit
