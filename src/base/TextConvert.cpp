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

size_t Utf8SequenceLength(std::string_view s, size_t i, char32_t* cp) {
    const auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = at(i);
    if (c < 0x80) {
        if (cp)
            *cp = c;
        return 1;
    }
    size_t n;
    char32_t v;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        v = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        v = c & 0x0F;
        if (c == 0xE0)
            lo = 0xA0; // overlong
        else if (c == 0xED)
            hi = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        v = c & 0x07;
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
    for (size_t k = 1; k < n; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
        v = (v << 6) | (at(i + k) & 0x3F);
    }
    if (cp)
        *cp = v;
    return n;
}

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
        const size_t n = Utf8SequenceLength(s, i);
        if (n == 0)
            break;
        i += n;
    }
    return std::string(s.substr(0, i));
}

bool IsValidUtf8(std::string_view s) {
    return Utf8ValidPrefix(s).size() == s.size();
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    const size_t units = bytes.size() / 2;
    out.reserve(units);
    const auto unitAt = [&](size_t k) -> char16_t {
        const auto a = static_cast<unsigned char>(bytes[2 * k]);
        const auto b = static_cast<unsigned char>(bytes[2 * k + 1]);
        return static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    bool atStringStart = true;
    for (size_t k = 0; k < units; ++k) {
        const char16_t u = unitAt(k);
        if (atStringStart) {
            atStringStart = false;
            if (u == 0xFEFF)
                continue;
            if (u == 0xFFFE) {
                bigEndian = !bigEndian;
                continue;
            }
        }
        if (u == 0) {
            out += '\0';
            atStringStart = true;
        } else if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units && unitAt(k + 1) >= 0xDC00 &&
                   unitAt(k + 1) <= 0xDFFF) {
            const char16_t low = unitAt(++k);
            AppendUtf8(out, 0x10000 + ((static_cast<uint32_t>(u) - 0xD800) << 10) + (low - 0xDC00));
        } else if (u >= 0xD800 && u <= 0xDBFF && k + 1 == units) {
            break; // the text was cut off inside a pair
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

int32_t SignedDecimalOr(std::string_view s, int32_t fallback) {
    const bool negative = !s.empty() && s[0] == '-';
    if (!s.empty() && (s[0] == '+' || s[0] == '-'))
        s.remove_prefix(1);
    if (s.empty())
        return fallback;
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return fallback;
        v = v * 10 + (c - '0');
        if (v > int64_t(INT32_MAX) + 1)
            return fallback;
    }
    if (negative)
        v = -v;
    return v > INT32_MAX ? fallback : static_cast<int32_t>(v);
}

std::string YearText(std::string_view date) {
    const auto digit = [&](std::size_t k) { return date[k] >= '0' && date[k] <= '9'; };
    if (date.size() > 4 && digit(0) && digit(1) && digit(2) && digit(3) && (date[4] == '-' || date[4] == 'T'))
        return std::string(date.substr(0, 4));
    return std::string(date);
}

} // namespace larkspin
