#pragma once

#include <string>
#include <string_view>

namespace larkspin {

// Replaces the file at path with data: writes a temporary file beside it, then renames it over the
// original, so a failed write leaves the old file whole. Returns false (and removes the temporary
// file) when anything fails.
bool WriteFileAtomically(const std::string& path, std::string_view data);

} // namespace larkspin
