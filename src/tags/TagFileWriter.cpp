#include "TagFileWriter.h"

#include "AtomicFile.h"

#include <algorithm>
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
    return RebuildWithHeadAndTail(path, newHead, skip, {}, 0);
}

bool RebuildWithHeadAndTail(const std::string& path, std::string_view newHead, std::int64_t skip,
                            std::string_view newTail, std::int64_t oldTailLength) {
    // Saving into a read-only file is meant to work: the owner gets write permission first.
    unsigned oldMode = 0;
    if (!MakeWritable(path, &oldMode))
        return false;
    Fd src(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    AtomicFile dst(path);
    bool ok = src.get() >= 0 && ::fstat(src.get(), &st) == 0 && S_ISREG(st.st_mode) && dst.Open();
    if (skip < 0 || skip > st.st_size)
        skip = 0;
    if (oldTailLength < 0 || oldTailLength > st.st_size - skip)
        oldTailLength = 0;
    std::int64_t left = st.st_size - skip - oldTailLength;
    ok = ok && dst.Write(newHead) && ::lseek(src.get(), skip, SEEK_SET) == skip;
    std::vector<char> buf(256 * 1024);
    while (ok && left > 0) {
        const ssize_t n =
            ::read(src.get(), buf.data(), static_cast<std::size_t>(std::min<std::int64_t>(left, buf.size())));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // The file shrank under us: what it held is not known any more.
            ok = false;
            break;
        }
        ok = dst.Write(buf.data(), static_cast<std::size_t>(n));
        left -= n;
    }
    ok = ok && dst.Write(newTail) && dst.Commit();
    if (!ok)
        RestoreMode(path, oldMode);
    return ok;
}

} // namespace larkspin::tagfile
