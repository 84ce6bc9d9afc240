#include "AccurateRip.h"

#include "DiscId.h"

#include <algorithm>
#include <cstdio>

namespace larkspin {

namespace {

// The gap between the audio session and a data session that follows it.
constexpr std::uint32_t SessionGapSectors = 11400;

std::uint32_t SectorOf(const TocMsf& m) {
    const std::uint32_t frames = FramesFromMsf(m);
    return frames > LeadInFrames ? frames - LeadInFrames : 0;
}

std::uint32_t Le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace

AccurateRipDisc AccurateRipDiscOf(const TocRecord& toc) {
    AccurateRipDisc disc;
    const int count = std::min<int>(toc.TrackCount, TocMaxTracks);
    int lastAudio = -1;
    for (int i = 0; i < count; ++i) {
        if (toc.Tracks[i].IsAudio == 0)
            continue;
        const std::uint32_t start = SectorOf(toc.Tracks[i]);
        ++disc.TrackCount;
        disc.Id1 += start;
        disc.Id2 += std::max<std::uint32_t>(start, 1) * static_cast<std::uint32_t>(i + 1);
        lastAudio = i;
    }
    if (disc.TrackCount == 0)
        return {};
    std::uint32_t leadOut = SectorOf(toc.LeadOut);
    if (lastAudio + 1 < count) {
        const std::uint32_t data = SectorOf(toc.Tracks[lastAudio + 1]);
        leadOut = data > SessionGapSectors ? data - SessionGapSectors : data;
    }
    disc.Id1 += leadOut;
    disc.Id2 += std::max<std::uint32_t>(leadOut, 1) * static_cast<std::uint32_t>(disc.TrackCount + 1);
    disc.CddbId = ComputeDiscId(toc);
    return disc;
}

std::string AccurateRipUrl(std::string base, const AccurateRipDisc& disc) {
    if (base.empty() || base.back() != '/')
        base += '/';
    char id1[9];
    std::snprintf(id1, sizeof id1, "%08x", static_cast<unsigned>(disc.Id1));
    char name[64];
    std::snprintf(name, sizeof name, "%c/%c/%c/dBAR-%03d-%08x-%08x-%08x.bin", id1[7], id1[6], id1[5],
                  std::clamp(disc.TrackCount, 0, 999), static_cast<unsigned>(disc.Id1),
                  static_cast<unsigned>(disc.Id2), static_cast<unsigned>(disc.CddbId));
    return base + name;
}

bool ParseAccurateRip(std::string_view data, std::vector<AccurateRipRecord>& records, std::string& error) {
    records.clear();
    if (data.empty()) {
        error = "The AccurateRip record is empty";
        return false;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    const std::size_t size = data.size();
    std::size_t at = 0;
    while (at < size) {
        AccurateRipRecord record;
        record.TrackCount = p[at];
        if (record.TrackCount == 0) {
            error = "An AccurateRip record at byte " + std::to_string(at) + " names no track";
            records.clear();
            return false;
        }
        const std::size_t need = 13 + 9 * static_cast<std::size_t>(record.TrackCount);
        if (size - at < need) {
            error = "The AccurateRip record at byte " + std::to_string(at) + " is cut short";
            records.clear();
            return false;
        }
        record.Id1 = Le32(p + at + 1);
        record.Id2 = Le32(p + at + 5);
        record.CddbId = Le32(p + at + 9);
        for (int t = 0; t < record.TrackCount; ++t) {
            const unsigned char* e = p + at + 13 + 9 * static_cast<std::size_t>(t);
            record.Tracks.push_back({e[0], Le32(e + 1), Le32(e + 5)});
        }
        records.push_back(std::move(record));
        at += need;
    }
    return true;
}

AccurateRipVerdict CheckAccurateRip(const std::vector<AccurateRipRecord>& records,
                                    const AccurateRipDisc& disc, int position, std::uint32_t crcV1,
                                    std::uint32_t crcV2) {
    AccurateRipVerdict verdict;
    for (const AccurateRipRecord& record : records) {
        if (record.TrackCount != disc.TrackCount || record.Id1 != disc.Id1 || record.Id2 != disc.Id2 ||
            record.CddbId != disc.CddbId || position < 0 || position >= record.TrackCount)
            continue;
        const AccurateRipEntry& entry = record.Tracks[static_cast<std::size_t>(position)];
        if (entry.Crc == crcV1 || entry.Crc == crcV2) {
            verdict.Result = AccurateRipVerdict::Accurate;
            verdict.Confidence = std::max<int>(verdict.Confidence, entry.Confidence);
        } else if (verdict.Result == AccurateRipVerdict::NotInDatabase) {
            verdict.Result = AccurateRipVerdict::NotAccurate;
        }
    }
    return verdict;
}

std::string AccurateRipText(const AccurateRipVerdict& verdict) {
    switch (verdict.Result) {
    case AccurateRipVerdict::Accurate:
        return "Accurately ripped (confidence " + std::to_string(verdict.Confidence) + ")";
    case AccurateRipVerdict::NotAccurate:
        return "Not accurate";
    case AccurateRipVerdict::NotInDatabase:
        break;
    }
    return "Not in database";
}

} // namespace larkspin
