#include "FileUrls.h"

namespace larkspin {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string PercentDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

std::string PercentEncodePath(std::string_view path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 32 || c == '%' || c == '#' || c == '?' || c >= 127) {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

std::optional<std::string> LocalPathOfFileUrl(std::string_view url) {
    if (!url.starts_with("file://"))
        return std::nullopt;
    url.remove_prefix(7);
    if (url.starts_with("localhost/"))
        url.remove_prefix(9);
    if (!url.starts_with('/'))
        return std::nullopt;
    // Everything after the host is the name: lists written by hand leave "#" and "?" unescaped.
    return PercentDecode(url);
}

} // namespace larkspin
