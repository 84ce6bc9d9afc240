#pragma once

#include "TocRecord.h"

#include <cstdint>
#include <string>

namespace larkspin {

// The standard CDDB disc ID of a table of contents: digit sums of the track starts in whole seconds,
// the playing time in seconds and the track count.
uint32_t ComputeDiscId(const TocRecord& toc);

// "cddb query <id> <count> <frame offsets...> <lead-out seconds>" with the ID in lower-case hex.
std::string BuildQueryCommand(const TocRecord& toc);

} // namespace larkspin
