#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace larkspin {

// The one way Larkspin replaces a file: the new contents go to a temporary file beside the target, are
// flushed to disk and put in place of the target on Commit, so a full disk, a crash or an abort leaves
// the old file whole and no half file under the final name. The temporary file takes the target's mode
// and, where the system allows, its owner; a new file gets 0666 less the umask. A target that exists but
// is read-only is refused (Open fails with EACCES). A symbolic link is followed, so the file it names is
// replaced and the link stays.
//
// Where the file system offers it, the temporary file has no name until Commit (O_TMPFILE), so a process
// killed while writing leaves nothing behind. Elsewhere it is named target + ".larkspin-" + 8 letters or
// digits and locked while its writer lives; Open removes such files left in the target's folder by a
// writer that died (RemoveStaleTemporaryFiles).
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
    // Flushes the file and puts it in place of the target. False (errno set) when any earlier step
    // failed; the target is then unchanged and the temporary file removed.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard();

    // The file being replaced (the resolved target of a link).
    const std::string& Target() const { return target_; }
    // The temporary file's name while open; empty while it has none.
    const std::string& TemporaryName() const { return temp_; }

    // The system's error number of the first step that failed, 0 while none did.
    int Error() const { return error_; }
    // The file and the system's reason for the first failure, as "<file>: No space left on device";
    // empty while nothing failed.
    std::string ErrorText() const;

    // For tests: false makes every AtomicFile use a named temporary file, as on a file system without
    // O_TMPFILE. Process-wide; set it before any writer thread starts.
    static void SetUnnamedTemporaryFiles(bool allowed);

private:
    bool fail(int error);
    bool flushBuffer();
    bool openUnnamed(const std::string& folder, bool& refused);
    bool openNamed(const std::string& folder);
    bool publish();

    std::string path_;
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool unnamed_ = false;
    bool targetExisted_ = false;
    bool failed_ = false;
    int error_ = 0;
    std::string buffer_;
};

// Replaces the file at path with data through AtomicFile. False (errno set) when anything fails; the old
// file then stays whole. error, when given, receives AtomicFile::ErrorText.
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error = nullptr);

// Removes the temporary files of AtomicFile writers that died in folder: names of the exact form
// <name>.larkspin-XXXXXXXX (8 lower-case letters or digits) that no living writer holds locked. Returns
// how many were removed; a folder that cannot be read or locked is left alone.
int RemoveStaleTemporaryFiles(const std::string& folder);

} // namespace larkspin
