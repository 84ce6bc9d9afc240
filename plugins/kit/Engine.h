#pragma once

#include "AudioOutput.h"
#include "Voice.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace larkspin::kit {

// The playback side of a plug-in: the voice brought in last, the voices fading out, the envelopes and
// the mixer the audio output calls. Its public functions run on the user-interface thread and only take
// short locks; voices that are done are joined on that thread, never on the audio thread.
class Engine {
public:
    Engine();
    ~Engine();

    void loadFile(const std::string& path);
    void play(int32_t fadeMs);
    void pause();
    void stop(int32_t fadeMs);
    void setPos(int32_t seconds);
    int32_t position();
    int32_t length();
    uint8_t state();
    bool nowFading();
    void setVolume(int32_t volume);
    void setOutputMode(int32_t mode);
    int32_t outputMode() const { return mode_; }
    // Stops output and every voice.
    void close();
    // Returns at once: voices fading out (a Stop with a fade just before) finish their fade on a thread
    // of their own, then the output closes. Any later call cuts that fade short.
    void closeAfterFades();

    void mix(float* out, int frames); // audio thread

private:
    void reap();
    void retire(std::shared_ptr<Voice> voice); // under mutex_
    // Ends a closeAfterFades at once: the fading voices go on when the output is kept, else they stop.
    void finishClosing(bool keepOutput);

    std::mutex mutex_;
    std::shared_ptr<Voice> current_;             // the voice brought in last
    int32_t currentFadeMs_ = 0;                  // its fade-in, applied when it starts
    std::shared_ptr<Voice> leaving_;             // fades out once current_ starts
    std::vector<std::shared_ptr<Voice>> fading_; // fading out, removed at silence
    std::vector<std::shared_ptr<Voice>> dead_;   // joined by reap()
    std::string pendingPath_;
    bool hasPending_ = false;
    std::string lastPath_;
    bool paused_ = false;
    float volume_ = 1.0f;
    int32_t mode_ = 0;
    std::vector<float> scratch_;
    AudioOutput output_;
    std::thread closer_;
    enum CloserOrder { WaitForFades, CloseNow, KeepOutput };
    std::atomic<int> closerOrder_{WaitForFades};
};

} // namespace larkspin::kit
