#pragma once

#include <string>
#include <string_view>

namespace larkspin {

// Path and file name pieces. "/" is the only separator.

// The extension without its dot, as written ("mp3" stays lower case): the text after the last "." that
// follows the last "/"; empty when there is none.
std::string GetFileExt(std::string_view path);

// The text after the last "/", or the whole text when there is none.
std::string GetFileNamePart(std::string_view path);

// The name without its extension and dot.
std::string RemoveFileExt(std::string_view name);

// Splits a file name (extension removed) at its last " - ": part 1 is the artist before it, any other
// part number the title after it. Without " - " both parts are the whole name.
std::string SplitArtistTitle(std::string_view fileName, int part);

// Drops a leading "NN " (two decimal digits and a space); any other text is returned unchanged.
std::string RemoveTrackNumber(std::string_view text);

// The upper-cased extension (ASCII letters only), the file type used everywhere ("MP3", "WAV", ...).
std::string UpperFileExt(std::string_view path);

} // namespace larkspin
