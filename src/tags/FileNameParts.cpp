#include "FileNameParts.h"

#include "TextConvert.h"

namespace larkspin {

namespace {

// Position of the extension's dot, or npos.
size_t ExtensionDot(std::string_view path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos)
        return dot;
    const size_t slash = path.rfind('/');
    if (slash != std::string_view::npos && slash > dot)
        return std::string_view::npos;
    return dot;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string GetFileExt(std::string_view path) {
    const size_t dot = ExtensionDot(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot + 1));
}

std::string GetFileNamePart(std::string_view path) {
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string RemoveFileExt(std::string_view name) {
    const size_t dot = ExtensionDot(name);
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string SplitArtistTitle(std::string_view fileName, int part) {
    const std::string s = RemoveFileExt(fileName);
    const size_t split = s.rfind(" - ");
    if (split == std::string::npos)
        return s;
    return part == 1 ? s.substr(0, split) : s.substr(split + 3);
}

std::string RemoveTrackNumber(std::string_view text) {
    if (text.size() >= 3 && IsDigit(text[0]) && IsDigit(text[1]) && text[2] == ' ')
        return std::string(text.substr(3));
    return std::string(text);
}

std::string UpperFileExt(std::string_view path) {
    return UpperAscii(GetFileExt(path));
}

} // namespace larkspin
