#include "TrackInfo.h"

#include "ByteReading.h"
#include "FileBytes.h"
#include "FileNameParts.h"
#include "TFLACfile.h"
#include "TID3v1.h"
#include "TID3v2.h"
#include "TMP4file.h"
#include "TMPEGaudio.h"
#include "TOggVorbis.h"
#include "TOpusFile.h"
#include "TWAVfile.h"
#include "TWMAfile.h"
#include "TrackFormat.h"

#include <memory>
#include <sys/stat.h>

namespace larkspin {

namespace {

struct TrackReaders {
    FileBytes file; // opened again for each file, so its buffers are reused
    TID3v1 id3v1;
    TMPEGaudio mpeg;
    TID3v2 id3v2;
    TWAVfile wav;
    TOggVorbis ogg;
    TWMAfile wma;
    TFLACfile flac;
    TOpusFile opus;
    TMP4file mp4;
};

thread_local std::unique_ptr<TrackReaders> threadReaders;

TrackReaders& Readers() {
    if (!threadReaders)
        threadReaders = std::make_unique<TrackReaders>();
    return *threadReaders;
}

enum class FileType { Mp3, Wav, Ogg, Wma, Flac, Opus, Mp4, Other };

FileType TypeOf(const std::string& path) {
    const std::string ext = UpperFileExt(path);
    if (ext == "MP3")
        return FileType::Mp3;
    if (ext == "WAV")
        return FileType::Wav;
    if (ext == "OGG")
        return FileType::Ogg;
    if (ext == "WMA")
        return FileType::Wma;
    if (ext == "FLAC")
        return FileType::Flac;
    if (ext == "OPUS")
        return FileType::Opus;
    if (ext == "M4A" || ext == "MP4")
        return FileType::Mp4;
    return FileType::Other;
}

// How much of each kind of file the readers usually need, so one read at each end serves them.
void HeadAndTail(FileType type, size_t& head, size_t& tail) {
    switch (type) {
    case FileType::Wav:
        head = 64;
        tail = 0;
        break;
    case FileType::Wma:
        head = 16 * 1024;
        tail = 0;
        break;
    case FileType::Ogg:
        head = 8 * 1024;
        tail = 12 * 1024;
        break;
    case FileType::Flac:
        head = 16 * 1024;
        tail = 0;
        break;
    case FileType::Opus:
        head = 16 * 1024;
        tail = 16 * 1024;
        break;
    case FileType::Mp4:
        // ffmpeg and many encoders put "moov" behind the audio.
        head = 4 * 1024;
        tail = 64 * 1024;
        break;
    default:
        head = 16 * 1024;
        tail = 4 * 1024;
        break;
    }
}

// One file, opened once; each reader is loaded from it at most once. Every field is answered by the
// same rules as a separate GetTrackInfo call, which loads the readers afresh.
class TrackFile {
public:
    TrackFile(const std::string& path, TrackReaders& readers)
        : readers_(readers), type_(TypeOf(path)), file_(readers.file) {
        if (type_ == FileType::Other)
            return;
        size_t head, tail;
        HeadAndTail(type_, head, tail);
        opened_ = file_.Open(path, head, tail);
    }

    ~TrackFile() { file_.Close(); }
    TrackFile(const TrackFile&) = delete;
    TrackFile& operator=(const TrackFile&) = delete;

    bool Opened() const { return opened_; }
    FileType Type() const { return type_; }

    std::string Field(int n, bool useId3v2) {
        switch (type_) {
        case FileType::Mp3:
            return Mp3Field(n, useId3v2);
        case FileType::Other:
            return {};
        default:
            return TagsField(n);
        }
    }

private:
    // A failed load leaves a reader cleared, and cleared values are shown like any others.
    const TID3v2& Id3v2() {
        if (!id3v2Loaded_)
            id3v2Read_ = readers_.id3v2.Load(file_);
        id3v2Loaded_ = true;
        return readers_.id3v2;
    }
    const TMPEGaudio& Mpeg() {
        // The tags are read once: the frame search starts behind the ID3v2 tag already parsed. A file
        // whose tags cannot be read has no audio values either, as with TMPEGaudio::Load.
        if (!mpegLoaded_) {
            const std::int64_t tagSize = Id3v2().TagSize();
            const bool id3v1Present = Id3v1().Present();
            if (id3v1Read_ && id3v2Read_)
                readers_.mpeg.LoadAudio(file_, tagSize, id3v1Present);
            else
                readers_.mpeg.Clear();
        }
        mpegLoaded_ = true;
        return readers_.mpeg;
    }
    const TID3v1& Id3v1() {
        if (!id3v1Loaded_)
            id3v1Read_ = readers_.id3v1.Load(file_);
        id3v1Loaded_ = true;
        return readers_.id3v1;
    }

