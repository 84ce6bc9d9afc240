#pragma once

#include <larkspin/encoder_plugin.h>

#include <cstdint>
#include <string>
#include <vector>

namespace larkspin {

// One encoder plug-in of the settings window's list.
struct EncoderRow {
    std::string fileName;   // without folder
    std::string encodeType; // GetEncodeType in lower case
    bool ticked = true;
};

// The information lines of the loaded plug-in.
struct EncoderInfo {
    std::string info;
    std::string developer;
    std::string mail;
    std::string web;
    std::string date;
};

// A library of the folder that is not in the list, and why.
struct SkippedEncoder {
    std::string fileName;
    std::string reason;
};

// The host side of the encoder plug-in contract: the list of plug-ins and the one loaded plug-in.
// Standard library and dlopen only; lives on the user-interface thread. Loading a plug-in always
// unloads the one loaded before, so at most one is loaded at any time.
class TEncoderHost {
public:
    // encoderFolder: ProgramFolder + "/PlugIn/Encoder"; settingsWindow is handed to StartPlugIn.
    explicit TEncoderHost(std::string encoderFolder, intptr_t settingsWindow = 0);
    ~TEncoderHost(); // closes and unloads the loaded plug-in
    TEncoderHost(const TEncoderHost&) = delete;
    TEncoderHost& operator=(const TEncoderHost&) = delete;

    // The names (without folder) of the *.so files of folder, in byte order.
    static std::vector<std::string> ListPluginFiles(const std::string& folder);

    // Loads encoderFolder/fileName after unloading the loaded one, and looks up the 14 exports.
    // Returns EncoderPluginLoaded: false for a library that cannot be loaded, lacks an export or
    // follows a contract version this host does not know (it is then unloaded again).
    bool LoadEncoderPlugin(const std::string& fileName);

    // Fills the list with every plug-in that loads, each loaded once for its encode type and unloaded
    // again; StartPlugIn is not called. Libraries left out are in Skipped().
    void Enumerate();
    const std::vector<EncoderRow>& EncoderList() const { return rows_; }
    std::vector<EncoderRow>& EncoderList() { return rows_; }
    const std::vector<SkippedEncoder>& Skipped() const { return skipped_; }
    // The rip choice items: lower-case encode type, " - ", file name.
    std::vector<std::string> RipChoices() const;
    // Selects each row in turn and collects its GetInfo text, then selects row 0, which stays loaded.
    std::vector<std::string> CollectInfos();

    // Makes row the loaded plug-in: the loaded one is closed and unloaded, the row's loaded and
    // started, its information read. False when it does not load or row is out of range.
    bool Select(int row);
    // Selects row unless it is the selected row and loaded.
    bool UsePlugIn(int row);
    int SelectedRow() const { return selected_; }
    // Closes, unloads, loads and starts the current plug-in again, so the next run starts fresh.
    // Only while a plug-in is loaded.
    void ReloadEncoderPlugin();
    // Selects row (unless selected), reloads it and opens its settings.
    void ShowSettingsOf(int row);
    // Closes and unloads the loaded plug-in.
    void Unload();

    bool EncoderPluginLoaded() const { return loaded_; }
    const std::string& CurrentEncoderPlugin() const { return current_; }
    const EncoderInfo& Info() const { return info_; }

    // Call-throughs to the loaded plug-in; nothing is called while EncoderPluginLoaded is false (the
    // queries then answer 0, true for GetFinished, or an empty text).
    void EncodeFile(const std::string& source, const std::string& destination);
    int32_t GetPosition();
    std::string GetEncodeType();
    bool GetFinished();
    void CancelEncoding();
    void SendTag(const std::string& artist, const std::string& title, const std::string& album,
                 const std::string& year, uint8_t track, const std::string& comment,
                 const std::string& genre);
    // Why the last job failed, "" when it did not or the plug-in cannot say.
    std::string GetEncodeError();

private:
    void start();
    void closeAndUnload();
    std::string text(int exportIndex);

    std::string folder_;
    intptr_t settingsWindow_;
    std::vector<EncoderRow> rows_;
    std::vector<SkippedEncoder> skipped_;
    void* handle_ = nullptr;
    std::vector<void*> exports_; // the 14 exports in lookup order while loaded
    LarkspinEncGetEncodeErrorFn encodeError_ = nullptr;
    bool loaded_ = false;
    bool started_ = false;
    std::string loadProblem_;
    std::string current_;
    int selected_ = -1;
    EncoderInfo info_;
};

} // namespace larkspin
