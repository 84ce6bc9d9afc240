#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace larkspin {

// The bytes of one file as the tag and header readers see them: its size, its first HeadBytes and its
// last TailBytes, read with one open. Readers parse from these buffers; a read that falls outside them
// goes to the file, which stays open (read-only) for the life of the object. So one FileBytes can feed
// several readers (ID3v1, ID3v2, MPEG, ...) with a single open and usually a single read per end.
//
// A FileBytes can also hold a whole file in memory (FromMemory), for tests and fuzzing.
//
// Not thread-safe for one object; separate objects are independent.
class FileBytes {
public:
    static constexpr std::size_t DefaultHead = 32 * 1024;
    static constexpr std::size_t DefaultTail = 8 * 1024;

    FileBytes();
    ~FileBytes();
    FileBytes(FileBytes&&) noexcept;
    FileBytes& operator=(FileBytes&&) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // Opens path read-only and reads the head and tail. False (and IsOpen() false) when the file cannot
    // be opened, is not a regular file (a FIFO or a device is never waited on), or the reads fail.
    bool Open(const std::string& path, std::size_t headBytes = DefaultHead,
              std::size_t tailBytes = DefaultTail);

    // A file whose whole contents are data.
    static FileBytes FromMemory(std::string data);

    bool IsOpen() const;
    // The file's size in bytes (0 when not open).
    std::int64_t Size() const;

    // Copies up to count bytes starting at offset into out and returns how many were copied: fewer than
    // count at the end of the file, 0 at or past its end. Returns -1 for a negative offset, when not open,
    // or on an input/output error. Bytes of out beyond the returned count are left untouched.
    std::int64_t Read(std::int64_t offset, std::size_t count, std::uint8_t* out) const;

    // Like Read, but fills the whole of out: the bytes the file does not have are zero. Returns the count
    // actually read from the file, or -1 (out then all zero).
    std::int64_t ReadZeroFilled(std::int64_t offset, std::size_t count, std::uint8_t* out) const;

    // How many read calls went to the file so far, Open's included (0 for FromMemory).
    std::int64_t FileReads() const;

    // The cached first bytes (min(size, head)) and last bytes (min(size, tail)) of the file.
    std::string_view Head() const;
    std::string_view Tail() const;
    // File offset of Tail()'s first byte.
    std::int64_t TailOffset() const;

private:
    struct State;
    std::unique_ptr<State> d;
};

} // namespace larkspin
