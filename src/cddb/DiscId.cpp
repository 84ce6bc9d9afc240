#include "DiscId.h"

#include <cstdio>

namespace larkspin {

namespace {

uint32_t WholeSeconds(const TocMsf& m) {
    return m.Minutes * 60u + m.Seconds;
}

uint32_t DigitSum(uint32_t n) {
    uint32_t sum = 0;
    for (; n > 0; n /= 10)
        sum += n % 10;
    return sum;
}

int UsableTracks(const TocRecord& toc) {
    return toc.TrackCount < TocMaxTracks ? toc.TrackCount : TocMaxTracks;
}

} // namespace

uint32_t ComputeDiscId(const TocRecord& toc) {
    uint32_t sum = 0;
    for (int i = 0; i < UsableTracks(toc); ++i)
        sum += DigitSum(WholeSeconds(toc.Tracks[i]));
    // Unsigned wrap keeps an empty or damaged record from producing undefined arithmetic.
    uint32_t playing = WholeSeconds(toc.LeadOut) - WholeSeconds(toc.Tracks[0]);
    return (sum % 255) << 24 | (playing & 0xFFFF) << 8 | toc.TrackCount;
}

std::string BuildQueryCommand(const TocRecord& toc) {
    char head[64];
    char id[16];
    std::snprintf(id, sizeof id, "%08x", ComputeDiscId(toc));
    std::snprintf(head, sizeof head, "cddb query %s %d", id, toc.TrackCount);
    std::string command = head;
    for (int i = 0; i < UsableTracks(toc); ++i)
        command += " " + std::to_string(FramesFromMsf(toc.Tracks[i]));
    command += " " + std::to_string(WholeSeconds(toc.LeadOut));
    return command;
}

} // namespace larkspin
