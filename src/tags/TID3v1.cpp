#include "TID3v1.h"

#include "FileBytes.h"
#include "Id3TagSave.h"
#include "Id3Text.h"
#include "TagFileWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspin {

const std::array<std::string_view, GenreCount> GenreTable = {
    "Blues",
    "Classic Rock",
    "Country",
    "Dance",
    "Disco",
    "Funk",
    "Grunge",
    "Hip-Hop",
    "Jazz",
    "Metal",
    "New Age",
    "Oldies",
    "Other",
    "Pop",
    "R&B",
    "Rap",
    "Reggae",
    "Rock",
    "Techno",
    "Industrial",
    "Alternative",
    "Ska",
    "Death Metal",
    "Pranks",
    "Soundtrack",
    "Euro-Techno",
    "Ambient",
    "Trip-Hop",
    "Vocal",
    "Jazz+Funk",
    "Fusion",
    "Trance",
    "Classical",
    "Instrumental",
    "Acid",
    "House",
    "Game",
    "Sound Clip",
    "Gospel",
    "Noise",
    "AlternRock",
    "Bass",
    "Soul",
    "Punk",
    "Space",
    "Meditative",
    "Instrumental Pop",
    "Instrumental Rock",
    "Ethnic",
    "Gothic",
    "Darkwave",
    "Techno-Industrial",
    "Electronic",
    "Pop-Folk",
    "Eurodance",
    "Dream",
    "Southern Rock",
    "Comedy",
    "Cult",
    "Gangsta",
    "Top 40",
    "Christian Rap",
    "Pop/Funk",
    "Jungle",
    "Native American",
    "Cabaret",
    "New Wave",
    "Psychadelic",
    "Rave",
    "Showtunes",
    "Trailer",
    "Lo-Fi",
    "Tribal",
    "Acid Punk",
    "Acid Jazz",
    "Polka",
    "Retro",
    "Musical",
    "Rock & Roll",
    "Hard Rock",
    "Folk",
    "Folk-Rock",
    "National Folk",
    "Swing",
    "Fast Fusion",
    "Bebob",
    "Latin",
    "Revival",
    "Celtic",
    "Bluegrass",
    "Avantgarde",
    "Gothic Rock",
    "Progessive Rock",
    "Psychedelic Rock",
    "Symphonic Rock",
    "Slow Rock",
    "Big Band",
    "Chorus",
    "Easy Listening",
    "Acoustic",
    "Humour",
    "Speech",
    "Chanson",
    "Opera",
    "Chamber Music",
    "Sonata",
    "Symphony",
    "Booty Bass",
    "Primus",
    "Porn Groove",
    "Satire",
    "Slow Jam",
    "Club",
    "Tango",
    "Samba",
    "Folklore",
    "Ballad",
    "Power Ballad",
    "Rhythmic Soul",
    "Freestyle",
    "Duet",
    "Punk Rock",
    "Drum Solo",
    "A capella",
    "Euro-House",
    "Dance Hall",
    "Goa",
    "Drum & Bass",
    "Club-House",
    "Hardcore",
    "Terror",
    "Indie",
    "BritPop",
    "Negerpunk",
    "Polsk Punk",
    "Beat",
    "Christian Gangsta Rap",
    "Heavy Metal",
    "Black Metal",
    "Crossover",
    "Contemporary Christian",
    "Christian Rock",
    "Merengue",
    "Salsa",
    "Trash Metal",
    "Anime",
    "JPop",
    "Synthpop",
};

