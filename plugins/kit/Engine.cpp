#include "Engine.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace larkspin::kit {

namespace {
void mixCallback(void* user, float* out, int frames) {
    static_cast<Engine*>(user)->mix(out, frames);
}
} // namespace

Engine::Engine() : output_(mixCallback, this) {
    scratch_.resize(8192 * OutputChannels);
}

Engine::~Engine() {
    close();
}

void Engine::finishClosing(bool keepOutput) {
    if (!closer_.joinable())
        return;
    closerOrder_ = keepOutput ? KeepOutput : CloseNow;
    closer_.join();
    closerOrder_ = WaitForFades;
}

void Engine::closeAfterFades() {
    finishClosing(false);
    bool fading;
    {
        std::lock_guard lock(mutex_);
        retire(std::move(current_));
        retire(std::move(leaving_));
        current_.reset();
        leaving_.reset();
        hasPending_ = false;
        if (paused_) {
            for (auto& voice : fading_)
                retire(std::move(voice));
            fading_.clear();
            paused_ = false;
        }
        fading = !fading_.empty();
    }
    if (!fading) {
        close();
        return;
    }
    closer_ = std::thread([this] {
        for (int waited = 0; closerOrder_ == WaitForFades && waited < 30000; waited += 10) {
            {
                std::lock_guard lock(mutex_);
                if (fading_.empty())
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (closerOrder_ != KeepOutput)
            close();
    });
}

void Engine::retire(std::shared_ptr<Voice> voice) {
    if (voice)
        dead_.push_back(std::move(voice));
}

void Engine::reap() {
    std::vector<std::shared_ptr<Voice>> dead;
    {
        std::lock_guard lock(mutex_);
        dead.swap(dead_);
    }
    dead.clear(); // joins their threads outside the lock
}

void Engine::loadFile(const std::string& path) {
    reap();
    std::lock_guard lock(mutex_);
    pendingPath_ = path;
    hasPending_ = true;
}

void Engine::play(int32_t fadeMs) {
    finishClosing(true);
    reap();
    output_.open(mode_);
    std::shared_ptr<Voice> voice;
    std::string path;
    {
        std::lock_guard lock(mutex_);
        const bool wasPaused = paused_;
        paused_ = false;
        if (hasPending_) {
            path = pendingPath_;
            hasPending_ = false;
        } else if (wasPaused && current_) {
            return; // resume
        } else {
            path = lastPath_; // the same file again from its beginning
        }
        if (path.empty())
            return;
    }
    voice = std::make_shared<Voice>(path);
    std::lock_guard lock(mutex_);
    lastPath_ = path;
    if (current_) {
        if (current_->started && !current_->finished()) {
            retire(std::move(leaving_));
            leaving_ = std::move(current_);
        } else {
            retire(std::move(current_));
        }
    }
    current_ = std::move(voice);
    currentFadeMs_ = fadeMs;
}

void Engine::pause() {
    finishClosing(true);
    reap();
    std::lock_guard lock(mutex_);
    if (current_)
        paused_ = true;
}

void Engine::stop(int32_t fadeMs) {
    finishClosing(true);
    reap();
    std::lock_guard lock(mutex_);
    const bool wasPaused = paused_;
    paused_ = false;
    if (leaving_ && fadeMs > 0 && !wasPaused) {
        leaving_->setEnvelope(leaving_->gain, 0.0f, fadeMs);
        leaving_->removeAfterFade = true;
        fading_.push_back(std::move(leaving_));
    }
    retire(std::move(leaving_));
    leaving_.reset();
    if (fadeMs <= 0 || wasPaused) {
        for (auto& voice : fading_)
            retire(std::move(voice));
        fading_.clear();
        retire(std::move(current_));
    } else if (current_ && current_->started && !current_->finished()) {
        current_->setEnvelope(current_->gain, 0.0f, fadeMs);
        current_->removeAfterFade = true;
        fading_.push_back(std::move(current_));
    } else {
        retire(std::move(current_));
    }
    current_.reset();
}

void Engine::setPos(int32_t seconds) {
    finishClosing(true);
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

uint8_t Engine::state() {
    reap();
    std::lock_guard lock(mutex_);
    if (!current_)
        return 0;
    if (current_->finished())
        return 3;
    return paused_ ? 2 : 1;
}

bool Engine::nowFading() {
    std::lock_guard lock(mutex_);
    return !fading_.empty() || (current_ && current_->envelopeLeft > 0);
}

void Engine::setVolume(int32_t volume) {
    std::lock_guard lock(mutex_);
    volume_ = static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f;
}

void Engine::setOutputMode(int32_t mode) {
    mode = mode == 1 ? 1 : 0;
    if (mode == mode_)
        return;
    finishClosing(true);
    mode_ = mode;
    bool sounding;
    {
        std::lock_guard lock(mutex_);
        sounding = current_ || !fading_.empty();
    }
    if (sounding)
        output_.open(mode_);
}

void Engine::close() {
    if (closer_.joinable() && closer_.get_id() != std::this_thread::get_id())
        finishClosing(false);
    output_.close();
    {
        std::lock_guard lock(mutex_);
        retire(std::move(current_));
        retire(std::move(leaving_));
        for (auto& voice : fading_)
            retire(std::move(voice));
        fading_.clear();
        paused_ = false;
        hasPending_ = false;
    }
    reap();
}

void Engine::mix(float* out, int frames) {
    std::memset(out, 0, static_cast<size_t>(frames) * OutputChannels * sizeof(float));
    std::lock_guard lock(mutex_);
    if (paused_)
        return;
    if (current_ && !current_->started && current_->ready()) {
        current_->started = true;
        current_->setEnvelope(currentFadeMs_ > 0 ? 0.0f : 1.0f, 1.0f, currentFadeMs_);
        if (leaving_) {
            leaving_->setEnvelope(leaving_->gain, 0.0f, currentFadeMs_);
            leaving_->removeAfterFade = true;
            if (currentFadeMs_ > 0)
                fading_.push_back(std::move(leaving_));
            else
                retire(std::move(leaving_));
            leaving_.reset();
        }
    }
    auto mixVoice = [&](Voice& voice) {
        for (int done = 0; done < frames;) {
            const int block =
                std::min<int>(frames - done, static_cast<int>(scratch_.size() / OutputChannels));
            const size_t got = voice.pull(scratch_.data(), static_cast<size_t>(block));
            for (int i = 0; i < block; ++i) {
                const float g = voice.nextGain() * volume_;
                if (static_cast<size_t>(i) < got) {
                    out[(done + i) * 2] += scratch_[i * 2] * g;
                    out[(done + i) * 2 + 1] += scratch_[i * 2 + 1] * g;
                }
            }
            done += block;
        }
    };
    // A voice about to fade out keeps sounding until the new one is ready.
    if (leaving_)
        mixVoice(*leaving_);
    for (auto& voice : fading_)
        mixVoice(*voice);
    if (current_ && current_->started)
        mixVoice(*current_);
    for (auto& voice : fading_) {
        if (voice->envelopeLeft == 0 || voice->finished())
            retire(std::move(voice));
    }
    fading_.erase(std::remove(fading_.begin(), fading_.end(), nullptr), fading_.end());
    for (int i = 0; i < frames * OutputChannels; ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

} // namespace larkspin::kit
