#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace larkspin {

// The one way Larkspin replaces a file: the new contents go to a unique temporary file beside the
// target, are flushed to disk and renamed over the target on Commit, so a full disk, a crash or an
// abort leaves the old file whole and no half file under the final name. The temporary file takes the
// target's mode and, where the system allows, its owner; a new file gets 0666 less the umask. A target
// that exists but is read-only is refused (Open fails with EACCES). A symbolic link is followed, so the
// file it names is replaced and the link stays.
//
// Standard library and POSIX only; not thread-safe per object, independent objects may be used from
// any thread.
class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile(); // discards an uncommitted temporary file
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. False (errno set) when the target is read-only, its folder cannot be
    // written or the path names no regular file.
    bool Open();
    // Appends size bytes; false on any write error (a full disk), after which Commit fails.
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view data) { return Write(data.data(), data.size()); }
    // Overwrites bytes already written at offset (a header whose sizes are known only at the end).
    bool WriteAt(std::int64_t offset, const void* data, std::size_t size);
    // Flushes, closes and renames the temporary file over the target. False when any earlier step
    // failed; the target is then unchanged and the temporary file removed.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard();

    // The file being replaced (the resolved target of a link).
    const std::string& Target() const { return target_; }
    // The temporary file's name while open.
    const std::string& TemporaryName() const { return temp_; }

private:
    bool flushBuffer();

    std::string path_;
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool failed_ = false;
    std::string buffer_;
};

// Replaces the file at path with data through AtomicFile. False when anything fails; the old file
// then stays whole.
bool WriteFileAtomically(const std::string& path, std::string_view data);

} // namespace larkspin
