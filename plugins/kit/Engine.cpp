#include "Engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace larkspin::kit {

namespace {

constexpr size_t MaxFading = 16;
constexpr size_t ScratchFrames = 8192;
// A close that waits for fades gives up after this long (a fade is at most a few seconds).
constexpr auto LongestCloseWait = std::chrono::seconds(30);
// How long the mixer tries to take its lock before it plays a block of silence.
constexpr auto LockPatience = std::chrono::milliseconds(5);

void mixCallback(void* user, float* out, int frames) {
    static_cast<Engine*>(user)->mix(out, frames);
}

} // namespace

Engine::Engine(DecoderFactory createDecoder, std::unique_ptr<Output> output)
    : createDecoder_(createDecoder), output_(std::move(output)) {
    fading_.reserve(MaxFading);
    scratch_.resize(ScratchFrames * OutputChannels);
}

Engine::~Engine() {
    post({Order::Quit});
    if (outputThread_.joinable())
        outputThread_.join();
    output_->close();
    Voices dead;
    {
        std::lock_guard lock(mutex_);
        dead.push_back(std::move(current_));
        dead.push_back(std::move(leaving_));
        for (auto& voice : fading_)
            dead.push_back(std::move(voice));
        fading_.clear();
    }
    dead.clear(); // joins the decoding threads
    retirer_.drain();
}

void Engine::post(Order order) {
    if (order.kind == Order::Open)
        outputAsked_ = true;
    {
        std::lock_guard lock(ordersMutex_);
        // Orders still waiting are merged, so a burst of calls costs one reopen at most: a close replaces
        // them all; an open replaces the opens and the closes after fades (it would cancel those), but
        // keeps a close before it (the device is opened afresh, with the settings read again); a close
        // after fades replaces another one and keeps the open before it (the fades need the device).
        // Quitting drops them all (the destructor closes the device itself).
        std::erase_if(orders_, [&order](const Order& queued) {
            switch (order.kind) {
            case Order::Open:
                return queued.kind == Order::Open || queued.kind == Order::CloseAfterFades;
            case Order::CloseAfterFades:
                return queued.kind == Order::CloseAfterFades;
            default:
                return queued.kind != Order::Quit;
            }
        });
        orders_.push_back(order);
        if (!outputThread_.joinable() && order.kind != Order::Quit)
            outputThread_ = std::thread([this] { serveOutput(); });
    }
    ordersWake_.notify_one();
}

void Engine::settle() {
    {
        std::unique_lock lock(ordersMutex_);
        ordersDone_.wait(lock, [this] { return orders_.empty() && !serving_; });
    }
    retirer_.drain();
}

bool Engine::fadesRunning() {
    std::lock_guard lock(mutex_);
    return std::any_of(fading_.begin(), fading_.end(), [](const auto& voice) { return !voice->silent; });
}

// The output thread: opens and closes the device in the order asked, and closes it once the fades of
// a closeAfterFades are over.
void Engine::serveOutput() {
    bool closing = false;
    auto closeBy = std::chrono::steady_clock::now();
    std::unique_lock lock(ordersMutex_);
    for (;;) {
        if (orders_.empty()) {
            if (closing) {
                // Fades end at a sample the mixer reaches; looking every 10 ms is close enough.
                ordersWake_.wait_for(lock, std::chrono::milliseconds(10));
            } else {
                ordersDone_.notify_all();
                ordersWake_.wait(lock);
            }
        }
        if (orders_.empty()) {
            if (!closing)
                continue;
            lock.unlock();
            if (!fadesRunning() || std::chrono::steady_clock::now() >= closeBy) {
                output_->close();
                Voices dead;
                {
                    std::lock_guard engineLock(mutex_);
                    for (auto& voice : fading_)
                        dead.push_back(std::move(voice));
                    fading_.clear();
                }
                retire(std::move(dead));
                closing = false;
            }
            lock.lock();
            continue;
        }
        const Order order = orders_.front();
        orders_.pop_front();
        if (order.kind == Order::Quit)
            return;
        serving_ = true;
        lock.unlock();
        if (order.kind == Order::Open) {
            closing = false;
            output_->open(order.mode, mixCallback, this);
        } else if (order.kind == Order::Close) {
            closing = false;
            output_->close();
        } else {
            closing = true;
            closeBy = std::chrono::steady_clock::now() + LongestCloseWait;
        }
        lock.lock();
        serving_ = false;
    }
}