    std::string Mp3Field(int n, bool useId3v2) {
        if (n < InfoArtist || n > InfoSize)
            return {};
        if (useId3v2 && Id3v2().Present()) {
            const TID3v2& t = Id3v2();
            switch (n) {
            case InfoArtist:
                return t.Artist();
            case InfoTitle:
                return t.Title();
            case InfoAlbum:
                return t.Album();
            case InfoYear:
                return t.Year();
            case InfoStyle:
                return t.Genre();
            case InfoComment:
                return t.Comment();
            case InfoTrack:
                return FormatTrackNumber(t.Track());
            default:
                return {};
            }
        }
        const TMPEGaudio& mpeg = Mpeg();
        const TID3v1& t = Id3v1();
        switch (n) {
        case InfoArtist:
            return ShownId3v1Name(t.Artist(), "Unknown Artist");
        case InfoTitle:
            return ShownId3v1Name(t.Title(), "Unknown Title");
        case InfoAlbum:
            return t.Album();
        case InfoBitrate:
            return FormatBitrate(mpeg.Bitrate());
        case InfoLength:
            return FormatLength(mpeg.Duration());
        case InfoYear:
            return t.Year();
        case InfoStyle:
            return t.GenreName();
        case InfoComment:
            return t.Comment();
        case InfoTrack:
            return FormatTrackNumber(t.Track());
        case InfoSize:
            return FormatSize(mpeg.FileSize());
        default:
            return {};
        }
    }

    // Rippers wrote "Unknown Artist" and "Unknown Title" into ID3v1 tags; those, and names starting
    // with a space, count as no name so the file name is used instead.
    static std::string ShownId3v1Name(const std::string& name, const char* unknown) {
        if (name.empty() || name[0] == ' ' || name == unknown)
            return {};
        return name;
    }

    // The reader of the file's type, loaded once; a failed load leaves it cleared.
    const AudioTags& Tags() {
        switch (type_) {
        case FileType::Wav:
            return Loaded(readers_.wav);
        case FileType::Ogg:
            return Loaded(readers_.ogg);
        case FileType::Wma:
            return Loaded(readers_.wma);
        case FileType::Flac:
            return Loaded(readers_.flac);
        case FileType::Opus:
            return Loaded(readers_.opus);
        default:
            return Loaded(readers_.mp4);
        }
    }
    template <class Reader> const AudioTags& Loaded(Reader& reader) {
        if (!tagsLoaded_)
            reader.Load(file_);
        tagsLoaded_ = true;
        return reader;
    }

    // Every format but MP3 shows its AudioTags the same way; a WAV file's bit rate is the word
    // "Wavefile".
    std::string TagsField(int n) {
        if (n < InfoArtist || n > InfoSize)
            return {};
        const AudioTags& t = Tags();
        switch (n) {
        case InfoArtist:
            return t.Artist;
        case InfoTitle:
            return t.Title;
        case InfoAlbum:
            return t.Album;
        case InfoBitrate:
            return type_ == FileType::Wav ? std::string("Wavefile") : FormatBitrate(t.Bitrate);
        case InfoLength:
            return FormatLength(t.Duration);
        case InfoYear:
            return t.Year;
        case InfoStyle:
            return t.Genre;
        case InfoComment:
            return t.Comment;
        case InfoTrack:
            return FormatTrackNumber(t.Track);
        case InfoSize:
            return FormatSize(t.FileSize);
        default:
            return {};
        }
    }

