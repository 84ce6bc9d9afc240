#include "CoverPicture.h"

#include "ByteReading.h"
#include "FileBytes.h"

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

bool WriteWhole(const std::string& path, const uint8_t* data, size_t size) {
    const std::string temp = path + ".part";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    ok = (std::fflush(f) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0)
        return true;
    std::remove(temp.c_str());
    return false;
}

} // namespace

int64_t AudioStartMark() {
    return audioStartMark.load();
}

bool FindAudioStart(const std::string& path) {
    FileBytes file;
    if (!bytes::OpenRegularFile(file, path, 0, 0))
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
    if (mark < 2 || !bytes::OpenRegularFile(file, path, 0, 0) || mark - 1 > file.Size())
        return false;
    // Everything up to the audio start; the picture lies inside it.
    std::vector<uint8_t> head(static_cast<size_t>(mark - 1));
    if (file.Read(0, head.size(), head.data()) != static_cast<int64_t>(head.size()))
        return false;
    int64_t pictureStart = -1;
    for (size_t i = 0; i < head.size(); ++i) {
        if (head[i] != 'A')
            continue;
        uint8_t next[3] = {0, 0, 0};
        if (i + 4 <= head.size())
            std::memcpy(next, &head[i + 1], 3);
        else if (file.Read(static_cast<int64_t>(i) + 1, 3, next) != 3)
            continue;
        if (std::memcmp(next, "PIC", 3) == 0) {
            pictureStart = static_cast<int64_t>(i) + 4 + PictureOffset;
            i += 3;
        }
    }
    if (pictureStart < 0)
        return false;
    const int64_t length = mark - 1 - pictureStart;
    if (length <= 0)
        return false;
    return WriteWhole(folder + "/temp.jpg", head.data() + pictureStart, static_cast<size_t>(length));
}

} // namespace larkspin