void Engine::retire(Voices voices) {
    voices.erase(std::remove(voices.begin(), voices.end(), nullptr), voices.end());
    if (voices.empty())
        return;
    auto held = std::make_shared<Voices>(std::move(voices));
    retirer_.post([held] { held->clear(); });
}

void Engine::collectSilent(Voices& dead) {
    for (auto& voice : fading_)
        if (voice->silent)
            dead.push_back(std::move(voice));
    fading_.erase(std::remove(fading_.begin(), fading_.end(), nullptr), fading_.end());
}

void Engine::makeRoomToFade(Voices& dead) {
    collectSilent(dead);
    if (fading_.size() + 1 >= MaxFading) {
        dead.push_back(std::move(fading_.front()));
        fading_.erase(fading_.begin());
    }
}

void Engine::fadeOut(std::shared_ptr<Voice> voice, int32_t fadeMs, Voices& dead) {
    makeRoomToFade(dead);
    voice->setEnvelope(voice->gain, 0.0f, fadeMs);
    voice->removeAfterFade = true;
    fading_.push_back(std::move(voice));
}

void Engine::closeAfterFades() {
    Voices dead;
    bool fading;
    {
        std::lock_guard lock(mutex_);
        dead.push_back(std::move(current_));
        dead.push_back(std::move(leaving_));
        hasPending_ = false;
        if (paused_) {
            for (auto& voice : fading_)
                dead.push_back(std::move(voice));
            fading_.clear();
            paused_ = false;
        }
        collectSilent(dead);
        fading = !fading_.empty();
    }
    retire(std::move(dead));
    // A plug-in that never played (enumerated at start) starts no thread to close nothing.
    if (!outputAsked_)
        return;
    if (fading) {
        post({Order::CloseAfterFades});
        return;
    }
    post({Order::Close});
}

void Engine::loadFile(const std::string& path) {
    std::lock_guard lock(mutex_);
    pendingPath_ = path;
    pendingGain_ = 1.0f;
    hasPending_ = true;
}

void Engine::setFileGain(int32_t hundredthsDb) {
    const float factor = static_cast<float>(
        std::pow(10.0, static_cast<double>(std::clamp(hundredthsDb, -9600, 9600)) / 2000.0));
    std::lock_guard lock(mutex_);
    if (hasPending_) {
        pendingGain_ = factor;
        return;
    }
    lastGain_ = factor;
    if (current_)
        current_->loudness = factor;
}

void Engine::play(int32_t fadeMs) {
    std::string path;
    float loudness = 1.0f;
    {
        std::lock_guard lock(mutex_);
        const bool wasPaused = paused_;
        paused_ = false;
        if (hasPending_) {
            path = pendingPath_;
            loudness = pendingGain_;
            hasPending_ = false;
        } else if (wasPaused && current_) {
            path.clear(); // resume
        } else {
            path = lastPath_; // the same file again from its beginning
            loudness = lastGain_;
        }
    }
    post({Order::Open, mode_});
    if (path.empty())
        return;
    auto voice = std::make_shared<Voice>(path, createDecoder_);
    voice->loudness = loudness;
    Voices dead;
    {
        std::lock_guard lock(mutex_);
        lastPath_ = path;
        lastGain_ = loudness;
        if (current_) {
            if (current_->started && !current_->finished()) {
                dead.push_back(std::move(leaving_));
                leaving_ = std::move(current_);
                // The mixer moves leaving_ into fading_ when the new voice starts.
                makeRoomToFade(dead);
            } else {
                dead.push_back(std::move(current_));
            }
        }
        current_ = std::move(voice);
        currentFadeMs_ = fadeMs;
    }
    retire(std::move(dead));
}

void Engine::pause() {
    post({Order::Open, mode_});
    std::lock_guard lock(mutex_);
    if (current_)
        paused_ = true;
}

void Engine::stop(int32_t fadeMs) {
    post({Order::Open, mode_});
    Voices dead;
    {
        std::lock_guard lock(mutex_);
        const bool wasPaused = paused_;
        paused_ = false;
        if (leaving_ && fadeMs > 0 && !wasPaused)
            fadeOut(std::move(leaving_), fadeMs, dead);
        dead.push_back(std::move(leaving_));
        if (fadeMs <= 0 || wasPaused) {
            for (auto& voice : fading_)
                dead.push_back(std::move(voice));
            fading_.clear();
            dead.push_back(std::move(current_));
        } else if (current_ && current_->started && !current_->finished()) {
            fadeOut(std::move(current_), fadeMs, dead);
        } else {
            dead.push_back(std::move(current_));
        }
        current_.reset();
        leaving_.reset();
    }
    retire(std::move(dead));
}

