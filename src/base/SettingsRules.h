#pragma once

#include "Settings.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace larkspin {

// The rules behind the settings window's controls, apart from the widgets.

// Column lists "No01" to "No10". Positions 0 to 10 name a field of TrackRecord; 11 is "<none>", offered
// from "No03" on.
inline constexpr int NoColumn = 11;
inline constexpr const char* ColumnNames[12] = {"Artist", "Title",   "Length", "Album", "Bitrate", "Year",
                                                "Style",  "Comment", "Track",  "Size",  "Path",    "<none>"};
using ColumnLists = std::array<int, 10>; // [0] is "No01"

ColumnLists ColumnListsOf(const Settings& s);
// The setting a column list writes: Row1 to Row10 for list 1 to 10.
int32_t& RowSetting(Settings& s, int list);

// The user set list (1 to 10) to position value. Every "<none>" of the lists 3 to 10 stays after every
// chosen field: a field moves up through the "<none>" entries above it, a "<none>" moves down below the
// fields under it. Each list the rules touch writes its setting.
void ChangeColumn(ColumnLists& lists, int list, int value, Settings& s);

// The crossfade diagram: a grey picture with a white grid every 10 pixels, the outgoing track in yellow
// and the incoming one in red, each a flat line at y 20 that slopes down to the bottom; the slopes span
// 2 * Offset pixels (24 pixels per second of crossfade) and cross at the middle.
struct DiagramPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const DiagramPoint&, const DiagramPoint&) = default;
};
struct CrossfadeDiagram {
    int width = 0;
    int height = 0;
    int offset = 0; // (CrossTime div 250) * 3
    std::array<DiagramPoint, 3> outgoing;
    std::array<DiagramPoint, 3> incoming;
    int slopeSpan() const { return 2 * offset; }
};
inline constexpr int DiagramGridStep = 10;
inline constexpr int DiagramPenWidth = 2;
CrossfadeDiagram CrossfadeDiagramFor(int width, int height, int32_t crossTime);

// Fade sliders run from 1 to 100; a slider position is a tenth of a second.
inline constexpr int FadeSliderMin = 1;
inline constexpr int FadeSliderMax = 100;
inline int32_t FadeTimeOfSlider(int position) {
    return position * 100;
}
int FadeSliderOf(int32_t milliseconds);
// A fade field's text as milliseconds: a whole number (decimal, or hexadecimal with "$" or "0x"), at
// most MaxFadeTime; nothing for any other text, which leaves the setting as it was.
std::optional<int32_t> ParseFadeTime(std::string_view text);

// The two start-up options exclude each other: switching one on switches the other off.
void SetRememberPlaylist(Settings& s, bool on);
void SetSelectedPlaylist(Settings& s, bool on);

// The rip output format: from Encoder first, then IntEncoder.
enum class OutputFormat { Wave = 0, InternalLame = 1, ExternalPlugIn = 2 };
OutputFormat OutputFormatOf(const Settings& s);
void SetOutputFormat(Settings& s, OutputFormat format);

// A folder path as the default path field shows it: with a trailing "/".
std::string WithTrailingSlash(std::string folder);

// Where decoded files go (not stored): beside the source, in its "decoded" sub-folder, or in a folder
// of the user's choice; and whether decoded files are deleted after transcoding.
struct DecodeOutputChoice {
    enum Target { SourceFolder = 0, DecodedSubFolder = 1, ChosenFolder = 2 } target = SourceFolder;
    std::string folder; // for ChosenFolder, with a trailing "/"
    bool deleteAfterTranscoding = false;
};
DecodeOutputChoice& decodeOutput();
inline constexpr const char* DecodeChoiceTexts[3] = {"<parent directory>", "<sub> \\decoded", "..."};
// The choice for list position `position` whose entry reads `text`: position 2 only when the text names
// an existing folder (not "..."), otherwise the source folder.
void ChooseDecodeOutput(DecodeOutputChoice& choice, int position, const std::string& text, bool folderExists);

} // namespace larkspin
