#include "CoverPicture.h"

#include "AtomicFile.h"

#include "FileBytes.h"
#include "FileNameParts.h"
#include "Id3Frames.h"
#include "TFLACfile.h"
#include "TID3v2.h"
#include "TMP4file.h"
#include "TOpusFile.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

namespace larkspin {

namespace {

std::atomic<int64_t> audioStartMark{0};

constexpr int64_t EndReserve = 128 + 1000; // an ID3v1 tag plus 1000 bytes
constexpr size_t Chunk = 64 * 1024;
// At most this much of a tag is read for its picture.
constexpr int64_t TagReadLimit = 16 * 1024 * 1024;

// The picture of the ID3v2 tag at the file's start, any version: the front cover, else the last
// picture. False when there is no tag or no picture in it.
bool TagPicture(const FileBytes& file, std::string& picture) {
    uint8_t header[Id3FrameReader::HeaderLength];
    if (file.Read(0, sizeof header, header) != static_cast<int64_t>(sizeof header))
        return false;
    const int64_t size = TID3v2::TagSizeOf(header, file.Size());
    if (size == 0)
        return false;
    std::string tag(static_cast<size_t>(std::min(size, TagReadLimit)), '\0');
    const int64_t got = file.Read(0, tag.size(), reinterpret_cast<uint8_t*>(tag.data()));
    tag.resize(got > 0 ? static_cast<size_t>(got) : 0);
    Id3FrameReader frames(tag);
    bool frontCover = false;
    picture.clear();
    while (frames.Next()) {
        if (frames.Id() != (frames.Version() == 2 ? "PIC" : "APIC"))
            continue;
        const Id3Picture found = ParseId3Picture(frames.Data(), frames.Version());
        if (found.bytes.empty() || frontCover)
            continue;
        picture.assign(found.bytes);
        frontCover = found.type == 3;
    }
    return !picture.empty();
}

// The picture of the last "APIC" frame that starts before end, found by scanning the bytes (a frame
// outside a tag at the start, as some files carry): the frame's data is read up to its size or end.
bool ScannedPicture(const FileBytes& file, int64_t end, std::string& picture) {
    int64_t frameStart = -1;
    std::vector<uint8_t> buf(Chunk + 3);
    // The file is read in pieces that overlap by three bytes, so a long stretch costs no memory.
    for (int64_t pos = 0; pos < end; pos += Chunk) {
        const int64_t got = file.Read(pos, buf.size(), buf.data());
        if (got < 0)
            return false;
        for (int64_t i = 0; i + 4 <= got && pos + i < end && i < static_cast<int64_t>(Chunk); ++i)
            if (std::memcmp(&buf[static_cast<size_t>(i)], "APIC", 4) == 0)
                frameStart = pos + i;
    }
    uint8_t header[Id3FrameReader::HeaderLength];
    if (frameStart < 0 || file.Read(frameStart, sizeof header, header) != static_cast<int64_t>(sizeof header))
        return false;
    const int64_t dataStart = frameStart + static_cast<int64_t>(sizeof header);
    const int64_t declared = (int64_t(header[4]) << 24) | (header[5] << 16) | (header[6] << 8) | header[7];
    const int64_t length = std::min(declared, end - dataStart);
    if (length <= 0)
        return false;
    std::string data(static_cast<size_t>(length), '\0');
    if (file.Read(dataStart, data.size(), reinterpret_cast<uint8_t*>(data.data())) != length)
        return false;
    picture.assign(ParseId3Picture(data, 3).bytes);
    return !picture.empty();
}

// The cover that the FLAC, Opus or MP4 reader finds.
std::string ReaderPicture(const FileBytes& file, const std::string& ext) {
    if (ext == "FLAC") {
        TFLACfile flac;
        flac.Load(file, true);
        return std::move(flac.Picture);
    }
    if (ext == "OPUS") {
        TOpusFile opus;
        opus.Load(file, true);
        return std::move(opus.Picture);
    }
    TMP4file mp4;
    mp4.Load(file, true);
    return std::move(mp4.Picture);
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
    const std::string ext = UpperFileExt(path);
    if (ext == "FLAC" || ext == "OPUS" || ext == "M4A" || ext == "MP4") {
        FileBytes file;
        if (!file.Open(path, 0, 0))
            return false;
        const std::string picture = ReaderPicture(file, ext);
        return !picture.empty() && WriteFileAtomically(folder + "/temp.jpg", picture);
    }
    const int64_t mark = AudioStartMark();
    FileBytes file;
    if (mark < 2 || !file.Open(path, 0, 0) || mark - 1 > file.Size())
        return false;
    std::string picture;
    if (!TagPicture(file, picture) && !ScannedPicture(file, mark - 1, picture))
        return false;
    return WriteFileAtomically(folder + "/temp.jpg", picture);
}

} // namespace larkspin
