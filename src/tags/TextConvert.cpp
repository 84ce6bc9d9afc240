#include "TextConvert.h"

namespace larkspin {

std::string TrimControls(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return std::string(s.substr(b, e - b));
}

std::string UpperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return r;
}

namespace {

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is malformed or cut off.
size_t SequenceLength(std::string_view s, size_t i) {
    const auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = at(i);
    if (c < 0x80)
        return 1;
    size_t n;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0)
            lo = 0xA0; // overlong
        else if (c == 0xED)
            hi = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0)
            lo = 0x90;
        else if (c == 0xF4)
            hi = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (s.size() - i < n)
        return 0;
    if (at(i + 1) < lo || at(i + 1) > hi)
        return 0;
    for (size_t k = 2; k < n; ++k)
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
    return n;
}

} // namespace

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Utf8ValidPrefix(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const size_t n = SequenceLength(s, i);
        if (n == 0)
            break;
        i += n;
    }
    return std::string(s.substr(0, i));
}

bool IsValidUtf8(std::string_view s) {
    return Utf8ValidPrefix(s).size() == s.size();
}

std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    const size_t units = bytes.size() / 2;
    out.reserve(units);
    const auto unit = [&](size_t k) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * k])) |
               static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * k + 1])) << 8;
    };
    for (size_t k = 0; k < units; ++k) {
        const uint32_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(k + 1) - 0xDC00));
            ++k;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

int32_t DecimalOr(std::string_view s, int32_t fallback) {
    if (s.empty())
        return fallback;
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return fallback;
        v = v * 10 + (c - '0');
        if (v > INT32_MAX)
            return fallback;
    }
    return static_cast<int32_t>(v);
}

} // namespace larkspin
