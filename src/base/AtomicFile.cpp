#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspin {
namespace {

constexpr std::size_t BufferSize = 256 * 1024;
constexpr std::string_view TemporaryMark = ".larkspin-";
constexpr std::size_t SuffixLength = 8;

std::atomic<bool> unnamedAllowed{true};

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the rename itself durable; a folder that cannot be opened or synced is no failure of the write.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// target + ".larkspin-" + 8 random lower-case letters or digits.
std::string temporaryNameFor(const std::string& target) {
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::string name = target;
    name += TemporaryMark;
    // The process id keeps the names of forked children apart, whose generators start alike.
    const auto pid = static_cast<unsigned>(::getpid());
    for (std::size_t i = 0; i < SuffixLength; ++i)
        name += Letters[(random() ^ (pid >> i)) % (sizeof Letters - 1)];
    return name;
}

bool isTemporaryName(std::string_view name) {
    if (name.size() <= TemporaryMark.size() + SuffixLength)
        return false;
    const std::string_view suffix = name.substr(name.size() - SuffixLength);
    for (const char c : suffix)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    return name.substr(name.size() - SuffixLength - TemporaryMark.size(), TemporaryMark.size()) ==
           TemporaryMark;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

int lockWaiting(int fd, int operation) {
    int result;
    do
        result = ::flock(fd, operation);
    while (result != 0 && errno == EINTR);
    return result;
}

// Linking an unnamed file goes through its /proc/self/fd entry.
bool procFdAvailable() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

} // namespace

int RemoveStaleTemporaryFiles(const std::string& folder) {
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return 0;
    // Writers create and lock their file while they share this lock, so every file seen while it is held
    // exclusively is either locked by its living writer or left by a dead one. A writer or another
    // cleaner holding it now means: try again at the next write.
    int removed = 0;
    DIR* dir = nullptr;
    if (::flock(dirFd, LOCK_EX | LOCK_NB) == 0)
        dir = ::opendir(folder.c_str());
    while (dir != nullptr) {
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr)
            break;
        if ((entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) || !isTemporaryName(entry->d_name))
            continue;
        const int fd =
            ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino &&
            ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    if (dir != nullptr)
        ::closedir(dir);
    ::close(dirFd); // releases the folder lock
    return removed;
}

void AtomicFile::SetUnnamedTemporaryFiles(bool allowed) {
    unnamedAllowed = allowed;
}

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::fail(int error) {
    if (!failed_) {
        failed_ = true;
        error_ = error != 0 ? error : EIO;
    }
    errno = error_;
    return false;
}

std::string AtomicFile::ErrorText() const {
    if (error_ == 0)
        return {};
    return (target_.empty() ? path_ : target_) + ": " + std::strerror(error_);
}

bool AtomicFile::Open() {
    Discard();
    failed_ = false;
    error_ = 0;
    target_ = path_;
    struct stat st {};
    targetExisted_ = ::stat(path_.c_str(), &st) == 0;
    if (targetExisted_) {
        char resolved[PATH_MAX];
        if (::realpath(path_.c_str(), resolved) == nullptr)
            return fail(errno);
        target_ = resolved;
        if (!S_ISREG(st.st_mode))
            return fail(EINVAL);
        // Root may write anything; a file without any write bit still counts as read-only.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target_.c_str(), W_OK) != 0)
            return fail(EACCES);
    }
    const std::string folder = folderOf(target_);
    RemoveStaleTemporaryFiles(folder);
    bool refused = !unnamedAllowed || !procFdAvailable();
    if (!refused && !openUnnamed(folder, refused) && !refused)
        return false;
    if (refused && !openNamed(folder))
        return false;
    if (targetExisted_) {
        if (::fchown(fd_, st.st_uid, st.st_gid) != 0) {
            // Other users' files stay ours; the mode below still follows the original.
        }
        ::fchmod(fd_, st.st_mode & 07777);
    }
    buffer_.reserve(BufferSize);
    return true;
}

// An unnamed file in folder, created with 0666 so the process's umask applies to a new file as it would
// to any other. refused: the file system does not offer unnamed files.
bool AtomicFile::openUnnamed(const std::string& folder, bool& refused) {
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        const int error = errno;
        refused = error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
        return fail(error);
    }
    // Locked before it gets a name at Commit, so a cleaner never takes it for a dead writer's file.
    lockWaiting(fd_, LOCK_EX);
    unnamed_ = true;
    return true;
}

