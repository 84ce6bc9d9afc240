#include "PlayOrder.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <random>

namespace larkspin {

namespace {

std::mt19937& Random() {
    // Seeded once: seeding from the clock on every use repeats orders within one millisecond.
    static std::mt19937 random(
        static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count()) ^
        std::random_device{}());
    return random;
}

} // namespace

bool PlayOrder::HasNext(int count, bool shuffle) const {
    if (!shuffle)
        return current_ < count - 1;
    return position_ < count - 1 && position_ + 1 < static_cast<int>(shuffle_.size());
}

bool PlayOrder::Next(int count, bool shuffle) {
    if (!HasNext(count, shuffle))
        return false;
    if (!shuffle) {
        ++current_;
        return true;
    }
    ++position_;
    current_ = shuffle_[static_cast<std::size_t>(position_)];
    return true;
}

bool PlayOrder::Previous(bool shuffle) {
    if (!shuffle) {
        if (current_ <= 0)
            return false;
        --current_;
        return true;
    }
    if (position_ <= 0 || position_ - 1 >= static_cast<int>(shuffle_.size()))
        return false;
    --position_;
    current_ = shuffle_[static_cast<std::size_t>(position_)];
    return true;
}

int PlayOrder::Restart(int place, int count, bool shuffle) {
    if (place < 0 || place >= count)
        return -1;
    if (!shuffle || shuffle_.empty())
        return place;
    if (place >= static_cast<int>(shuffle_.size()))
        return -1;
    position_ = place;
    return shuffle_[static_cast<std::size_t>(place)];
}

void PlayOrder::ShuffleOn(int count, bool playing) {
    shuffle_.clear();
    if (count <= 0)
        return;
    BuildShuffleOrder(count);
    position_ = 0;
    if (!playing) {
        current_ = shuffle_.front();
    } else {
        auto it = std::find(shuffle_.begin(), shuffle_.end(), current_);
        if (it != shuffle_.end())
            std::iter_swap(it, shuffle_.begin());
    }
}

void PlayOrder::BuildShuffleOrder(int count) {
    shuffle_.resize(static_cast<std::size_t>(std::max(count, 0)));
    std::iota(shuffle_.begin(), shuffle_.end(), 0);
    std::shuffle(shuffle_.begin(), shuffle_.end(), Random());
}

void PlayOrder::ShuffleInNew(int firstNew, int count, std::size_t batchStart, bool playing) {
    const std::size_t reached =
        position_ >= 0 && (playing || current_ >= 0) ? static_cast<std::size_t>(position_) + 1 : 0;
    for (int index = firstNew; index < count; ++index) {
        shuffle_.push_back(index);
        const std::size_t low = std::min(std::max(batchStart, reached), shuffle_.size() - 1);
        std::uniform_int_distribution<std::size_t> pick(low, shuffle_.size() - 1);
        std::swap(shuffle_[pick(Random())], shuffle_.back());
    }
}

void PlayOrder::ContinueShuffleFrom(int index) {
    if (position_ < 0 && !shuffle_.empty())
        position_ = 0; // before the head: the chosen entry becomes the head
    if (position_ < 0 || position_ >= static_cast<int>(shuffle_.size()))
        return;
    auto it = std::find(shuffle_.begin(), shuffle_.end(), index);
    if (it != shuffle_.end())
        std::iter_swap(it, shuffle_.begin() + position_);
}

void PlayOrder::Remove(const std::vector<unsigned char>& removed) {
    // newIndex[i]: where entry i stands now (the number of kept entries before it).
    std::vector<int> newIndex(removed.size());
    int kept = 0;
    for (std::size_t i = 0; i < removed.size(); ++i) {
        newIndex[i] = kept;
        kept += removed[i] ? 0 : 1;
    }
    const int oldCount = static_cast<int>(removed.size());
    const int oldSize = static_cast<int>(shuffle_.size());
    int keptBefore = 0;
    bool positionGone = false;
    std::size_t out = 0;
    for (std::size_t k = 0; k < shuffle_.size(); ++k) {
        const int index = shuffle_[k];
        const bool drop = index < 0 || index >= oldCount || removed[static_cast<std::size_t>(index)];
        if (static_cast<int>(k) < position_ && !drop)
            ++keptBefore;
        if (static_cast<int>(k) == position_)
            positionGone = drop;
        if (!drop)
            shuffle_[out++] = newIndex[static_cast<std::size_t>(index)];
    }
    shuffle_.resize(out);
    if (shuffle_.empty())
        position_ = 0;
    else if (position_ >= 0 && position_ < oldSize)
        position_ = positionGone ? keptBefore - 1 : keptBefore;
    // The current entry moves down by one for each removed entry at or before it.
    if (current_ >= 0) {
        int removedUpTo = 0;
        for (int i = 0; i <= current_ && i < oldCount; ++i)
            removedUpTo += removed[static_cast<std::size_t>(i)] ? 1 : 0;
        current_ -= removedUpTo;
    }
}

void PlayOrder::Reordered(int newCurrent) {
    if (newCurrent >= 0)
        current_ = newCurrent;
}

void PlayOrder::Clear() {
    current_ = -1;
    shuffle_.clear();
    position_ = 0;
}

} // namespace larkspin
