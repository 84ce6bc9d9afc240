#include "CoverPicture.h"

#include "AtomicFile.h"

#include "ByteReading.h"
#include "FileBytes.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

namespace larkspin {

namespace {

std::atomic<int64_t> audioStartMark{0};

constexpr int64_t EndReserve = 128 + 1000; // an ID3v1 tag plus 1000 bytes
constexpr int64_t PictureOffset = 19;      // from the end of "APIC" to the picture, as taggers wrote it
constexpr size_t Chunk = 64 * 1024;

// Copies length bytes from offset of file into path; an earlier picture stays whole when anything fails.
bool CopyOut(const FileBytes& file, int64_t offset, int64_t length, const std::string& path) {
    AtomicFile out(path);
    if (!out.Open())
        return false;
    std::vector<uint8_t> buf(Chunk);
    for (int64_t done = 0; done < length;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(Chunk, length - done));
        if (file.Read(offset + done, n, buf.data()) != static_cast<int64_t>(n) || !out.Write(buf.data(), n))
            return false;
        done += static_cast<int64_t>(n);
    }
    return out.Commit();
}

} // namespace

int64_t AudioStartMark() {
    return audioStartMark.load();
}

bool FindAudioStart(const std::string& path) {
    FileBytes file;
    if (!file.Open(path, 0, 0))
        return false;
    const int64_t limit = file.Size() - EndReserve;
    std::vector<uint8_t> buf(Chunk + 1);
    // Chunks overlap by one byte so a pair across a chunk border is seen.
    for (int64_t start = 0; start < limit; start += Chunk) {
        const int64_t got = file.Read(start, Chunk + 1, buf.data());
        if (got <= 0)
            return false;
        for (int64_t i = 0; i < got && start + i < limit; ++i) {
            if (buf[i] != 0xFF || i + 1 >= got)
                continue;
            if (buf[i + 1] == 0xFA || buf[i + 1] == 0xFB) {
                audioStartMark = start + i + 2;
                return true;
            }
        }
    }
    return false;
}

bool ExtractCover(const std::string& path, const std::string& folder) {
    const int64_t mark = AudioStartMark();
    FileBytes file;
    if (mark < 2 || !file.Open(path, 0, 0) || mark - 1 > file.Size())
        return false;
    // The last "APIC" that starts before the audio; the file is read in pieces, so a long stretch before
    // the audio costs no memory.
    const int64_t end = mark - 1;
    int64_t pictureStart = -1;
    std::vector<uint8_t> buf(Chunk + 3);
    for (int64_t pos = 0; pos < end; pos += Chunk) {
        const int64_t got = file.Read(pos, buf.size(), buf.data());
        if (got < 0)
            return false;
        for (int64_t i = 0; i + 4 <= got && pos + i < end && i < static_cast<int64_t>(Chunk); ++i)
            if (std::memcmp(&buf[static_cast<size_t>(i)], "APIC", 4) == 0)
                pictureStart = pos + i + 4 + PictureOffset;
    }
    if (pictureStart < 0)
        return false;
    const int64_t length = end - pictureStart;
    if (length <= 0)
        return false;
    return CopyOut(file, pictureStart, length, folder + "/temp.jpg");
}

} // namespace larkspin
