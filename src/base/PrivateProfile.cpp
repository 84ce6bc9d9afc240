#include "PrivateProfile.h"

#include "AtomicFile.h"

#include <algorithm>
#include <charconv>
#include <fstream>

namespace larkspin {
namespace {

constexpr size_t MaxValueBytes = 2047;

bool equalsAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x -= 32;
        if (y >= 'a' && y <= 'z')
            y -= 32;
        if (x != y)
            return false;
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

// Cuts a UTF-8 text to at most max bytes without splitting a character.
std::string cutUtf8(std::string_view s, size_t max) {
    if (s.size() <= max)
        return std::string(s);
    size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
        --end;
    return std::string(s.substr(0, end));
}

} // namespace

PrivateProfile::PrivateProfile(std::filesystem::path file) : file_(std::move(file)) {
    std::ifstream in(file_, std::ios::binary);
    std::string raw;
    std::string current;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        Line line;
        line.text = raw;
        std::string_view t = trim(raw);
        if (!t.empty() && t.front() == '[') {
            size_t close = t.find(']');
            current =
                std::string(trim(t.substr(1, close == std::string_view::npos ? t.size() - 1 : close - 1)));
            line.section = current;
            line.header = true;
        } else if (!t.empty() && t.front() != ';' && t.find('=') != std::string_view::npos) {
            size_t eq = t.find('=');
            line.section = current;
            line.key = std::string(trim(t.substr(0, eq)));
            std::string_view v = trim(t.substr(eq + 1));
            // The profile API drops one pair of enclosing quotes.
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            line.value = std::string(v);
        } else {
            line.section = current;
        }
        lines_.push_back(std::move(line));
    }
}

size_t PrivateProfile::findKey(std::string_view section, std::string_view key) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (!lines_[i].key.empty() && equalsAscii(lines_[i].section, section) &&
            equalsAscii(lines_[i].key, key))
            return i;
    return lines_.size();
}

std::string PrivateProfile::readString(std::string_view section, std::string_view key,
                                       std::string_view def) const {
    size_t i = findKey(section, key);
    return cutUtf8(i < lines_.size() ? std::string_view(lines_[i].value) : def, MaxValueBytes);
}

bool PrivateProfile::parseInteger(std::string_view text, int32_t& out) {
    std::string_view s = trim(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && s.front() == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty())
        return false;
    int64_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (ec != std::errc() || end != s.data() + s.size())
        return false;
    if (negative)
        value = -value;
    // Hexadecimal may spell the full unsigned range ($FFFFFFFF is -1): values other tools wrote as
    // unsigned read back.
    if (base == 16 && !negative && value > INT32_MAX && value <= UINT32_MAX)
        value -= int64_t(1) << 32;
    if (value < INT32_MIN || value > INT32_MAX)
        return false;
    out = static_cast<int32_t>(value);
    return true;
}

int32_t PrivateProfile::readInteger(std::string_view section, std::string_view key, int32_t def) const {
    size_t i = findKey(section, key);
    int32_t v;
    return i < lines_.size() && parseInteger(lines_[i].value, v) ? v : def;
}

bool PrivateProfile::readBool(std::string_view section, std::string_view key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

void PrivateProfile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    std::vector<Line> before;
    if (!batching_)
        before = lines_;
    Line line{std::string(key) + "=" + std::string(value), std::string(section), std::string(key),
              std::string(value), false};
    if (size_t i = findKey(section, key); i < lines_.size()) {
        lines_[i].text = lines_[i].key + "=" + std::string(value);
        lines_[i].value = line.value;
    } else {
        auto header = std::find_if(lines_.begin(), lines_.end(), [&](const Line& l) {
            return l.header && equalsAscii(l.section, section);
        });
        if (header == lines_.end()) {
            lines_.push_back(Line{"[" + std::string(section) + "]", std::string(section), {}, {}, true});
            lines_.push_back(std::move(line));
        } else {
            // Append after the section's last non-blank line, so blank separators stay between sections.
            auto end = std::find_if(header + 1, lines_.end(), [](const Line& l) { return l.header; });
            while (end != header + 1 && trim((end - 1)->text).empty())
                --end;
            lines_.insert(end, std::move(line));
        }
    }
    if (batching_)
        return;
    try {
        save();
    } catch (...) {
        lines_ = std::move(before);
        throw;
    }
}

PrivateProfile::Batch::Batch(PrivateProfile& profile) : profile_(profile), owner_(!profile.batching_) {
    if (owner_) {
        profile_.beforeBatch_ = profile_.lines_;
        profile_.batching_ = true;
    }
}

PrivateProfile::Batch::~Batch() {
    if (owner_ && profile_.batching_) {
        profile_.lines_ = std::move(profile_.beforeBatch_);
        profile_.batching_ = false;
    }
    if (owner_)
        profile_.beforeBatch_.clear();
}

void PrivateProfile::Batch::Commit() {
    if (!owner_ || !profile_.batching_)
        return;
    profile_.save(); // on a throw the destructor takes the writes back
    profile_.batching_ = false;
    profile_.beforeBatch_.clear();
}

void PrivateProfile::writeInteger(std::string_view section, std::string_view key, int32_t value) {
    writeString(section, key, std::to_string(value));
}

void PrivateProfile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void PrivateProfile::save() const {
    std::string data;
    for (const Line& l : lines_) {
        data += l.text;
        data += '\n';
    }
    std::string error;
    if (!WriteFileAtomically(file_.string(), data, &error))
        throw EProfileWriteError("Cannot write to " + (error.empty() ? file_.string() : error));
}

} // namespace larkspin