    TrackReaders& readers_;
    FileType type_;
    FileBytes& file_;
    bool opened_ = false;
    bool id3v2Loaded_ = false;
    bool mpegLoaded_ = false;
    bool id3v1Loaded_ = false;
    bool id3v1Read_ = false;
    bool id3v2Read_ = false;
    bool tagsLoaded_ = false; // the reader of Tags()
};

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void FillNoValues(TrackRecord& record) {
    for (int k = RecordLength; k <= RecordSize; ++k)
        record[k] = NoValueText;
}

// A record for a file of a type without a reader: names from the file name only.
void FillFromFileName(const std::string& path, TrackRecord& record) {
    const std::string name = GetFileNamePart(path);
    record[RecordArtist] = SplitArtistTitle(name, 1);
    const std::string title = SplitArtistTitle(name, 2);
    record[RecordTitle] = title == record[RecordArtist] ? std::string() : title;
    FillNoValues(record);
    record[RecordPath] = path;
}

void FillFromTrackFile(const std::string& path, TrackFile& file, TrackRecord& record, bool useId3v2) {
    const std::string name = GetFileNamePart(path);
    record[RecordArtist] = file.Field(InfoArtist, useId3v2);
    if (record[RecordArtist].empty())
        record[RecordArtist] = SplitArtistTitle(name, 1);
    record[RecordTitle] = file.Field(InfoTitle, useId3v2);
    if (record[RecordTitle].empty())
        record[RecordTitle] = SplitArtistTitle(name, 2);
    record[RecordLength] = file.Field(InfoLength, false);
    record[RecordAlbum] = file.Field(InfoAlbum, useId3v2);
    record[RecordBitrate] = file.Field(InfoBitrate, false);
    record[RecordYear] = file.Field(InfoYear, useId3v2);
    record[RecordStyle] = file.Field(InfoStyle, useId3v2);
    record[RecordComment] = file.Field(InfoComment, useId3v2);
    record[RecordTrack] = file.Field(InfoTrack, useId3v2);
    record[RecordSize] = file.Field(InfoSize, false);
    record[RecordPath] = path;
}

std::string WithoutTrackNumber(const std::string& text, bool on, size_t longerThan) {
    return on && text.size() > longerThan ? RemoveTrackNumber(text) : text;
}

} // namespace

bool ReadsTrackInfo(const std::string& path) {
    return TypeOf(path) != FileType::Other;
}

void CreateTrackReaders() {
    Readers();
}

std::string GetTrackInfo(const std::string& path, int field, bool useId3v2) {
    TrackFile file(path, Readers());
    return file.Field(field, useId3v2);
}

void FillTrackItem(const std::string& path, TrackRecord& record, bool useId3v2) {
    TrackFile file(path, Readers());
    if (!file.Opened() && !IsRegularFile(path)) {
        record[RecordArtist] = FileNotFoundText;
        record[RecordTitle] = path;
        FillNoValues(record);
        record[RecordPath] = path;
        return;
    }
    FillFromTrackFile(path, file, record, useId3v2);
}

void FillTrackItems(const std::vector<std::string>& paths, std::vector<TrackRecord>& records, bool useId3v2,
                    const FillProgress& progress) {
    if (progress.Begin)
        progress.Begin(static_cast<int>(paths.size()) - 1);
    records.reserve(records.size() + paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        TrackRecord& record = records.emplace_back();
        if (TypeOf(paths[i]) == FileType::Other)
            FillFromFileName(paths[i], record);
        else
            FillTrackItem(paths[i], record, useId3v2);
        if (progress.Step)
            progress.Step(static_cast<int>(i));
    }
    if (progress.End)
        progress.End();
}

std::string FillToWidth(const std::string& text, size_t width) {
    if (text.size() <= width)
        return text + std::string(width - text.size(), ' ');
    size_t cut = width;
    // Never split a UTF-8 sequence: back up over continuation bytes.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut) + std::string(width - cut, ' ');
}

void BuildLibraryLine(const std::string& path, std::vector<std::string>& lines, bool useId3v2,
                      const LibraryTransforms& transforms) {
    std::array<std::string, 13> f;
    const std::string name = GetFileNamePart(path);
    TrackFile file(path, Readers());
    if (file.Type() != FileType::Other) {
        std::string artist = file.Field(InfoArtist, useId3v2);
        if (artist.empty())
            artist = SplitArtistTitle(name, 1);
        f[0] = WithoutTrackNumber(artist, transforms.TransformArtOrg, 0);
        std::string title = file.Field(InfoTitle, useId3v2);
        if (title.empty())
            title = SplitArtistTitle(name, 2);
        f[1] = WithoutTrackNumber(title, transforms.TransformTitOrg, 3);
        f[2] = file.Field(InfoLength, false);
        f[3] = file.Field(InfoAlbum, useId3v2);
        f[4] = file.Field(InfoBitrate, false);
        f[5] = file.Field(InfoYear, useId3v2);
        f[6] = file.Field(InfoStyle, useId3v2);
        f[7] = file.Field(InfoComment, useId3v2);
        f[8] = file.Field(InfoTrack, useId3v2);
        f[9] = file.Field(InfoSize, false);
    } else {
        f[0] = WithoutTrackNumber(SplitArtistTitle(name, 1), transforms.TransformArtOrg, 0);
        std::string title = SplitArtistTitle(name, 2);
        if (title == f[0])
            title.clear();
        f[1] = WithoutTrackNumber(title, transforms.TransformTitOrg, 3);
        for (int k = 2; k <= 9; ++k)
            f[k] = NoValueText;
    }
    f[10] = path;
    f[11].assign("Unknown");
    f[12].assign(1, '0');
    std::string line;
    line.reserve(LibraryLineLength);
    for (size_t k = 0; k < f.size(); ++k)
        line += FillToWidth(f[k], LibraryFieldWidths[k]);
    lines.push_back(std::move(line));
}

} // namespace larkspin
