#include "Id3Text.h"

#include "TextConvert.h"

#include <cstdint>

namespace larkspin::id3text {

namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
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

std::string DecodeEightBit(std::string_view bytes) {
    if (IsValidUtf8(bytes))
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
        const std::size_t len = Utf8SequenceLength(utf8, i, &cp);
        if (len == 0 || cp > 0xFF)
            return false;
        latin1 += static_cast<char>(cp);
        i += len;
    }
    return IsAscii(latin1) || !IsValidUtf8(latin1);
}

std::string EncodeEightBit(std::string_view utf8) {
    if (!FitsLatin1(utf8))
        return std::string(utf8);
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        i += Utf8SequenceLength(utf8, i, &cp);
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
        const std::size_t len = Utf8SequenceLength(utf8, i);
        const std::size_t next = i + (len == 0 ? 1 : len);
        if (EncodeEightBit(utf8.substr(0, next)).size() > capacity)
            break;
        good = next;
        i = next;
    }
    return std::string(utf8.substr(0, good));
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
        i += Utf8SequenceLength(text, i, &cp);
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
