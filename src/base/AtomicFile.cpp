#include "AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspin {
namespace {

constexpr std::size_t BufferSize = 256 * 1024;

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

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

// Opens a new file named target + ".larkspin-" + a random suffix; the name goes to temp.
int createUnique(const std::string& target, std::string& temp) {
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = target + ".larkspin-";
        for (int i = 0; i < 8; ++i)
            temp += Letters[random() % (sizeof Letters - 1)];
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0)
                temp.clear();
            return fd;
        }
    }
    temp.clear();
    return -1;
}

} // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open() {
    Discard();
    failed_ = false;
    target_ = path_;
    struct stat st {};
    const bool exists = ::stat(path_.c_str(), &st) == 0;
    if (exists) {
        char resolved[PATH_MAX];
        if (::realpath(path_.c_str(), resolved) == nullptr)
            return false;
        target_ = resolved;
        if (!S_ISREG(st.st_mode)) {
            errno = EINVAL;
            return false;
        }
        // Root may write anything; a file without any write bit still counts as read-only.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target_.c_str(), W_OK) != 0) {
            errno = EACCES;
            return false;
        }
    }
    // Created with 0666 so the process's umask applies to a new file, as it would to any other.
    fd_ = createUnique(target_, temp_);
    if (fd_ < 0)
        return false;
    if (exists) {
        if (::fchown(fd_, st.st_uid, st.st_gid) != 0) {
            // Other users' files stay ours; the mode below still follows the original.
        }
        ::fchmod(fd_, st.st_mode & 07777);
    }
    buffer_.reserve(BufferSize);
    return true;
}

bool AtomicFile::flushBuffer() {
    if (!buffer_.empty() && !failed_)
        failed_ = !writeAll(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
    return !failed_;
}

bool AtomicFile::Write(const void* data, std::size_t size) {
    if (fd_ < 0 || failed_)
        return false;
    if (buffer_.size() + size > BufferSize && !flushBuffer())
        return false;
    if (size >= BufferSize) {
        failed_ = !writeAll(fd_, static_cast<const char*>(data), size);
        return !failed_;
    }
    buffer_.append(static_cast<const char*>(data), size);
    return true;
}

bool AtomicFile::WriteAt(std::int64_t offset, const void* data, std::size_t size) {
    if (fd_ < 0 || failed_ || offset < 0 || !flushBuffer())
        return false;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, bytes, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failed_ = true;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

bool AtomicFile::Commit() {
    if (fd_ < 0)
        return false;
    bool ok = flushBuffer() && ::fsync(fd_) == 0;
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    ok = ok && ::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) {
        const int saved = errno;
        ::unlink(temp_.c_str());
        temp_.clear();
        errno = saved;
        return false;
    }
    temp_.clear();
    syncFolder(folderOf(target_));
    return true;
}

void AtomicFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    buffer_.clear();
}

bool WriteFileAtomically(const std::string& path, std::string_view data) {
    AtomicFile file(path);
    return file.Open() && file.Write(data) && file.Commit();
}

} // namespace larkspin