namespace {

constexpr std::size_t TextCapacity = 30;
constexpr std::size_t YearCapacity = 4;

std::string FieldText(const std::uint8_t* tag, std::size_t offset, std::size_t length) {
    return id3text::DecodeEightBit(
        id3text::TrimRight(std::string_view(reinterpret_cast<const char*>(tag + offset), length)));
}

std::string SetterText(std::string_view value, std::size_t capacity) {
    return id3text::CutToCapacity(id3text::TrimRight(id3text::ToUtf8(value)), capacity);
}

void PutField(std::array<std::uint8_t, TID3v1::TagLength>& tag, std::size_t offset, const std::string& text,
              std::size_t capacity) {
    const std::string bytes = id3text::EncodeEightBit(id3text::CutToCapacity(text, capacity));
    std::memcpy(tag.data() + offset, bytes.data(), std::min(bytes.size(), capacity));
}

bool HasTag(const std::uint8_t* last) {
    return std::memcmp(last, "TAG", 3) == 0;
}

// Reads the last 128 bytes of an open file; false when the file is shorter or the read fails.
bool ReadLast(int fd, std::int64_t size, std::uint8_t* out) {
    if (size < static_cast<std::int64_t>(TID3v1::TagLength))
        return false;
    std::size_t done = 0;
    while (done < TID3v1::TagLength) {
        const ssize_t n = ::pread(fd, out + done, TID3v1::TagLength - done,
                                  size - static_cast<off_t>(TID3v1::TagLength) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Opens fileName for writing, making a read-only file writable first. oldMode gets the mode before.
int OpenForWriting(const std::string& fileName, unsigned& oldMode) {
    if (!tagfile::MakeWritable(fileName, &oldMode))
        return -1;
    const int fd = ::open(fileName.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        tagfile::RestoreMode(fileName, oldMode);
    return fd;
}

} // namespace

void TID3v1::Clear() {
    present_ = false;
    revision_ = 1;
    title_.clear();
    artist_.clear();
    album_.clear();
    year_.clear();
    comment_.clear();
    track_ = 0;
    genreIndex_ = NoGenre;
}

bool TID3v1::Load(const std::string& fileName) {
    FileBytes file;
    if (!file.Open(fileName, 0, TagLength)) {
        Clear();
        return false;
    }
    return Load(file);
}

bool TID3v1::Load(const FileBytes& file) {
    Clear();
    std::uint8_t tag[TagLength];
    if (file.Size() < static_cast<std::int64_t>(TagLength) ||
        file.Read(file.Size() - static_cast<std::int64_t>(TagLength), TagLength, tag) !=
            static_cast<std::int64_t>(TagLength))
        return false;
    if (!HasTag(tag))
        return true;
    present_ = true;
    const bool v11 = (tag[125] == 0 && tag[126] != 0) || (tag[125] == 32 && tag[126] != 32);
    revision_ = v11 ? 2 : 1;
    title_ = FieldText(tag, 3, TextCapacity);
    artist_ = FieldText(tag, 33, TextCapacity);
    album_ = FieldText(tag, 63, TextCapacity);
    year_ = FieldText(tag, 93, YearCapacity);
    if (v11) {
        comment_ = FieldText(tag, 97, 28);
        track_ = tag[126];
    } else {
        comment_ = FieldText(tag, 97, TextCapacity);
    }
    genreIndex_ = tag[127];
    return true;
}

std::array<std::uint8_t, TID3v1::TagLength> TID3v1::BuildTag() const {
    std::array<std::uint8_t, TagLength> tag{};
    std::memcpy(tag.data(), "TAG", 3);
    PutField(tag, 3, title_, TextCapacity);
    PutField(tag, 33, artist_, TextCapacity);
    PutField(tag, 63, album_, TextCapacity);
    PutField(tag, 93, year_, YearCapacity);
    PutField(tag, 97, comment_, TextCapacity);
    if (track_ != 0) {
        tag[125] = 0;
        tag[126] = track_;
    }
    tag[127] = genreIndex_;
    return tag;
}

bool TID3v1::Save(const std::string& fileName) const {
    return SaveId3Tags(fileName, this, nullptr);
}

bool TID3v1::Strip(const std::string& fileName) const {
    std::uint8_t last[TagLength];
    {
        FileBytes file;
        if (!file.Open(fileName, 0, TagLength) || file.Size() < static_cast<std::int64_t>(TagLength) ||
            file.Read(file.Size() - static_cast<std::int64_t>(TagLength), TagLength, last) !=
                static_cast<std::int64_t>(TagLength))
            return false;
        if (!HasTag(last))
            return true;
    }
    unsigned oldMode = 0;
    const int fd = OpenForWriting(fileName, oldMode);
    if (fd < 0)
        return false;
    struct stat st {};
    // Checked again on the open file, so only a tag is ever cut off.
    bool ok = ::fstat(fd, &st) == 0 && ReadLast(fd, st.st_size, last) && HasTag(last) &&
              ::ftruncate(fd, st.st_size - static_cast<off_t>(TagLength)) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok)
        tagfile::RestoreMode(fileName, oldMode);
    return ok;
}

std::string TID3v1::GenreName() const {
    return genreIndex_ < GenreCount ? std::string(GenreTable[genreIndex_]) : std::string();
}

void TID3v1::SetTitle(std::string_view value) {
    title_ = SetterText(value, TextCapacity);
}
void TID3v1::SetArtist(std::string_view value) {
    artist_ = SetterText(value, TextCapacity);
}
void TID3v1::SetAlbum(std::string_view value) {
    album_ = SetterText(value, TextCapacity);
}
void TID3v1::SetYear(std::string_view value) {
    year_ = SetterText(value, YearCapacity);
}
void TID3v1::SetComment(std::string_view value) {
    comment_ = SetterText(value, TextCapacity);
}

} // namespace larkspin
