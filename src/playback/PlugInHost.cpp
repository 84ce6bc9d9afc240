#include "PlugInHost.h"

#include "Settings.h"

#include <QLoggingCategory>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
Q_LOGGING_CATEGORY(lcPlugIns, "larkspin.plugins", QtCriticalMsg)
}

namespace larkspin {

namespace {

// Whether the table of count entries of size bytes at offset lies within a file of fileSize bytes,
// counted without overflow.
bool withinFile(uint64_t offset, uint64_t count, uint64_t size, uint64_t fileSize) {
    if (offset > fileSize)
        return false;
    return size == 0 || count <= (fileSize - offset) / size;
}

bool readAt(int fd, uint64_t offset, void* out, size_t size) {
    return pread(fd, out, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

enum Export {
    ExSupportDecoding,
    ExStartPlugIn,
    ExClosePlugIn,
    ExLoadFile,
    ExPlay,
    ExPause,
    ExStop,
    ExShowSettings,
    ExGetLength,
    ExGetPos,
    ExGetState,
    ExGetOutputMode,
    ExSetPos,
    ExSetOutputMode,
    ExGetDSSupport,
    ExGetFadeSupport,
    ExGetNowFading,
    ExSetVolume,
    ExGetFileTypes,
    ExGetCDSupport,
    ExGetCDDriveNum,
    ExGetCDDriveLetter,
    ExGetCDTrackCount,
    ExGetCDTrackInfos,
    ExPlayCDTrack,
};

const char* const ExportNames[LARKSPIN_PLAYBACK_EXPORT_COUNT] = LARKSPIN_PLAYBACK_EXPORT_NAMES;

std::string asciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string asciiUpper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string textOrEmpty(const char* text) {
    return text ? std::string(text) : std::string();
}

// Library names of the folder, sorted by byte order so table positions stay stable between runs.
std::vector<std::string> listLibraries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0)
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

bool IsCompleteElfObject(const std::string& path, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        why = std::string("cannot be opened: ") + std::strerror(errno);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "is not a regular file";
        return false;
    }
    const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
    ElfW(Ehdr) header{};
    if (!readAt(fd, 0, &header, sizeof header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
        why = "is no ELF object";
        return false;
    }
    if (header.e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) ||
        header.e_phentsize != sizeof(ElfW(Phdr))) {
        why = "is an ELF object of another class";
        return false;
    }
    if (!withinFile(header.e_phoff, header.e_phnum, header.e_phentsize, fileSize) ||
        (header.e_shoff != 0 && !withinFile(header.e_shoff, header.e_shnum, header.e_shentsize, fileSize))) {
        why = "is cut short: its header tables end beyond the file";
        return false;
    }
    std::vector<ElfW(Phdr)> segments(header.e_phnum);
    if (!segments.empty() &&
        !readAt(fd, header.e_phoff, segments.data(), segments.size() * sizeof(ElfW(Phdr)))) {
        why = "cannot be read";
        return false;
    }
    for (const ElfW(Phdr) & segment : segments) {
        if (segment.p_type != PT_NULL && !withinFile(segment.p_offset, 1, segment.p_filesz, fileSize)) {
            why = "is cut short: a segment ends beyond the file";
            return false;
        }
    }
    return true;
}

TPlugInHost::TPlugInHost(PlugInHostOptions options) : options_(std::move(options)) {}

// Bound playback libraries stay loaded: the last one is never closed, and its threads may still run.
TPlugInHost::~TPlugInHost() {
    if (decodingHandle_)
        UnloadDecodingPlugIn();
}

// A plug-in without the version export predates it and counts as the first version.
static int32_t ContractVersion(void* handle) {
    if (auto abiVersion = reinterpret_cast<LarkspinAbiVersionFn>(dlsym(handle, LARKSPIN_ABI_VERSION_EXPORT)))
        return abiVersion();
    return 1;
}

void* TPlugInHost::openLibrary(const std::string& name) {
    const std::string path = options_.decoderFolder + "/" + name;
    std::string why;
    if (!IsCompleteElfObject(path, why)) {
        qCWarning(lcPlugIns, "%s %s; not loaded", path.c_str(), why.c_str());
        return nullptr;
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        qCWarning(lcPlugIns, "%s cannot be loaded: %s", path.c_str(), error ? error : "unknown error");
        return nullptr;
    }
    const int32_t version = ContractVersion(handle);
    if (version < LARKSPIN_DECODER_ABI_VERSION_OLDEST || version > LARKSPIN_DECODER_ABI_VERSION) {
        qCWarning(lcPlugIns, "%s was built for contract version %d, this program knows %d to %d; not used",
                  path.c_str(), static_cast<int>(version), LARKSPIN_DECODER_ABI_VERSION_OLDEST,
                  LARKSPIN_DECODER_ABI_VERSION);
        dlclose(handle);
        return nullptr;
    }
    return handle;
}

bool TPlugInHost::BindPlugIn(const std::string& name) {
    playbackName_ = name;
    ready_ = false;
    playback_.assign(LARKSPIN_PLAYBACK_EXPORT_COUNT, nullptr);
    loadError_ = nullptr;
    void*& handle = playbackLibraries_[name];
    if (!handle)
        handle = openLibrary(name);
    playbackHandle_ = handle;
    if (!handle)
        return false;
    bool all = true;
    for (int i = 0; i < LARKSPIN_PLAYBACK_EXPORT_COUNT; ++i) {
        playback_[i] = dlsym(handle, ExportNames[i]);
        all = all && playback_[i];
    }
    loadError_ = reinterpret_cast<LarkspinGetLoadErrorFn>(dlsym(handle, LARKSPIN_LOAD_ERROR_EXPORT));
    setFileGain_ = nullptr;
    if (ContractVersion(handle) >= 2) {
        setFileGain_ = reinterpret_cast<LarkspinSetFileGainFn>(dlsym(handle, LARKSPIN_SET_FILE_GAIN_EXPORT));
        all = all && setFileGain_;
    }
    ready_ = all;
    return ready_;
}

void TPlugInHost::SelectPlugIn(const std::string& name) {
    takeLiveSettings();
    if (ready_ && playbackName_ != decodingName_)
        reinterpret_cast<LarkspinClosePlugInFn>(playback_[ExClosePlugIn])();
    BindPlugIn(name);
    if (!ready_)
        return;
    if (name != decodingName_)
        reinterpret_cast<LarkspinStartPlugInFn>(playback_[ExStartPlugIn])(0, options_.mainWindow);
    reinterpret_cast<LarkspinSetOutputModeFn>(playback_[ExSetOutputMode])(options_.DirectSound ? 0 : 1);
    reinterpret_cast<LarkspinSetVolumeFn>(playback_[ExSetVolume])(options_.PlayVolume);
}

void TPlugInHost::EnumeratePlugIns(std::string& PlugCheck) {
    table_.clear();
    cdPlugIns_.clear();
    decoding_.clear();
    for (const std::string& name : listLibraries(options_.decoderFolder)) {
        if (asciiUpper(name.substr(0, 3)) != "IB_")
            continue;
        SelectPlugIn(name);
        PlugInRow row;
        row.name = name;
        if (ready_) {
            if (reinterpret_cast<LarkspinGetCDSupportFn>(playback_[ExGetCDSupport])())
                cdPlugIns_.push_back(name);
            row.fileTypes = asciiLower(GetFileTypes());
            if (reinterpret_cast<LarkspinSupportDecodingFn>(playback_[ExSupportDecoding])())
                decoding_.push_back({name, row.fileTypes});
        }
        const size_t position = table_.size();
        row.enabled = PlugCheck.empty() || (position < PlugCheck.size() && PlugCheck[position] == '1');
        table_.push_back(std::move(row));
    }
    PlugCheck = this->PlugCheck();
}

std::string TPlugInHost::PlugCheck() const {
    std::string check;
    for (const PlugInRow& row : table_)
        check += row.enabled ? '1' : '0';
    return check;
}

void TPlugInHost::LoadFile(const std::string& path) {
    if (ready_)
        reinterpret_cast<LarkspinLoadFileFn>(playback_[ExLoadFile])(path.c_str());
}

void TPlugInHost::SetFileGain(int32_t hundredthsDb) {
    if (ready_ && setFileGain_)
        setFileGain_(hundredthsDb);
}

void TPlugInHost::Play(int32_t fadeMs) {
    if (ready_)
        reinterpret_cast<LarkspinPlayFn>(playback_[ExPlay])(fadeMs);
}

void TPlugInHost::Pause(int32_t fadeMs) {
    if (ready_)
        reinterpret_cast<LarkspinPauseFn>(playback_[ExPause])(fadeMs);
}

void TPlugInHost::Stop(int32_t fadeMs) {
    if (ready_)
        reinterpret_cast<LarkspinStopFn>(playback_[ExStop])(fadeMs);
}

int32_t TPlugInHost::GetLength() {
    return ready_ ? reinterpret_cast<LarkspinGetLengthFn>(playback_[ExGetLength])() : 0;
}

int32_t TPlugInHost::GetPos() {
    return ready_ ? reinterpret_cast<LarkspinGetPosFn>(playback_[ExGetPos])() : 0;
}

void TPlugInHost::SetPos(int32_t seconds) {
    if (ready_)
        reinterpret_cast<LarkspinSetPosFn>(playback_[ExSetPos])(seconds);
}

uint8_t TPlugInHost::GetState() {
    return ready_ ? reinterpret_cast<LarkspinGetStateFn>(playback_[ExGetState])() : 0;
}

bool TPlugInHost::GetNowFading() {
    return ready_ && reinterpret_cast<LarkspinGetNowFadingFn>(playback_[ExGetNowFading])() != 0;
}

void TPlugInHost::SetVolume(int32_t volume) {
    if (ready_)
        reinterpret_cast<LarkspinSetVolumeFn>(playback_[ExSetVolume])(volume);
}

std::string TPlugInHost::GetFileTypes() {
    return ready_ ? textOrEmpty(reinterpret_cast<LarkspinGetFileTypesFn>(playback_[ExGetFileTypes])())
                  : std::string();
}

int32_t TPlugInHost::GetCDTrackCount(int32_t drive) {
    return ready_ ? reinterpret_cast<LarkspinGetCDTrackCountFn>(playback_[ExGetCDTrackCount])(drive) : 0;
}

std::string TPlugInHost::GetCDTrackInfos(int32_t track) {
    return ready_
               ? textOrEmpty(reinterpret_cast<LarkspinGetCDTrackInfosFn>(playback_[ExGetCDTrackInfos])(track))
               : std::string();
}

void TPlugInHost::PlayCDTrack(int32_t drive, int32_t track, const char* command) {
    if (ready_)
        reinterpret_cast<LarkspinPlayCDTrackFn>(playback_[ExPlayCDTrack])(drive, track, command ? command : "");
}

std::string TPlugInHost::LoadError() {
    return ready_ && loadError_ ? textOrEmpty(loadError_()) : std::string();
}

std::optional<int> TPlugInHost::ChoosePlugIn(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = fileName.rfind('.');
    const std::string extension =
        dot == std::string::npos ? std::string() : asciiUpper(fileName.substr(dot + 1));
    int chosen = -1;
    for (size_t i = 0; i < table_.size(); ++i)
        if (table_[i].enabled && asciiUpper(table_[i].fileTypes).find(extension) != std::string::npos)
            chosen = static_cast<int>(i);
    return chosen < 0 ? std::nullopt : std::optional<int>(chosen);
}

void TPlugInHost::takeLiveSettings() {
    if (!options_.liveSettings)
        return;
    options_.DirectSound = options_.liveSettings->DirectSound;
    options_.PlayVolume = options_.liveSettings->PlayVolume;
    options_.StopTime = options_.liveSettings->StopTime;
}

void TPlugInHost::SwitchPlugIn(int row, bool playing) {
    if (row < 0 || row >= static_cast<int>(table_.size()))
        return;
    if (row == currentIndex_ && playing)
        return;
    takeLiveSettings();
    Stop(options_.StopTime);
    currentIndex_ = row;
    if (ActualPlugInChanged)
        ActualPlugInChanged(table_[row].name);
    SelectPlugIn(table_[row].name);
}

// Linux file names keep their case, so Track.MP3 must find the plug-in that lists .mp3.
int TPlugInHost::FindDecodingPlugIn(const std::string& extension) const {
    const std::string wanted = asciiLower(extension);
    int found = -1;
    for (size_t i = 0; i < decoding_.size(); ++i)
        if (decoding_[i].fileTypes.find(wanted) != std::string::npos)
            found = static_cast<int>(i);
    return found;
}

bool TPlugInHost::LoadDecodingPlugIn(const std::string& name) {
    if (decodingHandle_)
        UnloadDecodingPlugIn();
    decodingName_ = name;
    decodingHandle_ = openLibrary(name);
    if (!decodingHandle_)
        return false;
    decodeFile_ = reinterpret_cast<LarkspinDecodeFileFn>(dlsym(decodingHandle_, "decodefile"));
    decodeStart_ = reinterpret_cast<LarkspinStartPlugInFn>(dlsym(decodingHandle_, "StartPlugIn"));
    decodeClose_ = reinterpret_cast<LarkspinClosePlugInFn>(dlsym(decodingHandle_, "ClosePlugIn"));
    decodePos_ = reinterpret_cast<LarkspinGetDecodePosFn>(dlsym(decodingHandle_, "GetDecodePos"));
    decodeCancel_ = reinterpret_cast<LarkspinCancelDecodeFn>(dlsym(decodingHandle_, "canceldecode"));
    if (!decodeFile_ || !decodeStart_ || !decodeClose_ || !decodePos_ || !decodeCancel_) {
        decodeFile_ = nullptr;
        decodeStart_ = nullptr;
        decodeClose_ = nullptr;
        decodePos_ = nullptr;
        decodeCancel_ = nullptr;
        return false;
    }
    return true;
}

void TPlugInHost::StartDecodingPlugIn() {
    if (decodeStart_ && decodingName_ != playbackName_)
        decodeStart_(0, options_.mainWindow);
}

void TPlugInHost::DecodeFile(const std::string& source, const std::string& outputFolder) {
    if (decodeFile_)
        decodeFile_(source.c_str(), outputFolder.c_str());
}

int32_t TPlugInHost::GetDecodePos() {
    return decodePos_ ? decodePos_() : 100;
}

void TPlugInHost::CancelDecode() {
    if (decodeCancel_)
        decodeCancel_();
}

void TPlugInHost::UnloadDecodingPlugIn() {
    const bool separate = decodingName_ != playbackName_;
    decodingName_.clear();
    if (separate && decodeClose_)
        decodeClose_();
    decodeFile_ = nullptr;
    decodeStart_ = nullptr;
    decodeClose_ = nullptr;
    decodePos_ = nullptr;
    decodeCancel_ = nullptr;
    if (decodingHandle_)
        dlclose(decodingHandle_);
    decodingHandle_ = nullptr;
}

} // namespace larkspin
