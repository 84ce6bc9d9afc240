#include "FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspin {

struct FileBytes::State {
    int fd = -1;
    bool inMemory = false;
    std::int64_t size = 0;
    std::string head;
    std::string tail;
    std::int64_t tailOffset = 0;
    std::string memory; // whole file when inMemory
    mutable std::int64_t reads = 0;

    ~State() {
        if (fd >= 0)
            ::close(fd);
    }
};

namespace {

// pread until count bytes or end of file; -1 on error. Counts the calls in reads.
std::int64_t ReadFully(int fd, std::int64_t offset, std::size_t count, std::uint8_t* out,
                       std::int64_t& reads) {
    std::size_t done = 0;
    while (done < count) {
        ++reads;
        ssize_t n = ::pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

} // namespace

FileBytes::FileBytes() = default;
FileBytes::~FileBytes() = default;
FileBytes::FileBytes(FileBytes&&) noexcept = default;
FileBytes& FileBytes::operator=(FileBytes&&) noexcept = default;

bool FileBytes::Open(const std::string& path, std::size_t headBytes, std::size_t tailBytes) {
    d.reset();
    auto s = std::make_unique<State>();
    // Opening a FIFO for reading would wait for a writer: open without waiting, then look at what it is.
    s->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (s->fd < 0)
        return false;
    struct stat st {};
    if (::fstat(s->fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    s->size = st.st_size;

    const std::int64_t headLen = std::min<std::int64_t>(s->size, static_cast<std::int64_t>(headBytes));
    const std::int64_t tailLen = std::min<std::int64_t>(s->size, static_cast<std::int64_t>(tailBytes));
    s->tailOffset = s->size - tailLen;

    if (s->tailOffset <= headLen) {
        // Small file: one read covers head and tail.
        const std::int64_t all = std::max(headLen, s->size);
        std::string buf(static_cast<std::size_t>(all), '\0');
        const auto n = ReadFully(s->fd, 0, buf.size(), reinterpret_cast<std::uint8_t*>(buf.data()), s->reads);
        if (n < 0)
            return false;
        buf.resize(static_cast<std::size_t>(n));
        s->size = n; // the file may have shrunk since fstat
        s->head = buf.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(n, headLen)));
        s->tailOffset = std::max<std::int64_t>(0, n - tailLen);
        s->tail = buf.substr(static_cast<std::size_t>(s->tailOffset));
    } else {
        s->head.assign(static_cast<std::size_t>(headLen), '\0');
        auto n =
            ReadFully(s->fd, 0, s->head.size(), reinterpret_cast<std::uint8_t*>(s->head.data()), s->reads);
        if (n < 0)
            return false;
        s->head.resize(static_cast<std::size_t>(n));
        s->tail.assign(static_cast<std::size_t>(tailLen), '\0');
        n = ReadFully(s->fd, s->tailOffset, s->tail.size(), reinterpret_cast<std::uint8_t*>(s->tail.data()),
                      s->reads);
        if (n < 0)
            return false;
        s->tail.resize(static_cast<std::size_t>(n));
    }
    d = std::move(s);
    return true;
}

FileBytes FileBytes::FromMemory(std::string data) {
    FileBytes f;
    f.d = std::make_unique<State>();
    f.d->inMemory = true;
    f.d->memory = std::move(data);
    f.d->size = static_cast<std::int64_t>(f.d->memory.size());
    return f;
}

bool FileBytes::IsOpen() const {
    return d != nullptr;
}

std::int64_t FileBytes::Size() const {
    return d ? d->size : 0;
}

std::int64_t FileBytes::Read(std::int64_t offset, std::size_t count, std::uint8_t* out) const {
    if (!d || offset < 0)
        return -1;
    if (offset >= d->size || count == 0)
        return 0;
    const auto left = static_cast<std::uint64_t>(d->size - offset);
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, left));
    if (d->inMemory) {
        std::memcpy(out, d->memory.data() + offset, n);
        return static_cast<std::int64_t>(n);
    }
    const std::int64_t end = offset + static_cast<std::int64_t>(n);
    if (end <= static_cast<std::int64_t>(d->head.size())) {
        std::memcpy(out, d->head.data() + offset, n);
        return static_cast<std::int64_t>(n);
    }
    if (offset >= d->tailOffset && end <= d->tailOffset + static_cast<std::int64_t>(d->tail.size())) {
        std::memcpy(out, d->tail.data() + (offset - d->tailOffset), n);
        return static_cast<std::int64_t>(n);
    }
    return ReadFully(d->fd, offset, n, out, d->reads);
}

std::int64_t FileBytes::ReadZeroFilled(std::int64_t offset, std::size_t count, std::uint8_t* out) const {
    std::memset(out, 0, count);
    const auto n = Read(offset, count, out);
    if (n < 0)
        std::memset(out, 0, count);
    return n;
}

std::int64_t FileBytes::FileReads() const {
    return d ? d->reads : 0;
}

std::string_view FileBytes::Head() const {
    if (!d)
        return {};
    if (d->inMemory)
        return std::string_view(d->memory).substr(0, DefaultHead);
    return d->head;
}

std::string_view FileBytes::Tail() const {
    if (!d)
        return {};
    if (d->inMemory) {
        const std::size_t len = std::min(d->memory.size(), DefaultTail);
        return std::string_view(d->memory).substr(d->memory.size() - len);
    }
    return d->tail;
}

std::int64_t FileBytes::TailOffset() const {
    if (!d)
        return 0;
    if (d->inMemory)
        return d->size - static_cast<std::int64_t>(std::min(d->memory.size(), DefaultTail));
    return d->tailOffset;
}

} // namespace larkspin
