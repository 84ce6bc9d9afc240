#include "TagFileWriter.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace larkspin::tagfile {

namespace {

bool WriteAll(int fd, const char* data, std::size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, data, count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

} // namespace

bool MakeWritable(const std::string& path, unsigned* oldMode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const unsigned mode = st.st_mode & 07777;
    if (oldMode)
        *oldMode = mode;
    if (mode & S_IWUSR)
        return true;
    return ::chmod(path.c_str(), mode | S_IWUSR) == 0;
}

void RestoreMode(const std::string& path, unsigned oldMode) {
    ::chmod(path.c_str(), oldMode);
}

bool RebuildWithHead(const std::string& path, std::string_view newHead, std::int64_t skip) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return false;
    const std::string target = resolved;

    Fd src(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (src.get() < 0 || ::fstat(src.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (skip < 0 || skip > st.st_size)
        skip = 0;

    // A unique temporary name: an existing "name~" (a user's backup) is never overwritten.
    std::string temp = target + "~XXXXXX";
    Fd dst(::mkstemp(temp.data()));
    if (dst.get() < 0)
        return false;
    // The new file belongs to the original's owner and group where the system allows it.
    if (::fchown(dst.get(), st.st_uid, st.st_gid) != 0) {
        // Not permitted for other users' files: the file stays ours.
    }
    bool ok = ::fchmod(dst.get(), (st.st_mode & 07777) | S_IWUSR) == 0;
    ok = ok && WriteAll(dst.get(), newHead.data(), newHead.size());
    if (ok && ::lseek(src.get(), skip, SEEK_SET) != skip)
        ok = false;
    std::vector<char> buf(256 * 1024);
    while (ok) {
        const ssize_t n = ::read(src.get(), buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        else if (n == 0)
            break;
        else
            ok = WriteAll(dst.get(), buf.data(), static_cast<std::size_t>(n));
    }
    ok = ok && ::fsync(dst.get()) == 0;
    ok = dst.close() && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace larkspin::tagfile
