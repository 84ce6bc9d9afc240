#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace larkspin {

// File names on Linux are bytes, not text: these keep every byte, whatever the locale or encoding.

// "%XX" escapes undone; anything else (a lone "%" too) is kept as it is.
std::string PercentDecode(std::string_view text);

// A path as the path part of a file:// address: control characters, blanks, "%", "#", "?" and every
// byte above 126 as "%XX".
std::string PercentEncodePath(std::string_view path);

// The local path a "file:///path" or "file://localhost/path" address names, its bytes decoded; none for
// anything else (another scheme, another host, no absolute path). The one reading of file:// addresses
// for playlists, the command line, drops and the media controls.
std::optional<std::string> LocalPathOfFileUrl(std::string_view url);

} // namespace larkspin
