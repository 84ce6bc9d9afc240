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
    bool open = false;
    bool inMemory = false;
    std::int64_t size = 0;
    // The buffers only grow: an object opened again for the next file reuses them without clearing.
    std::string headBuffer;
    std::string tailBuffer;
    std::size_t headLength = 0;
    const char* tail = nullptr; // into tailBuffer, or into headBuffer when one read held both
    std::size_t tailLength = 0;
    std::int64_t tailOffset = 0;
    std::string memory; // whole file when inMemory
    mutable std::int64_t reads = 0;

    void Close() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        open = false;
        size = 0;
        headLength = 0;
        tail = nullptr;
        tailLength = 0;
        tailOffset = 0;
        reads = 0;
    }
    ~State() { Close(); }
};

namespace {

// pread until count bytes or end of file; -1 on error. Counts the calls in reads.
std::int64_t ReadFully(int fd, std::int64_t offset, std::size_t count, char* out, std::int64_t& reads) {
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

// Room for n bytes; a buffer is zero-filled only where it grows.
char* Room(std::string& buffer, std::size_t n) {
    if (buffer.size() < n)
        buffer.resize(n);
    return buffer.data();
}

} // namespace

FileBytes::FileBytes() = default;
FileBytes::~FileBytes() = default;
FileBytes::FileBytes(FileBytes&&) noexcept = default;
FileBytes& FileBytes::operator=(FileBytes&&) noexcept = default;

bool FileBytes::Open(const std::string& path, std::size_t headBytes, std::size_t tailBytes) {
    if (!d || d->inMemory)
        d = std::make_unique<State>();
    State& s = *d;
    s.Close();
    // Opening a FIFO for reading would wait for a writer: open without waiting, then look at what it is.
    s.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (s.fd < 0)
        return false;
    struct stat st {};
    if (::fstat(s.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        s.Close();
        return false;
    }
    const std::int64_t size = st.st_size;
    const std::int64_t headLen = std::min<std::int64_t>(size, static_cast<std::int64_t>(headBytes));
    const std::int64_t tailLen = std::min<std::int64_t>(size, static_cast<std::int64_t>(tailBytes));

    if (size - tailLen <= headLen) {
        // Small file: one read covers head and tail.
        const auto all = static_cast<std::size_t>(size);
        const auto n = ReadFully(s.fd, 0, all, Room(s.headBuffer, all), s.reads);
        if (n < 0) {
            s.Close();
            return false;
        }
        s.size = n; // the file may have shrunk since fstat
        s.headLength = static_cast<std::size_t>(std::min<std::int64_t>(n, headLen));
        s.tailOffset = std::max<std::int64_t>(0, n - tailLen);
        s.tail = s.headBuffer.data() + s.tailOffset;
        s.tailLength = static_cast<std::size_t>(n - s.tailOffset);
    } else {
        s.size = size;
        auto n = ReadFully(s.fd, 0, static_cast<std::size_t>(headLen),
                           Room(s.headBuffer, static_cast<std::size_t>(headLen)), s.reads);
        if (n < 0) {
            s.Close();
            return false;
        }
        s.headLength = static_cast<std::size_t>(n);
        s.tailOffset = size - tailLen;
        n = ReadFully(s.fd, s.tailOffset, static_cast<std::size_t>(tailLen),
                      Room(s.tailBuffer, static_cast<std::size_t>(tailLen)), s.reads);
        if (n < 0) {
            s.Close();
            return false;
        }
        s.tail = s.tailBuffer.data();
        s.tailLength = static_cast<std::size_t>(n);
    }
    s.open = true;
    return true;
}

void FileBytes::Close() {
    if (d && !d->inMemory)
        d->Close();
    else
        d.reset();
}

FileBytes FileBytes::FromMemory(std::string data) {
    FileBytes f;
    f.d = std::make_unique<State>();
    f.d->inMemory = true;
    f.d->open = true;
    f.d->memory = std::move(data);
    f.d->size = static_cast<std::int64_t>(f.d->memory.size());
    return f;
}

bool FileBytes::IsOpen() const {
    return d && d->open;
}

std::int64_t FileBytes::Size() const {
    return IsOpen() ? d->size : 0;
}

std::int64_t FileBytes::Read(std::int64_t offset, std::size_t count, std::uint8_t* out) const {
    if (!IsOpen() || offset < 0)
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
    if (end <= static_cast<std::int64_t>(d->headLength)) {
        std::memcpy(out, d->headBuffer.data() + offset, n);
        return static_cast<std::int64_t>(n);
    }
    if (offset >= d->tailOffset && end <= d->tailOffset + static_cast<std::int64_t>(d->tailLength)) {
        std::memcpy(out, d->tail + (offset - d->tailOffset), n);
        return static_cast<std::int64_t>(n);
    }
    return ReadFully(d->fd, offset, n, reinterpret_cast<char*>(out), d->reads);
}

std::int64_t FileBytes::ReadZeroFilled(std::int64_t offset, std::size_t count, std::uint8_t* out) const {
    std::memset(out, 0, count);
    const auto n = Read(offset, count, out);
    if (n < 0)
        std::memset(out, 0, count);
    return n;
}

std::int64_t FileBytes::FileReads() const {
    return IsOpen() ? d->reads : 0;
}

std::string_view FileBytes::Head() const {
    if (!IsOpen())
        return {};
    if (d->inMemory)
        return std::string_view(d->memory).substr(0, DefaultHead);
    return std::string_view(d->headBuffer.data(), d->headLength);
}

std::string_view FileBytes::Tail() const {
    if (!IsOpen())
        return {};
    if (d->inMemory) {
        const std::size_t len = std::min(d->memory.size(), DefaultTail);
        return std::string_view(d->memory).substr(d->memory.size() - len);
    }
    return std::string_view(d->tail, d->tailLength);
}

std::int64_t FileBytes::TailOffset() const {
    if (!IsOpen())
        return 0;
    if (d->inMemory)
        return d->size - static_cast<std::int64_t>(std::min(d->memory.size(), DefaultTail));
    return d->tailOffset;
}

} // namespace larkspin