void Engine::setPos(int32_t seconds) {
    post({Order::Open, mode_});
    std::lock_guard lock(mutex_);
    if (current_)
        current_->seek(seconds);
}

int32_t Engine::position() {
    std::lock_guard lock(mutex_);
    return current_ ? current_->positionSeconds() : 0;
}

int32_t Engine::length() {
    std::lock_guard lock(mutex_);
    return current_ ? current_->lengthSeconds() : 0;
}

std::string Engine::loadError() {
    std::lock_guard lock(mutex_);
    const char* why = current_ ? current_->failure() : nullptr;
    return why ? why : std::string();
}

uint8_t Engine::state() {
    Voices dead;
    uint8_t state;
    {
        std::lock_guard lock(mutex_);
        collectSilent(dead);
        if (!current_)
            state = 0;
        else if (current_->finished())
            state = 3;
        else
            state = paused_ ? 2 : 1;
    }
    retire(std::move(dead));
    return state;
}

std::string Engine::currentPath() {
    std::lock_guard lock(mutex_);
    return current_ ? lastPath_ : std::string();
}

bool Engine::nowFading() {
    std::lock_guard lock(mutex_);
    const bool fading =
        std::any_of(fading_.begin(), fading_.end(), [](const auto& voice) { return !voice->silent; });
    return fading || (current_ && current_->envelopeLeft > 0);
}

void Engine::setVolume(int32_t volume) {
    std::lock_guard lock(mutex_);
    volume_ = static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f;
}

void Engine::setOutputMode(int32_t mode) {
    mode = mode == 1 ? 1 : 0;
    if (mode == mode_)
        return;
    mode_ = mode;
    bool sounding;
    {
        std::lock_guard lock(mutex_);
        sounding = current_ || !fading_.empty();
    }
    if (sounding)
        post({Order::Open, mode_});
}

// Never blocks and never allocates. The user-interface thread holds the lock only for moments, but it
// may be preempted while holding it: the mixer tries again for a few milliseconds (a small part of
// the device's buffer) and then plays silence for this block. Voices that are done are only marked
// for the user-interface thread to retire.
void Engine::mix(float* out, int frames) {
    std::memset(out, 0, static_cast<size_t>(frames) * OutputChannels * sizeof(float));
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock()) {
        const auto giveUp = std::chrono::steady_clock::now() + LockPatience;
        while (!lock.try_lock() && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::yield();
    }
    if (!lock.owns_lock() || paused_)
        return;
    if (current_ && !current_->started && current_->ready()) {
        current_->started = true;
        current_->setEnvelope(currentFadeMs_ > 0 ? 0.0f : 1.0f, 1.0f, currentFadeMs_);
        if (leaving_) {
            // Room was left when leaving_ was set, so this never allocates.
            leaving_->setEnvelope(leaving_->gain, 0.0f, currentFadeMs_);
            leaving_->removeAfterFade = true;
            leaving_->silent = currentFadeMs_ <= 0;
            fading_.push_back(std::move(leaving_));
        }
    }
    auto mixVoice = [&](Voice& voice) {
        for (int done = 0; done < frames;) {
            const int block = std::min<int>(frames - done, static_cast<int>(ScratchFrames));
            const size_t got = voice.pull(scratch_.data(), static_cast<size_t>(block));
            for (int i = 0; i < block; ++i) {
                const float g = voice.nextGain() * voice.loudness * volume_;
                if (static_cast<size_t>(i) < got) {
                    out[(done + i) * 2] += scratch_[static_cast<size_t>(i) * 2] * g;
                    out[(done + i) * 2 + 1] += scratch_[static_cast<size_t>(i) * 2 + 1] * g;
                }
            }
            done += block;
        }
    };
    // A voice about to fade out keeps sounding until the new one is ready.
    if (leaving_)
        mixVoice(*leaving_);
    for (auto& voice : fading_) {
        if (voice->silent)
            continue;
        mixVoice(*voice);
        if (voice->envelopeLeft == 0 || voice->finished())
            voice->silent = true;
    }
    if (current_ && current_->started)
        mixVoice(*current_);
    for (int i = 0; i < frames * OutputChannels; ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

} // namespace larkspin::kit
