#include "Id3Text.h"

#include "TextConvert.h"

#include <cstdint>

namespace larkspin::id3text {

namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is malformed or cut off.
std::size_t SequenceLength(std::string_view s, std::size_t i, char32_t* cp = nullptr) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t len;
    char32_t v;
    if (c < 0x80) {
        if (cp)
            *cp = c;
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        v = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        v = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        v = c & 0x07;
    } else {
        return 0;
    }
    if (s.size() - i < len)
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return 0;
        v = (v << 6) | (b(i + k) & 0x3F);
    }
    if ((len == 3 && v < 0x800) || (len == 4 && (v < 0x10000 || v > 0x10FFFF)) ||
        (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    if (cp)
        *cp = v;
    return len;
}

bool IsAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

std::string TrimRight(std::string_view s) {
    std::size_t end = s.size();
    while (end > 0 && IsControl(s[end - 1]))
        --end;
    return std::string(s.substr(0, end));
}

std::string Trim(std::string_view s) {
    std::size_t begin = 0;
    while (begin < s.size() && IsControl(s[begin]))
        ++begin;
    return TrimRight(s.substr(begin));
}

bool IsUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = SequenceLength(s, i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::string DecodeEightBit(std::string_view bytes) {
    if (IsUtf8(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes)
        AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

bool FitsLatin1(std::string_view utf8) {
    std::string latin1;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const std::size_t len = SequenceLength(utf8, i, &cp);
        if (len == 0 || cp > 0xFF)
            return false;
        latin1 += static_cast<char>(cp);
        i += len;
    }
    return IsAscii(latin1) || !IsUtf8(latin1);
}

std::string EncodeEightBit(std::string_view utf8) {
    if (!FitsLatin1(utf8))
        return std::string(utf8);
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        i += SequenceLength(utf8, i, &cp);
        out += static_cast<char>(cp);
    }
    return out;
}

std::string CutToCapacity(std::string_view utf8, std::size_t capacity) {
    if (EncodeEightBit(utf8).size() <= capacity)
        return std::string(utf8);
    // Grow the prefix one character at a time; the first one too long ends it.
    std::size_t good = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t len = SequenceLength(utf8, i);
        const std::size_t next = i + (len == 0 ? 1 : len);
        if (EncodeEightBit(utf8.substr(0, next)).size() > capacity)
            break;
        good = next;
        i = next;
    }
    return std::string(utf8.substr(0, good));
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    const std::size_t units = bytes.size() / 2;
    const auto unitAt = [&](std::size_t k) -> char16_t {
        const auto a = static_cast<unsigned char>(bytes[2 * k]);
        const auto b = static_cast<unsigned char>(bytes[2 * k + 1]);
        return static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    bool atStringStart = true;
    for (std::size_t k = 0; k < units; ++k) {
        char16_t u = unitAt(k);
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
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (low - 0xDC00));
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

std::string EncodeUtf16(std::string_view utf8) {
    const std::string text = ToUtf8(utf8);
    std::string out("\xFF\xFE", 2);
    const auto put = [&](char16_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    bool afterZero = false;
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        i += SequenceLength(text, i, &cp);
        // A string after a zero unit may begin with a mark; a U+FEFF or U+FFFE that is text gets one in
        // front so it is not taken for the mark.
        if (afterZero && (cp == 0xFEFF || cp == 0xFFFE))
            put(0xFEFF);
        afterZero = cp == 0;
        if (cp >= 0x10000) {
            put(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            put(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            put(static_cast<char16_t>(cp));
        }
    }
    return out;
}

} // namespace larkspin::id3text
