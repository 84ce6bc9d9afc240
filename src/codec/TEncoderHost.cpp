#include "TEncoderHost.h"

#include <dirent.h>
#include <dlfcn.h>

#include <algorithm>

namespace larkspin {

namespace {

enum Export {
    ExStartPlugIn,
    ExClosePlugIn,
    ExShowSettings,
    ExGetInfo,
    ExGetDeveloper,
    ExGetMail,
    ExGetWeb,
    ExGetDate,
    ExEncodeFile,
    ExGetPosition,
    ExGetEncodeType,
    ExGetFinished,
    ExCancelEncoding,
    ExSendTag,
};

const char* const ExportNames[LARKSPIN_ENCODER_EXPORT_COUNT] = LARKSPIN_ENCODER_EXPORT_NAMES;

std::string asciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

template <typename Fn> Fn as(void* symbol) {
    return reinterpret_cast<Fn>(symbol);
}

} // namespace

TEncoderHost::TEncoderHost(std::string encoderFolder, intptr_t settingsWindow)
    : folder_(std::move(encoderFolder)), settingsWindow_(settingsWindow) {}

TEncoderHost::~TEncoderHost() {
    closeAndUnload();
}

std::vector<std::string> TEncoderHost::ListPluginFiles(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return names;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0)
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

void TEncoderHost::closeAndUnload() {
    if (loaded_ && started_)
        as<LarkspinEncClosePlugInFn>(exports_[ExClosePlugIn])();
    started_ = false;
    loaded_ = false;
    exports_.clear();
    encodeError_ = nullptr;
    if (handle_)
        dlclose(handle_);
    handle_ = nullptr;
}

void TEncoderHost::Unload() {
    closeAndUnload();
}

bool TEncoderHost::LoadEncoderPlugin(const std::string& fileName) {
    closeAndUnload();
    loadProblem_.clear();
    const std::string path = folder_ + "/" + fileName;
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* error = dlerror();
        loadProblem_ = error ? error : "cannot be loaded";
        return false;
    }
    exports_.assign(LARKSPIN_ENCODER_EXPORT_COUNT, nullptr);
    for (int i = 0; i < LARKSPIN_ENCODER_EXPORT_COUNT; ++i) {
        exports_[i] = dlsym(handle_, ExportNames[i]);
        if (!exports_[i] && loadProblem_.empty())
            loadProblem_ = std::string("lacks the export ") + ExportNames[i];
    }
    int32_t version = 1;
    if (auto abi = as<LarkspinEncGetEncoderAbiVersionFn>(dlsym(handle_, "GetEncoderAbiVersion")))
        version = abi();
    if (loadProblem_.empty() && version != LARKSPIN_ENCODER_ABI_VERSION)
        loadProblem_ = "follows the unknown contract version " + std::to_string(version);
    if (!loadProblem_.empty()) {
        closeAndUnload();
        return false;
    }
    encodeError_ = as<LarkspinEncGetEncodeErrorFn>(dlsym(handle_, "GetEncodeError"));
    loaded_ = true;
    return true;
}

void TEncoderHost::Enumerate() {
    closeAndUnload();
    rows_.clear();
    skipped_.clear();
    selected_ = -1;
    for (const std::string& name : ListPluginFiles(folder_)) {
        if (!LoadEncoderPlugin(name)) {
            skipped_.push_back({name, loadProblem_});
            continue;
        }
        rows_.push_back({name, asciiLower(GetEncodeType()), true});
        closeAndUnload();
    }
}

std::vector<std::string> TEncoderHost::RipChoices() const {
    std::vector<std::string> items;
    for (const EncoderRow& row : rows_)
        items.push_back(row.encodeType + " - " + row.fileName);
    return items;
}

std::vector<std::string> TEncoderHost::CollectInfos() {
    std::vector<std::string> infos;
    for (size_t i = 0; i < rows_.size(); ++i) {
        Select(static_cast<int>(i));
        infos.push_back(info_.info);
    }
    if (!rows_.empty())
        Select(0);
    return infos;
}

std::string TEncoderHost::text(int exportIndex) {
    if (!loaded_)
        return {};
    const char* t = as<LarkspinEncGetInfoFn>(exports_[exportIndex])();
    return t ? std::string(t) : std::string();
}

void TEncoderHost::start() {
    as<LarkspinEncStartPlugInFn>(exports_[ExStartPlugIn])(0, settingsWindow_);
    started_ = true;
}

bool TEncoderHost::Select(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return false;
    closeAndUnload();
    selected_ = row;
    info_ = {};
    if (!LoadEncoderPlugin(rows_[row].fileName))
        return false;
    start();
    info_ = {text(ExGetInfo), text(ExGetDeveloper), text(ExGetMail), text(ExGetWeb), text(ExGetDate)};
    current_ = rows_[row].fileName;
    return true;
}

bool TEncoderHost::UsePlugIn(int row) {
    if (row == selected_ && loaded_)
        return true;
    return Select(row);
}

void TEncoderHost::ReloadEncoderPlugin() {
    if (!loaded_)
        return;
    closeAndUnload();
    if (LoadEncoderPlugin(current_))
        start();
}

void TEncoderHost::ShowSettingsOf(int row) {
    if (!UsePlugIn(row))
        return;
    ReloadEncoderPlugin();
    if (loaded_)
        as<LarkspinEncShowSettingsFn>(exports_[ExShowSettings])();
}

void TEncoderHost::EncodeFile(const std::string& source, const std::string& destination) {
    if (loaded_)
        as<LarkspinEncEncodeFileFn>(exports_[ExEncodeFile])(source.c_str(), destination.c_str());
}

int32_t TEncoderHost::GetPosition() {
    return loaded_ ? as<LarkspinEncGetPositionFn>(exports_[ExGetPosition])() : 0;
}

std::string TEncoderHost::GetEncodeType() {
    return text(ExGetEncodeType);
}

bool TEncoderHost::GetFinished() {
    return !loaded_ || as<LarkspinEncGetFinishedFn>(exports_[ExGetFinished])() != 0;
}

void TEncoderHost::CancelEncoding() {
    if (loaded_)
        as<LarkspinEncCancelEncodingFn>(exports_[ExCancelEncoding])();
}

void TEncoderHost::SendTag(const std::string& artist, const std::string& title, const std::string& album,
                           const std::string& year, uint8_t track, const std::string& comment,
                           const std::string& genre) {
    if (loaded_)
        as<LarkspinEncSendTagFn>(exports_[ExSendTag])(artist.c_str(), title.c_str(), album.c_str(),
                                                      year.c_str(), track, comment.c_str(), genre.c_str());
}

std::string TEncoderHost::GetEncodeError() {
    if (!loaded_ || !encodeError_)
        return {};
    const char* t = encodeError_();
    return t ? std::string(t) : std::string();
}

} // namespace larkspin