// A file named target + ".larkspin-XXXXXXXX", created and locked under a shared lock of its folder.
bool AtomicFile::openNamed(const std::string& folder) {
    failed_ = false;
    error_ = 0;
    unnamed_ = false;
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0)
        lockWaiting(dirFd, LOCK_SH); // a folder that cannot be locked is simply never cleaned
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = temporaryNameFor(target_);
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST)
            break;
    }
    const int error = errno;
    if (fd_ >= 0)
        lockWaiting(fd_, LOCK_EX);
    if (dirFd >= 0)
        ::close(dirFd);
    if (fd_ < 0) {
        temp_.clear();
        return fail(error);
    }
    return true;
}

bool AtomicFile::flushBuffer() {
    if (!buffer_.empty() && !failed_ && !writeAll(fd_, buffer_.data(), buffer_.size()))
        fail(errno);
    buffer_.clear();
    return !failed_;
}

bool AtomicFile::Write(const void* data, std::size_t size) {
    if (fd_ < 0)
        return fail(EBADF);
    if (failed_)
        return fail(error_);
    if (buffer_.size() + size > BufferSize && !flushBuffer())
        return false;
    if (size >= BufferSize) {
        if (!writeAll(fd_, static_cast<const char*>(data), size))
            return fail(errno);
        return true;
    }
    buffer_.append(static_cast<const char*>(data), size);
    return true;
}

bool AtomicFile::WriteAt(std::int64_t offset, const void* data, std::size_t size) {
    if (fd_ < 0)
        return fail(EBADF);
    if (offset < 0)
        return fail(EINVAL);
    if (!flushBuffer())
        return false;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, bytes, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n == 0 ? ENOSPC : errno);
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

// Gives the unnamed file the target's name: linked straight to it when there was none, otherwise linked
// under a temporary name that is renamed over the target.
bool AtomicFile::publish() {
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd_);
    if (!targetExisted_) {
        if (::linkat(AT_FDCWD, self, AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            return fail(errno);
    }
    for (int attempt = 0;; ++attempt) {
        temp_ = temporaryNameFor(target_);
        if (::linkat(AT_FDCWD, self, AT_FDCWD, temp_.c_str(), AT_SYMLINK_FOLLOW) == 0)
            break;
        const int error = errno;
        temp_.clear();
        if (error != EEXIST || attempt == 100)
            return fail(error);
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        return fail(errno); // the caller removes temp_
    temp_.clear();
    return true;
}

bool AtomicFile::Commit() {
    if (fd_ < 0)
        return fail(error_ != 0 ? error_ : EBADF);
    bool ok = flushBuffer() && (::fsync(fd_) == 0 || fail(errno));
    if (ok)
        ok = unnamed_ ? publish() : ::rename(temp_.c_str(), target_.c_str()) == 0 || fail(errno);
    if (!ok) {
        const int error = error_;
        Discard();
        errno = error;
        return false;
    }
    // Closed, and so unlocked, only now that the temporary name is gone.
    temp_.clear();
    ::close(fd_);
    fd_ = -1;
    buffer_.clear();
    syncFolder(folderOf(target_));
    return true;
}

void AtomicFile::Discard() {
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    unnamed_ = false;
    buffer_.clear();
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error) {
    int saved = 0;
    {
        AtomicFile file(path);
        if (file.Open() && file.Write(data) && file.Commit())
            return true;
        saved = file.Error();
        if (error != nullptr)
            *error = file.ErrorText();
    } // the discarded file is gone before errno is set for the caller
    errno = saved;
    return false;
}

} // namespace larkspin
