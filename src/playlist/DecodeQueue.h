#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace larkspin {

// The settings window's choice for decoded files.
enum class DecodeOutput { ParentDirectory, DecodedSubfolder, ChosenFolder };

// decodebox: the paths waiting to be decoded, which the decode window works through.
class DecodeQueue {
public:
    // Empties the queue, then appends paths in order.
    void Fill(const std::vector<std::string>& paths);
    bool Empty() const { return paths_.empty(); }
    int Size() const { return static_cast<int>(paths_.size()); }
    const std::deque<std::string>& Paths() const { return paths_; }
    // The first path, removed from the queue; none when empty.
    std::optional<std::string> TakeFirst();
    void Clear() { paths_.clear(); }

private:
    std::deque<std::string> paths_;
};

// The extension of path with its dot, exactly as written ("" when the name has none).
std::string ExtensionWithDot(const std::string& path);

// The folder a decoded file goes to, with a trailing "/": the file's folder; its "decoded" subfolder,
// created (one level) when missing; or chosenFolder. None, with error set, when the subfolder cannot be
// created or the chosen folder is empty.
std::optional<std::string> DecodeOutputFolder(const std::string& file, DecodeOutput choice,
                                              const std::string& chosenFolder, std::string& error);

} // namespace larkspin
