#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace larkspin {

// Raised when a value cannot reach the settings file; what() names the file.
class EProfileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An INI file with Windows private-profile semantics: sections and keys match case-insensitively
// (ASCII), a missing or malformed value yields the caller's default, and every write reaches the
// disk at once by replacing the file through a temporary file and a rename, so the file is never
// left cut short. Lines the program does not own (comments, unknown keys) are kept as they are.
// A Batch gathers many writes into one replacement of the file.
class PrivateProfile {
public:
    // A whole save: while it is open, writes change the profile in memory only, and Commit replaces
    // the file once with all of them, so the file holds either every old or every new value. A batch
    // destroyed without Commit takes its writes back. A batch opened inside another one belongs to it:
    // its Commit does nothing, the outer one writes.
    class Batch {
    public:
        explicit Batch(PrivateProfile& profile);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // Throws EProfileWriteError when the file cannot be replaced; the profile and the file then
        // stay as they were before the batch began.
        void Commit();

    private:
        PrivateProfile& profile_;
        bool owner_;
    };

    explicit PrivateProfile(std::filesystem::path file);

    const std::filesystem::path& fileName() const { return file_; }

    // Text values are cut to 2047 bytes (at a UTF-8 character boundary) as the profile API returns them.
    std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
    // Decimal, or hexadecimal with "$" or "0x"; anything else, or a value outside 32 bits, gives def.
    int32_t readInteger(std::string_view section, std::string_view key, int32_t def) const;
    // Read as an integer: any value other than 0 is true.
    bool readBool(std::string_view section, std::string_view key, bool def) const;

    // Each write replaces the file (inside a Batch: at its Commit); throws EProfileWriteError when it
    // cannot, and the value stays as it was.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);

    // Parses an integer the way readInteger does; false when the text is not one.
    static bool parseInteger(std::string_view text, int32_t& out);

private:
    struct Line {
        std::string text;    // the line as stored
        std::string section; // section header name, when this is a header
        std::string key;     // key name, when this is a key line
        std::string value;   // value, when this is a key line
        bool header = false;
    };

    size_t findKey(std::string_view section, std::string_view key) const; // lines_.size() when absent
    void save() const;

    std::filesystem::path file_;
    std::vector<Line> lines_;
    bool batching_ = false;
    std::vector<Line> beforeBatch_; // the lines as the file holds them while a batch is open
};

} // namespace larkspin
